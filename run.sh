#!/usr/bin/env bash
# Builds the viewer and starts it on the current X display.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARENTHE_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" >/dev/null

if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: the viewer needs an X display, and DISPLAY is not set." >&2
    exit 1
fi
exec ./build/varenthe "$@"
