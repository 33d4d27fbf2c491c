#!/bin/sh
# Builds sdcard/flags/<code>.bmp (32 x 32, 24-bit, uncompressed, bottom-up BMP)
# for every country code of the callsign prefix table in
# enrichment/callsign_country.cpp.
#
# Source: the public-domain famfamfam flag icons (Debian package
# famfamfam-flag-png, 16 x 11 PNG). Each icon is doubled with the point filter
# (exact 2x, no blur) to 32 x 22 and centred on a 32 x 32 canvas filled with the
# panel colour that every flag sits on with the default theme colour #35C2FF
# (panel2 = RGB565 0x0083, shown as #001018), so the padding disappears into
# the panel. Pass another colour as the second argument for other themes. Codes without an icon in the package are
# mapped (uk -> gb, cw -> an) or drawn here from primitives (un, icao, wmo, ss).
#
# Usage: tools/make_flags.sh [output-dir [panel-colour]]   (default: sdcard/flags #001018)
# Needs ImageMagick "convert". The generated files are committed, so a normal
# build never runs this.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/sdcard/flags"}
src=${FLAG_SOURCE_DIR:-/usr/share/flags/countries/16x11}
table="$root/enrichment/callsign_country.cpp"
panel=${2:-'#001018'}

command -v convert >/dev/null 2>&1 || { echo "make_flags: ImageMagick convert is missing" >&2; exit 1; }
[ -d "$src" ] || { echo "make_flags: no flag icons in $src (apt-get install famfamfam-flag-png)" >&2; exit 1; }
[ -f "$table" ] || { echo "make_flags: $table not found" >&2; exit 1; }
mkdir -p "$out"

# Codes of the prefix table rows: lines like   {"de", "DA DB ..."},
codes=$(sed -n 's/^ *{"\([a-z]*\)", "[0-9A-Z ]*"},.*/\1/p' "$table" | sort -u)
[ -n "$codes" ] || { echo "make_flags: no table rows found in $table" >&2; exit 1; }

# 32 x 22 flag image on stdout-free temp file -> centred 32 x 32 BMP.
place() {  # place <32x22 image> <code>
  convert -size 32x32 "xc:$panel" "$1" -gravity center -composite \
    -alpha off -type TrueColor -define bmp:format=bmp3 -compress none "BMP3:$out/$2.bmp"
}

# Emblem flags drawn from primitives (no icon in the package).
draw_special() {  # draw_special <code> <tmp.png>
  case "$1" in
    un)   convert -size 32x22 xc:'#4b92db' -fill none -stroke white -strokewidth 1 \
            -draw 'circle 16,11 16,4' -draw 'circle 16,11 16,8' -draw 'line 16,4 16,18' -draw 'line 9,11 23,11' \
            -draw 'arc 7,17 25,22 200,340' "$2" ;;
    icao) convert -size 32x22 xc:'#009edb' -fill none -stroke white -strokewidth 1 \
            -draw 'circle 16,11 16,5' -draw 'line 16,5 16,17' -draw 'line 5,9 27,9' -draw 'line 8,12 24,12' "$2" ;;
    wmo)  convert -size 32x22 xc:'#0058a6' -fill none -stroke white -strokewidth 1 \
            -draw 'circle 16,11 16,4' -draw 'line 11,8 21,8' -draw 'line 11,11 21,11' -draw 'line 11,14 21,14' "$2" ;;
    ss)   convert -size 32x22 xc:black -fill white -draw 'rectangle 0,6 31,15' \
            -fill '#da121a' -draw 'rectangle 0,7 31,14' -fill '#078930' -draw 'rectangle 0,16 31,21' \
            -fill '#0f47af' -stroke none -draw 'polygon 0,0 14,10 14,11 0,21' \
            -fill '#fcdd09' -draw 'polygon 4,8 5,10 7,11 5,12 4,14 3,12 1,11 3,10' "$2" ;;
    *) return 1 ;;
  esac
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
made=0
for code in $codes; do
  icon=$code
  case "$code" in
    uk) icon=gb ;;
    cw) icon=an ;;  # Curacao: the Netherlands Antilles icon
  esac
  if [ -f "$src/$icon.png" ]; then
    convert "$src/$icon.png" -background "$panel" -alpha remove -alpha off -filter point -resize 200% "$tmp/$code.png"
  elif ! draw_special "$code" "$tmp/$code.png"; then
    echo "make_flags: no source for $code" >&2
    continue
  fi
  place "$tmp/$code.png" "$code"
  made=$((made + 1))
done
echo "make_flags: wrote $made flags to $out"
