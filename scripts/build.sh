#!/usr/bin/env bash
# build.sh BUILD_DIR [cmake options...]: configures and builds the project.
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
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
