#!/usr/bin/env bash
# Makes the README screenshots from a real run of the program against the
# sample dashboard (under a private Xvfb when no display answers):
#   docs/screenshot-live.png   the LIVE page with a caller on the air
#   docs/screenshot-heard.png  the HEARD page, reached by clicking its tab
#
#   tools/make_screenshots.sh [build_dir]     (default: build)
#
# Needs xdotool and ImageMagick (import, convert). The sample traffic uses a
# fixed seed; the newest station at the start is VK2RTE on DMR, so the LIVE
# page shows a flag, a looked-up name, a talkgroup, an RSSI and frequencies.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-$repo/build}"
for tool in xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (apt-get install xdotool imagemagick)" >&2; exit 2; }
done
mkdir -p "$repo/docs"

# A short hold lets the two-timeslot panel of the first poll give way to the
# caller's own panel within seconds; polls every 500 ms keep the caller live.
export SAMPLE_RUN_REFRESH_MS=500
export SAMPLE_RUN_EXTRA_KEYS='  "callsign_hold_ms": 3000,'
source "$repo/tools/sample_run.inc"
sample_run_start "$build_dir" --period 60 --seed 9

window=""
for _ in $(seq 1 100); do
  window="$(xdotool search --onlyvisible --name 'Qsodeck - Desktop' 2>/dev/null | head -n 1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "the program's window did not appear" >&2
  exit 1
fi

shot="$SAMPLE_RUN_DIR/shot.png"
# Number of colours in a box of the last screenshot (a flag has many).
colours_in() { convert "$shot" -crop "$1" +repage -unique-colors -format '%w' info:; }
# Colour of one pixel of the last screenshot.
pixel_at() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }

# LIVE: wait for the name lookup and for the flag in the caller's panel.
ready=0
for _ in $(seq 1 100); do
  if grep -q "Callsign lookup found" "$SAMPLE_RUN_DIR/desktop.log"; then
    import -silent -window "$window" "$shot"
    if [ "$(colours_in 80x64+60+217)" -ge 8 ]; then
      ready=1
      break
    fi
  fi
  sleep 0.2
done
if [ "$ready" != 1 ]; then
  echo "the LIVE page never showed the caller's flag; last screenshot in $shot" >&2
  QSODECK_KEEP_RUN_DIR=1
  exit 1
fi
cp "$shot" "$repo/docs/screenshot-live.png"
echo "wrote docs/screenshot-live.png"
active_tab="$(pixel_at 22 16)"

# HEARD: click the tab (a press held briefly, as a finger would).
xdotool mousemove --window "$window" 227 36
xdotool mousedown 1
sleep 0.15
xdotool mouseup 1
xdotool mousemove --window "$window" 790 300
ready=0
for _ in $(seq 1 50); do
  sleep 0.2
  import -silent -window "$window" "$shot"
  # The HEARD tab is lit the way the LIVE tab was.
  if [ "$(pixel_at 167 16)" = "$active_tab" ]; then
    ready=1
    break
  fi
done
if [ "$ready" != 1 ]; then
  echo "the HEARD page did not appear after the click" >&2
  exit 1
fi
sleep 0.5
import -silent -window "$window" "$shot"
cp "$shot" "$repo/docs/screenshot-heard.png"
echo "wrote docs/screenshot-heard.png"
