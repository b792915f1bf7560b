#!/usr/bin/env bash
# Cost of the tool under load: noxelview and a simulation as separate
# processes; prints the tool's CPU time per second of wall time (from
# /proc/PID/stat) and the frames each view painted per second (from the
# counts the tool writes when NOXEL_PAINT_STATS names a file).
#
#   scripts/loadfigures.sh [SECONDS [WORD...]]   (default 20 s per case, after 3 s warm-up)
#
# With words, only the cases whose names contain one of them run
# (e.g. "demo", "zoom").
#
# Uses $DISPLAY when set, else a private Xvfb when installed, else Qt's
# offscreen platform (which paints into memory and flushes nothing). The
# zoom 4 + grid case clicks the view's buttons with xdotool, finding them
# with tests/e2e/e2eprobe (so on $DISPLAY it moves that display's pointer);
# without an X server or xdotool it is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
words=("$@")
build=${BUILD_DIR:-build}
tool=$build/noxelview
sim=$build/sim/noxelsim
loadsim=$build/bench/load/noxel_loadsim
floor=$build/bench/load/noxel_timerfloor
probe=$build/tests/e2e/e2eprobe
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
    # A free display number, which Xvfb writes once it accepts clients.
    Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=:$(head -n 1 "$work/display")
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

# start NAME SIMULATION-COMMAND...: the simulation and the tool, each with
# the case's own runtime directory, settings and paint counts.
start() {
  local name=$1; shift
  dir=$work/$name
  mkdir -p "$dir/run" "$dir/config"
  chmod 700 "$dir/run"
  if [ -n "${SETTINGS:-}" ]; then
    mkdir -p "$dir/config/Travik"
    printf '[General]\n%s\n' "$SETTINGS" >"$dir/config/Travik/noXelView.conf"
  fi
  export NOXEL_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config NOXEL_PAINT_STATS=$dir/paints
  "$@" >"$dir/sim.log" 2>&1 &
  simpid=$!
  "${case_tool:-$tool}" >"$dir/tool.log" 2>&1 &
  toolpid=$!
}

stop() {
  kill "$simpid" "$toolpid" 2>/dev/null || true
  wait "$simpid" "$toolpid" 2>/dev/null || true
  simpid= toolpid=
}

# measure NAME: CPU and paints of the running case over $seconds.
measure() {
  local name=$1
  local t0 p0 w0 t1 w1
  t0=$(ticks "$toolpid"); p0=$(paints "$dir/paints"); w0=$(date +%s.%N)
  sleep "$seconds"
  t1=$(ticks "$toolpid"); w1=$(date +%s.%N)
  sleep 0.3 # the counts are written at most every 250 ms
  local p1; p1=$(paints "$dir/paints")
  awk -v t="$((t1 - t0))" -v hz="$hz" -v w0="$w0" -v w1="$w1" -v n="$name" \
    'BEGIN { printf "%-28s tool CPU %6.2f %% of one core\n", n, 100 * t / hz / (w1 - w0) }'
  # Paints per view: the difference of the counts over the window, and the
  # zoom and grid of the view's latest paint.
  [ -n "${case_tool:-}" ] && return
  awk -v w="$seconds" 'NR == FNR { before[$1 " " $2] = $3; next }
       NF < 5 { next }
       { k = $1 " " $2; n++; printf "    %-10s view %-3s %6.1f paints/s  zoom %s, grid %s\n", $1, $2,
         ($3 - before[k]) / w, $4, $5 == 1 ? "on" : "off" }
       END { if (!n) print "    no paint counted yet (the counts are written while views paint)" }' \
    <(echo "$p0") <(echo "$p1")
}

# Whether the case NAME was asked for.
wanted() {
  [ ${#words[@]} -eq 0 ] && return 0
  local w
  for w in "${words[@]}"; do
    case "$1" in *"$w"*) return 0 ;; esac
  done
  return 1
}

# run NAME SIMULATION-COMMAND...
run() {
  wanted "$1" || return 0
  start "$@"
  sleep 3
  measure "$1"
  stop
}

# Zoom and grid as the first layer view last painted them ("ZOOM GRID").
layer_state() { awk '$1 == "layer" { print $4, $5; exit }' "$dir/paints" 2>/dev/null; }
# Runs the command until it succeeds, at most SECONDS seconds.
wait_until() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.2
  done
}
state_is() { [ "$(layer_state)" = "$1" ]; }
# "X Y" of each place where the icon shows, left to right.
icons() { "$probe" icon "Resource/Scale_100/$1" 2>/dev/null | sort -n || true; }
click_icon_at() { xdotool mousemove $(($1 + 16)) $(($2 + 16)) click 1; }

# The first layer view at zoom 4 with its grid on, set through the view's
# own buttons in the tool's window, then measured like any case. The zoom
# and grid of the painted frames are checked from the paint counts before
# and after the measurement.
# zoom_grid_case NAME SIMULATION-COMMAND...
zoom_grid_case() {
  local name=$1
  wanted "$name" || return 0
  local why=
  if [ "$platform" = "offscreen (no X server)" ]; then
    why="no X server (install Xvfb: scripts/install-deps.sh test)"
  elif ! command -v xdotool >/dev/null; then
    why="xdotool is not installed (scripts/install-deps.sh test)"
  elif [ ! -x "$probe" ]; then
    why="$probe is missing (build the tests)"
  fi
  if [ -n "$why" ]; then
    printf '%-28s skipped: %s\n' "$name" "$why"
    return
  fi
  start "$@"
  local failed=
  zoom_grid_setup || failed=$?
  if [ -n "$failed" ]; then
    printf '%-28s NOT MEASURED: %s\n' "$name" "$setup_error"
    local shot=${TMPDIR:-/tmp}/loadfigures-zoom-failure.png
    "$probe" shot "$shot" 2>/dev/null && echo "    screen at the failure: $shot"
    stop
    return
  fi
  sleep 3
  measure "$name"
  state_is "4 1" || echo "    WARNING: the layer view left zoom 4 with grid during the measurement: $(layer_state)"
  stop
}

setup_error=
zoom_grid_setup() {
  wait_until 20 state_is "1 0" || { setup_error="the layer view was not painted at zoom 1 within 20 s"; return 1; }
  local found x y
  # The layer view's buttons lie left of the composite's; when they are
  # scrolled out of the window, scroll the window's view area right with
  # the horizontal wheel over the layer view's top row.
  found=$(icons ZoomPlus_32x32.png)
  if [ "$(echo "$found" | grep -c . || true)" -lt 2 ]; then
    read -r x y <<<"$(echo "$found" | head -n 1)"
    [ -n "$x" ] || { setup_error="no zoom-in button on the screen"; return 1; }
    xdotool mousemove $((x / 2)) $((y + 16)) click --repeat 40 --delay 10 7
    sleep 0.5
  fi
  local zoom
  for zoom in 2 3 4; do
    found=$(icons ZoomPlus_32x32.png)
    [ "$(echo "$found" | grep -c . || true)" -ge 2 ] || { setup_error="the layer view's zoom-in button is not on the screen"; return 1; }
    read -r x y <<<"$(echo "$found" | head -n 1)"
    click_icon_at "$x" "$y"
    wait_until 5 state_is "$zoom 0" ||
      { setup_error="after a click on zoom-in the layer view paints at zoom/grid $(layer_state), expected $zoom 0"; return 1; }
  done
  # Only a view at zoom 3 or more has its grid button enabled (the icon
  # shows at its true colours): the layer view's is the first.
  read -r x y <<<"$(icons Grid_32x32.png | head -n 1)"
  [ -n "$x" ] || { setup_error="no enabled grid button on the screen"; return 1; }
  click_icon_at "$x" "$y"
  wait_until 5 state_is "4 1" ||
    { setup_error="after a click on the grid button the layer view paints at zoom/grid $(layer_state), expected 4 1"; return 1; }
}

# The first layer view with update flashes ("1"), the heat map ("2") or both
# ("3") switched on through its context menu (a right-click on its image,
# then the entry's accelerator), checked from the paint counts.
# overlay_case NAME WHICH SIMULATION-COMMAND...
overlay_case() {
  local name=$1 which=$2
  shift 2
  wanted "$name" || return 0
  if [ "$platform" = "offscreen (no X server)" ] || ! command -v xdotool >/dev/null || [ ! -x "$probe" ]; then
    printf '%-28s skipped: needs an X server, xdotool and %s\n' "$name" "$probe"
    return
  fi
  start "$name" "$@"
  if ! overlay_setup "$which"; then
    printf '%-28s NOT MEASURED: %s\n' "$name" "$setup_error"
    stop
    return
  fi
  sleep 3
  measure "$name"
  [ "$(layer_overlays)" = "$which" ] || echo "    WARNING: the layer view's overlays changed during the measurement: $(layer_overlays)"
  stop
}

layer_overlays() { awk '$1 == "layer" { print $6; exit }' "$dir/paints" 2>/dev/null; }
overlays_are() { [ "$(layer_overlays)" = "$1" ]; }

overlay_setup() {
  local which=$1 x y key
  wait_until 20 state_is "1 0" || { setup_error="the layer view was not painted at zoom 1 within 20 s"; return 1; }
  # The layer view's image lies left of the composite's buttons (the first
  # zoom-in button on the screen, when the layer view's own are scrolled
  # out) and below them.
  read -r x y <<<"$(icons ZoomPlus_32x32.png | head -n 1)"
  [ -n "$x" ] || { setup_error="no zoom-in button on the screen"; return 1; }
  for key in u h; do
    { [ "$key" = u ] && [ $((which & 1)) -eq 0 ]; } && continue
    { [ "$key" = h ] && [ $((which & 2)) -eq 0 ]; } && continue
    xdotool mousemove $((x / 2)) $((y + 300)) click 3
    sleep 0.5
    xdotool key "$key"
    sleep 0.5
  done
  wait_until 5 overlays_are "$which" ||
    { setup_error="after the menu entries the layer view paints with overlays '$(layer_overlays)', expected $which"; return 1; }
}

# The floor under the idle cases: a Qt window whose only work is a 15 ms
# timer (bench/load/timerfloor.cpp), beside the same simulation.
if [ -x "$floor" ]; then
  case_tool=$floor run "timer floor (no tool)" "$loadsim" bench/load/idle20.json
fi
run "20 idle layers" "$loadsim" bench/load/idle20.json
# Opaque layers: the alternating transparency tiles show nowhere, so nothing
# repaints; as a solid colour the tiles do not alternate at all.
SETTINGS="TransDrawMode=2" run "20 idle, solid transparency" "$loadsim" bench/load/idle20.json
# Every layer see-through: the alternating tiles show in each layer view,
# which repaints the pixels that show them twice a second.
run "20 idle see-through layers" "$loadsim" bench/load/idle20-translucent.json
run "demo scene at 60 fps" "$sim" --fps 60
run "1920x1080 layer at 60 fps" "$loadsim" bench/load/fullhd.json --fps 60
# Every pixel rewritten every frame, as a video would: finding what changed
# finds everything, so this is the cost of the search on top of the paints.
run "1920x1080, whole frame at 60 fps" "$loadsim" bench/load/fullhd.json --fps 60 --whole
zoom_grid_case "1920x1080, zoom 4 + grid" "$loadsim" bench/load/fullhd.json --fps 60
overlay_case "1920x1080, update flashes" 1 "$loadsim" bench/load/fullhd.json --fps 60
overlay_case "1920x1080, heat map" 2 "$loadsim" bench/load/fullhd.json --fps 60
