#!/bin/bash
# End-to-end test of the real program: starts it on a virtual display under a window
# manager and drives a whole session (tests/e2e/session.pfs) with synthetic mouse and
# key events through its real menus and its real save dialog, checking screenshots
# on the way and the saved OBJ file at the end. The replay tool runs the same session
# headless first; the program must save exactly the file the replay saves. Before
# Exit the drawing is saved with Ctrl+S; a second start opens it with Ctrl+O and is
# killed, a third recovers it from the autosave: both show the picture the drawing
# was saved with, pixel for pixel, and save the replay's final OBJ.
#
# Usage: e2e.sh PLIFORM PLIFORM_REPLAY SESSION [SHOT_DIR]
#   SHOT_DIR keeps every screenshot of the session, cropped to the window.
# Exit 0 on success, 1 on failure, 77 when the display tools are missing.
set -u

program=${1:?usage: e2e.sh PLIFORM PLIFORM_REPLAY SESSION [SHOT_DIR]}
replay=${2:?usage: e2e.sh PLIFORM PLIFORM_REPLAY SESSION [SHOT_DIR]}
session=${3:?usage: e2e.sh PLIFORM PLIFORM_REPLAY SESSION [SHOT_DIR]}
keep=${4:-}
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
program=$(absolute "$program")
replay=$(absolute "$replay")
session=$(absolute "$session")
[ -z "$keep" ] || keep=$(mkdir -p "$keep" && absolute "$keep")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=xsession.sh
. "$here/xsession.sh"
xs_require_tools

work=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$work"' EXIT
started=$SECONDS

fail() {
    echo "FAIL: $*"
    if [ -f "$work/app.log" ]; then
        echo "--- program output"
        cat "$work/app.log"
    fi
    if [ -n "$keep" ] && [ -f "$work/screen.png" ]; then
        cp "$work/screen.png" "$keep/failure.png"
    fi
    exit 1
}

xs_start_display || fail "the virtual display or the window manager did not start"
xs_start_program "$program" || fail "no window titled Pliform appeared"
xs_wait_until 20 xs_outer_fitted || fail "the window did not take its initial size of 600 by 600"
xs_geometry || fail "the drawing surface was not found in the window"
echo "window ${xs_win_w}x${xs_win_h} at $xs_win_x,$xs_win_y; drawing surface ${xs_view_w}x${xs_view_h} at $xs_view_x,$xs_view_y"

# The drawing commands: Ctrl+S saves the drawing before Exit, a second start opens it
# with Ctrl+O, a third recovers it after the second was killed; each of the two later
# programs saves the OBJ, which must be the replay's final model byte for byte.
drawing=$work/drawing.pliform
autosaves() { find "$XDG_STATE_HOME/pliform" -name '*.pliform' 2>/dev/null | grep -c .; }

# The session is written for a 598 by 556 surface; another menu font makes the
# surface a little taller or shorter, so every point moves with its centre.
read -r design_w design_h < <(awk '$1 == "size" {print $2, $3; exit}' "$session")
shift_x=$(((xs_view_w - design_w) / 2))
shift_y=$(((xs_view_h - design_h) / 2))
awk -v dx="$shift_x" -v dy="$shift_y" -v w="$xs_view_w" -v h="$xs_view_h" '
    $1 == "size" { print "size", w, h; next }
    $1 ~ /^(down|up|rdown|rup|move|stroke)$/ {
        line = $1
        for (i = 2; i <= NF; i += 2) line = line " " ($i + dx) " " ($(i + 1) + dy)
        print line; next
    }
    { print }' "$session" >"$work/session.pfs"

# The headless run: its expectations hold, and it saves the reference file.
mkdir "$work/replay"
(cd "$work/replay" && "$replay" --check --obj final.obj "$work/session.pfs") >"$work/replay.log" 2>&1 ||
    fail "the replay tool rejected the session: $(cat "$work/replay.log")"
cp "$work/replay/final.obj" "$work/replay/reopened.obj"
mv "$work/replay/final.obj" "$work/replay/recovered.obj"

# view_picture FILE: the drawing surface of the latest screenshot.
view_picture() {
    convert "$work/screen.png" -crop "${xs_view_w}x${xs_view_h}+${xs_view_x}+${xs_view_y}" +repage "$1"
}

# Screen position of a session point.
sx() { echo $((xs_view_x + $1 + shift_x)); }
sy() { echo $((xs_view_y + $1 + shift_y)); }

pending=()
flush() {
    if [ ${#pending[@]} -gt 0 ]; then
        xdotool "${pending[@]}" || fail "xdotool could not send ${pending[*]}"
        pending=()
    fi
}

# viewable SEARCH_ARGS...: the windows xdotool finds that are mapped and viewable,
# one "id override-redirect" line each. (xdotool's own --onlyvisible misses some.)
viewable() {
    local id info
    for id in $(xdotool search "$@" 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        grep -q IsViewable <<<"$info" || continue
        if grep -q 'Override Redirect State: yes' <<<"$info"; then echo "$id yes"; else echo "$id no"; fi
    done
}
# Open menus are the program's override-redirect windows.
open_menus() { viewable --class '^pliform$' | grep -c ' yes$'; }
menus_closed() { [ "$(open_menus)" -eq 0 ]; }
menu_open() { [ "$(open_menus)" -ge "$1" ]; }
dialog_title="Save As"
dialog_ids() { viewable --name "^$dialog_title\$" | cut -d' ' -f1; }
dialogs_are() { [ "$(dialog_ids | grep -c .)" -eq "$1" ]; }
# The keyboard goes to the window or to its drawing surface.
window_has_focus() {
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null) || return 1
    [ "$focus" = "$xs_window" ] || xwininfo -tree -id "$xs_window" | grep -q "$(printf '0x%x ' "$focus")"
}

# choose KEY...: a menu item through the keyboard: Alt with the menu's letter, then
# the letters of the submenu and of the item, each once its menu is open.
choose() {
    local depth=1
    flush
    xs_wait_until 10 menus_closed || fail "a menu stayed open"
    xdotool key "alt+$1" || fail "xdotool key alt+$1"
    shift
    while [ $# -gt 0 ]; do
        xs_wait_until 10 menu_open "$depth" || fail "menu level $depth did not open"
        xdotool key "$1" || fail "xdotool key $1"
        depth=$((depth + 1))
        shift
    done
}

# save_as FILE: File > Save As, type the path into the real dialog and confirm; when
# the file is there already, answer the overwrite question with Yes.
save_as() {
    local file=$work/$1 existed=no
    if [ -e "$file" ]; then
        # Emptied, so that the file found afterwards must have been written again.
        existed=yes
        : >"$file"
    fi
    choose f s
    xs_wait_until 20 dialogs_are 1 || fail "the save dialog did not open"
    xs_wait_until 10 dialog_has_focus || fail "the save dialog did not get the keyboard"
    # The name field holds the selected "Untitled.obj"; typing replaces it.
    xdotool type --delay 5 "$file" || fail "xdotool type"
    xdotool key Return
    if [ "$existed" = yes ]; then
        xs_wait_until 20 dialogs_are 2 || fail "no question before replacing $1"
        xs_wait_until 10 dialog_has_focus || fail "the overwrite question did not get the keyboard"
        xdotool key alt+y
    fi
    xs_wait_until 20 dialogs_are 0 || fail "the save dialog did not close"
    xs_wait_until 10 window_has_focus || fail "the keyboard did not come back to the window after saving"
    xs_wait_until 30 test -s "$file" || fail "nothing was saved to $1"
}
# file_dialog TITLE KEY PATH: the key opens the dialog of that title; type the path.
file_dialog() {
    flush
    dialog_title=$1
    xdotool key "$2" || fail "xdotool key $2"
    xs_wait_until 20 dialogs_are 1 || fail "the $1 dialog did not open"
    xs_wait_until 10 dialog_has_focus || fail "the $1 dialog did not get the keyboard"
    xdotool type --delay 5 "$3" || fail "xdotool type"
    xdotool key Return
    xs_wait_until 20 dialogs_are 0 || fail "the $1 dialog did not close"
    xs_wait_until 10 window_has_focus || fail "the keyboard did not come back after $1"
    dialog_title="Save As"
}
dialog_has_focus() {
    local focus newest
    focus=$(xdotool getwindowfocus 2>/dev/null) || return 1
    newest=$(dialog_ids | tail -n1)
    [ -n "$newest" ] && [ "$focus" = "$newest" ]
}

declare -A counts
# region NAME X Y W H: pixel classes of a session rectangle in the latest screenshot,
# into counts[NAME.white] and so on.
region() {
    local name=$1 white grey green red blue shade other
    read -r white grey green red blue shade other < <(xs_stats "$work/screen.png" \
        "$(sx "$2")" "$(sy "$3")" "$4" "$5")
    counts[$name.white]=${white:-0} counts[$name.grey]=${grey:-0} counts[$name.green]=${green:-0}
    counts[$name.red]=${red:-0} counts[$name.blue]=${blue:-0} counts[$name.shade]=${shade:-0}
    counts[$name.other]=${other:-0}
    counts[$name.dark]=$((${grey:-0} + ${shade:-0}))
    counts[$name.colour]=$((${red:-0} + ${blue:-0}))
}
# at_least KEY N / at_most KEY N: a pixel count against a bound.
at_least() { [ "${counts[$1]}" -ge "$2" ] || { why="$1 is ${counts[$1]}, expected at least $2"; return 1; }; }
at_most() { [ "${counts[$1]}" -le "$2" ] || { why="$1 is ${counts[$1]}, expected at most $2"; return 1; }; }

# loop_in COLOUR OTHER: the closed curve's corner of the body is drawn in COLOUR and
# shows no OTHER.
loop_in() {
    region loop 350 228 100 100
    at_least "loop.$1" 60 && at_most "loop.$2" 0
}

# What each screenshot of the session must show; regions in session pixels.
check_shot() {
    why=""
    region corner 470 20 100 100       # background, away from the body and the marker
    region marker 0 456 100 100        # the orientation marker's corner
    region middle 250 240 60 60        # the middle of the body
    at_least corner.white 10000 || return 1
    case $1 in
    drawing)
        # The grey stroke on the empty scene, following the mouse.
        region path 100 280 400 125
        at_least path.grey 250 && at_least marker.grey 40 && at_most middle.dark 0
        ;;
    body)
        region whole 90 150 420 260
        at_least middle.shade 3000 && at_least whole.blue 150
        ;;
    rotated)
        # Seen from above at 20 degrees, the marker's lit plate shows as a face.
        at_least marker.dark 500
        ;;
    zoomed)
        # One notch away: the body's right end (at 489) has withdrawn.
        region rightend 474 268 12 20
        at_least rightend.white 230 && at_least middle.shade 3000 && at_most marker.dark 300
        ;;
    waiting)
        # The closed curve waits for the next stroke in green.
        loop_in green red
        ;;
    cut)
        # The cut leaves a flat cap with a sharp, red rim.
        loop_in red green
        ;;
    extruded)
        # The protrusion fills the space left of the body's former end (at 109).
        region lobe 45 250 50 56
        at_least lobe.shade 2000
        ;;
    edited)
        # The Change tool made the lower right of the outline sharp.
        region lowerright 330 300 160 110
        at_least lowerright.red 40
        ;;
    edges | saved)
        # Triangle edges on white: the key reached the window, also after the dialogs.
        at_least middle.white 1200 && at_least middle.dark 300
        ;;
    novertices)
        # The curve points are gone, their lines stay.
        region whole 0 100 598 356
        at_least whole.blue 100 && at_most whole.colour $((colour_with_points * 85 / 100))
        ;;
    top)
        # From above, the marker's plate is a face-on square of 50 by 50 pixels.
        at_least marker.dark 1800
        ;;
    reopened)
        # The drawing brought back shows exactly the picture it was saved with.
        view_picture "$work/view.png" &&
            [ "$(compare -metric AE "$work/view.png" "$work/saved-view.png" null: 2>&1)" = 0 ] ||
            { why="the picture differs from the one the drawing was saved with"; return 1; }
        ;;
    final)
        region whole 0 100 598 356
        at_least whole.shade 30000 && at_least whole.red 100 && at_least whole.blue 100
        ;;
    *)
        why="no check for the screenshot $1"
        return 1
        ;;
    esac
}

# shot NAME: once everything sent has been handled, the screen must pass the check;
# a busy program is waited for, up to a minute.
shot() {
    local deadline=$((SECONDS + 60)) attempts=0
    flush
    while :; do
        attempts=$((attempts + 1))
        xs_shot "$work/screen.png" || fail "screenshot failed"
        check_shot "$1" && break
        kill -0 "$xs_app_pid" 2>/dev/null || fail "the program ended before the screenshot $1"
        [ "$SECONDS" -lt "$deadline" ] || fail "screenshot $1: $why"
        sleep 0.2
    done
    if [ "$attempts" -gt 1 ]; then
        echo "note: screenshot $1 passed at attempt $attempts"
    fi
    # The last picture before the drawing is saved, for the programs that reopen it.
    if [ "$1" = saved ]; then
        view_picture "$work/saved-view.png" || fail "cannot keep the saved picture"
    fi
    if [ "$1" = edited ]; then
        region whole 0 100 598 356
        colour_with_points=${counts[whole.colour]}
    fi
    if [ -n "$keep" ]; then
        convert "$work/screen.png" -crop "${xs_win_w}x${xs_win_h}+${xs_win_x}+${xs_win_y}" +repage \
            "$keep/$1.png" || fail "cannot keep the screenshot $1"
    fi
    echo "shot $1 ($((SECONDS - started)) s)"
}

# press BUTTON X Y: a button press once the program is idle. The moves after it are
# paced: one that arrives while the last one is still being drawn is merged with it.
press() {
    flush
    xs_wait_idle || fail "the program stayed busy for a minute"
    go_to "$2" "$3"
    pending+=(mousedown "$1")
}
move_to() {
    pending+=(sleep 0.03)
    go_to "$1" "$2"
}
# go_to X Y: the pointer to a session point, once the server has put it there. A
# move to where it already is sends nothing (and --sync would wait for ever).
pointer_at=""
go_to() {
    local x y
    x=$(sx "$1")
    y=$(sy "$2")
    if [ "$pointer_at" != "$x $y" ]; then
        pending+=(mousemove --sync "$x" "$y")
        pointer_at="$x $y"
    fi
}

key_of() { tr '[:upper:]' '[:lower:]' <<<"$1"; }

steps=0
exited=no
while read -r verb rest; do
    read -ra args <<<"$rest"
    case $verb in
    "" | size | expect | "#") ;;
    "#!")
        [ "${args[0]}" = shot ] && shot "${args[1]}"
        ;;
    \#*) ;;
    down) press 1 "${args[0]}" "${args[1]}" ;;
    up)
        go_to "${args[0]}" "${args[1]}"
        pending+=(mouseup 1)
        ;;
    rdown) press 3 "${args[0]}" "${args[1]}" ;;
    rup)
        go_to "${args[0]}" "${args[1]}"
        pending+=(mouseup 3)
        ;;
    move) move_to "${args[0]}" "${args[1]}" ;;
    stroke)
        press 1 "${args[0]}" "${args[1]}"
        for ((i = 2; i < ${#args[@]}; i += 2)); do
            move_to "${args[i]}" "${args[i + 1]}"
        done
        pending+=(mouseup 1)
        ;;
    wheel)
        # One button click of the wheel is one notch of 120; button 4 turns it away.
        notches=$((args[0] / 120))
        if [ "$notches" -gt 0 ]; then
            pending+=(click --repeat "$notches" 4)
        else
            pending+=(click --repeat $((-notches)) 5)
        fi
        ;;
    key) pending+=(key "$(key_of "${args[0]}")") ;;
    menu)
        case ${args[0]} in
        new) choose f n ;;
        # Undo and redo through their keys, which act without a menu open.
        undo) pending+=(key ctrl+z) ;;
        redo) pending+=(key ctrl+y) ;;
        saveas) flush && save_as "${args[1]}" ;;
        exit)
            file_dialog "Save As" ctrl+s "$drawing"
            xs_wait_until 30 test -s "$drawing" || fail "Ctrl+S saved no drawing"
            choose f x
            exited=yes
            ;;
        top) choose v t ;;
        bottom) choose v b ;;
        side) choose v s ;;
        autocenter) choose v c ;;
        surfaces) choose v d s ;;
        edges) choose v d e ;;
        vertices) choose v d v ;;
        pen) choose t p ;;
        eraser) choose t e ;;
        drag) choose t d ;;
        change) choose t c ;;
        *) fail "unknown menu command ${args[0]}" ;;
        esac
        ;;
    *) fail "unknown session line: $verb $rest" ;;
    esac
    case $verb in
    down | up | rdown | rup | move | stroke | wheel | key | menu) steps=$((steps + 1)) ;;
    esac
    [ "$exited" = yes ] && break
done <"$work/session.pfs"
flush

# File > Exit ends the program at once, without a question, and with status 0.
[ "$exited" = yes ] || fail "the session does not end with File > Exit"
program_gone() { ! kill -0 "$xs_app_pid" 2>/dev/null; }
xs_wait_until 20 program_gone || fail "File > Exit did not end the program"
wait "$xs_app_pid"
status=$?
xs_app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"

[ "$(autosaves)" -eq 0 ] || fail "File > Exit left its autosave behind"

# transient_ids: the program's dialogs and message boxes.
transient_ids() {
    local id
    for id in $(viewable --name '^Pliform$' | cut -d' ' -f1); do
        xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && echo "$id"
    done
}
question_shown() { [ -n "$(transient_ids)" ]; }
# The top-level window of the program, not a message box over it.
find_main_window() {
    local id
    xs_window=""
    for id in $(xdotool search --onlyvisible --name '^Pliform$' 2>/dev/null); do
        xprop -id "$id" WM_STATE 2>/dev/null | grep -q Normal || continue
        xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && continue
        xs_window=$id
    done
    [ -n "$xs_window" ]
}

# Second start: open the drawing, save the OBJ, then die without exiting.
xs_start_program "$program" || fail "the program did not start a second time"
xs_wait_until 20 find_main_window || fail "no main window at the second start"
xs_wait_until 20 xs_outer_fitted || fail "the second window did not take its size"
xdotool windowactivate --sync "$xs_window" >/dev/null 2>&1
xs_wait_until 10 window_has_focus || fail "the second window did not get the keyboard"
xs_geometry || fail "the drawing surface was not found in the second window"
file_dialog Open ctrl+o "$drawing"
shot reopened
save_as reopened.obj
xs_wait_until 20 test "$(autosaves)" -eq 1 || fail "opening a drawing did not autosave it"
kill -9 "$xs_app_pid"
wait "$xs_app_pid" 2>/dev/null
xs_app_pid=""

# Third start: the question comes, Yes brings the drawing back.
xs_start_program "$program" || fail "the program did not start a third time"
xs_wait_until 20 question_shown || fail "no recovery question after the program was killed"
xdotool windowactivate --sync "$(transient_ids | head -n1)" >/dev/null 2>&1
xdotool key Return
xs_wait_until 20 find_main_window || fail "no main window at the third start"
xs_wait_until 10 window_has_focus || xdotool windowactivate --sync "$xs_window" >/dev/null 2>&1
xs_wait_until 10 window_has_focus || fail "the third window did not get the keyboard"
xs_wait_until 20 xs_outer_fitted || fail "the third window did not take its size"
xs_geometry || fail "the drawing surface was not found in the third window"
shot reopened
save_as recovered.obj
choose f x
xs_wait_until 20 program_gone || fail "File > Exit did not end the third program"
wait "$xs_app_pid"
xs_app_pid=""
[ "$(autosaves)" -eq 0 ] || fail "the recovered drawing's autosave was left behind"

# The saved files: the replay's file byte for byte, a closed and consistently
# oriented mesh, CRLF lines, and the size of the shape that was drawn.
for saved in "$work"/*.obj; do
    name=$(basename "$saved")
    cmp -s "$saved" "$work/replay/$name" || fail "$name differs from the file the replay saved"
    awk '
        { if (!sub(/\r$/, "")) { print "a line without CRLF"; bad = 1; exit } }
        $1 == "v" {
            n++
            for (i = 2; i <= 4; i++) {
                if (n == 1 || $i < lo[i]) lo[i] = $i
                if (n == 1 || $i > hi[i]) hi[i] = $i
            }
        }
        $1 == "f" {
            faces++
            for (i = 2; i <= 4; i++) {
                a = $i; b = (i < 4) ? $(i + 1) : $2
                if (a < 1 || a > n) { print "face corner out of range"; bad = 1 }
                edge[a " " b]++
            }
        }
        END {
            if (bad) exit 1
            for (e in edge) {
                split(e, ab, " ")
                if (edge[e] != 1 || edge[ab[2] " " ab[1]] != 1) { print "open or doubled edge " e; exit 1 }
            }
            printf "%d vertices, %d faces, extent %.1f x %.1f x %.1f\n", n, faces,
                hi[2] - lo[2], hi[3] - lo[3], hi[4] - lo[4]
            # The body was drawn some 450 pixels wide (about 220 units) and 220 high.
            if (faces < 500 || hi[2] - lo[2] < 180 || hi[2] - lo[2] > 300 ||
                hi[3] - lo[3] < 90 || hi[3] - lo[3] > 200 || hi[4] - lo[4] < 40) {
                print "the shape has not the expected size"; exit 1
            }
            # Auto Center was on: the box is centred on the origin.
            for (i = 2; i <= 4; i++) if ((hi[i] + lo[i]) ^ 2 > 1e-4) { print "not centred"; exit 1 }
        }' "$saved" >"$work/objcheck.log" || fail "$name: $(cat "$work/objcheck.log")"
    echo "$name: $(cat "$work/objcheck.log"), identical to the replay's"
done
ls "$work"/*.obj >/dev/null 2>&1 || fail "no file was saved"

echo "PASS: $steps steps in $((SECONDS - started)) s"
exit 0
