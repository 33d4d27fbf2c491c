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
sample_run_idle_cpu "$SAMPLE_RUN_PID" "$seconds"
if ! kill -0 "$SAMPLE_RUN_PID" 2>/dev/null; then
  echo "the program ended during the measurement" >&2
  exit 1
fi
