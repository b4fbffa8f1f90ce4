#!/usr/bin/env bash
# Builds everything and runs every test (unit and end-to-end, under Wine).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}

bash "$top/tools/build.sh"
cd "$build"
ctest --output-on-failure -j2
