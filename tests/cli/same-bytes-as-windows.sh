#!/usr/bin/env bash
# pravix and Pravix.exe (under Wine and Xvfb) write the same projector and screen saver, byte for
# byte, for the same movies and stubs. Skipped (77) without the win64 build. Pravix.exe runs in the
# Wine prefix PREFIX, made by the first run.
# Usage: same-bytes-as-windows.sh PRAVIX WIN64_BUILD MOVIE PREFIX
set -euo pipefail
pravix="$1" win64="$2" movie="$3" prefix="$4"
bin="$win64/bin"
wine_run="$win64/wine-run.sh"
for needed in "$bin/Pravix.exe" "$bin/Player.exe" "$bin/Quendel.dll" "$wine_run"; do
  [ -e "$needed" ] || { echo "skipped: $needed is missing (scripts/build.sh)"; exit 77; }
done
command -v xvfb-run >/dev/null || { echo "skipped: no xvfb-run"; exit 77; }
bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix.sh" "$prefix"
export PRAVIX_WINEPREFIX="$prefix"

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-same-bytes.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/windows" "$work/native"
cp "$movie" "$work/windows/intro.swf"
head -c 300000 /dev/urandom >"$work/windows/noise.swf"
cp "$work/windows/"*.swf "$work/native/"

winpath() { echo "Z:${1//\//\\}"; }
for name in intro noise; do
  xvfb-run -a "$wine_run" "$bin/Pravix.exe" "$(winpath "$work/windows/$name.swf")" 2>/dev/null
  xvfb-run -a "$wine_run" "$bin/Pravix.exe" "$(winpath "$work/windows/$name.swf")" SCR 2>/dev/null
  "$pravix" pack "$work/native/$name.swf" --stub "$bin/Player.exe"
  "$pravix" pack "$work/native/$name.swf" --screen-saver --stub "$bin/Quendel.dll"
  for result in "$name.exe" "$name.scr"; do
    cmp "$work/windows/$result" "$work/native/$result"
    echo "$result: $(stat -c %s "$work/native/$result") bytes, the same from pravix and Pravix.exe"
  done
done
WINEPREFIX="$prefix" timeout 30 wineserver -k 2>/dev/null || true
