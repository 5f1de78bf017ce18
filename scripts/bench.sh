#!/usr/bin/env bash
# Measures packing and extraction against a plain copy and cat (native, optimised build), then
# Pravix.exe under Wine against cat. Prints one table; the movies live in a temporary folder.
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

# Pravix.exe itself, command-line mode, under Wine and Xvfb: the time includes starting Wine.
pravix="$root/build/win64/bin/Pravix.exe"
if [ ! -f "$pravix" ]; then
  echo
  echo "Pravix.exe under Wine: not measured ($pravix is missing; run scripts/build.sh)."
  exit 0
fi
bash "$root/scripts/wine-prefix.sh"
head -c $((256 * 1024 * 1024)) /dev/urandom >"$work/movie.swf"
head -c 100 /dev/urandom >"$work/tiny.swf"

# Runs inside one Xvfb, so that only Wine's and the program's start-up are timed.
cat >"$work/wine-bench.sh" <<'INNER'
set -euo pipefail
wine_run="$1" pravix="$2" stub="$3" work="$4"
winpath() { echo "Z:${1//\//\\}"; }
now() { date +%s%N; }
best() { # best of three after a warm-up run, in nanoseconds
  local best_ns=0 start t
  for run in 0 1 2 3; do
    rm -f "$work/movie.exe" "$work/tiny.exe" "$work/cat.out"
    start=$(now)
    "$@" >/dev/null 2>&1
    t=$(($(now) - start))
    if [ "$run" -gt 0 ] && { [ "$best_ns" -eq 0 ] || [ "$t" -lt "$best_ns" ]; }; then best_ns=$t; fi
  done
  echo "$best_ns"
}
pack() { "$wine_run" "$pravix" "$(winpath "$1")" && [ -f "${1%.swf}.exe" ]; }
cat_movie() { cat "$stub" "$work/movie.swf" >"$work/cat.out"; }
pravix_ns=$(best pack "$work/movie.swf")
tiny_ns=$(best pack "$work/tiny.swf")
cat_ns=$(best cat_movie)
expected=$(($(stat -c %s "$stub") + 256 * 1024 * 1024 + 8))
pack "$work/movie.swf"
[ "$(stat -c %s "$work/movie.exe")" -eq "$expected" ] || { echo "Pravix.exe wrote a wrong size" >&2; exit 1; }
awk -v p="$pravix_ns" -v t="$tiny_ns" -v c="$cat_ns" 'BEGIN {
  mib = 256
  printf "\nPravix.exe under Wine and Xvfb, 256 MiB movie, best of 3 after a warm-up run:\n"
  printf "| Case | Seconds | MiB/s | Time / cat |\n|------|--------:|------:|-----------:|\n"
  printf "| cat stub movie | %.3f | %.0f | 1.00 |\n", c / 1e9, mib / (c / 1e9)
  printf "| Pravix.exe movie.swf | %.3f | %.0f | %.2f |\n", p / 1e9, mib / (p / 1e9), p / c
  printf "| Pravix.exe tiny.swf (100 bytes: Wine start-up) | %.3f | - | - |\n", t / 1e9
  printf "| Pravix.exe, start-up taken off | %.3f | %.0f | %.2f |\n", (p - t) / 1e9, mib / ((p - t) / 1e9), (p - t) / c
}'
INNER
xvfb-run -a bash "$work/wine-bench.sh" "$root/build/win64/wine-run.sh" "$pravix" "$stub" "$work"
WINEPREFIX="$root/build/win64/wineprefix" timeout 30 wineserver -w 2>/dev/null || true
