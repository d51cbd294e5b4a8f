#!/usr/bin/env bash
# Runs the whole fault matrix, including the rows that need the host's root
# rights: an immutable vendor folder, a read-only bind mount and a small
# file system as a drive, all made and undone by fault_matrix_test.exe
# itself. Whatever it leaves behind (it may die mid-row) is undone here.
# Exits 77 (skipped) where this machine forbids mounting.
#   fault_matrix_test.sh STATE_DIR fault_matrix_test.exe
set -u
state_dir=$1
exe=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$state_dir/state"
drive_c="$NORVIK_WINEPREFIX/drive_c"

cleanup() {
  if [ -d "$drive_c/fault-matrix" ]; then
    chattr -R -i "$drive_c/fault-matrix" 2>/dev/null
    grep -o " $drive_c/fault-matrix[^ ]*" /proc/mounts | sort -r | while read -r m; do umount "$m"; done
  fi
  rm -f "$NORVIK_WINEPREFIX/dosdevices/t:" "$NORVIK_WINEPREFIX/dosdevices/q:"
  mountpoint -q "$state_dir/fault-matrix-t" && umount "$state_dir/fault-matrix-t"
  rm -rf "$state_dir/fault-matrix-t" "$state_dir/fault-matrix-q" "$drive_c/fault-matrix"
}
trap cleanup EXIT

probe=$(mktemp -d "$state_dir/mount-probe.XXXXXX")
if ! mount -t tmpfs -o size=64k tmpfs "$probe" 2>/dev/null; then
  rmdir "$probe"
  echo "SKIPPED: this machine does not allow mounting a small file system (needs root and mount rights)"
  exit 77
fi
umount "$probe"
rmdir "$probe"

NORVIK_FAULT_ROOT=1 "$here/../scripts/wine-run.sh" "$state_dir" "$exe"
