#!/bin/bash
# Draws the outlines of the test corpus as a contact sheet, docs/outlines.png: every
# shape as the corpus test draws it on the empty scene, the body seen from the front
# and from a three-quarter view. Each picture is the replay tool's offscreen rendering
# of a script pliform-outlines writes.
# Usage: scripts/outline-sheet.sh [BUILD_DIR]   (default: build; needs pliform-outlines
# and pliform-replay built there with the renderer, and ImageMagick)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for program in pliform-outlines pliform-replay; do
    if [ ! -x "$build/$program" ]; then
        echo "outline-sheet: $build/$program is missing; build it first" >&2
        exit 1
    fi
done

"$build/pliform-outlines" "$work"

# The bodies reach at most 230 pixels from the middle of the 600 by 600 frame; the
# square round them leaves out the axes in the corner.
tile=132
tiles=()
for front in "$work"/[0-9][0-9]-*.pfs; do
    case "$front" in *-turned.pfs) continue ;; esac
    base=${front%.pfs}
    for script in "$front" "$base-turned.pfs"; do
        if ! "$build/pliform-replay" --png "${script%.pfs}.png" "$script" >/dev/null; then
            echo "outline-sheet: $(basename "$script") did not build a body" >&2
            exit 1
        fi
    done
    name=$(basename "$base")
    convert "$base.png" "$base-turned.png" -crop 460x460+70+70 +repage -resize "${tile}x$tile" \
        +append "$base-pair.png"
    tiles+=(-label "${name#[0-9][0-9]-}" "$base-pair.png")
done

mkdir -p "$root/docs"
montage "${tiles[@]}" -tile 6x -geometry +6+4 -pointsize 12 -background white \
    "$work/sheet.png"
# Grey shading and a blue outline: a small palette loses nothing anybody sees.
convert "$work/sheet.png" -strip -dither None -colors 64 "PNG8:$root/docs/outlines.png"
ls -l "$root/docs/outlines.png"
