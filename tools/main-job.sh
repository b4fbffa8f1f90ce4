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
# Shortcuts on the desktop and in the Start-menu group, the folder verb and the image types
# associated, into the default destination.
switches=(/silent /desktop=1 /thumbs=1 /group=1 /assoc=1 '/log=C:\setup-start\setup.log')
PHOTAVIAN_KEEP_PREFIX=1 "$top/tools/wine-run.sh" "$build/src/photavian-setup.exe" "${switches[@]}" || status=$?
WINEPREFIX="$prefix" timeout 120 wineserver -w

echo "== photavian-setup.exe ${switches[*]} exited with $status"
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

# What the installation left in the registry, the shell folders and the settings files, read
# back inside the prefix after the registry was flushed.
readback() {
  PHOTAVIAN_KEEP_PREFIX=1 "$top/tools/wine-run.sh" "$build/tools/readback/ph-readback.exe" "$@"
}
echo "== Registry: the product's classes, extension keys and user choices"
readback classes Photavian
echo "== Registry: product class, application, uninstall entry, capabilities"
readback reg 'HKLM\SOFTWARE\Classes\Photavian'
readback reg --pack 'HKLM\SOFTWARE\Photavian'
readback reg 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Photavian64'
readback reg 'HKLM\SOFTWARE\RegisteredApplications'
readback reg 'HKCR\Applications\ph_tav64.exe'
readback reg 'HKLM\SOFTWARE\Classes\Directory\shell\Browse with &Photavian'
readback reg 'HKLM\SOFTWARE\Classes\Drive\shell\Browse with &Photavian'
for appx in AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt \
            AppX43hnxtbyyps62jhe9sqpdzxn1790zetc AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h \
            AppX6eg8h5sxqq90pv53845wmnbewywdqq5h; do
  readback reg --if-present "HKCU\\SOFTWARE\\Classes\\$appx"
done
echo "== Shortcuts (desktop and Start-menu group, read back through the shell's link object)"
readback lnk shell:desktop shell:common-desktop 'shell:programs\Photavian' 'shell:common-programs\Photavian'
echo "== Settings files"
readback ini 'C:\Program Files\Photavian\ph_tav64.ini' '%APPDATA%\Photavian\ph_tav64.ini'

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
