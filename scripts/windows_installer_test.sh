#!/usr/bin/env bash
# Malvor's installer under Wine, in the prefix in WINEPREFIX on the display in DISPLAY (as
# scripts/windows.sh runs it): for the current user, an older build (made here from the same
# files and one more) installed silently, then this one over it with /AddToPath: its files are
# the ZIP's, the older one's extra file is gone, one uninstall entry, the Start menu shortcut
# points at the window, the "Open with" keys and the PATH entry are there, the installed
# converter writes the Linux converter's bytes and the installed window passes
# scripts/window_e2e.sh with the Linux window's scripts; the silent uninstall then leaves the
# install folder, the Start menu and the keys as they were before, the PATH value too, and the
# window's settings kept. For all users: installed, a file removed and installed again (the
# repair puts it back), the same checks, and the uninstall with /RemoveSettings. The installer
# and the uninstaller carry the version record and the program's icon.
# Usage: scripts/windows_installer_test.sh BUILD LINUX_CONVERT
#   BUILD holds the installer and installer/ (scripts/windows_installer.sh) and e2e-linux/ (the
#   Linux window's end-to-end run); the results land in BUILD/installer-test.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD LINUX_CONVERT" >&2; exit 2; }
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
project=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
linux_convert=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
setups=("$build"/malvor-*-win64-setup.exe)
setup=${setups[0]}
[ -f "$setup" ] || { echo "no installer in $build" >&2; exit 1; }
generated="$build/installer"
stages=("$generated"/stage/*/)
stage=${stages[0]%/}
work="$build/installer-test"
rm -rf "$work" && mkdir -p "$work"

fail() {
  echo "installer: $1 (see $work)" >&2
  exit 1
}
# A value as `wine reg query` shows it ("(Default)" for the key's own), or nothing.
reg_value() {
  local line
  line=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -F "    $2    REG_") || return 0
  sed -E 's/^    .*    REG_[A-Z_]+    //; s/^    .*    REG_[A-Z_]+$//' <<<"$line"
}
reg_default() {
  wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -nE 's/^    \(Default\)    REG_[A-Z_]+    //p'
}
windows_folder() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null; }

local_appdata=$(windows_folder LOCALAPPDATA)
program_files=$(windows_folder ProgramW6432)
user_start_menu=$(unix_path "$(windows_folder APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
common_start_menu=$(unix_path "$(windows_folder ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")
version=$(sed -nE 's/^!define MALVOR_VERSION "(.*)"$/\1/p' "$generated/version.nsh")
short_version=$(sed -nE 's/^!define MALVOR_VERSION_SHORT "(.*)"$/\1/p' "$generated/version.nsh")
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Malvor'
app_key='Software\Classes\Applications\malvor.exe'

# Set for a scope (current or all): its registry root, install folder and Start menu folder.
scope() {
  if [ "$1" = current ]; then
    root=HKCU folder="$local_appdata\\Programs\\Malvor" start_menu=$user_start_menu
    environment='HKCU\Environment'
  else
    root=HKLM folder="$program_files\\Malvor" start_menu=$common_start_menu
    environment='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
  fi
  installed=$(unix_path "$folder")
}
# What the installer may touch, as a listing to compare before and after.
snapshot() {
  echo "[install folder]"
  [ ! -e "$installed" ] || (cd "$(dirname "$installed")" && find "$(basename "$installed")" | sort)
  echo "[start menu]"
  find "$start_menu" -iname '*malvor*' 2>/dev/null | sort
  for key in "$app_key" "$uninstall_key" 'Software\Classes\.net' 'Software\Classes\.lbr' \
    'Software\Classes\.csv'; do
    echo "[$root\\$key]"
    wine reg query "$root\\$key" /s 2>/dev/null | tr -d '\r' || true
  done
  echo "[PATH]"
  reg_value "$environment" Path
}
# Runs an installer silently and checks its exit status.
install() {
  local status=0
  wine "$@" >>"$work/wine.log" 2>&1 || status=$?
  [ "$status" = 0 ] || fail "$(basename "$1") ${*:2} ended with $status"
}
# The ids of this prefix's copies of an uninstaller (NSIS runs them from a ~nsu folder of TEMP).
uninstaller_copies() {
  local cmdline pid
  for cmdline in /proc/[0-9]*/cmdline; do
    pid=${cmdline#/proc/}
    pid=${pid%/cmdline}
    tr '\0' ' ' <"$cmdline" 2>/dev/null | grep -qF '~nsu' || continue
    if grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null; then echo "$pid"; fi
  done
  return 0
}
# The uninstaller copies itself away and starts the copy, so `wine` returns at once. The
# uninstall is done when the copy has removed the install folder (its last step) and has ended:
# while it ends, Wine may fail to start the next program (`wine reg` printing "ShellExecuteEx
# failed" instead of the key), so its ids are waited for.
uninstall() {
  local deadline=$((SECONDS + 120))
  wine "$installed/uninstall.exe" "$@" >>"$work/wine.log" 2>&1 || fail "uninstall.exe $* failed"
  while [ -e "$installed" ] || [ -n "$(uninstaller_copies)" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "uninstall.exe $* left $installed or did not end"
    sleep 0.2
  done
}
# The installed files are the ZIP's and the uninstaller.
check_files() {
  (cd "$stage" && find . -type f | sort) >"$work/expected-files"
  echo ./uninstall.exe >>"$work/expected-files"
  sort -o "$work/expected-files" "$work/expected-files"
  (cd "$installed" && find . -type f | sort) >"$work/installed-files"
  diff "$work/expected-files" "$work/installed-files" >&2 || fail "the installed files are not the ZIP's"
  while IFS= read -r file; do
    [ "$file" = ./uninstall.exe ] || cmp -s "$stage/$file" "$installed/$file" \
      || fail "$file differs from the ZIP's"
  done <"$work/expected-files"
}
# One entry, of this version, with everything "Apps & features" shows.
check_keys() {
  local key="$root\\$uninstall_key" entries
  entries=$(for hive in HKCU HKLM; do
    wine reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null || true
  done | tr -d '\r' | grep -c '^    DisplayName    REG_SZ    Malvor$') || true
  [ "$entries" = 1 ] || fail "$entries uninstall entries named Malvor"
  [ "$(reg_value "$key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
  [ "$(reg_value "$key" Publisher)" = "The Malvor developers" ] || fail "no Publisher"
  [ "$(reg_value "$key" InstallLocation)" = "$folder" ] || fail "InstallLocation is not $folder"
  [ "$(reg_value "$key" DisplayIcon)" = "$folder\\malvor.exe,0" ] || fail "no DisplayIcon"
  [[ $(reg_value "$key" UninstallString) == "\"$folder\\uninstall.exe\" /"* ]] \
    || fail "no UninstallString"
  [[ $(reg_value "$key" EstimatedSize) =~ ^0x[0-9a-f]*[1-9a-f] ]] || fail "no EstimatedSize"
  [ "$(reg_default "$root\\$app_key\\shell\\open\\command")" = "\"$folder\\malvor.exe\" \"%1\"" ] \
    || fail "no open command for \"Open with\""
  for type in .net .lbr .csv; do
    wine reg query "$root\\$app_key\\SupportedTypes" /v "$type" >/dev/null 2>&1 \
      || fail "\"Open with\" lacks $type"
    ! wine reg query "$root\\Software\\Classes\\$type" >/dev/null 2>&1 \
      || fail "the installer took $type"
  done
}
# The Start menu's "Malvor" starts the installed window (the target in the shortcut's link
# information).
check_shortcut() {
  local target
  target=$(python3 - "$start_menu/Malvor.lnk" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
position = 0x4C
if flags & 0x1:  # an item id list first
    position += 2 + struct.unpack_from("<H", data, position)[0]
if not flags & 0x2:
    sys.exit("no link information")
base = struct.unpack_from("<I", data, position + 16)[0]
print(data[position + base:data.index(b"\0", position + base)].decode("latin-1"))
EOF
  ) || fail "cannot read $start_menu/Malvor.lnk"
  [ "$target" = "$folder\\malvor.exe" ] || fail "the shortcut starts $target"
}
# The installed converter writes the example's script as the Linux one does.
check_converter() {
  local side
  for side in linux windows; do
    rm -rf "$work/$side" && mkdir -p "$work/$side"
    cp "$project/examples/amplifier.net" "$work/$side/"
  done
  (cd "$work/linux" && "$linux_convert" amplifier.net empty.lbr) >/dev/null \
    || fail "the Linux converter failed"
  (cd "$work/windows" && wine "$installed/malvor-convert.exe" amplifier.net empty.lbr) \
    >>"$work/wine.log" 2>&1 || fail "the installed converter failed"
  cmp "$work/linux/amplifier.scr" "$work/windows/amplifier.scr" \
    || fail "the installed converter's script differs"
}
# The installer and the uninstaller carry the version record (its strings in UTF-16) and every
# picture of the program's icon.
check_resources() {
  python3 - "$project/resources/malvor.ico" "$short_version" "$@" <<'EOF' || fail "$*: no version record or icon"
import struct, sys
icon = open(sys.argv[1], "rb").read()
count = struct.unpack_from("<H", icon, 4)[0]
pictures = []
for entry in range(count):
    size, offset = struct.unpack_from("<II", icon, 6 + 16 * entry + 8)
    pictures.append(icon[offset:offset + size])
wanted = ("ProductVersion\0" + sys.argv[2]).encode("utf-16-le")
for program in sys.argv[3:]:
    data = open(program, "rb").read()
    if wanted not in data or not all(picture in data for picture in pictures):
        sys.exit(program)
EOF
}

# The older build: these files and one more, with a lower version.
older="$work/older"
mkdir -p "$older"
echo "left by the older build" >"$older/obsolete.txt"
sed -E 's/^(!define MALVOR_VERSION )".*"/\1"0.9.0"/; s/^(!define MALVOR_VERSION_(MAJOR|MINOR)) .*/\1 0/;
  s/^(!define MALVOR_VERSION_SHORT )".*"/\1"0.90"/; s/^(!define MALVOR_VERSION_DOTTED )".*"/\1"0.9.0.0"/;
  s/^(!define MALVOR_SETUP_FILE )".*"/\1"malvor-0.9.0-win64-setup.exe"/' \
  "$generated/version.nsh" >"$older/version.nsh"
{ cat "$generated/files.nsh"; echo "SetOutPath \"\$INSTDIR\""; echo "File \"$older/obsolete.txt\""; } \
  >"$older/files.nsh"
{ echo "Delete \"\$INSTDIR\\obsolete.txt\""; cat "$generated/unfiles.nsh"; } >"$older/unfiles.nsh"
cp "$generated/licence.txt" "$older/"
makensis -WX -V1 -NOCD "-DMALVOR_GENERATED=$older" "-DMALVOR_OUTDIR=$older" \
  "$project/packaging/windows/malvor.nsi" >&2

check_resources "$setup"

# For the current user (the default), with the folder put on PATH.
scope current
snapshot >"$work/current-before.txt"
install "$older/malvor-0.9.0-win64-setup.exe" /S
[ -f "$installed/obsolete.txt" ] || fail "the older build did not install"
install "$setup" /S /AddToPath
[ ! -e "$installed/obsolete.txt" ] || fail "the upgrade left the older build's file"
check_files
check_keys
check_shortcut
[[ ";$(reg_value "$environment" Path);" == *";$folder;"* ]] || fail "the folder is not on PATH"
check_resources "$installed/uninstall.exe"
check_converter
# The installed window, as "Open with" starts it, through the whole end-to-end run.
WINEPATH= MALVOR_CONVERT="wine $installed/malvor-convert.exe" \
  "$project/scripts/window_e2e.sh" "$work/e2e" wine "$installed/malvor.exe"
for script in amplifier.scr board.scr; do
  cmp "$build/e2e-linux/$script" "$work/e2e/$script" || fail "the installed window's $script differs"
done
# The window's settings, as it keeps them.
wine reg add 'HKCU\Software\Malvor\Malvor' /v kept /d yes /f >/dev/null 2>&1
uninstall /S /CurrentUser
snapshot >"$work/current-after.txt"
diff "$work/current-before.txt" "$work/current-after.txt" >&2 \
  || fail "the uninstall did not leave things as they were"
[ "$(reg_value 'HKCU\Software\Malvor\Malvor' kept)" = yes ] || fail "the uninstall removed the settings"

# For all users; then a file lost and the same version installed again puts it back.
scope all
snapshot >"$work/all-before.txt"
install "$setup" /S /AllUsers
rm "$installed/malvor-convert.exe"
install "$setup" /S /AllUsers
check_files
check_keys
check_shortcut
check_converter
uninstall /S /AllUsers /RemoveSettings
snapshot >"$work/all-after.txt"
diff "$work/all-before.txt" "$work/all-after.txt" >&2 \
  || fail "the uninstall for all users did not leave things as they were"
! wine reg query 'HKCU\Software\Malvor' >/dev/null 2>&1 || fail "/RemoveSettings kept the settings"
echo "installer: installed, upgraded, repaired and uninstalled for the current user and for all" \
  "users; $(wc -l <"$work/expected-files") files, the converter's bytes and the window's" \
  "scripts as the Linux build's" >&2
