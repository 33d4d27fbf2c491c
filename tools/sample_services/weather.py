"""OpenWeatherMap: current weather and the 5-day / 3-hour forecast.

  /data/2.5/weather?lat=..&lon=..&units=metric&appid=KEY     current weather    weather
  /data/2.5/forecast?lat=..&lon=..&units=metric&cnt=N&appid=KEY   forecast       weather

Answers in the service's shapes: metric units when asked (Kelvin otherwise,
as the service does), real icon codes with day and night letters, values that
change slowly over the day, and a forecast whose dt_txt steps start at the
next 3-hour mark in UTC, so it always reaches three days past today. The
service's own errors: 401 "Invalid API key" for a key other than --weather-key,
400 "wrong latitude" / "wrong longitude" for coordinates out of range, and 429
"account temporary blocked" past --weather-quota requests a minute.
"""

import json
import math
import threading
import time

from .common import JSON, Route

SCOPES = ("weather",)
DEMO_KEY = "0123456789abcdef0123456789abcdef"
PLACE = {"name": "Berlin", "country": "DE", "id": 2950159, "lat": 52.52, "lon": 13.405, "timezone": 3600}
# (id, main, description, icon code without the day/night letter)
CONDITIONS = (
    (800, "Clear", "clear sky", "01"),
    (801, "Clouds", "few clouds", "02"),
    (802, "Clouds", "scattered clouds", "03"),
    (804, "Clouds", "overcast clouds", "04"),
    (500, "Rain", "light rain", "10"),
    (521, "Rain", "shower rain", "09"),
    (211, "Thunderstorm", "thunderstorm", "11"),
    (600, "Snow", "light snow", "13"),
    (741, "Fog", "fog", "50"),
)


def add_arguments(parser):
    parser.add_argument("--weather-key", default=DEMO_KEY,
                        help="the one OpenWeatherMap key accepted (others get 401 Invalid API key)")
    parser.add_argument("--weather-quota", type=int, default=60,
                        help="weather requests a minute before the 429 blocked answer")


def config(base_url):
    return {"weather_enabled": True, "weather_api_base_url": base_url, "weather_lat": "52.5200",
            "weather_lon": "13.4050", "weather_api_key": DEMO_KEY, "weather_refresh_minutes": 1}


def kelvin_or_metric(celsius, metric):
    return round(celsius if metric else celsius + 273.15, 2)


class Sky:
    """Slowly changing weather: a day curve plus a drift over hours."""

    def temperature(self, t):
        hour = (t % 86400) / 3600.0
        return 9.0 + 6.0 * math.sin((hour - 9.0) / 24.0 * 2 * math.pi) + 3.0 * math.sin(t / 43200.0)

    def condition(self, t):
        return CONDITIONS[int(t // 10800) % len(CONDITIONS)]

    def icon(self, t):
        hour = (t % 86400) / 3600.0
        return self.condition(t)[3] + ("d" if 6 <= hour < 18 else "n")

    def main_block(self, t, metric):
        c = self.temperature(t)
        return {"temp": kelvin_or_metric(c, metric), "feels_like": kelvin_or_metric(c - 2.4, metric),
                "temp_min": kelvin_or_metric(c - 0.8, metric), "temp_max": kelvin_or_metric(c + 0.9, metric),
                "pressure": 1008 + int(6 * math.sin(t / 30000.0)), "humidity": 62 + int(20 * math.sin(t / 20000.0))}

    def weather_block(self, t):
        cid, main, desc, _ = self.condition(t)
        return [{"id": cid, "main": main, "description": desc, "icon": self.icon(t)}]

    def wind_block(self, t):
        return {"speed": round(3.0 + 2.5 * math.sin(t / 5000.0), 2), "deg": int(200 + 60 * math.sin(t / 9000.0)) % 360}


class Api:
    def __init__(self, ctx):
        self.key = ctx.args.weather_key
        self.quota = max(1, ctx.args.weather_quota)
        self.sky = Sky()
        self.lock = threading.Lock()
        self.window = []
        self.errors = {code: ctx.read_text("owm/error_%s.json" % name).strip()
                       for code, name in ((401, "401_invalid_key"), (429, "429_blocked"))}

    def over_quota(self):
        now = time.time()
        with self.lock:
            self.window = [t for t in self.window if now - t < 60]
            self.window.append(now)
            return len(self.window) > self.quota

    def check(self, query):
        """The service's error answer for the request, or None."""
        if query.get("appid", [""])[0] != self.key:
            return 401, JSON, self.errors[401]
        for name, limit in (("lat", 90.0), ("lon", 180.0)):
            try:
                value = float(query.get(name, [""])[0])
                if math.isnan(value) or abs(value) > limit:
                    raise ValueError
            except ValueError:
                return 400, JSON, json.dumps({"cod": "400", "message": "wrong " + ("latitude" if name == "lat" else "longitude")})
        if self.over_quota():
            return 429, JSON, self.errors[429]
        return None

    def current(self, path, query):
        error = self.check(query)
        if error:
            return error
        t = int(time.time())
        metric = query.get("units", [""])[0] == "metric"
        body = {"coord": {"lon": PLACE["lon"], "lat": PLACE["lat"]}, "weather": self.sky.weather_block(t),
                "base": "stations", "main": self.sky.main_block(t, metric), "visibility": 10000,
                "wind": self.sky.wind_block(t), "clouds": {"all": 40}, "dt": t,
                "sys": {"type": 2, "id": 2011538, "country": PLACE["country"], "sunrise": t - t % 86400 + 23400,
                        "sunset": t - t % 86400 + 59400},
                "timezone": PLACE["timezone"], "id": PLACE["id"], "name": PLACE["name"], "cod": 200}
        if self.sky.condition(t)[1] == "Rain":
            body["rain"] = {"1h": 0.42}
        return 200, JSON, json.dumps(body, separators=(",", ":"))

    def forecast(self, path, query):
        error = self.check(query)
        if error:
            return error
        metric = query.get("units", [""])[0] == "metric"
        try:
            count = max(1, min(40, int(query.get("cnt", ["40"])[0])))
        except ValueError:
            count = 40
        first = (int(time.time()) // 10800 + 1) * 10800
        entries = []
        for k in range(count):
            t = first + k * 10800
            hour = (t % 86400) // 3600
            entries.append({
                "dt": t, "main": self.sky.main_block(t, metric), "weather": self.sky.weather_block(t),
                "clouds": {"all": 40}, "wind": self.sky.wind_block(t), "visibility": 10000,
                "pop": round(0.5 + 0.5 * math.sin(t / 40000.0), 2) if self.sky.condition(t)[1] in ("Rain", "Snow", "Thunderstorm") else 0,
                "sys": {"pod": "d" if 6 <= hour < 18 else "n"},
                "dt_txt": time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(t))})
        body = {"cod": "200", "message": 0, "cnt": count, "list": entries,
                "city": {"id": PLACE["id"], "name": PLACE["name"], "coord": {"lat": PLACE["lat"], "lon": PLACE["lon"]},
                         "country": PLACE["country"], "timezone": PLACE["timezone"]}}
        return 200, JSON, json.dumps(body, separators=(",", ":"))


def routes(ctx):
    api = Api(ctx)
    return [Route("/data/2.5/weather", "weather", api.current), Route("/data/2.5/forecast", "weather", api.forecast)]
