#!/usr/bin/env bash
# Brings up (or tears down) the environment the Windows test programs run in:
# a throw-away Wine prefix, a 24-bit Xvfb display, a light window manager and
# one persistent wineserver. Everything lives under the state folder given as
# the second argument; scripts/wine-run.sh reads the "state" file it writes.
#
#   wine-env.sh up   STATE_DIR
#   wine-env.sh down STATE_DIR
set -u
action=${1:?up or down}
state_dir=${2:?state folder}
state_file="$state_dir/state"

export WINEDEBUG=-all
# Keep Wine from offering to download its .NET and HTML engines on first boot.
export WINEDLLOVERRIDES="mscoree,mshtml="

detached() { setsid "$@" </dev/null >/dev/null 2>&1 & echo $!; }

stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

down() {
  [ -f "$state_file" ] || return 0
  # shellcheck disable=SC1090
  . "$state_file"
  WINEPREFIX=$NORVIK_WINEPREFIX timeout 20 wineserver -k 2>/dev/null || true
  WINEPREFIX=$NORVIK_WINEPREFIX timeout 20 wineserver -w 2>/dev/null || true
  stop_pid "${NORVIK_WM_PID:-}"
  stop_pid "${NORVIK_XVFB_PID:-}"
  rm -f "$state_file"
}

reg_setup() {
  # Registry settings every test relies on: no crash dialog (a crashing test
  # must exit, not wait for a click), and the UI fonts mapped to a host font,
  # since Wine's DirectWrite fails layouts for a family it cannot find.
  local f="$state_dir/setup.reg"
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"Tahoma"="DejaVu Sans"\r\n"Verdana"="DejaVu Sans"\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:00000060\r\n\r\n' >"$f"
  wine regedit /S "$(winepath -w "$f")" </dev/null >/dev/null 2>&1
}

make_template() {
  # Booting a prefix costs several seconds; one template per build tree is
  # copied for every run, so each run still starts from a clean registry.
  local template="$state_dir/template"
  [ -f "$template/.ready" ] && return 0
  rm -rf "$template"
  mkdir -p "$template"
  WINEPREFIX="$template" wineboot -i </dev/null >/dev/null 2>&1
  WINEPREFIX="$template" wineserver -w
  touch "$template/.ready"
}

up() {
  down
  mkdir -p "$state_dir"
  make_template || { echo "wine prefix creation failed" >&2; return 1; }
  local prefix="$state_dir/prefix"
  rm -rf "$prefix"
  cp -a "$state_dir/template" "$prefix"

  # Let Xvfb choose a free display number and report it.
  local fifo="$state_dir/display.$$"
  rm -f "$fifo"; mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
  local xvfb_pid=$!
  local display_number
  read -r -t 20 display_number <"$fifo" || { echo "Xvfb did not start" >&2; rm -f "$fifo"; kill $xvfb_pid; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$display_number"

  # -bw 0: evilwm's default border would shift client coordinates by a pixel.
  local wm_pid
  wm_pid=$(detached evilwm -bw 0 -snap 0)

  export WINEPREFIX="$prefix"
  # The first wine process starts services that inherit its stdio and live as
  # long as the server: start them detached, or ctest's pipe never closes.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
  reg_setup

  cat >"$state_file" <<STATE
NORVIK_WINEPREFIX='$prefix'
NORVIK_DISPLAY='$DISPLAY'
NORVIK_XVFB_PID='$xvfb_pid'
NORVIK_WM_PID='$wm_pid'
STATE
  echo "wine environment up: prefix $prefix, display $DISPLAY"
}

case "$action" in
  up) up ;;
  down) down; echo "wine environment down" ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
