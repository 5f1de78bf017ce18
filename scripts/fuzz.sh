#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer), replays each
# target's committed seeds once, then fuzzes it for a bounded time from them; fails on any crash or
# broken invariant. FUZZ_SECONDS sets the fuzzing time per target (30 by default).
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
for target in extract command_line path locate info packed_files game_face http request_path; do
  fuzzer="$tree/fuzz/fuzz_$target"
  seeds=("$root/fuzz/corpus/$target/"*)
  # The fuzzer adds what it finds to its corpus: work on a copy, not the committed seeds.
  corpus="$tree/run/$target/corpus"
  artifacts="$tree/run/$target/artifacts/"
  rm -rf "$tree/run/$target"
  mkdir -p "$corpus" "$artifacts"
  cp "${seeds[@]}" "$corpus/"
  log="$tree/run/$target/fuzz.log"
  options=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts")
  # Each seed once, by name, so that a failing seed names itself; then the bounded run.
  if "$fuzzer" "${options[@]}" "${seeds[@]}" >"$log" 2>&1 &&
    "$fuzzer" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 "$corpus" \
      >>"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: ${#seeds[@]} seeds replayed, then ${runs:-?} runs in ${seconds} s, no crash" \
      "(corpus: $(ls "$corpus" | wc -l) inputs)"
  else
    tail -n 40 "$log" >&2
    echo "fuzz_$target: FAILED on the seed named above, or on an input kept in $artifacts" >&2
    status=1
  fi
done
exit "$status"
