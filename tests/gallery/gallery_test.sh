#!/usr/bin/env bash
# gallery_test.sh GALLERY PROBE [PRELOAD]: runs varenthe-gallery without a display,
# then on a private Xvfb server, and checks the pictures it leaves with PROBE
# (png_probe). PRELOAD, if given, goes into the gallery's LD_PRELOAD.
set -euo pipefail
gallery=$1
probe=$2
preload=${3:-}

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# In the sanitizer build Mesa's driver is preloaded so that its own leaks, which
# the leak check would otherwise report, can be suppressed by name.
run_gallery() {
    LD_PRELOAD="$preload" "$gallery" "$@"
}

status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

# Without a display it must say so itself, before GLUT would, and leave nothing.
if (unset DISPLAY; run_gallery "$work/none") >"$work/out" 2>"$work/err"; then
    fail "succeeded without a display"
fi
[ ! -s "$work/out" ] || fail "wrote to stdout without a display: $(cat "$work/out")"
grep -q 'needs an X display' "$work/err" || fail "no plain message without a display: $(cat "$work/err")"
! grep -q freeglut "$work/err" || fail "GLUT was started without a display: $(cat "$work/err")"
[ ! -e "$work/none" ] || fail "created its directory without a display"

if ! command -v Xvfb >/dev/null; then
    echo "FAIL: Xvfb is not installed: install the Debian package xvfb" >&2
    exit 1
fi
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_number=
read -r display_number <"$work/display" || true
if [ -z "$display_number" ]; then
    echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
fi

pictures=$work/pictures
if ! DISPLAY=":$display_number" run_gallery "$pictures" >"$work/out" 2>"$work/err"; then
    echo "FAIL: the gallery failed: $(cat "$work/err")" >&2
    exit 1
fi
[ "$(wc -l <"$work/out")" -eq 1 ] && grep -qF "$pictures" "$work/out" ||
    fail "stdout is not one line naming $pictures: $(cat "$work/out")"

# In id order, which is also the order of the contact sheet.
expected=(
    02-glu-cylinder-wire 03-glu-cylinder-solid 04-glu-disk-wire 05-glu-disk-solid
    06-glu-partialdisk-wire 07-glu-partialdisk-solid 08-glu-sphere-wire 09-glu-sphere-solid
    10-wire-cylinder-with-top-bottom 11-solid-cylinder-with-top-bottom
    20-glut-wiresphere 21-glut-solidsphere 22-glut-wirecone 23-glut-solidcone
    24-glut-wirecube 25-glut-solidcube 26-glut-wiretorus 27-glut-solidtorus
    28-glut-wiredodecahedron 29-glut-soliddodecahedron 30-glut-wireoctahedron
    31-glut-solidoctahedron 32-glut-wiretetrahedron 33-glut-solidtetrahedron
    34-glut-wireicosahedron 35-glut-solidicosahedron 36-glut-wireteapot 37-glut-solidteapot
)
listing=$(cd "$pictures" && ls)
wanted=$( (printf '%s.png\n' "${expected[@]}"; echo contact-sheet.png) | sort)
[ "$listing" = "$wanted" ] || fail "unexpected files:"$'\n'"$(diff <(echo "$wanted") <(echo "$listing") || true)"

# At the reset camera the green +Y axis leans towards the eye and runs off the
# top edge, while its -Y end stops in the lower part of the picture; a picture
# written bottom-up has it the other way round.
for name in "${expected[@]}"; do
    file=$pictures/$name.png
    [ -f "$file" ] || continue
    read -r width height lit green_top green_bottom < <("$probe" stats "$file")
    [ "$width" -eq 250 ] && [ "$height" -eq 250 ] || fail "$name is ${width}x$height, not the 250x250 window"
    [ "$lit" -gt 0 ] || fail "$name is black"
    [ "$green_top" -eq 0 ] && [ "$green_bottom" -lt $((height * 9 / 10)) ] ||
        fail "$name is upside down or lacks the Y axis (green rows $green_top to $green_bottom)"
done

# A shape that draws nothing leaves the axes alone, the same for every such shape;
# and one shape drawn for all ids would make all pictures alike.
distinct=$(cd "$pictures" && md5sum "${expected[@]/%/.png}" | cut -d' ' -f1 | sort -u | wc -l)
[ "$distinct" -eq "${#expected[@]}" ] || fail "only $distinct of the ${#expected[@]} pictures differ"

# Seven shapes a row pair, each wire form above its solid form, in 250-pixel tiles
# with a 4-pixel border.
read -r sheet_width sheet_height _ < <("$probe" stats "$pictures/contact-sheet.png")
[ "$sheet_width" -eq 1782 ] && [ "$sheet_height" -eq 1020 ] ||
    fail "contact sheet is ${sheet_width}x$sheet_height, not 1782x1020"
for index in "${!expected[@]}"; do
    pair=$((index / 2))
    left=$((4 + (pair % 7) * 254))
    top=$((4 + (2 * (pair / 7) + index % 2) * 254))
    "$probe" holds "$pictures/contact-sheet.png" "$left" "$top" "$pictures/${expected[$index]}.png" ||
        fail "contact sheet does not show ${expected[$index]} at $left,$top"
done

exit "$status"
