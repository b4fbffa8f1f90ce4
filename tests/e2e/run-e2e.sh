#!/usr/bin/env bash
# Runs the end-to-end test program with a small drive E: for the full-disk cases: a tmpfs of its
# own, linked into the test's prefix. Where mounting needs privileges this process lacks, the run
# moves into a user and mount namespace of its own, where it may mount.
#
#   run-e2e.sh E2E_TESTS.exe [gtest arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
small_drive_kb=1024
# Few enough files that a test can use them all up while bytes are left.
small_drive_files=1000

mnt=$(mktemp -d "${TMPDIR:-/tmp}/ph-small-drive.XXXXXX")
if ! mount -t tmpfs -o "size=${small_drive_kb}k,nr_inodes=${small_drive_files}" ph-small-drive "$mnt" 2>/dev/null; then
  rmdir "$mnt"
  if [ -z "${PH_E2E_IN_NAMESPACE:-}" ] && unshare --user --map-root-user --mount true 2>/dev/null; then
    exec env PH_E2E_IN_NAMESPACE=1 unshare --user --map-root-user --mount "$0" "$@"
  fi
  echo "run-e2e: cannot mount a tmpfs for the small drive (needs root or user namespaces)" >&2
  exit 1
fi
trap 'umount "$mnt" 2>/dev/null; rmdir "$mnt"' EXIT

export PHOTAVIAN_DRIVES="e:=$mnt${PHOTAVIAN_DRIVES:+ $PHOTAVIAN_DRIVES}"
export PH_SMALL_DRIVE='E:'
"$top/tools/wine-run.sh" "$@"
