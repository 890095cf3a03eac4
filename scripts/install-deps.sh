#!/usr/bin/env bash
# Installs the Debian packages the build needs, or says exactly how to.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

packages=(
    g++
    cmake
    make
    pkg-config
    libsndfile1-dev
    libgtest-dev
    clang
    libclang-rt-14-dev
    # The editor: drawing, text, the X11 window, and the end-to-end editor tests
    libcairo2-dev
    libpng-dev
    libpango1.0-dev
    libx11-dev
    libxtst-dev
    fontconfig
    fonts-liberation2
    xvfb
    xauth
    # The scalar-build parity check compares renders with a small script
    python3
)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "These Debian packages are needed to build Morvex: ${missing[*]}" >&2
    echo "Install them with:" >&2
    echo "    sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    echo "then run this command again." >&2
    exit 1
fi
