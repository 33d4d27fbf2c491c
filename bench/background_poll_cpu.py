#!/usr/bin/env python3
"""Idle CPU on the weather page with and without the hotspot's background poll.

  python3 bench/background_poll_cpu.py <build_dir> [--seconds 30] [--settle 8] [--refresh-ms 1500]

Two runs of <build_dir>/qsodeck under X (a private Xvfb when no display
answers) against the sample services, each started on the weather page with
the screen on: the first with "hotspot_background_poll": false (nothing
polls the hotspot while the weather page is shown), the second with it on
(the hotspot's last-heard list every max(--refresh-ms, 3000) ms, applied to
the hotspot's own list, the banner over the page while a transmission is
live). The hotspot's traffic keeps moving (a transmission every 6 s), so
the second run also draws the banner. Both runs share one X display. Prints the CPU use of each run as a
percentage of one core and the number of last-heard requests the dashboard
saw during the window.
"""

import json
import os
import shutil
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import soak  # noqa: E402  (same folder: the run helpers)
from page_table import cpu_ticks, window_args  # noqa: E402


def heard_requests(port):
    with urllib.request.urlopen("http://127.0.0.1:%d/_control/requests" % port, timeout=5) as r:
        text = r.read().decode("utf-8", "replace")
    return text.count("/api/last_heard.php")


def one_run(args, background):
    work = tempfile.mkdtemp(prefix="qsodeck-bgpoll-")
    services = proc = None
    try:
        services, port = soak.start_services(work, 9, period=6)
        keys = ('"screensaver_enabled": false, "refresh_ms": %d, "start_page_after_boot": "weather", '
                '"hotspot_background_poll": %s, "noaa_enabled": false'
                % (args.refresh_ms, json.dumps(background)))
        soak.write_config(work, port, extra_keys=keys)
        proc = soak.start_program(os.path.realpath(os.path.join(args.build_dir, "qsodeck")), work, {})
        soak.window_id()
        time.sleep(args.settle)
        hz = os.sysconf("SC_CLK_TCK")
        r0 = heard_requests(port)
        t0, c0 = time.time(), cpu_ticks(proc.pid)
        time.sleep(args.seconds)
        t1, c1 = time.time(), cpu_ticks(proc.pid)
        r1 = heard_requests(port)
        if proc.poll() is not None:
            raise SystemExit("the program ended during the measurement; see %s/desktop.log" % work)
        return 100.0 * (c1 - c0) / hz / (t1 - t0), r1 - r0
    finally:
        soak.stop_processes(proc, services)
        shutil.rmtree(work, ignore_errors=True)


def main(argv):
    args = window_args(__doc__, argv)
    display_dir = tempfile.mkdtemp(prefix="qsodeck-bgpoll-x-")
    xvfb = soak.start_display(display_dir)
    try:
        print("%-28s %10s %18s" % ("weather page", "idle CPU", "last-heard requests"))
        for background in (False, True):
            cpu, requests = one_run(args, background)
            name = "background poll " + ("on" if background else "off")
            print("%-28s %8.2f %% %18d" % (name, cpu, requests), flush=True)
    finally:
        soak.stop_processes(xvfb)
        shutil.rmtree(display_dir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
