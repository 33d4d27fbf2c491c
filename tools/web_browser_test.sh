#!/usr/bin/env bash
# The settings page in a real browser: starts the program against the sample
# dashboard with the page on, then lets headless Chromium sign in and change
# settings through the form (tools/web_browser_check.py).
# Usage: tools/web_browser_test.sh <build_dir> [screenshot_dir]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$(realpath "${1:?build dir}")"
shots="${2:-}"
# shellcheck source=tools/sample_run.inc
. "$repo/tools/sample_run.inc"

web_port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
password="browser-test-pw"
SAMPLE_RUN_EXTRA_KEYS="\"web_ui_enabled\": true, \"web_ui_port\": $web_port, \"web_ui_password\": \"$password\""
sample_run_start "$build_dir"
for _ in $(seq 1 100); do
  grep -q "Web UI listening on" "$SAMPLE_RUN_DIR/desktop.log" 2>/dev/null && break
  sleep 0.1
done
args=(--base "http://127.0.0.1:$web_port" --password "$password" --config "$SAMPLE_RUN_DIR/sdcard/config.json")
[ -n "$shots" ] && args+=(--shots "$(realpath "$shots")")
python3 "$repo/tools/web_browser_check.py" "${args[@]}"
