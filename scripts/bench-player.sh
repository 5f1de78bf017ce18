#!/usr/bin/env bash
# The projector's figures under Wine and Xvfb (bench/player.mjs): start to address, address to
# first frame in Chromium, the stub's memory while serving 1 MiB and 256 MiB, keep-alive requests a
# second, the 256 MiB movie served against a plain copy under Wine, a flush to disk, a change and
# the listing with 10 and with 10,000 saves, a 1 GiB file beside the projector, a 256 MiB video
# from inside it and from beside it, the stubs' sizes in both builds and a 2 MiB movie's projector.
# Environment: ROUNDS (default 7).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh" >/dev/null
bash "$root/scripts/wine-prefix.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/pravix-player-bench.XXXXXX")"
export WINEPREFIX="$root/build/win64/wineprefix"
cleanup() { timeout 30 wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
x86_64-w64-mingw32-g++-posix -O2 -Wall -Wextra -Werror -static -o "$work/plaincopy.exe" \
  "$root/bench/PlainCopyWin32.cpp"
WINE_RUN="$root/build/win64/wine-run.sh" PLAIN_COPY="$work/plaincopy.exe" RECORDER="$root/build/win64/tests/record_command_line.exe" \
  PRAVIX_BIN="$root/build/win64/bin" PRAVIX_BIN32="$root/build/win32/bin" \
  PRAVIX_NATIVE="$root/build/native/bin/pravix" WORK="$work" \
  xvfb-run -a node "$root/bench/player.mjs"
