#!/usr/bin/env bash
# Malvor for 64-bit Windows: Qt for MinGW-w64 built once into a cache (scripts/windows_qt.sh),
# the window and the converter cross-built into build-windows/, their tests run under Wine, the
# converter's output compared byte for byte with the Linux build's, the ZIP made, the unpacked
# ZIP's window run end to end under Wine against the Linux window, and the installer made from
# the ZIP and tested under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
# (The cross compiler comes with scripts/windows_qt.sh, which runs first.)
scripts/deps.sh wine wine64 googletest unzip xvfb xauth x11-utils xdotool imagemagick nsis

qt=$(scripts/windows_qt.sh)

# Wine keeps its prefix inside the build folder, so nothing outside the project is touched. Every
# run starts from a fresh one, as CI's fresh clone does.
export WINEPREFIX="$PWD/build-windows/wineprefix" WINEDEBUG=-all
# No Mono or Gecko: the programs need neither, and setting up the prefix would ask for them.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The ids of the prefix's Wine processes (its server and programs).
wine_processes() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] || continue
    # A process of another prefix, or one that ended since, is no failure of the listing.
    if grep -qzxF "WINEPREFIX=$WINEPREFIX" "$environ" 2>/dev/null; then echo "$pid"; fi
  done
  return 0
}
# `wineserver -k` kills the prefix's programs without waiting for them: they are waited for by
# their ids, so that the next run (which removes the prefix) meets none of them.
wine_end() {
  local pids pid deadline=$((SECONDS + 60))
  pids=$(wine_processes)
  wineserver -k 2>/dev/null || true
  for pid in $pids; do
    # A zombie has ended (nothing may reap it here).
    while ps -o stat= -p "$pid" 2>/dev/null | grep -qv Z; do
      if [ "$SECONDS" -ge "$deadline" ]; then
        echo "Wine's programs still running after a minute:" >&2
        ps -o pid,stat,args -p "${pids//$'\n'/,}" >&2 || true
        return
      fi
      sleep 0.2
    done
  done
}

# Everything below runs on one virtual X server of this run's own (scripts/virtual_display.sh):
# the window tests and the end-to-end runs need a display, and Wine's programs of one prefix
# share one. At the end, Wine's programs and then the server are ended and waited for.
# shellcheck source=scripts/virtual_display.sh
. scripts/virtual_display.sh
# Each step runs whatever the one before it did: a server left running holds its display, and
# Wine's programs left running outlive their prefix into the next run.
trap 'wine_end || true; display_stop' EXIT
mkdir -p build-windows
display_start "$PWD/build-windows/xvfb.log"

scripts/wine_prefix.sh

# pugixml's sources: Debian builds it for the host only.
pugixml_dir=$(scripts/pugixml_source.sh build-windows/pugixml)

# Qt's toolchain file finds Qt and its host tools, then loads the project's for MinGW-w64. A
# build folder configured with another toolchain starts afresh.
toolchain="$qt/lib/cmake/Qt6/qt.toolchain.cmake"
if ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" build-windows/CMakeCache.txt 2>/dev/null; then
  rm -rf build-windows/CMakeCache.txt build-windows/CMakeFiles
fi
cmake -S . -B build-windows -G Ninja "-DCMAKE_TOOLCHAIN_FILE=$toolchain" \
  "-DQT_CHAINLOAD_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DMALVOR_BUILD_BENCH=OFF \
  "-DMALVOR_PUGIXML_SOURCE_DIR=$pugixml_dir" >/dev/null
cmake --build build-windows -j2
# The window tests use Qt's Windows platform plugin on the virtual X server.
# A test that hangs fails after five minutes instead of holding the run up.
QT_QPA_PLATFORM=windows ctest --test-dir build-windows --output-on-failure -j2 --timeout 300

# The Linux programs as the reference for the comparisons.
cmake -S . -B build-windows/linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DMALVOR_BUILD_UI=ON \
  -DMALVOR_BUILD_TESTS=OFF -DMALVOR_BUILD_BENCH=OFF >/dev/null
cmake --build build-windows/linux -j2 --target malvor-convert malvor
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
  run_both --board -o - "$netlist" "$library"
  netlists=$((netlists + 1))
done < <(find tests examples fuzz/corpus -type f -iname '*.net' -print0 | sort -z)
# Boards byte for byte: the netlists above mostly stop at the check (exit 3); these are written.
boards=tests/data/board
run_both --board -o - --map "$boards/mixed.csv" "$boards/mixed.net" "$boards/ics.lbr" \
  "$boards/power.lbr" "$boards/misc.lbr"
run_both --place packed -o - --map "$boards/mixed.csv" "$boards/mixed.net" "$boards/ics.lbr" \
  "$boards/power.lbr" "$boards/misc.lbr"
# The map that README's walk from check to script ends with.
printf '%s\n' component,footprint,value,package,library,pins R*,sm0805,,R0805,passives, \
  C*,sm0805,,C0805,passives, ',DO41,,DO41-10,passives,1=A 2=C' ,DIP-8_W7.62mm,,DIL08,semis, \
  ,SOT23,,SOT-23,semis, >"$compare/board-map.csv"
run_both --board -o - --map "$compare/board-map.csv" examples/board.net tests/data/passives.lbr \
  tests/data/semis.lbr
echo "malvor-convert.exe: same scripts, entries, library checks and boards as the Linux build" \
  "on $netlists netlists" >&2

rm -f build-windows/malvor-*-win64.zip
(cd build-windows && cpack -G ZIP >/dev/null)
zip=$(ls build-windows/malvor-*-win64.zip)
unzip -l "$zip"

# The unpacked ZIP on its own: its window, run by the keyboard under Wine with nothing but
# what the ZIP holds (no search path to Qt or the compiler's DLLs), writes the same script as
# the Linux window.
unpacked=build-windows/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"
window_exe=$(echo "$PWD/$unpacked"/malvor-*-win64/malvor.exe)
# The board's loop (libraries, check, suggested map, conversion) must write the converter's script.
MALVOR_CONVERT="$PWD/$linux_convert" scripts/window_e2e.sh build-windows/e2e-linux \
  build-windows/linux/app/malvor
WINEPATH= MALVOR_CONVERT="wine $(dirname "$window_exe")/malvor-convert.exe" \
  scripts/window_e2e.sh build-windows/e2e-windows wine "$window_exe"
for script in amplifier.scr board.scr; do
  cmp "build-windows/e2e-linux/$script" "build-windows/e2e-windows/$script"
done
echo "malvor.exe from the ZIP under Wine: the same scripts as the Linux window and the converter" \
  "(screenshots: build-windows/e2e-windows/screen.png, problems.png)" >&2

# The installer, made from the ZIP's files, and tested under Wine in this prefix: installed,
# upgraded, repaired and uninstalled, for the current user and for all users.
setup=$(scripts/windows_installer.sh build-windows)
scripts/windows_installer_test.sh build-windows "$linux_convert"
echo "$(basename "$setup"): $(du -h "$setup" | cut -f1)" >&2
