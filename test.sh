#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest -j2 --output-on-failure
