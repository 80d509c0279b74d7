#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
# With --run only those that building and running the editor need.
set -euo pipefail
packages=(
    cmake ninja-build g++
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libgl-dev libx11-dev
    libemf2svg-dev libgumbo-dev libopencv-imgproc-dev pkg-config libtesseract-dev
    tesseract-ocr-eng libjpeg62-turbo-dev libxdamage-dev fonts-dejavu-core
)
# The sanitizer and fuzzer builds, the formatting check, the X11 end-to-end runs and the
# browser comparisons.
if [ "${1:-}" != --run ]; then
    packages+=(
        clang-14 clang-format-14 libfuzzer-14-dev libclang-rt-14-dev
        xvfb xauth xdotool x11-apps x11-utils imagemagick chromium
    )
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing ${#missing[@]} Debian packages: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
