#!/bin/sh
# Builds sdcard/adsb/airlines.dat, the airline table the ADS-B pages use to
# turn an ICAO airline code (the first three letters of a flight such as
# DLH4AB) into its IATA code (LH) for the logo file name, from the OpenFlights
# airline table (jpatokal/openflights, Open Database License).
#
# The lines stay exactly as OpenFlights writes them (id, name, alias, IATA,
# ICAO, callsign, country, active; \N for an empty value), but only those
# that can answer a lookup are kept: a three-letter ICAO code and a
# two-character IATA code. The display stops at the first line with the
# wanted ICAO code, so each code keeps one line: its first active airline,
# else its first one. The order of the source is kept otherwise.
#
# Usage: tools/make_airlines.sh [output-file]   (default: sdcard/adsb/airlines.dat)
# Source: ../shared/assets/airlines beside the checkout, or AIRLINES_SOURCE_DIR.
# Needs python3. The generated file and the table's LICENSE are committed.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/sdcard/adsb/airlines.dat"}
src=${AIRLINES_SOURCE_DIR:-"$root/../shared/assets/airlines"}

command -v python3 >/dev/null 2>&1 || { echo "make_airlines: python3 is missing" >&2; exit 1; }
[ -f "$src/airlines.dat" ] || { echo "make_airlines: $src/airlines.dat not found" >&2; exit 1; }
mkdir -p "$(dirname "$out")"

python3 - "$src/airlines.dat" "$out" <<'PY'
import csv
import io
import re
import sys

source, target = sys.argv[1], sys.argv[2]
with open(source, encoding="utf-8", newline="") as f:
    lines = f.read().splitlines(keepends=True)

chosen = {}  # ICAO code -> (index of its line, active)
for index, line in enumerate(lines):
    fields = next(csv.reader(io.StringIO(line)), [])
    if len(fields) < 8:
        continue
    iata, icao, active = fields[3].strip(), fields[4].strip(), fields[7].strip() == "Y"
    if not re.fullmatch(r"[A-Z]{3}", icao) or not re.fullmatch(r"[A-Z0-9]{2}", iata):
        continue
    if icao not in chosen or (active and not chosen[icao][1]):
        chosen[icao] = (index, active)

keep = sorted(index for index, _ in chosen.values())
with open(target, "w", encoding="utf-8", newline="") as f:
    for index in keep:
        line = lines[index]
        f.write(line if line.endswith("\n") else line + "\n")
print("make_airlines: wrote %d of %d airlines to %s" % (len(keep), len(lines), target))
PY
cp "$src/LICENSE" "$(dirname "$out")/LICENSE"
