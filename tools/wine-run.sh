#!/usr/bin/env bash
# Runs a Windows program under Wine in a throw-away prefix of its own.
#
#   wine-run.sh PROGRAM.exe [ARGS...]
#
# The prefix is a fresh copy of a template that is made once (wineboot takes 10-15 s; a copy
# takes a fraction of a second). Its name is taken from PHOTAVIAN_PREFIX when set, otherwise
# from the program's file name and folder, so each test program of each build folder gets its
# own registry and drive C:.
# With PHOTAVIAN_KEEP_PREFIX=1 an existing prefix of that name is used as it is.
# With PHOTAVIAN_GRAPHICS set (x11), a fresh prefix uses that graphics driver (see below).
# With PHOTAVIAN_DRIVES set ("e:=/host/folder f:=/other"), those host folders are drives of the
# prefix.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/wine-env.sh"
root=$PHOTAVIAN_WINE_ROOT

template="$root/template"
if [ ! -f "$template/.ready" ]; then
  mkdir -p "$root"
  exec 9>"$root/.template.lock"
  flock 9
  if [ ! -f "$template/.ready" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" timeout 300 wineboot -i >/dev/null 2>&1
    # Windows exist without an X display through the null graphics driver. It must be set before
    # any program runs: a wineserver remembers a failed display start until it restarts.
    WINEPREFIX="$template" timeout 120 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wine_server "$template" -w
    wine_server "$template" -k 2>/dev/null || true
    # wineboot links the shell folders (Desktop, Documents ...) to $HOME: make them real folders
    # of the prefix so that shortcuts land inside it.
    for link in "$template"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm "$link"; mkdir -p "$link"; fi
    done
    rm -f "$template/wineserver"
    touch "$template/.ready"
  fi
  exec 9>&-
fi

# Programs of different build folders get different prefixes, so two test runs side by side
# never share (or kill) each other's wineserver.
if [ -n "${PHOTAVIAN_PREFIX:-}" ]; then
  name=$PHOTAVIAN_PREFIX
else
  program_dir=$(cd "$(dirname "$1")" 2>/dev/null && pwd || echo "$1")
  name="$(basename "$1" .exe)-$(printf '%s' "$program_dir" | md5sum | cut -c1-8)"
fi
prefix=$(wine_prefix "$name")
if [ "${PHOTAVIAN_KEEP_PREFIX:-0}" != 1 ] || [ ! -d "$prefix" ]; then
  if [ -d "$prefix" ]; then
    wine_server "$prefix" -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
  mkdir -p "$prefix/drive_c/windows"
  # The system DLL folders are only read by Wine: hard links make the copy cheap.
  (cd "$template" && find . -mindepth 1 -maxdepth 1 ! -name drive_c ! -name .ready -exec cp -a {} "$prefix"/ \;)
  (cd "$template/drive_c" && find . -mindepth 1 -maxdepth 1 ! -name windows -exec cp -a {} "$prefix/drive_c"/ \;)
  for d in "$template"/drive_c/windows/*; do
    case "$(basename "$d")" in
      system32|syswow64) cp -al "$d" "$prefix/drive_c/windows/" ;;
      *) cp -a "$d" "$prefix/drive_c/windows/" ;;
    esac
  done
  rm -f "$prefix/wineserver"
  # PHOTAVIAN_GRAPHICS=x11 (a run under Xvfb, for screenshots) gives the fresh copy that graphics
  # driver instead of the template's null driver, written into its registry before any program
  # runs there.
  if [ -n "${PHOTAVIAN_GRAPHICS:-}" ]; then
    sed -i "s/^\"Graphics\"=\"null\"/\"Graphics\"=\"${PHOTAVIAN_GRAPHICS}\"/" "$prefix/user.reg"
  fi
fi

for drive in ${PHOTAVIAN_DRIVES:-}; do
  ln -sfn "${drive#*=}" "$prefix/dosdevices/${drive%%=*}"
done

export WINEPREFIX="$prefix"
status=0
# No program may hang a test run or the main job: PHOTAVIAN_WINE_TIMEOUT seconds at the most.
timeout "${PHOTAVIAN_WINE_TIMEOUT:-900}" wine "$@" || status=$?
exit "$status"
