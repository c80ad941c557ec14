#!/usr/bin/env bash
# Formats every C++ file of the project with the house style (.clang-format), or with --check
# only reports the files that differ from it and exits non-zero if any does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang-format

mode=(-i)
if [ "${1:-}" = "--check" ]; then
  mode=(--dry-run --Werror)
elif [ $# -gt 0 ]; then
  echo "usage: scripts/format.sh [--check]" >&2
  exit 2
fi

folders=(conversion library mapping board check cli ui app tests bench fuzz)
mapfile -t files < <(find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
clang-format --style=file "${mode[@]}" "${files[@]}"
