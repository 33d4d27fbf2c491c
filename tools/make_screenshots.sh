#!/usr/bin/env bash
# Makes the README screenshots from a real run of the program against the
# sample services (under a private Xvfb when no display answers), every
# source on as in `make run`:
#   docs/screenshot-alert.png          the weather-alert popup over the LIVE page
#   docs/screenshot-live.png           the hotspot's LIVE page with a caller on the air
#   docs/screenshot-heard.png          the hotspot's HEARD page
#   docs/screenshot-svxlink-live.png   the SvxLink node page, and -heard its heard list
#   docs/screenshot-aprs-live.png      APRS LOCATION, and -radar APRS AREA RADAR
#   docs/screenshot-weather-live.png   WEATHER WATCH, and -forecast WEATHER FORECAST
#   docs/screenshot-hamqsl.png         HAMQSL WATCH (its only page)
#   docs/screenshot-adsb-live.png      ADSB TRACKER, and -radar ADSB RADAR
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
export SAMPLE_RUN_ALERT=1
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
log="$SAMPLE_RUN_DIR/desktop.log"
# Number of colours in a box of the last screenshot (a flag has many).
colours_in() { convert "$shot" -crop "$1" +repage -unique-colors -format '%w' info:; }
# Colour of one pixel of the last screenshot.
pixel_at() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
take() { import -silent -window "$window" "$shot"; }
keep() {
  cp "$shot" "$repo/docs/$1"
  echo "wrote docs/$1"
}
# A tap as a finger gives it: a press held briefly.
tap() {
  xdotool mousemove --window "$window" "$1" "$2" mousedown 1
  sleep 0.15
  xdotool mouseup 1
  xdotool mousemove --window "$window" 790 300
  sleep 0.4
}
# Waits until the log holds a line (at most $2 tenths of a second).
wait_for_log() {
  for _ in $(seq 1 "${2:-300}"); do
    grep -q "$1" "$log" && return 0
    sleep 0.1
  done
  echo "no \"$1\" in the log" >&2
  return 1
}

# The weather warning of the demo pops up over the LIVE page; CLOSE.
wait_for_log '\[WARN\]\[ALERT\] NOAA: '
sleep 1.5
take
keep screenshot-alert.png
tap 399 390

# LIVE: wait for the name lookup and for the flag in the caller's panel.
ready=0
for _ in $(seq 1 100); do
  if grep -q "Callsign lookup found" "$log"; then
    take
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
keep screenshot-live.png
active_tab="$(pixel_at 22 16)"

# HEARD: the tab lights the way the WATCH tab did.
tap 227 36
ready=0
for _ in $(seq 1 50); do
  sleep 0.2
  take
  if [ "$(pixel_at 167 16)" = "$active_tab" ]; then
    ready=1
    break
  fi
done
if [ "$ready" != 1 ]; then
  echo "the HEARD page did not appear after the tap" >&2
  exit 1
fi
sleep 0.5
take
keep screenshot-heard.png

# The watch sources, chosen in the WATCH tab's chooser (six options in two
# columns: the centres of their buttons), each given time for its answers.
choose() {
  tap 82 36
  tap "$1" "$2"
  sleep "$3"
  take
}
# The source's second page (the tab beside WATCH), taken after $1 seconds.
second_page() {
  tap 227 36
  sleep "$1"
  take
}
# APRS first: its first request asks for the hotspot's caller shown above.
choose 239 274 6
keep screenshot-aprs-live.png
second_page 2
keep screenshot-aprs-radar.png

choose 559 194 6
keep screenshot-svxlink-live.png
second_page 2
keep screenshot-svxlink-heard.png

choose 559 274 4
keep screenshot-weather-live.png
second_page 3
keep screenshot-weather-forecast.png

choose 239 354 4
keep screenshot-hamqsl.png

choose 559 354 7
keep screenshot-adsb-live.png
second_page 3
keep screenshot-adsb-radar.png
