#!/usr/bin/env bash
# Checks that the C and C++ sources of src/, tests/, bench/ and tools/ read as .clang-format says:
# prints what clang-format would change and exits 1 when it would change anything; exits 0 otherwise.
#
#   tools/check-format.sh           check
#   tools/check-format.sh --fix     format those files in place instead
#
# The style is written for clang-format 14 (Debian bookworm's, which tools/setup.sh installs); other
# versions may format some constructs differently. PHOTAVIAN_CLANG_FORMAT names another program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

formatter=${PHOTAVIAN_CLANG_FORMAT:-}
if [ -z "$formatter" ]; then
  for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null; then
      formatter=$candidate
      break
    fi
  done
fi
if [ -z "$formatter" ] || ! command -v "$formatter" >/dev/null; then
  echo "check-format: no clang-format found: run tools/setup.sh"
  exit 1
fi
version=$("$formatter" --version)
if [[ ! "$version" =~ version\ 14\. ]]; then
  echo "check-format: note: the style is written for clang-format 14; this is: $version"
fi

cd "$top"
mapfile -t files < <(find src tests bench tools -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cpp' \) |
                     LC_ALL=C sort)

if [ "${1:-}" = --fix ]; then
  "$formatter" -i --style=file "${files[@]}"
  echo "check-format: formatted ${#files[@]} files"
  exit 0
fi

if ! "$formatter" --dry-run -Werror --style=file "${files[@]}"; then
  echo "check-format: FAILED: the lines above do not read as .clang-format says (tools/check-format.sh --fix formats them)"
  exit 1
fi
echo "check-format: ${#files[@]} files read as .clang-format says"
