# Shared by the end-to-end test and the picture script (sourced, not run): a virtual
# display with a window manager, the program on it, and the geometry of its window.
# The caller sets `work` (a scratch folder) and calls xs_cleanup on exit.

xs_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
xs_xvfb_pid=""
xs_wm_pid=""
xs_app_pid=""

# xs_require_tools: exit 77 (skipped) when the display tools are missing.
xs_require_tools() {
    local tool
    for tool in Xvfb xdotool openbox xwininfo xprop import convert; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit 77
        fi
    done
}

xs_cleanup() {
    local pid
    for pid in "$xs_app_pid" "$xs_wm_pid" "$xs_xvfb_pid"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
}

# xs_wait_until SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds.
xs_wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

xs_display_ready() { [ -s "$work/display" ]; }
xs_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# xs_start_display: Xvfb on a display number of its own choosing, and openbox, so the
# window gets its frame and the keyboard as on a desktop.
xs_start_display() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xs_xvfb_pid=$!
    exec 3>&-
    xs_wait_until 20 xs_display_ready || return 1
    export DISPLAY=":$(head -n1 "$work/display")"
    unset WAYLAND_DISPLAY
    export XDG_RUNTIME_DIR="$work/runtime"
    # Autosave goes to a folder of the test's own, never the user's.
    export XDG_STATE_HOME="$work/state"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
    openbox --config-file "$xs_dir/openbox-rc.xml" >"$work/wm.log" 2>&1 &
    xs_wm_pid=$!
    xs_wait_until 20 xs_wm_ready
}

# xs_start_program PROGRAM: starts it in $work (where its save dialog opens) and
# waits for its window. Sets xs_window (the top-level window).
xs_start_program() {
    (cd "$work" && exec "$1") >"$work/app.log" 2>&1 &
    xs_app_pid=$!
    xs_window=""
    local deadline=$((SECONDS + 30)) id
    while [ -z "$xs_window" ]; do
        kill -0 "$xs_app_pid" 2>/dev/null || return 1
        [ "$SECONDS" -lt "$deadline" ] || return 1
        # The drawing surface is a window of the same name inside the top-level one;
        # only the top-level window is managed, so only it carries WM_STATE.
        for id in $(xdotool search --onlyvisible --name '^Pliform$' 2>/dev/null); do
            if xprop -id "$id" WM_STATE 2>/dev/null | grep -q Normal; then
                xs_window=$id
            fi
        done
        [ -n "$xs_window" ] || sleep 0.05
    done
}

# xs_outer_fitted: the window, frame included, has its initial size of 600 by 600.
xs_outer_fitted() {
    local extents left right top bottom w h
    extents=$(xprop -id "$xs_window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    [ -n "$extents" ] || return 1
    IFS=, read -r left right top bottom <<<"$extents"
    w=$(xwininfo -id "$xs_window" | awk '/Width:/ {print $2}')
    h=$(xwininfo -id "$xs_window" | awk '/Height:/ {print $2}')
    [ $((w + left + right)) -eq 600 ] && [ $((h + top + bottom)) -eq 600 ]
}

# xs_geometry: the window (xs_win_*) and its drawing surface (xs_view_*) on the
# screen, absolute x, y and size.
xs_geometry() {
    local line
    read -r xs_win_x xs_win_y xs_win_w xs_win_h < <(xwininfo -id "$xs_window" | awk '
        /Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}')
    # The child line reads: 0x60000e "Pliform": ("pliform" "Pliform")  598x556+0+19  +212+110
    line=$(xwininfo -tree -id "$xs_window" | grep -m1 '"Pliform":')
    [ -n "$line" ] || return 1
    read -r xs_view_w xs_view_h xs_view_x xs_view_y < <(sed -E \
        's/.*[[:space:]]([0-9]+)x([0-9]+)[-+][0-9]+[-+][0-9]+[[:space:]]+\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2 \3 \4/' \
        <<<"$line")
}

# xs_wait_idle: waits until the program has used no processor time for 0.2 s, that is,
# it has handled everything sent so far. Moves that queue up while it is busy (fairing
# a body takes a moment) reach it merged into one, which would cut corners off the
# next stroke, so every press waits for this.
xs_cpu_time() { awk '{print $14 + $15}' "/proc/$xs_app_pid/stat" 2>/dev/null; }
xs_wait_idle() {
    local deadline=$((SECONDS + 60)) last now still=0
    last=$(xs_cpu_time)
    while [ "$still" -lt 2 ]; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
        now=$(xs_cpu_time)
        [ -n "$now" ] || return 1
        if [ "$now" = "$last" ]; then still=$((still + 1)); else still=0; fi
        last=$now
    done
}

# xs_shot FILE: the whole screen.
xs_shot() { import -window root "$1"; }

# xs_stats FILE X Y W H: counts of pixel classes in a screen rectangle, printed as
# "white grey green red blue shade other". grey is the stroke and marker grey
# (0.5, 0.5, 0.5); shade any other neutral tone but white.
xs_stats() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 {
            r = $3 + 0; g = $4 + 0; b = $5 + 0
            if (r >= 250 && g >= 250 && b >= 250) white++
            else if (r >= 118 && r <= 138 && g >= 118 && g <= 138 && b >= 118 && b <= 138) grey++
            else if (g > r + 60 && g > b + 60) green++
            else if (r > g + 80 && r > b + 80) red++
            else if (b > r + 80 && b > g + 80) blue++
            else if ((r - g) * (r - g) < 100 && (g - b) * (g - b) < 100) shade++
            else other++
        } END { printf "%d %d %d %d %d %d %d\n", white, grey, green, red, blue, shade, other }'
}
