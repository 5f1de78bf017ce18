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
