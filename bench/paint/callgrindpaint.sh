#!/usr/bin/env bash
# Instructions the tool spends per painted frame of the demo scene: noxelsim
# --fps 60 and noxelview as separate processes under a private Xvfb, the tool
# under callgrind with instrumentation switched on only for the measuring window
# (after start-up and the first frames). Instruction counts repeat from run
# to run where CPU time on a shared machine does not.
#
#   bench/paint/callgrindpaint.sh [SECONDS] [NOXELVIEW]   (default 30 s, build/noxelview)
#
# Prints the instructions of the window per composite paint (each frame of
# the scene repaints the composite once), and leaves the profile (callgrind_annotate reads it) in
# $OUT (default /tmp/callgrind.paint.out).
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
tool=${2:-build/noxelview}
sim=build/sim/noxelsim
out=${OUT:-/tmp/callgrind.paint.out}
for f in "$tool" "$sim"; do
  [ -x "$f" ] || { echo "callgrindpaint: $f is missing" >&2; exit 1; }
done
for c in Xvfb valgrind callgrind_control; do
  command -v "$c" >/dev/null || { echo "callgrindpaint: $c is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display") QT_QPA_PLATFORM=xcb
mkdir -m 700 "$work/run" "$work/config"
export NOXEL_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config NOXEL_PAINT_STATS=$work/paints

QT_QPA_PLATFORM=offscreen "$sim" --fps 60 >"$work/sim.log" 2>&1 &
pids+=($!)
valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" "$tool" >"$work/tool.log" 2>&1 &
toolpid=$!
pids+=("$toolpid")

composites() { awk '$1 == "composite" { n += $3 } END { print n + 0 }' "$work/paints" 2>/dev/null || echo 0; }
# Start-up and the first frames: until the composite has painted 20 times.
for _ in $(seq 600); do [ "$(composites)" -ge 20 ] && break; sleep 0.2; done
[ "$(composites)" -ge 20 ] || { echo "callgrindpaint: the composite did not paint" >&2; cat "$work/tool.log" >&2; exit 1; }

callgrind_control -i on "$toolpid" >/dev/null
sleep "$seconds"
callgrind_control -d "$toolpid" >/dev/null
sleep 1
kill "$toolpid" 2>/dev/null || true
wait "$toolpid" 2>/dev/null || true
# The dump of -d carries a suffix.
dump=$(ls -t "$out".* 2>/dev/null | head -n 1)
[ -n "$dump" ] || dump=$out
total=$(callgrind_annotate "$dump" 2>/dev/null | awk '/PROGRAM TOTALS/ && !done { gsub(",", "", $1); print $1; done = 1 }')
# Paint events in the window, counted exactly from the profile's calls (the
# paint counts file is written only every 250 ms).
calls() {
  awk -v pat="$1" '
    /^c?fn=\(/ {
      id = $0; sub(/^c?fn=\(/, "", id); rest = id; sub(/\).*/, "", id)
      if (sub(/^[0-9]+\) /, "", rest)) names[id] = rest
      if ($0 ~ /^cfn=/) callee = id
      next
    }
    /^calls=/ { split(substr($0, 7), a, " "); calls[callee] += a[1]; next }
    END { for (id in calls) if (index(names[id], pat)) n += calls[id]; print n + 0 }' "$dump"
}
c=$(calls "PaintComposite::paintEvent(")
l=$(calls "PaintLayer::paintEvent(")
p=$(calls "ColorArea::paintEvent(")
awk -v ir="$total" -v c="$c" -v l="$l" -v p="$p" -v f="$dump" -v s="$seconds" 'BEGIN {
  printf "%.0f instructions in %d s: %d composite paints, %d layer view paints, %d palette area paints\n", ir, s, c, l, p
  if (c > 0) printf "per composite paint: %.2f M instructions\n", ir / c / 1e6
  printf "profile: %s (callgrind_annotate --inclusive=yes %s)\n", f, f }'
