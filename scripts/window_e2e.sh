#!/usr/bin/env bash
# The window end to end, driven by the keyboard as a user would: started in a folder holding
# the example netlist and library, it reads the netlist (Alt+R), writes its script (Alt+N),
# confirms the message, opens the About window (Alt+A); then a screenshot is taken and the
# program ended. Runs on the X display in DISPLAY (a virtual one: xvfb-run), for the Linux
# window or, through Wine, for malvor.exe. Needs xdotool and ImageMagick's import.
# Usage: scripts/window_e2e.sh FOLDER PROGRAM [ARGUMENTS...]
#   FOLDER is made afresh; the script lands in FOLDER/amplifier.scr, the screenshot in
#   FOLDER/screen.png.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 FOLDER PROGRAM [ARGUMENTS...]" >&2; exit 2; }
examples=$(cd "$(dirname "$0")/../examples" && pwd)
folder=$1
shift
rm -rf "$folder" && mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
cp "$examples/amplifier.net" "$examples/empty.lbr" "$folder/"
if [[ $1 == */* ]]; then  # it runs in FOLDER
  set -- "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" "${@:2}"
fi

(cd "$folder" && exec "$@" >"$folder/program.log" 2>&1) &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT
fail() {
  echo "window end to end: $1 (see $folder)" >&2
  import -window root "$folder/screen.png" 2>/dev/null || true
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
    sleep 0.5
  done
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null || true
  echo "$id"
}
keys() {
  xdotool key --delay 150 "$@"
  sleep 1
}

window "Tango to Eagle Netlist Converter" >/dev/null
sleep 2  # the window takes its first focus
# Focus starts on the drive list; two Tabs reach the netlist list, Space picks its only file.
keys Tab Tab space alt+r
sleep 2  # the button clicks after a moment, and the library side shows only then
# The focus stays there; six Tabs pass the reader's button, the result lists and the library
# side's drive and folder lists to the library list.
keys Tab Tab Tab Tab Tab Tab space alt+n
for _ in $(seq 60); do
  [ -s "$folder/amplifier.scr" ] && break
  sleep 1
done
[ -s "$folder/amplifier.scr" ] || fail "no script written"
window "Malvor - Info" >/dev/null
keys Return
window "Tango to Eagle Netlist Converter" >/dev/null
keys alt+a
window "About" >/dev/null
sleep 2
import -window root "$folder/screen.png"
[ "$(search About | wc -l)" = 1 ] || fail "not one About window"
