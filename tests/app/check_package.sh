#!/bin/sh
# check_package.sh CPACK BUILD_DIR VERSION
# Builds the Debian package from a built tree and checks its file list, its
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
deb="$out/rk5720-config_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb"

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||' | grep -v '/$' | sort >"$out/files"
for f in usr/bin/rk5720-config usr/bin/rk5720-sim usr/bin/rk5720-cli \
  usr/share/applications/rk5720-config.desktop \
  usr/share/icons/hicolor/scalable/apps/rk5720-config.svg \
  usr/share/icons/hicolor/48x48/apps/rk5720-config.png \
  usr/share/icons/hicolor/256x256/apps/rk5720-config.png \
  usr/share/man/man1/rk5720-config.1.gz usr/share/man/man1/rk5720-sim.1.gz \
  usr/share/man/man1/rk5720-cli.1.gz \
  usr/share/doc/rk5720-config/copyright usr/share/doc/rk5720-config/changelog.gz; do
  grep -qx "$f" "$out/files" || fail "missing $f"
done
collection=usr/share/ansible/collections/ansible_collections/rk5720/lan
for f in galaxy.yml README.md meta/runtime.yml plugins/plugin_utils/verdicts.py \
  plugins/plugin_utils/cli_action.py plugins/plugin_utils/play_checks.py \
  plugins/doc_fragments/cli.py plugins/modules/config.py plugins/modules/firmware.py \
  plugins/modules/facts.py plugins/modules/fleet.py plugins/action/config.py \
  plugins/action/firmware.py plugins/action/facts.py plugins/action/fleet.py \
  changelogs/changelog.yaml; do
  grep -qx "$collection/$f" "$out/files" || fail "missing $collection/$f"
done
# Only the programs and their data: nothing from the tests or the build tools.
grep -v -E '^usr/(bin/rk5720-[a-z]+|share/(applications|icons/hicolor|man/man1)/.*)$' "$out/files" |
  grep -v -E "^$collection/(galaxy\.yml|README\.md|meta/runtime\.yml|changelogs/changelog\.yaml|plugins/[a-z_]+/[a-z0-9_]+\.py)\$" |
  grep -v -E '^usr/share/doc/rk5720-config/(copyright|changelog\.gz)$' &&
  fail "unexpected files above"
for program in $(sed -n 's|^usr/bin/||p' "$out/files"); do
  grep -qx "usr/share/man/man1/$program.1.gz" "$out/files" || fail "no manual page for $program"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = rk5720-config ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
# Read from the binaries, so every library they link is there.
echo "$depends" | tr ',' '\n' | sed 's/^ *//' >"$out/depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6; do
  cut -d' ' -f1 "$out/depends" | grep -qxF "$lib" || fail "Depends lacks $lib: $depends"
done
# The font the windows ask for.
field Recommends | tr ',' '\n' | sed 's/^ *//' | grep -qx fonts-dejavu-core ||
  fail "Recommends lacks fonts-dejavu-core: $(field Recommends)"

# Debian's rules, as lintian knows them: errors and warnings fail, its notes do not.
lintian --fail-on error,warning "$deb" >"$out/lintian" 2>&1 ||
  { cat "$out/lintian" >&2; fail "lintian"; }

dpkg-deb -x "$deb" "$out/root"
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
