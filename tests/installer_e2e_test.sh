#!/usr/bin/env bash
# The real QuendalInstaller.exe under Wine, driven like a person drives it:
#  1. the launcher: without "/UAC" (and with the lower-case "/uac") it starts
#     an elevated second copy, which shows the wizard, and exits 0;
#  2. a whole install into two registered releases through the four pages,
#     with pixel checks of the layout, byte-identical modules, no staging
#     file, the shared data folder, and exit code 0;
#  3. the keyboard alone: an install with a custom folder chosen in the folder
#     dialog, the Cancel question answered both ways, Escape for Finish;
#  4. the same window at 144 dpi: everything scaled by 1.5.
#   installer_e2e_test.sh STATE_DIR QuendalInstaller.exe MODULE_FILE
set -u
state_dir=$1
exe=$2
module=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$state_dir/state"
export WINEPREFIX=$NORVIK_WINEPREFIX DISPLAY=$NORVIK_DISPLAY WINEDEBUG=-all
. "$here/../scripts/host-fixture.sh"
out=$state_dir/e2e
rm -rf "$out"; mkdir -p "$out"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
title='Quendal for After Effects Installer'
# Wine shows a program's command line as its argv; this script's own
# arguments name the exe too, but never as the first word.
running='^[^ ]*QuendalInstaller\.exe( |$)'
. "$here/../scripts/find-window.sh"
wizard_window() { find_window "$title"; }
# Waits for every copy of the installer to end, 20 s at most; whatever is
# left then is ended, so that the next step starts alone.
wait_ended() {
  local end=$((SECONDS + 20))
  while [ $SECONDS -le $end ]; do pgrep -f "$running" >/dev/null || return 0; sleep 0.2; done
  pkill -f "$running"
  return 1
}
close_and_wait() { # closes the wizard with its close box; no question may appear
  xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4 2>/dev/null
  wait_ended || fail "the wizard did not close"
}
cleanup() {
  pkill -f "$running" 2>/dev/null
  clear_releases
  WINEDEBUG=-all wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
}
trap cleanup EXIT
clear_releases
xdotool mousemove 0 0

# 1. The launcher relaunches itself elevated, marked with "/UAC".
for args in "" "/uac"; do
  timeout 30 wine "$exe" $args </dev/null >/dev/null 2>&1
  code=$?
  [ $code -eq 0 ] || fail "launcher with '$args' exited $code"
  win=$(wizard_window)
  if [ -z "$win" ]; then fail "launcher with '$args': no wizard appeared"; wait_ended; continue; fi
  pgrep -f '^[^ ]*QuendalInstaller\.exe /UAC$' >/dev/null || fail "launcher with '$args': the copy has no /UAC"
  close_and_wait "$win"
done

# 2. A whole install through the pages.
: >"$out/releases.txt"
register_release "$out/releases.txt" CC 12 'C:\e2e\After Effects CC\Plug-ins'
register_release "$out/releases.txt" CC2015 13.5 'C:\e2e\After Effects CC 2015\Plug-ins'
shared="$WINEPREFIX/drive_c/ProgramData/Falkmoor"
rm -rf "$shared"
wine "$exe" /UAC </dev/null >/dev/null 2>&1 &
wizard_pid=$!
"$here/../scripts/wizard-walk.sh" "$out" "$module" --check || fail "the walk through the wizard failed"
timeout 20 tail --pid=$wizard_pid -f /dev/null || pkill -f "$running"
wait $wizard_pid; code=$?
[ $code -eq 0 ] || fail "the wizard exited $code"
[ -d "$shared" ] || fail "no shared data folder at $shared"
rm -rf "$WINEPREFIX/drive_c/e2e"

# 3. Keys only: the walk answers the question with Cancel and ends with
#    Escape on Finish; then a second run whose question is answered OK.
clear_releases
mkdir -p "$out/keys"
: >"$out/keys/releases.txt"
register_release "$out/keys/releases.txt" CC 12 'C:\e2e\keys\CC'
register_release "$out/keys/releases.txt" CC2015 13.5 'C:\e2e\keys\CC2015'
mkdir -p "$WINEPREFIX/drive_c/e2e/keys/Custom"
echo 'Custom|C:\e2e\keys\Custom' >>"$out/keys/releases.txt"
wine "$exe" /UAC </dev/null >/dev/null 2>&1 &
wizard_pid=$!
"$here/../scripts/wizard-walk.sh" "$out/keys" "$module" --keys 'C:\e2e\keys\Custom' ||
  fail "the walk with the keyboard failed"
timeout 20 tail --pid=$wizard_pid -f /dev/null || pkill -f "$running"
wait $wizard_pid; code=$?
[ $code -eq 0 ] || fail "the wizard walked with keys exited $code"
wine "$exe" /UAC </dev/null >/dev/null 2>&1 &
wizard_pid=$!
win=$(wizard_window)
if [ -n "$win" ]; then
  xdotool windowactivate --sync "$win" key Escape
  if question=$(find_window 'Exit Installer'); then
    # Keys go to the active window; the question takes keys once shown.
    xdotool windowactivate --sync "$question" 2>/dev/null
    sleep 0.5; xdotool key Return
  else
    fail "keys: Escape did not ask the Cancel question"
  fi
  timeout 20 tail --pid=$wizard_pid -f /dev/null || fail "keys: answering OK did not end the wizard"
else
  fail "keys: no wizard for the Cancel question"
fi
wait_ended
rm -rf "$WINEPREFIX/drive_c/e2e"

# 4. At 144 dpi the same layout, scaled: client 750 x 540, footer from row 465.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wine "$exe" /UAC </dev/null >/dev/null 2>&1 &
win=$(wizard_window)
if [ -n "$win" ]; then
  px() { convert "$out/dpi144.png" -format "%[hex:p{$1,$2}]" info:; }
  # The first frame may still be on its way when the window maps.
  end=$((SECONDS + 10))
  while import -window "$win" "$out/dpi144.png"; [ "$(px 450 463)" = 000000 ] && [ $SECONDS -le $end ]; do
    sleep 0.4
  done
  size=$(identify -format '%wx%h' "$out/dpi144.png")
  [ "$size" = 750x540 ] || fail "client at 144 dpi is $size, expected 750x540"
  [ "$(px 450 463)" = 2D2D2D ] || fail "144 dpi: row 463 is #$(px 450 463), expected the background"
  [ "$(px 450 465)" = 646464 ] || fail "144 dpi: row 465 is #$(px 450 465), expected the footer line"
  [ "$(px 450 470)" = 464646 ] || fail "144 dpi: row 470 is #$(px 450 470), expected the footer band"
  close_and_wait "$win"
else
  fail "no wizard at 144 dpi"
fi

[ $failures -eq 0 ] && echo "installer end to end: all checks passed"
exit $((failures > 0))
