#!/usr/bin/env bash
# Runs the install job against a drive that fills up part-way through the
# module: a small tmpfs linked into the prefix as drive T:. A previous module
# is placed there first; it must survive the failed write, and no staging file
# may be left behind. Exits 77 (skipped) where this machine forbids mounting.
#   full_disk_test.sh STATE_DIR install_job_test.exe
set -u
state_dir=$1
exe=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$state_dir/state"

mnt=$(mktemp -d "$state_dir/full-disk.XXXXXX")
drive="$NORVIK_WINEPREFIX/dosdevices/t:"
cleanup() {
  rm -f "$drive"
  umount "$mnt" 2>/dev/null
  rmdir "$mnt" 2>/dev/null
}
trap cleanup EXIT

if ! mount -t tmpfs -o size=2m tmpfs "$mnt" 2>/dev/null; then
  echo "SKIPPED: this machine does not allow mounting a small file system (needs root and mount rights)"
  exit 77
fi
mkdir -p "$mnt/target/Falkmoor"
head -c 300000 /dev/urandom >"$mnt/target/Falkmoor/Quendal.aex"
cp "$mnt/target/Falkmoor/Quendal.aex" "$state_dir/full-disk-previous.aex"
rm -f "$drive"
ln -s "$mnt" "$drive"

NORVIK_FULL_DISK_TARGET='T:\target' "$here/../scripts/wine-run.sh" "$state_dir" "$exe" \
  --gtest_filter='InstallJob.FullDiskKeepsThePreviousModule'
status=$?

# Checked from outside as well: the bytes on the disk, not what Wine reports.
if ! cmp -s "$mnt/target/Falkmoor/Quendal.aex" "$state_dir/full-disk-previous.aex"; then
  echo "the previous module was changed"; status=1
fi
leftovers=$(ls "$mnt/target/Falkmoor" | grep -v '^Quendal.aex$')
if [ -n "$leftovers" ]; then echo "files left behind: $leftovers"; status=1; fi
rm -f "$state_dir/full-disk-previous.aex"
exit $status
