#!/usr/bin/env bash
# test-windows.sh [BUILD_DIR]: the Windows package (scripts/build-windows.sh)
# under wine64, against the Linux simulator (build/sim/rk5720-sim), inside a
# private network namespace where only loopback exists. Ends with the line
# "N passed, N failed".
# Wine is not Windows: it shows that the programs start, talk TCP over
# loopback, write their files where they should and that the installer runs;
# it cannot show real Windows fonts, access rights on Program Files, UAC, or
# the system's own arp.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
if [ -z "${RK_IN_NETNS:-}" ]; then
  missing=()
  for p in wine64 xvfb xdotool imagemagick x11-utils; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi
if [ "$(id -u)" -eq 0 ] && [ -z "${RK_IN_NETNS:-}" ]; then
  exec unshare --net sh -c "ip link set lo up && RK_IN_NETNS=1 exec '$0' '$build'"
fi
stage=$(find "$build/package" -maxdepth 1 -type d -name 'rk5720-config-*-windows-x64' | head -n1)
setup=$(find "$build/package" -maxdepth 1 -name '*-setup.exe' | head -n1)
sim=$root/build/sim/rk5720-sim
image_tool=$root/build/sim/rk5720-sample-image
wine=/usr/lib/wine/wine64
[ -d "$stage" ] && [ -x "$sim" ] || { echo "run scripts/build-windows.sh and scripts/build.sh build first" >&2; exit 2; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    passed=$((passed + 1)) && echo "PASS $name"
  else
    failed=$((failed + 1)) && echo "FAIL $name" && sed 's/^/    /' "$work/out"
  fi
}
# Waits at most $1 seconds for the command to succeed.
within() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

"$wine" wineboot -i >/dev/null 2>&1
port=$((20000 + RANDOM % 20000))
"$sim" --listen "127.0.0.1:$port" --restart-delay 500 --quiet &
pids+=($!)
within 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null
cli() { "$wine" "$stage/rk5720-cli.exe" "$@"; }

check "cli read" bash -c "$(declare -f cli); wine=$wine stage='$stage'; cli read --json 127.0.0.1:$port | grep -q '\"version\"'"
moved=$((port + 1))
check "cli write --port with restart" bash -c "$(declare -f cli); wine=$wine stage='$stage'; cli write --port $moved --restart --json 127.0.0.1:$port | grep -q '127.0.0.1:$moved'"
"$image_tool" "$work/image.bin" 1.01A 01.03.09 >/dev/null
check "cli upgrade and verify" bash -c "$(declare -f cli); wine=$wine stage='$stage'; cli upgrade '$(winepath -w "$work/image.bin" 2>/dev/null || echo "Z:$work/image.bin")' 127.0.0.1:$moved"
check "cli scan finds the simulator" bash -c "$(declare -f cli); wine=$wine stage='$stage'; cli scan 127.0.0.0/29 --port $moved | grep -q 127.0.0.1"

# The window, unzipped into a folder of its own: the settings go beside it.
export DISPLAY=:$((90 + RANDOM % 9))
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp &
pids+=($!)
within 10 xdpyinfo >/dev/null 2>&1 || true
cp -r "$stage" "$work/portable"
"$wine" "$work/portable/rk5720-config.exe" --startup-host "127.0.0.1:$moved" --no-autoconnect &
pids+=($!)
check "window appears" within 30 xdotool search --name "RK5720" >/dev/null
import -window root "$build/wine-window.png" 2>/dev/null || true
xdotool search --name "RK5720" windowactivate --sync key alt+F4 2>/dev/null || true
check "settings file beside the unzipped program" within 20 test -f "$work/portable/RK5720LAN_Config.ini"

check "installer installs silently" "$wine" "$setup" /S
installed="$WINEPREFIX/drive_c/Program Files/RK5720 LAN"
check "installed program and uninstaller" test -f "$installed/rk5720-config.exe" -a -f "$installed/uninstall.exe"
check "uninstaller removes it silently" bash -c "'$wine' '$installed/uninstall.exe' /S _?='C:\\Program Files\\RK5720 LAN' && ! test -f '$installed/rk5720-config.exe'"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
