#!/usr/bin/env bash
# Instructions per dashboard poll, redraws and presents of the real program
# on the LIVE page, counted by valgrind's callgrind.
#
#   bench/poll_callgrind.sh <build_dir> [seconds] [identical|changing|both]
#
# Runs <build_dir>/qsodeck (build it as Release) under callgrind against the
# sample dashboard, either frozen (every answer carries the same bytes) or
# with a new transmission every 8 s (changing). Once the first poll
# succeeded and a few seconds passed, the counters are zeroed; after the
# window (default 60 s) they are dumped and the script prints the
# instructions of the window, the polls (GETs), instructions per poll, full
# page redraws and presents (full presents and partial updates of the
# window). The poll period is the default 1500 ms.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <build_dir> [seconds] [identical|changing|both]" >&2
  exit 2
fi
build_dir="$1"
seconds="${2:-60}"
which_runs="${3:-both}"
settle_seconds=5
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Sums the calls of the named functions in a callgrind dump (cfn= names the
# callee, "calls=N" the count; names are compressed to "(id)" after first use).
count_calls() {
  python3 - "$@" <<'EOF'
import re, sys
path, names = sys.argv[1], sys.argv[2:]
ids, calls, total = {}, {n: 0 for n in names}, 0
callee = None
for line in open(path, errors="replace"):
    if line.startswith("cfn="):
        m = re.match(r"cfn=\((\d+)\)(?: (.*))?", line.strip())
        if m:
            if m.group(2) is not None:
                ids[m.group(1)] = m.group(2)
            callee = ids.get(m.group(1))
        else:
            callee = line.strip()[4:]
    elif line.startswith("fn="):
        m = re.match(r"fn=\((\d+)\)(?: (.*))?", line.strip())
        if m and m.group(2) is not None:
            ids[m.group(1)] = m.group(2)
    elif line.startswith("calls=") and callee is not None:
        n = int(line.split("=", 1)[1].split()[0])
        for name in names:
            if callee == name or callee.startswith(name + "("):
                calls[name] += n
        callee = None
    elif line.startswith("summary:") or line.startswith("totals:"):
        total = max(total, int(line.split()[1]))
print(total, *[calls[n] for n in names])
EOF
}

run_one() {
  local label="$1"
  shift
  (
    source "$here/../tools/sample_run.inc"
    out="$(mktemp -d /tmp/qsodeck-callgrind-XXXXXX)"
    SAMPLE_RUN_START_TENTHS=1200
    SAMPLE_RUN_WRAPPER="valgrind --tool=callgrind --callgrind-out-file=$out/callgrind.out.%p"
    sample_run_start "$build_dir" "$@"
    sleep "$settle_seconds"
    callgrind_control -z "$SAMPLE_RUN_PID" >/dev/null 2>&1
    sleep "$seconds"
    callgrind_control -d "$SAMPLE_RUN_PID" >/dev/null 2>&1
    sleep 1
    dump="$(ls -t "$out"/callgrind.out.* | grep -v '\.[0-9]*$' | head -n 1 || true)"
    dump="$(ls "$out"/callgrind.out.*.1 2>/dev/null | head -n 1 || echo "$dump")"
    if [ -z "$dump" ] || [ ! -s "$dump" ]; then
      echo "no callgrind dump in $out" >&2
      exit 1
    fi
    read -r total gets redraws presents updates < <(count_calls "$dump" \
      httpGetStringWith redrawCurrentPage SDL_RenderPresent SDL_UpdateWindowSurfaceRects)
    awk -v label="$label" -v s="$seconds" -v t="$total" -v g="$gets" -v r="$redraws" \
        -v p="$presents" -v u="$updates" 'BEGIN {
      printf "%-9s %d s: %.1f M instructions, %d polls, %.2f M instructions per poll, %d page redraws, %d full presents, %d partial updates\n",
             label, s, t / 1e6, g, (g > 0 ? t / g / 1e6 : 0), r, p, u
    }'
    rm -rf "$out"
  )
}

case "$which_runs" in
  identical) run_one identical --frozen ;;
  changing) run_one changing --period 8 ;;
  both)
    run_one identical --frozen
    run_one changing --period 8
    ;;
  *)
    echo "unknown run: $which_runs (identical, changing or both)" >&2
    exit 2
    ;;
esac
