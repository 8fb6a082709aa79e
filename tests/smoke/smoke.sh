#!/bin/bash
# Smoke test of the real program: start it on a virtual display, find its window,
# press accelerator keys, draw a loop with the mouse, and read the picture back.
# Usage: smoke.sh PATH_TO_PLIFORM
# Exit 0 on success, 1 on failure, 77 when the virtual display tools are missing.
set -u

program=${1:?usage: smoke.sh PATH_TO_PLIFORM}

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
for tool in import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool (ImageMagick) is needed to read the screen back"
        exit 1
    fi
done

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
app_pid=""
cleanup() {
    for pid in "$app_pid" "$wm_pid" "$xvfb_pid"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    if [ -f "$work/app.log" ]; then
        echo "--- program output"
        cat "$work/app.log"
    fi
    if [ -n "${SMOKE_KEEP_SHOTS:-}" ]; then
        cp "$work"/*.png "$SMOKE_KEEP_SHOTS"/ 2>/dev/null
    fi
    exit 1
}

# A free display number, chosen by the server itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "the virtual display did not start"
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work/runtime"
# Autosave goes to a folder of the test's own, never the user's.
export XDG_STATE_HOME="$work/state"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb

# A window manager gives the window its frame and keyboard focus as on a desktop.
if command -v openbox >/dev/null 2>&1; then
    openbox >"$work/wm.log" 2>&1 &
    wm_pid=$!
    sleep 1
fi

"$program" >"$work/app.log" 2>&1 &
app_pid=$!

window=""
for _ in $(seq 1 200); do
    window=$(xdotool search --onlyvisible --name '^Pliform$' 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended during start-up"
    sleep 0.1
done
[ -n "$window" ] || fail "no visible window titled Pliform"
sleep 1.5

# Client area of the top-level window, in screen coordinates.
eval "$(xdotool getwindowgeometry --shell "$window")"
client_x=$X
client_y=$Y
client_w=$WIDTH
client_h=$HEIGHT

# The outer size counts the window manager's frame, which it publishes on the window.
left=0 right=0 top=0 bottom=0
have_extents=yes
if [ -n "$wm_pid" ]; then
    have_extents=no
    if command -v xprop >/dev/null 2>&1; then
        extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
        if [ -n "$extents" ]; then
            IFS=, read -r left right top bottom <<<"$extents"
            have_extents=yes
        fi
    fi
fi
outer_w=$((client_w + left + right))
outer_h=$((client_h + top + bottom))
if [ "$have_extents" = yes ]; then
    if [ "$outer_w" -ne 600 ] || [ "$outer_h" -ne 600 ]; then
        fail "outer window size is ${outer_w}x${outer_h}, expected 600x600"
    fi
else
    echo "note: the window manager's frame size is unknown; outer size not checked"
fi
echo "window $window: client ${client_w}x${client_h} at $client_x,$client_y, outer ${outer_w}x${outer_h}"

# shot NAME: screenshot of the whole screen.
shot() {
    import -window root "$work/$1.png" || fail "screenshot failed"
}
# stats NAME X Y W H: counts of white, grey and other pixels in a screen rectangle.
stats() {
    convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 {
            r = $3; g = $4; b = $5
            if (r >= 250 && g >= 250 && b >= 250) white++
            else if (r >= 100 && r <= 160 && (r - g) * (r - g) < 64 && (g - b) * (g - b) < 64) grey++
            else other++
        } END { printf "%d %d %d\n", white, grey, other }'
}

# The drawing surface has the keyboard focus when the window opens. Edges and the
# Pen tool (already current, so the key must be accepted quietly).
xdotool mousemove $((client_x + client_w / 2)) $((client_y + client_h / 2))
# Without a window manager nobody hands the keyboard to a new window.
if [ -z "$wm_pid" ]; then
    xdotool windowfocus "$window"
fi
sleep 0.3
xdotool key 2
sleep 0.3
xdotool key p
sleep 0.3

# A loop of radius 110 pixels around the middle of the drawing surface. A stroke that
# comes back onto its start is cut back to that start, so the pen is released a
# little short of it: 45 of 48 steps leave a gap of about 43 pixels (some 21 model
# units at the start-up zoom), which the program closes.
cx=$((client_x + client_w / 2))
cy=$((client_y + client_h / 2 + 10))
points=$(awk -v cx="$cx" -v cy="$cy" 'BEGIN {
    for (i = 0; i <= 45; i++) {
        a = i * 2 * 3.14159265 / 48
        printf "%d %d\n", cx + 110 * cos(a), cy + 110 * sin(a)
    }
}')
first=$(head -n1 <<<"$points")
xdotool mousemove $first
sleep 0.3
xdotool mousedown 1
sleep 0.2
while read -r px py; do
    xdotool mousemove "$px" "$py"
    sleep 0.03
done <<<"$points"
sleep 0.2
xdotool mouseup 1

# Inside the loop: triangle edges on white in Edges mode. Creating the surface fairs
# the whole model, so give it time on a busy machine.
box_x=$((cx - 40))
box_y=$((cy - 40))
edges=""
for _ in $(seq 1 60); do
    sleep 0.5
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while building the shape"
    shot edges
    read -r white grey other <<<"$(stats edges $box_x $box_y 80 80)"
    if [ $((grey + other)) -gt 200 ]; then
        edges="$white $grey $other"
        break
    fi
done
[ -n "$edges" ] || fail "no shape appeared inside the drawn loop"
read -r white grey other <<<"$edges"
echo "inside the loop, Edges: white $white grey $grey other $other"
[ "$white" -gt 2500 ] || fail "Edges mode should leave white between the triangle edges (white $white of 6400)"

# Background: the corner of the surface away from the marker and the loop.
read -r white grey other <<<"$(stats edges $((client_x + client_w - 40)) $((client_y + 40)) 30 30)"
[ "$white" -eq 900 ] || fail "the background is not white (white $white of 900)"

# The orientation marker: grey axis and plate edge in the lower left corner.
read -r white grey other <<<"$(stats edges $((client_x)) $((client_y + client_h - 100)) 100 100)"
echo "lower-left corner: white $white grey $grey other $other"
[ "$grey" -ge 40 ] || fail "no grey orientation marker in the lower left corner (grey $grey)"

# Back to shaded surfaces with the key 1: the inside fills with shade. Only the
# highlight, where the surface faces the light, reaches full white.
xdotool key 1
sleep 1
shot surfaces
read -r white grey other <<<"$(stats surfaces $box_x $box_y 80 80)"
echo "inside the loop, Surfaces: white $white grey $grey other $other"
[ "$white" -lt 1200 ] || fail "Surfaces mode should shade the inside (white $white of 6400)"

kill -0 "$app_pid" 2>/dev/null || fail "the program is no longer running"

# File > Exit ends the program at once, without a question.
xdotool key alt+f
sleep 0.5
xdotool key x
for _ in $(seq 1 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
    fail "File > Exit did not end the program"
fi
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "PASS"
exit 0
