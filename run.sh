#!/bin/bash
# Builds Pliform in release mode and starts it.
# Installs the Debian packages the build and the program need when they are missing.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); Pliform needs a graphical session." >&2
    exit 1
fi

packages=(
    build-essential
    cmake
    ninja-build
    qt6-base-dev
    libqt6opengl6-dev
    libgl-dev
    libegl-dev
    libpng-dev
    libtinygltf-dev
    nlohmann-json3-dev
)
# Without an X server the program talks to the Wayland compositor directly.
if [ -z "${DISPLAY:-}" ]; then
    packages+=(qt6-wayland)
fi
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "run.sh: installing ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

cmake -S . -B build-release -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DPLIFORM_BUILD_TESTS=OFF \
    -DPLIFORM_BUILD_BENCHMARKS=OFF
cmake --build build-release --target pliform -j "$(nproc)"

exec ./build-release/pliform
