#!/usr/bin/env bash
# Installs the Debian 12 packages Orvane needs to build, test and run; only what is missing.
set -euo pipefail
packages=(
    cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-httpserver-dev qt6-websockets-dev qt6-charts-dev
    qt6-svg-dev libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins qt6-translations-l10n libgl-dev
    libsqlite3-dev sqlite3 libbenchmark-dev python3 python3-jsonschema
    xvfb xauth imagemagick wrk dpkg-dev
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
