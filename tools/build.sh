#!/usr/bin/env bash
# Configures and builds the setup program and its test programs into build/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}

bash "$top/tools/setup.sh"
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
