#!/bin/sh
# Builds sdcard/weather/<code>.png (24 x 24) and <code>_32.png (32 x 32) for
# every OpenWeatherMap icon code, 01d to 50n, from the colour SVG icons of
# basmilius/weather-icons (the "fill" static set, MIT licence).
#
# Sizes: the screensaver draws <code>.png in a 24 x 24 box, the weather pages
# draw <code>_32.png in 32-pixel boxes (and fall back to <code>.png); an
# image larger than its box is not drawn at all. Each SVG is rendered large,
# trimmed to its drawing, scaled to fit the square and centred on a
# transparent background, so the theme's panel shows through. The dark-blue
# rain drops of the set are lightened so that they stay visible on the dark
# default panels.
#
# Usage: tools/make_weather_icons.sh [output-dir]   (default: sdcard/weather)
# Source: ../shared/assets/weather-icons beside the checkout, or
# WEATHER_ICON_SOURCE_DIR. Needs rsvg-convert (librsvg2-bin) and ImageMagick
# "convert". The generated files and the set's LICENSE are committed, so a
# normal build never runs this.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/sdcard/weather"}
src=${WEATHER_ICON_SOURCE_DIR:-"$root/../shared/assets/weather-icons"}

command -v rsvg-convert >/dev/null 2>&1 || { echo "make_weather_icons: rsvg-convert is missing (librsvg2-bin)" >&2; exit 1; }
command -v convert >/dev/null 2>&1 || { echo "make_weather_icons: ImageMagick convert is missing" >&2; exit 1; }
[ -f "$src/LICENSE" ] || { echo "make_weather_icons: no weather icons in $src" >&2; exit 1; }
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# code  day icon  night icon
map='01 clear-day clear-night
02 partly-cloudy-day partly-cloudy-night
03 cloudy cloudy
04 overcast overcast
09 rain rain
10 partly-cloudy-day-rain partly-cloudy-night-rain
11 thunderstorms-day thunderstorms-night
13 snow snow
50 fog-day fog-night'

render() {  # render <svg name> <code with d/n>
  [ -f "$src/$1.svg" ] || { echo "make_weather_icons: $src/$1.svg not found" >&2; exit 1; }
  sed -e 's/#0b65ed/#6cb4ff/g' -e 's/#0a5ad4/#4ea3ff/g' -e 's/#0950bc/#3a93f5/g' "$src/$1.svg" >"$tmp/$1.svg"
  rsvg-convert -w 512 -h 512 "$tmp/$1.svg" -o "$tmp/$2-big.png"
  for size in 24 32; do
    name=$2.png
    [ $size -eq 32 ] && name=$2_32.png
    convert "$tmp/$2-big.png" -trim +repage -resize "${size}x${size}" -gravity center -background none \
      -extent "${size}x${size}" -strip -define png:exclude-chunk=date,time "PNG32:$out/$name"
  done
}

echo "$map" | while read -r code day night; do
  render "$day" "${code}d"
  render "$night" "${code}n"
done
made=$(ls "$out" | grep -c '\.png$')
cp "$src/LICENSE" "$out/LICENSE"
echo "make_weather_icons: $made icons in $out"
