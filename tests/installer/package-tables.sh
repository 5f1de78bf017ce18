#!/usr/bin/env bash
# The release (i686) package, which cannot run here, checked by its tables: per machine into
# Program Files (x86)\Pravix with the shipped files as 32-bit components, the Start-menu shortcut,
# the "Open with" registration, the product's version, maker and links, and the major upgrade.
# Skipped (77) without the release build.
# Usage: package-tables.sh PACKAGE.msi BIN SOURCE_ROOT
set -euo pipefail
msi="$(realpath "$1")" bin="$2" root="$3"
[ -f "$msi" ] || { echo "skipped: $msi is missing (scripts/build.sh)"; exit 77; }
source "$(dirname "${BASH_SOURCE[0]}")/shipped.sh"

# msiinfo writes a table's binary streams (the icon) to a folder of the table's name.
work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-tables.XXXXXX")"
trap 'rm -rf "$work"' EXIT
status=0
# A table's rows (msiinfo's three header lines left out), tab-separated, sorted.
table() { (cd "$work" && msiinfo export "$msi" "$1") | tr -d '\r' | tail -n +4 | sort; }
# The rows of TABLE, cut to FIELDS, are exactly the lines that follow.
expect_rows() {
  local name="$1" fields="$2" actual expected
  shift 2
  actual="$(table "$name" | cut -f"$fields" | sort)"
  expected="$(printf '%s\n' "$@" | sort)"
  if [ "$actual" != "$expected" ]; then
    printf 'FAILED: the %s table (fields %s) holds\n%s\ninstead of\n%s\n' "$name" "$fields" \
      "$actual" "$expected" >&2
    status=1
  fi
}
# Every line that follows is a row of TABLE.
expect_among() {
  local name="$1" rows
  shift
  rows="$(table "$name")"
  for row in "$@"; do
    grep -qxF -- "$row" <<<"$rows" || { echo "FAILED: the $name table has no row: $row" >&2; status=1; }
  done
}

# One component per file, and one for the shell's entries (4: keyed by a registry value), all in
# INSTALLDIR and none 64-bit (256).
files=() components=("INSTALLDIR	4") bytes=0
while read -r source; do
  size=$(stat -c %s "$source")
  files+=("$(basename "$source")	$size")
  components+=("INSTALLDIR	0")
  bytes=$((bytes + size))
done < <(shipped_files "$bin" "$root")
expect_rows File 3,4 "${files[@]}"
expect_rows Component 3,4 "${components[@]}"
expect_rows Directory 1-3 "INSTALLDIR	ProgramFilesFolder	Pravix" "ProgramFilesFolder	TARGETDIR	." \
  "ProgramMenuFolder	TARGETDIR	." "TARGETDIR		SourceDir"
expect_rows Shortcut 2,3,5,12 "ProgramMenuFolder	Pravix	[#Pravix.exe]	INSTALLDIR"
expect_rows Registry 2-5 \
  '0	Applications\Pravix.exe\shell\open\command		"[#Pravix.exe]" "%1"' \
  '0	Applications\Pravix.exe	FriendlyAppName	Pravix' \
  '0	Applications\Pravix.exe\SupportedTypes	.swf	' \
  '0	Applications\Pravix.exe\SupportedTypes	.exe	' \
  '0	.swf\OpenWithList\Pravix.exe		'
expect_among Property "ProductName	Pravix" "ProductVersion	2.0.0.100" "Manufacturer	Pravix Project" \
  "UpgradeCode	{A47926FF-77EF-43B0-A0FD-301063F784C0}" "ALLUSERS	1" \
  "ARPPRODUCTICON	Pravix.ico" "ARPHELPLINK	http://www.pravix.example/" \
  "ARPSIZE	$(((bytes + 1023) / 1024))"
expect_rows Icon 1 "Pravix.ico"
# The major upgrade: any older version of the same UpgradeCode is found and removed first.
expect_among Upgrade "{A47926FF-77EF-43B0-A0FD-301063F784C0}		2.0.0.100		1		WIX_UPGRADE_DETECTED"
table InstallExecuteSequence | grep -q '^RemoveExistingProducts	' ||
  { echo "FAILED: RemoveExistingProducts is not sequenced" >&2; status=1; }
msiinfo suminfo "$msi" | grep -qx 'Template: Intel;1033' ||
  { echo "FAILED: not a 32-bit package: $(msiinfo suminfo "$msi" | grep Template)" >&2; status=1; }

[ "$status" -eq 0 ] && echo "$(basename "$msi"): files, folders, shortcut, registry, version and upgrade as they should be."
exit "$status"
