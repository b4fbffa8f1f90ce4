#!/usr/bin/env bash
# What the setup program itself adds to every download: the size of the shipped
# photavian-setup.exe less the product archive it carries. The aim is 400 KB or less; the test
# fails when the executable adds more.
#
#   exe-size-test.sh EXE PAYLOAD_RC
#
# PAYLOAD_RC is the build's resource script of the payload (src/payload.rc), which names the
# archive that was embedded.
set -euo pipefail
exe=$1 payload_rc=$2
aim=$((400 * 1024))

# The file name in quotes on the line of the payload's resource id.
payload=$(sed -n 's/^IDR_PAYLOAD_ZIP[[:space:]].*"\(.*\)"[[:space:]]*$/\1/p' "$payload_rc")
if [ -z "$payload" ] || [ ! -f "$payload" ]; then
  echo "FAIL: $payload_rc names no payload archive that exists ('$payload')"
  exit 1
fi

exe_bytes=$(stat -c %s "$exe")
payload_bytes=$(stat -c %s "$payload")
overhead=$((exe_bytes - payload_bytes))
verdict=$([ "$overhead" -le "$aim" ] && echo met || echo missed)
printf 'photavian-setup.exe   %9d bytes\n' "$exe_bytes"
printf 'payload archive       %9d bytes  (%s)\n' "$payload_bytes" "$payload"
printf 'overhead              %9d bytes  (%d.%d KB; aim %d KB: %s, %d bytes %s)\n' "$overhead" \
       $((overhead / 1024)) $((overhead % 1024 * 10 / 1024)) $((aim / 1024)) "$verdict" \
       "$(( overhead > aim ? overhead - aim : aim - overhead ))" "$([ "$verdict" = met ] && echo to spare || echo over)"
if [ -f "$exe.debug" ]; then
  printf 'debug file beside it  %9d bytes  (not shipped)\n' "$(stat -c %s "$exe.debug")"
fi
[ "$verdict" = met ] || { echo "FAIL: the executable adds more than $((aim / 1024)) KB to its payload"; exit 1; }
