#!/usr/bin/env bash
# Benchmarks QuendalInstaller.exe side by side with a script-built peer
# installer (bench/peer.nsi), with the floor Direct2D itself sets under Wine
# (bench/floor_window.cpp) and with the least a quiet install can do
# (bench/quiet_floor.cpp), in one run on this machine, so that every figure
# is read as a ratio. Contenders alternate run by run (A, B, A, B ...).
# Prints one table: median, min and max per figure, and the ratios.
#
#   bench/run.sh            RUNS=7 QUIET_RUNS=15 IDLE_RUNS=3 IDLE_SECONDS=10 by default
# Never run by scripts/test.sh.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
RUNS=${RUNS:-7}
# A quiet install takes tens of milliseconds, which the machine's other work
# sways by as much: more runs keep its medians steady.
QUIET_RUNS=${QUIET_RUNS:-15}
IDLE_RUNS=${IDLE_RUNS:-3}
IDLE_SECONDS=${IDLE_SECONDS:-10}

scripts/install-deps.sh
need=()
for p in nsis libx11-dev gcc; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

echo "== building"
# Other builds of the same tree (a developer's, another run) wait for this one.
locked() { if command -v flock >/dev/null; then flock /tmp/norvik-build.lock "$@"; else "$@"; fi; }
[ -f build/cross/build.ninja ] || locked cmake --preset cross >/dev/null
locked cmake --build build/cross --target QuendalInstaller floor_window install_bench paint_bench startup_phases \
  quiet_floor >/dev/null
cross=$root/build/cross
work=$root/build/bench
mkdir -p "$work"
module=$cross/resources/Quendal.aex
gcc -O2 -o "$work/x11_watch" bench/x11_watch.c -lX11
makensis -V1 -DPAYLOAD="$module" -DOUTFILE="$work/peer.exe" bench/peer.nsi
# Sizes with a one-byte payload: what each installer adds to its payload.
printf 'x' >"$work/one_byte.aex"
makensis -V1 -DPAYLOAD="$work/one_byte.aex" -DOUTFILE="$work/peer_one_byte.exe" bench/peer.nsi
cmake -S . -B "$work/size" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DNORVIK_BUILD_TESTS=OFF -DNORVIK_PLUGIN_MODULE="$work/one_byte.aex" >/dev/null
cmake --build "$work/size" --target QuendalInstaller >/dev/null

echo "== environment"
state=$work/wine
running=""   # the program under measurement, stopped by its process id
stop_running() {
  [ -n "$running" ] || return 0
  kill "$running" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$running" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$running" 2>/dev/null || true
  running=""
  sleep 0.3
}
trap 'stop_running; scripts/wine-env.sh down "$state" >/dev/null 2>&1 || true' EXIT
scripts/wine-env.sh up "$state" >/dev/null
. "$state/state"
export WINEPREFIX=$NORVIK_WINEPREFIX DISPLAY=$NORVIK_DISPLAY WINEDEBUG=-all
. scripts/host-fixture.sh
drive=$WINEPREFIX/drive_c
watch=$work/x11_watch
results=$work/results.txt
: >"$results"
record() { echo "$1 $2" >>"$results"; }   # figure value

ours_title='Quendal for After Effects Installer'
peer_title='Quendal for After Effects Peer Installer'
floor_title='Norvik Floor'
# Starts a program through x11_watch: ms is the time to its painted window,
# running its process id.
watch_start() { # title x y colour program args...
  local out
  out=$("$watch" start "$1" "$2" "$3" "$4" 30 -- "${@:5}") || true
  running=${out##* }
  ms=${out%% *}
}

# Two releases for the pages; folders for 2 and 8 targets.
clear_releases; : >"$work/releases.txt"
keys=(10.0 10.5 11 12 13 13.5 13.8)
folders=()
for k in "${keys[@]}"; do
  f="C:\\bench\\AE $k\\Plug-ins"
  register_release "$work/releases.txt" "$k" "$k" "$f"
  folders+=("$f")
done
folders+=('C:\bench\custom')
mkdir -p "$drive/bench/custom"
two=("C:\\bench\\AE 12\\Plug-ins" "C:\\bench\\AE 13.5\\Plug-ins")
only_two_releases() {
  clear_releases; : >"$work/r2.txt"
  register_release "$work/r2.txt" CC 12 "${two[0]}"
  register_release "$work/r2.txt" CC2015 13.5 "${two[1]}"
}
all_releases() {
  for k in "${keys[@]}"; do register_release /dev/null "$k" "$k" "C:\\bench\\AE $k\\Plug-ins"; done
}
remove_modules() { find "$drive/bench" -name Quendal.aex -delete; }
modules_written() { # who expected
  local got
  got=$(find "$drive/bench" -name Quendal.aex | wc -l)
  [ "$got" = "$2" ] || echo "$1 wrote $got modules, expected $2" >&2
}
xdotool mousemove 0 0

echo "== start-up (x $RUNS each)"
# The peer's dialog colour (the system's), read once it has long been painted.
wine "$work/peer.exe" </dev/null >/dev/null 2>&1 &
running=$!
timeout 30 xdotool search --sync --onlyvisible --name "^$peer_title\$" >/dev/null
sleep 3
peer_colour=$("$watch" pixel "$peer_title" 250 120 30)
stop_running
for _ in $(seq "$RUNS"); do
  for who in ours floor peer; do
    case $who in
      ours) watch_start "$ours_title" 300 200 2D2D2D wine "$cross/installer/QuendalInstaller.exe" /UAC ;;
      floor) watch_start "$floor_title" 250 180 2D2D2D wine "$cross/bench/floor_window.exe" ;;
      peer) watch_start "$peer_title" 250 120 "$peer_colour" wine "$work/peer.exe" ;;
    esac
    record "startup_$who" "$ms"
    # Resident memory once the first page shows: the floor's is what Wine's
    # Direct2D alone takes.
    record "memory0_$who" "$(awk '/VmHWM/{printf "%.1f", $2/1024}' "/proc/$running/status" 2>/dev/null)"
    stop_running
  done
done

echo "== start-up by phase (x $RUNS each)"
for _ in $(seq "$RUNS"); do
  for mode in floor wizard; do
    wine "$cross/bench/startup_phases.exe" $mode 2>/dev/null | tr -d '\r' | while read -r name value; do
      record "$name" "$value"
    done
  done
done

echo "== install (x $RUNS each)"
only_two_releases
for n in 2 8; do
  if [ $n = 2 ]; then set -- "${two[@]}"; else set -- "${folders[@]}"; fi
  [ $n = 8 ] && all_releases
  for i in $(seq "$RUNS"); do
    order=ab; [ $((i % 2)) = 0 ] && order=ba
    remove_modules
    while read -r line; do
      job=${line#job_ms=}; job=${job%% *}; copy=${line##*copy_ms=}
      record "install${n}_job" "$job"; record "install${n}_copy" "$copy"
    done < <(wine "$cross/bench/install_bench.exe" $order "$@" | tr -d '\r')
    remove_modules
    d=(); [ $n = 8 ] && d=("/D=${folders[7]}")
    t0=$(date +%s%N)
    wine "$work/peer.exe" /S "${d[@]}" </dev/null >/dev/null 2>&1
    record "install${n}_peer" "$(( ($(date +%s%N) - t0) / 1000000 ))"
    modules_written peer $n
  done
done
only_two_releases

echo "== quiet install, process start to exit (x $QUIET_RUNS each)"
# The whole process is timed, Wine's start included, the same way for all
# three: the installer's /quiet, the floor copying the same bytes (the module
# the installer embeds) into the same folders, and the peer's /S.
module_w=$(wine winepath -w "$module" 2>/dev/null | tr -d '\r')
time_exit() { # figure program args...; records unless warming up
  local out
  out=$("$watch" exit 60 -- "${@:2}") || true
  [ "${out##* }" = 0 ] || echo "$1: exit status ${out##* }" >&2
  [ "$warming" = yes ] || record "$1" "${out%% *}"
}
for n in 2 8; do
  dir=(); peer_dir=()
  if [ $n = 2 ]; then
    set -- "${two[@]}"
  else
    set -- "${folders[@]}"; all_releases
    dir=("/dir=${folders[7]}"); peer_dir=("/D=${folders[7]}")
  fi
  # Round 0 warms the caches and is not recorded; then the order turns
  # round every run, as the install rows' pairs do.
  for i in $(seq 0 "$QUIET_RUNS"); do
    warming=no; [ "$i" = 0 ] && warming=yes
    order=(ours floor peer); [ $((i % 2)) = 0 ] && order=(peer floor ours)
    for who in "${order[@]}"; do
      remove_modules
      case $who in
        ours) time_exit quiet${n}_ours wine "$cross/installer/QuendalInstaller.exe" /quiet "${dir[@]}" ;;
        floor) time_exit quiet${n}_floor wine "$cross/bench/quiet_floor.exe" "$module_w" "$@" ;;
        peer) time_exit quiet${n}_peer wine "$work/peer.exe" /S "${peer_dir[@]}" ;;
      esac
      modules_written "$who" $n
    done
  done
done
remove_modules
only_two_releases

echo "== idle and memory on page 1 (x $IDLE_RUNS each, ${IDLE_SECONDS} s)"
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
for _ in $(seq "$IDLE_RUNS"); do
  for who in ours peer; do
    if [ $who = ours ]; then
      watch_start "$ours_title" 300 200 2D2D2D wine "$cross/installer/QuendalInstaller.exe" /UAC
      w=$(xdotool search --onlyvisible --name "^$ours_title\$" | head -n1)
      xdotool mousemove --window "$w" 332 335 click 1; sleep 0.3; xdotool mousemove --window "$w" 5 5
    else
      watch_start "$peer_title" 250 120 "$peer_colour" wine "$work/peer.exe"
      w=$(xdotool search --onlyvisible --name "^$peer_title\$" | head -n1)
      xdotool windowactivate --sync "$w" key Return
    fi
    pid=$running
    sleep 1
    a=$(cpu_ticks "$pid"); sleep "$IDLE_SECONDS"; b=$(cpu_ticks "$pid")
    hz=$(getconf CLK_TCK)
    record "idle_$who" "$(awk -v a="$a" -v b="$b" -v hz="$hz" -v s="$IDLE_SECONDS" 'BEGIN{printf "%.3f", (b-a)/hz/s*100}')"
    record "memory_$who" "$(awk '/VmHWM/{printf "%.1f", $2/1024}' "/proc/$pid/status")"
    stop_running
  done
done

echo "== paint"
wine "$cross/bench/paint_bench.exe" 15 2>/dev/null | tr -d '\r' | while read -r name value; do
  record "$name" "$value"
done

size_ours=$(stat -c %s "$work/size/installer/QuendalInstaller.exe")
size_peer=$(stat -c %s "$work/peer_one_byte.exe")
record size_ours "$(awk -v b="$size_ours" 'BEGIN{printf "%.3f", b/1048576}')"
record size_peer "$(awk -v b="$size_peer" 'BEGIN{printf "%.3f", b/1048576}')"

# --- the table ---
stat_of() { # figure -> "median min max"
  awk -v f="$1" '$1==f{print $2}' "$results" | sort -g | awk '{v[NR]=$1} END{
    if (NR==0) {print "- - -"; exit}
    m = (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2; printf "%.2f %.2f %.2f", m, v[1], v[NR]}'
}
median() { stat_of "$1" | awk '{print $1}'; }
ratio() { awk -v a="$(median "$1")" -v b="$(median "$2")" 'BEGIN{ if (b>0) printf "%.2f", a/b; else print "-" }'; }
row() { # label figure unit ratio-text
  read -r m lo hi <<<"$(stat_of "$2")"
  printf '| %s | %s %s | %s | %s | %s |\n' "$1" "$m" "$3" "$lo" "$hi" "$4"
}
{
echo "| Figure | Median | Min | Max | Ratio |"
echo "|---|---|---|---|---|"
row "Start-up, ours" startup_ours ms "$(ratio startup_ours startup_floor) x floor (goal <= 1.1), $(ratio startup_ours startup_peer) x peer"
row "Start-up, Direct2D floor" startup_floor ms ""
row "Start-up, peer's first page" startup_peer ms ""
phases() { # label figures...
  local label=$1 out="" f; shift
  for f in "$@"; do out+="${out:+ / }$(median "$f")"; done
  printf '| %s | %s ms | | | |\n' "$label" "$out"
}
phases "Start-up by phase, floor: to main / OLE and factories / window / render target / first paint" \
  phase_floor_to_main phase_floor_ole_factories phase_floor_window phase_floor_render_target phase_floor_first_paint
phases "Start-up by phase, ours: to main / wizard built / first paint" \
  phase_wizard_to_main phase_wizard_wizard_built phase_wizard_first_paint
row "Start-up after main, ours" phase_wizard_total ms "$(ratio phase_wizard_total phase_floor_total) x floor, in process"
row "Start-up after main, floor" phase_floor_total ms ""
for n in 2 8; do
  row "Install $n targets, ours" install${n}_job ms "$(ratio install${n}_job install${n}_copy) x limit (goal <= 1.1); peer $(ratio install${n}_peer install${n}_job) x slower (goal >= 3)"
  row "Install $n targets, CopyFileW + flush" install${n}_copy ms ""
  row "Install $n targets, peer /S" install${n}_peer ms ""
  printf '| Install %s targets, per target | %s / %s / %s ms (ours / limit / peer) | | | |\n' "$n" \
    "$(awk -v m="$(median install${n}_job)" -v n=$n 'BEGIN{printf "%.1f", m/n}')" \
    "$(awk -v m="$(median install${n}_copy)" -v n=$n 'BEGIN{printf "%.1f", m/n}')" \
    "$(awk -v m="$(median install${n}_peer)" -v n=$n 'BEGIN{printf "%.1f", m/n}')"
done
for n in 2 8; do
  row "Quiet install $n targets, start to exit, ours" quiet${n}_ours ms \
    "$(ratio quiet${n}_ours quiet${n}_floor) x floor (goal <= 1.2); peer $(ratio quiet${n}_peer quiet${n}_ours) x slower (goal >= 10)"
  row "Quiet install $n targets, start to exit, CopyFileW floor" quiet${n}_floor ms ""
  row "Quiet install $n targets, start to exit, peer /S" quiet${n}_peer ms ""
done
row "Idle CPU on page 1, ours" idle_ours % "goal < 0.5 %"
row "Idle CPU on page 1, peer" idle_peer % ""
for p in 0 1 2 3; do
  row "Full repaint, page $p" paint_full_$p us "$(ratio paint_full_$p paint_bare_$p) x bare clear and present"
done
row "Bare clear and present" paint_bare_0 us ""
row "Size with a one-byte module, ours" size_ours MB "goal < 1 MB; $(ratio size_ours size_peer) x peer"
row "Size with a one-byte payload, peer" size_peer MB ""
row "Peak memory on page 1, ours" memory_ours MB "$(ratio memory_ours memory_peer) x peer"
row "Peak memory on page 1, peer" memory_peer MB ""
row "Peak memory on page 0, ours" memory0_ours MB "$(ratio memory0_ours memory0_floor) x floor"
row "Peak memory, Direct2D floor" memory0_floor MB ""
row "Peak memory on page 0, peer" memory0_peer MB ""
} | tee "$work/table.md"
echo
echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1), $(wine --version)"
