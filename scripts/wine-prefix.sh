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

# Whether the user's registry holds, under the key $1, the value $2 as user.reg writes it
# ("NAME"="DATA").
holds() {
  awk -v key="[$1]" -v value="$2" '/^\[/ { here = index($0, key) == 1 }
       here && index($0, value) == 1 { found = 1 } END { exit !found }' "$prefix/user.reg"
}
# Sets the value $3 to $4 under the key named $1 in user.reg and $2 for reg.exe, where the prefix
# does not hold it yet.
keep() {
  holds "$1" "\"$3\"=\"$4\"" && return
  PRAVIX_WINE_TIMEOUT=60 "$wine_run" reg add "$2" /v "$3" /d "$4" /f >/dev/null 2>&1 || true
  # The registry reaches user.reg when the prefix's wineserver ends.
  WINEPREFIX="$prefix" timeout 60 wineserver -w || true
  holds "$1" "\"$3\"=\"$4\"" || { echo "could not set $3=$4 in the Wine prefix" >&2; exit 1; }
}

# Xvfb has no window manager: a managed window then waits 2 s for the "withdrawn" state each time
# it is hidden or destroyed. Windows that Wine does not hand to a window manager do not wait.
keep 'Software\\\\Wine\\\\X11 Driver' 'HKCU\Software\Wine\X11 Driver' Managed N
# In the tests' shared prefix a web address (a projector opened by Go, a link of the About box)
# goes nowhere: Wine would hand it to the machine's own browser, whose windows stay on the display
# and keep the test's output open long after the test. The tests that play in a browser have
# prefixes of their own and name their browser themselves.
[ $# -gt 0 ] || keep 'Software\\\\Wine\\\\WineBrowser' 'HKCU\Software\Wine\WineBrowser' Browsers true

# Wine's own fonts ("MS Sans Serif", and Marlett for the caption buttons) are not found where
# Debian puts them; without them the windows are drawn with wider fonts than they are made for.
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
  [ -e "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
done
