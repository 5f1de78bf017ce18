#!/usr/bin/env bash
# Makes the win64 build's private Wine prefix once (the first start of a prefix is slow), or the
# prefix named as the argument (a test's own).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
wine_run="$root/build/win64/wine-run.sh"
prefix="${1:-$root/build/win64/wineprefix}"
export PRAVIX_WINEPREFIX="$prefix"
if [ ! -f "$prefix/system.reg" ]; then
  PRAVIX_WINE_TIMEOUT=180 "$wine_run" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" timeout 60 wineserver -w || true
fi
[ -f "$prefix/system.reg" ] || { echo "could not make the Wine prefix" >&2; exit 1; }

# Xvfb has no window manager: a managed window then waits 2 s for the "withdrawn" state each time
# it is hidden or destroyed. Windows that Wine does not hand to a window manager do not wait.
unmanaged() {
  awk '/^\[/ { here = index($0, "[Software\\\\Wine\\\\X11 Driver]") == 1 }
       here && /^"Managed"="N"/ { found = 1 } END { exit !found }' "$prefix/user.reg"
}
if ! unmanaged; then
  PRAVIX_WINE_TIMEOUT=60 "$wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1 || true
  # The registry reaches user.reg when the prefix's wineserver ends.
  WINEPREFIX="$prefix" timeout 60 wineserver -w || true
  unmanaged || { echo "could not set Managed=N in the Wine prefix" >&2; exit 1; }
fi

# Wine's own fonts ("MS Sans Serif", and Marlett for the caption buttons) are not found where
# Debian puts them; without them the windows are drawn with wider fonts than they are made for.
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
  [ -e "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
done
