#!/usr/bin/env bash
# Starts the demonstration from the build folder given as $1.
set -euo pipefail
build="${1:-build}"

if [ -x "$build/app/vimsa" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec "$build/app/vimsa"
fi
if [ -x "$build/tools/vimsa-timedemo" ]; then
    exec "$build/tools/vimsa-timedemo"
fi

cat <<TXT
The demonstration program is not built yet. What exists today:
  - the engine libraries and their tests:   make test
  - one layer's tests:                      ctest --test-dir $build -L core
  - the benchmarks:                         $build/bench/bench_math, $build/bench/*/bench_*
TXT
for tool in "$build"/tools/vimsa-tool; do
    [ -x "$tool" ] && echo "  - the file, image and module tool:       $tool --help"
done
exit 0
