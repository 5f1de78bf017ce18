#!/usr/bin/env bash
# The layers: each folder includes only those below it. platform includes nothing of ours;
# packaging only platform; ui, stubs and cli packaging and platform (ui also the resources); ui
# itself only the entry point.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
status=0
allowed() {
  case "$1" in
    platform) echo "platform" ;;
    packaging) echo "packaging platform" ;;
    ui) echo "ui packaging platform resources Version.h" ;;
    stubs | cli) echo "$1 packaging platform" ;;
  esac
}
for folder in platform packaging ui stubs cli; do
  while IFS=: read -r file included; do
    layer="${included%%/*}"
    if [[ " $(allowed "$folder") " != *" $layer "* ]]; then
      echo "$file includes $included" >&2
      status=1
    fi
  done < <(grep -o '#include "[^"]*"' "$folder"/*.h "$folder"/*.cpp | sed 's/#include "//; s/"$//')
done
exit "$status"
