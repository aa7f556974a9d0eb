#!/usr/bin/env bash
# Wayland sessions, on a headless weston: with the session's X server
# (XWayland) the program takes the X11 path, so its clocks keep their
# places; without one it runs natively, shows its clock and ends on SIGTERM
# as on Exit. The user's own QT_QPA_PLATFORM wins.
#
#   wayland.sh PATH_TO_PROGRAM
set -euo pipefail
exe="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=lib.sh
source "$here/lib.sh"
e2e_private_copy "$exe"
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
export XDG_SESSION_TYPE=wayland
export QT_LOGGING_RULES="ostrel.startup.info=true"
weston_pid=""
prog_pid=""
cleanup() {
    [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/prog.log" ] && cat "$work/prog.log" >&2; exit 1; }

start_weston() {  # $1: extra option (--xwayland or nothing)
    rm -f "$work/weston.log"
    weston --backend=headless-backend.so --socket=ostrel-wl --idle-time=0 --log="$work/weston.log" $1 &
    weston_pid=$!
    wait_for test -S "$XDG_RUNTIME_DIR/ostrel-wl" || fail "weston did not start"
    export WAYLAND_DISPLAY=ostrel-wl
}
stop_weston() {
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
    weston_pid=""
    unset WAYLAND_DISPLAY DISPLAY
}

# Runs the program until its clock is shown, checks the platform it took,
# then ends it with SIGTERM and checks that it ended as on Exit.
run_case() {  # $1: the platform expected, $2: a name for the case
    printf '[General]\nLanguage=English\nProgramView=3\n[Clock]\nLeft=200\nTop=150\n' >"$ini"
    "$prog" >"$work/prog.log" 2>&1 &
    prog_pid=$!
    wait_for grep -q "clock shown" "$work/prog.log" || fail "$2: the clock was not shown"
    grep -q "(platform $1)" "$work/prog.log" || fail "$2: not on the $1 platform"
    printf '[General]\nLanguage=English\nProgramView=1\n' >"$ini"
    kill -TERM "$prog_pid"
    local rc=0
    wait "$prog_pid" || rc=$?
    prog_pid=""
    [ "$rc" -eq 0 ] || fail "$2: ended with $rc"
    grep -q "ProgramView=3" "$ini" || fail "$2: Exit's save is missing"
    echo "ok: $2"
}

# With XWayland: the X11 path.
start_weston --xwayland
display="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)"
[ -n "$display" ] || wait_for grep -q "listening on display" "$work/weston.log" || fail "no XWayland display"
display="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)"
export DISPLAY="$display"
run_case xcb "Wayland session with XWayland"
# The user's choice wins.
QT_QPA_PLATFORM=wayland run_case wayland "Wayland session, native chosen by the user"
stop_weston

# Without an X server: native.
start_weston ""
run_case wayland "Wayland session without an X server"
stop_weston

echo "3 passed, 0 failed"
