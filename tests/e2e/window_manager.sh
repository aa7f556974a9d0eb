#!/usr/bin/env bash
# End to end under a real X server with a window manager (openbox): a
# floating clock started at its stored position keeps that position when
# the program ends without the clock being dragged (by SIGTERM and by Exit
# from the menu), and a new start shows it there again. The day panel the
# pointer over the clock brings up is framed by the window manager, and its
# frame, title bar included, sits beside the clock, never over it.
#
#   window_manager.sh PROGRAM      (wraps itself in dbus-run-session and xvfb-run)
set -euo pipefail

exe="$1"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_inside_xvfb "openbox xdotool" "$0" "$@"

e2e_private_copy "$exe"
wm_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT


openbox >/dev/null 2>&1 &
wm_pid=$!
wait_for xdotool search --name '^$' >/dev/null || true
sleep 1

clock_window() { xdotool search --onlyvisible --classname '^ostrel-organizer$' 2>/dev/null | head -1; }
clock_shown() { [ -n "$(clock_window)" ]; }

# Starts the program with the clock floating at 300,250, waits for it, ends
# it with the given action and checks the stored position.
run_once() {
    local how="$1"
    printf '[General]\nProgramView=3\n[Clock]\nLeft=300\nTop=250\n' >"$ini"
    "$prog" 2>"$work/stderr.txt" &
    app_pid=$!
    wait_for clock_shown || { echo "FAIL: no clock window"; cat "$work/stderr.txt"; exit 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$(clock_window)")"
    if [ "$X" -ne 300 ] || [ "$Y" -ne 250 ]; then echo "FAIL ($how): clock shown at $X,$Y"; exit 1; fi
    if [ "$how" = term ]; then
        kill -TERM "$app_pid"
    else
        xdotool mousemove $((X + 5)) $((Y + 5)) click 3
        sleep 0.5
        xdotool key Up Return
    fi
    for _ in $(seq 1 50); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$app_pid" 2>/dev/null; then echo "FAIL ($how): the program did not end"; exit 1; fi
    wait "$app_pid" || true
    app_pid=""
    grep -q "^Left=300" "$ini" && grep -q '^Top=250' "$ini" || { echo "FAIL ($how): position lost"; cat "$ini"; exit 1; }
    echo "ok ($how): position kept"
}

# The day panel's outer frame for a clock at LEFT,TOP:
# above the clock with the right edges aligned, or below it when there is no
# room above; 7 pixels apart.
day_panel_beside() {
    local left="$1" top="$2" where="$3"
    printf '[General]\nProgramView=3\nLanguage=English\n[Clock]\nLeft=%s\nTop=%s\n' "$left" "$top" >"$ini"
    xdotool mousemove 900 900
    "$prog" 2>"$work/stderr.txt" &
    app_pid=$!
    wait_for clock_shown || { echo "FAIL: no clock window"; cat "$work/stderr.txt"; exit 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$(clock_window)")"
    local cx=$X cy=$Y cw=$WIDTH ch=$HEIGHT
    xdotool mousemove $((cx + 10)) $((cy + 5))
    panel_window() { xdotool search --onlyvisible --name ' 20[0-9][0-9]$' 2>/dev/null | head -1; }
    panel_shown() { [ -n "$(panel_window)" ]; }
    wait_for panel_shown || { echo "FAIL ($where): no day panel"; exit 1; }
    # The window manager frames the panel and the panel places itself again
    # with the frame: polled, so a slow machine only takes longer.
    why=""
    panel_beside() {
        local w info ext X Y WIDTH HEIGHT fl fr ft fb
        w=$(panel_window)
        [ -n "$w" ] || { why="the panel went away"; return 1; }
        # The client area on the screen (xdotool reports a framed window's frame).
        info=$(xwininfo -id "$w") || return 1
        X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
        Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
        WIDTH=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
        HEIGHT=$(awk '/^ *Height:/ {print $NF}' <<<"$info")
        ext=$(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
        read -r fl fr ft fb <<<"$ext"
        [[ "$ft" =~ ^[0-9]+$ ]] && [ "$ft" -gt 0 ] || { why="the panel was not framed"; return 1; }
        local top_=$((Y - ft)) right_=$((X + WIDTH + fr)) bottom_=$((Y + HEIGHT + fb))
        # The clock's width follows its text, a pixel or two from second to second.
        local off=$((right_ - cx - cw))
        [ "${off#-}" -le 3 ] || { why="panel frame ends at x=$right_, clock at $((cx + cw))"; return 1; }
        if [ "$where" = below ]; then
            [ "$top_" -eq $((cy + ch + 7)) ] || { why="panel frame top $top_, clock bottom $((cy + ch))"; return 1; }
        else
            [ "$bottom_" -eq $((cy - 7)) ] || { why="panel frame bottom $bottom_, clock top $cy"; return 1; }
        fi
    }
    wait_for panel_beside || { echo "FAIL ($where): $why"; exit 1; }
    kill -TERM "$app_pid"
    wait "$app_pid" || true
    app_pid=""
    echo "ok ($where): day panel's frame beside the clock"
}

run_once term
run_once menu
day_panel_beside 1000 20 below
day_panel_beside 400 600 above
echo "2 passed, 0 failed"
