#!/usr/bin/env bash
# Installs what is missing, builds, starts the device simulator on loopback and
# the configuration tool connected to it. Without a display it uses Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
port=${RK_DEMO_PORT:-15020}
"$root/scripts/deps.sh"
runtime=""
sim_pid=""
cleanup() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  [ -z "$runtime" ] || rm -rf "$runtime"
}
trap cleanup EXIT
# A hang-up or kill ends the script too, so the simulator and folder go with it.
trap 'exit 129' HUP
trap 'exit 143' TERM
# Qt wants a private runtime folder and warns on every start without one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  runtime=$(mktemp -d)
  export XDG_RUNTIME_DIR=$runtime
fi
"$root/scripts/build.sh" "$build"
demo="$build/demo"
mkdir -p "$demo"
# The demo's fields hold loopback values, so that no click (a "Write" with the
# default ticks and restart included) can aim at a real network.
if [ ! -f "$demo/RK5720LAN_Config.ini" ]; then
  cat >"$demo/RK5720LAN_Config.ini" <<EOF
[IPParams]
Port=$port
Addr=127.0.0.1
NetMask=255.0.0.0
GW=127.0.0.254
MAC=00-1A-2B-3C-4D-5E
EOF
fi
sim="$build/sim/rk5720-sim"
tool_args=(--settings "$demo/RK5720LAN_Config.ini")
if [ -x "$sim" ]; then
  # A window left alone keeps its connection: no idle timeout.
  "$sim" --listen "127.0.0.1:$port" --idle-timeout 0 &
  sim_pid=$!
  tool_args+=(--startup-host "127.0.0.1:$port")
else
  tool_args+=(--no-autoconnect)
fi
tool="$build/src/app/rk5720-config"
# A valid firmware image where the file dialog first opens (the tool's folder).
"$build/sim/rk5720-sample-image" "$(dirname "$tool")/sample-1.01B.bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: starting the tool under Xvfb" >&2
  xvfb-run -a "$tool" "${tool_args[@]}"
else
  "$tool" "${tool_args[@]}"
fi
