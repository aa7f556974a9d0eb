#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each
# for a given time over its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET ...]     default: 60 s, every target
#
# OSTREL_FUZZ_RUNS=N also ends each target after N executions (whichever
# comes first). The targets run one after another on one core.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTREL_FUZZ_BUILD_DIR:-$here/build-fuzz}"
seconds="${1:-60}"
shift || true

packages=(clang libclang-rt-14-dev cmake ninja-build libsqlite3-dev libjpeg-dev libical-dev libxcb1-dev qt6-base-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The whole tree is built with the sanitizers so that the code under test is
# instrumented too (libFuzzer's coverage comes from -fsanitize=fuzzer-no-link);
# undefined behaviour anywhere stops the run rather than only being printed.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_FUZZERS=ON "${launcher[@]}" \
  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$here"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
jobs="$(nproc)"; [ "$jobs" -gt 2 ] && jobs=2
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

runs=()
[ -n "${OSTREL_FUZZ_RUNS:-}" ] && runs=(-runs="$OSTREL_FUZZ_RUNS")

export LSAN_OPTIONS="suppressions=$here/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

status=0
for t in "${targets[@]}"; do
  name="${t#fuzz_}"
  corpus="$build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="$here/fuzz/corpus/$name"
  [ -d "$seeds" ] || seeds=""
  echo "== $t for ${seconds}s"
  # The working corpus grows in the build folder; the seeds stay untouched.
  # The text codecs get small inputs: a fault needs a few lines, and big
  # ones spend the run in libical's allocations (the calendar target makes
  # about 1,300 runs a second on a shared core at 1 KB, 300 at 4 KB).
  max_len=()
  case "$name" in calendar) max_len=(-max_len=1024) ;; vcard) max_len=(-max_len=4096) ;; esac
  if ! "$build/fuzz/$t" -max_total_time="$seconds" "${runs[@]}" "${max_len[@]}" -print_final_stats=1 -timeout=20 \
        -artifact_prefix="$build/fuzz/$t-" "$corpus" $seeds 2>"$build/fuzz/$t.log"; then
    status=1
    echo "!! $t found a fault; see $build/fuzz/$t.log"
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz/$t.log" || true
done
exit $status
