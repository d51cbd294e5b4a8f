#!/usr/bin/env bash
# Walks the installer's four pages with real pointer input, the way a person
# would: welcome, releases, summary, progress and outcome, then Finish.
# Saves a screenshot of each page, then prints every release's installed
# module with its size and whether it is byte-identical to the embedded one.
#
#   wizard-walk.sh OUT_DIR MODULE_FILE [--check] [--keys CUSTOM_FOLDER]
#
# Expects WINEPREFIX and DISPLAY of a prepared environment (see demo.sh),
# with the releases registered by register_release below and the installer
# already started (its window appearing). --check also asserts the window's
# layout from its pixels. --keys walks with the keyboard alone instead, as a
# user without a mouse: the Cancel question answered Cancel, the Custom row
# ticked and CUSTOM_FOLDER (an existing folder) chosen in the folder dialog,
# the install, and Escape on the outcome for Finish. Exits non-zero when
# anything did not happen.
set -u
out=${1:?output folder}
module=${2:?embedded module file}
shift 2
check=
custom=
while [ $# -gt 0 ]; do
  case $1 in
    --check) check=--check ;;
    --keys) custom=${2:?custom folder}; shift ;;
  esac
  shift
done
mkdir -p "$out"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

title='Quendal for After Effects Installer'
. "$(dirname "$0")/find-window.sh"
win=$(find_window "$title" 60)
if [ -z "$win" ]; then echo "FAIL: the installer window did not appear" >&2; exit 1; fi

# Client-area coordinates of the controls (logical units at 96 dpi).
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.4; }
park() { xdotool mousemove --window "$win" 5 5; sleep 0.3; }
shot() { import -window "$win" "$out/$1.png"; }
pixel() { convert "$out/$1.png" -format "%[hex:p{$2,$3}]" info: 2>/dev/null; }
# The page's shot is taken again until the pixel shows what it should (the
# page's frame may still be on its way on a loaded machine), 10 s at most.
expect_pixel() { # page x y hex what
  local got end=$((SECONDS + 10))
  while got=$(pixel "$1" "$2" "$3"); [ "$got" != "$4" ] && [ $SECONDS -le $end ]; do
    sleep 0.2
    shot "$1"
  done
  [ "$got" = "$4" ] || fail "$5: pixel ($2, $3) of $1 is #$got, expected #$4"
}
region_sum() { # the Cancel/Finish button's face, to see its label change
  import -window "$win" -crop 85x30+405+320 +repage rgb:- 2>/dev/null | md5sum
}

# Keys go to the active window; a dialog drops keys that come in its first
# moments on screen, hence the pause before typing into it.
key() { xdotool key --clearmodifiers "$@"; sleep 0.4; }
wait_window() { find_window "$1" 20; }
wait_gone() { # title, 10 s at most
  local end=$((SECONDS + 10))
  while [ $SECONDS -le $end ]; do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}
# The Finish button's top edge: in the focus outline's colour once it has the
# focus and keys are in use. Eight bits a channel: a grab reads out in
# sixteen (#9999D9D9FFFF).
focus_marked() {
  import -window "$win" -crop 85x1+405+320 +repage -depth 8 txt:- 2>/dev/null | grep -qi '#99D9FF'
}

keyboard_walk() {
  xdotool windowactivate --sync "$win"
  key Return                      # welcome: Next has the focus
  key Escape                      # the Cancel question...
  local q; q=$(wait_window 'Exit Installer')
  if [ -z "$q" ]; then fail "Escape did not ask the Cancel question"; return; fi
  key Tab Return                  # ...answered Cancel
  wait_gone 'Exit Installer' || fail "the Cancel question did not close"
  xdotool search --onlyvisible --name "^$title\$" >/dev/null || { fail "answering Cancel closed the wizard"; return; }
  xdotool windowactivate --sync "$win"
  key Tab Tab space               # Custom, ticked: Browse shows
  key Tab Return                  # Browse
  local d; d=$(wait_window 'Custom Folder')
  if [ -z "$d" ]; then fail "Enter on Browse opened no folder dialog"; return; fi
  sleep 1; xdotool windowfocus --sync "$d"
  xdotool type --delay 20 "$custom"; key Return
  wait_gone 'Custom Folder' || fail "the folder dialog did not close"
  xdotool windowactivate --sync "$win"
  key shift+Tab Return            # Enter on the Custom row presses Next: the summary
  shot page2
  before=$(region_sum)
  key Return                      # from the summary: the install
  wait_for_finish
  shot page3
  focus_marked || fail "Finish has the focus but shows no focus mark"
  key Escape                      # Finish
}

wait_for_finish() { # 90 s at most, however long each grab takes
  finished=no
  local end=$((SECONDS + 90))
  while [ $SECONDS -le $end ]; do
    if [ "$(region_sum)" != "$before" ]; then finished=yes; break; fi
    sleep 0.2
  done
  sleep 0.5
  [ $finished = yes ] || fail "the third button never turned into Finish"
}

park
if [ -n "$custom" ]; then
  keyboard_walk
else # with the pointer
# The first frame may still be on its way when the window maps.
end=$((SECONDS + 10))
while shot page0; [ "$(pixel page0 300 200)" = 000000 ] && [ $SECONDS -le $end ]; do
  sleep 0.4
done
if [ "$check" = --check ]; then
  expect_pixel page0 300 200 2D2D2D "window background"
  expect_pixel page0 100 340 464646 "footer band"
  expect_pixel page0 300 310 646464 "footer line"
  expect_pixel page0 300 311 464646 "footer band under its line"
  [ "$(pixel page0 80 150)" != 2D2D2D ] || fail "no logo at the left"
  expect_pixel page0 203 323 282828 "Back disabled on the welcome page"
  expect_pixel page0 293 323 363636 "Next usable on the welcome page"
fi

click 332 335   # Next
park
shot page1
if [ "$check" = --check ]; then
  expect_pixel page1 203 323 363636 "Back usable on the releases page"
fi

click 332 335   # Next
park
shot page2
before=$(region_sum)

click 332 335   # Next: the install starts
park
wait_for_finish
shot page3
if [ "$check" = --check ]; then
  expect_pixel page3 203 323 282828 "Back disabled while installing"
  expect_pixel page3 293 323 282828 "Next disabled while installing"
fi

click 447 335   # Finish
fi
wait_gone "$title" || fail "Finish did not close the window"

# Every registered release's plug-in folder, from the registry of the prefix.
while IFS='|' read -r name folder; do
  [ -n "$name" ] || continue
  unix=$(WINEDEBUG=-all wine winepath -u "$folder\\Falkmoor\\Quendal.aex" 2>/dev/null | tr -d '\r')
  if [ -f "$unix" ]; then
    size=$(stat -c %s "$unix")
    if cmp -s "$unix" "$module"; then same=identical; else same=DIFFERENT; fail "$name: module differs"; fi
    echo "$name: $folder\\Falkmoor\\Quendal.aex  $size bytes  $same to the embedded module"
  else
    fail "$name: no module at $folder\\Falkmoor\\Quendal.aex"
  fi
  leftovers=$(ls "$(dirname "$unix")" 2>/dev/null | grep -v '^Quendal.aex$')
  [ -z "$leftovers" ] || fail "$name: files left beside the module: $leftovers"
done <"$out/releases.txt"

[ $failures -eq 0 ] && echo "walk complete: $out" || echo "$failures check(s) failed" >&2
[ $failures -eq 0 ]
