#!/usr/bin/env bash
# Installs what the console, its simulator and its tests need on Debian 12 (run as root).
set -euo pipefail
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-serialport-dev qt6-qpa-plugins qt6-translations-l10n
    # Qt Charts' CMake package needs Qt OpenGL's, which Debian's qt6-charts-dev does not pull in.
    qt6-charts-dev libqt6opengl6-dev
    libqt6sql6-sqlite libqt6sql6-psql sqlite3 postgresql
    libgtest-dev libgmock-dev
    xvfb xauth imagemagick xdotool poppler-utils fonts-dejavu-core
    dpkg-dev file help2man librsvg2-bin man-db desktop-file-utils appstream lintian
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
