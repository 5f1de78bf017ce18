#!/usr/bin/env bash
# Builds the three trees: native (core and tests, sanitized), win64 (run under Wine), win32 (release),
# or only those named: scripts/build.sh win32. Each Windows tree also makes its packages.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

configure() {
  local dir="$1"
  shift
  [ -f "$root/build/$dir/build.ninja" ] || cmake -S "$root" -B "$root/build/$dir" -G Ninja "$@" >/dev/null
}

trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(native win64 win32)
for dir in "${trees[@]}"; do
  case "$dir" in
    native) configure native -DCMAKE_BUILD_TYPE=Debug -DPRAVIX_SANITIZE=ON ;;
    win64) configure win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" ;;
    win32)
      configure win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DPRAVIX_TESTS=OFF
      ;;
    *)
      echo "no such tree: $dir (native, win64, win32)" >&2
      exit 2
      ;;
  esac
  log="$root/build/$dir/build.log"
  if ! cmake --build "$root/build/$dir" -- -j"$(nproc)" >"$log" 2>&1; then
    cat "$log" >&2
    echo "The $dir build failed." >&2
    exit 1
  fi
  echo "Built $dir."
done
