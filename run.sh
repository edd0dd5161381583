#!/usr/bin/env bash
# Builds the viewer. With an X display it starts the viewer there; without one it
# renders every shape on a private Xvfb server into ./gallery instead.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

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
work=$(mktemp -d)
xvfb_pid=
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
    rm -rf "$work"
}
trap stop_xvfb EXIT

# Xvfb picks a free display number itself and writes it to the descriptor once it
# accepts connections; reading the pipe waits for exactly that, and ends empty if
# the server dies first.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_number=
read -r display_number <"$work/display" || true
if [ -z "$display_number" ]; then
    echo "run.sh: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi

# The gallery's own lines, one per file, are left out: they would fill the screen.
DISPLAY=":$display_number" ./build/varenthe-gallery "$gallery_dir" >/dev/null
stop_xvfb
echo "No X display, so instead of starting the viewer run.sh rendered every shape on a private Xvfb server."
echo "The pictures of the 28 shapes and contact-sheet.png are in $gallery_dir"
