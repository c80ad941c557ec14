#!/usr/bin/env bash
# The converter for 64-bit Windows: cross-built with MinGW-w64 into build-windows/, its tests
# run under Wine, its output compared byte for byte with the Linux build's, and the ZIP made.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  wine wine64 googletest unzip debian-archive-keyring

# Wine keeps its prefix inside the build folder, so nothing outside the project is touched and
# every clean build starts from a fresh one.
export WINEPREFIX="$PWD/build-windows/wineprefix" WINEDEBUG=-all
# No Mono or Gecko: console programs need neither, and setting up the prefix would ask for them.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# A server that stays up, and a prefix set up before any test: otherwise Wine's background
# programs, started by the first test program, hold CTest's discovery pipe open until its timeout.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1

# pugixml's sources: Debian builds it for the host only. Its source package comes from the
# machine's own apt archives and is unpacked here.
pugixml_dir=build-windows/pugixml
if [ ! -f "$pugixml_dir/src/pugixml.cpp" ]; then
  scripts/apt_source.sh pugixml build-windows/pugixml-download
  rm -rf "$pugixml_dir" && mkdir -p "$pugixml_dir"
  tar -xzf build-windows/pugixml-download/pugixml_*.orig.tar.gz -C "$pugixml_dir" --strip-components=1
fi

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DMALVOR_BUILD_UI=OFF -DMALVOR_BUILD_BENCH=OFF \
  "-DMALVOR_PUGIXML_SOURCE_DIR=$PWD/$pugixml_dir" >/dev/null
cmake --build build-windows -j2
ctest --test-dir build-windows --output-on-failure -j2

# The Linux converter as the reference for the comparison.
cmake -S . -B build-windows/linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DMALVOR_BUILD_UI=OFF \
  -DMALVOR_BUILD_TESTS=OFF -DMALVOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-windows/linux -j2 --target malvor-convert
linux_convert=build-windows/linux/cli/malvor-convert
windows_convert=build-windows/cli/malvor-convert.exe
compare=build-windows/compare
rm -rf "$compare" && mkdir -p "$compare"
# Same script, entries, check report, exit status and messages (standard error ends its lines
# in CR LF on Windows).
run_both() {
  local status_linux=0 status_windows=0
  "$linux_convert" "$@" >"$compare/linux.out" 2>"$compare/linux.err" || status_linux=$?
  wine "$windows_convert" "$@" >"$compare/windows.out" 2>"$compare/windows.err" || status_windows=$?
  tr -d '\r' <"$compare/windows.err" >"$compare/windows.err.lf"
  if [ "$status_linux" != "$status_windows" ] || ! cmp -s "$compare/linux.out" "$compare/windows.out" \
    || ! cmp -s "$compare/linux.err" "$compare/windows.err.lf"; then
    echo "malvor-convert.exe differs from the Linux build on: $*" >&2
    exit 1
  fi
}
library=tests/data/parts.lbr
[ -f "$library" ] || { echo "no library to check against: $library" >&2; exit 1; }
netlists=0
while IFS= read -r -d '' netlist; do
  run_both -o - "$netlist" Parts.LBR
  run_both --list "$netlist"
  run_both --check "$netlist" "$library"
  netlists=$((netlists + 1))
done < <(find tests examples fuzz/corpus -type f -iname '*.net' -print0 | sort -z)
echo "malvor-convert.exe: same scripts, entries and library checks as the Linux build" \
  "on $netlists netlists" >&2

rm -f build-windows/malvor-convert-*-win64.zip
(cd build-windows && cpack -G ZIP >/dev/null)
unzip -l build-windows/malvor-convert-*-win64.zip
