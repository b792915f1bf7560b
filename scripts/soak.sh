#!/usr/bin/env bash
# The reliability soak, full length (about 3 minutes): 200 start/end cycles,
# 60 s of wild headers, broken settings files; checks the bounds and exits 1
# when one is missed. Options go to the soak program (--short, --case N, ...).
# Runs under a private Xvfb when there is no display and Xvfb is installed,
# so that pointer, wheel, keys, menus, Alt+R and toolbar buttons are driven
# with xdotool (at 96 dpi, so that the buttons show their 100 % icons, which
# case 2 finds on the screen); else offscreen.
#
#   scripts/soak.sh [OPTIONS]          the release build in build/
#   scripts/soak.sh --asan [OPTIONS]   case 2 against a build with AddressSanitizer
#                                      and UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
if [ "${1:-}" = "--asan" ]; then
  shift
  build=build-asan
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DNOXEL_BUILD_BENCH=OFF -DNOXEL_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build "$build" -j2 --target noxelview noxel_soak
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  set -- --case 2 "$@"
else
  scripts/build.sh >/dev/null
fi
xvfb=
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true' EXIT
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  # A free display number (other soaks or tests may run an Xvfb too).
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -dpi 96 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$number" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n 1 "$number")
  rm -f "$number"
fi
status=0
"$build/bench/soak/noxel_soak" --tool "$build/noxelview" "$@" || status=$?
[ "$build" = build-asan ] && echo "sanitizer reports, if any, are in the tool log named above"
exit $status
