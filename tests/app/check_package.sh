#!/bin/sh
# check_package.sh CPACK BUILD_DIR VERSION
# Builds the Debian packages from a built tree and checks its file list, its
# control fields, what the installed files do, and lintian's verdict.
set -eu
cpack=$1
build=$2
version=$3

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; fail "cpack"; }
arch=$(dpkg --print-architecture)
cli_deb="$out/rk5720-cli_${version}_$arch.deb"
deb="$out/rk5720-config_${version}_$arch.deb"
collection_deb="$out/ansible-collection-rk5720-lan_${version}_all.deb"
for d in "$cli_deb" "$deb" "$collection_deb"; do
  [ -f "$d" ] || { ls "$out" >&2; fail "no $d"; }
done

# files DEB: its regular files, one a line.
files() { dpkg-deb -c "$1" | awk '{ print $6 }' | sed 's|^\./||' | grep -v '/$' | sort; }
# expect DEB PACKAGE FILE...: the package holds exactly these files, its
# copyright and its changelog.
expect() {
  d=$1
  package=$2
  shift 2
  files "$d" >"$out/$package.files"
  printf '%s\n' "$@" usr/share/doc/$package/copyright usr/share/doc/$package/changelog.gz |
    sort >"$out/$package.wanted"
  diff "$out/$package.wanted" "$out/$package.files" >&2 || fail "files of $package (< wanted, > found)"
}
expect "$cli_deb" rk5720-cli usr/bin/rk5720-cli usr/share/man/man1/rk5720-cli.1.gz
expect "$deb" rk5720-config usr/bin/rk5720-config usr/bin/rk5720-sim \
  usr/share/applications/rk5720-config.desktop \
  usr/share/icons/hicolor/scalable/apps/rk5720-config.svg \
  $(for size in 16 32 48 64 128 256; do
    echo usr/share/icons/hicolor/${size}x$size/apps/rk5720-config.png
  done) \
  usr/share/man/man1/rk5720-config.1.gz usr/share/man/man1/rk5720-sim.1.gz
collection=usr/share/ansible/collections/ansible_collections/rk5720/lan
# The collection's files as the tree has them, nothing compiled.
src=$(dirname "$0")/../../packaging/ansible/ansible_collections/rk5720/lan
expect "$collection_deb" ansible-collection-rk5720-lan $(cd "$src" && find . -type f \
  ! -name '*.pyc' ! -path '*/__pycache__/*' ! -name LICENSE | sed "s|^\./|$collection/|")
grep -qx "$collection/plugins/action/config.py" "$out/ansible-collection-rk5720-lan.files" ||
  fail "no action plugin in the collection"
cat "$out"/*.files >"$out/files"

field() { dpkg-deb -f "$deb" "$1"; }
for d in "$cli_deb" "$deb" "$collection_deb"; do
  [ "$(dpkg-deb -f "$d" Version)" = "$version" ] || fail "Version of $d"
  [ -n "$(dpkg-deb -f "$d" Maintainer)" ] || fail "no Maintainer in $d"
  [ -n "$(dpkg-deb -f "$d" Description)" ] || fail "no Description in $d"
done
[ "$(field Package)" = rk5720-config ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture"
depends=$(field Depends)
# Read from the binaries, so every library they link is there.
echo "$depends" | tr ',' '\n' | sed 's/^ *//' >"$out/depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6; do
  cut -d' ' -f1 "$out/depends" | grep -qxF "$lib" || fail "Depends lacks $lib: $depends"
done
# The font the windows ask for.
field Recommends | tr ',' '\n' | sed 's/^ *//' | grep -qx fonts-dejavu-core ||
  fail "Recommends lacks fonts-dejavu-core: $(field Recommends)"
# A jump host: Qt Core and Network, no GUI library at all.
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
echo "$cli_depends" | grep -q libqt6network6 || fail "rk5720-cli Depends: $cli_depends"
echo "$cli_depends" | grep -E -q 'libqt6(gui|widgets|svg|dbus|opengl|xcb)|libx|libgl|fontconfig' &&
  fail "rk5720-cli pulls in a GUI library: $cli_depends"
[ -z "$(dpkg-deb -f "$cli_deb" Recommends)" ] || fail "rk5720-cli recommends something"
[ "$(dpkg-deb -f "$collection_deb" Architecture)" = all ] || fail "collection is not Architecture: all"
dpkg-deb -f "$collection_deb" Depends | grep -q '^ansible-core (>= 2.14)$' ||
  fail "collection Depends: $(dpkg-deb -f "$collection_deb" Depends)"

# Debian's rules, as lintian knows them: errors and warnings fail, its notes do not.
lintian --fail-on error,warning "$cli_deb" "$deb" "$collection_deb" >"$out/lintian" 2>&1 ||
  { cat "$out/lintian" >&2; fail "lintian"; }

for d in "$cli_deb" "$deb" "$collection_deb"; do dpkg-deb -x "$d" "$out/root"; done
root=$out/root
desktop-file-validate "$root/usr/share/applications/rk5720-config.desktop" ||
  fail "desktop entry"
for size in 48 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/rk5720-config.png" |
    grep -q "PNG image data, $size x $size," || fail "icon ${size}x${size}"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/rk5720-config.svg" || fail "svg"
# The installed collection as ansible-core finds it (where the engine is here).
if command -v ansible-doc >/dev/null; then
  ANSIBLE_COLLECTIONS_PATH=$root/usr/share/ansible/collections ANSIBLE_HOME=$out/ansible \
    PYTHONDONTWRITEBYTECODE=1 ansible-doc rk5720.lan.config >"$out/doc" 2>&1 &&
    grep -q device_port "$out/doc" || { cat "$out/doc" >&2; fail "ansible-doc rk5720.lan.config"; }
fi
for page in "$root"/usr/share/man/man1/*.1.gz; do
  gzip -dc "$page" | head -1 | grep -q "^\.TH .* $version\"" || fail "manual page $page"
done
# A version bump needs its changelog entry.
gzip -dc "$root/usr/share/doc/rk5720-config/changelog.gz" | head -1 |
  grep -q "^rk5720-config ($version) " || fail "changelog's first entry is not $version"

# The packaged programs run without a display; being installed, the tool keeps
# its settings in the user's configuration folder.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
[ "$("$root/usr/bin/rk5720-config" --version)" = "rk5720-config $version" ] || fail "--version"
XDG_CONFIG_HOME="$out/cfg" "$root/usr/bin/rk5720-config" --help >"$out/help"
grep -qF "Settings file: $out/cfg/rk5720-config/RK5720LAN_Config.ini, in the user's" \
  "$out/help" || { cat "$out/help" >&2; fail "--help settings line"; }
"$root/usr/bin/rk5720-sim" --help >/dev/null || fail "rk5720-sim --help"
[ "$("$root/usr/bin/rk5720-cli" --version)" = "rk5720-cli $version" ] || fail "rk5720-cli --version"
echo "package_deb: $(wc -l <"$out/files") files, Depends: $depends"
