#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole
# suite offscreen. As root it runs inside a private network namespace where
# only loopback exists, so no test can reach a real network.
# Environment: BUILD_DIR (default build), CMAKE_EXTRA (extra cmake options).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/deps.sh"
# Qt wants a private runtime folder and warns on every start without one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
# shellcheck disable=SC2086
"$root/scripts/build.sh" "$build" -DRK_WERROR=ON ${CMAKE_EXTRA:-}
export QT_QPA_PLATFORM=offscreen
ctest_cmd="ctest --test-dir '$build' --output-on-failure -j 2 --timeout 300"
# Not exec'd: the runtime folder is removed when the suite ends.
if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null; then
  # RK_PRIVATE_NET tells the tests that may change routes that they are
  # inside the namespace, where nothing outside can be touched.
  unshare --net sh -c "ip link set lo up && RK_PRIVATE_NET=1 $ctest_cmd"
else
  echo "not root: running without a private network namespace" >&2
  sh -c "$ctest_cmd"
fi
