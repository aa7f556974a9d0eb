#!/usr/bin/env bash
# End to end under a real X server with a system tray (trayer), without a
# window manager and with one (openbox): a left click on the notification-
# area icon opens the day panel beside the icon, below a panel at the top
# of the screen and above one at the bottom, 7 pixels off the icon with the
# right edges in line. Without a window manager the panel has no title bar
# and shows its date at its own top.
#
#   tray_day_panel.sh PROGRAM  (wraps itself in dbus-run-session and xvfb-run)
#   OSTREL_E2E_SHOTS=DIR       also saves screenshots there
set -euo pipefail

exe="$1"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_inside_xvfb "trayer openbox xdotool xwininfo xprop" "$0" "$@"

e2e_private_copy "$exe"
cp -r "$(dirname "$exe")/Languages" "$work/bin/"
trayer_pid=""
wm_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$trayer_pid" ] && kill "$trayer_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

panel_window() { xdotool search --onlyvisible --name ' 20[0-9][0-9]$' 2>/dev/null | head -1; }
panel_shown() { [ -n "$(panel_window)" ]; }

# X, Y, W, H of a window's client area on the screen.
client_geometry() {
    local info
    info=$(xwininfo -id "$1")
    echo "$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info") $(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")" \
        "$(awk '/^ *Width:/ {print $NF}' <<<"$info") $(awk '/^ *Height:/ {print $NF}' <<<"$info")"
}

failed=0
# Starts the tray at the edge, the program in the icon mode, clicks the icon
# and checks the panel's frame against the icon.
panel_beside_icon() {
    local edge="$1" wm="$2" language="$3"
    trayer --edge "$edge" --align right --widthtype pixel --width 120 --height 28 \
        --transparent false --tint 0x808080 >/dev/null 2>&1 &
    trayer_pid=$!
    wait_for xdotool search --classname '^panel$' >/dev/null || { echo "FAIL: the tray did not start"; exit 1; }
    printf '[General]\nProgramView=0\nLanguage=%s\n' "$language" >"$ini"
    "$prog" 2>"$work/stderr.txt" &
    app_pid=$!
    wait_for icon_docked || { echo "FAIL ($edge, $wm): no tray icon"; cat "$work/stderr.txt"; exit 1; }
    sleep 1
    local icon ix iy iw ih
    icon="$(icon_window)"
    read -r ix iy iw ih <<<"$(client_geometry "$icon")"
    xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 1
    if ! wait_for panel_shown; then
        echo "FAIL ($edge, $wm): a click on the icon showed no day panel"; failed=1
    else
        # The panel's outer frame (the client area where nothing frames it);
        # polled: a window manager frames it a moment after it is shown.
        why=""
        beside() {
            local w px py pw ph fl=0 fr=0 ft=0 fb=0 ext
            w="$(panel_window)"
            [ -n "$w" ] || { why="the panel went away"; return 1; }
            read -r px py pw ph <<<"$(client_geometry "$w")"
            if [ "$wm" = openbox ]; then
                ext=$(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
                read -r fl fr ft fb <<<"$ext"
                [[ "$ft" =~ ^[0-9]+$ ]] && [ "$ft" -gt 0 ] || { why="the panel was not framed"; return 1; }
            fi
            local left=$((px - fl)) top=$((py - ft)) right=$((px + pw + fr)) bottom=$((py + ph + fb))
            [ "$right" -eq $((ix + iw)) ] || { why="panel's right edge at $right, icon's at $((ix + iw))"; return 1; }
            if [ "$edge" = top ]; then
                [ "$top" -eq $((iy + ih + 7)) ] || { why="panel's top at $top, icon's bottom at $((iy + ih))"; return 1; }
            else
                [ "$bottom" -eq $((iy - 7)) ] || { why="panel's bottom at $bottom, icon's top at $iy"; return 1; }
            fi
            [ "$left" -ge 0 ] || { why="panel's left edge at $left"; return 1; }
        }
        if wait_for beside; then
            echo "ok ($edge, $wm): day panel beside the icon"
        else
            echo "FAIL ($edge, $wm): $why"; failed=1
        fi
        [ -z "${OSTREL_E2E_SHOTS:-}" ] || import -window root "$OSTREL_E2E_SHOTS/tray-panel-$edge-$wm-$language.png"
    fi
    kill -TERM "$app_pid"
    wait "$app_pid" || true
    app_pid=""
    kill "$trayer_pid"
    wait "$trayer_pid" 2>/dev/null || true
    trayer_pid=""
    sleep 0.5
}

panel_beside_icon top none English
panel_beside_icon bottom none "${OSTREL_E2E_LANGUAGE:-English}"
openbox >/dev/null 2>&1 &
wm_pid=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for wm_ready || { echo "FAIL: the window manager did not start"; exit 1; }
panel_beside_icon top openbox English
panel_beside_icon bottom openbox "${OSTREL_E2E_LANGUAGE:-English}"
if [ "$failed" -ne 0 ]; then echo "0 passed, 1 failed"; exit 1; fi
echo "1 passed, 0 failed"
