#!/usr/bin/env bash
# Downloads a Debian source package into a folder, from the archives this machine's apt already
# uses: every `deb` entry of its configuration (one-line and deb822 forms) is repeated as a
# `deb-src` entry, with the same URIs, suites, components, keyring and options, in a private
# apt configuration with its own lists and cache. The machine's own configuration, lists and
# cache are left as they are.
# Usage: scripts/apt_source.sh PACKAGE[=VERSION] FOLDER   (files land in FOLDER, not unpacked)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PACKAGE[=VERSION] FOLDER" >&2; exit 2; }
package=$1
folder=$(mkdir -p "$2" && cd "$2" && pwd)
apt_dir="$folder/apt"
parts="$apt_dir/parts"
rm -rf "$parts"
mkdir -p "$parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"

eval "$(apt-config shell source_list Dir::Etc::sourcelist/f source_parts Dir::Etc::sourceparts/d)"
for file in "$source_list" "$source_parts"*.list; do
  [ -f "$file" ] || continue
  sed -nE 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >"$parts/$(basename "$file").list"
done
for file in "$source_parts"*.sources; do
  [ -f "$file" ] || continue
  # Stanzas of other types (deb-src alone) become deb-src too, which only repeats them.
  sed -E 's/^Types:.*/Types: deb-src/I' "$file" >"$parts/$(basename "$file")"
done
grep -qsE '^(deb-src|Types: deb-src)' "$parts"/* ||
  { echo "no deb entries in this machine's apt configuration" >&2; exit 1; }

apt_options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$parts"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o APT::Sandbox::User=root -q)
apt-get "${apt_options[@]}" update >/dev/null
(cd "$folder" && apt-get "${apt_options[@]}" source --download-only "$package" >/dev/null)
