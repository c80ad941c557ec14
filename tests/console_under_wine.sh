#!/usr/bin/env bash
# malvor-convert.exe on a console of its own, as Explorer starts it, under Wine: `script` gives
# Wine a terminal, for which Wine opens a console that the program alone is on.
# Run as: console_under_wine.sh EMULATOR... PROGRAM.exe
set -u
command=$(printf '%q ' "$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/keys"
failures=0

# Runs the program with ARGUMENTS, sends KEYS once it asks for Enter, and expects STATUS.
expect_after_prompt() {
  local keys=$1 status=$2 what=$3
  shift 3
  exec 3<>"$work/keys"
  # The shell script starts execs the program: a shell left waiting on the terminal would die of
  # the terminal's Ctrl-C itself (Wine keeps ISIG on), and that status would be the one seen.
  timeout 90 script -qec "exec $command$(printf '%q ' "$@")" /dev/null <&3 >"$work/screen" 2>&1 &
  local run=$!
  # The terminal gets the text between cursor sequences, blanks as cursor moves.
  local asked=no
  for _ in $(seq 600); do
    if sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$work/screen" | tr -d ' \r' |
      grep -q 'PressEntertoclosethiswindow\.'; then
      asked=yes
      break
    fi
    sleep 0.1
  done
  # Keys that come before Wine's console reads go through the terminal's line discipline, which
  # turns a CR into a LF: repeated until the program ends.
  for _ in $(seq 60); do
    printf "$keys" >&3
    sleep 1
    kill -0 "$run" 2>/dev/null || break
  done
  wait "$run"
  local got=$?
  exec 3>&-
  if [ "$got" != "$status" ] || [ "$asked" != yes ]; then
    echo "$what: status $got, expected $status; asked for Enter: $asked; the screen showed:" >&2
    sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$work/screen" >&2
    failures=$((failures + 1))
  fi
}

expect_after_prompt '\r' 0 "Enter after the version" --version
expect_after_prompt '\r' 2 "Enter after a usage error" --bogus
# Wine hands on the low byte of STATUS_CONTROL_C_EXIT (0xC000013A).
expect_after_prompt '\003' 58 "Ctrl-C while it waits"
exit $((failures > 0))
