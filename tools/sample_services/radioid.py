"""RadioID users API: operator names by callsign.

  /api/users?callsign=CALL                 users API answer (also         radioid
                                           /api/users/)

The simulated operators with a first name are found, IU5HJU answers with the
real sample, everyone else gets the real "not found" answer.
"""

import json

from .common import JSON, Route

SCOPES = ("radioid",)


def config(base_url):
    return {"radioid_lookup_enabled": True, "radioid_users_api_base": base_url + "/api/users?callsign="}


class UsersApi:
    def __init__(self, ctx):
        self.stations = ctx.stations
        self.found_sample = ctx.read_text("radioid/users_callsign_iu5hju_single.json")
        self.not_found = ctx.read_text("radioid/users_callsign_not_found.json")

    def answer(self, path, query):
        call = query.get("callsign", [""])[0].strip().upper()
        if call == "IU5HJU":
            return 200, JSON, self.found_sample
        for st in self.stations:
            if st["callsign"] == call and st["fname"]:
                user = {"callsign": st["callsign"], "city": st["city"], "country": st["country"],
                        "fname": st["fname"], "id": st["id"], "remarks": "DMR",
                        "state": st["state"], "surname": st["surname"]}
                return 200, JSON, json.dumps({"count": 1, "results": [user]}, separators=(",", ":"))
        return 200, JSON, self.not_found


def routes(ctx):
    api = UsersApi(ctx)
    return [Route("/api/users", "radioid", api.answer), Route("/api/users/", "radioid", api.answer)]
