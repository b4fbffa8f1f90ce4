#!/usr/bin/env bash
# The setup program run by a user who may not write where it is told to install: an unprivileged
# user (nobody), in a Wine prefix of that user's own, with destinations owned by root. Each run
# must fail with the exit code of its cause, leave one entry in the start folder's log and register nothing.
#
#   run-unprivileged.sh photavian-setup.exe
#
# Every check runs, whatever an earlier one found; the prefix and its wineserver go at the end,
# however the script ends. Every Wine call has a time limit.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
. "$top/tools/wine-env.sh"
user=65534

if [ "$(id -u)" -ne 0 ]; then
  echo "run-unprivileged: needs root to run the setup program as another user" >&2
  exit 1
fi

as_user=(setpriv --reuid=$user --regid=$user --clear-groups)

# The template prefix is made by the wrapper; a trivial run makes sure it exists.
PHOTAVIAN_PREFIX=unprivileged-template-check "$top/tools/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
prefix=$(wine_prefix "unprivileged-$(printf '%s' "$setup" | md5sum | cut -c1-8)")
cleanup() {
  if [ -d "$prefix" ]; then
    wine_limit 30 "${as_user[@]}" env WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
  fi
}
trap cleanup EXIT
cleanup
cp -a "$PHOTAVIAN_WINE_ROOT/template" "$prefix"
rm -f "$prefix/.ready" "$prefix/wineserver"
mkdir -p "$prefix/home" "$prefix/drive_c/start"
chown -R "$user:$user" "$prefix"
# Folders the user may enter but not write.
mkdir -p "$prefix/drive_c/locked/existing"
chown -R root:root "$prefix/drive_c/locked"
chmod -R 755 "$prefix/drive_c/locked"

# The Wine environment (tools/wine-env.sh) with the user's own home and prefix.
run_as_user() {
  (cd "$prefix/drive_c/start" && wine_limit 120 "${as_user[@]}" env HOME="$prefix/home" WINEPREFIX="$prefix" wine "$@")
}
wait_for_user_server() { wine_limit 120 "${as_user[@]}" env WINEPREFIX="$prefix" wineserver -w; }

failures=0
check() {
  local folder=$1 expected_code=$2 expected_text=$3
  local failed=0
  rm -f "$prefix/drive_c/start/Photavian_Install.log"
  local code=0
  run_as_user "$setup" /silent /desktop=1 "/folder=$folder" || code=$?
  wait_for_user_server || { echo "FAIL $folder: the wineserver did not settle"; failed=1; }
  local log="$prefix/drive_c/start/Photavian_Install.log"
  local entries=0
  [ -f "$log" ] && entries=$(grep -c -- '^------------------------------------------------' "$log" || true)
  # wine hands the shell only the low byte of the exit code.
  if [ "$code" -ne $((expected_code & 255)) ]; then
    echo "FAIL $folder: exit code $code, expected $expected_code"; failed=1
  fi
  if [ "$entries" -ne 1 ] || ! grep -qF -- "$expected_text" "$log"; then
    echo "FAIL $folder: expected one log entry with \"$expected_text\", log:"; cat "$log" 2>/dev/null || true
    failed=1
  fi
  if grep -q 'Classes\\\\Photavian\]' "$prefix/system.reg" || grep -q 'Uninstall\\\\Photavian64\]' "$prefix/system.reg"; then
    echo "FAIL $folder: something was registered after a stopped run"; failed=1
  fi
  if [ -e "$prefix/drive_c/locked/dest" ] || [ -n "$(ls -A "$prefix/drive_c/locked/existing")" ]; then
    echo "FAIL $folder: something was written into a folder the user may not write"; failed=1
  fi
  if [ "$failed" -eq 0 ]; then
    echo "ok $folder: exit $code, \"$expected_text\""
  fi
  failures=$((failures + failed))
}

# A folder the user cannot create, and an existing folder of another account (root's), which the
# user cannot write into either: refused before anything is written.
check 'C:\locked\dest' 5 "Can't create destination directory!"
check 'C:\locked\existing' 5 "The destination directory belongs to another user"

exit $((failures > 0))
