#!/usr/bin/env bash
# The wizard of the real setup program under Xvfb: started without "/silent", walked through its
# pages by a driver of ours with a screenshot of every page, installing for real through the
# ready page's Next; then Done starts the installed viewer, and the installed files are checked
# in the prefix.
#
#   run-ui-test.sh SETUP.exe DRIVER.exe OUTPUT_DIR
#
# Screenshots land in OUTPUT_DIR as page-N.png (and the questions, the associations list enabled
# and the started viewer); they are test artifacts, not sources. PHOTAVIAN_UI_PREFIX names the
# Wine prefix (default: wizard-ui and a hash of the output folder).
set -euo pipefail
setup_exe=$1
driver_exe=$2
out=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$top/tools/wine-run.sh"
# By default the prefix is named after the output folder, so UI runs of two build folders
# don't share one.
prefix_name=${PHOTAVIAN_UI_PREFIX:-wizard-ui-$(printf '%s' "$3" | md5sum | cut -c1-8)}

mkdir -p "$out"
rm -f "$out"/*.png "$out"/driver.log

xvfb_pid=""
setup_pid=""
cleanup() {
  if [ -n "$setup_pid" ] && kill -0 "$setup_pid" 2>/dev/null; then kill "$setup_pid" 2>/dev/null || true; fi
  WINEPREFIX="$top/.wine/prefixes/$prefix_name" wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and reports it.
display_file=$(mktemp)
Xvfb -displayfd 6 -screen 0 800x600x24 -nolisten tcp 6>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$display_file")"
rm -f "$display_file"
echo "ui: Xvfb on $DISPLAY"

# A fresh prefix whose graphics driver is X11, made by a first run of the driver; the setup
# program and every later step run in that same prefix.
PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_GRAPHICS=x11 "$wine_run" "$driver_exe" ready >"$out/driver.log"
PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_KEEP_PREFIX=1 "$wine_run" "$setup_exe" &
setup_pid=$!

drive() {
  echo "ui: driver $*" >>"$out/driver.log"
  PHOTAVIAN_PREFIX=$prefix_name PHOTAVIAN_KEEP_PREFIX=1 "$wine_run" "$driver_exe" "$@" | tee -a "$out/driver.log"
  local status=${PIPESTATUS[0]}
  if [ "$status" -ne 0 ]; then
    echo "ui: step '$*' failed" >&2
    exit 1
  fi
}

shot() {
  sleep 0.4 # let the page paint
  import -display "$DISPLAY" -window root "$out/$1.png"
}

# Control ids of the pages (res/resource.h).
registry_box=3311
assoc_list=1579
images_only=1091
open_faq=1022
start_viewer=1020

drive wait
shot page-0
drive next 1
shot page-1
drive next 2
# The associations page arrives in its disabled look; the registry box enables the list.
drive enabled $assoc_list 0
shot page-2
drive click $registry_box
drive enabled $assoc_list 1
drive click $images_only
shot page-2-enabled
drive next 3
shot page-3
# Exit answered No keeps the wizard where it was.
drive cancel
shot exit-question
drive answer no
drive page 3
# Next installs: the run asks before associating the ticked types, then the finish page shows.
drive push next
drive question
shot associate-question
drive answer yes
drive page 4
shot page-4
# Done with "Start Photavian" alone (no browser here): the installed viewer starts.
drive checked $open_faq 1
drive checked $start_viewer 1
drive click $open_faq
drive checked $open_faq 0
drive done
sleep 0.4
import -display "$DISPLAY" -window root "$out/viewer.png"
drive viewer

status=0
for _ in $(seq 300); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$setup_pid" 2>/dev/null; then
  echo "ui: the setup program did not end" >&2
  exit 1
fi
wait "$setup_pid" || status=$?
setup_pid=""
if [ "$status" -ne 0 ]; then
  echo "ui: the setup program ended with $status" >&2
  exit 1
fi
# What the run installed, seen from the prefix's side.
prefix="$top/.wine/prefixes/$prefix_name"
WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
installed="$prefix/drive_c/Program Files/Photavian"
for file in ph_tav64.exe pt_uninstall.exe ph_tav64.ini Plugins/Icons.dll; do
  if [ ! -f "$installed/$file" ]; then
    echo "ui: $file was not installed into $installed" >&2
    exit 1
  fi
done
count=$(find "$installed" -type f | wc -l)
settings=$(find "$prefix/drive_c/users" -path '*/Photavian/ph_tav64.ini' -print -quit)
if [ -z "$settings" ]; then
  echo "ui: no settings file in the application data folder" >&2
  exit 1
fi
echo "ui: $count files installed in $installed; settings in ${settings#"$prefix"/}"
echo "ui: wizard walked, installed and closed; screenshots in $out"
