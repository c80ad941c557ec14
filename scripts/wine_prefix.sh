#!/usr/bin/env bash
# A fresh Wine prefix in WINEPREFIX, set up completely before the first program runs in it, with
# a server that stays up until `wineserver -k`. A program that crashes in it ends at once with
# its backtrace on standard error: Wine's debugger prints it and does not wait for a click.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
# The old server's programs may still be ending, and writing into the prefix meanwhile.
for _ in $(seq 10); do
  rm -rf "$WINEPREFIX" 2>/dev/null && break
  sleep 1
done
[ ! -e "$WINEPREFIX" ] || { echo "cannot remove the old Wine prefix: $WINEPREFIX" >&2; exit 1; }
mkdir -p "$WINEPREFIX"
# Set up with a server of its own, then wait until it has ended: every program that the set-up
# started (services, the desktop, the dialog saying the prefix is being updated) has ended then,
# and the registry is on disk.
wineboot -i >/dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || { echo "the Wine prefix was not set up: $WINEPREFIX" >&2; exit 1; }
# The server that the tests share, with the prefix's services started before the first test
# (a program that needs them waits for them otherwise, while others race it).
wineserver -p
wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 || true
for _ in $(seq 60); do
  pgrep -f 'services.exe' >/dev/null && pgrep -f 'plugplay.exe' >/dev/null && break
  sleep 1
done
