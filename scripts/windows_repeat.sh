#!/usr/bin/env bash
# Runs scripts/windows.sh N times in a row as CI runs it, each time after removing the Wine
# prefix and with nothing else between the runs, to show whether the Windows stage is green
# every time. Each run's whole output goes to build-windows/repeat/run-K.log; a line per run
# (its time and result) is printed and kept in build-windows/repeat/summary.txt. Goes on after
# a failed run; exits 1 when any run failed.
# Usage: scripts/windows_repeat.sh N
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 1 ] && [[ $1 =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 N" >&2; exit 2; }
logs=build-windows/repeat
mkdir -p "$logs"
summary="$logs/summary.txt"
echo "$(date -u +%FT%TZ) $1 runs of scripts/windows.sh at $(git rev-parse --short HEAD)" >>"$summary"
failed=0
for run in $(seq "$1"); do
  rm -rf build-windows/wineprefix
  start=$SECONDS
  if bash scripts/windows.sh >"$logs/run-$run.log" 2>&1; then
    result=green
  else
    result="FAILED (exit $?)"
    failed=$((failed + 1))
  fi
  line="run $run of $1: $result in $((SECONDS - start)) s (log: $logs/run-$run.log)"
  echo "$line" | tee -a "$summary"
done
echo "$(($1 - failed)) of $1 runs green" | tee -a "$summary"
[ "$failed" -eq 0 ]
