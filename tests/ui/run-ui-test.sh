#!/usr/bin/env bash
# The wizard of the real setup program under Xvfb, once at 96 DPI and once at 144 DPI: started
# without "/silent", walked through its pages by a driver of ours with a screenshot of every page
# and a check that every label has room for its text, installing for real through the ready
# page's Next; then Done starts the installed viewer, and the installed files are checked in the
# prefix.
#
#   run-ui-test.sh SETUP.exe DRIVER.exe OUTPUT_DIR
#
# Screenshots land in OUTPUT_DIR/96 and OUTPUT_DIR/144 as page-N.png (and the questions, the
# associations list enabled and the started viewer); they are test artifacts, not sources.
# PHOTAVIAN_UI_PREFIX names the Wine prefixes (default: wizard-ui and a hash of the output
# folder, then the DPI); PHOTAVIAN_WINE_ROOT is where they live, as for every script.
#
# The prefixes map the fonts the wizard asks for to metric-compatible fonts from Debian packages
# (the set-up script installs fonts-wine and fonts-liberation2), so that the pictures show what a
# Windows user sees: the pages' "Microsoft Sans Serif" is drawn with Wine's own MS Sans Serif,
# whose widths it shares, and so is the sheet's "MS Shell Dlg", which stands for Microsoft Sans
# Serif on Windows (Wine's default, Tahoma, is taller and leaves the pages too little room at
# 144 DPI); the title's Arial with Liberation Sans; the message boxes with Wine's own Tahoma.
# Without them Wine falls back to a font of the host, wider, which clips labels that fit on
# Windows. The program itself is not changed.
set -euo pipefail
setup_exe=$1
driver_exe=$2
out=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$top/tools/wine-run.sh"
export PHOTAVIAN_WINE_ROOT=${PHOTAVIAN_WINE_ROOT:-$top/.wine}
root=$PHOTAVIAN_WINE_ROOT
# By default the prefixes are named after the output folder, so UI runs of two build folders
# don't share one.
prefix_base=${PHOTAVIAN_UI_PREFIX:-wizard-ui-$(printf '%s' "$3" | md5sum | cut -c1-8)}

# Every wine call runs under a time limit: a program that hangs fails the run here, instead of
# holding it until ctest's limit ends the script and leaves the program behind. A driver step
# waits up to 120 s itself (Next on the ready page installs).
limit() { timeout --kill-after=10 "$@"; }
step_seconds=150
# Wine's own fonts, as Debian's fonts-wine installs them.
wine_fonts=/usr/share/wine/fonts
setup_seconds=600

mkdir -p "$out"
rm -rf "$out/96" "$out/144" "$out"/*.png "$out"/driver.log

xvfb_pid=""
setup_pid=""
prefix_name=""
stop_prefix() {
  if [ -n "$setup_pid" ] && kill -0 "$setup_pid" 2>/dev/null; then kill "$setup_pid" 2>/dev/null || true; fi
  setup_pid=""
  if [ -n "$prefix_name" ]; then
    WINEPREFIX="$root/prefixes/$prefix_name" limit 30 wineserver -k 2>/dev/null || true
  fi
}
cleanup() {
  stop_prefix
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A display of our own, with room for the wizard at 144 DPI: Xvfb picks a free number and
# reports it.
display_file=$(mktemp)
Xvfb -displayfd 6 -screen 0 1280x1024x24 -nolisten tcp 6>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$display_file")"
rm -f "$display_file"
echo "ui: Xvfb on $DISPLAY"

# Control ids of the pages (res/resource.h).
registry_box=3311
assoc_list=1579
images_only=1091
open_faq=1022
start_viewer=1020

walk() {
  local dpi=$1
  local shots="$out/$dpi"
  local log="$shots/driver.log"
  prefix_name="$prefix_base-$dpi"
  mkdir -p "$shots"

  drive() {
    echo "ui: driver $*" >>"$log"
    local status=0
    PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_KEEP_PREFIX=1 \
      limit "$step_seconds" "$wine_run" "$driver_exe" "$@" >"$shots/step.out" || status=$?
    tee -a "$log" <"$shots/step.out"
    if [ "$status" -ne 0 ]; then
      echo "ui: $dpi DPI: step '$*' failed ($status)" >&2
      exit 1
    fi
  }
  # A picture of the whole screen, or of the wizard alone (its window rectangle, as the driver
  # reports it).
  shot_screen() {
    sleep 0.4 # let the page paint
    import -display "$DISPLAY" -window root "$shots/$1.png"
  }
  shot() {
    sleep 0.4
    local geometry
    geometry=$(PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_KEEP_PREFIX=1 \
      limit "$step_seconds" "$wine_run" "$driver_exe" geometry)
    import -display "$DISPLAY" -window root -crop "$geometry" +repage "$shots/$1.png"
  }

  # A fresh prefix whose graphics driver is X11, made by a first run of the driver; then its
  # fonts and DPI, before the setup program and every later step run in that same prefix.
  PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_GRAPHICS=x11 \
    limit "$step_seconds" "$wine_run" "$driver_exe" ready >"$log"
  local fonts="$root/prefixes/$prefix_name/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp "$wine_fonts"/{tahoma.ttf,tahomabd.ttf,sserife.fon,sseriff.fon} "$fonts"/
  local settings="$root/prefixes/$prefix_name/drive_c/ui-settings.reg"
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"Microsoft Sans Serif"="MS Sans Serif"' \
    '"Arial"="Liberation Sans"' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"MS Shell Dlg"="Microsoft Sans Serif"' '' \
    '[HKEY_CURRENT_USER\Control Panel\Desktop]' \
    "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" '' >"$settings"
  PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_KEEP_PREFIX=1 \
    limit "$step_seconds" "$wine_run" regedit /S 'C:\ui-settings.reg'
  WINEPREFIX="$root/prefixes/$prefix_name" limit 30 wineserver -w

  PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_KEEP_PREFIX=1 \
    timeout --kill-after=10 "$setup_seconds" "$wine_run" "$setup_exe" &
  setup_pid=$!

  drive wait
  drive fits
  shot page-0
  drive next 1
  shot page-1
  drive next 2
  # The associations page arrives in its disabled look; the registry box enables the list.
  drive enabled $assoc_list 0
  drive fits
  shot page-2
  drive click $registry_box
  drive enabled $assoc_list 1
  drive click $images_only
  shot page-2-enabled
  drive next 3
  drive fits
  shot page-3
  # Exit answered No keeps the wizard where it was.
  drive cancel
  shot_screen exit-question
  drive answer no
  drive page 3
  # Next installs: the run asks before associating the ticked types, then the finish page shows.
  drive push next
  drive question
  shot_screen associate-question
  drive answer yes
  drive page 4
  drive fits
  shot page-4
  # Done with "Start Photavian" alone (no browser here): the installed viewer starts.
  drive checked $open_faq 1
  drive checked $start_viewer 1
  drive click $open_faq
  drive checked $open_faq 0
  drive done
  shot_screen viewer
  drive viewer

  local status=0
  for _ in $(seq 300); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$setup_pid" 2>/dev/null; then
    echo "ui: $dpi DPI: the setup program did not end" >&2
    exit 1
  fi
  wait "$setup_pid" || status=$?
  setup_pid=""
  if [ "$status" -ne 0 ]; then
    echo "ui: $dpi DPI: the setup program ended with $status" >&2
    exit 1
  fi
  # What the run installed, seen from the prefix's side.
  local prefix="$root/prefixes/$prefix_name"
  WINEPREFIX="$prefix" limit 30 wineserver -w 2>/dev/null || true
  local installed="$prefix/drive_c/Program Files/Photavian"
  for file in ph_tav64.exe pt_uninstall.exe ph_tav64.ini Plugins/Icons.dll; do
    if [ ! -f "$installed/$file" ]; then
      echo "ui: $dpi DPI: $file was not installed into $installed" >&2
      exit 1
    fi
  done
  local count
  count=$(find "$installed" -type f | wc -l)
  local settings_file
  settings_file=$(find "$prefix/drive_c/users" -path '*/Photavian/ph_tav64.ini' -print -quit)
  if [ -z "$settings_file" ]; then
    echo "ui: $dpi DPI: no settings file in the application data folder" >&2
    exit 1
  fi
  rm -f "$shots/step.out"
  echo "ui: $dpi DPI: $count files installed in $installed; settings in ${settings_file#"$prefix"/}"
  stop_prefix
}

walk 96
walk 144
echo "ui: wizard walked, installed and closed at 96 and 144 DPI; screenshots in $out"
