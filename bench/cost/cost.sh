#!/usr/bin/env bash
# The program's running cost, printed:
#  - CPU time korva uses in SECONDS of idling (device identified, state 16, timer running) and
#    in SECONDS of the endless search with no device on the port;
#  - the instructions PortReadLine spends per received byte, counted by callgrind (a count of
#    instructions does not change with the load of the machine, unlike a time).
# Run after ./test from the top of the clone:  bench/cost/cost.sh [BUILD_DIR] [SECONDS]
# The program runs on Qt's offscreen platform, so no display is needed.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
korva=$build/app/korva
simulator=$build/sim/veq-sim
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Percent of one core that process $1 uses over $2 seconds.
cpu_percent() {
  local before after
  before=$(cpu_ticks "$1")
  sleep "$2"
  after=$(cpu_ticks "$1")
  awk -v d=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$2" 'BEGIN { printf "%.2f", 100 * d / (hz * s) }'
}

start_korva() {  # port file; prints the pid
  (cd "$work" && V24_COM1=$1 QT_QPA_PLATFORM=offscreen exec "$korva" >/dev/null 2>&1) &
  echo $!
}

coproc SIM { exec "$simulator" --pty; }
pids+=("$SIM_PID")
read -r terminal <&"${SIM[0]}"
pid=$(start_korva "$terminal")
pids+=("$pid")
sleep 8  # the search identifies the device after 400 ticks
idle=$(cpu_percent "$pid" "$seconds")
kill "$pid"

pid=$(start_korva "$work/no-such-port")
pids+=("$pid")
sleep 2
search=$(cpu_percent "$pid" "$seconds")
kill "$pid"

echo "korva idle (state 16, timer running):      $idle % of one core over $seconds s"
echo "korva searching without a device:          $search % of one core over $seconds s"

out=$work/callgrind.out
valgrind --tool=callgrind --toggle-collect=PortReadLine --callgrind-out-file="$out" \
  "$build/bench/cost/readline_instructions" >"$work/bytes" 2>/dev/null
bytes=$(cat "$work/bytes")
instructions=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
awk -v i="$instructions" -v b="$bytes" \
  'BEGIN { printf "PortReadLine:                              %.1f instructions per received byte (%s over %s bytes)\n", i / b, i, b }'
