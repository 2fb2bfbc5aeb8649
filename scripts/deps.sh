#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when
# they are missing. Needs root (or sudo) only when something must be installed.
set -euo pipefail
# fonts-dejavu-core is named although fontconfig pulls in a font: fonts-liberation2
# satisfies that, and the windows ask for DejaVu Sans. nftables: the scan benchmark
# drops connection attempts as a real network would. ansible-lint, yamllint,
# pylint, pycodestyle and voluptuous: the Ansible collection's sanity test.
packages=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libqt6test6
          qt6-svg-dev fonts-dejavu-core fonts-liberation2 dpkg-dev file desktop-file-utils
          lintian iproute2 util-linux xvfb xauth ccache clang-14 libclang-rt-14-dev clang-format
          ansible-core nftables ansible-lint yamllint pylint python3-pycodestyle
          python3-voluptuous)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}"
