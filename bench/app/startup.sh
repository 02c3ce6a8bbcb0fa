#!/usr/bin/env bash
# Start-up time to the first shown window and resident memory while idle, for the built korva.
# Usage: bench/app/startup.sh [build folder, default build] [runs, default 7] [-- korva's arguments]
#   e.g. bench/app/startup.sh build-e2e 7             korva searching for an absent device
#        bench/app/startup.sh build 7 -- --simulate   korva with the simulated device identified
# Builds korva and the probe in the build folder, starts a private X server (Xvfb) and prints each
# run's figures and their medians (targets: start-up < 500 ms, idle resident memory < 60 MB).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build}
runs=${2:-7}
shift $(( $# < 2 ? $# : 2 ))
[ "${1:-}" = "--" ] && shift
case $build in /*) ;; *) build="$root/$build" ;; esac
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target korva korva_startup_probe >/dev/null
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  "$build/bench/app/korva_startup_probe" --runs "$runs" "$build/app/korva" "$@"
