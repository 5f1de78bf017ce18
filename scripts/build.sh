#!/usr/bin/env bash
# Builds the three trees: native (core and tests, sanitized), win64 (run under Wine), win32 (release).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

configure() {
  local dir="$1"
  shift
  [ -f "$root/build/$dir/build.ninja" ] || cmake -S "$root" -B "$root/build/$dir" -G Ninja "$@" >/dev/null
}

configure native -DCMAKE_BUILD_TYPE=Debug -DPRAVIX_SANITIZE=ON
configure win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
configure win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DPRAVIX_TESTS=OFF

for dir in native win64 win32; do
  log="$root/build/$dir/build.log"
  if ! cmake --build "$root/build/$dir" -- -j"$(nproc)" >"$log" 2>&1; then
    cat "$log" >&2
    echo "The $dir build failed." >&2
    exit 1
  fi
  echo "Built $dir."
done
