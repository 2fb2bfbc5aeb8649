#!/usr/bin/env bash
# build-windows.sh [BUILD_DIR]: the Windows package, cross-built on Debian 12.
# Installs the cross compilers, Wine and NSIS when missing; builds Qt for
# Windows from Debian's own qt6-base source once into a cache folder outside the
# build tree (reused while its version and configure options stay the same);
# then builds the three programs, a zip and an NSIS installer in BUILD_DIR
# (default build-windows), and the window's layout test for test-windows.sh.
# Environment: RK_WIN_CACHE (default /var/cache/rk5720-windows), RK_WIN_JOBS,
# RK_WIN_QT_ONLY=1 (Qt alone), RK_WIN_PRINT_QT=1 (the Qt folder, nothing built).
set -Eeuo pipefail
trap 'echo "build-windows.sh: failed at line $LINENO" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
cache=${RK_WIN_CACHE:-/var/cache/rk5720-windows}
jobs=${RK_WIN_JOBS:-$(nproc)}
win=$root/packaging/windows
triple=x86_64-w64-mingw32

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}"
}

# The host build supplies moc/rcc/uic (same Qt version) and the icon renderer.
"$root/scripts/deps.sh" >&2

qt_version=$(dpkg-query -W -f='${source:Upstream-Version}' qt6-base-dev | sed 's/+.*//')
# Everything the Qt build depends on, besides its source: changing a line here
# makes a new cache entry instead of reusing a stale one.
qt_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DBUILD_SHARED_LIBS=ON
  -DFEATURE_tabletevent=OFF
  -DINPUT_opengl=no -DFEATURE_opengl_dynamic=OFF
  -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_pkg_config=OFF
  -DFEATURE_openssl=OFF -DFEATURE_schannel=ON
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_doubleconversion=OFF
)
key=$( (printf '%s\n' "${qt_options[@]}"; cat "$win/mingw-w64-x86_64.cmake") | sha256sum | cut -c1-12)
qt=$cache/qt-$qt_version-mingw-$key
# RK_WIN_PRINT_QT=1: only names the folder Qt for Windows is (or would be) cached in.
if [ "${RK_WIN_PRINT_QT:-0}" = 1 ]; then
  echo "$qt"
  exit 0
fi
install_missing g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 nsis zip \
  icoutils dpkg-dev ninja-build cmake

build_qt() {
  local src=$cache/src tmp=$cache/tmp-$key apt=$cache/apt
  $sudo mkdir -p "$cache"
  [ -w "$cache" ] || $sudo chown "$(id -u):$(id -g)" "$cache"
  # Debian's own source, through a private apt folder: the system's sources stay as they are.
  local qtsrc
  mkdir -p "$src"
  qtsrc=$(find "$src" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n1)
  if [ -z "$qtsrc" ]; then
    local archive
    # The archive the system installs from (one-line or deb822 sources; not
    # a commented-out line, not the security archive, which has no Qt source).
    archive=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
      sed -nE 's/^(deb|URIs:)[[:space:]]+(\[[^]]*\][[:space:]]+)?(https?:\/\/[^[:space:]]+).*/\3/p' |
      grep -v security | head -n1 || true)
    archive=${archive:-http://deb.debian.org/debian}
    mkdir -p "$apt/lists/partial" "$apt/parts"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive bookworm main" >"$apt/sources.list"
    local aptopts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
      -o "Dir::State::Lists=$apt/lists")
    apt-get "${aptopts[@]}" update -qq
    (cd "$src" && apt-get "${aptopts[@]}" source -qq "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev)")
    qtsrc=$(find "$src" -maxdepth 1 -type d -name "qt6-base-*" | head -n1)
  fi
  local start=$SECONDS
  # An interrupted build goes on where it stopped: its folder is keyed too.
  if [ ! -f "$tmp/build.ninja" ]; then
    rm -rf "$tmp"
    mkdir -p "$tmp"
    cmake -S "$qtsrc" -B "$tmp" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$win/mingw-w64-x86_64.cmake" \
      -DCMAKE_INSTALL_PREFIX="$qt" "${qt_options[@]}" >"$cache/configure-$key.log" 2>&1 ||
      { tail -n 40 "$cache/configure-$key.log"; return 1; }
  fi
  echo "building Qt $qt_version for Windows in $tmp (log: $cache/build-$key.log)"
  nice cmake --build "$tmp" -j "$jobs" >>"$cache/build-$key.log" 2>&1 ||
    { tail -n 40 "$cache/build-$key.log"; return 1; }
  cmake --install "$tmp" >"$cache/install-$key.log" 2>&1
  rm -rf "$tmp"
  echo "Qt $qt_version for Windows built in $((SECONDS - start)) s into $qt"
}

if [ ! -x "$qt/bin/qt-cmake" ]; then
  build_qt
fi
[ "${RK_WIN_QT_ONLY:-0}" = 1 ] && exit 0

# The icon renderer runs here, so it comes from the build machine's own build.
"$root/scripts/build.sh" "$root/build" >/dev/null
svg2png=$root/build/packaging/svg2png/rk-svg2png

start=$SECONDS
"$qt/bin/qt-cmake" -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DRK_WERROR=ON -DRK_HOST_SVG2PNG="$svg2png" >/dev/null
# The window's layout test too, for test-windows.sh: the fonts differ there.
nice cmake --build "$build" -j "$jobs" --target rk5720-config rk5720-cli rk5720-sim tst_windowfonts
echo "programs built in $((SECONDS - start)) s"

# The package's folder, from the one list.
version=$(sed -n 's/^project(rk5720-config VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
stage=$build/package/rk5720-config-$version-windows-x64
runtime=$(dirname "$($triple-g++-posix -print-file-name=libstdc++-6.dll)")
rm -rf "$build/package"
mkdir -p "$stage"
while read -r origin path folder; do
  case $origin in
  '' | '#'*) continue ;;
  build) from=$build/$path ;;
  qt) from=$qt/$path ;;
  mingw)
    from=$runtime/$path
    [ -f "$from" ] || from=/usr/$triple/lib/$path
    ;;
  *) echo "files.txt: unknown origin $origin" >&2 && exit 1 ;;
  esac
  mkdir -p "$stage/${folder:-.}"
  cp "$from" "$stage/${folder:-.}/"
done <"$win/files.txt"
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec "$triple-strip" --strip-unneeded {} +

# Beside the package, not in it: the test and the Qt Test library it needs.
rm -rf "$build/wine-tests"
cp -r "$stage" "$build/wine-tests"
cp "$build/tests/app/tst_windowfonts.exe" "$qt/bin/Qt6Test.dll" "$build/wine-tests/"

# What the uninstaller removes: the files the installer put there, by name, so
# that a folder shared with other programs keeps theirs.
uninstall_list=$build/package/uninstall-files.nsh
(
  cd "$stage"
  find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
) >"$uninstall_list"

zip=$build/package/rk5720-config-$version-windows-x64.zip
(cd "$build/package" && zip -qr9 "$zip" "$(basename "$stage")")
setup=$build/package/rk5720-config-$version-windows-x64-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
  -DUNINSTALL_LIST="$uninstall_list" "$win/installer.nsi"
ls -l "$zip" "$setup"
