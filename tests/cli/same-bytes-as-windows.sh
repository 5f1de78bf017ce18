#!/usr/bin/env bash
# pravix and Pravix.exe (under Wine and Xvfb) write the same projector and screen saver, byte for
# byte, for the same movies and stubs, and for a game with an options file beside it. Skipped (77) without the win64 build. Pravix.exe runs in the
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
cp "$movie" "$work/windows/game.swf"
# The game's options: its icon, title, version and full screen, and a folder it carries.
mkdir -p "$work/windows/art" "$work/windows/assets/levels"
python3 -c 'import struct, sys
pixels = bytes(range(256)) * 4 + bytes(64)
image = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 32, 0, 0, 0, 0, 0, 0) + pixels
sys.stdout.buffer.write(struct.pack("<HHH", 0, 1, 1) +
                        struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(image), 22) + image)' \
  >"$work/windows/art/game.ico"
echo "<level n='1'/>" >"$work/windows/assets/levels/1.xml"
printf '[Projector]\r\nInclude=assets\r\nIcon=art\\game.ico\r\nTitle=Sky Runner \xd0\x9d\xd0\xb5\xd0\xb1\xd0\xbe\r\nFullScreen=yes\r\n[Version]\r\nProductName=Sky Runner\r\nFileVersion=1.2.3.4\r\n' \
  >"$work/windows/game.pravix.ini"
cp -r "$work/windows/." "$work/native/"

winpath() { echo "Z:${1//\//\\}"; }
for name in intro noise game; do
  xvfb-run -a "$wine_run" "$bin/Pravix.exe" "$(winpath "$work/windows/$name.swf")" 2>/dev/null
  xvfb-run -a "$wine_run" "$bin/Pravix.exe" "$(winpath "$work/windows/$name.swf")" SCR 2>/dev/null
  "$pravix" pack "$work/native/$name.swf" --stub "$bin/Player.exe"
  "$pravix" pack "$work/native/$name.swf" --screen-saver --stub "$bin/Quendel.dll"
  for result in "$name.exe" "$name.scr"; do
    cmp "$work/windows/$result" "$work/native/$result"
    echo "$result: $(stat -c %s "$work/native/$result") bytes, the same from pravix and Pravix.exe"
  done
done
# Both wore the game's options.
"$pravix" info "$work/native/game.exe" | grep -qx '  title: Sky Runner Небо'
"$pravix" info "$work/native/game.scr" | grep -qx '  title: Sky Runner Небо'
WINEPREFIX="$prefix" timeout 30 wineserver -k 2>/dev/null || true
