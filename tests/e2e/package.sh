#!/usr/bin/env bash
# The Debian package made by CPack from a built tree: its files are the
# installed layout under /usr, and its Depends names what the program loads
# at run time besides what it links (the sync helper's network and keyring
# libraries among them).
#
#   package.sh BUILD_DIR
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack"; }
deb="$(ls "$out"/ostrel-organizer_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for p in libqt6sql6-sqlite libqt6svg6 qt6-image-formats-plugins qt6-qpa-plugins qt6-wayland libqt6help6 \
         libical3 libjpeg62-turbo libqt6widgets6 libqt6network6 libqt6keychain1; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for f in ./usr/bin/ostrel-organizer ./usr/bin/ostrel-sync ./usr/share/ostrel-organizer/Tamo.qdb \
         ./usr/share/applications/org.ostrel.organizer.desktop ./usr/share/metainfo/org.ostrel.organizer.metainfo.xml \
         ./usr/share/man/man1/ostrel-organizer.1 ./usr/share/icons/hicolor/scalable/apps/org.ostrel.organizer.svg; do
    grep -qx "$f" <<<"$files" || fail "the package lacks $f"
done
echo "1 passed, 0 failed"
