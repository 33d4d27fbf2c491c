#!/usr/bin/env bash
# The program beside a kiosk browser showing the same data, in one run.
#
#   bench/kiosk_compare.sh <build_dir> [seconds]
#
# Starts, on one X display (a private Xvfb when no display answers), the
# program on its LIVE page against the sample dashboard with frozen traffic
# (every answer carries the same bytes) and Debian's chromium in --kiosk
# mode showing a page that fetches the same last-heard JSON every 1.5 s and
# draws it as a table. After the settling time both are measured over the
# same window (default 30 s): CPU use as a percentage of one core (for the
# browser, all of its processes) and proportional memory (PSS, summed over
# the browser's processes).
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 <build_dir> [seconds]" >&2
  exit 2
fi
build_dir="$1"
seconds="${2:-30}"
settle_seconds=15
browser="$(command -v chromium || true)"
if [ -z "$browser" ]; then
  echo "chromium is not installed (apt-get install chromium)" >&2
  exit 1
fi
source "$(dirname "${BASH_SOURCE[0]}")/../tools/sample_run.inc"

sample_run_start "$build_dir" --frozen
page="$SAMPLE_RUN_DIR/kiosk.html"
cat >"$page" <<EOF
<!doctype html>
<html><head><meta charset="utf-8"><title>Last heard</title>
<style>
  body { margin: 0; background: #0b1220; color: #e6edf5; font: 18px sans-serif; }
  table { width: 100%; border-collapse: collapse; }
  td, th { padding: 6px 10px; border-bottom: 1px solid #243047; text-align: left; }
</style></head>
<body><h2 id="state">LIVE</h2><table id="heard"></table>
<script>
const url = "http://127.0.0.1:$SAMPLE_RUN_PORT/api/last_heard.php";
function cell(text) { const td = document.createElement("td"); td.textContent = text; return td; }
async function poll() {
  try {
    const records = await (await fetch(url, { cache: "no-store" })).json();
    const table = document.getElementById("heard");
    table.replaceChildren();
    for (const r of records) {
      const tr = document.createElement("tr");
      for (const key of ["time_utc", "callsign", "mode", "target", "src", "duration", "loss"]) tr.append(cell(r[key]));
      table.append(tr);
    }
    document.getElementById("state").textContent = "LIVE " + new Date().toLocaleTimeString();
  } catch (e) {
    document.getElementById("state").textContent = "error: " + e;
  }
}
poll();
setInterval(poll, 1500);
</script></body></html>
EOF

sandbox=()
[ "$(id -u)" = "0" ] && sandbox=(--no-sandbox)
"$browser" --kiosk --noerrdialogs --disable-infobars --no-first-run --password-store=basic \
  --user-data-dir="$SAMPLE_RUN_DIR/chromium" --disable-web-security "${sandbox[@]}" \
  --window-size=800,480 "file://$page" >"$SAMPLE_RUN_DIR/chromium.log" 2>&1 &
browser_pid=$!
stop_all() {
  kill -TERM "$browser_pid" 2>/dev/null || true
  wait "$browser_pid" 2>/dev/null || true
  sample_run_stop
}
trap stop_all EXIT
sleep "$settle_seconds"

# The browser's process and all its descendants.
tree_pids() {
  local pids=("$1") i=0
  while [ "$i" -lt "${#pids[@]}" ]; do
    local child
    for child in $(pgrep -P "${pids[$i]}" 2>/dev/null || true); do pids+=("$child"); done
    i=$((i + 1))
  done
  echo "${pids[@]}"
}
# "<pid> <ticks>" per process.
ticks_of() {
  local pid
  for pid in "$@"; do
    [ -r "/proc/$pid/stat" ] && echo "$pid $(sample_run_cpu_ticks "$pid" 2>/dev/null || echo 0)"
  done
}
pss_kb_of() {
  local pid total=0 kb
  for pid in "$@"; do
    kb="$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)"
    total=$((total + ${kb:-0}))
  done
  echo "$total"
}

hz="$(getconf CLK_TCK)"
read -r -a before_pids <<<"$(tree_pids "$browser_pid")"
browser_before="$(ticks_of "${before_pids[@]}")"
program_before="$(sample_run_cpu_ticks "$SAMPLE_RUN_PID")"
start_ns="$(date +%s%N)"
sleep "$seconds"
read -r -a after_pids <<<"$(tree_pids "$browser_pid")"
browser_after="$(ticks_of "${after_pids[@]}")"
program_after="$(sample_run_cpu_ticks "$SAMPLE_RUN_PID")"
end_ns="$(date +%s%N)"
browser_pss="$(pss_kb_of "${after_pids[@]}")"
program_pss="$(awk '/^Pss:/ { print $2 }' "/proc/$SAMPLE_RUN_PID/smaps_rollup")"

# Browser CPU: processes that lived through the window count their
# difference, the ones started during it all their time.
browser_ticks="$(awk 'NR == FNR { t0[$1] = $2; next } { total += $2 - ($1 in t0 ? t0[$1] : 0) } END { print total + 0 }' \
  <(echo "$browser_before") <(echo "$browser_after"))"
awk -v p="$((program_after - program_before))" -v b="$browser_ticks" -v hz="$hz" -v n0="$start_ns" -v n1="$end_ns" \
  -v pp="$program_pss" -v bp="$browser_pss" -v procs="${#after_pids[@]}" 'BEGIN {
  wall = (n1 - n0) / 1e9
  pc = 100 * p / hz / wall; bc = 100 * b / hz / wall
  printf "program: %.2f%% of one core, PSS %.1f MiB\n", pc, pp / 1024
  printf "kiosk browser (%d processes): %.2f%% of one core, PSS %.1f MiB\n", procs, bc, bp / 1024
  if (pc > 0) printf "browser / program: %.1fx the CPU, %.1fx the PSS (%.1f s window)\n", bc / pc, bp / pp, wall
  else printf "browser / program: the program used no measurable CPU; %.1fx the PSS (%.1f s window)\n", bp / pp, wall
}'
