#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each
# for a bounded time from the committed seeds; fails on any crash or broken invariant.
# FUZZ_SECONDS sets the time per target (30 by default).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-30}"
bash "$root/scripts/install-deps.sh"

tree="$root/build/fuzz"
[ -f "$tree/build.ninja" ] ||
  CC=clang CXX=clang++ cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPRAVIX_TESTS=OFF -DPRAVIX_FUZZ=ON >/dev/null
cmake --build "$tree" >"$tree/build.log" 2>&1 || {
  cat "$tree/build.log" >&2
  exit 1
}

status=0
for target in extract command_line path; do
  # The fuzzer adds what it finds to its corpus: work on a copy, not the committed seeds.
  corpus="$tree/run/$target/corpus"
  artifacts="$tree/run/$target/artifacts/"
  rm -rf "$tree/run/$target"
  mkdir -p "$corpus" "$artifacts"
  cp "$root/fuzz/corpus/$target/"* "$corpus/"
  log="$tree/run/$target/fuzz.log"
  if "$tree/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: ${runs:-?} runs in ${seconds} s, no crash (corpus: $(ls "$corpus" | wc -l) inputs)"
  else
    tail -n 40 "$log" >&2
    echo "fuzz_$target: FAILED, input kept in $artifacts" >&2
    status=1
  fi
done
exit "$status"
