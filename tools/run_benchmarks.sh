#!/usr/bin/env bash
# Runs every benchmark executable of a benchmark build and prints medians.
set -euo pipefail
build_dir=${1:-build-bench}
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
status=0
for exe in "$build_dir"/bench/*_bench; do
  [ -x "$exe" ] || continue
  echo "== $(basename "$exe")"
  "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
         --benchmark_min_time=0.2 || status=1
done
for script in bench/*.sh; do
  [ -f "$script" ] || continue
  echo "== $(basename "$script")"
  bash "$script" "$build_dir" || status=1
done
exit $status
