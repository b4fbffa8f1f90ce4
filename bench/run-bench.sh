#!/usr/bin/env bash
# Builds and runs the installation benchmark under Wine: median wall time and peak memory of
# silent installations (default payload and a large synthetic one).
#
#   bench/run-bench.sh [runs]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}
bash "$top/tools/build.sh" >/dev/null
PHOTAVIAN_PREFIX=bench "$top/tools/wine-run.sh" "$build/bench/install_bench.exe" "${1:-5}"
