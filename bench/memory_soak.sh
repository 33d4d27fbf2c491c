#!/usr/bin/env bash
# Resident memory of the real program over a long run against the sample
# dashboard.
#
#   bench/memory_soak.sh <build_dir> [seconds]
#
# Runs <build_dir>/qsodeck under X (a private Xvfb when no display answers)
# against the sample dashboard with lively traffic (a new transmission every
# 4 s, so the live record, heard list and RadioID lookups keep changing),
# polling every 1.5 s (the default refresh). VmRSS from /proc/<pid>/status is
# sampled every 5 s for the given time (default 600 s); prints the resident
# memory at the start (first successful poll), its maximum and at the end,
# and the growth from the first to the second half of the run.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <build_dir> [seconds]" >&2
  exit 2
fi
build_dir="$1"
seconds="${2:-${QSODECK_SOAK_SECONDS:-600}}"
interval=5
source "$(dirname "${BASH_SOURCE[0]}")/../tools/sample_run.inc"

sample_run_start "$build_dir" --period 4
samples=()
elapsed=0
while :; do
  if ! kill -0 "$SAMPLE_RUN_PID" 2>/dev/null; then
    echo "the program ended after ${elapsed} s" >&2
    exit 1
  fi
  samples+=("$(sample_run_rss_kb "$SAMPLE_RUN_PID")")
  [ "$elapsed" -ge "$seconds" ] && break
  sleep "$interval"
  elapsed=$((elapsed + interval))
done
printf '%s\n' "${samples[@]}" | awk -v secs="$elapsed" '
  { v[NR] = $1; if ($1 > max) max = $1 }
  END {
    half = int(NR / 2); if (half < 1) half = 1
    for (i = 1; i <= half; i++) if (v[i] > firstMax) firstMax = v[i]
    for (i = half + 1; i <= NR; i++) if (v[i] > secondMax) secondMax = v[i]
    printf "resident memory over %d s (%d samples): start %d kB, max %d kB, end %d kB\n", secs, NR, v[1], max, v[NR]
    printf "growth of the maximum from the first to the second half: %d kB\n", secondMax - firstMax
  }'
lookups="$(grep -c "Callsign lookup found" "$SAMPLE_RUN_DIR/desktop.log" || true)"
anon="$(awk '/^RssAnon:/ { print $2 }' "/proc/$SAMPLE_RUN_PID/status")"
echo "of it at the end: $anon kB anonymous (heap, frame buffers), the rest file-backed (shared libraries)"
echo "(RadioID names found during the run: $lookups)"
