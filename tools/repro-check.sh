#!/usr/bin/env bash
# Release check: the same commit gives the same photavian-setup.exe. Clones the current commit
# (HEAD; uncommitted changes are not part of it) into two temporary folders of different names and
# depths, builds the Release executable in each, one after the other, and compares the hashes.
# Exits 0 when the two executables are byte-identical.
#
#   tools/repro-check.sh [TOOLCHAIN_FILE]     default: cmake/mingw-w64-x86_64.cmake
#
# The debug files beside them are compared too and reported; they carry no build folder either.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
toolchain=${1:-cmake/mingw-w64-x86_64.cmake}

bash "$top/tools/setup.sh" >/dev/null
commit=$(git -C "$top" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

hashes=()
debug_hashes=()
for checkout in "$work/first" "$work/second/checkout-of-the-same-commit"; do
  mkdir -p "$(dirname "$checkout")"
  git clone --quiet --no-hardlinks --no-checkout "$top" "$checkout"
  git -C "$checkout" checkout --quiet --detach "$commit"
  # The fetched third-party sources, as tools/setup.sh leaves them.
  mkdir -p "$checkout/.deps"
  cp -r "$top/.deps/minizip" "$checkout/.deps/"
  log="$work/build-$(basename "$checkout").log"
  if ! { cmake -S "$checkout" -B "$checkout/build" -DCMAKE_TOOLCHAIN_FILE="$checkout/$toolchain" \
               -DCMAKE_BUILD_TYPE=Release -DPHOTAVIAN_BUILD_TESTS=OFF \
         && cmake --build "$checkout/build" -j"$(nproc)" --target photavian-setup; } >"$log" 2>&1; then
    cat "$log"
    echo "repro-check: the build in $checkout failed"
    exit 1
  fi
  exe="$checkout/build/src/photavian-setup.exe"
  hashes+=("$(sha256sum < "$exe" | cut -d' ' -f1)")
  debug_hashes+=("$(sha256sum < "$exe.debug" | cut -d' ' -f1)")
  echo "repro-check: ${hashes[-1]}  photavian-setup.exe  ($checkout, built $(date '+%H:%M:%S'))"
done

if [ "${debug_hashes[0]}" = "${debug_hashes[1]}" ]; then
  echo "repro-check: the debug files are identical too"
else
  echo "repro-check: the debug files differ (${debug_hashes[0]} / ${debug_hashes[1]})"
fi
if [ "${hashes[0]}" != "${hashes[1]}" ]; then
  echo "repro-check: FAILED: two builds of $commit differ"
  exit 1
fi
echo "repro-check: passed: two builds of $commit are byte-identical"
