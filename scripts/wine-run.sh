#!/usr/bin/env bash
# Runs one Windows program under Wine in the test environment brought up by
# wine-env.sh. Used as the cross build's test emulator:
#   wine-run.sh STATE_DIR program.exe [args...]
state_dir=${1:?state folder}
shift
state_file="$state_dir/state"
if [ ! -f "$state_file" ]; then
  echo "no Wine test environment in $state_dir (run the wine_up test first)" >&2
  exit 2
fi
# shellcheck disable=SC1090
. "$state_file"
export WINEPREFIX=$NORVIK_WINEPREFIX DISPLAY=$NORVIK_DISPLAY
export WINEDEBUG=${WINEDEBUG:--all}
export NORVIK_WINE_STATE_DIR=$state_dir
exec wine "$@"
