# Shared by the end-to-end scripts (sourced, not run).

# Runs the calling script once more inside a private D-Bus session and a new
# Xvfb screen, after checking that the tools it needs (xvfb-run,
# dbus-run-session and the ones named) are there; in that second run it
# returns at once.
#   e2e_inside_xvfb "TOOL ..." "$0" "$@"
e2e_inside_xvfb() {
    local tools="$1"
    shift
    [ -n "${OSTREL_E2E_INNER:-}" ] && return 0
    local tool
    for tool in xvfb-run dbus-run-session $tools; do
        command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
    done
    export OSTREL_E2E_INNER=1
    exec dbus-run-session -- xvfb-run -a -s '-screen 0 1280x1024x24' bash "$@"
}

# Waits until the condition command succeeds (up to about 30 seconds: a
# loaded machine starts X clients slowly).
wait_for() {
    for _ in $(seq 1 150); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}

# A private copy of the program and its files in a new folder, so no
# settings file exists and nothing beside the build's program changes.
# Sets work, prog and ini, and points the user's configuration and runtime
# folders there.
e2e_private_copy() {
    local exe="$1"
    work="$(mktemp -d)"
    mkdir -p "$work/bin" "$work/config"
    cp "$exe" "$work/bin/"
    cp -r "$(dirname "$exe")/skins" "$work/bin/"
    # Every file beside the program, nothing in the user's folders.
    touch "$work/bin/portable"
    export XDG_DATA_HOME="$work/data"
    if [ -f "$(dirname "$exe")/Tamo.qdb" ]; then cp "$(dirname "$exe")/Tamo.qdb" "$work/bin/"; fi
    prog="$work/bin/$(basename "$exe")"
    ini="$work/bin/$(basename "$exe").ini"
    export XDG_CONFIG_HOME="$work/config"
    # The single-instance lock lives in the runtime folder: a private one,
    # so a copy of the program the user (or another test) runs is not taken
    # for this one's first instance.
    mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime"
    # A real X server: whatever platform the test run chose for the others.
    export QT_QPA_PLATFORM=xcb
    export OSTREL_DIALOGS=stderr
}

# The program's notification-area icon: its window once a tray has docked
# it (a parent that is not the root window); fails before that.
icon_window() {
    local w info
    for w in $(xdotool search --classname '^ostrel-organizer$' 2>/dev/null); do
        info="$(xwininfo -id "$w" -children 2>/dev/null)" || continue
        if [ "$(awk '/Root window id/ {print $4}' <<<"$info")" != "$(awk '/Parent window id/ {print $4}' <<<"$info")" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
icon_docked() { icon_window >/dev/null; }
