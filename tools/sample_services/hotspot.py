"""Pi-Star / WPSD hotspot dashboard: last-heard JSON, status and radio-info pages.

  /api/last_heard.php                      Pi-Star last-heard JSON        heard
  /api/?limit=12&names=true&country=true   WPSD last-heard JSON (names,   heard
                                           countries; also /api, /api/index.php)
  /mmdvmhost/repeaterinfo.php              status page (Pi-Star or WPSD)  status
  /mmdvmhost/radioinfo.php                 WPSD radio-info page           status

The traffic changes: a new transmission starts every --period seconds, drawn
from the simulated operators with --seed, and every --watched-every-th one
is the demo's watched call (--watched-call, on the demo's watch list); the radio status of the radio-info
page follows it. --frozen stops the clock of the traffic just after the last
transmission ended, so every answer carries the same bytes. --flavour (an option of sample_dashboard.py, as it also
picks the demo's backend) selects the layout of the status page,
--wpsd-radioinfo that of the WPSD radio-info page (the stat cards of current
releases, or the 2024 div table) and --wpsd-radio its frequencies.
"""

import json
import random
import time

from .common import HTML, JSON, Route

SCOPES = ("heard", "status")
HISTORY = 12
WATCHED_CALL = "DL1ABC"  # on the demo's watch list
WATCHED_EVERY = 5


# WPSD radio-info pages: (layout, radio) -> sample. The radios come in both
# layouts with the same frequencies.
WPSD_RADIOINFO = {
    ("cards", "simplex"): "wpsd/radioinfo_idle_simplex.html",
    ("cards", "duplex"): "wpsd/radioinfo_duplex.html",
    ("cards", "simplex-12k5"): "wpsd/radioinfo_simplex_12k5_step.html",
    ("divtable", "simplex"): "wpsd/radioinfo_2024_divtable_idle_simplex.html",
    ("divtable", "duplex"): "wpsd/radioinfo_2024_divtable_duplex.html",
    ("divtable", "simplex-12k5"): "wpsd/radioinfo_2024_divtable_simplex_12k5_step.html",
}
CARD_STATUS_LABEL = '<span class="stat-label">Radio Status</span>'
CARD_VALUE_MARK = 'class="stat-value"'


def add_arguments(parser):
    parser.add_argument("--wpsd-radioinfo", choices=("cards", "divtable"), default="cards",
                        help="layout of /mmdvmhost/radioinfo.php (current cards or the 2024 table)")
    parser.add_argument("--wpsd-radio", choices=("simplex", "duplex", "simplex-12k5"), default="simplex",
                        help="radio of /mmdvmhost/radioinfo.php: simplex 438.800 MHz, duplex "
                             "439.450/430.850 MHz or simplex 438.8125 MHz")
    parser.add_argument("--period", type=float, default=8.0, help="seconds between new transmissions")
    parser.add_argument("--seed", type=int, default=7, help="seed of the simulated traffic")
    parser.add_argument("--watched-call", default=WATCHED_CALL,
                        help="operator who keys up every --watched-every transmissions (the demo watches %s)"
                        % WATCHED_CALL)
    parser.add_argument("--watched-every", type=int, default=WATCHED_EVERY,
                        help="every how many transmissions the watched call keys up (0: only by chance)")
    parser.add_argument("--frozen", action="store_true",
                        help="answer the same bytes every time (the traffic stops after its last "
                             "transmission ended)")


def config(base_url):
    """The dashboard, and the remote actions of the LIVE page switched on so
    that the demo's mode confirmation and presets open. Their SSH port is the
    sample services' own HTTP port, so a confirmed action ends at once with
    the program's SSH error in the footer and nothing is run anywhere."""
    host_port = base_url.split("://", 1)[-1]
    presets = [{"enabled": True, "use_sudo": False, "label": "Show uptime", "command": "uptime"},
               {"enabled": True, "use_sudo": True, "label": "Restart gateway",
                "command": "systemctl restart dmrgateway"}]
    return {"pistar_host": host_port, "touch_mode_ssh_enabled": True,
            "pistar_ssh_port": int(host_port.rsplit(":", 1)[-1]), "quick_actions": presets,
            "watch_list": [WATCHED_CALL]}


class Traffic:
    """A deterministic stream of transmissions: number k starts at start + k * period."""

    def __init__(self, stations, period, seed, watched_call=None, watched_every=0, frozen=False):
        self.stations = stations
        self.period = max(0.5, float(period))
        self.seed = seed
        self.watched = [st for st in stations if st["callsign"] == watched_call][:1]
        self.watched_every = max(0, int(watched_every))
        self.start = time.time() - self.period * HISTORY
        # Frozen: the moment just before the next transmission, when every
        # one so far has ended (a duration is at most 0.9 periods).
        self.frozen_at = self.start + self.period * HISTORY - 0.01 if frozen else None

    def _pick(self, k):
        rng = random.Random(self.seed * 1000003 + k)
        st = self.stations[rng.randrange(len(self.stations))]
        if self.watched and self.watched_every and k % self.watched_every == 0:
            st = self.watched[0]
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
        if now is None:
            now = time.time() if self.frozen_at is None else self.frozen_at
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


class Dashboard:
    def __init__(self, ctx):
        args = ctx.args
        self.flavour = args.flavour
        self.traffic = Traffic(ctx.stations, args.period, args.seed, args.watched_call, args.watched_every,
                               args.frozen)
        self.pistar_idle = ctx.read_text("pistar/repeaterinfo_idle_simplex.html")
        self.pistar_dmr = ctx.read_text("pistar/repeaterinfo_listening_dmr.html")
        self.wpsd_status = ctx.read_text("wpsd/repeaterinfo_idle.html")
        self.wpsd_layout = args.wpsd_radioinfo
        self.wpsd_radioinfo = ctx.read_text(WPSD_RADIOINFO[(args.wpsd_radioinfo, args.wpsd_radio)])

    def last_heard_pistar(self, path, query):
        out = []
        for r in self.traffic.records():
            out.append({
                "time_utc": r["time_utc"], "mode": r["mode"], "callsign": r["station"]["callsign"],
                "callsign_suffix": r["station"].get("suffix", ""), "target": r["target"],
                "src": r["src"], "duration": r["duration"], "loss": r["loss"],
                "bit_error_rate": r["ber"], "rssi": r["rssi"],
            })
        return 200, JSON, json.dumps(out, separators=(",", ":"))

    def last_heard_wpsd(self, path, query):
        try:
            limit = max(1, min(HISTORY, int(query.get("limit", ["12"])[0])))
        except ValueError:
            limit = HISTORY
        out = []
        for r in self.traffic.records()[:limit]:
            st = r["station"]
            out.append({
                "time_utc": r["time_utc"], "mode": r["mode"], "callsign": st["callsign"],
                "name": st["fname"], "country": st["country"],
                "callsign_suffix": st.get("suffix", ""), "target": r["target"], "src": r["src"],
                "duration": r["duration"], "loss": r["loss"],
            })
        return 200, JSON, json.dumps(out, separators=(",", ":"))

    def status_page(self, path, query):
        newest = self.traffic.records()[0]
        if self.flavour == "wpsd":
            return 200, HTML, self.wpsd_status
        if newest["active"] and newest["mode"].startswith("DMR"):
            return 200, HTML, self.pistar_dmr
        return 200, HTML, self.pistar_idle

    def radioinfo_page(self, path, query):
        newest = self.traffic.records()[0]
        if not newest["active"]:
            return 200, HTML, self.wpsd_radioinfo
        if newest["src"] == "RF":
            word = "TX " + newest["mode"]
        else:
            listen = "Listen " if self.wpsd_layout == "cards" else "Listening "
            word = listen + newest["mode"].split(" ")[0]
        if self.wpsd_layout == "cards":
            return 200, HTML, with_card_status(self.wpsd_radioinfo, word)
        return 200, HTML, self.wpsd_radioinfo.replace(">IDLE<", ">%s<" % word)


def with_card_status(page, word):
    """The card page with word as the value of its "Radio Status" card."""
    label = page.find(CARD_STATUS_LABEL)
    value = page.find(CARD_VALUE_MARK, label) if label >= 0 else -1
    start = page.find(">", value) + 1 if value >= 0 else 0
    end = page.find("</div>", start) if start > 0 else -1
    if end < 0:
        return page
    return page[:start] + "\n            %s        " % word + page[end:]


def routes(ctx):
    dash = Dashboard(ctx)
    return [
        Route("/api/last_heard.php", "heard", dash.last_heard_pistar),
        Route("/api/", "heard", dash.last_heard_wpsd),
        Route("/api", "heard", dash.last_heard_wpsd),
        Route("/api/index.php", "heard", dash.last_heard_wpsd),
        Route("/mmdvmhost/repeaterinfo.php", "status", dash.status_page),
        Route("/mmdvmhost/radioinfo.php", "status", dash.radioinfo_page),
    ]
