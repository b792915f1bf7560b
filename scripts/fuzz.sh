#!/usr/bin/env bash
# Builds the imaging fuzz target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/, then
#   scripts/fuzz.sh replay          runs every input of fuzz/corpus/imaging/ once
#   scripts/fuzz.sh run <seconds>   fuzzes for that long; new inputs go to
#                                   build-fuzz/corpus/, crashes to build-fuzz/findings/
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build-fuzz"
seeds="$root/fuzz/corpus/imaging"

mode=${1:-}
case "$mode" in
  replay) ;;
  run)
    seconds=${2:-}
    [[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: $0 run <seconds>" >&2; exit 2; } ;;
  *) echo "usage: $0 replay | run <seconds>" >&2; exit 2 ;;
esac

compiler=$(command -v clang++ || command -v clang++-14 || true)
[ -n "$compiler" ] || { echo "clang++ is missing (scripts/install-deps.sh test installs it)" >&2; exit 1; }

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
limits=(-rss_limit_mb=4096 -malloc_limit_mb=1024 -timeout=30)

if [ "$mode" = replay ]; then
  exec "$build/fuzz_imaging" "${limits[@]}" -runs=0 "$seeds"
fi

mkdir -p "$build/corpus" "$build/findings"
exec "$build/fuzz_imaging" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/findings/" "$build/corpus" "$seeds"
