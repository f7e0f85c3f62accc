#!/usr/bin/env bash
# Installs, on Debian 12, the packages the project builds and tests with.
# Idempotent: only missing packages are installed, so a machine that has
# everything returns in well under a second.
set -euo pipefail

packages=(
    # toolchain and test frameworks
    cmake ninja-build g++ make pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # headless OpenGL: EGL on Mesa (llvmpipe), surfaceless platform
    libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
    # sound output and media decoding (and the MP3 the data generator encodes)
    libsdl2-dev libsndfile1-dev
    # reports of the headless demo runs
    nlohmann-json3-dev
    # the heads-up font the data generator rasterises
    libfreetype-dev fonts-dejavu-core
    # the desktop shell (Qt 6 Widgets with OpenGL) and its end-to-end test
    # under a virtual X server
    qt6-base-dev qt6-qpa-plugins xvfb xauth xdotool
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
