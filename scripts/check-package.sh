#!/usr/bin/env bash
# Checks the Debian package as a reviewer would: lintian finds nothing to say (its errors,
# warnings, information and pedantic tags alike), and two builds of the same commit, in two build
# trees, give the same bytes. Builds both with scripts/package.sh (each tree only as far as it
# changed).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/package.sh" >/dev/null
PRAVIX_PACKAGE_TREE="$root/build/package-again" bash "$root/scripts/package.sh" >/dev/null
first="$(ls "$root"/build/package/pravix_*.deb)"
second="$(ls "$root"/build/package-again/pravix_*.deb)"

status=0
if ! cmp -s "$first" "$second"; then
  echo "Two builds of one commit gave different packages: $first and $second" >&2
  status=1
fi
# Root is warned that lintian needs no privileges: that is not about the package.
tags="$(lintian --info --pedantic "$first" 2>&1 | grep -v '^running with root privileges' || true)"
if [ -n "$tags" ]; then
  echo "lintian on $first:" >&2
  echo "$tags" >&2
  status=1
fi
[ "$status" -ne 0 ] || echo "$(basename "$first"): lintian clean, the same bytes from two builds."
exit "$status"
