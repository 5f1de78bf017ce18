#!/usr/bin/env bash
# The portable zip holds one folder, Pravix, with exactly the shipped files, byte for byte.
# Skipped (77) without the release build.
# Usage: zip-contents.sh PACKAGE.zip BIN SOURCE_ROOT
set -euo pipefail
zip="$1" bin="$2" root="$3"
[ -f "$zip" ] || { echo "skipped: $zip is missing (scripts/build.sh)"; exit 77; }
source "$(dirname "${BASH_SOURCE[0]}")/shipped.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-zip.XXXXXX")"
trap 'rm -rf "$work"' EXIT
(cd "$work" && unzip -q "$zip")
actual="$(cd "$work" && find . -mindepth 1 | sort)"
expected="$({ echo ./Pravix; shipped_files "$bin" "$root" | sed 's|.*/|./Pravix/|'; } | sort)"
if [ "$actual" != "$expected" ]; then
  printf 'FAILED: %s holds\n%s\ninstead of\n%s\n' "$zip" "$actual" "$expected" >&2
  exit 1
fi
while read -r source; do
  cmp "$source" "$work/Pravix/$(basename "$source")"
done < <(shipped_files "$bin" "$root")
echo "$(basename "$zip"): the Pravix folder with $(ls "$work/Pravix" | wc -l) files, all as built."
