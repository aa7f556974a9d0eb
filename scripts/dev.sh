#!/usr/bin/env bash
# Installs what the program needs on Debian 12, builds it, and runs it or its
# tests.
#
#   scripts/dev.sh run     install, build, start the program
#   scripts/dev.sh test    install, build, run every test
#   scripts/dev.sh build   build only
#   scripts/dev.sh sanitize  install, build with ASan+UBSan (build-sanitize/), run every test
#   scripts/dev.sh package   install, build for /usr and make a Debian package (build-package/)
#
# "test" (what CI runs) treats compiler warnings in our own code as errors.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"

packages=(build-essential cmake ninja-build pkg-config python3
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-svg-dev
  qt6-documentation-tools libqt6help6 libqt6sql6-sqlite sqlite3 qt6-translations-l10n
  libsqlite3-dev libjpeg-dev libical-dev libxcb1-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils trayer openbox imagemagick dbus-daemon dbus-x11
  fonts-dejavu-core desktop-file-utils appstream dpkg-dev weston xwayland qt6-wayland
  qtkeychain-qt6-dev radicale apache2-utils)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build_all() {
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_BUILD_TESTS=ON "$@"
  cmake --build "$build" -j "$(nproc)"
}

case "${1:-}" in
  run)
    install_packages
    build_all
    exec "$build/bin/ostrel-organizer"
    ;;
  test)
    install_packages
    build_all -DOSTREL_WERROR=ON
    cd "$build"
    ctest --output-on-failure -j "$(nproc)" --timeout 600
    ;;
  sanitize)
    install_packages
    build="${OSTREL_BUILD_DIR:-$here/build-sanitize}"
    build_all -DOSTREL_SANITIZE=ON
    cd "$build"
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --output-on-failure -j "$(nproc)" --timeout 900
    ;;
  build)
    build_all
    ;;
  package)
    install_packages
    build="${OSTREL_BUILD_DIR:-$here/build-package}"
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_TESTS=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr
    cmake --build "$build" -j "$(nproc)"
    (cd "$build" && cpack -G DEB)
    ls "$build"/*.deb
    ;;
  *)
    echo "usage: $0 run|test|build|sanitize|package" >&2
    exit 2
    ;;
esac
