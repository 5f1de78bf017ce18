#!/usr/bin/env bash
# Measures packing and extraction against a plain copy and cat (native, optimised build), then
# Pravix.exe under Wine against a plain copy (scripts/bench-wine.sh). The movies live in temporary
# folders.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

tree="$root/build/bench"
[ -f "$tree/build.ninja" ] ||
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRAVIX_TESTS=OFF \
    -DPRAVIX_BENCH=ON >/dev/null
cmake --build "$tree" --target pravix_bench >"$tree/build.log" 2>&1 || {
  cat "$tree/build.log" >&2
  exit 1
}

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

stub="$root/build/win64/bin/Player.exe"
stub_option=()
[ -f "$stub" ] && stub_option=(--stub "$stub")
"$tree/bench/pravix_bench" --dir "$work" "${stub_option[@]}" "$@"

# Pravix.exe itself, command-line mode, under Wine and Xvfb.
if [ ! -f "$root/build/win64/bin/Pravix.exe" ]; then
  echo
  echo "Pravix.exe under Wine: not measured (run scripts/build.sh first)."
  exit 0
fi
MIB="${MIB:-256}" ROUNDS="${ROUNDS:-5}" bash "$root/scripts/bench-wine.sh"

# The projector playing: start, first frame in Chromium, memory while serving, size.
echo
ROUNDS="${ROUNDS:-7}" bash "$root/scripts/bench-player.sh"
