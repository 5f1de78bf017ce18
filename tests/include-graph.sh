#!/usr/bin/env bash
# The layers: each folder includes only those below it. platform includes nothing of ours;
# packaging only platform; ui, cli and the stubs packaging and platform (ui also the resources); ui
# itself only the entry point. The stubs' folders are layers of their own: http includes nothing of
# ours, rules packaging and platform, site http and rules, show site and below, and the programs in
# stubs/ itself every folder of the stubs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
shopt -s nullglob
status=0
allowed() {
  case "$1" in
    platform) echo "platform" ;;
    packaging) echo "packaging platform" ;;
    ui) echo "ui packaging platform resources Version.h" ;;
    cli) echo "cli packaging platform" ;;
    stubs/http) echo "stubs/http" ;;
    stubs/rules) echo "stubs/rules packaging platform" ;;
    stubs/site) echo "stubs/site stubs/http stubs/rules packaging platform" ;;
    stubs/show) echo "stubs/show stubs/site stubs/http stubs/rules packaging platform" ;;
    stubs) echo "stubs/show stubs/site stubs/http stubs/rules packaging platform" ;;
  esac
}
# The layer of an included file: its folder, and for the stubs' folders the one below stubs/.
layer() {
  case "$1" in
    stubs/*/*) local rest="${1#stubs/}" && echo "stubs/${rest%%/*}" ;;
    *) echo "${1%%/*}" ;;
  esac
}
for folder in platform packaging ui cli stubs/http stubs/rules stubs/site stubs/show stubs; do
  while IFS=: read -r file included; do
    if [[ " $(allowed "$folder") " != *" $(layer "$included") "* ]]; then
      echo "$file includes $included" >&2
      status=1
    fi
  done < <(grep -o '#include "[^"]*"' /dev/null "$folder"/*.h "$folder"/*.cpp | sed 's/#include "//; s/"$//')
done
exit "$status"
