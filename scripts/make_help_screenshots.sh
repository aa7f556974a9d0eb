#!/usr/bin/env bash
# Pictures for the manual, taken from the real program under Xvfb with a few
# sample tasks, plans, holidays, contacts and notes: the clock, the day
# panel, a reminder window, the to-do list, the task editor, the schedule,
# the holidays list and the holiday editor, the address book with a contact
# card and the contact editor, the pocket book and the settings, once in
# English (help/en/images) and once in Russian (help/ru/images). The help
# window itself is shot too, into the build folder, to be looked at.
#
#   scripts/make_help_screenshots.sh [BUILD_DIR]
#
# Needs xvfb-run, openbox (a window manager, so that windows can be
# activated and closed), xdotool, ImageMagick (import, convert), sqlite3 and
# python3. Works on a private copy of the program's folder: nothing beside
# the build changes.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"

if [ -z "${OSTREL_SHOTS_INNER:-}" ]; then
    for tool in xvfb-run openbox xdotool import convert sqlite3 python3; do
        command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
    done
    export OSTREL_SHOTS_INNER=1
    exec xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$build"
fi

bin="$build/bin"
[ -x "$bin/ostrel-organizer" ] || { echo "build the program first: $bin/ostrel-organizer" >&2; exit 1; }
work="$(mktemp -d)"
app_pid=""
wm_pid=""
cleanup() {
    local pid
    for pid in $app_pid $wm_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" OSTREL_DIALOGS=stderr
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1

wait_for() {
    for _ in $(seq 1 50); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}
# The first visible window whose title matches the shell pattern $1 (a
# title without * ? [ must match exactly).
# (Compared in the shell: xdotool's patterns miss some UTF-8 titles.)
window_named() {
    local w
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        # shellcheck disable=SC2053
        if [[ "$(xdotool getwindowname "$w" 2>/dev/null)" == $1 ]]; then
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
    # The pointer leaves the clock, or the day panel would open over the
    # window just chosen.
    sleep 0.2
    xdotool mousemove 1270 600
}
# A day-time value: days since 1899-12-30 in local time, with an offset in
# minutes from now.
daytime() { sqlite3 :memory: "SELECT julianday('now','localtime','$1 minutes') - 2415018.5;"; }

# A day-time value at a whole half hour of today: half hours from the
# present one, at least slot 0 and at most 47 - span.
slot_today() {
    sqlite3 :memory: "SELECT julianday(date('now','localtime')) - 2415018.5 + max(0, min(47 - $2,
        CAST((strftime('%H','now','localtime') * 60 + strftime('%M','now','localtime')) / 30 AS INTEGER) + $1)) / 48.0;"
}
# A day number of a date (YYYY-MM-DD, or 'now' for today).
day_of() { sqlite3 :memory: "SELECT julianday(date('$1','localtime')) - 2415018.5;"; }

# Double-clicks at x, y inside the window titled $1.
double_click() {
    local id
    id="$(window_named "$1")"
    xdotool mousemove --window "$id" "$2" "$3" click --repeat 2 --delay 80 1
    # No tool tip over the window about to be shot.
    xdotool mousemove 1270 600
}
# Presses a key in the window titled $1 (to close a dialog with Escape).
key_in() {
    local id
    id="$(window_named "$1")"
    [ -n "$id" ] && xdotool windowactivate --sync "$id" key "$2" || true
    sleep 0.4
}

# The notes of the pocket book: a title, a bullet list and a line in italics.
write_notes() {  # file, title, line, items...
    python3 - "$@" <<'PY'
import sys
path, title, line, *items = sys.argv[1:]
def esc(s):
    out = []
    for c in s:
        o = ord(c)
        if 32 <= o < 127 and c not in '\\{}':
            out.append(c)
        else:
            out.append('\\u%d?' % (o if o < 32768 else o - 65536))
    return ''.join(out)
rtf = [r'{\rtf1\ansi\ansicpg1252\uc1\deff0{\fonttbl{\f0 DejaVu Sans;}}',
       r'\pard\plain\f0\fs28\b ' + esc(title) + r'\b0\par']
for item in items:
    rtf.append(r"\pard{\pntext\f0\'B7\tab}{\*\pn\pnlvlblt\pnf0\pnindent0{\pntxtb\'B7}}\fi-360\li720\f0\fs22 "
               + esc(item) + r'\par')
rtf.append(r'\pard\f0\fs22\i ' + esc(line) + r'\i0\par}')
open(path, 'w', encoding='ascii').write('\n'.join(rtf) + '\n')
PY
}

take() {  # language, image folder
    local lang="$1" out="$2"
    local dir="$work/$lang"
    mkdir -p "$dir" "$out"
    cp "$bin/ostrel-organizer" "$dir/"
    cp -r "$bin/skins" "$bin/Languages" "$bin/Images" "$bin/help" "$dir/"
    cp "$bin/Tamo.qdb" "$dir/"
    printf '[General]\nProgramView=3\nLanguage=%s\n[Clock]\nTop=40\nLeft=40\nFontName=DejaVu Sans\nFontSize=14\n[PocketBook]\nTop=300\nLeft=420\nWidth=380\nHeight=250\n' \
        "$lang" >"$dir/ostrel-organizer.ini"

    # Window titles and sample entries in the language.
    local t_reminder t_list t_newtask t_settings t_help t_schedule t_holidays t_holiday t_book t_card t_person t_pocket
    local a b c d e p1 p2 p3 h1 h2 h3 h4 h5 h6 h7
    local -a contact1 contact2 contact3 contact4 notes
    if [ "$lang" = Russian ]; then
        t_reminder="Напоминание" t_list="Список задач" t_newtask="Новая задача..." t_settings="Настройки"
        t_help="Справка Ostrel Organizer" t_schedule="Расписание" t_holidays="Список праздников"
        t_holiday="Изменение праздника" t_book="Адресная книга" t_card="View contact - *"
        t_person="Адресная книга - *" t_pocket="Записная книжка"
        a="Позвонить Анне" b="Встреча с бухгалтером" c="Полить цветы" d="Сделать резервную копию" e="Принести отчёт за квартал"
        p1="Совещание отдела" p2="Обед с Анной" p3="Спортзал"
        h1="Новый год" h2="Международный женский день" h3="День рождения Анны" h4="День рождения папы"
        h5="Годовщина свадьбы" h6="Купить подарок и торт" h7="Заказать ёлку, позвать родных"
        contact1=("Анна" "Соколова" 3 "+7 495 555-01-42" "anna@example.org" "1990-05-14")
        contact2=("Борис" "Иванов" 2 "+7 495 555-02-17" "b.ivanov@example.com" "")
        contact3=("Мария" "Петрова" 1 "+7 916 555-77-31" "" "1962-07-21")
        contact4=("Сервис" "Часовой" 4 "+7 495 555-90-00" "" "")
        notes=("Покупки" "Телефон часового мастера: 555-01-42" "Молоко" "Хлеб" "Батарейки для часов")
    else
        t_reminder="Reminder" t_list="To do list" t_newtask="New task..." t_settings="Settings"
        t_help="Ostrel Organizer Help" t_schedule="Schedule" t_holidays="Holidays list"
        t_holiday="Edit holiday" t_book="Address book" t_card="View contact - *"
        t_person="Address book - *" t_pocket="Pocket-Book"
        a="Call Anna" b="Meeting with the accountant" c="Water the plants" d="Back up the notes" e="Bring the quarterly report"
        p1="Team meeting" p2="Lunch with Anna" p3="Gym"
        h1="New Year" h2="Independence Day" h3="Anna's birthday" h4="Dad's birthday"
        h5="Wedding anniversary" h6="Buy a present and a cake" h7="Order the tree, invite the family"
        contact1=("Anna" "Sokolova" 3 "+1 555 0142" "anna@example.org" "1990-05-14")
        contact2=("Boris" "Miller" 2 "+1 555 0217" "b.miller@example.com" "")
        contact3=("Mary" "Peters" 1 "+1 555 7731" "" "1962-07-21")
        contact4=("Watch repair" "" 4 "+1 555 9000" "" "")
        notes=("Shopping" "Watch repairer: 555-0142" "Milk" "Bread" "Batteries for the clock")
    fi

    local now due1 due2 due3 far today s1 s2 s3
    now="$(daytime -5)"; due1="$(daytime 95)"; due2="$(daytime 1500)"; due3="$(daytime 3000)"
    far="$(daytime 600000)"; today="$(day_of now)"
    s1="$(slot_today 1 3)"; s2="$(slot_today 5 2)"; s3="$(day_of now)"; s3="$(sqlite3 :memory: "SELECT $s3 + 1 + 36 / 48.0;")"
    local hol2="2020-07-04"
    [ "$lang" = Russian ] && hol2="2020-03-08"
    local birthday1 birthday3
    birthday1="$(day_of "${contact1[5]}")"; birthday3="$(day_of "${contact3[5]}")"
    mkdir -p "$dir/photos"
    convert -size 120x150 gradient:'#b9d3e6'-'#51789a' -fill '#f1dcc8' -draw 'circle 60,58 60,28' \
        -fill '#2f4f6f' -draw 'ellipse 60,150 46,52 180,360' "$dir/photos/anna.jpg"
    q() { printf "%s" "${1//\'/\'\'}"; }
    sqlite3 "$dir/Tamo.qdb" <<SQL
DELETE FROM ToDo;
DELETE FROM AddressBook;
INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, ElapseType)
VALUES (0, $now, $now, '$(q "$a")', '$(q "$e")', 0, 0, 1, 2),
       (0, $due1, $due1, '$(q "$b")', '', 0, 0, 1, 2),
       (0, $due2, $due2, '$(q "$c")', '', 3, 3, 2, 2),
       (0, $due3, $due3, '$(q "$d")', '', 0, 0, 1, 2);
INSERT INTO ToDo (MesType, Title, ShowDT, ElapseInt)
VALUES (1, '$(q "$p1")', $s1, 3), (1, '$(q "$p2")', $s2, 2), (1, '$(q "$p3")', $s3, 3);
INSERT INTO ToDo (FirstDT, ShowDT, MesType, Title, Comment, PeriodInt, PeriodType, ElapseInt, ElapseType)
VALUES ($(day_of 2020-01-01), $far, 2, '$(q "$h1")', '$(q "$h7")', 1, 6, 7, 3),
       ($(day_of $hol2), $far, 2, '$(q "$h2")', '', 1, 6, 0, 3),
       ($today, $far, 2, '$(q "$h3")', '$(q "$h6")', 1, 6, 3, 3),
       ($birthday3, $far, 2, '$(q "$h4")', '', 1, 6, 7, 3),
       ($(day_of 2012-09-15), $far, 2, '$(q "$h5")', '', 1, 6, 14, 3);
INSERT INTO AddressBook (FirstName, LastName, [Group], MobilePhone, Mail, Birthday, Photo, Address, Web_site)
VALUES ('$(q "${contact1[0]}")', '$(q "${contact1[1]}")', ${contact1[2]}, '${contact1[3]}', '${contact1[4]}', $birthday1,
        'photos/anna.jpg', NULL, 'https://example.org/anna'),
       ('$(q "${contact2[0]}")', '$(q "${contact2[1]}")', ${contact2[2]}, '${contact2[3]}', '${contact2[4]}', NULL, NULL, NULL, NULL),
       ('$(q "${contact3[0]}")', '$(q "${contact3[1]}")', ${contact3[2]}, '${contact3[3]}', NULL, $birthday3, NULL, NULL, NULL),
       ('$(q "${contact4[0]}")', '$(q "${contact4[1]}")', ${contact4[2]}, '${contact4[3]}', NULL, NULL, NULL, NULL, NULL);
SQL
    write_notes "$dir/pockerbook.rtf" "${notes[@]}"

    # Dates and times as a user of that language sees them.
    local locale=en_US.UTF-8
    [ "$lang" = Russian ] && locale=ru_RU.UTF-8
    LC_TIME="$locale" "$dir/ostrel-organizer" 2>"$work/$lang.stderr" &
    app_pid=$!
    wait_for has_window 'Ostrel Organizer' || { echo "the clock did not show" >&2; cat "$work/$lang.stderr" >&2; exit 1; }
    echo "$lang:"
    shot "$t_reminder" "$out/reminder.png"
    shot 'Ostrel Organizer' "$out/clock.png"
    # The day panel: the pointer rests on the clock. Its title is the date.
    xdotool mousemove --window "$(window_named 'Ostrel Organizer')" 30 12
    shot '*20[0-9][0-9]*' "$out/day-panel.png"
    xdotool mousemove 1270 600
    sleep 2.5
    # View > To do list (Right opens a submenu on its first item)
    menu Down Down Right Return
    shot "$t_list" "$out/todo-list.png"
    key_in "$t_list" Escape
    # Create > To do
    menu Down Right Return
    shot "$t_newtask" "$out/task-editor.png"
    xdotool key Escape
    sleep 0.4
    # View > Schedule
    menu Down Down Right Down Return
    shot "$t_schedule" "$out/schedule.png"
    key_in "$t_schedule" Escape
    # View > Holidays list; a double click on the first row (New Year)
    # opens the editor.
    menu Down Down Right Down Down Return
    shot "$t_holidays" "$out/holidays-list.png"
    double_click "$t_holidays" 60 ${HOLIDAY_ROW_Y:-61}
    shot "$t_holiday" "$out/holiday-editor.png"
    key_in "$t_holiday" Escape
    key_in "$t_holidays" Escape
    # View > Address book; View contact (the first tool button) shows the
    # card of the first contact, which is selected.
    menu Down Down Right Down Down Down Return
    shot "$t_book" "$out/address-book.png"
    xdotool mousemove --window "$(window_named "$t_book")" ${VIEW_BUTTON_X:-14} 14 click 1 mousemove 1270 600
    shot "$t_card" "$out/contact-card.png"
    key_in "$t_card" Escape
    # Edit contact (the second tool button) opens the editor with it.
    xdotool mousemove --window "$(window_named "$t_book")" ${EDIT_BUTTON_X:-38} 14 click 1 mousemove 1270 600
    shot "$t_person" "$out/contact-editor.png"
    key_in "$t_person" Escape
    key_in "$t_book" Escape
    # Pocket book
    menu Down Down Down Down Return
    shot "$t_pocket" "$out/pocket-book.png"
    # Settings
    menu Down Down Down Down Down Down Return
    shot "$t_settings" "$out/settings.png"
    # F1 in the settings opens their page beside them.
    xdotool key F1
    shot "$t_help" "$build/help-window-$lang-settings.png"
    key_in "$t_settings" Escape
    # Help from the menu: the contents.
    menu Down Down Down Down Down Down Down Return
    shot "$t_help" "$build/help-window-$lang.png"
    kill "$app_pid"; wait "$app_pid" 2>/dev/null || true
    app_pid=""
}

take English "$here/help/en/images"
take Russian "$here/help/ru/images"
echo "help window: $build/help-window-*.png"
