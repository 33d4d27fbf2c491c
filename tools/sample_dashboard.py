#!/usr/bin/env python3
"""Sample hotspot dashboard for trying Qsodeck without a hotspot.

Serves, on 127.0.0.1:
  /api/last_heard.php                      Pi-Star last-heard JSON
  /api/?limit=12&names=true&country=true   WPSD last-heard JSON (names, countries)
  /mmdvmhost/repeaterinfo.php              status page (Pi-Star or WPSD layout)
  /mmdvmhost/radioinfo.php                 WPSD radio-info page
  /api/users?callsign=CALL                 RadioID users API answers
  /digital-radio-lists/<list>/             talkgroup / reflector list pages
The traffic changes: a new transmission starts every --period seconds.

Misbehaviour for tests and demonstrations, from the command line (--mode ...)
or at run time through the control URL:
  /_control?mode=M[&code=N][&delay=S][&scope=X][&count=K]   set
  /_control/reset                                          back to normal
  /_control/state                                          current settings
  /_control/requests[?clear=1]                             requests seen
Modes: ok, http-error (status --code), slow (wait --delay, then answer),
trickle (one byte every --delay seconds), truncate (half the announced body),
garbage (binary noise), html (a login page instead of JSON), empty (200 with
no body), drop (close without answering). Scopes: dashboard (default: the
last-heard and status pages), heard, status, radioid, lists, all.
count=K applies the mode to the next K matching requests only.

With --port 0 the chosen port is printed as the first line:
  sample dashboard listening on http://127.0.0.1:PORT/
"""

import argparse
import json
import os
import random
import signal
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
# The samples live once under tests/data: pistar/, wpsd/, radioid/ and targetlists/ hold the
# real-format answers, sample_dashboard/stations.json the simulated operators.
DEFAULT_DATA_DIR = os.path.normpath(os.path.join(HERE, "..", "tests", "data"))
HISTORY = 12
MODES = ("ok", "http-error", "slow", "trickle", "truncate", "garbage", "html", "empty", "drop")
SCOPES = ("dashboard", "heard", "status", "radioid", "lists", "all")
MAX_DELAY_SECONDS = 600.0

LOGIN_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Pi-Star - Login</title></head>\n"
              b"<body><h1>Pi-Star Digital Voice Dashboard</h1>\n"
              b"<form method=\"post\" action=\"/admin/\"><label>User <input name=\"user\"></label>"
              b"<label>Password <input type=\"password\" name=\"pass\"></label>"
              b"<button>Login</button></form></body></html>\n")


def read_text(data_dir, rel):
    with open(os.path.join(data_dir, rel), "rb") as f:
        return f.read().decode("utf-8")


class Traffic:
    """A deterministic stream of transmissions: number k starts at start + k * period."""

    def __init__(self, stations, period, seed):
        self.stations = stations
        self.period = max(0.5, float(period))
        self.seed = seed
        self.start = time.time() - self.period * HISTORY

    def _pick(self, k):
        rng = random.Random(self.seed * 1000003 + k)
        st = self.stations[rng.randrange(len(self.stations))]
        mode, target = st["traffic"][rng.randrange(len(st["traffic"]))]
        src = "RF" if rng.random() < 0.3 else "Net"
        duration = round(rng.uniform(0.8, self.period * 0.9), 1)
        loss = "0%" if src == "RF" else "%d%%" % rng.choice((0, 0, 0, 1, 2, 5))
        ber = "%.1f%%" % rng.choice((0.0, 0.0, 0.1, 0.4, 1.2))
        rssi = ""
        if src == "RF" and mode.startswith("DMR"):
            dbm = rng.randint(-95, -50)
            over = dbm + 93
            rssi = ("S9+%ddB (%d dBm)" % (over, dbm)) if over > 0 else ("S%d (%d dBm)" % (max(1, 9 + over // 6), dbm))
        return st, mode, target, src, duration, loss, ber, rssi

    def records(self, now=None):
        now = time.time() if now is None else now
        k = int((now - self.start) // self.period)
        out = []
        for i in range(k, k - HISTORY, -1):
            st, mode, target, src, duration, loss, ber, rssi = self._pick(i)
            began = self.start + i * self.period
            active = i == k and (now - began) < duration
            out.append({
                "station": st, "mode": mode, "target": target, "src": src,
                "time_utc": time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(began)),
                "duration": "" if active else "%.1f" % duration,
                "loss": "" if active else loss, "ber": "" if active else ber,
                "rssi": rssi, "active": active,
            })
        return out


class Misbehaviour:
    def __init__(self, mode="ok", code=500, delay=1.0, scope="dashboard", count=0):
        self.lock = threading.Lock()
        self.set(mode, code, delay, scope, count)

    def set(self, mode, code, delay, scope, count):
        if mode not in MODES:
            raise ValueError("unknown mode %r" % mode)
        if scope not in SCOPES:
            raise ValueError("unknown scope %r" % scope)
        code, delay, count = int(code), float(delay), int(count)
        if not 100 <= code <= 599:
            raise ValueError("status code %d is not 100..599" % code)
        # A handler thread sleeps this long: no negative, NaN or endless waits.
        if not 0.0 <= delay <= MAX_DELAY_SECONDS:
            raise ValueError("delay %r is not 0..%g seconds" % (delay, MAX_DELAY_SECONDS))
        with self.lock:
            self.mode, self.code, self.delay = mode, code, delay
            self.scope, self.count = scope, count

    def state(self):
        with self.lock:
            return {"mode": self.mode, "code": self.code, "delay": self.delay,
                    "scope": self.scope, "count": self.count}

    def take(self, area):
        """The mode that applies to one request of this area (consumes a count)."""
        with self.lock:
            if self.mode == "ok":
                return "ok"
            hit = (self.scope == "all" or self.scope == area or
                   (self.scope == "dashboard" and area in ("heard", "status")))
            if not hit:
                return "ok"
            mode = self.mode
            if self.count > 0:
                self.count -= 1
                if self.count == 0:
                    self.mode = "ok"
            return mode


class Dashboard:
    def __init__(self, args):
        self.data_dir = args.data_dir
        self.flavour = args.flavour
        self.stations = json.loads(read_text(self.data_dir, "sample_dashboard/stations.json"))
        self.traffic = Traffic(self.stations, args.period, args.seed)
        self.misbehaviour = Misbehaviour(args.mode, args.code, args.delay, args.scope, args.count)
        self.requests = []
        self.requests_lock = threading.Lock()
        self.pistar_idle = read_text(self.data_dir, "pistar/repeaterinfo_idle_simplex.html")
        self.pistar_dmr = read_text(self.data_dir, "pistar/repeaterinfo_listening_dmr.html")
        self.wpsd_status = read_text(self.data_dir, "wpsd/repeaterinfo_idle.html")
        radioinfo = ("wpsd/radioinfo_duplex.html" if args.wpsd_radioinfo == "cards"
                     else "wpsd/radioinfo_2024_divtable_idle_simplex.html")
        self.wpsd_radioinfo = read_text(self.data_dir, radioinfo)
        self.radioid_found_sample = read_text(self.data_dir, "radioid/users_callsign_iu5hju_single.json")
        self.radioid_not_found = read_text(self.data_dir, "radioid/users_callsign_not_found.json")
        self.lists = self._build_lists()

    # ---- payloads -----------------------------------------------------------------

    def last_heard_pistar(self):
        out = []
        for r in self.traffic.records():
            out.append({
                "time_utc": r["time_utc"], "mode": r["mode"], "callsign": r["station"]["callsign"],
                "callsign_suffix": r["station"].get("suffix", ""), "target": r["target"],
                "src": r["src"], "duration": r["duration"], "loss": r["loss"],
                "bit_error_rate": r["ber"], "rssi": r["rssi"],
            })
        return json.dumps(out, separators=(",", ":"))

    def last_heard_wpsd(self, limit):
        out = []
        for r in self.traffic.records()[:limit]:
            st = r["station"]
            out.append({
                "time_utc": r["time_utc"], "mode": r["mode"], "callsign": st["callsign"],
                "name": st["fname"], "country": st["country"],
                "callsign_suffix": st.get("suffix", ""), "target": r["target"], "src": r["src"],
                "duration": r["duration"], "loss": r["loss"],
            })
        return json.dumps(out, separators=(",", ":"))

    def status_page(self):
        newest = self.traffic.records()[0]
        if self.flavour == "wpsd":
            return self.wpsd_status
        if newest["active"] and newest["mode"].startswith("DMR"):
            return self.pistar_dmr
        return self.pistar_idle

    def radioinfo_page(self):
        newest = self.traffic.records()[0]
        if newest["active"]:
            word = "TX " + newest["mode"] if newest["src"] == "RF" else "Listening " + newest["mode"].split(" ")[0]
            return self.wpsd_radioinfo.replace(">IDLE<", ">%s<" % word)
        return self.wpsd_radioinfo

    def radioid_answer(self, callsign):
        call = callsign.strip().upper()
        if call == "IU5HJU":
            return self.radioid_found_sample
        for st in self.stations:
            if st["callsign"] == call and st["fname"]:
                user = {"callsign": st["callsign"], "city": st["city"], "country": st["country"],
                        "fname": st["fname"], "id": st["id"], "remarks": "DMR",
                        "state": st["state"], "surname": st["surname"]}
                return json.dumps({"count": 1, "results": [user]}, separators=(",", ":"))
        return self.radioid_not_found

    def _talkgroup_page(self):
        """The talkgroup page of the list site, filled with every BrandMeister
        talkgroup of the host-file set, so each talkgroup of the sample traffic
        has its name. The page keeps the real page's layout and row markup."""
        page = read_text(self.data_dir, "targetlists/brandmeister_talkgroups_page.html")
        try:
            groups = json.loads(read_text(self.data_dir, "targetlists/wpsd_hostfiles_2023_BM_TGs.json"))
        except (OSError, ValueError):
            return page
        start = page.find("<tbody>")
        end = page.find("</tbody>")
        if start < 0 or end < start or not isinstance(groups, dict):
            return page

        def esc(text):
            return str(text).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")

        rows = ['<tr><td data-label="Talkgroup">%s</td><td data-label="Talkgroup Name">%s</td></tr>'
                % (esc(k), esc(v)) for k, v in sorted(groups.items(), key=lambda kv: int(kv[0]))
                if str(k).isdigit() and v]
        return page[:start + len("<tbody>")] + "\n" + "\n".join(rows) + "\n" + page[end:]

    def _build_lists(self):
        lists = {"brandmeister-talkgroups": self._talkgroup_page()}
        specs = (
            ("p25-reflectors", "P25 Reflectors", "targetlists/wpsd_hostfiles_2023_TGList_P25.txt", ("Reflector", "Name")),
            ("nxdn-reflectors", "NXDN Reflectors", "targetlists/wpsd_hostfiles_2023_TGList_NXDN.txt", ("Reflector", "Name")),
            ("ysf-reflectors", "YSF Reflectors", "targetlists/wpsd_hostfiles_2023_YSF_Hosts.txt", ("ID", "Name")),
            ("xlx-reflectors", "XLX Reflectors", "targetlists/wpsd_hostfiles_2023_XLXHosts.txt", ("Reflector", "Name")),
        )
        for path, title, rel, heads in specs:
            rows = []
            for line in read_text(self.data_dir, rel).splitlines():
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                cells = [c.strip() for c in line.split(";")]
                if path == "xlx-reflectors":
                    key, name = "XLX" + cells[0], "XLX" + cells[0] + " (" + (cells[1] if len(cells) > 1 else "") + ")"
                elif path == "ysf-reflectors":
                    key, name = cells[0], (cells[2] if len(cells) > 2 else cells[-1])
                else:
                    key, name = cells[0], (cells[1] if len(cells) > 1 else "")
                rows.append((key, name))
            lists[path] = self._list_page(title, heads, rows)
        return lists

    @staticmethod
    def _list_page(title, heads, rows):
        esc = lambda s: s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("'", "&#39;")
        body = "\n".join('<tr><td data-label="%s">%s</td><td data-label="%s">%s</td></tr>'
                         % (heads[0], esc(k), heads[1], esc(n)) for k, n in rows)
        return ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>%s</title>\n"
                "</head>\n<body>\n<main>\n<h1>%s</h1>\n<table class=\"sortable\">\n<thead>\n"
                "<tr><th>%s</th><th>%s</th></tr>\n</thead>\n<tbody>\n%s\n</tbody>\n</table>\n</main>\n"
                "</body>\n</html>\n" % (title, title, heads[0], heads[1], body))

    # ---- routing ------------------------------------------------------------------

    def route(self, path, query):
        """(area, status, content type, body text) or None when unknown."""
        if path == "/api/last_heard.php":
            return "heard", 200, "application/json", self.last_heard_pistar()
        if path in ("/api/", "/api", "/api/index.php"):
            try:
                limit = max(1, min(HISTORY, int(query.get("limit", ["12"])[0])))
            except ValueError:
                limit = HISTORY
            return "heard", 200, "application/json", self.last_heard_wpsd(limit)
        if path == "/mmdvmhost/repeaterinfo.php":
            return "status", 200, "text/html; charset=UTF-8", self.status_page()
        if path == "/mmdvmhost/radioinfo.php":
            return "status", 200, "text/html; charset=UTF-8", self.radioinfo_page()
        if path in ("/api/users", "/api/users/"):
            return "radioid", 200, "application/json", self.radioid_answer(query.get("callsign", [""])[0])
        if path.startswith("/digital-radio-lists/"):
            name = path[len("/digital-radio-lists/"):].strip("/")
            if name in self.lists:
                return "lists", 200, "text/html; charset=UTF-8", self.lists[name]
            return "lists", 404, "text/html", "<html><body><h1>404 Not Found</h1></body></html>\n"
        return None

    def note_request(self, handler):
        entry = {"time": time.time(), "path": handler.path,
                 "headers": [[k, v] for k, v in handler.headers.items()]}
        with self.requests_lock:
            self.requests.append(entry)
            del self.requests[:-500]


class Handler(BaseHTTPRequestHandler):
    server_version = "lighttpd/1.4.59"
    sys_version = ""
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        if not self.server.quiet:
            sys.stderr.write("[sample dashboard] %s\n" % (fmt % args))

    def do_GET(self):
        dash = self.server.dashboard
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path.startswith("/_control"):
            return self.control(url.path, query)
        dash.note_request(self)
        routed = dash.route(url.path, query)
        if routed is None:
            return self.reply(404, "text/html", b"<html><body><h1>404 Not Found</h1></body></html>\n")
        area, status, ctype, text = routed
        self.misbehave(dash.misbehaviour.take(area), status, ctype, text.encode("utf-8"))

    def control(self, path, query):
        dash = self.server.dashboard
        if path == "/_control/requests":
            with dash.requests_lock:
                body = json.dumps(dash.requests)
                if query.get("clear", ["0"])[0] == "1":
                    dash.requests = []
            return self.reply(200, "application/json", body.encode())
        if path == "/_control/reset":
            dash.misbehaviour.set("ok", 500, 1.0, "dashboard", 0)
        elif path == "/_control" and query:
            cur = dash.misbehaviour.state()
            try:
                dash.misbehaviour.set(query.get("mode", [cur["mode"]])[0], query.get("code", [cur["code"]])[0],
                                      query.get("delay", [cur["delay"]])[0], query.get("scope", [cur["scope"]])[0],
                                      query.get("count", ["0"])[0])
            except ValueError as e:
                return self.reply(400, "text/plain", (str(e) + "\n").encode())
        elif path not in ("/_control", "/_control/state"):
            return self.reply(404, "text/plain", b"unknown control path\n")
        return self.reply(200, "application/json", json.dumps(dash.misbehaviour.state()).encode())

    def version_string(self):
        return self.server_version

    def reply(self, status, ctype, body):
        self.answer(status, ctype, body)
        try:
            self.wfile.write(body)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer(self, status, ctype, body, length=None):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.send_header("Cache-Control", "no-cache")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        return body

    def misbehave(self, mode, status, ctype, body):
        delay = self.server.dashboard.misbehaviour.state()["delay"]
        if mode == "drop":
            self.close_connection = True
            return
        if mode == "slow":
            time.sleep(delay)
        if mode == "http-error":
            code = self.server.dashboard.misbehaviour.state()["code"]
            body = ("<html><head><title>%d</title></head><body><h1>%d</h1></body></html>\n" % (code, code)).encode()
            self.answer(code, "text/html", body)
        elif mode == "garbage":
            noise = bytes(random.Random(len(body)).randrange(256) for _ in range(512))
            self.answer(200, ctype, noise)
            body = noise
        elif mode == "html":
            self.answer(200, "text/html; charset=UTF-8", LOGIN_PAGE)
            body = LOGIN_PAGE
        elif mode == "empty":
            self.answer(200, ctype, b"")
            body = b""
        elif mode == "truncate":
            self.answer(status, ctype, body)
            body = body[: len(body) // 2]
        else:
            self.answer(status, ctype, body)
        try:
            if mode == "trickle":
                for i in range(len(body)):
                    self.wfile.write(body[i:i + 1])
                    self.wfile.flush()
                    time.sleep(delay)
            else:
                self.wfile.write(body)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def parse_args(argv):
    p = argparse.ArgumentParser(description="Sample Pi-Star/WPSD dashboard for Qsodeck.")
    p.add_argument("--port", type=int, default=8080, help="TCP port on 127.0.0.1 (0: any free port)")
    p.add_argument("--bind", default="127.0.0.1", help="address to listen on")
    p.add_argument("--flavour", choices=("pistar", "wpsd"), default="pistar",
                   help="layout of /mmdvmhost/repeaterinfo.php")
    p.add_argument("--wpsd-radioinfo", choices=("divtable", "cards"), default="divtable",
                   help="layout of /mmdvmhost/radioinfo.php (2024 table or current cards)")
    p.add_argument("--period", type=float, default=8.0, help="seconds between new transmissions")
    p.add_argument("--seed", type=int, default=7, help="seed of the simulated traffic")
    p.add_argument("--data-dir", default=DEFAULT_DATA_DIR,
                   help="folder with pistar/, wpsd/, radioid/, targetlists/ and "
                        "sample_dashboard/stations.json")
    p.add_argument("--mode", choices=MODES, default="ok", help="misbehaviour at start")
    p.add_argument("--code", type=int, default=500, help="status for --mode http-error")
    p.add_argument("--delay", type=float, default=1.0, help="seconds for slow and trickle")
    p.add_argument("--scope", choices=SCOPES, default="dashboard", help="requests the mode applies to")
    p.add_argument("--count", type=int, default=0, help="apply the mode to this many requests only (0: all)")
    p.add_argument("--quiet", action="store_true", help="no request log on standard error")
    return p.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    try:
        dashboard = Dashboard(args)
    except ValueError as e:
        sys.stderr.write("sample_dashboard.py: %s\n" % e)
        return 2
    server = Server((args.bind, args.port), Handler)
    server.dashboard = dashboard
    server.quiet = args.quiet
    port = server.server_address[1]
    print("sample dashboard listening on http://%s:%d/" % (args.bind, port), flush=True)
    stop = threading.Event()

    def on_signal(signum, frame):
        stop.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
