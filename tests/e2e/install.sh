#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary prefix lays out
# the standard tree; the desktop entry, the metadata and the manual page
# pass their validators; the installed program, run by a user with a new
# home folder, makes its database there and writes nothing under the
# prefix; --data-dir puts every file in the folder it names.
#
#   install.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
id=org.ostrel.organizer
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

# The standard tree.
for f in bin/ostrel-organizer share/ostrel-organizer/Tamo.qdb share/ostrel-organizer/skins/ostrel.skn \
         share/ostrel-organizer/Languages/English.lng share/ostrel-organizer/Languages/Russian.lng \
         share/ostrel-organizer/Images/Analog_clock.jpg share/ostrel-organizer/help/ostrel_organizer.qch \
         share/ostrel-organizer/help/Russian/ostrel_organizer.qch \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/man/man1/ostrel-organizer.1 \
         share/icons/hicolor/scalable/apps/$id.svg; do
    [ -e "$prefix/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "missing the ${size}px icon"
done
[ ! -e "$prefix/Tamo.qdb" ] && [ ! -e "$prefix/bin/Tamo.qdb" ] || fail "a database beside the program"

# Validators.
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q "^Icon=$id$" "$prefix/share/applications/$id.desktop" || fail "the desktop entry's icon"
warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/ostrel-organizer.1" 2>&1 >/dev/null || true)"
[ -z "$warnings" ] || fail "manual page: $warnings"

# A user with a new home folder; nothing of the caller's environment.
listing() { (cd "$prefix" && find . -printf '%p %s %T@\n' | sort); }
before="$(listing)"
home="$work/home"
mkdir -p "$home"
run() {
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 TZ="${TZ:-UTC}" QT_QPA_PLATFORM=offscreen \
        XDG_RUNTIME_DIR="$work/runtime" "$prefix/bin/ostrel-organizer" "$@"
}
mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
run --export-calendar "$work/out.ics" >"$work/out.log" 2>&1 || { cat "$work/out.log"; fail "export"; }
grep -q "BEGIN:VCALENDAR" "$work/out.ics" || fail "no calendar written"
[ -f "$home/.local/share/ostrel-organizer/Tamo.qdb" ] || fail "no database in the user's data folder"
cmp -s "$home/.local/share/ostrel-organizer/Tamo.qdb" "$prefix/share/ostrel-organizer/Tamo.qdb" ||
    fail "the new database is not the empty one"
[ "$(listing)" = "$before" ] || fail "something was written under the prefix"

# XDG_DATA_HOME moves it; --data-dir puts it where it says.
env -i HOME="$home" XDG_DATA_HOME="$work/xdg" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/ostrel-organizer" --export-contacts "$work/out.vcf" >/dev/null 2>&1 || fail "export with XDG_DATA_HOME"
[ -f "$work/xdg/ostrel-organizer/Tamo.qdb" ] || fail "XDG_DATA_HOME not followed"
run --data-dir "$work/chosen" --export-contacts "$work/out2.vcf" >/dev/null 2>&1 || fail "export with --data-dir"
[ -f "$work/chosen/Tamo.qdb" ] || fail "--data-dir not followed"
env -i HOME="$home" OSTREL_DATA_DIR="$work/by-env" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/ostrel-organizer" --export-contacts "$work/out3.vcf" >/dev/null 2>&1 || fail "export with OSTREL_DATA_DIR"
[ -f "$work/by-env/Tamo.qdb" ] || fail "OSTREL_DATA_DIR not followed"
[ "$(listing)" = "$before" ] || fail "something was written under the prefix"

# The options are told.
run --version | grep -q "^ostrel-organizer [0-9]" || fail "--version"
run --help | grep -q -- "--data-dir DIR" || fail "--help"
set +e; run --data-dir >/dev/null 2>&1; rc=$?; set -e
[ "$rc" -eq 2 ] || fail "--data-dir without a folder ended with $rc"

echo "1 passed, 0 failed"
