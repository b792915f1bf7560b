#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that every file lands in
# its usual place: both programs, the example scenes with their pictures, the
# manual, the desktop entry and the icon.
# Usage: install_check.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2

prefix=$(mktemp -d "${TMPDIR:-/tmp}/noxel-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log"
  rm -f "$prefix.log"
  echo "FAIL: cmake --install failed"
  exit 1
fi
rm -f "$prefix.log"

failures=0
expect() { # test-operator path what
  if [ "$1" "$prefix/$2" ]; then
    echo "ok: $3 ($2)"
  else
    echo "FAIL: $3 missing: $prefix/$2"
    failures=$((failures + 1))
  fi
}

expect -x bin/noxelview "the tool"
expect -x bin/noxelsim "the demo simulation"
for file in layers.json fills.json checker.png indexed.png keyed.png tall.png; do
  expect -f "share/noxelview/scenes/$file" "example scene file"
done
expect -f share/doc/noXelView/manual.html "the user manual"
expect -f share/applications/noxelview.desktop "the desktop entry"
for side in 16 32 48 256; do
  expect -f "share/icons/hicolor/${side}x${side}/apps/noxelview.png" "the application icon"
done

# The desktop entry starts the installed program by name and names the icon.
desktop=$prefix/share/applications/noxelview.desktop
if [ -f "$desktop" ]; then
  for line in "[Desktop Entry]" "Type=Application" "Exec=noxelview" "Icon=noxelview"; do
    if ! grep -qxF "$line" "$desktop"; then
      echo "FAIL: the desktop entry lacks the line $line"
      failures=$((failures + 1))
    fi
  done
fi

# The installed simulation publishes an installed scene (its pictures are
# found beside it) until it is stopped.
if [ -x "$prefix/bin/noxelsim" ]; then
  mkdir -m 700 "$prefix/run"
  NOXEL_RUNTIME_DIR=$prefix/run QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/noxelsim" --scene "$prefix/share/noxelview/scenes/layers.json" >"$prefix/sim.log" 2>&1 &
  sim=$!
  for ((n = 0; n < 100; ++n)); do
    grep -q "publishing in" "$prefix/sim.log" && break
    kill -0 "$sim" 2>/dev/null || break
    sleep 0.1
  done
  if grep -q "publishing in" "$prefix/sim.log"; then
    echo "ok: the installed noxelsim publishes the installed example scene"
  else
    echo "FAIL: the installed noxelsim did not publish the installed scene:"
    cat "$prefix/sim.log"
    failures=$((failures + 1))
  fi
  kill -TERM "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all installed files are in place"
