#!/usr/bin/env bash
# Installs what building and running need when missing, builds the program and the demo
# library (no tests, benchmarks or their tools), and opens the viewer on the demo library.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQIRVA_TESTS=OFF >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: start it from a desktop session (or under Xvfb with DISPLAY set)." >&2
    exit 1
fi
exec build/demo/qirva
