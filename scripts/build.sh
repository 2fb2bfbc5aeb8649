#!/usr/bin/env bash
# build.sh BUILD_DIR [cmake options...]: configures and builds the project.
# The generator is CMake's own CMAKE_GENERATOR (default here: Ninja); a tree
# that is already configured keeps the one it was made with.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift
launcher=()
if command -v ccache >/dev/null; then
  # Rebuilds, and builds of the same tree in another folder, come from the cache.
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
