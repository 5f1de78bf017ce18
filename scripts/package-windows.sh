#!/usr/bin/env bash
# Makes the Windows packages of the release build (build/win32, 32-bit): the MSI package and the
# portable zip, in build/win32/packages/ (the build's pravix_packages target, which every build of
# the tree runs). Prints their paths and what they hold.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh" win32 >/dev/null

packages="$root/build/win32/packages"
msi="$(ls -t "$packages"/Pravix-*-x86.msi | head -n 1)"
zip="$(ls -t "$packages"/Pravix-*-x86.zip | head -n 1)"
echo "Made $msi:"
msiinfo export "$msi" File | tr -d '\r' | tail -n +4 | awk -F'\t' '{ print "  " $3 " (" $4 " bytes)" }'
echo "Made $zip:"
unzip -Z1 "$zip" | sed 's/^/  /'
