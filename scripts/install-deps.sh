#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/install-deps.sh [run|test|all]   (default: all)
set -euo pipefail

purpose=${1:-all}
base=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core)
# The end-to-end test runs both programs under Xvfb and drives them with xdotool;
# the SDL2 example simulation is built and checked when libsdl2-dev is there.
testing=(libbenchmark-dev clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix xvfb xdotool libsdl2-dev)
running=(xvfb xauth)

case "$purpose" in
  run) wanted=("${base[@]}" "${running[@]}") ;;
  test) wanted=("${base[@]}" "${testing[@]}") ;;
  all) wanted=("${base[@]}" "${testing[@]}" "${running[@]}") ;;
  *) echo "usage: $0 [run|test|all]" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
