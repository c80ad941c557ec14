#!/usr/bin/env bash
# Unpacks Debian's pugixml source package into FOLDER (its src/ inside), unless it is there
# already: the builds compile pugixml.cpp themselves, in its compact mode, as Debian builds it
# for the host only and in its ordinary mode. The package comes from this machine's own apt
# archives (scripts/apt_source.sh). Prints the folder's absolute path.
# Usage: scripts/pugixml_source.sh FOLDER
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 FOLDER" >&2; exit 2; }
cd "$(dirname "$0")/.."
folder=$1
if [ ! -f "$folder/src/pugixml.cpp" ]; then
  scripts/apt_source.sh pugixml "$folder-download" >&2
  rm -rf "$folder" && mkdir -p "$folder"
  tar -xzf "$folder"-download/pugixml_*.orig.tar.gz -C "$folder" --strip-components=1
fi
(cd "$folder" && pwd)
