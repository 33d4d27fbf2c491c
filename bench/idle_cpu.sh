#!/usr/bin/env bash
# CPU time of the real program idling on the LIVE page with unchanged data.
#
#   bench/idle_cpu.sh <build_dir> [seconds]
#
# Runs <build_dir>/qsodeck under X (a private Xvfb when no display answers)
# against the sample dashboard with traffic frozen (one transmission per
# hour, so the answers stay the same), waits for the first successful poll
# and a few seconds of settling, then reads utime + stime from
# /proc/<pid>/stat before and after the measuring window (default 30 s) and
# prints the CPU use as a percentage of one core. The program keeps polling
# the dashboard every 1.5 s (the default refresh) during the window.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <build_dir> [seconds]" >&2
  exit 2
fi
build_dir="$1"
seconds="${2:-30}"
settle_seconds=5
source "$(dirname "${BASH_SOURCE[0]}")/../tools/sample_run.inc"

sample_run_start "$build_dir" --period 3600
sleep "$settle_seconds"
ticks_per_second="$(getconf CLK_TCK)"
start_ticks="$(sample_run_cpu_ticks "$SAMPLE_RUN_PID")"
start_ns="$(date +%s%N)"
sleep "$seconds"
end_ticks="$(sample_run_cpu_ticks "$SAMPLE_RUN_PID")"
end_ns="$(date +%s%N)"
awk -v t0="$start_ticks" -v t1="$end_ticks" -v hz="$ticks_per_second" -v n0="$start_ns" -v n1="$end_ns" \
  'BEGIN {
     cpu = (t1 - t0) / hz; wall = (n1 - n0) / 1e9;
     printf "idle CPU on the LIVE page: %.2f%% of one core (%.2f s CPU in %.1f s wall; target below 3%%)\n",
            100 * cpu / wall, cpu, wall
   }'
if ! kill -0 "$SAMPLE_RUN_PID" 2>/dev/null; then
  echo "the program ended during the measurement" >&2
  exit 1
fi
