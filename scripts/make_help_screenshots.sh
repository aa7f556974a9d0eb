#!/usr/bin/env bash
# Pictures for the manual, taken from the real program under Xvfb: the clock,
# a reminder window, the to-do list, the task editor and the settings, once
# in English (help/en/images) and once in Russian (help/ru/images). The help
# window itself is shot too, into the build folder, to be looked at.
#
#   scripts/make_help_screenshots.sh [BUILD_DIR]
#
# Needs xvfb-run, xdotool and ImageMagick (import, convert). Works on a
# private copy of the program's folder: nothing beside the build changes.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"

if [ -z "${OSTREL_SHOTS_INNER:-}" ]; then
    for tool in xvfb-run xdotool import convert sqlite3; do
        command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
    done
    export OSTREL_SHOTS_INNER=1
    exec xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$build"
fi

bin="$build/bin"
[ -x "$bin/ostrel-organizer" ] || { echo "build the program first: $bin/ostrel-organizer" >&2; exit 1; }
work="$(mktemp -d)"
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" OSTREL_DIALOGS=stderr

wait_for() {
    for _ in $(seq 1 50); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}
# The first visible window whose title is exactly $1.
# (Compared in the shell: xdotool's patterns miss some UTF-8 titles.)
window_named() {
    local w
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
}
has_window() { [ -n "$(window_named "$1")" ]; }
shot() {  # title, file
    wait_for has_window "$1" || {
        echo "no window \"$1\"" >&2
        import -window root "$build/help-shots-failed.png"
        for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do xdotool getwindowname "$w"; done >&2
        exit 1
    }
    # Wait until the window stands still (a reminder slides into place).
    local id before after
    id="$(window_named "$1")"
    after="$(xdotool getwindowgeometry "$id")"
    for _ in $(seq 1 30); do
        sleep 0.3
        before="$after"
        after="$(xdotool getwindowgeometry "$id")"
        [ "$before" = "$after" ] && break
    done
    sleep 0.3
    import -window "$id" "$2"
    echo "  $2"
}
# Opens the clock menu and chooses an item by its place (arrow presses).
menu() {
    local clock
    clock="$(window_named 'Ostrel Organizer')"
    xdotool mousemove --window "$clock" 20 10 click 3
    sleep 0.5
    xdotool key --delay 120 "$@"
}
# A day-time value: days since 1899-12-30 in local time, with an offset in
# minutes from now.
daytime() { sqlite3 :memory: "SELECT julianday('now','localtime','$1 minutes') - 2415018.5;"; }

take() {  # language, image folder, texts...
    local lang="$1" out="$2" t_reminder="$3" t_list="$4" t_newtask="$5" t_settings="$6" t_help="$7"
    local dir="$work/$lang"
    mkdir -p "$dir" "$out"
    cp "$bin/ostrel-organizer" "$dir/"
    cp -r "$bin/skins" "$bin/Languages" "$bin/Images" "$bin/help" "$dir/"
    cp "$bin/Tamo.qdb" "$dir/"
    printf '[General]\nProgramView=3\nLanguage=%s\n[Clock]\nTop=40\nLeft=40\nFontName=DejaVu Sans\nFontSize=14\n' \
        "$lang" >"$dir/ostrel-organizer.ini"
    local now due1 due2 due3
    now="$(daytime -5)"; due1="$(daytime 95)"; due2="$(daytime 1500)"; due3="$(daytime 3000)"
    if [ "$lang" = Russian ]; then
        local a="Позвонить Анне" b="Встреча с бухгалтером" c="Полить цветы" d="Сделать резервную копию" e="Принести отчёт за квартал"
    else
        local a="Call Anna" b="Meeting with the accountant" c="Water the plants" d="Back up the notes" e="Bring the quarterly report"
    fi
    sqlite3 "$dir/Tamo.qdb" <<SQL
DELETE FROM ToDo;
INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, ElapseType)
VALUES (0, $now, $now, '$a', '$e', 0, 0, 1, 2),
       (0, $due1, $due1, '$b', '', 0, 0, 1, 2),
       (0, $due2, $due2, '$c', '', 3, 3, 2, 2),
       (0, $due3, $due3, '$d', '', 0, 0, 1, 2);
SQL
    # Dates and times as a user of that language sees them.
    local locale=en_US.UTF-8
    [ "$lang" = Russian ] && locale=ru_RU.UTF-8
    LC_TIME="$locale" "$dir/ostrel-organizer" 2>"$work/$lang.stderr" &
    app_pid=$!
    wait_for has_window 'Ostrel Organizer' || { echo "the clock did not show" >&2; cat "$work/$lang.stderr" >&2; exit 1; }
    echo "$lang:"
    shot "$t_reminder" "$out/reminder.png"
    shot 'Ostrel Organizer' "$out/clock.png"
    # View > To do list (Right opens a submenu on its first item)
    menu Down Down Right Return
    shot "$t_list" "$out/todo-list.png"
    # Create > To do
    menu Down Right Return
    shot "$t_newtask" "$out/task-editor.png"
    xdotool key Escape
    # Settings
    menu Down Down Down Down Down Down Return
    shot "$t_settings" "$out/settings.png"
    # F1 in the settings opens their page beside them.
    xdotool key F1
    shot "$t_help" "$build/help-window-$lang-settings.png"
    xdotool windowfocus --sync "$(window_named "$t_settings")" key Escape || true
    sleep 0.5
    # Help from the menu: the contents.
    menu Down Down Down Down Down Down Down Return
    shot "$t_help" "$build/help-window-$lang.png"
    kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
    app_pid=""
}

take English "$here/help/en/images" "Reminder" "To do list" "New task..." "Settings" "Ostrel Organizer Help"
take Russian "$here/help/ru/images" "Напоминание" "Список задач" "Новая задача..." "Настройки" "Справка Ostrel Organizer"
echo "help window: $build/help-window-*.png"
