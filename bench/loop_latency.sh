#!/usr/bin/env bash
# How the window answers while the dashboard misbehaves: tap latency and the
# longest pass of the main loop.
#
#   bench/loop_latency.sh <build_dir> [seconds] [mode...]
#
# For each mode (default: ok slow trickle) runs <build_dir>/qsodeck under X
# against the sample dashboard (traffic frozen), switches the dashboard to
# the mode (slow: every answer after 2.5 s; trickle: one byte every 0.5 s,
# so each request runs into its whole-request limit), then clicks the HEARD
# and the LIVE tab in turn, ten clicks in all, and times each from the click
# to the screenshot in which the tab is lit. The program runs with
# QSODECK_DESKTOP_LOOP_STATS=1 and the longest pass over the run (default
# 60 s) is read from its "[DESKTOP] loop:" lines (a build without them
# prints "-"). A tap that shows nothing within 35 s counts as lost. Prints
# one line per mode:
#   mode  tap median ms  tap max ms  lost taps  longest loop pass ms
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <build_dir> [seconds] [mode...]" >&2
  exit 2
fi
build_dir="$1"
seconds="${2:-60}"
shift $(($# >= 2 ? 2 : 1))
modes=("$@")
[ ${#modes[@]} -eq 0 ] && modes=(ok slow trickle)
for tool in xdotool xwd convert curl; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# Tab fill points (away from the labels) and tap points.
heard_fill=(167 16)
live_fill=(22 16)
heard_tap=(227 36)
live_tap=(80 36)

# A tap that shows nothing within this time counts as lost (a window
# frozen while the press and the release arrive drops the tap).
tap_limit_ms=35000

now_ms() { date +%s%3N; }

pixel_at() {  # window x y
  xwd -silent -id "$1" | convert xwd:- -crop "1x1+$2+$3" +repage -format '%[pixel:p{0,0}]' info:
}

# Clicks at (tap) and prints the ms until the pixel at (fill) reads colour.
timed_click() {  # window tapx tapy fillx filly colour
  local start
  start="$(now_ms)"
  xdotool mousemove --window "$1" "$2" "$3" mousedown 1
  sleep 0.05
  xdotool mouseup 1
  while [ $(($(now_ms) - start)) -lt "$tap_limit_ms" ]; do
    if [ "$(pixel_at "$1" "$4" "$5")" = "$6" ]; then
      echo $(($(now_ms) - start))
      return 0
    fi
  done
  echo lost
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }

measure_mode() {
  local mode="$1"
  (
    export QSODECK_DESKTOP_LOOP_STATS=1
    source "$bench_dir/../tools/sample_run.inc"
    sample_run_start "$build_dir" --period 3600
    local started
    started="$(now_ms)"
    local control="mode=ok"
    case "$mode" in
      slow) control="mode=slow&delay=2.5" ;;
      trickle) control="mode=trickle&delay=0.5" ;;
    esac
    curl -s "http://127.0.0.1:$SAMPLE_RUN_PORT/_control?$control" >/dev/null
    sleep 3
    local window
    window="$(xdotool search --onlyvisible --name 'Qsodeck - Desktop' | head -n 1)"
    local active
    active="$(pixel_at "$window" "${live_fill[@]}")"
    local times=()
    for i in $(seq 1 10); do
      if [ $((i % 2)) -eq 1 ]; then
        times+=("$(timed_click "$window" "${heard_tap[@]}" "${heard_fill[@]}" "$active")")
      else
        times+=("$(timed_click "$window" "${live_tap[@]}" "${live_fill[@]}" "$active")")
      fi
      sleep 0.5
    done
    local left=$((seconds * 1000 - ($(now_ms) - started)))
    [ "$left" -gt 0 ] && sleep "$(awk -v ms="$left" 'BEGIN { printf "%.1f", ms / 1000 }')"
    local longest
    longest="$(sed -n 's/.*longest pass \([0-9]*\) ms.*/\1/p' "$SAMPLE_RUN_DIR/desktop.log" | sort -n | tail -n 1)"
    local med max lost
    lost="$(printf '%s\n' "${times[@]}" | grep -c lost || true)"
    med="$(printf '%s\n' "${times[@]}" | grep -v lost | median)"
    max="$(printf '%s\n' "${times[@]}" | grep -v lost | sort -n | tail -n 1)"
    printf '%-8s tap median %6s ms  tap max %6s ms  lost taps %2s/10  longest loop pass %6s ms\n' "$mode" \
      "${med:--}" "${max:--}" "$lost" "${longest:--}"
  )
}

for mode in "${modes[@]}"; do
  measure_mode "$mode"
done
