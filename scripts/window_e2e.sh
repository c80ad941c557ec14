#!/usr/bin/env bash
# The window end to end, driven by the keyboard as a user would. First, started in a folder
# holding the example netlist and library, it reads the netlist (Alt+R), writes its script
# (Alt+N), confirms the message, opens the About window (Alt+A). Then, started again with the
# example board (as "Open with" starts it), it takes the two libraries of tests/data in the
# Libraries window (Ctrl+L, Alt+A, both names typed into the file dialog, Esc), checks (F7),
# writes the suggested map (Alt+S, Enter), which is edited as the README's walk does, checks
# again and converts (Esc, Alt+N): a box other than "Malvor - Info" (the one asking to write
# despite problems) fails the run. Screenshots are taken on the way and the program ended.
# Runs on the X display in DISPLAY (a virtual one: xvfb-run), for the Linux window or, through
# Wine, for malvor.exe. Needs xdotool and ImageMagick's import.
# Usage: [MALVOR_CONVERT=CONVERTER] scripts/window_e2e.sh FOLDER PROGRAM [ARGUMENTS...]
#   FOLDER is made afresh; the scripts land in FOLDER/amplifier.scr and FOLDER/board.scr, the
#   screenshots in FOLDER/screen.png (the About window), FOLDER/problems.png (the first check)
#   and FOLDER/no-problems.png (the check after the map was edited). With MALVOR_CONVERT (a
#   command, such as "wine malvor-convert.exe"), board.scr must be what it writes.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 FOLDER PROGRAM [ARGUMENTS...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
folder=$1
shift
rm -rf "$folder" && mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
cp "$here/examples/amplifier.net" "$here/examples/empty.lbr" "$here/examples/board.net" \
  "$here/tests/data/passives.lbr" "$here/tests/data/semis.lbr" "$folder/"
if [[ $1 == */* ]]; then  # it runs in FOLDER
  set -- "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" "${@:2}"
fi
# The window keeps its libraries and map between runs: none kept from earlier runs here.
export XDG_CONFIG_HOME="$folder/config"
if [[ $(basename "$1") == wine* ]]; then
  "$1" reg delete 'HKCU\Software\Malvor' /f >/dev/null 2>&1 || true
fi

program=
start() {
  (cd "$folder" && exec "$@" >>"$folder/program.log" 2>&1) &
  program=$!
}
trap '[ -z "$program" ] || kill "$program" 2>/dev/null || true' EXIT
# A failure shows the program's own messages and the state of the display, so that a window
# that never appeared can be told from one that was slow.
fail() {
  echo "window end to end: $1 (see $folder)" >&2
  import -window root "$folder/screen.png" 2>/dev/null || true
  echo "--- the program's messages ($folder/program.log)" >&2
  tail -n 20 "$folder/program.log" >&2 2>/dev/null || true
  "$here/scripts/display_diagnostics.sh" >&2 || true
  exit 1
}
# The windows whose title is $1, one id a line. A search that an X error cut short (a window
# vanished while it was searched, as Wine's own do while a prefix starts) is asked again.
search() {
  local found
  for _ in $(seq 10); do
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>"$folder/search.err") || true
    grep -q 'X Error' "$folder/search.err" || { [ -z "$found" ] || echo "$found"; return; }
    sleep 0.2
  done
}
# The first window whose title is $1, within a minute; focused, as a click on it would.
window() {
  local id="" deadline=$((SECONDS + 60))
  until id=$(search "$1" | head -n 1) && [ -n "$id" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "no window \"$1\""
    kill -0 "$program" 2>/dev/null || fail "the program ended without a window \"$1\""
    sleep 0.5
  done
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null || true
  echo "$id"
}
keys() {
  xdotool key --delay 150 "$@"
  sleep 1
}
# Waits up to a minute for the file $1 to hold something.
written() {
  for _ in $(seq 60); do
    [ -s "$folder/$1" ] && return 0
    sleep 1
  done
  fail "no $1 written"
}
# Ends the program, as closing its windows would.
end_program() {
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  program=
}

start "$@"
window "Tango to Eagle Netlist Converter" >/dev/null
sleep 2  # the window takes its first focus
# Focus starts on the drive list; two Tabs reach the netlist list, Space picks its first file.
keys Tab Tab space alt+r
sleep 2  # the button clicks after a moment, and the library side shows only then
# The focus stays there; six Tabs pass the reader's button, the result lists and the library
# side's drive and folder lists to the library list, whose first file Space picks.
keys Tab Tab Tab Tab Tab Tab space alt+n
written amplifier.scr
window "Malvor - Info" >/dev/null
keys Return
window "Tango to Eagle Netlist Converter" >/dev/null
keys alt+a
window "About" >/dev/null
sleep 2
import -window root "$folder/screen.png"
[ "$(search About | wc -l)" = 1 ] || fail "not one About window"
end_program

# The board, opened as a file manager opens it: read at once.
start "$@" board.net
window "Tango to Eagle Netlist Converter" >/dev/null
sleep 2
keys ctrl+l
window "Malvor - Libraries" >/dev/null
keys alt+a
window "Add libraries" >/dev/null
sleep 1
xdotool type --delay 50 '"passives.lbr" "semis.lbr"'
keys Return
window "Malvor - Libraries" >/dev/null
keys Escape
window "Tango to Eagle Netlist Converter" >/dev/null
keys F7
problems=$(window "Malvor - Problems")
sleep 2
import -window "$problems" "$folder/problems.png"
keys alt+s
window "Suggest map" >/dev/null
sleep 1
keys Return  # the name proposed: beside the netlist
written board-map.csv
# What is left to decide, as in the README: the diode's pins.
sed -i 's/^#,DO41,,DO41-10,passives,$/,DO41,,DO41-10,passives,1=A 2=C/' "$folder/board-map.csv"
window "Malvor - Problems" >/dev/null
keys F7
sleep 2
import -window "$problems" "$folder/no-problems.png"
keys Escape
window "Tango to Eagle Netlist Converter" >/dev/null
keys alt+n
written board.scr
[ -z "$(search 'Malvor - Warning')" ] || fail "problems left"
window "Malvor - Info" >/dev/null
keys Return
end_program
if [ -n "${MALVOR_CONVERT:-}" ]; then
  (cd "$folder" && $MALVOR_CONVERT --map board-map.csv -o converter.scr board.net passives.lbr \
    semis.lbr </dev/null >>program.log 2>&1) || fail "the converter failed"
  cmp "$folder/board.scr" "$folder/converter.scr" || fail "board.scr differs from the converter's"
fi
