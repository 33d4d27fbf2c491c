#!/usr/bin/env bash
# Runs a command with an X display: the user's own when there is one,
# otherwise a private Xvfb server that is stopped afterwards.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$@"
