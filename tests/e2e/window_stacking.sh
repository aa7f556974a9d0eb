#!/usr/bin/env bash
# End to end under a real X server with a window manager (openbox): with the
# floating clock staying on top of other windows, the settings dialog opened
# from the clock's menu and the to-do list open above the clock (in the
# window manager's stacking order and under the pointer where they overlap
# it), not beneath it; the settings dialog is 434 x 325 and centred. The
# help follows the same rule: F1 in the settings dialog, with the to-do list
# and the address book open, shows it above all of them; opened from the
# menu it comes to the front, and a click on its title bar raises it again
# after another window was raised over it.
#
#   window_stacking.sh PROGRAM     (wraps itself in dbus-run-session and xvfb-run)
set -euo pipefail

exe="$1"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_inside_xvfb "openbox xdotool xprop xwininfo" "$0" "$@"

e2e_private_copy "$exe"
cp -r "$(dirname "$exe")/help" "$(dirname "$exe")/Languages" "$work/bin/"
export XDG_CACHE_HOME="$work/cache"
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
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for wm_ready || { echo "FAIL: the window manager did not start"; exit 1; }
sleep 1

# The clock where the centred settings dialog (434 x 325 at 423,349) will
# cover part of it.
printf '[General]\nProgramView=3\nLanguage=English\n[Clock]\nLeft=480\nTop=440\n' >"$ini"
"$prog" 2>"$work/stderr.txt" &
app_pid=$!

clock_window() { xdotool search --onlyvisible --classname '^ostrel-organizer$' 2>/dev/null | head -1; }
named_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
clock_shown() { [ -n "$(clock_window)" ]; }
named_shown() { [ -n "$(named_window "$1")" ]; }

wait_for clock_shown || { echo "FAIL: no clock window"; exit 1; }
sleep 1
clock="$(clock_window)"
eval "$(xdotool getwindowgeometry --shell "$clock")"
cx=$X
cy=$Y

# Position of a window in the window manager's stacking order (bottom first).
stack_index() {
    local id="$1" i=0 w
    for w in $(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-fA-F]*'); do
        if [ $((w)) -eq "$id" ]; then echo "$i"; return; fi
        i=$((i + 1))
    done
    echo -1
}

# Checks that the window is above the clock.
check_above() {
    local name="$1" win
    win="$(named_window "$name")"
    local wi ci
    # The window manager lists a new window a moment after mapping it.
    listed() { [ "$(stack_index "$win")" -ge 0 ] && [ "$(stack_index "$clock")" -ge 0 ]; }
    wait_for listed || true
    wi="$(stack_index "$win")"
    ci="$(stack_index "$clock")"
    if [ "$wi" -lt 0 ] || [ "$ci" -lt 0 ]; then
        echo "FAIL ($name): not in the stacking list (window $wi, clock $ci)"; xprop -root _NET_CLIENT_LIST_STACKING; exit 1
    fi
    if [ "$wi" -le "$ci" ]; then echo "FAIL ($name): opened under the clock (window $wi, clock $ci)"; exit 1; fi
    echo "ok ($name): above the clock (window $wi, clock $ci)"
}

# Settings from the clock's menu: Setting is the fifth item from the end.
xdotool mousemove $((cx + 5)) $((cy + 5)) click 3
sleep 0.5
xdotool key Up Up Up Up Up Return
wait_for named_shown Settings || { echo "FAIL: the settings dialog did not open"; cat "$work/stderr.txt"; exit 1; }
sleep 1
check_above Settings
# Centred on the desktop: the window is placed at ((1280 - 434) / 2,
# (1024 - 325) / 2) = (423, 349), its inside a border and a title bar lower.
eval "$(xdotool getwindowgeometry --shell "$(named_window Settings)")"
if [ "$WIDTH" -ne 434 ] || [ "$HEIGHT" -ne 325 ] || [ "$X" -lt 423 ] || [ "$X" -gt 431 ] || [ "$Y" -lt 349 ] ||
    [ "$Y" -gt 385 ]; then
    echo "FAIL: the settings dialog ($WIDTH x $HEIGHT at $X,$Y) is not centred on the desktop"; exit 1
fi
echo "ok: the settings dialog is centred ($WIDTH x $HEIGHT at $X,$Y)"
# Where the two overlap, the pointer is over the dialog.
xdotool mousemove $((cx + 5)) $((cy + 5))
sleep 0.3
eval "$(xdotool getmouselocation --shell)"
settings="$(named_window Settings)"
# The pointer's window is the dialog or the window manager's frame around it.
on_dialog=0
w=$settings
for _ in 1 2 3 4 5; do
    if [ $((w)) -eq $((WINDOW)) ]; then on_dialog=1; break; fi
    w="$(xwininfo -tree -id "$w" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')"
    [ -n "$w" ] || break
done
if [ "$on_dialog" -ne 1 ]; then echo "FAIL: over the clock's place the pointer is on window $WINDOW, not the dialog"; exit 1; fi
echo "ok: the pointer over the overlap is on the dialog"
xdotool key Escape
sleep 0.5

# The to-do list from View.
xdotool mousemove $((cx + 5)) $((cy + 5)) click 3
sleep 0.5
xdotool key Down Down Right Return
wait_for named_shown 'To do list' || { echo "FAIL: the to-do list did not open"; exit 1; }
sleep 1
check_above 'To do list'

# The help window and the others, by the window manager's stacking order.
help_title='Ostrel Organizer Help'
# Checks that the first window is above each of the others.
check_topmost() {
    local what="$1" top="$2" i w
    shift 2
    listed() { [ "$(stack_index "$top")" -ge 0 ]; }
    wait_for listed || true
    i="$(stack_index "$top")"
    for w in "$@"; do
        if [ "$(stack_index "$w")" -ge "$i" ]; then
            echo "FAIL ($what): window $w is above it"
            for w in $(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-fA-F]*'); do
                echo "  $w $(xdotool getwindowname "$((w))" 2>/dev/null)"
            done
            exit 1
        fi
    done
    echo "ok ($what): topmost"
}
# Clicks a window's title bar (its frame's top strip) at the given distance
# from the right edge of the window.
click_title() {
    local w="$1" from_right="$2" info x y width ft
    info=$(xwininfo -id "$w")
    x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    width=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
    ft=$(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g' | awk '{print $3}')
    xdotool mousemove $((x + width - from_right)) $((y - ft / 2)) click 1
    sleep 0.5
}

# The address book from View as well.
xdotool mousemove $((cx + 5)) $((cy + 5)) click 3
sleep 0.5
xdotool key Down Down Right Down Down Down Return
wait_for named_shown 'Address book' || { echo "FAIL: the address book did not open"; exit 1; }
todo="$(named_window 'To do list')"
book="$(named_window 'Address book')"

# F1 in the settings dialog: the help above the dialog and every other window.
xdotool mousemove $((cx + 5)) $((cy + 5)) click 3
sleep 0.5
xdotool key Up Up Up Up Up Return
wait_for named_shown Settings || { echo "FAIL: the settings dialog did not open again"; exit 1; }
settings="$(named_window Settings)"
sleep 0.5
xdotool key F1
wait_for named_shown "$help_title" || { echo "FAIL: F1 in the settings opened no help"; cat "$work/stderr.txt"; exit 1; }
help="$(named_window "$help_title")"
check_topmost 'help from the settings' "$help" "$settings" "$todo" "$book" "$clock"
shot_dir="${OSTREL_E2E_SHOTS:-}"
[ -z "$shot_dir" ] || import -window root "$shot_dir/help-over-settings.png"

# Ctrl+W closes the help, Escape then the settings dialog under it.
xdotool key ctrl+w
help_gone() { [ -z "$(named_window "$help_title")" ]; }
wait_for help_gone || { echo "FAIL: Ctrl+W left the help open"; exit 1; }
sleep 0.5
xdotool key Escape
settings_gone() { [ -z "$(named_window Settings)" ]; }
wait_for settings_gone || { echo "FAIL: Escape left the settings open"; exit 1; }

# Help from the menu comes to the front, above the clock's other windows.
xdotool mousemove $((cx + 5)) $((cy + 5)) click 3
sleep 0.5
xdotool key Up Up Up Up Return
wait_for named_shown "$help_title" || { echo "FAIL: the menu opened no help"; exit 1; }
help="$(named_window "$help_title")"
check_topmost 'help from the menu' "$help" "$todo" "$book" "$clock"
check_above "$help_title"
# Another window raised over it by its title bar, then the help's title bar.
click_title "$todo" 120
check_topmost 'to-do list raised' "$todo" "$help"
click_title "$help" 200
check_topmost 'help raised by its title bar' "$help" "$todo" "$book" "$clock"

kill -TERM "$app_pid"
wait "$app_pid" || true
app_pid=""
echo "1 passed, 0 failed"
