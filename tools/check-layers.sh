#!/usr/bin/env bash
# Checks that every include between the program's layers (the folders of src/) points down: each
# `#include "<layer>/..."` in src/ against the table below. Prints every offending line and exits 1
# when there is one; exits 0 otherwise.
#
# A layer may include its own headers, those of the layers listed for it, and res/ (the resource
# ids and the version). So that no include slips past the table, an include in src/ that names
# neither a layer nor res/ (a relative "../x.h", a bare "x.h") is refused too, and every C/C++
# file in src/ must lie in one of the layers' folders.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

# layer: the layers it may include. app → wizard → controls → framework; app and wizard → engine
# → shell → platform → base; a layer may use every layer below it on its line, and every layer may
# use base. Beyond these: controls → platform, the hyperlink opens its page through the launch
# service (as the desktop's user when elevated) and asks the probes about elevation.
allowed='
app:       wizard controls framework engine shell platform base
wizard:    controls framework engine shell platform base
controls:  framework platform base
framework: base
engine:    shell platform base
shell:     platform base
platform:  base
base:
'

cd "$top"
mapfile -t files < <(find src -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cpp' \) | LC_ALL=C sort)

awk -v allowed="$allowed" '
  BEGIN {
    n = split(allowed, rows, "\n")
    for (i = 1; i <= n; i++) {
      if (rows[i] !~ /:/) continue
      split(rows[i], parts, ":")
      from = parts[1]; gsub(/ /, "", from)
      layer[from] = 1
      may[from, from] = 1
      m = split(parts[2], targets, " ")
      for (j = 1; j <= m; j++) may[from, targets[j]] = 1
    }
    failures = 0
  }
  function fail(message) {
    printf "%s:%d: %s\n    %s\n", FILENAME, FNR, message, $0
    failures++
  }
  FNR == 1 {
    depth = split(FILENAME, path, "/")
    from = path[2]
    if (!(from in layer) || depth < 3) {
      printf "%s: not in a layer folder of src/ (a new layer needs its row in tools/check-layers.sh)\n", FILENAME
      failures++
      nextfile
    }
  }
  /^[ \t]*#[ \t]*include[ \t]*["<]/ {
    line = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*/, "", line)
    quoted = substr(line, 1, 1) == "\""
    name = substr(line, 2)
    sub(/[">].*$/, "", name)
    first = name
    if (index(first, "/") == 0) first = ""
    else sub(/\/.*$/, "", first)
    if (first in layer) {
      if (!((from, first) in may)) fail("layer " from " may not include layer " first)
    } else if (quoted && first != "res") {
      fail("include names no layer: name the header from src/, as \"<layer>/...\"")
    }
  }
  END { exit failures > 0 }
' "${files[@]}" && { echo "check-layers: ${#files[@]} files, every include points down"; exit 0; }

echo "check-layers: FAILED: the includes above point up or across the layers"
exit 1
