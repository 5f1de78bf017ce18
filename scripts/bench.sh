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
cmake --build "$tree" --target pravix_bench pravix >"$tree/build.log" 2>&1 || {
  cat "$tree/build.log" >&2
  exit 1
}

work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

stub="$root/build/win64/bin/Player.exe"
stub_option=()
[ -f "$stub" ] && stub_option=(--stub "$stub")
"$tree/bench/pravix_bench" --dir "$work" "${stub_option[@]}" "$@"

# A game's folder of 1 GiB (64 files of 16 MiB in 8 folders) packed into a projector, against
# `cp -r` of the folder: the best of three runs each, caches warm, and the packing's peak memory.
if [ -f "$stub" ]; then
  game="$work/game"
  for folder in 1 2 3 4 5 6 7 8; do
    mkdir -p "$game/assets/$folder"
    for file in 1 2 3 4 5 6 7 8; do
      head -c $((16 * 1024 * 1024)) /dev/urandom >"$game/assets/$folder/$file.bin"
    done
  done
  printf 'FWS\x0a\x15\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$game/game.swf"
  best() {
    local best=""
    for _ in 1 2 3; do
      rm -rf "$game/copy" "$game/game.exe"
      local began ended
      began=$(date +%s%N)
      "$@" >/dev/null
      ended=$(date +%s%N)
      local ms=$(((ended - began) / 1000000))
      if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    echo "$best"
  }
  copy_ms=$(best cp -r "$game/assets" "$game/copy")
  pack_ms=$(best "$tree/bin/pravix" pack -q --stub="$stub" --include="$game/assets" \
    -o "$game/game.exe" "$game/game.swf")
  peak_kib=$( { /usr/bin/time -f %M "$tree/bin/pravix" pack -q -f --stub="$stub" \
    --include="$game/assets" -o "$game/game.exe" "$game/game.swf"; } 2>&1 >/dev/null)
  echo
  echo "A folder of 1 GiB (64 files) packed with --include: ${pack_ms} ms; cp -r of it: ${copy_ms} ms" \
    "($(awk "BEGIN { printf \"%.2f\", $pack_ms / $copy_ms }") times); packing's peak resident size" \
    "$((peak_kib / 1024)) MiB"
  # The same movie packed plainly and with the game's face (icon, title, version): the stub is
  # then rewritten in memory before it is written.
  python3 -c 'import struct, sys
image = struct.pack("<IiiHHIIiiII", 40, 256, 512, 1, 32, 0, 0, 0, 0, 0, 0) + bytes(256 * 256 * 4 + 256 * 32)
sys.stdout.buffer.write(struct.pack("<HHH", 0, 1, 1) +
                        struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(image), 22) + image)' \
    >"$game/game.ico"
  face=(--icon="$game/game.ico" --title="Sky Runner" --version-info=ProductName="Sky Runner"
    --version-info=FileVersion=1.2.3.4)
  plain_ms=$(best "$tree/bin/pravix" pack -q --stub="$stub" -o "$game/game.exe" "$game/game.swf")
  dressed_ms=$(best "$tree/bin/pravix" pack -q --stub="$stub" "${face[@]}" -o "$game/game.exe" \
    "$game/game.swf")
  dressed_kib=$( { /usr/bin/time -f %M "$tree/bin/pravix" pack -q -f --stub="$stub" "${face[@]}" \
    -o "$game/game.exe" "$game/game.swf"; } 2>&1 >/dev/null)
  echo "A movie packed with the game's face (a 256-pixel icon, title, version): ${dressed_ms} ms," \
    "peak resident size $((dressed_kib / 1024)) MiB; without: ${plain_ms} ms" \
    "(stub of $(($(stat -c %s "$stub") / 1024)) KiB)"
  rm -rf "$game"
fi

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
