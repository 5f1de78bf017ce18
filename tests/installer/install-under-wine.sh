#!/usr/bin/env bash
# The x64 package under Wine, in a new prefix of the test's own (removed afterwards, so the shared
# prefix never changes): msiexec /i /qn puts the files, the Start-menu shortcut, "Open with" and the
# uninstall entry in place; the installed Pravix.exe packs a movie; msiexec /x /qn then leaves no
# file and no registry entry that names the program.
# Usage: install-under-wine.sh PACKAGE.msi WINE_RUN BIN SOURCE_ROOT
set -euo pipefail
msi="$1" wine_run="$2" bin="$3" root="$4"
source "$(dirname "${BASH_SOURCE[0]}")/shipped.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-install.XXXXXX")"
export PRAVIX_WINEPREFIX="$work/prefix"
cleanup() {
  WINEPREFIX="$PRAVIX_WINEPREFIX" timeout 30 wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
winpath() { echo "Z:${1//\//\\}"; }
# Wine's own processes, started by the first program of a prefix, keep its output open: none here.
run() { "$wine_run" "$@" </dev/null >/dev/null 2>&1; }
# The whole registry as text, one value a line under its [key].
registry() {
  run regedit /E "$(winpath "$work/registry.reg")"
  iconv -f UTF-16 -t UTF-8 "$work/registry.reg" | tr -d '\r'
}
# The lines of one key in registry()'s text.
key() { KEY="[$1]" awk '$0 == ENVIRON["KEY"] { here = 1; next } /^\[/ { here = 0 } here && NF' "$2"; }
expect_key() {
  local name="$1" file="$2"
  shift 2
  local line
  for line in "$@"; do
    key "$name" "$file" | grep -qxF -- "$line" || fail "[$name] has no $line"
  done
}

# Each run's new prefix is a copy of one made once beside the build's own and never run in: Wine
# takes most of this test's time to make a prefix.
template="$(dirname "$wine_run")/installer-wineprefix"
if [ ! -f "$template/system.reg" ]; then
  rm -rf "$template"
  PRAVIX_WINEPREFIX="$template" PRAVIX_WINE_TIMEOUT=180 run wineboot -i || fail "no Wine prefix"
  WINEPREFIX="$template" timeout 60 wineserver -w
fi
cp -a "$template" "$PRAVIX_WINEPREFIX"
drive_c="$PRAVIX_WINEPREFIX/drive_c"

# Windows Installer may take its time under Wine.
PRAVIX_WINE_TIMEOUT=300 run msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i: $?"
product="$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }')"

folder="$drive_c/Program Files/Pravix"
[ "$(ls "$folder")" = "$(shipped_files "$bin" "$root" | xargs -d '\n' -n1 basename)" ] ||
  fail "$folder holds $(ls "$folder" | tr '\n' ' ')"
shipped_files "$bin" "$root" | while read -r source; do cmp "$source" "$folder/${source##*/}"; done

# Wine: ProgramMenuFolder is the user's Start menu even in a per-machine installation (Windows
# gives the common one), so the shortcut is looked for in both.
shortcut="$(find "$drive_c/ProgramData" "$drive_c/users" -path '*/Start Menu/Programs/Pravix.lnk')"
[ -n "$shortcut" ] || fail "no Start-menu shortcut Pravix.lnk"
grep -qaF 'C:\Program Files\Pravix\Pravix.exe' "$shortcut" || fail "the shortcut leads elsewhere"

registry >"$work/installed.txt"
classes='HKEY_LOCAL_MACHINE\Software\Classes'
expect_key "$classes\\Applications\\Pravix.exe\\shell\\open\\command" "$work/installed.txt" \
  '@="\"C:\\Program Files\\Pravix\\Pravix.exe\" \"%1\""'
expect_key "$classes\\Applications\\Pravix.exe\\SupportedTypes" "$work/installed.txt" \
  '".swf"=""' '".exe"=""'
grep -qxF "[$classes\\.swf\\OpenWithList\\Pravix.exe]" "$work/installed.txt" ||
  fail "Pravix.exe is not in the .swf files' Open with list"
# Apps & Features; Wine keeps the icon with the product's registration, not in this entry.
expect_key "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" \
  "$work/installed.txt" '"DisplayName"="Pravix"' '"DisplayVersion"="2.0.0.100"' \
  '"Publisher"="Pravix Project"' '"HelpLink"="http://www.pravix.example/"'
[ -s "$drive_c/windows/Installer/$product/Pravix.ico" ] || fail "no product icon"

# The installed program packs a movie: Player.exe, the movie, 56 34 12 FA and its length.
head -c 70000 /dev/urandom >"$work/movie.swf"
PRAVIX_WINE_TIMEOUT=120 run 'C:\Program Files\Pravix\Pravix.exe' "$(winpath "$work/movie.swf")" ||
  fail "the installed Pravix.exe failed: $?"
{
  cat "$bin/Player.exe" "$work/movie.swf"
  printf '\x56\x34\x12\xfa\x70\x11\x01\x00'
} >"$work/expected.exe"
cmp "$work/expected.exe" "$work/movie.exe" || fail "the projector is not Player.exe + movie + trailer"

PRAVIX_WINE_TIMEOUT=300 run msiexec /x "$(winpath "$msi")" /qn || fail "msiexec /x: $?"
left="$(find "$drive_c" -iname '*pravix*' -o -iname "$product")"
[ -z "$left" ] || fail "left after uninstalling: $left"
registry >"$work/after.txt"
left="$(grep -i -e pravix -e "$product" "$work/after.txt" || true)"
[ -z "$left" ] || fail "left in the registry after uninstalling: $left"
echo "Installed $(basename "$msi") under Wine, packed a movie with the installed Pravix.exe," \
  "uninstalled it: nothing left."
