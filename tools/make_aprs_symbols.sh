#!/bin/sh
# Builds sdcard/aprs/<col><row>.png (32 x 32, 8-bit RGBA, transparent
# background) for every symbol of the primary ("/") and alternate ("\")
# APRS tables, from the 32-pixel sprite sheets of hessu/aprs-symbols.
#
# Each sheet holds the codes 33 ("!") to 126 ("~") in rows of 16: code c sits
# in column (c - 33) mod 16 and row (c - 33) div 16; the alternate table's
# rows count on from 6. The file name is the column followed by the row
# ("/>" is 131.png, "\>" 137.png). Column 1 of the alternate rows 10 and 11
# would give the names 110 and 111, which already belong to the primary
# symbols "," and "<" (column 11, rows 0 and 1): those two alternate symbols
# are not written (the display shows its marker for them).
#
# Usage: tools/make_aprs_symbols.sh [output-dir]   (default: sdcard/aprs)
# Source: ../shared/assets/aprs-symbols beside the checkout, or
# APRS_SYMBOL_SOURCE_DIR. Needs ImageMagick "convert". The generated files
# and the set's COPYRIGHT.md are committed, so a normal build never runs this.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/sdcard/aprs"}
src=${APRS_SYMBOL_SOURCE_DIR:-"$root/../shared/assets/aprs-symbols"}

command -v convert >/dev/null 2>&1 || { echo "make_aprs_symbols: ImageMagick convert is missing" >&2; exit 1; }
for f in aprs-symbols-32-0.png aprs-symbols-32-1.png COPYRIGHT.md; do
  [ -f "$src/$f" ] || { echo "make_aprs_symbols: $src/$f not found" >&2; exit 1; }
done
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

made=0
for table in 0 1; do
  # 16 x 6 tiles, numbered row by row.
  convert "$src/aprs-symbols-32-$table.png" -crop 32x32 +repage "$tmp/t$table-%02d.png"
  i=0
  while [ $i -lt 94 ]; do
    col=$((i % 16))
    row=$((i / 16 + table * 6))
    i=$((i + 1))
    if [ $col -eq 1 ] && [ $row -ge 10 ]; then continue; fi
    tile=$(printf '%s/t%d-%02d.png' "$tmp" "$table" $((i - 1)))
    convert "$tile" -strip -define png:exclude-chunk=date,time "PNG32:$out/$col$row.png"
    made=$((made + 1))
  done
done
cp "$src/COPYRIGHT.md" "$out/COPYRIGHT.md"
echo "make_aprs_symbols: wrote $made symbols to $out"
