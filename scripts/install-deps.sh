#!/usr/bin/env bash
# Installs the Debian 12 packages Vellorin needs to build, run and test, if any are missing.
set -euo pipefail

packages=(
    cmake g++ ninja-build pkg-config
    qt6-base-dev qt6-webengine-dev libqt6svg6 libxcb1-dev
    libpugixml-dev libcurl4-openssl-dev liblz4-dev libxml2-dev libicu-dev nlohmann-json3-dev libcanberra-dev
    libcpp-httplib-dev libgtest-dev libbenchmark-dev
    xvfb xauth xdg-utils ca-certificates
    trayer xdotool
    # the Debian package, its icons, manual pages and checks (scripts/package.sh)
    dpkg-dev file scdoc librsvg2-bin desktop-file-utils appstream x11-utils
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
