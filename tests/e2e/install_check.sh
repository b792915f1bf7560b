#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that every file lands in
# its usual place: both programs, the example scenes with their pictures, the
# manual, the desktop entry, the icon and the publishing library with its
# header, pkg-config file and CMake package. Then builds a simulation from
# outside the source tree against the installed library, once with
# pkg-config and once with find_package, and lets the installed tool take a
# snapshot of each.
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
expect -f share/doc/noXelView/simulation-link.md "the simulation link reference the manual links to"
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

# The publishing library, as a C simulation finds it.
expect -f include/noxel/publish.h "the library's header"
expect -f lib/libnoxelpublish.so.1.0.0 "the shared library"
expect -L lib/libnoxelpublish.so.1 "the shared library's soname link"
expect -L lib/libnoxelpublish.so "the shared library's link-time name"
expect -f lib/libnoxelpublish.a "the static library"
expect -f lib/pkgconfig/noxelpublish.pc "the pkg-config file"
for file in NoxelPublishConfig.cmake NoxelPublishConfigVersion.cmake NoxelPublishTargets.cmake; do
  expect -f "lib/cmake/NoxelPublish/$file" "the CMake package"
done

# Runs one built simulation, lets the installed tool snapshot it and checks
# what the tool saw: the display, both layers and their sizes.
snapshot_of() { # name program
  local name=$1 program=$2 run=$prefix/run-$1
  mkdir -m 700 "$run"
  NOXEL_RUNTIME_DIR=$run LD_LIBRARY_PATH=$prefix/lib "$program" >"$run.log" 2>&1 &
  local pid=$!
  if NOXEL_RUNTIME_DIR=$run QT_QPA_PLATFORM=offscreen "$prefix/bin/noxelview" --snapshot "$run.snap" --wait 10 \
      >"$run.tool" 2>&1; then
    local json
    json=$(tr -d ' \n' <"$run.snap/scene.json")
    local ok=1
    for part in '"width":96' '"height":48' '"background":"#FF000080"' '"width":64' '"height":32' \
                '"bitsPerPixel":4' '"position":[70,20]' '"image":"layer1.png"'; do
      case "$json" in *"$part"*) ;; *) ok=0; echo "FAIL: $name: scene.json lacks $part" ;; esac
    done
    if [ $ok = 1 ] && [ -f "$run.snap/layer0.png" ] && [ -f "$run.snap/composite.png" ]; then
      echo "ok: $name: the installed tool shows the simulation's display and both layers"
    else
      failures=$((failures + 1))
      cat "$run.snap/scene.json"
    fi
  else
    echo "FAIL: $name: the installed tool found no simulation:"
    cat "$run.tool" "$run.log"
    failures=$((failures + 1))
  fi
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

probe_src=$(cd "$(dirname "$0")/installed" && pwd)
work=$prefix/outside
mkdir -p "$work"
cp "$probe_src/probe.c" "$probe_src/CMakeLists.txt" "$work/"
cc=${CC:-cc}
if command -v pkg-config >/dev/null 2>&1 && command -v "$cc" >/dev/null 2>&1; then
  flags=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs noxelpublish)
  if (cd "$work" && "$cc" -std=c11 -Wall -Werror probe.c $flags -o probe-pc); then
    needed=$(LD_LIBRARY_PATH=$prefix/lib ldd "$work/probe-pc" | awk '{print $1}' | grep -v -e '^linux-vdso' -e '^/lib' -e 'ld-linux' | sort | tr '\n' ' ')
    if [ "$needed" = "libc.so.6 libnoxelpublish.so.1 " ]; then
      echo "ok: pkg-config build links libnoxelpublish.so.1 and libc only"
    else
      echo "FAIL: pkg-config build needs: $needed"
      failures=$((failures + 1))
    fi
    snapshot_of pkg-config "$work/probe-pc"
  else
    echo "FAIL: building against the installed tree with pkg-config ($flags)"
    failures=$((failures + 1))
  fi
else
  echo "FAIL: pkg-config or a C compiler is missing"
  failures=$((failures + 1))
fi
if "$cmake" -S "$work" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" >"$work/cmake.log" 2>&1 \
    && "$cmake" --build "$work/build" >>"$work/cmake.log" 2>&1; then
  echo "ok: find_package(NoxelPublish) build with Noxel::Publish and Noxel::PublishStatic"
  snapshot_of find_package "$work/build/probe"
  snapshot_of find_package_static "$work/build/probe_static"
else
  cat "$work/cmake.log"
  echo "FAIL: building against the installed tree with find_package(NoxelPublish)"
  failures=$((failures + 1))
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all installed files are in place"
