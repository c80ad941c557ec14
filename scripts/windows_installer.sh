#!/usr/bin/env bash
# Builds Malvor's Windows installer, malvor-VERSION-win64-setup.exe, from the ZIP that
# `cpack -G ZIP` made in BUILD (the cross build's folder) and packaging/windows/malvor.nsi,
# with makensis treating every warning as an error. Its files are the ZIP's, listed one by one
# for the installer and the uninstaller (which removes only what was installed); its licence
# page is the ZIP's LICENSE.txt followed by every notice under licenses/. Prints its path.
# Usage: scripts/windows_installer.sh BUILD
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD" >&2; exit 2; }
project=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
"$project/scripts/deps.sh" nsis unzip >&2

generated="$build/installer"  # version.nsh is made there by packaging/WindowsZip.cmake
[ -f "$generated/version.nsh" ] || { echo "no $generated/version.nsh: configure $build" >&2; exit 1; }
zips=("$build"/malvor-*-win64.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || { echo "not one ZIP in $build" >&2; exit 1; }
stage="$generated/stage"
rm -rf "$stage" && mkdir -p "$stage"
unzip -q "${zips[0]}" -d "$stage"
folders=("$stage"/*/)
[ ${#folders[@]} -eq 1 ] || { echo "the ZIP holds more than one folder" >&2; exit 1; }
root=${folders[0]%/}

# NSIS reads "$" and quotes in names as its own; none of the ZIP's names has them.
if (cd "$root" && find . | grep -q '[$"]'); then
  echo "a name in the ZIP has \$ or \": the installer's lists cannot name it" >&2
  exit 1
fi
windows_path() { local path=${1#.}; echo "${path//\//\\}"; }
{
  while IFS= read -r -d '' folder; do
    echo "SetOutPath \"\$INSTDIR$(windows_path "$folder")\""
    while IFS= read -r -d '' file; do
      echo "File \"$root/${file#./}\""
    done < <(cd "$root" && find "$folder" -mindepth 1 -maxdepth 1 -type f -print0 | sort -z)
  done < <(cd "$root" && find . -type d -print0 | sort -z)
} >"$generated/files.nsh"
{
  while IFS= read -r -d '' file; do
    echo "Delete \"\$INSTDIR$(windows_path "$file")\""
  done < <(cd "$root" && find . -type f -print0 | sort -z)
  # The deepest folders first; each only when empty.
  while IFS= read -r -d '' folder; do
    echo "RMDir \"\$INSTDIR$(windows_path "$folder")\""
  done < <(cd "$root" && find . -mindepth 1 -type d -print0 | sort -rz)
} >"$generated/unfiles.nsh"

# The licence page: Malvor's licence, then each notice under its name.
{
  cat "$root/LICENSE.txt"
  while IFS= read -r -d '' notice; do
    printf '\r\n\r\n==== %s ====\r\n\r\n' "$(windows_path "${notice#"$root"}" | cut -c2-)"
    cat "$notice"
  done < <(find "$root/licenses" -type f -print0 | sort -z)
} >"$generated/licence.txt"

rm -f "$build"/malvor-*-win64-setup.exe
makensis -WX -V2 -NOCD "-DMALVOR_GENERATED=$generated" "-DMALVOR_OUTDIR=$build" \
  "$project/packaging/windows/malvor.nsi" >&2
setups=("$build"/malvor-*-win64-setup.exe)
[ -f "${setups[0]}" ] || { echo "makensis wrote no installer" >&2; exit 1; }
echo "${setups[0]}"
