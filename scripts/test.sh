#!/usr/bin/env bash
# Builds everything and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
# KiCad opens the boards the tests write (its EAGLE importer, from Python); xmllint checks them
# against EAGLE's document type.
scripts/deps.sh kicad libxml2-utils
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
