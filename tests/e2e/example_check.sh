#!/usr/bin/env bash
# Runs an example simulation in a runtime directory of its own and lets the
# tool's snapshot find it: the scene must hold layer 0 of the given size.
# SDL runs with its dummy video driver, so no display is needed.
# Usage: example_check.sh NOXELVIEW WIDTH HEIGHT PROGRAM [ARGS...]
set -u
tool=$1 width=$2 height=$3
shift 3
dir=$(mktemp -d "${TMPDIR:-/tmp}/noxel-example.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir -m 700 "$dir/run"
export NOXEL_RUNTIME_DIR=$dir/run
SDL_VIDEODRIVER=dummy "$@" >"$dir/sim.log" 2>&1 &
sim=$!
status=0
if QT_QPA_PLATFORM=offscreen "$tool" --snapshot "$dir/snap" --wait 15 >"$dir/tool.log" 2>&1; then
  json=$(tr -d ' \n' <"$dir/snap/scene.json")
  case "$json" in
    *"\"layers\":[{"*"\"height\":$height"*) ;;
    *) echo "FAIL: layer 0 is not ${width} x ${height}"; cat "$dir/snap/scene.json"; status=1 ;;
  esac
  case "$json" in *"\"width\":$width"*) ;; *) echo "FAIL: no width $width"; status=1 ;; esac
  [ -f "$dir/snap/layer0.png" ] || { echo "FAIL: no layer picture"; status=1; }
else
  echo "FAIL: the tool found no simulation"
  cat "$dir/tool.log" "$dir/sim.log"
  status=1
fi
kill -TERM "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
[ $status = 0 ] && echo "ok: $(basename "$1") is shown by the tool"
exit $status
