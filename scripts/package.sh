#!/usr/bin/env bash
# Makes the Debian package: pravix (native, optimised, hardened by Debian's build flags, stripped),
# its manual page, changelog, copyright file and shell completions, and the Windows program with
# its help and stubs from the release build (build/win32/bin, or the bin folder given as the first
# argument). Prints the package's path and its contents.
#
# One commit gives one package, byte for byte: every time stamp is the last commit's
# (SOURCE_DATE_EPOCH) and no path of the machine stays in the binary. PRAVIX_PACKAGE_TREE names
# another build tree than build/package.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
windows_bin="$(cd "${1:-$root/build/win32/bin}" 2>/dev/null && pwd)" || {
  echo "no Windows build's bin folder at ${1:-$root/build/win32/bin}: run scripts/build.sh" >&2
  exit 1
}
bash "$root/scripts/install-deps.sh"

tree="${PRAVIX_PACKAGE_TREE:-$root/build/package}"
mkdir -p "$tree"
tree="$(cd "$tree" && pwd)"
SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}"
export SOURCE_DATE_EPOCH
# Debian's hardening: fortified functions, stack protector, PIE, full RELRO, immediate binding.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
flags+=" -ffile-prefix-map=$root=. -ffile-prefix-map=$tree=build"

cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPRAVIX_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DPRAVIX_WINDOWS_BIN="$windows_bin" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
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
dpkg-deb --field "$package" Package Version Architecture Depends Homepage
dpkg-deb --contents "$package" | awk '{ print "  " $6 }'
