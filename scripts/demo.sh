#!/usr/bin/env bash
# The installer on a built-in demo: a scratch Wine prefix under the build tree
# with three After Effects releases registered ("12", shown as CC, "13.5",
# CC2015, and "25.0", 2025), and QuendalInstaller.exe started without arguments, so that it
# relaunches itself elevated with "/UAC" as it does on Windows.
#
# With a display, the window opens for you to use. Without one, it runs in a
# virtual display, walks the four pages, saves a screenshot of each under
# out/demo/ and prints where the module landed. Exits non-zero when anything
# did not happen.
set -eu
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
cmake --preset cross >/dev/null
cmake --build --preset cross --target QuendalInstaller
exe=$root/build/cross/installer/QuendalInstaller.exe
# The module the exe carries: the one named at configure time, or the
# generated placeholder.
module=$(sed -n 's/^NORVIK_PLUGIN_MODULE:[A-Z]*=//p' build/cross/CMakeCache.txt)
[ -n "$module" ] || module=$root/build/cross/resources/Quendal.aex

state=$root/build/demo
out=$root/out/demo
rm -rf "$out"; mkdir -p "$out"
. scripts/host-fixture.sh

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # A real display: a prefix of our own, then the window is yours.
  export WINEPREFIX=$state/prefix
  if [ ! -f "$WINEPREFIX/.ready" ]; then
    rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1; wineserver -w
    touch "$WINEPREFIX/.ready"
  fi
  clear_releases; : >"$out/releases.txt"
  register_release "$out/releases.txt" CC 12 'C:\Program Files\Adobe\After Effects CC\Support Files\Plug-ins'
  register_release "$out/releases.txt" CC2015 13.5 'C:\Program Files\Adobe\After Effects CC 2015\Support Files\Plug-ins'
  register_release "$out/releases.txt" 2025 25.0 'C:\Program Files\Adobe\Adobe After Effects 2025\Support Files\Plug-ins'
  echo "Starting the installer (prefix $WINEPREFIX)"
  wine "$exe"
  # The launcher ends at once; the elevated copy runs until it is closed.
  # Waiting for this prefix's server waits for exactly the programs started
  # here, not for another copy of the installer elsewhere on the machine.
  wineserver -w
  while IFS='|' read -r name folder; do
    unix=$(wine winepath -u "$folder\\Falkmoor\\Quendal.aex" 2>/dev/null | tr -d '\r')
    if [ -f "$unix" ]; then echo "$name: $unix ($(stat -c %s "$unix") bytes)"; else echo "$name: not installed"; fi
  done <"$out/releases.txt"
  exit 0
fi

# No display: a virtual one, and the walk.
trap 'scripts/wine-env.sh down "$state" >/dev/null 2>&1 || true' EXIT
scripts/wine-env.sh up "$state" >/dev/null
. "$state/state"
export WINEPREFIX=$NORVIK_WINEPREFIX DISPLAY=$NORVIK_DISPLAY
clear_releases; : >"$out/releases.txt"
register_release "$out/releases.txt" CC 12 'C:\Program Files\Adobe\After Effects CC\Support Files\Plug-ins'
register_release "$out/releases.txt" CC2015 13.5 'C:\Program Files\Adobe\After Effects CC 2015\Support Files\Plug-ins'
register_release "$out/releases.txt" 2025 25.0 'C:\Program Files\Adobe\Adobe After Effects 2025\Support Files\Plug-ins'
xdotool mousemove 0 0
wine "$exe" </dev/null >/dev/null 2>&1 || { echo "the launcher failed" >&2; exit 1; }
scripts/wizard-walk.sh "$out" "$module"
