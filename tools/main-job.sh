#!/usr/bin/env bash
# The main job: builds the setup program, installs the default payload silently into a
# throw-away Wine prefix and shows what was installed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PHOTAVIAN_BUILD_DIR:-$top/build}

buildlog=$(mktemp)
echo "== Building (set-up, configure, compile)"
if ! bash "$top/tools/build.sh" >"$buildlog" 2>&1; then
  cat "$buildlog"
  rm -f "$buildlog"
  exit 1
fi
rm -f "$buildlog"

. "$top/tools/wine-env.sh"
. "$top/tools/main-job-switches.sh"
export PHOTAVIAN_PREFIX=main-job
prefix=$(wine_prefix "$PHOTAVIAN_PREFIX")

# The installer runs from a folder of its own inside the prefix, where its log would go.
start="$prefix/drive_c/setup-start"
rm -rf "$prefix"
status=0
# wine-run.sh makes the fresh prefix; the start folder is created right after, before the run.
PHOTAVIAN_KEEP_PREFIX=0 "$top/tools/wine-run.sh" cmd /c "mkdir C:\\setup-start" >/dev/null
cd "$start"
# The main job's installation (tools/main-job-switches.sh), with a verbose log.
switches=("${main_job_switches[@]}" '/log=C:\setup-start\setup.log')
PHOTAVIAN_KEEP_PREFIX=1 "$top/tools/wine-run.sh" "$build/src/photavian-setup.exe" "${switches[@]}" || status=$?
wine_server "$prefix" -w

echo "== photavian-setup.exe ${switches[*]} exited with $status"
installed="$prefix/drive_c/${main_job_destination#C:\\}"
installed=${installed//\\//}
echo "== Installed into $main_job_destination"
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

# What the installation left in the registry, the shell folders and the settings files, read
# back inside the prefix after the registry was flushed.
readback() {
  PHOTAVIAN_KEEP_PREFIX=1 "$top/tools/wine-run.sh" "$build/tools/readback/ph-readback.exe" "$@"
}
echo "== Registry: the product's classes, extension keys and user choices"
readback classes
echo "== Registry: folder verb, product class, application, uninstall entry, capabilities, store-application marks"
readback registry
echo "== Shortcuts (desktop and Start-menu group, read back through the shell's link object)"
readback lnk shell:desktop shell:common-desktop 'shell:programs\Photavian' 'shell:common-programs\Photavian'
echo "== Settings files"
readback ini "$main_job_destination\\ph_tav64.ini" '%APPDATA%\Photavian\ph_tav64.ini'

echo "== Verbose log (C:\\setup-start\\setup.log): $(grep -c '' "$start/setup.log" 2>/dev/null || echo 0) lines, the last:"
if [ -f "$start/setup.log" ]; then
  tail -n 1 "$start/setup.log" | tr -d '\r'
fi

echo "== Install log (C:\\setup-start\\Photavian_Install.log)"
if [ -f "$start/Photavian_Install.log" ]; then
  tr -d '\r' < "$start/Photavian_Install.log"
else
  echo "   (none: nothing failed)"
fi
exit "$status"
