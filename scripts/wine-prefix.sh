#!/usr/bin/env bash
# Makes the win64 build's private Wine prefix once (the first start of a prefix is slow).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
wine_run="$root/build/win64/wine-run.sh"
if [ ! -f "$root/build/win64/wineprefix/system.reg" ]; then
  PRAVIX_WINE_TIMEOUT=180 "$wine_run" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$root/build/win64/wineprefix" timeout 60 wineserver -w || true
fi
[ -f "$root/build/win64/wineprefix/system.reg" ] || { echo "could not make the Wine prefix" >&2; exit 1; }

# Wine's own fonts ("MS Sans Serif", and Marlett for the caption buttons) are not found where
# Debian puts them; without them the windows are drawn with wider fonts than they are made for.
fonts="$root/build/win64/wineprefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
  [ -e "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
done
