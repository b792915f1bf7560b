#!/usr/bin/env bash
# Cost of the tool under load: noxelview and a simulation as separate
# processes; prints the tool's CPU time per second of wall time (from
# /proc/PID/stat) and the frames each view painted per second (from the
# counts the tool writes when NOXEL_PAINT_STATS names a file).
#
#   scripts/loadfigures.sh [SECONDS]      (default 20 s per case, after 3 s warm-up)
#
# Uses $DISPLAY when set, else a private Xvfb when installed, else Qt's
# offscreen platform (which paints into memory and flushes nothing).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${BUILD_DIR:-build}
tool=$build/noxelview
sim=$build/sim/noxelsim
loadsim=$build/bench/load/noxel_loadsim
for f in "$tool" "$sim" "$loadsim"; do
  [ -x "$f" ] || { echo "loadfigures: $f is missing (build first: scripts/build.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "${simpid:-}" ] && kill "$simpid" 2>/dev/null || true
  [ -n "${toolpid:-}" ] && kill "$toolpid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

platform="\$DISPLAY (${DISPLAY:-})"
if [ -z "${DISPLAY:-}" ]; then
  if command -v Xvfb >/dev/null; then
    Xvfb :87 -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:87
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X87 ] && break; sleep 0.1; done
    platform="Xvfb (xcb, 1920 x 1200)"
  else
    export QT_QPA_PLATFORM=offscreen
    platform="offscreen (no X server)"
  fi
fi
hz=$(getconf CLK_TCK)
echo "platform: $platform; $seconds s per case after 3 s warm-up; $(nproc) cores"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
paints() { [ -f "$1" ] && cat "$1" || true; }

# run NAME SIMULATION-COMMAND...
run() {
  local name=$1; shift
  local dir=$work/$name
  mkdir -p "$dir/run" "$dir/config"
  chmod 700 "$dir/run"
  if [ -n "${SETTINGS:-}" ]; then
    mkdir -p "$dir/config/Travik"
    printf '[General]\n%s\n' "$SETTINGS" >"$dir/config/Travik/noXelView.conf"
  fi
  export NOXEL_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config NOXEL_PAINT_STATS=$dir/paints
  "$@" >"$dir/sim.log" 2>&1 &
  simpid=$!
  "$tool" >"$dir/tool.log" 2>&1 &
  toolpid=$!
  sleep 3
  local t0 p0 w0 t1 w1
  t0=$(ticks "$toolpid"); p0=$(paints "$dir/paints"); w0=$(date +%s.%N)
  sleep "$seconds"
  t1=$(ticks "$toolpid"); w1=$(date +%s.%N)
  sleep 0.3 # the counts are written at most every 250 ms
  local p1; p1=$(paints "$dir/paints")
  awk -v t="$((t1 - t0))" -v hz="$hz" -v w0="$w0" -v w1="$w1" -v n="$name" \
    'BEGIN { printf "%-28s tool CPU %6.2f %% of one core\n", n, 100 * t / hz / (w1 - w0) }'
  # Paints per view: the difference of the counts over the window.
  awk -v w="$seconds" 'NR == FNR { before[$1 " " $2] = $3; next }
       { k = $1 " " $2; printf "    %-10s view %-3s %6.1f paints/s\n", $1, $2, ($3 - before[k]) / w }' \
    <(echo "$p0") <(echo "$p1")
  kill "$simpid" "$toolpid" 2>/dev/null || true
  wait "$simpid" "$toolpid" 2>/dev/null || true
  simpid= toolpid=
}

run "20 idle layers" "$loadsim" bench/load/idle20.json
# The transparency tiles alternate every 500 ms (each view repaints twice a
# second); as a solid colour they do not, which leaves the polling alone.
SETTINGS="TransDrawMode=2" run "20 idle, solid transparency" "$loadsim" bench/load/idle20.json
run "demo scene at 60 fps" "$sim" --fps 60
run "1920x1080 layer at 60 fps" "$loadsim" bench/load/fullhd.json --fps 60
