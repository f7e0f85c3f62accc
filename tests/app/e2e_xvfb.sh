#!/usr/bin/env bash
# The desktop program end to end on a virtual X server: the set-up dialog
# comes up, OpenGL is chosen and Start is pressed from the keyboard, the
# level is drawn by Mesa, the statistics are shown, the arrow key moves the
# character (its coordinates in the statistics change between two F12
# screenshots), and ESC ends the program with exit code 0.
# Usage: e2e_xvfb.sh [BUILD_DIR] [ARTEFACT_DIR]   (the screenshots are kept there)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-build}" && pwd)"
artefacts="${2:-$build/e2e}"

if [ -z "${VIMSA_E2E_DISPLAY:-}" ]; then
    for tool in xvfb-run xdotool python3; do
        command -v "$tool" > /dev/null || { echo "e2e: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
    done
    exec env VIMSA_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$artefacts"
fi

mkdir -p "$artefacts"
artefacts="$(cd "$artefacts" && pwd)"
log="$artefacts/vimsa.log"
data="$build/data"
# The folder screenshots go to, in whatever letter case it already has
# (the renderer looks paths up without regard to case).
shots="$(find "$data" -maxdepth 2 -type d -ipath "$data/texture/shot" | head -n 1)"
if [ -z "$shots" ]; then
    shots="$data/texture/Shot"
    mkdir -p "$shots"
fi
marker="$(mktemp)"
pid=""
fail() {
    echo "e2e: $*" >&2
    [ -n "$pid" ] && kill "$pid" 2> /dev/null || true
    echo "--- program output" >&2
    tail -n 40 "$log" >&2 || true
    exit 1
}
step() { echo "e2e: $*"; }

# The next screenshot the program writes after `marker`, within 60 s.
wait_for_shot() {
    local deadline=$((SECONDS + 60)) found
    while [ $SECONDS -lt $deadline ]; do
        found="$(find "$shots" -maxdepth 1 -iname '*.tga' -newer "$marker" | sort | tail -n 1)"
        if [ -n "$found" ]; then
            touch -r "$found" "$marker"
            sleep 0.2
            echo "$found"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

cd "$data"
QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 LIBGL_DEBUG=verbose \
    "$build/app/vimsa" > "$log" 2>&1 &
pid=$!

setup="$(timeout 60 xdotool search --sync --onlyvisible --name '^Setup$' | head -n 1)" ||
    fail "the Setup dialog did not appear"
step "the Setup dialog is up"
xdotool windowfocus --sync "$setup"
# The focus starts on "DirectX": Down selects "OpenGL", Enter presses Start.
xdotool key --delay 100 Down Return

main="$(timeout 60 xdotool search --sync --onlyvisible --name 'Vimsa II' | head -n 1)" ||
    fail "no main window titled Vimsa II"
step "main window: $(xdotool getwindowname "$main")"
touch "$marker"
sleep 1
xdotool windowfocus --sync "$main"
# S shows the statistics; F12 takes the first picture.
xdotool key --delay 200 s F12
first="$(wait_for_shot)" || fail "F12 wrote no screenshot"
step "first screenshot: $first"
grep -qiE 'swrast|llvmpipe|MESA-LOADER' "$log" ||
    fail "Mesa's OpenGL driver was not loaded"
xdotool keydown Up
sleep 2
xdotool keyup Up
sleep 0.5
xdotool key F12
second="$(wait_for_shot)" || fail "the second F12 wrote no screenshot"
step "second screenshot: $second"
cp "$first" "$artefacts/before-move.tga"
cp "$second" "$artefacts/after-move.tga"
python3 "$here/hud_text_changed.py" "$first" "$second" ||
    fail "the character's coordinates did not change"
rm -f "$first" "$second" "$marker"

xdotool key Escape
for _ in $(seq 1 150); do
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.2
done
kill -0 "$pid" 2> /dev/null && fail "ESC did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "the program ended with exit code $status"
step "ESC ended the program with exit code 0; screenshots in $artefacts"
