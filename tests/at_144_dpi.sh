#!/usr/bin/env bash
# Runs a Windows test program with the test prefix at 144 dpi, which Wine
# reads as a program starts, and puts 96 back afterwards. The program is told
# the density it must find (NORVIK_EXPECT_DPI), so that a setting that did
# not take cannot pass for one that did.
#   at_144_dpi.sh STATE_DIR program.exe [args...]
set -u
state_dir=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$state_dir/state"
dpi() {
  WINEPREFIX=$NORVIK_WINEPREFIX WINEDEBUG=-all wine reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'dpi 96' EXIT
dpi 144
NORVIK_EXPECT_DPI=144 "$here/../scripts/wine-run.sh" "$state_dir" "$@"
