#!/usr/bin/env bash
# Builds the program and starts it on the bundled example netlist.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# The same build as scripts/test.sh's: pugixml from Debian's sources, in its compact mode.
pugixml=$(scripts/pugixml_source.sh build-pugixml)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DMALVOR_PUGIXML_SOURCE_DIR=$pugixml" >/dev/null
cmake --build build
cd examples
if [ -x ../build/app/malvor ]; then
  exec ../build/app/malvor "$@"
fi
../build/cli/malvor-convert amplifier.net empty.lbr
