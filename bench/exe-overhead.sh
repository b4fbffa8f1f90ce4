#!/usr/bin/env bash
# What the setup program itself adds to every download: the size of photavian-setup.exe less the
# product archive it carries (aim: 400 KB or less). Builds first, in the configuration of the main
# build (Release: the exe stripped, its debug information beside it).
#
#   bench/exe-overhead.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}
bash "$top/tools/build.sh" >/dev/null

exe="$build/src/photavian-setup.exe"
# The archive that was embedded, as the build's resource script names it.
payload=$(sed -n 's/^IDR_PAYLOAD_ZIP *ZIP *"\(.*\)"$/\1/p' "$build/src/payload.rc")
aim=$((400 * 1024))

exe_bytes=$(stat -c %s "$exe")
payload_bytes=$(stat -c %s "$payload")
overhead=$((exe_bytes - payload_bytes))
printf 'photavian-setup.exe   %9d bytes\n' "$exe_bytes"
printf 'payload archive       %9d bytes  (%s)\n' "$payload_bytes" "$payload"
printf 'overhead              %9d bytes  (%d KB; aim %d KB: %s)\n' "$overhead" $((overhead / 1024)) \
       $((aim / 1024)) "$([ "$overhead" -le "$aim" ] && echo met || echo missed)"
if [ -f "$exe.debug" ]; then
  printf 'debug file beside it  %9d bytes  (not shipped)\n' "$(stat -c %s "$exe.debug")"
fi
