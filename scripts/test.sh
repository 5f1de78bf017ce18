#!/usr/bin/env bash
# Runs every test: the native core tests, the Debian package's checks and a short fuzzing run,
# beside the core and end-to-end tests under Wine and Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh"
bash "$root/scripts/wine-prefix.sh"

# The native side keeps the cores busy while the tests under Wine mostly wait for Wine, Xvfb and
# Chromium: it runs beside them, at the lowest priority, as the tests under Wine take the longest
# and leave a core idle now and then; its report follows theirs.
native_log="$(mktemp "${TMPDIR:-/tmp}/pravix-native.XXXXXX")"
trap 'rm -f "$native_log"' EXIT
(
  renice -n 19 -p "$BASHPID" >/dev/null
  status=0
  echo "== Native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
  ctest --test-dir "$root/build/native" -j"$(nproc)" --output-on-failure || status=1
  echo "== The Debian package (lintian, and two builds give the same bytes)"
  bash "$root/scripts/check-package.sh" || status=1
  echo "== Fuzzing (libFuzzer: the committed seeds, then 2 s per target; scripts/fuzz.sh runs longer)"
  FUZZ_SECONDS=2 bash "$root/scripts/fuzz.sh" || status=1
  exit "$status"
) >"$native_log" 2>&1 &
native=$!

status=0
echo "== Windows tests under Wine"
# Wine, on a loaded machine, now and then fails to start a program at all: the test ends within
# 10 ms, before the program has printed anything. Such a test gets one more run; ctest reports
# every failure, and a test that fails twice fails the run.
xvfb-run -a -s "-screen 0 1024x768x24" \
  ctest --test-dir "$root/build/win64" -j"$(nproc)" --output-on-failure --progress --timeout 180 \
  --repeat until-pass:2 ||
  status=1
WINEPREFIX="$root/build/win64/wineprefix" timeout 30 wineserver -k 2>/dev/null || true

wait "$native" || status=1
cat "$native_log"
exit "$status"
