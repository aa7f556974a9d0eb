#!/bin/bash
# Idle cost of the organizer beside a bare clock (bare_clock.cpp), measured in
# one run under Xvfb: start time (median of nine starts; a 100,000-row
# database for ours; the first start on the fresh database once), RSS and
# PSS, and CPU time and voluntary context switches of the main thread over
# a window of SECONDS (default 60), in each view mode. Prints the ratios
# (ours / bare). Not part of the tests: it takes minutes.
#
#   bench/idle/run.sh [SECONDS]
#   OSTREL_BIN=/path/to/ostrel-organizer bench/idle/run.sh   (a built program)
# Without OSTREL_BIN the program is built in Release into build-idle/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
secs="${1:-60}"
work="$(mktemp -d /tmp/ostrel-idle.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# --- build ---------------------------------------------------------------
if [[ -z "${OSTREL_BIN:-}" ]]; then
  cmake -S "$root" -B "$root/build-idle" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$root/build-idle" -j2 --target ostrel-organizer >/dev/null
  OSTREL_BIN="$root/build-idle/bin/ostrel-organizer"
fi
g++ -std=c++20 -O2 -DNDEBUG -fPIC "$here/bare_clock.cpp" -o "$work/bare_clock" $(pkg-config --cflags --libs Qt6Widgets)

# --- the program's folder with a 100,000-row database -------------------
app="$work/app"
mkdir -p "$app"
src="$(dirname "$OSTREL_BIN")"
cp "$OSTREL_BIN" "$app/"
for f in skins Languages Images help Tamo.qdb; do
  [[ -e "$src/$f" ]] && cp -r "$src/$f" "$app/"
done
[[ -e "$app/Tamo.qdb" ]] || sqlite3 "$app/Tamo.qdb" < "$root/schema/tamo.sql"
python3 - "$app/Tamo.qdb" <<'PY'
import sqlite3, sys, time, random
con = sqlite3.connect(sys.argv[1])
now = time.time() / 86400.0 + 25569.0  # days since 1899-12-30 (UTC is close enough)
rows = []
# Nothing is due while the program idles: the future (from tomorrow on) holds 60 % of the rows,
# the past the rest, each active for one day (long over), every fifth
# repeating (the first start walks those past the present once).
for i in range(100000):
    t = now + random.uniform(1, 400) if i % 5 < 3 else now - random.uniform(2, 400)
    periodic = i % 5 == 0
    rows.append((0, t, t, "Task %d" % i, "Comment of task %d" % i,
                 1 if periodic else 0, 4 if periodic else 0, 1, 2))
con.executemany("INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, ElapseType) VALUES (?,?,?,?,?,?,?,?,?)", rows)
con.commit()
PY
# Today's backup copy exists already: the daily copy (a minute after start)
# is not idle work.
mkdir -p "$app/Backups/$(date '+%Y-%m-%d %H-%M-%S')"
cp "$app/Tamo.qdb" "$app/Backups/$(date '+%Y-%m-%d')"*/
export XDG_CONFIG_HOME="$work/config" OSTREL_DIALOGS=stderr

# --- measuring ----------------------------------------------------------
now_ms() { date +%s%3N; }
# Waits for a visible window with the title; prints the milliseconds taken.
wait_window() {  # start_ms title
  local start=$1 title=$2
  for _ in $(seq 1 2000); do
    if xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; then
      echo $(( $(now_ms) - start )); return
    fi
    sleep 0.01
  done
  echo -1
}
# Main-thread CPU time in microseconds and voluntary switches. The
# scheduler's own account (schedstat, nanoseconds) rather than utime+stime,
# which count whole 10 ms ticks: an idle clock uses a few of those a minute.
thread_stat() {  # pid
  local pid=$1
  local cpu sw
  cpu=$(awk '{printf "%d", $1 / 1000}' "/proc/$pid/task/$pid/schedstat")
  sw=$(awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/task/$pid/status")
  echo "$cpu $sw"
}
mem() {  # pid -> "rss_kb pss_kb"
  local pid=$1
  local rss pss
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup")
  echo "$rss $pss"
}

# Median start time of nine starts: start_median TITLE PROGRAM
start_median() {
  local title=$1; shift
  local t=() i pid start
  for i in 1 2 3 4 5 6 7 8 9; do
    start=$(now_ms)
    "$@" 2>>"$work/ostrel.log" & pid=$!
    t+=("$(wait_window "$start" "$title")")
    sleep 1
    kill "$pid"; wait "$pid" 2>/dev/null || true
  done
  printf '%s\n' "${t[@]}" | sort -n | sed -n 5p
}

# measure NAME PID START_MS TITLE: prints one result line
measure() {
  local name=$1 pid=$2 start=$3 title=$4
  local startup=-
  if [[ -n "$title" ]]; then
    wait_window "$start" "$title" >/dev/null
    startup=${5:--}
  fi
  sleep 5  # settle after start-up
  read -r c0 s0 < <(thread_stat "$pid")
  sleep "$secs"
  read -r c1 s1 < <(thread_stat "$pid")
  read -r rss pss < <(mem "$pid")
  local cpu_ms
  cpu_ms=$(awk -v a="$c0" -v b="$c1" 'BEGIN { printf "%.1f", (b - a) / 1000 }')
  printf '%s %s %s %s %s %s\n' "$name" "$startup" "$rss" "$pss" "$cpu_ms" "$(( s1 - s0 ))"
}

run_all() {
  local out=$1
  : >"$out"
  # The bare clock.
  local start pid
  local median
  median=$(start_median "bare clock" "$work/bare_clock")
  start=$(now_ms)
  "$work/bare_clock" & pid=$!
  measure bare "$pid" "$start" "bare clock" "$median" >>"$out"
  kill "$pid"; wait "$pid" 2>/dev/null || true
  # Ours, first start on the fresh database: the start-up pass walks the
  # repeating rows of the past once. Only the start time is kept.
  printf '[General]\nProgramView=3\nLanguage=English\n[Clock]\nLeft=200\nTop=200\n' >"$app/ostrel-organizer.ini"
  start=$(now_ms)
  "$app/ostrel-organizer" 2>>"$work/ostrel.log" & pid=$!
  echo "first $(wait_window "$start" "Ostrel Organizer") - - - -" >>"$out"
  sleep 2
  kill "$pid"; wait "$pid" 2>/dev/null || true
  # Ours in each view mode (ProgramView = mode + 1).
  for mode in 3:floating 4:analog 2:panel 1:icon; do
    local view=${mode%%:*} label=${mode#*:}
    printf '[General]\nProgramView=%s\nLanguage=English\n[Clock]\nLeft=200\nTop=200\n' "$view" >"$app/ostrel-organizer.ini"
    local title="Ostrel Organizer"
    [[ $label == icon || $label == panel ]] && title=""
    median=-
    [[ -n "$title" ]] && median=$(start_median "$title" "$app/ostrel-organizer")
    # A notification area only for the icon: a running tray panel wakes
    # every client of the display now and then, the bare clock too.
    local tray=""
    if [[ $label == icon ]]; then trayer >/dev/null 2>&1 & tray=$!; sleep 1; fi
    start=$(now_ms)
    "$app/ostrel-organizer" 2>>"$work/ostrel.log" & pid=$!
    measure "$label" "$pid" "$start" "$title" "$median" >>"$out"
    kill "$pid"; wait "$pid" 2>/dev/null || true
    if [[ -n $tray ]]; then kill "$tray"; wait "$tray" 2>/dev/null || true; fi
  done
}

declare -f run_all measure start_median wait_window thread_stat mem now_ms >"$work/funcs.sh"
export work app secs
# (xvfb-run runs under sh, which drops exported bash functions.)
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c 'source "$work/funcs.sh"; run_all "$work/results"'

awk -v secs="$secs" '
  $1 == "bare" { bs=$2; br=$3; bp=$4; bc=$5; bw=$6 }
  { line[NR]=$0 }
  END {
    printf "%-9s %9s %9s %9s %11s %12s\n", "mode", "start ms", "RSS kB", "PSS kB", "CPU ms/min", "wakeups/s"
    for (i = 1; i <= NR; ++i) {
      split(line[i], f, " ")
      if (f[3] == "-") { printf "%-9s %9s\n", f[1], f[2]; continue }
      printf "%-9s %9s %9s %9s %11.1f %12.2f\n", f[1], f[2], f[3], f[4], f[5] * 60 / secs, f[6] / secs
    }
    print ""
    print "ratios, ours / bare:"
    for (i = 1; i <= NR; ++i) {
      split(line[i], f, " ")
      if (f[1] == "bare") continue
      if (f[3] == "-") { printf "%-9s start %.2f\n", f[1], f[2] / bs; continue }
      st = "-"; if (f[2] != "-" && bs > 0) st = sprintf("%.2f", f[2] / bs)
      cp = "-"; if (bc > 0) cp = sprintf("%.2f", f[5] / bc)
      wk = "-"; if (bw > 0) wk = sprintf("%.2f", f[6] / bw)
      printf "%-9s start %s  RSS %.2f  PSS %.2f  CPU %s  wake-ups %s\n", f[1], st, f[3] / br, f[4] / bp, cp, wk
    }
  }' "$work/results"
