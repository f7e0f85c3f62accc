#!/usr/bin/env bash
# Starts the demonstration from the build folder given as $1: the desktop
# program vimsa when a display is there, else the headless vimsa-timedemo
# (and says so). The demo runs
# with the generated data folder ($1/data) as its current folder, because
# every data path is relative to it.
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
data="$build/data"

if [ ! -f "$data/Vimsa.cat" ]; then
    echo "The data folder $data is missing: build the demo_data target first." >&2
    exit 1
fi
if [ -x "$build/app/vimsa" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    cd "$data" && exec "$build/app/vimsa"
fi
if [ -x "$build/tools/vimsa-timedemo" ]; then
    if [ -x "$build/app/vimsa" ]; then
        echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the headless" \
            "vimsa-timedemo instead of the desktop program vimsa." >&2
    fi
    cd "$data" && exec "$build/tools/vimsa-timedemo" --script tour
fi

echo "Neither $build/app/vimsa nor $build/tools/vimsa-timedemo is built: run make run again," \
    "or cmake --build $build." >&2
exit 1
