#!/usr/bin/env bash
# The notes survive a kill: under a real X server the program is started
# with the floating clock, the pocket book is opened from the clock menu,
# a line is typed, the notes file is awaited (it must hold the line within
# about two seconds of the last key), the program is killed with SIGKILL and
# started again; the notes file is read as it is (nothing kept aside as
# damaged) and still holds the line after a normal end.
#
#   pocketbook_kill.sh PROGRAM      (wraps itself in xvfb-run)
#   OSTREL_E2E_SHOTS=DIR            also saves screenshots there
set -euo pipefail

exe="$1"
if [ -z "${OSTREL_E2E_INNER:-}" ]; then
    for tool in xvfb-run xdotool; do
        command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
    done
    export OSTREL_E2E_INNER=1
    exec xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$@"
fi

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_private_copy "$exe"
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
cp -r "$(dirname "$exe")/Languages" "$work/bin/" 2>/dev/null || true
notes="$work/bin/pockerbook.rtf"
export XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb

cat >"$ini" <<INI
[General]
ProgramView=3
Language=${OSTREL_E2E_LANGUAGE:-English}
[Clock]
Left=700
Top=40
[PocketBook]
Left=200
Top=130
INI

# Waits until the condition command succeeds (up to about 10 seconds).
visible_windows() { xdotool search --onlyvisible --classname '^ostrel-organizer$' 2>/dev/null || true; }
clock_shown() { [ -n "$(visible_windows)" ]; }
pocket_book() { xdotool search --onlyvisible --name "${OSTREL_E2E_TITLE:-^Pocket-Book$}" 2>/dev/null | head -1; }
pocket_book_shown() { [ -n "$(pocket_book)" ]; }
shot() {
    [ -n "${OSTREL_E2E_SHOTS:-}" ] || return 0
    command -v import >/dev/null || return 0
    import -window root "$OSTREL_E2E_SHOTS/$1.png"
}

start_program() {
    "$prog" 2>>"$work/stderr.txt" &
    app_pid=$!
    wait_for clock_shown || { echo "FAIL: the clock did not show"; cat "$work/stderr.txt"; exit 1; }
}

open_pocket_book() {
    local clock
    clock="$(visible_windows | head -1)"
    eval "$(xdotool getwindowgeometry --shell "$clock")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    sleep 0.2
    xdotool click 3
    sleep 0.5
    # Create, View, Calculator, Pocket-book.
    xdotool key Down Down Down Down Return
    wait_for pocket_book_shown || { echo "FAIL: the pocket book did not open"; exit 1; }
}

start_program
echo "ok: started"
open_pocket_book
echo "ok: the clock menu opened the pocket book"
pb="$(pocket_book)"
eval "$(xdotool getwindowgeometry --shell "$pb")"
# Into the text, below the tool bar; the line goes at the end.
xdotool mousemove $((X + 120)) $((Y + 120))
sleep 0.2
xdotool click 1
xdotool key ctrl+End Return
xdotool type --delay 20 "kill test 4711"
typed=$(date +%s%N)
shot "pocketbook-typed"

has_line() { [ -f "$notes" ] && grep -q 'kill test 4711' "$notes"; }
wait_for has_line || { echo "FAIL: the notes file was not written"; exit 1; }
saved=$(date +%s%N)
ms=$(( (saved - typed) / 1000000 ))
echo "ok: written ${ms} ms after the last key"
[ "$ms" -le 2500 ] || { echo "FAIL: the notes were written too late"; exit 1; }

kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
echo "ok: killed"
grep -q 'kill test 4711' "$notes" || { echo "FAIL: the line is not in the file after the kill"; exit 1; }

start_program
echo "ok: started again"
open_pocket_book
shot "pocketbook-after-restart"
kill -TERM "$app_pid"
for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then echo "FAIL: SIGTERM did not end the program"; exit 1; fi
wait "$app_pid" 2>/dev/null || true
app_pid=""
grep -q 'kill test 4711' "$notes" || { echo "FAIL: the line was lost after the restart"; exit 1; }
if ls "$work/bin" | grep -q 'damaged'; then echo "FAIL: the file was taken for damaged"; exit 1; fi
if grep -q 'notes' "$work/stderr.txt"; then echo "FAIL: a message about the notes"; cat "$work/stderr.txt"; exit 1; fi
echo "ok: the line is there after the restart and a normal end"
echo "1 passed, 0 failed"
