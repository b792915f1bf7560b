#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tool beside the demo
# simulation; the simulation stops when the tool exits.
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display found (DISPLAY and WAYLAND_DISPLAY are not set); to run under Xvfb use scripts/run-xvfb.sh" >&2
  exit 1
fi
scripts/install-deps.sh run
scripts/build.sh

build/sim/noxelsim &
sim=$!
trap 'kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
build/noxelview
