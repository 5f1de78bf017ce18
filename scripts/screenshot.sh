#!/usr/bin/env bash
# Takes a picture of the program under Xvfb:
#   scripts/screenshot.sh OUTPUT.png [--keys "KEYS"] [ARGUMENTS...]
# runs Pravix.exe (win64 build) with ARGUMENTS on an 800x600 Wine desktop, types KEYS (xdotool key
# names, such as "alt+h a" for Help > About) once its window is drawn, and crops to what it shows.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
[ $# -ge 1 ] || { echo "usage: $0 OUTPUT.png [PROGRAM ARGUMENTS...]" >&2; exit 2; }
output="$(realpath -m "$1")"
shift
keys=""
if [ "${1:-}" = "--keys" ]; then
  keys="$2"
  shift 2
fi
pravix="$root/build/win64/bin/Pravix.exe"
[ -f "$pravix" ] || { echo "$pravix is missing; run scripts/build.sh" >&2; exit 1; }
bash "$root/scripts/wine-prefix.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-shot.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Runs inside one Xvfb: starts the program on a Wine desktop of its own, waits until its window
# is drawn, takes the root window, and ends only the program it started.
cat >"$work/shot.sh" <<'INNER'
set -euo pipefail
wine_run="$1" pravix="$2" raw="$3" keys="$4"
shift 4
"$wine_run" explorer "/desktop=shot,800x600" "$pravix" "$@" >/dev/null 2>&1 &
program=$!
# The desktop is drawn first, the window over it: wait until the picture stops changing.
settle() {
  local previous="" current
  for _ in $(seq 1 60); do
    sleep 1
    import -window root "$raw" 2>/dev/null || continue
    current="$(md5sum <"$raw")"
    [ -n "$previous" ] && [ "$current" = "$previous" ] && [ "$(convert "$raw" -format '%k' info:)" -gt 2 ] && return
    previous="$current"
  done
}
settle
if [ -n "$keys" ]; then
  # shellcheck disable=SC2086
  xdotool key --delay 300 $keys
  settle
fi
# The program runs as a child of the desktop's process, which is a child of the one started here:
# end that tree, deepest first, by process id.
tree() { local child; for child in $(ps -o pid= --ppid "$1"); do tree "$child"; done; echo "$1"; }
for pid in $(tree "$program"); do kill "$pid" 2>/dev/null || true; done
wait "$program" 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 800x600x24" bash "$work/shot.sh" "$root/build/win64/wine-run.sh" \
  "$pravix" "$work/root.png" "$keys" "$@"

# The frame is the only thing on the desktop: crop to what differs from the desktop's colour.
convert "$work/root.png" -bordercolor "$(convert "$work/root.png" -format '%[pixel:p{0,0}]' info:)" \
  -border 1 -trim +repage "$output"
echo "Wrote $output ($(identify -format '%wx%h' "$output"))."
