#!/usr/bin/env bash
# Builds everything and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
# KiCad opens the boards the tests write (its EAGLE importer, from Python); xmllint checks them
# against EAGLE's document type.
scripts/deps.sh kicad libxml2-utils
# pugixml is compiled from Debian's sources in its compact mode (cmake/PugixmlFromSource.cmake).
pugixml=$(scripts/pugixml_source.sh build-pugixml)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DMALVOR_PUGIXML_SOURCE_DIR=$pugixml" >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
