#!/usr/bin/env bash
# Starts the desktop program (used by `make run`).
#
# With a configuration of the user's own (sdcard/config.json or config.json in
# the repository root) the program runs from the repository root against it.
# Without one, the sample dashboard (tools/sample_dashboard.py) is started on a
# free 127.0.0.1 port and the program runs from build/sample-run/, whose sdcard/
# links the repository's sdcard content and holds a generated config.json that
# points the program at the sample dashboard. The dashboard stops when the
# program exits.
#
# QSODECK_SAMPLE_FLAVOUR=wpsd selects the WPSD dashboard (default: pistar).
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <qsodeck binary>" >&2
  exit 2
fi
binary="$(realpath "$1")"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ -f "$repo/sdcard/config.json" ] || [ -f "$repo/config.json" ]; then
  cd "$repo"
  exec "$binary"
fi

flavour="${QSODECK_SAMPLE_FLAVOUR:-pistar}"
case "$flavour" in
  pistar) backend="Pi-Star" ;;
  wpsd) backend="WPSD" ;;
  *) echo "QSODECK_SAMPLE_FLAVOUR must be pistar or wpsd" >&2; exit 2 ;;
esac

run_dir="$repo/build/sample-run"
mkdir -p "$run_dir/sdcard"
# Read-only content is linked; the lookup folder receives downloaded lists, so
# the run gets its own copy and the repository stays untouched.
for entry in "$repo"/sdcard/*; do
  [ -e "$entry" ] || continue
  name="$(basename "$entry")"
  case "$name" in
    config.json|config.json.tmp) continue ;;
    lookup)
      [ -e "$run_dir/sdcard/lookup" ] || cp -r "$entry" "$run_dir/sdcard/lookup"
      continue ;;
  esac
  ln -sfn "$entry" "$run_dir/sdcard/$name"
done

python3 "$repo/tools/sample_dashboard.py" --port 0 --quiet --flavour "$flavour" \
  >"$run_dir/dashboard.out" 2>"$run_dir/dashboard.log" &
dashboard_pid=$!
stop_dashboard() {
  kill "$dashboard_pid" 2>/dev/null || true
  wait "$dashboard_pid" 2>/dev/null || true
}
trap stop_dashboard EXIT

port=""
for _ in $(seq 1 100); do
  port="$(sed -n 's|^sample dashboard listening on http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$run_dir/dashboard.out")"
  [ -n "$port" ] && break
  kill -0 "$dashboard_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "The sample dashboard did not start; see $run_dir/dashboard.log" >&2
  exit 1
fi

# The configuration comes from the sample services themselves (each adds the
# keys that point the program at it); the run adds its own hold time and
# local-time display, and switches the settings page on (127.0.0.1 only;
# QSODECK_WEB_UI_PORT picks another port than 8080).
web_port="${QSODECK_WEB_UI_PORT:-8080}"
python3 "$repo/tools/sample_dashboard.py" --print-config "$port" --flavour "$flavour" \
  --config-extra '"callsign_hold_ms": 12000, "api_utc_to_local_time": true, "web_ui_enabled": true, '"\"web_ui_port\": $web_port" \
  >"$run_dir/sdcard/config.json"

# Talkgroup and reflector names come from list files; fetch them once from
# the sample dashboard with the list tool built next to the program.
lists_tool="$(dirname "$binary")/qsodeck_lists"
if [ -x "$lists_tool" ] && [ ! -s "$run_dir/sdcard/lookup/dmr.txt" ]; then
  (cd "$run_dir" && "$lists_tool" --sdcard "$run_dir/sdcard" \
      --base-url "http://127.0.0.1:$port/digital-radio-lists/" all >"$run_dir/lists.log" 2>&1) ||
    echo "Target lists could not be fetched (see $run_dir/lists.log); names stay empty."
fi

echo "No sdcard/config.json of your own: showing the sample $backend dashboard at http://127.0.0.1:$port/"
echo "(working folder $run_dir; put your configuration in $repo/sdcard/config.json to use your hotspot)"
echo "Settings page: http://127.0.0.1:$web_port/ (the INFO page of the panel shows the code for the first sign-in)"
cd "$run_dir"
status=0
"$binary" || status=$?
exit "$status"
