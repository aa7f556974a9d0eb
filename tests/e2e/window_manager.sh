#!/usr/bin/env bash
# End to end under a real X server with a window manager (openbox): a
# floating clock started at its stored position keeps that position when
# the program ends without the clock being dragged (by SIGTERM and by Exit
# from the menu), and a new start shows it there again.
#
#   window_manager.sh PROGRAM      (wraps itself in dbus-run-session and xvfb-run)
set -euo pipefail

exe="$1"
if [ -z "${OSTREL_E2E_INNER:-}" ]; then
    for tool in xvfb-run openbox xdotool dbus-run-session; do
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

run_once term
run_once menu
echo "1 passed, 0 failed"
