#!/usr/bin/env bash
# Builds the viewer. With an X display it starts the viewer there; without one it
# renders every shape on a private Xvfb server into ./gallery instead.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
source scripts/xvfb.sh

ensure_packages "${BUILD_PACKAGES[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARENTHE_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    exec ./build/varenthe "$@"
fi

if [ "$#" -gt 0 ]; then
    echo "run.sh: without a display the viewer does not start, so its arguments ($*) are not used." >&2
fi
ensure_packages xvfb

gallery_dir=$PWD/gallery
trap stop_xvfb EXIT
start_xvfb

# The gallery's own lines, one per file, are left out: they would fill the screen.
./build/varenthe-gallery "$gallery_dir" >/dev/null
stop_xvfb
echo "No X display, so instead of starting the viewer run.sh rendered every shape on a private Xvfb server."
echo "The pictures of the 28 shapes, contact-sheet.png and the card index.html are in $gallery_dir"
