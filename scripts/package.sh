#!/usr/bin/env bash
# Makes the Debian package: pravix (native, optimised), its manual page, and the Windows program
# with its help and stubs from the release build (build/win32/bin, or the bin folder given as the
# first argument). Prints the package's path and its contents.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
windows_bin="$(cd "${1:-$root/build/win32/bin}" 2>/dev/null && pwd)" || {
  echo "no Windows build's bin folder at ${1:-$root/build/win32/bin}: run scripts/build.sh" >&2
  exit 1
}
bash "$root/scripts/install-deps.sh"

tree="$root/build/package"
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRAVIX_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DPRAVIX_WINDOWS_BIN="$windows_bin" >/dev/null
cmake --build "$tree" >"$tree/build.log" 2>&1 || {
  cat "$tree/build.log" >&2
  exit 1
}
rm -f "$tree"/pravix_*.deb
(cd "$tree" && cpack -G DEB >"$tree/cpack.log" 2>&1) || {
  cat "$tree/cpack.log" >&2
  exit 1
}
package="$(ls "$tree"/pravix_*.deb)"
echo "Made $package:"
dpkg-deb --field "$package" Package Version Architecture Depends
dpkg-deb --contents "$package" | awk '{ print "  " $6 }'
