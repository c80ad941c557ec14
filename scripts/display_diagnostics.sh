#!/usr/bin/env bash
# What a person needs to see when a program could not reach the X display in DISPLAY: the
# display and its auth file, xdpyinfo's answer, the X socket folder and lock files (with
# whether each lock's server still runs), which processes listen on and are connected to X
# sockets, the clients with windows (xlsclients), the X servers and Wine's processes, and the
# X server's own log (MALVOR_XVFB_LOG, when the caller knows it). Prints to standard output;
# never fails, since it runs while a run is already failing.
set -uo pipefail
section() { printf '\n--- %s\n' "$1"; }

section "display"
echo "DISPLAY=${DISPLAY:-(unset)} XAUTHORITY=${XAUTHORITY:-(unset)}"
if [ -n "${XAUTHORITY:-}" ]; then
  ls -la "$XAUTHORITY" 2>&1
  xauth -f "$XAUTHORITY" list 2>&1 | sed -E 's/[0-9a-f]{32}$/(cookie)/'
fi

section "xdpyinfo"
answer=$(timeout 20 xdpyinfo 2>&1)
status=$?
head -n 12 <<<"$answer"
echo "(xdpyinfo exit status $status)"

section "/tmp/.X11-unix and the lock files"
ls -la --time-style=+%T.%N /tmp/.X11-unix 2>&1
for lock in /tmp/.X*-lock; do
  [ -e "$lock" ] || continue
  pid=$(tr -d ' \n' <"$lock" 2>/dev/null)
  state="not running"
  kill -0 "$pid" 2>/dev/null && state="running: $(ps -o args= -p "$pid" 2>/dev/null)"
  echo "$lock: pid $pid, $state"
done

section "listening X sockets (ss -xlp)"
ss -xlp 2>&1 | grep -E 'Netid|X11-unix'

section "connected clients per X server (count, server's id)"
# The server's end of each connection carries the socket's path.
ss -xp 2>&1 | grep -F 'X11-unix' | grep -oE 'users:\(\("[^"]+",pid=[0-9]+' \
  | sed -E 's/users:\(\("([^"]+)",pid=([0-9]+)/\2 \1/' | sort | uniq -c

section "clients with windows (xlsclients -l)"
timeout 20 xlsclients -l 2>&1 | head -n 40

section "X servers"
ps -eo pid,ppid,etime,stat,args 2>&1 | grep -E '[X]vfb|[X]org' | cut -c1-200

section "Wine's processes"
ps -eo pid,ppid,etime,stat,args 2>&1 | grep -Ei '[w]ine|[.]exe' | cut -c1-200

if [ -n "${MALVOR_XVFB_LOG:-}" ]; then
  section "the X server's log ($MALVOR_XVFB_LOG)"
  tail -n 40 "$MALVOR_XVFB_LOG" 2>&1
fi
exit 0
