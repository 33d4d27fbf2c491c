"""APRS position API: the last position of the stations asked for.

  /api/get?name=A,B,..&what=loc&apikey=KEY&format=json   positions      aprs
  /aprs/_mode?set=ok|ratelimit|wrong-key                 switch answers aprs

Answers in the service's "get loc" shape (command, result, what, found,
entries with lat/lng as text, time and lasttime as epoch text, symbol,
srccall, dstcall, comment, path), one entry for each callsign asked about
(at most 20): every station sits at its own bearing and distance from the
configured centre (--aprs-center), some beyond the demo radius, mobile ones
drive along their course and report speed, course and altitude, fixed ones
do not. The service's failures: "apikey-wrong" for a key other than
--aprs-key, "ratelimit" past --aprs-quota requests an hour, and either one
for every request while switched on with /aprs/_mode (or --aprs-mode).
"""

import hashlib
import json
import math
import threading
import time

from .common import JSON, Route

SCOPES = ("aprs",)
DEMO_KEY = "123456.demoAprsKey0123"
DEFAULT_CENTER = "52.5200,13.4050"
MAX_NAMES = 20
MODES = ("ok", "ratelimit", "wrong-key")
# (symbol, mobile, comment) of the kinds of station.
KINDS = (
    ("/>", True, "Mobile 145.500 QRV"),
    ("/-", False, "QTH, monitoring 433.500"),
    ("/k", True, "On the road"),
    ("/[", True, "Walking with the HT"),
    ("/_", False, "WX station"),
    ("/#", False, "Digi WIDE1-1"),
    ("\\>", True, ""),
)
PATHS = ("WIDE1-1,WIDE2-1,qAR,DB0BLN-10", "TCPIP*,qAC,T2BERLIN", "DB0TV*,WIDE2-1,qAR,DM0BLN")


def add_arguments(parser):
    parser.add_argument("--aprs-key", default=DEMO_KEY, help="the one APRS API key accepted (others get apikey-wrong)")
    parser.add_argument("--aprs-center", default=DEFAULT_CENTER, help="lat,lon the stations are placed around")
    parser.add_argument("--aprs-quota", type=int, default=60, help="APRS requests an hour before the ratelimit answer")
    parser.add_argument("--aprs-mode", choices=MODES, default="ok", help="answer every request with this failure")


def config(base_url):
    lat, lon = DEFAULT_CENTER.split(",")
    return {"aprs_enabled": True, "aprs_api_key": DEMO_KEY, "aprs_api_base_url": base_url, "aprs_range_km": 50,
            "aprs_refresh_minutes": 10, "aprs_center_lat": lat, "aprs_center_lon": lon}


def station_seed(call):
    return int(hashlib.sha1(call.encode("utf-8")).hexdigest()[:12], 16)


def offset(lat, lon, bearing_deg, km):
    """The point km away from lat, lon at bearing (flat-earth, fine for 100 km)."""
    b = math.radians(bearing_deg)
    return (lat + km * math.cos(b) / 111.32, lon + km * math.sin(b) / (111.32 * math.cos(math.radians(lat))))


class Api:
    def __init__(self, ctx):
        args = ctx.args
        self.key = args.aprs_key
        self.quota = max(1, args.aprs_quota)
        self.mode = args.aprs_mode
        lat, lon = (float(v) for v in args.aprs_center.split(","))
        self.center = (lat, lon)
        self.lock = threading.Lock()
        self.window = []

    def over_quota(self):
        now = time.time()
        with self.lock:
            self.window = [t for t in self.window if now - t < 3600]
            self.window.append(now)
            return len(self.window) > self.quota

    @staticmethod
    def fail(code, description):
        return 200, JSON, json.dumps({"command": "get", "result": "fail", "code": code, "description": description})

    def entry(self, call, now):
        seed = station_seed(call)
        symbol, mobile, comment = KINDS[seed % len(KINDS)]
        bearing = seed % 360
        km = 2 + (seed >> 9) % 70  # some beyond a 50 km radius
        heard = int(now) - (seed >> 3) % 1800
        entry = {"name": call, "type": "l", "time": str(heard - 600), "lasttime": str(heard), "symbol": symbol,
                 "srccall": call, "dstcall": "APDR16", "path": PATHS[seed % len(PATHS)]}
        if mobile:
            course = (seed >> 5) % 360
            speed = 20 + (seed >> 7) % 90
            # Back and forth along the course, 8 km either way every half hour.
            drive = 8.0 * math.sin(now / 1800.0 + seed % 7)
            km_lat, km_lon = offset(self.center[0], self.center[1], bearing, km)
            lat, lon = offset(km_lat, km_lon, course, drive)
            entry.update({"course": course if math.cos(now / 1800.0 + seed % 7) >= 0 else (course + 180) % 360,
                          "speed": speed, "altitude": 30 + (seed >> 11) % 120})
        else:
            lat, lon = offset(self.center[0], self.center[1], bearing, km)
        entry["lat"] = "%.5f" % lat
        entry["lng"] = "%.5f" % lon
        if comment:
            entry["comment"] = comment
        if seed % 4 == 0:
            entry["class"] = "a"
        return entry

    def get(self, path, query):
        mode = self.mode
        if mode == "wrong-key" or query.get("apikey", [""])[0] != self.key:
            return self.fail("apikey-wrong", "wrong API key")
        if mode == "ratelimit" or self.over_quota():
            return self.fail("ratelimit", "query ratelimit")
        if query.get("what", [""])[0] != "loc":
            return self.fail("unknown-what", "unsupported 'what' parameter")
        names = [n.strip().upper() for n in query.get("name", [""])[0].split(",") if n.strip()]
        if not names:
            return self.fail("missing-param", "missing parameter: name")
        now = time.time()
        entries = [self.entry(call, now) for call in names[:MAX_NAMES]]
        body = {"command": "get", "result": "ok", "what": "loc", "found": len(entries), "entries": entries}
        return 200, JSON, json.dumps(body, separators=(",", ":"))

    def set_mode(self, path, query):
        mode = query.get("set", [""])[0]
        if mode not in MODES:
            return 400, JSON, json.dumps({"error": "set= one of " + ", ".join(MODES)})
        self.mode = mode
        return 200, JSON, json.dumps({"mode": mode})


def routes(ctx):
    api = Api(ctx)
    return [Route("/api/get", "aprs", api.get), Route("/aprs/_mode", "aprs", api.set_mode)]
