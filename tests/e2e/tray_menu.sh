#!/usr/bin/env bash
# End to end under a real X server with a system tray: the program starts
# with no settings file, shows its notification-area icon, a right click on
# the icon opens the clock menu, Exit ends the program and the view mode is
# saved. The first-start balloon from the icon shows, closes at a click and
# is remembered. The tray is then restarted and the icon must come back.
#
#   tray_menu.sh PROGRAM      (wraps itself in dbus-run-session and xvfb-run)
set -euo pipefail

exe="$1"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_inside_xvfb "trayer xdotool xwininfo" "$0" "$@"

e2e_private_copy "$exe"
# The texts, as installed (the balloon's among them).
cp -r "$(dirname "$exe")/Languages" "$work/bin/"
trayer_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$trayer_pid" ] && kill "$trayer_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_trayer() {
    trayer --edge bottom --align right --widthtype pixel --width 120 --height 28 \
        --transparent false --tint 0x808080 >/dev/null 2>&1 &
    trayer_pid=$!
}

count_mapped() {
    xdotool search --onlyvisible --classname ostrel-organizer 2>/dev/null | wc -l
}

start_trayer
wait_for xdotool search --classname '^panel$' >/dev/null || { echo "tray did not start"; exit 1; }

"$prog" 2>"$work/stderr.txt" &
app_pid=$!

wait_for icon_docked || { echo "FAIL: no tray icon"; xwininfo -root -tree; exit 1; }
echo "ok: icon docked in the tray"

[ ! -f "$ini" ] || { echo "FAIL: settings file written at start"; exit 1; }

icon_id="$(icon_window)"
# A first start says once, in a balloon from the icon, where the organizer
# lives; a click on the balloon closes it.
balloon_window() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^ostrel-organizer$' 2>/dev/null); do
        [ "$w" = "$icon_id" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 200 ] && { echo "$w"; return 0; }
    done
    return 1
}
balloon_shown() { balloon_window >/dev/null; }
balloon_gone() { ! balloon_shown; }
wait_for balloon_shown || { echo "FAIL: no first-start balloon"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$(balloon_window)")"
xdotool mousemove $((X + 20)) $((Y + HEIGHT - 15)) click 1
wait_for balloon_gone || { echo "FAIL: the balloon did not close"; exit 1; }
echo "ok: first-start balloon shown and closed"
[ ! -f "$ini" ] || { echo "FAIL: settings file written for the balloon"; exit 1; }

before="$(count_mapped)"
xdotool mousemove --window "$icon_id" 8 8
sleep 0.3
xdotool click 3
menu_open() { [ "$(count_mapped)" -gt "$before" ]; }
wait_for menu_open || { echo "FAIL: right click opened no menu"; exit 1; }
echo "ok: right click opened the menu"

# The menu opens with its right edge at the pointer.
eval "$(xdotool getmouselocation --shell)"
px=$X
menu_right=""
for w in $(xdotool search --onlyvisible --classname '^ostrel-organizer$'); do
    [ "$w" = "$icon_id" ] && continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -gt 60 ] && menu_right=$((X + WIDTH))
done
[ -n "$menu_right" ] || { echo "FAIL: menu window not found"; exit 1; }
if [ $((menu_right - px)) -gt 3 ] || [ $((px - menu_right)) -gt 3 ]; then
    echo "FAIL: menu right edge $menu_right, pointer at $px"; exit 1
fi
echo "ok: menu right-aligned at the pointer"

# Restart the tray: the icon must dock again.
kill "$trayer_pid"; wait "$trayer_pid" 2>/dev/null || true
xdotool key Escape
sleep 0.5
start_trayer
if wait_for icon_docked; then
    echo "ok: icon back after the tray restarted"
else
    echo "FAIL: icon not back after the tray restarted"; exit 1
fi

# Exit through the menu: open it again and choose its last item.
icon_id="$(icon_window)"
before="$(count_mapped)"
xdotool mousemove --window "$icon_id" 8 8
sleep 0.3
xdotool click 3
wait_for menu_open || { echo "FAIL: no menu after the restart"; exit 1; }
sleep 0.3
xdotool key Up Return
for _ in $(seq 1 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$app_pid" 2>/dev/null; then echo "FAIL: Exit did not end the program"; exit 1; fi
wait "$app_pid"; rc=$?; app_pid=""
[ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; cat "$work/stderr.txt"; exit 1; }
grep -q '^ProgramView=1' "$ini" || { echo "FAIL: view mode not saved"; cat "$ini"; exit 1; }
grep -q '^TrayHintShown=1' "$ini" || { echo "FAIL: the balloon is not remembered"; cat "$ini"; exit 1; }
echo "ok: Exit ended the program and saved the view mode"
if grep -q 'cannot start: the file' "$work/stderr.txt"; then echo "FAIL: skin warning"; exit 1; fi
echo "1 passed, 0 failed"
