#!/usr/bin/env bash
# The main job: builds the setup program, installs the default payload silently into a
# throw-away Wine prefix and shows what was installed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}

bash "$top/tools/build.sh"

export PHOTAVIAN_PREFIX=main-job
root=${PHOTAVIAN_WINE_ROOT:-$top/.wine}
prefix="$root/prefixes/$PHOTAVIAN_PREFIX"

# The installer runs from a folder of its own inside the prefix, where its log would go.
start="$prefix/drive_c/setup-start"
rm -rf "$prefix"
status=0
# wine-run.sh makes the fresh prefix; the start folder is created right after, before the run.
PHOTAVIAN_KEEP_PREFIX=0 "$top/tools/wine-run.sh" cmd /c "mkdir C:\\setup-start" >/dev/null
cd "$start"
PHOTAVIAN_KEEP_PREFIX=1 "$top/tools/wine-run.sh" "$build/src/photavian-setup.exe" /silent || status=$?
WINEPREFIX="$prefix" wineserver -w

echo "== photavian-setup.exe /silent exited with $status"
installed="$prefix/drive_c/Program Files/Photavian"
echo "== Installed into C:\\Program Files\\Photavian"
if [ -d "$installed" ]; then
  (cd "$installed" && find . -mindepth 1 | sort | while read -r f; do
    if [ -d "$f" ]; then
      printf '%-44s %10s  %s\n' "${f#./}/" "-" "$(date -r "$f" '+%Y-%m-%d %H:%M:%S')"
    else
      printf '%-44s %10s  %s\n' "${f#./}" "$(stat -c %s "$f")" "$(date -r "$f" '+%Y-%m-%d %H:%M:%S')"
    fi
  done)
  echo "   $(find "$installed" -type f | wc -l) files, $(find "$installed" -mindepth 1 -type d | wc -l) folders"
else
  echo "   (nothing)"
fi
echo "== Install log (C:\\setup-start\\Photavian_Install.log)"
if [ -f "$start/Photavian_Install.log" ]; then
  tr -d '\r' < "$start/Photavian_Install.log"
else
  echo "   (none: nothing failed)"
fi
exit "$status"
