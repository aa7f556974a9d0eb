#!/usr/bin/env bash
# End to end under a real X server without a window manager, where no
# window has a frame to close it by: every window without a button of its
# own to close it (to-do list, schedule, holidays list, address book,
# pocket book, help) closes on Escape and on Ctrl+W. The pocket book closed
# so writes what was typed in it.
#
#   close_keys.sh PROGRAM      (wraps itself in dbus-run-session and xvfb-run)
#   OSTREL_E2E_SHOTS=DIR       also saves screenshots there
set -euo pipefail

exe="$1"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_inside_xvfb "xdotool xwininfo" "$0" "$@"

e2e_private_copy "$exe"
cp -r "$(dirname "$exe")/help" "$(dirname "$exe")/Languages" "$work/bin/"
export XDG_CACHE_HOME="$work/cache"
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

printf '[General]\nProgramView=3\nLanguage=%s\n[Clock]\nLeft=1000\nTop=40\n' "${OSTREL_E2E_LANGUAGE:-English}" >"$ini"
"$prog" 2>"$work/stderr.txt" &
app_pid=$!

mapped() { xdotool search --onlyvisible --classname '^ostrel-organizer$' 2>/dev/null | sort; }
clock_shown() { [ -n "$(mapped)" ]; }
wait_for clock_shown || { echo "FAIL: no clock window"; cat "$work/stderr.txt"; exit 1; }
sleep 1
clock="$(mapped | head -1)"
eval "$(xdotool getwindowgeometry --shell "$clock")"
cx=$X
cy=$Y

# Opens a window from the clock menu with the given keys and prints its id
# (the one mapped window that was not there before, larger than a menu's
# leftovers).
open_window() {
    local before after w
    before="$(mapped)"
    xdotool mousemove $((cx + 5)) $((cy + 5)) click 3
    sleep 0.5
    xdotool key "$@"
    new_window() {
        after="$(mapped)"
        w="$(comm -13 <(echo "$before") <(echo "$after") | head -1)"
        [ -n "$w" ]
    }
    wait_for new_window || return 1
    echo "$w"
}
is_mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_unmapped() { ! is_mapped "$1"; }

failed=0
check_closes() {
    local name="$1" key="$2" w
    shift 2
    w="$(open_window "$@")" || { echo "FAIL ($name): did not open"; failed=1; return; }
    sleep 0.7
    if [ "$name" = "pocket book" ]; then
        # Into the editor, below the tool bar.
        eval "$(xdotool getwindowgeometry --shell "$w")"
        xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
        sleep 0.3
        xdotool type --delay 30 "Milk$key"
        sleep 0.2
    fi
    [ -z "${OSTREL_E2E_SHOTS:-}" ] || import -window root "$OSTREL_E2E_SHOTS/no-wm-$name.png"
    xdotool key "$key"
    if wait_for is_unmapped "$w"; then
        echo "ok ($name): $key closes it"
    else
        echo "FAIL ($name): $key left it open"
        failed=1
    fi
}

for key in Escape ctrl+w; do
    check_closes 'to-do list' "$key" Down Down Right Return
    check_closes 'schedule' "$key" Down Down Right Down Return
    check_closes 'holidays list' "$key" Down Down Right Down Down Return
    check_closes 'address book' "$key" Down Down Right Down Down Down Return
    check_closes 'pocket book' "$key" Down Down Down Down Return
    check_closes 'help' "$key" Up Up Up Up Return
done

# What was typed before each close is in the notes file.
notes="$work/bin/pockerbook.rtf"
written() { grep -q 'MilkEscape' "$notes" 2>/dev/null && grep -q 'Milkctrl+w' "$notes" 2>/dev/null; }
if wait_for written; then
    echo "ok (pocket book): the notes are written"
else
    echo "FAIL (pocket book): the notes file lacks what was typed"
    failed=1
fi

kill -TERM "$app_pid"
wait "$app_pid" || true
app_pid=""
if [ "$failed" -ne 0 ]; then echo "0 passed, 1 failed"; exit 1; fi
echo "1 passed, 0 failed"
