#!/usr/bin/env bash
# What the setup program itself adds to every download: the size of photavian-setup.exe less the
# product archive it carries (aim: 400 KB or less; the Release build's test exe_size checks it).
# Builds first, in the configuration of the main build (Release: the exe stripped, its debug
# information beside it), then prints what that test measures.
#
#   bench/exe-overhead.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}
bash "$top/tools/build.sh" >/dev/null
exec bash "$top/tests/release/exe-size-test.sh" "$build/src/photavian-setup.exe" "$build/src/payload.rc"
