#!/usr/bin/env bash
# Pravix.exe under Wine and Xvfb, command-line mode: packing (movie.swf -> movie.exe) and
# extraction (big.exe -> big.swf) against a plain 61,440-byte ReadFile/WriteFile copy.
# The page cache is dropped before every run (needs root), the cases alternate (the order turns
# every round), and each case's median is printed with the Wine start-up taken off (a 100-byte
# input for Pravix.exe, a 100-byte file for the copy program).
# Environment: PRAVIX_BIN (folder with Pravix.exe, Player.exe, Quendel.dll; default
# build/win64/bin), MIB (movie size, default 512), ROUNDS (default 7). Runs in the build's own
# Wine prefix (Managed=N, see scripts/wine-prefix.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$(cd "${PRAVIX_BIN:-$root/build/win64/bin}" && pwd)"
mib="${MIB:-512}"
rounds="${ROUNDS:-7}"
[ "$(id -u)" -eq 0 ] || { echo "dropping the page cache needs root" >&2; exit 1; }
[ -f "$bin/Pravix.exe" ] || { echo "$bin/Pravix.exe is missing" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-wine-bench.XXXXXX")"
bash "$root/scripts/wine-prefix.sh"
export WINEPREFIX="$root/build/win64/wineprefix" WINEDEBUG=-all
cleanup() { timeout 30 wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

x86_64-w64-mingw32-g++-posix -O2 -Wall -Wextra -Werror -static -o "$work/plaincopy.exe" \
  "$root/bench/PlainCopyWin32.cpp"

data="$work/data"
mkdir -p "$data"
cp "$bin/Pravix.exe" "$bin/Player.exe" "$bin/Quendel.dll" "$work/"
head -c $((mib * 1024 * 1024)) /dev/urandom >"$data/movie.swf"
head -c 100 /dev/urandom >"$data/tiny.swf"

cat >"$work/inner.sh" <<'INNER'
set -uo pipefail
work="$1" rounds="$2" data="$1/data"
winpath() { echo "Z:${1//\//\\}"; }
run() { timeout 120 wine "$@" >/dev/null 2>&1; }
timeout 60 wineserver -p 600
# The projectors to extract from, made once by the program under test.
run "$work/Pravix.exe" "$(winpath "$data/movie.swf")" && mv "$data/movie.exe" "$data/big.exe"
run "$work/Pravix.exe" "$(winpath "$data/tiny.swf")" && mv "$data/tiny.exe" "$data/tinyx.exe"
run "$work/plaincopy.exe" "$(winpath "$data/tiny.swf")" "$(winpath "$data/warm.out")"
cases=(copy pack extract copy_tiny pack_tiny extract_tiny)
one() {
  case "$1" in
    copy) run "$work/plaincopy.exe" "$(winpath "$data/movie.swf")" "$(winpath "$data/copy.out")" ;;
    copy_tiny) run "$work/plaincopy.exe" "$(winpath "$data/tiny.swf")" "$(winpath "$data/copy.out")" ;;
    pack) run "$work/Pravix.exe" "$(winpath "$data/movie.swf")" && [ -f "$data/movie.exe" ] ;;
    pack_tiny) run "$work/Pravix.exe" "$(winpath "$data/tiny.swf")" && [ -f "$data/tiny.exe" ] ;;
    extract) run "$work/Pravix.exe" "$(winpath "$data/big.exe")" && [ -f "$data/big.swf" ] ;;
    extract_tiny) run "$work/Pravix.exe" "$(winpath "$data/tinyx.exe")" && [ -f "$data/tinyx.swf" ] ;;
  esac
}
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < ${#cases[@]}; k++)); do
    name=${cases[$(((k + r) % ${#cases[@]}))]}
    rm -f "$data/copy.out" "$data/movie.exe" "$data/tiny.exe" "$data/big.swf" "$data/tinyx.swf"
    sync
    echo 3 >/proc/sys/vm/drop_caches
    start=$(date +%s%N)
    one "$name" || echo "FAILED $name" >&2
    echo "$name $(($(date +%s%N) - start))"
  done
done
rm -f "$data/big.swf"
one extract && cmp -s "$data/big.swf" "$data/movie.swf" ||
  echo "FAILED extract: big.swf differs from movie.swf" >&2
timeout 60 wineserver -k
INNER
xvfb-run -a bash "$work/inner.sh" "$work" "$rounds" >"$work/times.txt"

python3 - "$work/times.txt" "$mib" "$rounds" <<'PY'
import collections, statistics, sys
times = collections.defaultdict(list)
for line in open(sys.argv[1]):
    name, ns = line.split()
    times[name].append(int(ns) / 1e9)
mib, rounds = int(sys.argv[2]), sys.argv[3]
m = {k: statistics.median(v) for k, v in times.items()}
net = {k: m[k] - m[k + "_tiny"] for k in ("copy", "pack", "extract")}
print(f"\nUnder Wine and Xvfb, {mib} MiB movie, page cache dropped before each run, "
      f"medians of {rounds} alternating rounds:")
print("| Case | Median s | Start-up s | Net s | MiB/s | Net / plain copy | Runs (s) |")
print("|------|---------:|-----------:|------:|------:|-----------------:|----------|")
for k, label in (("copy", "plain copy, 61,440-byte buffer"), ("pack", "Pravix.exe movie.swf"),
                 ("extract", "Pravix.exe big.exe")):
    runs = " ".join(f"{t:.2f}" for t in times[k])
    print(f"| {label} | {m[k]:.3f} | {m[k + '_tiny']:.3f} | {net[k]:.3f} | {mib / net[k]:.0f} "
          f"| {net[k] / net['copy']:.2f} | {runs} |")
PY
