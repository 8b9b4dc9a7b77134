#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run command need,
# only those that are missing.
set -euo pipefail
packages=(g++ cmake make pkg-config ccache qtbase5-dev libqt5serialport5-dev libqt5svg5-dev
          qttools5-dev qttools5-dev-tools qttranslations5-l10n libqwt-qt5-dev libboost-dev
          libtinyxml2-dev binutils xvfb xauth)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
