#!/usr/bin/env bash
# test-windows.sh [BUILD_DIR]: the Windows package (scripts/build-windows.sh,
# default build-windows) under wine64 against the Linux simulator of the Linux
# build ($LINUX_BUILD_DIR, default build), inside a private network namespace
# where only loopback exists. Ends with the line "N passed, N failed".
#
# Wine is not Windows. It shows that the programs start, talk TCP over
# loopback, take keyboard input, write their files where they should, and that
# the installer and uninstaller run. It cannot show Windows' own fonts (Wine
# draws its Tahoma look-alike, so "no label clipped" holds for that face only),
# the access rights of Program Files for a user without administrator rights,
# UAC, Windows' console (Ctrl+C) or the system's own arp.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
linux=$(realpath -m "${LINUX_BUILD_DIR:-$root/build}")
if [ -z "${RK_IN_NETNS:-}" ]; then
  missing=()
  for p in wine64 fonts-wine xvfb xdotool imagemagick x11-utils xclip icoutils; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
      --no-install-recommends "${missing[@]}"
  fi
  # Nothing Wine starts may reach beyond this machine.
  netns=(unshare --net)
  [ "$(id -u)" -eq 0 ] || netns=(unshare --user --map-root-user --net)
  export LINUX_BUILD_DIR=$linux
  # shellcheck disable=SC2016 # expanded by the inner shell
  exec "${netns[@]}" sh -c 'ip link set lo up && RK_IN_NETNS=1 exec "$0" "$1"' "$0" "$build"
fi

stage=$(find "$build/package" -maxdepth 1 -type d -name 'rk5720-config-*-windows-x64' 2>/dev/null | head -n1)
setup=$(find "$build/package" -maxdepth 1 -name '*-setup.exe' 2>/dev/null | head -n1)
sim=$linux/sim/rk5720-sim
native_cli=$linux/src/cli/rk5720-cli
image_tool=$linux/sim/rk5720-sample-image
if [ -z "$stage" ] || [ -z "$setup" ] || [ ! -x "$sim" ] || [ ! -x "$native_cli" ]; then
  echo "run scripts/build-windows.sh and scripts/build.sh build first" >&2
  exit 2
fi

work=$(mktemp -d)
pids=()
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    passed=$((passed + 1))
    echo "PASS $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    sed 's/^/    /' "$work/out"
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
millis() { echo $(($(date +%s%N) / 1000000)); }
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# The display comes first: Wine's desktop process, started by the first
# program, keeps the display it found, and later windows go to that one.
for n in $(seq 90 99); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
within 10 xdpyinfo >/dev/null 2>&1
"$wine" wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w
# Windows keeps Tahoma in its Fonts folder; Debian's Wine does not load its own
# copy (fonts-wine) from /usr/share/wine/fonts, and Qt would otherwise draw in
# whatever face comes first. The prefix's Fonts folder it does read.
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# Windows smooths text with ClearType unless told otherwise; with Wine's own
# default (standard smoothing) Qt's glyphs lose their one-pixel stems (i, l).
"$wine" reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 2 /f >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w
port=$((20000 + RANDOM % 20000))
# The simulator's wire log shows what the window sends.
"$sim" --listen "127.0.0.1:$port" --restart-delay 500 >>"$work/sim.log" 2>&1 &
pids+=($!)
within 10 listening "$port"

cli() { "$wine" "$stage/rk5720-cli.exe" "$@"; }
cli_json_has() {
  local pattern=$1
  shift
  cli "$@" --json >"$work/json" || { cat "$work/json"; return 1; }
  grep -q -- "$pattern" "$work/json" || { cat "$work/json"; return 1; }
}
check "cli read" cli_json_has '"version": "1.00A"' read "127.0.0.1:$port"
# One read more of each, the Wine one started warm, for the timings below.
start=$(millis)
cli read "127.0.0.1:$port" >/dev/null
wine_ms=$(($(millis) - start))
start=$(millis)
"$native_cli" read "127.0.0.1:$port" >/dev/null
native_ms=$(($(millis) - start))
echo "time of one read: rk5720-cli.exe under Wine $wine_ms ms, rk5720-cli on Linux $native_ms ms"

moved=$((port + 1))
check "cli write --port with restart" cli_json_has "\"now_at\": \"127.0.0.1:$moved\"" \
  write --port "$moved" --restart --restart-pause 1000 "127.0.0.1:$port"
"$image_tool" "$work/image.bin" 1.01A 01.03.09 >/dev/null
check "cli upgrade and verify" cli upgrade "$(winpath "$work/image.bin")" "127.0.0.1:$moved"
check "cli read after the upgrade" cli_json_has '"version": "1.01A"' read "127.0.0.1:$moved"
check "cli scan finds the simulator" cli_json_has '"address": "127.0.0.1"' scan 127.0.0.0/29 --port "$moved"

# The window, unzipped into a folder of its own: the settings go beside it.
# Qt Test's own run of the layout checks, at the fonts Wine gives.
# Without a console Qt Test writes to the debugger, so its report goes to a file.
fonts_test() {
  local rc=0
  QT_QPA_PLATFORM=windows "$wine" "$build/wine-tests/tst_windowfonts.exe" \
    -o "$(winpath "$work/fonts.txt"),txt" || rc=$?
  grep -E '^(FAIL|Totals)|failure location' "$work/fonts.txt" || true
  return $rc
}
check "window fonts, no text clipped (tst_windowfonts.exe)" fonts_test

title="RK5720 LAN  Config"
window() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1; }
shown() { [ -n "$(window)" ]; }
closed() { ! shown; }
# Sends keys to the window once it has the focus (Xvfb has no window manager).
keys() { xdotool windowfocus --sync "$(window)" key --clearmodifiers "$@"; }
# Clicks at x y of the window.
click() {
  # shellcheck disable=SC2034 # set by the eval, X and Y used
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$(window)")"
  xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
}
clipboard_is() { [ "$(xclip -o -selection clipboard 2>/dev/null | tr -d '\r')" = "$1" ]; }
sim_saw() { grep -q -- "$1" "$work/sim.log"; }
# Written, with every line ending in CR LF as a Windows program's file does.
crlf_file() { test -s "$1" && ! grep -qv $'\r$' "$1"; }

cp -r "$stage" "$work/portable"
# Wine hands the program the shell's own output, so this shows the help and
# the settings rules, not the attaching to a Windows console it has no console for.
help_says() {
  "$wine" "$1" --help >"$work/help" 2>&1 || { cat "$work/help"; return 1; }
  grep -q -- "$2" "$work/help" || { cat "$work/help"; return 1; }
}
check "rk5720-config.exe --help: settings beside the unzipped program" \
  help_says "$work/portable/rk5720-config.exe" 'RK5720LAN_Config.ini, beside the program'
check "rk5720-config.exe carries its icon" \
  bash -c "wrestool -l --type=group_icon '$stage/rk5720-config.exe' | grep -q ."
: >"$work/sim.log"
WINEDEBUG=err+all "$wine" "$work/portable/rk5720-config.exe" --startup-host "127.0.0.1:$moved" >"$work/window.log" 2>&1 &
pids+=($!)
# What was there instead, and what the program said, when it is not.
appears() { within 60 shown || { echo "DISPLAY=$DISPLAY"; xwininfo -root -tree | head -20; grep -v fixme "$work/window.log" | tail -30; return 1; }; }
check "window appears" appears
# Connected once the simulator has taken the start-up connection.
within 30 sim_saw '127\.0\.0\.1:[0-9]* connected' || true
keys alt+r
check "Alt+R presses Read: the device is asked" within 20 sim_saw IPADDR
# The Read Config group's Port field (fixed layout), which only a Read fills:
# clicked, its text copied to the clipboard Wine shares with X.
copied_port() { click 393 190 && keys ctrl+a ctrl+c && clipboard_is "$moved"; }
check "Read fills the fields (Port read back through the clipboard)" within 10 copied_port
import -window root "$build/wine-window.png"
echo "screenshot of the window: $build/wine-window.png"
keys alt+F4
check "window closes on Alt+F4" within 30 closed
check "settings file beside the unzipped program, CR LF" within 20 crlf_file \
  "$work/portable/RK5720LAN_Config.ini"

check "installer installs silently" "$wine" "$setup" /S
installed="$WINEPREFIX/drive_c/Program Files/RK5720 LAN"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/RK5720 LAN configuration.lnk"
# Every staged file, byte for byte, as the zip holds it.
installed_whole() {
  local file
  while read -r file; do
    cmp -s "$stage/$file" "$installed/$file" || { echo "not installed as staged: $file"; return 1; }
  done < <(cd "$stage" && find . -type f)
  test -f "$installed/uninstall.exe" -a -f "$menu" || { echo "no uninstaller or menu entry"; return 1; }
}
check "installer installs every staged file, the uninstaller and the Start-menu entry" \
  installed_whole
appdata=$("$wine" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
check "installed rk5720-config.exe --help: settings in the user's folder" \
  help_says "$installed/rk5720-config.exe" "rk5720-config.RK5720LAN_Config.ini, in the user's"
user_settings="$("$wine" winepath -u "$appdata" 2>/dev/null | tr -d '\r')/rk5720-config/RK5720LAN_Config.ini"
"$wine" "$installed/rk5720-config.exe" --no-autoconnect >"$work/installed.log" 2>&1 &
installed_pid=$!
pids+=($installed_pid)
if within 60 shown; then
  keys alt+F4
  within 30 closed || true
fi
# Windows, and Wine, keep a running program's file: the uninstaller may only
# come once it has ended.
within 30 sh -c "! kill -0 $installed_pid 2>/dev/null" || true
check "installed program keeps its settings in %APPDATA%" \
  bash -c "test -f '$user_settings' && ! test -e '$installed/RK5720LAN_Config.ini'"
# Another program's file in the same folder, which the uninstaller must keep.
cp "$stage/rk5720-cli.exe" "$installed/other-tool.exe"
uninstall() {
  # As Windows runs it: the uninstaller copies itself to the temporary folder
  # and goes on from there. (With "_?=" it would stay, but Wine quotes that
  # argument, spaces and all, and the uninstaller then finds no folder.)
  "$wine" "$installed/uninstall.exe" /S || { echo "uninstall.exe exited with $?"; return 1; }
  timeout 120 /usr/lib/wine/wineserver64 -w || true
  local path left=()
  while read -r path; do
    test -e "$installed/$path" && left+=("$path")
  done < <(cd "$stage" && find . -mindepth 1)
  for path in "$installed/uninstall.exe" "$menu"; do
    test -e "$path" && left+=("$path")
  done
  [ ${#left[@]} -eq 0 ] || { printf 'still there: %s\n' "${left[@]}"; return 1; }
}
check "uninstaller removes every installed file, folder and the entry silently" uninstall
check "uninstaller keeps another program's file in the folder" test -f "$installed/other-tool.exe"
check "uninstaller leaves the user's settings" test -f "$user_settings"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
