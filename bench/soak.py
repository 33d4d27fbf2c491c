#!/usr/bin/env python3
"""All-sources soak: the real program with every watch source on, through
service faults and a clicking user, and the configuration through SIGKILLs.

  python3 bench/soak.py <build_dir> [--minutes 30] [--seed 1] [--kill-runs 20]
                       [--sample-minutes 10] [--samples-csv FILE] [--wrapper "heaptrack -o FILE"]

Runs <build_dir>/qsodeck under X (a private Xvfb when no display answers)
against the sample services (tools/sample_dashboard.py: hotspot, RadioID,
SvxLink, APRS, ADS-B, weather, HamQSL, a NOAA alert) with every source at
its shortest cadence. On a seeded schedule it switches one service at a
time from good answers to a misbehaviour mode (HTTP errors, slow, trickle,
truncate, garbage, HTML instead of JSON, empty, drop) for a while and back,
and clicks through the tabs, the watch-source chooser, rows, popups and the
brightness slider with xdotool. It reports:
  - the exit status at the end (SIGTERM) and any crash or sanitizer report,
  - PSS at start, after the warm-up and at the end (/proc/PID/smaps_rollup),
    and every --sample-minutes anonymous memory (RssAnon), PSS and the
    longest main-loop pass of that stretch, as a table (and --samples-csv),
  - the longest main-loop pass (QSODECK_DESKTOP_LOOP_STATS lines),
  - for every fault, whether its source recovered: the first good answer
    (an HTTP 200 of one of the service's paths) after the fault ended.
Then, with --kill-runs N, N short runs move the brightness slider again and
again and are killed with SIGKILL at a random moment; after each, config.json
must parse and hold every key with its last saved value.
"""

import argparse
import json
import os
import random
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
MODES = (("http-error", {"code": "500"}), ("http-error", {"code": "503"}), ("slow", {"delay": "2.5"}),
         ("trickle", {"delay": "0.5"}), ("truncate", {}), ("garbage", {}), ("html", {}), ("empty", {}),
         ("drop", {}))
# Chooser buttons with every source on (six options, two columns): centres.
CHOOSER = {"MMDVM": (239, 194), "SVXLINK": (559, 194), "APRS": (239, 274), "WEATHER": (559, 274),
           "HAMQSL": (239, 354), "ADSB": (559, 354)}
TABS = {"WATCH": (82, 36), "HEARD": (227, 36), "STATUS": (372, 36), "INFO": (517, 36), "ABOUT": (700, 36)}
SLIDER_Y = 394
ALERT_CLOSE = (399, 390)
REFRESH = (652, 110)
# Every program and service started, stopped at the end whatever happened.
STARTED = []
# The program's own process under a wrapper: (pid, binary).
WRAPPED = []
TOUR_SECONDS = 60


class Log:
    """Follows desktop.log and keeps each line with the time it appeared."""

    def __init__(self, path):
        self.path = path
        self.lines = []
        self.lock = threading.Lock()
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self._follow, daemon=True)
        self.thread.start()

    def _follow(self):
        pos = 0
        pending = b""
        while not self.stop.is_set():
            try:
                with open(self.path, "rb") as f:
                    f.seek(pos)
                    data = f.read()
                    pos += len(data)
            except OSError:
                data = b""
            if data:
                pending += data
                *complete, pending = pending.split(b"\n")
                now = time.time()
                with self.lock:
                    self.lines.extend((now, line.decode("utf-8", "replace")) for line in complete)
            time.sleep(0.2)

    def find(self, needle, after=0.0):
        with self.lock:
            for t, line in self.lines:
                if t >= after and needle in line:
                    return t
        return None

    def all(self):
        with self.lock:
            return list(self.lines)


def start_display(work):
    if os.environ.get("DISPLAY") and subprocess.call(["xdpyinfo"], stdout=subprocess.DEVNULL,
                                                      stderr=subprocess.DEVNULL) == 0:
        return None
    # Other programs on the machine start (and clean up after) X servers too,
    # so the number is one with neither a socket nor a lock file, tried again
    # when the server still loses it.
    rng = random.Random()
    for _ in range(10):
        number = str(rng.randint(200, 999))
        if os.path.exists("/tmp/.X11-unix/X" + number) or os.path.exists("/tmp/.X%s-lock" % number):
            continue
        # -noreset: by default the server resets when its last client leaves, and
        # a program started during the reset finds no display (SDL then falls
        # back to an offscreen window that xdotool never sees).
        xvfb = subprocess.Popen(["Xvfb", ":" + number, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
                                stderr=open(os.path.join(work, "xvfb.log"), "a"))
        for _ in range(50):
            time.sleep(0.2)
            if xvfb.poll() is not None or subprocess.call(["xdpyinfo", "-display", ":" + number],
                                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) == 0:
                break
        if xvfb.poll() is None:
            os.environ["DISPLAY"] = ":" + number
            return xvfb
        xvfb.wait()
    raise SystemExit("no X display could be started (see xvfb.log)")


def start_services(work, seed, period=6):
    out = open(os.path.join(work, "dashboard.out"), "w+")
    proc = subprocess.Popen([sys.executable, os.path.join(REPO, "tools", "sample_dashboard.py"), "--port", "0",
                             "--quiet", "--period", str(period), "--seed", str(seed)], stdout=out,
                            stderr=open(os.path.join(work, "dashboard.log"), "w"))
    STARTED.append(proc)
    for _ in range(100):
        out.seek(0)
        m = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", out.read())
        if m:
            return proc, int(m.group(1))
        time.sleep(0.1)
    raise SystemExit("the sample services did not start")


def routes():
    text = subprocess.check_output([sys.executable, os.path.join(REPO, "tools", "sample_dashboard.py"),
                                    "--print-routes"], text=True)
    out = {}
    for line in text.splitlines():
        scope, path = line.split(" ", 1)
        out.setdefault(scope, []).append(path.rstrip("*"))
    return out


def write_config(work, port, omit=(), extra_keys=""):
    sd = os.path.join(work, "sdcard")
    os.makedirs(sd, exist_ok=True)
    for name in os.listdir(os.path.join(REPO, "sdcard")):
        if name.startswith("config.json"):
            continue
        src = os.path.join(REPO, "sdcard", name)
        if name == "lookup":
            shutil.copytree(src, os.path.join(sd, name), dirs_exist_ok=True)
        elif not os.path.exists(os.path.join(sd, name)):
            os.symlink(src, os.path.join(sd, name))
    extra = ('"refresh_ms": 500, "adsb_refresh_seconds": 5, "weather_refresh_minutes": 1, '
             '"screensaver_enabled": true, "screensaver_timeout_ms": 45000')
    command = [sys.executable, os.path.join(REPO, "tools", "sample_dashboard.py"), "--print-config", str(port),
               "--config-extra", extra, "--config-extra", extra_keys]
    for key in omit:
        command += ["--config-omit", key]
    text = subprocess.check_output(command, text=True)
    with open(os.path.join(sd, "config.json"), "w") as f:
        f.write(text)
    return json.loads(text)


def start_program(binary, work, env_extra, wrapper=()):
    env = dict(os.environ)
    for key in ("SDL_VIDEODRIVER", "QSODECK_DESKTOP_HOLD_LOOP", "QSODECK_DESKTOP_NETWORK",
                "QSODECK_DESKTOP_SDL_EVENTS", "QSODECK_DESKTOP_ACCEL"):
        env.pop(key, None)
    env.update(env_extra)
    proc = subprocess.Popen(list(wrapper) + [binary], cwd=work, env=env, stdout=open(os.path.join(work, "stdout.txt"), "ab"),
                            stderr=subprocess.STDOUT)
    STARTED.append(proc)
    return proc


def stop_processes(*procs):
    """Ends each process still running (None entries are skipped) and waits for it."""
    for proc in procs:
        if proc is not None and proc.poll() is None:
            proc.terminate()
        if proc is not None:
            proc.wait()


def proc_kb(path, key):
    """A "Key:   N kB" line of a /proc file, -1 when it cannot be read."""
    try:
        with open(path) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return -1


def pss_kb(pid):
    return proc_kb("/proc/%d/smaps_rollup" % pid, "Pss")


def program_pid(proc, binary, timeout=30):
    """The program's own process: proc itself, or under a wrapper (heaptrack,
    valgrind) the descendant running the binary."""
    end = time.time() + timeout
    while time.time() < end:
        try:
            if os.path.realpath("/proc/%d/exe" % proc.pid) == binary:
                return proc.pid
        except OSError:
            pass
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                if os.path.realpath("/proc/%s/exe" % entry) != binary:
                    continue
                pid, ancestor = int(entry), int(entry)
                while ancestor > 1:
                    with open("/proc/%d/stat" % ancestor) as f:
                        ancestor = int(f.read().rsplit(")", 1)[1].split()[1])
                    if ancestor == proc.pid:
                        return pid
            except (OSError, ValueError, IndexError):
                continue
        time.sleep(0.2)
    return proc.pid


class Sampler(threading.Thread):
    """Every interval: minutes since start, RssAnon (kB), PSS (kB)."""

    def __init__(self, pid, started, interval):
        super().__init__(daemon=True)
        self.pid, self.started, self.interval = pid, started, interval
        self.samples = []
        self.stop = threading.Event()

    def take(self):
        self.samples.append(((time.time() - self.started) / 60, proc_kb("/proc/%d/status" % self.pid, "RssAnon"),
                             pss_kb(self.pid), time.time()))

    def run(self):
        self.take()
        while not self.stop.wait(self.interval):
            self.take()


def window_id(timeout=30):
    end = time.time() + timeout
    error = ""
    while time.time() < end:
        run = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Qsodeck - Desktop"],
                             capture_output=True, text=True)
        out = run.stdout.split()
        if out:
            return out[0]
        error = run.stderr.strip()
        time.sleep(0.2)
    raise SystemExit("the program's window did not appear on %s %s" % (os.environ.get("DISPLAY"), error))


def click(win, x, y, hold=0.08):
    subprocess.run(["xdotool", "mousemove", "--window", win, str(x), str(y), "mousedown", "1"])
    time.sleep(hold)
    subprocess.run(["xdotool", "mouseup", "1"])


def control(port, query):
    try:
        urllib.request.urlopen("http://127.0.0.1:%d/_control%s" % (port, query), timeout=5).read()
    except OSError:
        pass


class Clicker(threading.Thread):
    """A user: tabs, the chooser, rows, popups, REFRESH and the slider."""

    def __init__(self, win, rng):
        super().__init__(daemon=True)
        self.win, self.rng = win, rng
        self.stop = threading.Event()
        self.clicks = 0

    def run(self):
        while not self.stop.wait(self.rng.uniform(1.5, 4.0)):
            action = self.rng.choice(("chooser", "chooser", "heard", "row", "close", "refresh", "slider",
                                      "info", "about", "alert", "idle"))
            if action == "chooser":
                click(self.win, *TABS["WATCH"])
                time.sleep(0.4)
                click(self.win, *CHOOSER[self.rng.choice(sorted(CHOOSER))])
            elif action == "heard":
                click(self.win, *TABS["HEARD"])
            elif action == "row":
                click(self.win, 400, self.rng.choice((232, 288, 344, 400)))
            elif action == "close":
                click(self.win, 780, 470)
            elif action == "refresh":
                click(self.win, *REFRESH)
            elif action == "slider":
                click(self.win, *TABS["STATUS"])
                time.sleep(0.4)
                click(self.win, self.rng.randint(280, 632), SLIDER_Y)
            elif action == "info":
                click(self.win, *TABS["INFO"])
            elif action == "about":
                click(self.win, *TABS["ABOUT"])
            elif action == "alert":
                click(self.win, *ALERT_CLOSE)
            elif action == "idle":
                self.stop.wait(self.rng.uniform(5, 50))  # long enough for the screensaver at times
            self.clicks += 1


def tour(win):
    """Shows every source once at the end, with its REFRESH, so that a source
    polled only while shown is asked again after its last fault."""
    for name in sorted(CHOOSER):
        # A tab tap closes whatever popup the user (or the last REFRESH) left
        # open, or opens the ABOUT page; on ABOUT the alert popup's CLOSE
        # falls on nothing, so it only closes an alert shown meanwhile.
        for x, y in (TABS["ABOUT"], TABS["ABOUT"], ALERT_CLOSE):
            click(win, x, y)
            time.sleep(0.4)
        click(win, *TABS["WATCH"])
        time.sleep(0.4)
        click(win, *CHOOSER[name])
        time.sleep(1.0)
        if name != "MMDVM":  # the hotspot's LIVE page has mode buttons there
            click(win, *REFRESH)
        time.sleep(TOUR_SECONDS / len(CHOOSER) - 2.7)


def good_answer_after(log, port, paths, after):
    prefixes = ["GET http://127.0.0.1:%d%s" % (port, p) for p in paths]
    for t, line in log.all():
        if t >= after and "-> HTTP 200" in line and any(p in line for p in prefixes):
            return t
    return None


def requested(log, port, paths, after=0.0):
    """True when the program asked one of the paths at or after the time."""
    prefixes = ["GET http://127.0.0.1:%d%s" % (port, p) for p in paths] + \
               ["GET failed: http://127.0.0.1:%d%s" % (port, p) for p in paths]
    return any(t >= after and any(p in line for p in prefixes) for t, line in log.all())


def soak(args, work):
    binary = os.path.realpath(os.path.join(args.build_dir, "qsodeck"))
    rng = random.Random(args.seed)
    services, port = start_services(work, args.seed)
    by_scope = routes()
    config = write_config(work, port)
    env = {"QSODECK_DESKTOP_HTTP_TRACE": "1", "QSODECK_DESKTOP_LOOP_STATS": "1",
           "QSODECK_DESKTOP_ALERT_CHECK_MS": "20000"}
    proc = start_program(binary, work, env, shlex.split(args.wrapper))
    pid = program_pid(proc, binary)
    if pid != proc.pid:
        WRAPPED.append((pid, binary))
    log = Log(os.path.join(work, "desktop.log"))
    started = time.time()
    while log.find("Hotspot API OK") is None:
        if proc.poll() is not None or time.time() - started > 60:
            raise SystemExit("the program did not poll the dashboard")
        time.sleep(0.2)
    win = window_id()
    click(win, *ALERT_CLOSE)  # the alert popup of the demo
    pss = {"start": pss_kb(pid)}
    sampler = Sampler(pid, started, args.sample_minutes * 60)
    sampler.start()
    clicker = Clicker(win, random.Random(args.seed + 1))
    clicker.start()
    end = started + args.minutes * 60
    warmup_at = started + min(300, args.minutes * 60 / 6)
    faults = []
    time.sleep(20)  # every source has been asked once
    scopes = sorted(s for s, paths in by_scope.items() if requested(log, port, paths))
    while time.time() < end - TOUR_SECONDS - 30:
        if "warmup" not in pss and time.time() >= warmup_at:
            pss["warmup"] = pss_kb(pid)
        scope = rng.choice(scopes)
        mode, params = rng.choice(MODES)
        query = "?mode=%s&scope=%s" % (mode, scope) + "".join("&%s=%s" % kv for kv in params.items())
        control(port, query)
        t0 = time.time()
        time.sleep(args.fault_seconds)
        control(port, "/reset")
        faults.append({"scope": scope, "mode": mode + "".join(" " + v for v in params.values()), "from": t0,
                       "to": time.time()})
        time.sleep(args.quiet_seconds)
        if proc.poll() is not None:
            break
    if "warmup" not in pss:
        pss["warmup"] = pss_kb(pid)
    clicker.stop.set()
    clicker.join()
    if proc.poll() is None:
        tour(win)
    while time.time() < end and proc.poll() is None:
        time.sleep(1)
    pss["end"] = pss_kb(pid)
    sampler.stop.set()
    sampler.take()
    crashed = proc.poll() is not None
    if not crashed:
        os.kill(pid, signal.SIGTERM)
    try:
        code = proc.wait(timeout=120 if args.wrapper else 15)
    except subprocess.TimeoutExpired:
        proc.kill()
        code = "did not end within 15 s"
    time.sleep(0.5)
    log.stop.set()
    services.terminate()
    services.wait()
    ok = report(args, work, log, port, by_scope, faults, pss, code, crashed, clicker.clicks)
    report_samples(args, log, sampler.samples, started)
    return ok


def longest_pass(timed_lines, since=0.0, until=float("inf")):
    return max([int(m.group(1)) for t, l in timed_lines if since <= t < until
                for m in [re.search(r"longest pass (\d+) ms", l)] if m], default=-1)


def last_heap(timed_lines, until):
    """The allocator's (in use, held) kB of the last loop line before until."""
    found = (-1, -1)
    for t, l in timed_lines:
        m = re.search(r"heap (\d+) kB in use of (\d+) kB held", l)
        if m and t < until:
            found = (int(m.group(1)), int(m.group(2)))
    return found


def report_samples(args, log, samples, started):
    """The memory table: one row per sample, with the longest pass since the
    sample before and the allocator's heap; then the change of RssAnon after
    the warm-up."""
    timed = log.all()
    rows = []
    print("%7s %12s %9s %16s %12s %10s" % ("minute", "RssAnon kB", "PSS kB", "longest pass ms", "heap use kB",
                                           "held kB"))
    for i, (minute, anon, pss, at) in enumerate(samples):
        since = samples[i - 1][3] if i else started
        rows.append((minute, anon, pss, longest_pass(timed, since, at + 0.001)) + last_heap(timed, at + 0.001))
        print("%7.1f %12d %9d %16d %12d %10d" % rows[-1])
    if args.samples_csv:
        with open(args.samples_csv, "w") as f:
            f.write("minute,rss_anon_kb,pss_kb,longest_pass_ms,heap_in_use_kb,heap_held_kb\n")
            for row in rows:
                f.write("%.1f,%d,%d,%d,%d,%d\n" % row)
    warm = [r for r in rows if r[0] >= args.warmup_minutes]
    if len(warm) >= 2 and warm[0][1] > 0:
        low, high = min(r[1] for r in warm), max(r[1] for r in warm)
        print("RssAnon after minute %.0f: %d .. %d kB, spread %.2f %% of the first; end - first %+d kB" %
              (warm[0][0], low, high, 100.0 * (high - low) / warm[0][1], warm[-1][1] - warm[0][1]))


def report(args, work, log, port, by_scope, faults, pss, code, crashed, clicks):
    lines = [l for _, l in log.all()]
    longest = max([int(m.group(1)) for l in lines for m in [re.search(r"longest pass (\d+) ms", l)] if m],
                  default=-1)
    with open(os.path.join(work, "stdout.txt"), "rb") as f:
        out = f.read().decode("utf-8", "replace")
    reports = [l for l in out.splitlines() if "ERROR: AddressSanitizer" in l or "runtime error:" in l
               or "[FATAL]" in l or "ThreadSanitizer" in l]
    print("soak: %d min, seed %d, %d faults, %d user actions" % (args.minutes, args.seed, len(faults), clicks))
    print("exit: %s%s" % (code, " (ended by itself during the run)" if crashed else ""))
    print("crash or sanitizer reports: %d" % len(reports))
    for r in reports[:10]:
        print("  " + r)
    print("PSS: start %d kB, after warm-up %d kB, end %d kB" % (pss["start"], pss["warmup"], pss["end"]))
    print("longest main-loop pass: %d ms" % longest)
    recovered = unasked = 0
    for f in faults:
        t = good_answer_after(log, port, by_scope[f["scope"]], f["to"])
        if t is not None:
            recovered += 1
            result = "recovered after %.1f s" % (t - f["to"])
        elif requested(log, port, by_scope[f["scope"]], f["to"]):
            result = "NOT RECOVERED (asked again, no good answer)"
        else:
            unasked += 1
            result = "not asked again before the end (its cadence or back-off had not come round)"
        print("  %-9s %-16s %s" % (f["scope"], f["mode"], result))
    failed = len(faults) - recovered - unasked
    print("faults recovered: %d/%d, not asked again: %d, asked again without a good answer: %d" %
          (recovered, len(faults), unasked, failed))
    ok = code == 0 and not crashed and not reports and failed == 0
    return ok


def same_value(written, saved):
    """True when the saved value is the one the configuration gave. A slot
    list is saved whole: the slots it did not name come back empty."""
    if isinstance(written, list) and isinstance(saved, list) and len(saved) >= len(written):
        rest = saved[len(written):]
        return saved[:len(written)] == written and all(
            isinstance(slot, dict) and not slot.get("enabled") and not slot.get("command") for slot in rest)
    return written == saved


def kill_runs(args, work):
    binary = os.path.realpath(os.path.join(args.build_dir, "qsodeck"))
    rng = random.Random(args.seed + 2)
    services, port = start_services(work, args.seed)
    counts = {"failures": 0, "exact": 0, "keys": None}  # keys: every key, as the first save wrote them
    try:
        # No alert popup here: it would take the slider's taps.
        original = write_config(work, port, omit=("noaa_enabled",))
        for run in range(args.kill_runs):
            kill_run(run + 1, binary, work, rng, original, counts)
    finally:
        services.terminate()
        services.wait()
    failures, exact = counts["failures"], counts["exact"]
    print("kill runs: %d, config.json complete every time: %s; brightness the last tap's value %d times, "
          "the one before (killed during its save) %d times" % (args.kill_runs, "yes" if failures == 0 else
                                                                 "NO (%d bad)" % failures, exact,
                                                                 args.kill_runs - failures - exact))
    return failures == 0


def kill_run(run, binary, work, rng, original, counts):
    """One short run that moves the slider and is killed at a random moment."""
    proc = start_program(binary, work, {})
    log = Log(os.path.join(work, "desktop.log"))
    tapped = []
    try:
        win = window_id()
        time.sleep(1.0)
        click(win, *TABS["STATUS"])
        time.sleep(0.5)
        kill_at = time.time() + rng.uniform(1.0, 6.0)
        while time.time() < kill_at:
            x = rng.randint(280, 632)
            click(win, x, SLIDER_Y, hold=0.03)
            tapped.append(min(255, max(0, (x - 280) * 255 // (632 - 280))))
            time.sleep(rng.uniform(0.25, 0.6))
    finally:
        proc.kill()
        proc.wait()
        log.stop.set()
    try:
        with open(os.path.join(work, "sdcard", "config.json")) as f:
            saved = json.load(f)
    except (OSError, ValueError) as e:
        print("kill run %d: config.json unreadable: %s" % (run, e))
        counts["failures"] += 1
        return
    lost = [k for k, v in original.items() if k != "brightness" and not same_value(v, saved.get(k))]
    if counts["keys"] is None:
        counts["keys"] = set(saved)
    lost += sorted(counts["keys"] - set(saved))
    value = saved.get("brightness")
    # Killed during its save, the value before the last tap stays (before the
    # first tap: the configuration's own).
    allowed = tapped[-2:] if len(tapped) >= 2 else tapped + [original.get("brightness")]
    if lost or value not in allowed:
        print("kill run %d: keys changed %s, brightness %s after taps ...%s" % (run, lost, value, tapped[-3:]))
        counts["failures"] += 1
    elif value == tapped[-1]:
        counts["exact"] += 1


def stop_started():
    for pid, binary in WRAPPED:
        try:
            if os.path.realpath("/proc/%d/exe" % pid) == binary:
                os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    for proc in STARTED:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("build_dir")
    p.add_argument("--minutes", type=float, default=30)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--fault-seconds", type=float, default=25)
    p.add_argument("--quiet-seconds", type=float, default=20)
    p.add_argument("--kill-runs", type=int, default=20)
    p.add_argument("--sample-minutes", type=float, default=10)
    p.add_argument("--warmup-minutes", type=float, default=20,
                   help="samples from this minute on count for the spread of RssAnon")
    p.add_argument("--samples-csv", default="")
    p.add_argument("--wrapper", default="", help="command the program runs under, e.g. heaptrack")
    args = p.parse_args(argv)
    for tool in ("xdotool", "Xvfb"):
        if shutil.which(tool) is None:
            raise SystemExit("%s is needed" % tool)
    work = tempfile.mkdtemp(prefix="qsodeck-soak-")
    xvfb = start_display(work)
    try:
        ok = soak(args, work) if args.minutes > 0 else True
        if args.kill_runs > 0:
            kill_work = tempfile.mkdtemp(prefix="qsodeck-kill-")
            ok = kill_runs(args, kill_work) and ok
            shutil.rmtree(kill_work, ignore_errors=True)
    finally:
        stop_started()
        if xvfb is not None:
            xvfb.terminate()
            xvfb.wait()
    if os.environ.get("QSODECK_KEEP_RUN_DIR") != "1":
        shutil.rmtree(work, ignore_errors=True)
    else:
        print("run folder kept: " + work)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
