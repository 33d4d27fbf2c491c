"""Weather warnings: NINA dashboard, MeteoAlarm Atom feed and EDR API, NOAA.

  /api31/dashboard/<key>.json              NINA dashboard (JSON array)    nina
  /feeds/meteoalarm-legacy-atom-<country>  MeteoAlarm legacy Atom feed    meteoalarm
  /edr/v1/collections/warnings/locations/<CC>?token=T
                                           MeteoAlarm EDR locations       edr
                                           (401 without the token, 204
                                           when nothing is active)
  /alerts/active?zone=<zone>               NOAA active alerts (GeoJSON)   noaa

Every service shows the same current warning in its own shape:
--alert NAME at start (default heat), /_control?alert=NAME at run time.
Warnings: heat (the real NOAA Heat Advisory of 2019), heat-update (the same
warning with new text, so it does not pop up again), storm (severe, long
text), frost (minor, a "< 0 °C" in its text), none (no warning).
"""

import copy
import hashlib
import json
import threading
from xml.sax.saxutils import escape

from .common import Route

SCOPES = ("nina", "meteoalarm", "edr", "noaa")

# The demo asks NOAA for this zone; the other services are pointed here too
# (switched off) so that switching one on in the demo stays local.
DEMO_NOAA_ZONE = "GAZ117"
DEMO_NINA_KEY = "091620000000"
SAMPLE_EDR_TOKEN = "sample-edr-token"

JSON_GEO = "application/geo+json"
JSON = "application/json"
ATOM = "application/atom+xml; charset=UTF-8"

HEAT_SAMPLE = "alerts/noaa_alerts_active_point_heat_advisory_2019.json"
NOAA_EMPTY = "alerts/noaa_alerts_active_zone_empty_reconstructed.json"
NINA_EMPTY = "alerts/nina_dashboard_empty.json"
ATOM_EMPTY = "alerts/meteoalarm_atom_no_entries_reconstructed.xml"

STORM_TEXT = (
    "A severe thunderstorm capable of producing damaging winds in excess of 60 mph and quarter size hail "
    "was located near Statesboro, moving east at 30 mph.\n\n"
    "HAZARD...60 mph wind gusts and quarter size hail.\n\n"
    "SOURCE...Radar indicated.\n\n"
    "IMPACT...Hail damage to vehicles is expected. Expect wind damage to roofs, siding, and trees.\n\n"
    "Locations impacted include Statesboro, Brooklet, Portal, Register and Nevils.")

# The warnings; "heat" is taken from the real NOAA answer at start.
WARNINGS = {
    "storm": {
        "id": "urn:oid:2.49.0.1.840.0.7f3c2b1a0e9d8c7b6a5f4e3d2c1b0a9f8e7d6c5b.001.1",
        "event": "Severe Thunderstorm Warning",
        "headline": "Severe Thunderstorm Warning issued June 12 at 4:05PM EDT until June 12 at 4:45PM EDT "
                    "by NWS Charleston SC",
        "severity": "Severe", "urgency": "Immediate", "certainty": "Observed",
        "area": "Bulloch; Effingham; Evans",
        "description": STORM_TEXT,
        "instruction": "For your protection move to an interior room on the lowest floor of a building.",
        "onset": "2024-06-12T16:05:00-04:00", "expires": "2024-06-12T16:45:00-04:00",
        "sender": "NWS Charleston SC", "web": "https://www.weather.gov/chs",
    },
    "frost": {
        "id": "2.49.0.0.276.0.DWD.PVW.1700000000000.3e2d1c0b-a9f8-4e7d-b6c5-d4e3f2a1b0c9.MUL",
        "event": "FROST",
        "headline": "Amtliche WARNUNG vor FROST",
        "severity": "Minor", "urgency": "Immediate", "certainty": "Likely",
        "area": "Kreis Garmisch-Partenkirchen",
        "description": "Es tritt leichter Frost zwischen < 0 \u00b0C und -4 \u00b0C auf. "
                       "In Bodennähe wird Frost um -7 \u00b0C erwartet.",
        "instruction": "",
        "onset": "2024-11-14T22:00:00+01:00", "expires": "2024-11-15T10:00:00+01:00",
        "sender": "Deutscher Wetterdienst", "web": "https://www.wettergefahren.de",
    },
}
ORDER = ("heat", "heat-update", "storm", "frost", "none")
# Germany, the area of the EDR features.
EDR_BBOX = [5.87, 47.27, 15.04, 55.06]


def add_arguments(parser):
    parser.add_argument("--alert", choices=ORDER, default="heat",
                        help="weather warning the alert services show at start (none: no warning)")


def config(base_url):
    return {
        "noaa_enabled": True, "noaa_zone": DEMO_NOAA_ZONE,
        "noaa_alerts_base_url": base_url + "/alerts/active?zone=",
        "katwarn_location_id": DEMO_NINA_KEY,
        "nina_dashboard_base_url": base_url + "/api31/dashboard/",
        "meteoalarm_atom_base_url": base_url + "/feeds/meteoalarm-legacy-atom-",
        "meteoalarm_edr_base_url": base_url + "/edr/v1/collections/warnings/locations/",
        "meteoalarm_api_token": SAMPLE_EDR_TOKEN,
    }


def heat_warning(noaa_answer):
    """The fields of the real NOAA heat advisory."""
    p = noaa_answer["features"][0]["properties"]
    return {
        "id": p["id"], "event": p["event"], "headline": p["headline"], "severity": p["severity"],
        "urgency": p["urgency"], "certainty": p["certainty"], "area": p["areaDesc"],
        "description": p["description"], "instruction": p["instruction"], "onset": p["onset"],
        "expires": p["expires"], "sender": p["senderName"], "web": "https://www.weather.gov/chs",
    }


class Warnings:
    """The current warning, switched at run time from any request thread."""

    def __init__(self, ctx):
        self.lock = threading.Lock()
        self.heat_answer = ctx.read_text(HEAT_SAMPLE)
        heat = heat_warning(json.loads(self.heat_answer))
        update = dict(heat, headline=heat["headline"].replace("6:00PM", "8:00PM"),
                      expires="2019-08-14T20:00:00-04:00",
                      description=heat["description"] + "\n\n* UPDATE...Extended until 8 PM.")
        self.catalogue = dict(WARNINGS, heat=heat, **{"heat-update": update})
        self.noaa_empty = ctx.read_text(NOAA_EMPTY)
        self.nina_empty = ctx.read_text(NINA_EMPTY)
        self.atom_empty = ctx.read_text(ATOM_EMPTY)
        self.name = ctx.args.alert

    def get(self):
        with self.lock:
            return self.name

    def set(self, name):
        if name not in ORDER:
            raise ValueError("unknown alert %r (one of %s)" % (name, ", ".join(ORDER)))
        with self.lock:
            self.name = name

    def current(self):
        """(name, fields) of the current warning; fields is None for none."""
        name = self.get()
        return name, self.catalogue.get(name)

    # -- the four services

    def nina(self, path, query):
        name, w = self.current()
        if not path.endswith(".json"):
            return 404, JSON, "{\"error\":\"not found\"}\n"
        if w is None:
            return 200, JSON, self.nina_empty
        item = {
            "id": w["id"],
            "payload": {"version": 2, "type": "ALERT", "id": w["id"], "hash": hashlib.sha256(w["id"].encode()).hexdigest(),
                        "data": {"headline": w["headline"], "provider": "DWD", "severity": w["severity"],
                                 "urgency": w["urgency"], "msgType": "Alert",
                                 "transKeys": {"event": "BBK-EVC-001"},
                                 "area": {"type": "ZGEM", "data": path.rsplit("/", 1)[-1][:-5]}}},
            "i18nTitle": {"de": w["headline"]},
            "sent": w["onset"], "onset": w["onset"], "expires": w["expires"],
        }
        return 200, JSON, json.dumps([item], ensure_ascii=False, indent=2)

    def atom(self, path, query):
        name, w = self.current()
        slug = path.rsplit("meteoalarm-legacy-atom-", 1)[-1]
        if "meteoalarm-legacy-atom-" not in path or not slug:
            return 404, "text/html", "<html><body><h1>404 Not Found</h1></body></html>\n"
        if w is None:
            return 200, ATOM, self.atom_empty
        e = {k: escape(v) for k, v in w.items()}
        entry = (
            "  <entry>\n"
            "    <id>https://feeds.meteoalarm.org/api/v1/warnings/feeds-%(slug)s/%(id)s</id>\n"
            "    <title>%(event)s issued for %(slug)s - %(area)s</title>\n"
            "    <updated>%(onset)s</updated>\n"
            "    <cap:areaDesc>%(area)s</cap:areaDesc>\n"
            "    <cap:event>%(event)s</cap:event>\n"
            "    <cap:effective>%(onset)s</cap:effective>\n"
            "    <cap:onset>%(onset)s</cap:onset>\n"
            "    <cap:expires>%(expires)s</cap:expires>\n"
            "    <cap:severity>%(severity)s</cap:severity>\n"
            "    <cap:urgency>%(urgency)s</cap:urgency>\n"
            "    <cap:certainty>%(certainty)s</cap:certainty>\n"
            "    <cap:identifier>%(id)s</cap:identifier>\n"
            "    <cap:description>%(description)s</cap:description>\n"
            "    <cap:instruction>%(instruction)s</cap:instruction>\n"
            "    <cap:senderName>%(sender)s</cap:senderName>\n"
            "    <cap:web>%(web)s</cap:web>\n"
            "  </entry>\n") % dict(e, slug=escape(slug))
        feed = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<feed xmlns="http://www.w3.org/2005/Atom" xmlns:cap="urn:oasis:names:tc:emergency:cap:1.2">\n'
                "  <id>https://feeds.meteoalarm.org/feeds/meteoalarm-legacy-atom-%s</id>\n"
                "  <title>MeteoAlarm %s</title>\n%s</feed>\n") % (escape(slug), escape(slug), entry)
        return 200, ATOM, feed

    def edr(self, path, query):
        name, w = self.current()
        if query.get("token", [""])[0] != SAMPLE_EDR_TOKEN:
            return 401, JSON, "{\"code\":401,\"message\":\"missing or invalid token\"}\n"
        if w is None:
            return 204, JSON, ""
        lang = query.get("language", ["de"])[0]
        feature = {
            "type": "Feature", "id": w["id"], "bbox": EDR_BBOX, "geometry": None,
            "properties": {
                "identifier": w["id"], "headline": {lang: w["headline"]}, "event": {lang: w["event"]},
                "severity": w["severity"], "urgency": w["urgency"], "areaDesc": w["area"],
                "description": {lang: w["description"]}, "instruction": {lang: w["instruction"]},
                "onset": w["onset"], "expires": w["expires"],
            },
        }
        return 200, JSON_GEO, json.dumps({"type": "FeatureCollection", "features": [feature]},
                                         ensure_ascii=False, indent=2)

    def noaa(self, path, query):
        name, w = self.current()
        if w is None:
            return 200, JSON_GEO, self.noaa_empty
        if name == "heat":
            return 200, JSON_GEO, self.heat_answer
        answer = json.loads(self.heat_answer)
        feature = copy.deepcopy(answer["features"][0])
        p = feature["properties"]
        feature["id"] = "https://api.weather.gov/alerts/" + w["id"]
        p["@id"] = feature["id"]
        p.update({"id": w["id"], "areaDesc": w["area"], "severity": w["severity"], "certainty": w["certainty"],
                  "urgency": w["urgency"], "event": w["event"], "headline": w["headline"],
                  "description": w["description"], "instruction": w["instruction"] or None,
                  "effective": w["onset"], "onset": w["onset"], "expires": w["expires"],
                  "senderName": w["sender"]})
        answer["features"] = [feature]
        answer["title"] = "current watches, warnings, and advisories for zone %s" % query.get("zone", [""])[0]
        return 200, JSON_GEO, json.dumps(answer, ensure_ascii=False, indent=4)


def _warnings(ctx):
    if getattr(ctx, "alert_warnings", None) is None:
        ctx.alert_warnings = Warnings(ctx)
    return ctx.alert_warnings


def routes(ctx):
    w = _warnings(ctx)
    return [
        Route("/api31/dashboard/", "nina", w.nina, True),
        Route("/feeds/", "meteoalarm", w.atom, True),
        Route("/edr/v1/collections/warnings/locations/", "edr", w.edr, True),
        Route("/alerts/active", "noaa", w.noaa),
    ]


def controls(ctx):
    """Run-time switches: /_control?alert=NAME."""
    w = _warnings(ctx)
    return {"alert": (w.get, w.set)}
