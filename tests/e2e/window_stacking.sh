#!/usr/bin/env bash
# End to end under a real X server with a window manager (openbox): with the
# floating clock staying on top of other windows, the settings dialog opened
# from the clock's menu and the to-do list open above the clock (in the
# window manager's stacking order and under the pointer where they overlap
# it), not beneath it; the settings dialog is 434 x 325 and centred.
#
#   window_stacking.sh PROGRAM     (wraps itself in dbus-run-session and xvfb-run)
set -euo pipefail

exe="$1"
if [ -z "${OSTREL_E2E_INNER:-}" ]; then
    for tool in xvfb-run openbox xdotool xprop xwininfo dbus-run-session; do
        command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
    done
    export OSTREL_E2E_INNER=1
    exec dbus-run-session -- xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$@"
fi

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
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

kill -TERM "$app_pid"
wait "$app_pid" || true
app_pid=""
echo "1 passed, 0 failed"
