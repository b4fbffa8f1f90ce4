#!/usr/bin/env bash
# Builds everything and runs every test (unit and end-to-end, under Wine), with the release checks
# before the main test run: the product and its unit tests built with the second compiler (clang,
# into build-clang/) and run, and two builds of the commit compared (tools/repro-check.sh).
# Before the build, the source checks: every include between the layers of src/ points down
# (tools/check-layers.sh), and the sources read as .clang-format says (tools/check-format.sh). A
# failed source check fails the run, after the tests have run.
#
# PHOTAVIAN_SKIP_RELEASE_CHECKS=1 leaves the release checks out, e.g. while iterating.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}
clang_build=${PHOTAVIAN_CLANG_BUILD_DIR:-$top/build-clang}

bash "$top/tools/setup.sh"
echo "== Source checks"
source_checks=0
bash "$top/tools/check-layers.sh" || source_checks=1
bash "$top/tools/check-format.sh" || source_checks=1

bash "$top/tools/build.sh"

if [ "${PHOTAVIAN_SKIP_RELEASE_CHECKS:-0}" != 1 ]; then
  echo "== clang: the product and its unit tests"
  cmake -S "$top" -B "$clang_build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/clang-mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$clang_build" -j"$(nproc)" --target photavian-setup unit_tests >/dev/null
  (cd "$clang_build" && ctest --output-on-failure -R '^(unit_tests|shipped_exe)$')

  echo "== Reproducibility: two builds of the commit"
  bash "$top/tools/repro-check.sh"
fi

echo "== Every test"
cd "$build"
ctest --output-on-failure -j2

if [ "$source_checks" -ne 0 ]; then
  echo "run-tests: FAILED: a source check failed (see \"Source checks\" above)"
  exit 1
fi
