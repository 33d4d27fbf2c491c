#!/usr/bin/env python3
"""Idle CPU and PSS of the real program on each page, every source on.

  python3 bench/page_table.py <build_dir> [--seconds 30] [--settle 8] [--refresh-ms 1500]

One run of <build_dir>/qsodeck under X (a private Xvfb when no display
answers) against the sample services with the hotspot's traffic frozen (one
transmission per hour); the program goes to each page in turn (hotspot LIVE
and HEARD, both pages of every watch source, the alert popup over LIVE),
waits --settle seconds, then reads its CPU time over --seconds and its PSS.
The hotspot is polled every --refresh-ms (the demo's 1500 by default; the
other sources keep the soak's shortest cadences: weather every minute,
ADS-B every 5 s).
Prints one line per page: CPU as % of one core, PSS in kB. The sources keep
polling on their own cadences meanwhile (the shown source's poll included),
as they do for a user; the ADS-B receiver's aircraft keep moving.
"""

import argparse
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import soak  # noqa: E402  (same folder: the run helpers)

# (name, taps to reach the page from anywhere). The WATCH tab opens the
# chooser; the chooser's buttons and the tabs are those of soak.py.
PAGES = [
    ("alert popup over LIVE", None),
    ("hotspot LIVE", [soak.TABS["WATCH"], soak.CHOOSER["MMDVM"]]),
    ("hotspot HEARD", [soak.TABS["HEARD"]]),
    ("SvxLink node", [soak.TABS["WATCH"], soak.CHOOSER["SVXLINK"]]),
    ("SvxLink heard", [soak.TABS["HEARD"]]),
    ("APRS location", [soak.TABS["WATCH"], soak.CHOOSER["APRS"]]),
    ("APRS radar", [soak.TABS["HEARD"]]),
    ("weather", [soak.TABS["WATCH"], soak.CHOOSER["WEATHER"]]),
    ("weather forecast", [soak.TABS["HEARD"]]),
    ("HamQSL", [soak.TABS["WATCH"], soak.CHOOSER["HAMQSL"]]),
    ("ADS-B tracker", [soak.TABS["WATCH"], soak.CHOOSER["ADSB"]]),
    ("ADS-B radar", [soak.TABS["HEARD"]]),
]


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        rest = f.read().rsplit(")", 1)[1].split()
    return int(rest[11]) + int(rest[12])


def window_args(doc, argv):
    """The measuring scripts' arguments: build_dir, --seconds, --settle, --refresh-ms."""
    p = argparse.ArgumentParser(description=doc.split("\n")[0])
    p.add_argument("build_dir")
    p.add_argument("--seconds", type=float, default=30)
    p.add_argument("--settle", type=float, default=8)
    p.add_argument("--refresh-ms", type=int, default=1500)
    return p.parse_args(argv)


def main(argv):
    args = window_args(__doc__, argv)
    work = tempfile.mkdtemp(prefix="qsodeck-pages-")
    xvfb = soak.start_display(work)
    services = proc = None
    try:
        # Frozen hotspot traffic (one transmission per hour), the screen on.
        services, port = soak.start_services(work, 9, period=3600)
        soak.write_config(work, port, extra_keys='"screensaver_enabled": false, "refresh_ms": %d' % args.refresh_ms)
        proc = soak.start_program(os.path.realpath(os.path.join(args.build_dir, "qsodeck")), work, {})
        log = soak.Log(os.path.join(work, "desktop.log"))
        while log.find("[WARN][ALERT]") is None:
            if proc.poll() is not None:
                raise SystemExit("the program ended")
            time.sleep(0.2)
        win = soak.window_id()
        hz = os.sysconf("SC_CLK_TCK")
        print("%-24s %12s %10s" % ("page", "idle CPU", "PSS"))
        for name, taps in PAGES:
            if taps is None:
                time.sleep(2)
            else:
                if name == "hotspot LIVE":
                    soak.click(win, *soak.ALERT_CLOSE)
                    time.sleep(0.5)
                for x, y in taps:
                    soak.click(win, x, y)
                    time.sleep(0.6)
            soak.subprocess.run(["xdotool", "mousemove", "--window", win, "790", "300"])
            time.sleep(args.settle)
            t0, c0 = time.time(), cpu_ticks(proc.pid)
            time.sleep(args.seconds)
            t1, c1 = time.time(), cpu_ticks(proc.pid)
            cpu = 100.0 * (c1 - c0) / hz / (t1 - t0)
            print("%-24s %10.2f %% %7d kB" % (name, cpu, soak.pss_kb(proc.pid)), flush=True)
        log.stop.set()
    finally:
        soak.stop_processes(proc, services, xvfb)
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
