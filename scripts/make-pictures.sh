#!/bin/bash
# Regenerates the README's pictures from the end-to-end session, so that they always
# show the current program: docs/screenshot.png (the window at the end of the
# session) and docs/workflow.gif (draw an outline, draw a closed curve, cut, extrude,
# edit). Runs the real program on a virtual display, as the end-to-end test does.
# Usage: scripts/make-pictures.sh [BUILD_DIR]   (default: build; needs pliform and
# pliform-replay built there, and Xvfb, xdotool, openbox and ImageMagick)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT

for program in pliform pliform-replay; do
    if [ ! -x "$build/$program" ]; then
        echo "make-pictures: $build/$program is missing; build it first" >&2
        exit 1
    fi
done

status=0
"$root/tests/e2e/e2e.sh" "$build/pliform" "$build/pliform-replay" "$root/tests/e2e/session.pfs" \
    "$shots" || status=$?
if [ "$status" -ne 0 ]; then
    echo "make-pictures: the session did not pass (status $status); pictures left as they were" >&2
    exit 1
fi

mkdir -p "$root/docs"
# The window with its menu bar, in a palette of 256 colours: the shading is smooth
# enough that nobody sees the difference, and the file is a third of the size.
convert "$shots/final.png" -strip -dither None -colors 256 "PNG8:$root/docs/screenshot.png"

# The drawing surface only (below the menu bar), at full size: a smaller copy would
# blend the one-pixel curves into the white and lose their colours.
read -r width height < <(identify -format '%w %h\n' "$shots/body.png")
menu=19
frames=()
for name in drawing body waiting cut extruded edited final; do
    convert "$shots/$name.png" -crop "${width}x$((height - menu))+0+$menu" +repage \
        -dither None -colors 255 "$shots/frame-$name.png"
    frames+=("$shots/frame-$name.png")
done
# Each frame holds for a moment, the last one longer. The first frame has only greys;
# without TrueColor the writer would take it as a grey image and grey every frame.
convert -delay 110 -loop 0 "${frames[@]:0:6}" -delay 300 "${frames[6]}" \
    -set colorspace sRGB -type TrueColor -layers Optimize "$root/docs/workflow.gif"

ls -l "$root/docs/screenshot.png" "$root/docs/workflow.gif"
