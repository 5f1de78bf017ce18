#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, then the npm packages of package.json
# (the web player the projector carries, and the browser driver of its tests) with `npm ci` from
# package-lock.json; quiet when all of them are there. Node.js and npm come with the machine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  cmake ninja-build g++ clang libclang-rt-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine xvfb xauth xdotool fp-utils imagemagick python3 clang-format
  zlib1g-dev liblzma-dev dpkg-dev strace wixl msitools unzip libz-mingw-w64-dev chromium
  lintian bash-completion zsh fish zopfli curl time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # Another installation may hold the package lock for a while.
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    "${sudo_cmd[@]}" apt-get update -qq &&
      "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null &&
      break
    [ "$attempt" -lt 10 ] || exit 1
    sleep 15
  done
fi

# npm records what it installed in node_modules/.package-lock.json.
if [ ! "$root/node_modules/.package-lock.json" -nt "$root/package-lock.json" ]; then
  echo "Installing the npm packages of package-lock.json"
  (cd "$root" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
fi
