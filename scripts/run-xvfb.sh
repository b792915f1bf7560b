#!/usr/bin/env bash
# Runs ./run.sh inside a virtual X server, for machines without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
exec xvfb-run -a -s "-screen 0 1280x1024x24" ./run.sh "$@"
