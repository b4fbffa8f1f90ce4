#!/usr/bin/env bash
# The setup program run by a user who may not write where it is told to install: an unprivileged
# user (nobody), in a Wine prefix of that user's own, with destinations owned by root. Each run
# must fail with the exit code of its cause, leave one entry in the start folder's log and register nothing.
#
#   run-unprivileged.sh photavian-setup.exe
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=${PHOTAVIAN_WINE_ROOT:-$top/.wine}
user=65534

if [ "$(id -u)" -ne 0 ]; then
  echo "run-unprivileged: needs root to run the setup program as another user" >&2
  exit 1
fi

# The template prefix is made by the wrapper; a trivial run makes sure it exists.
PHOTAVIAN_PREFIX=unprivileged-template-check "$top/tools/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
prefix="$root/prefixes/unprivileged-$(printf '%s' "$setup" | md5sum | cut -c1-8)"
rm -rf "$prefix"
cp -a "$root/template" "$prefix"
rm -f "$prefix/.ready" "$prefix/wineserver"
mkdir -p "$prefix/home" "$prefix/drive_c/start"
chown -R "$user:$user" "$prefix"
# Folders the user may enter but not write.
mkdir -p "$prefix/drive_c/locked/existing"
chown -R root:root "$prefix/drive_c/locked"
chmod -R 755 "$prefix/drive_c/locked"

run_as_user() {
  (cd "$prefix/drive_c/start" && setpriv --reuid=$user --regid=$user --clear-groups \
     env HOME="$prefix/home" WINEPREFIX="$prefix" WINEDEBUG=-all \
         WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" timeout 120 wine "$@")
}

failures=0
check() {
  local folder=$1 expected_code=$2 expected_text=$3
  rm -f "$prefix/drive_c/start/Photavian_Install.log"
  local code=0
  run_as_user "$setup" /silent /desktop=1 "/folder=$folder" || code=$?
  setpriv --reuid=$user --regid=$user --clear-groups env WINEPREFIX="$prefix" wineserver -w
  local log="$prefix/drive_c/start/Photavian_Install.log"
  local entries=0
  [ -f "$log" ] && entries=$(grep -c -- '^------------------------------------------------' "$log" || true)
  # wine hands the shell only the low byte of the exit code.
  if [ "$code" -ne $((expected_code & 255)) ]; then
    echo "FAIL $folder: exit code $code, expected $expected_code"; failures=$((failures + 1))
  fi
  if [ "$entries" -ne 1 ] || ! grep -qF -- "$expected_text" "$log"; then
    echo "FAIL $folder: expected one log entry with \"$expected_text\", log:"; cat "$log" 2>/dev/null || true
    failures=$((failures + 1))
  fi
  if grep -q 'Classes\\\\Photavian\]' "$prefix/system.reg" || grep -q 'Uninstall\\\\Photavian64\]' "$prefix/system.reg"; then
    echo "FAIL $folder: something was registered after a stopped run"; failures=$((failures + 1))
  fi
  if [ -e "$prefix/drive_c/locked/dest" ] || [ -n "$(ls -A "$prefix/drive_c/locked/existing")" ]; then
    echo "FAIL $folder: something was written into a folder the user may not write"; failures=$((failures + 1))
  fi
  [ "$failures" -eq 0 ] && echo "ok $folder: exit $code, \"$expected_text\""
}

# A folder the user cannot create, and an existing folder the user cannot write into.
check 'C:\locked\dest' 5 "Can't create destination directory!"
check 'C:\locked\existing' 1603 "Can't install all files!"

setpriv --reuid=$user --regid=$user --clear-groups env WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
rm -rf "$prefix"
exit $((failures > 0))
