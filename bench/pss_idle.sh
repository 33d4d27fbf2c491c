#!/usr/bin/env bash
# Proportional memory (PSS) and idle CPU of the real program on the LIVE page.
#
#   bench/pss_idle.sh <build_dir> [seconds] [mappings]
#
# Runs <build_dir>/qsodeck under X (a private Xvfb when no display answers)
# against the sample dashboard with traffic frozen (one transmission per
# hour), waits for the first successful poll and a few seconds of settling,
# measures the CPU use over the window (default 30 s) as a percentage of one
# core, then reads /proc/<pid>/smaps_rollup for the proportional set size
# and lists the files (or anonymous memory) with the largest PSS (default
# the top 10). PSS charges each shared page to the processes sharing it, so
# it is what one more running copy of the program costs.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <build_dir> [seconds] [mappings]" >&2
  exit 2
fi
build_dir="$1"
seconds="${2:-30}"
mappings="${3:-10}"
settle_seconds=5
source "$(dirname "${BASH_SOURCE[0]}")/../tools/sample_run.inc"

sample_run_start "$build_dir" --period 3600
sleep "$settle_seconds"
sample_run_idle_cpu "$SAMPLE_RUN_PID" "$seconds"
if ! kill -0 "$SAMPLE_RUN_PID" 2>/dev/null; then
  echo "the program ended during the measurement" >&2
  exit 1
fi
awk '
  /^Rss:/ { rss = $2 } /^Pss:/ { pss = $2 }
  /^Pss_Anon:/ { anon = $2 } /^Pss_File:/ { file = $2 }
  END {
    printf "PSS on the LIVE page: %d kB (%.1f MiB; anonymous %d kB, file-backed %d kB; RSS %d kB)\n",
           pss, pss / 1024, anon, file, rss
  }' "/proc/$SAMPLE_RUN_PID/smaps_rollup"
echo "largest mappings by PSS:"
sample_run_pss_by_mapping "$SAMPLE_RUN_PID" | head -n "$mappings" |
  awk '{ printf "  %8d kB  %s\n", $1, substr($0, index($0, " ") + 1) }'
