#!/usr/bin/env bash
# noxelsim and noxelview as separate processes under their own Xvfb: the
# views show the scene's pixels at the right place and zoom, a click and a
# key reach the layer block, and the views leave when the simulation stops
# and come back with their zoom when it starts again.
#
# Usage: e2e.sh NOXELVIEW NOXELSIM E2EPROBE SCENE_DIR ZOOM_IN_ICON.png
# Status 0 pass, 1 fail, 77 skip (Xvfb or xdotool is not installed).
# Every check runs even after one failed, so one run shows all that is
# wrong; a screenshot of each failure is left in the working directory.
set -u

view_bin=$1
sim_bin=$2
probe=$3
scene=$4
zoom_icon=$5
layer=$scene/layer0.png
composite=$scene/composite.png

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
    exit 77
  fi
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/noxel-e2e.XXXXXX")
pids=()
cleanup() {
  local status=$?
  local pid n
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for ((n = 0; n < 50; ++n)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Runs the command until it succeeds, at most SECONDS seconds.
wait_until() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

rm -f "$PWD"/e2e-failure-*.png
failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
  if "$probe" shot "$PWD/e2e-failure-$failures.png" 2>/dev/null; then
    echo "      screen at this failure: $PWD/e2e-failure-$failures.png"
  fi
}
# Ends the test now: later steps depend on this one.
fatal() {
  fail "$*"
  for log in "$tmp"/*.log; do echo "--- $(basename "$log")"; cat "$log"; done
  exit 1
}

# count fx fy: how often the picture appears at the zoom, and the first place.
count=-1 fx=-1 fy=-1
find_picture() {
  count=-1
  read -r count fx fy < <("$probe" find "$1" "$2" 2>/dev/null)
  [ "$count" != -1 ]
}
seen() { find_picture "$1" "$2" && [ "$count" = "$3" ]; }
scene_shown() { seen "$layer" "$1" 1 && seen "$composite" 1 1; }
scene_gone() {
  seen "$layer" 1 0 && seen "$layer" 3 0 && seen "$composite" 1 0 &&
    [ "$("$probe" colour C03020 2>/dev/null)" = 0 ]
}

# px py pp key: the input fields of layer 0's block.
fields="" px="" py="" pp="" key=""
read_fields() {
  fields=$("$probe" fields 0 2>/dev/null)
  read -r px py pp key <<<"$fields"
}
pointer_is() { read_fields && [ "$px $py $pp" = "$1" ]; }
key_is() { read_fields && [ "$key" = "$1" ]; }

not_running() { ! kill -0 "$1" 2>/dev/null; }
windows() { xdotool search --onlyvisible --pid "$view_pid" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(windows)" -gt "$1" ]; }

# Private X server, runtime directory, home and settings.
mkdir -m 700 "$tmp/run" "$tmp/home" "$tmp/config" "$tmp/xdg"
export NOXEL_RUNTIME_DIR=$tmp/run HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/xdg
export QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0
unset WAYLAND_DISPLAY SESSION_MANAGER

Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
wait_until 10 test -s "$tmp/display" || fatal "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$tmp/display")

start_sim() {
  QT_QPA_PLATFORM=offscreen "$sim_bin" --scene "$scene/e2e.json" >>"$tmp/sim.log" 2>&1 &
  sim_pid=$!
  pids+=("$sim_pid")
}

"$view_bin" >"$tmp/view.log" 2>&1 &
view_pid=$!
pids+=("$view_pid")
wait_until 15 more_windows_than 0 || fatal "the noxelview window did not appear"
# Without a window manager nobody gives the window the keyboard focus.
xdotool windowfocus "$(xdotool search --onlyvisible --pid "$view_pid" | head -n 1)"
seen "$layer" 1 0 || fail "the scene is shown before the simulation runs"

start_sim
if wait_until 15 scene_shown 1; then
  pass "layer 0 and the composite are shown pixel-exact at zoom 1"
else
  fatal "scene not shown at zoom 1: layer 0 found $(find_picture "$layer" 1; echo "$count") times, composite $(find_picture "$composite" 1; echo "$count") times (each expected once)"
fi
find_picture "$layer" 1
lx=$fx ly=$fy

# Zoom 300 %: the zoom-in button of layer 0's view (the one nearest above
# its image) twice, 100 % -> 200 % -> 300 %.
zoom_in=$("$probe" icon "$zoom_icon" 2>/dev/null | awk -v x="$lx" -v y="$ly" '
  $2 < y { d = ($1 - x) ^ 2 + ($2 - y) ^ 2; if (best == "" || d < bd) { best = $1 " " $2; bd = d } }
  END { print best }')
[ -n "$zoom_in" ] || fatal "no zoom-in button found above layer 0's view"
read -r bx by <<<"$zoom_in"
xdotool mousemove $((bx + 16)) $((by + 16)) click 1
wait_until 10 seen "$layer" 2 1 || fail "layer 0 is not shown at zoom 2 after one click on zoom in"
xdotool click 1
if wait_until 10 scene_shown 3 && seen "$layer" 1 0; then
  pass "layer 0 is shown at zoom 3, the composite still at zoom 1"
else
  fatal "zoom 3 not shown: layer 0 found $(find_picture "$layer" 3; echo "$count") times at zoom 3"
fi
find_picture "$layer" 3
lx=$fx ly=$fy

# Press and release the left button over layer pixel (5, 3): screen point
# inside the 3 x 3 block of that pixel.
xdotool mousemove $((lx + 5 * 3 + 1)) $((ly + 3 * 3 + 2)) mousedown 1
if wait_until 3 pointer_is "5 3 1"; then
  pass "a press at layer pixel (5, 3) wrote pointer (5, 3, pressed)"
else
  fail "after a press at layer pixel (5, 3) the block holds pointerX pointerY pointerPressed = $px $py $pp, expected 5 3 1"
fi
xdotool mouseup 1
if wait_until 3 pointer_is "5 3 0"; then
  pass "the release wrote pointer (5, 3, released)"
else
  fail "after the release the block holds pointerX pointerY pointerPressed = $px $py $pp, expected 5 3 0"
fi

# The key A without Shift is the character a (0x61); a scene-file
# simulation leaves keyEvent as the tool wrote it.
xdotool keydown a
if wait_until 3 key_is 0x00010161; then
  pass "pressing A wrote the key word 0x00010161"
else
  fail "after pressing A the block's keyEvent is $key, expected 0x00010161"
fi
xdotool keyup a
if wait_until 3 key_is 0x00010061; then
  pass "releasing A wrote the key word 0x00010061"
else
  fail "after releasing A the block's keyEvent is $key, expected 0x00010061"
fi

# The simulation stops: its views leave the window, the tool stays.
kill -TERM "$sim_pid"
if wait_until 10 not_running "$sim_pid"; then
  wait "$sim_pid"
  sim_status=$?
  [ "$sim_status" = 0 ] || fail "noxelsim ended with status $sim_status after SIGTERM"
else
  fail "noxelsim still runs 10 s after SIGTERM"
  kill -KILL "$sim_pid"
fi
if wait_until 10 scene_gone; then
  pass "the views left when the simulation stopped"
else
  fail "the scene is still on the screen after the simulation stopped"
fi
more_windows_than 0 || fatal "the noxelview window went away with the simulation"

# It starts again with the same layers: the views return with their zoom.
start_sim
if wait_until 15 scene_shown 3 && seen "$layer" 1 0; then
  pass "the views returned, layer 0 again at zoom 3"
else
  fail "after the restart layer 0 is found $(find_picture "$layer" 3; echo "$count") times at zoom 3 and $(find_picture "$layer" 1; echo "$count") times at zoom 1 (expected once at zoom 3)"
fi

kill -0 "$view_pid" 2>/dev/null || fail "noxelview is no longer running"
if [ "$failures" -gt 0 ]; then
  for log in "$tmp"/*.log; do echo "--- $(basename "$log")"; cat "$log"; done
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
