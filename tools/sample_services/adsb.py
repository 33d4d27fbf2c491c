"""dump1090 receiver: aircraft.json with aircraft moving along their tracks.

  /dump1090-fa/data/aircraft.json   dump1090-fa's aircraft list          adsb
  /data/aircraft.json               the same (readsb / tar1090 path)      adsb

The receiver's shape ("now", "messages", "aircraft" objects with hex, flight,
squawk, alt_baro, alt_geom, gs, track, lat, lon, seen_pos, messages, seen,
rssi, mlat, tisb), built from the real dumps in tests/data/adsb/: --adsb-count
aircraft cross the area around --adsb-center on straight lines along their
track at their ground speed, so every poll finds them further on. Some have
no position (only hex, messages, seen, as receivers list them), some stand on
the ground at the airport ("alt_baro": "ground"), some are MLAT-derived.
--adsb-old-keys answers with the old "altitude" and "speed" keys instead.
"""

import json
import math
import random
import time

from .common import JSON, Route

SCOPES = ("adsb",)
DEFAULT_CENTER = "52.5200,13.4050"
AIRPORT_OFFSET_KM = (-17.0, 6.5)  # north, east of the centre
HALF_CROSSING_KM = 220.0
TEMPLATE_FILE = "adsb/aircraft_dump1090fa_london_compact.json"


def add_arguments(parser):
    parser.add_argument("--adsb-count", type=int, default=24, help="aircraft in the receiver's list")
    parser.add_argument("--adsb-center", default=DEFAULT_CENTER, help="lat,lon the aircraft fly around")
    parser.add_argument("--adsb-old-keys", action="store_true", help="old dump1090 keys: altitude and speed")


def config(base_url):
    lat, lon = DEFAULT_CENTER.split(",")
    return {"adsb_enabled": True, "adsb_host": base_url.split("://", 1)[-1], "adsb_refresh_seconds": 5,
            "adsb_range_km": 150, "adsb_center_lat": lat, "adsb_center_lon": lon}


def move(lat, lon, north_km, east_km):
    return lat + north_km / 111.32, lon + east_km / (111.32 * math.cos(math.radians(lat)))


class Receiver:
    def __init__(self, ctx):
        args = ctx.args
        lat, lon = (float(v) for v in args.adsb_center.split(","))
        self.center = (lat, lon)
        self.old_keys = args.adsb_old_keys
        self.started = ctx.started
        dump = json.loads(ctx.read_text(TEMPLATE_FILE))
        templates = [a for a in dump["aircraft"] if a.get("flight") and "gs" in a and "track" in a]
        rng = random.Random(args.seed)
        self.aircraft = [self.plan(i, templates[i % len(templates)], rng) for i in range(max(0, args.adsb_count))]
        self.messages = int(dump.get("messages", 0))

    @staticmethod
    def plan(i, template, rng):
        a = {"hex": "%06x" % (0x3c0000 + i * 7919 % 0x3ffff), "squawk": template.get("squawk", "1000"),
             "category": template.get("category", "A3"), "alt": int(template.get("alt_baro", 10000)),
             "gs": float(template["gs"]), "track": float(template["track"]), "kind": "air",
             "rssi": round(-32 + 10 * rng.random(), 1)}
        flight = template["flight"].strip()
        # Other flight numbers of the same airline for the aircraft beyond the templates.
        a["flight"] = (flight if i < 24 else flight[:3] + str(100 + i)).ljust(8)
        a["line_km"] = (rng.uniform(-120, 120), rng.uniform(0, 1))  # offset of the line, phase
        if i % 9 == 4:
            a["kind"] = "nopos"
        elif i % 11 == 6:
            a.update({"kind": "ground", "alt": 0, "gs": rng.choice([0.0, 3.5, 12.0]), "track": rng.uniform(0, 360)})
        elif i % 7 == 3:
            a["kind"] = "mlat"
        return a

    def position(self, a, now):
        if a["kind"] == "ground":
            lat, lon = move(self.center[0], self.center[1], *AIRPORT_OFFSET_KM)
            taxi = a["gs"] * 1.852 * ((now - self.started) % 600) / 3600.0
            t = math.radians(a["track"])
            return move(lat, lon, taxi * math.cos(t) * 0.1, taxi * math.sin(t) * 0.1)
        side_km, phase = a["line_km"]
        speed_kmh = max(60.0, a["gs"] * 1.852)
        period = 2 * HALF_CROSSING_KM / speed_kmh * 3600.0
        along = ((now - self.started) / period + phase) % 1.0 * 2 * HALF_CROSSING_KM - HALF_CROSSING_KM
        t = math.radians(a["track"])
        north = along * math.cos(t) - side_km * math.sin(t)
        east = along * math.sin(t) + side_km * math.cos(t)
        return move(self.center[0], self.center[1], north, east)

    def entry(self, a, now):
        seen = round((now * 7 + int(a["hex"], 16)) % 30 / 10.0, 1)
        out = {"hex": a["hex"], "messages": 50 + int(now - self.started) * 3 % 900, "seen": seen, "rssi": a["rssi"],
               "mlat": [], "tisb": []}
        if a["kind"] == "nopos":
            return out
        out.update({"flight": a["flight"], "squawk": a["squawk"], "category": a["category"]})
        alt = "ground" if a["kind"] == "ground" else a["alt"]
        if self.old_keys:
            out.update({"altitude": alt, "speed": round(a["gs"]), "track": round(a["track"])})
        else:
            out.update({"alt_baro": alt, "gs": round(a["gs"], 1), "track": round(a["track"], 1)})
            if a["kind"] != "ground":
                out["alt_geom"] = a["alt"] + 175
        lat, lon = self.position(a, now)
        out.update({"lat": round(lat, 6), "lon": round(lon, 6), "nic": 8, "rc": 186, "seen_pos": seen, "version": 2})
        if a["kind"] == "mlat":
            out["mlat"] = ["lat", "lon", "track", "gs", "alt_geom"]
        return out

    def answer(self, path, query):
        now = time.time()
        self.messages += 137
        body = {"now": round(now, 1), "messages": self.messages,
                "aircraft": [self.entry(a, now) for a in self.aircraft]}
        return 200, JSON, json.dumps(body, separators=(",", ":"))


def routes(ctx):
    receiver = Receiver(ctx)
    return [Route("/dump1090-fa/data/aircraft.json", "adsb", receiver.answer),
            Route("/data/aircraft.json", "adsb", receiver.answer)]
