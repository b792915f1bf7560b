#!/usr/bin/env bash
# System calls of the tool while it is connected to a simulation that does
# nothing: noxelview (offscreen) beside noxel_loadsim with the 20 idle layers
# of bench/load/idle20.json, counted with strace over SECONDS after a 4 s
# start, and divided by the redraw ticks of that time: each tick share-locks
# the presence file once (flock), so the flock count is the tick count, also
# when a busy machine let fewer ticks run than one per 15 ms.
#
#   scripts/tickcalls.sh [SECONDS [TOOL]]   (default 10 s, build/noxelview)
#
# Prints strace's table and the calls per tick. Needs strace.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
build=${BUILD_DIR:-build}
tool=${2:-$build/noxelview}
loadsim=$build/bench/load/noxel_loadsim
command -v strace >/dev/null || { echo "tickcalls: skipped: strace is not installed" >&2; exit 0; }
for f in "$tool" "$loadsim"; do
  [ -x "$f" ] || { echo "tickcalls: $f is missing (build first: scripts/build.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
cleanup() {
  [ -n "${toolpid:-}" ] && kill "$toolpid" 2>/dev/null || true
  [ -n "${simpid:-}" ] && kill "$simpid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export NOXEL_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
"$loadsim" bench/load/idle20.json >/dev/null 2>&1 &
simpid=$!
sleep 1
"$tool" >/dev/null 2>&1 &
toolpid=$!
sleep 4
timeout -s INT "$seconds" strace -f -c -p "$toolpid" -o "$work/calls" 2>/dev/null || true
cat "$work/calls"
awk '$NF == "flock" { ticks = $4 } $NF == "total" { total = $4 }
     END { if (ticks) printf "%d calls in %d ticks: %.1f per tick\n", total, ticks, total / ticks; else print "no ticks seen" }' "$work/calls"
