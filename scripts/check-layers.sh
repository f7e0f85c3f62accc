#!/usr/bin/env bash
# Fails when a layer includes a header of a layer above it. Layers, lowest
# first: core < platform < io < render < scene < world < sound < demo < app
# and tools. The render back-ends (render/opengl, render/direct3d8) may also
# see scene.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
    case "$1" in
        core) echo 0 ;; platform) echo 1 ;; io) echo 2 ;; render) echo 3 ;;
        scene) echo 4 ;; world) echo 5 ;; sound) echo 6 ;; demo) echo 7 ;;
        app | tools) echo 8 ;; *) echo -1 ;;
    esac
}

status=0
while IFS=: read -r file line text; do
    from=${file%%/*}
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<< "$text")
    target_rank=$(rank "$target")
    [ "$target_rank" -ge 0 ] || continue
    [ "$target_rank" -gt "$(rank "$from")" ] || continue
    case "$file" in
        render/opengl/* | render/direct3d8/*) [ "$target" = scene ] && continue ;;
    esac
    echo "$file:$line: layer '$from' includes '$target', a layer above it: $text" >&2
    status=1
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
    --include='*.h' --include='*.cpp' core platform io render scene world sound demo app tools \
    2> /dev/null || true)

if [ "$status" -eq 0 ]; then echo "layers: no layer includes one above it"; fi
exit "$status"
