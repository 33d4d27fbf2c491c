"""The sample services behind tools/sample_dashboard.py, one module per service.

Each module stands in for one real service the program talks to, on
127.0.0.1, with answers in the real service's shape (the real-format samples
live under tests/data/) that change over time. tools/sample_dashboard.py
serves the routes of every module in MODULES on one port, applies the
misbehaviour switches (--mode, /_control) to them, and with --print-config
prints the config.json of the demo, assembled from the modules' keys.

A module provides:

  SCOPES                the misbehaviour scope names of its routes, for
                        example ("weather",); /_control?scope=weather then
                        hits only these routes. A name belongs to one module.
  routes(ctx)           a list of Route(path, area, handler[, prefix]): GET
                        path (exact, or every path below it with prefix=True)
                        answered by handler(path, query) -> (status, content
                        type, body text or bytes); query is the parse_qs dict
                        of the URL. area is one of the module's SCOPES. Called
                        once at start: load samples here, so a missing file
                        stops the server at once. ctx (common.Context) holds
                        the parsed command line (ctx.args), ctx.read_text(rel)
                        for files under the data folder, ctx.stations (the
                        simulated operators) and ctx.started (start time).
  config(base_url)      the config.json keys that point the program at this
                        service, as a dict; base_url is "http://127.0.0.1:PORT"
                        (no slash at the end).
  add_arguments(parser) optional: command-line options of its own (argparse).
  controls(ctx)         optional: run-time switches of its own, as a dict
                        {query key: (get(), set(value))}; /_control?key=value
                        calls set (a ValueError answers 400) and the state
                        reply shows get(). A key belongs to one module.

A new source (say weather) adds itself with one file and one line:
tools/sample_services/weather.py as above, its real-format samples under
tests/data/weather/ (with their origin in that folder's README), and "weather"
in the import and the MODULES list below. Scopes, routes, the /_control
checks, --help and the demo configuration of `make run` and the bench pick it
up from there. Standard library only.
"""

from . import adsb, alerts, aprs, hamqsl, hotspot, lists, radioid, svxlink, weather
from .common import Context, Route

# Order decides the order of the scopes in --help and of the demo keys.
MODULES = (hotspot, radioid, lists, svxlink, weather, hamqsl, alerts, aprs, adsb)

# The default scope "dashboard" covers the hotspot dashboard's own pages.
DASHBOARD_SCOPE = "dashboard"
DASHBOARD_AREAS = hotspot.SCOPES
ALL_SCOPE = "all"
# Query keys of the misbehaviour switch itself.
CONTROL_KEYS_TAKEN = ("mode", "code", "delay", "scope", "count", "clear")

__all__ = ["MODULES", "Context", "Route", "scope_names", "add_arguments", "build_routes", "build_controls",
           "demo_config", "summary_lines"]


def scope_names():
    """Every misbehaviour scope: "dashboard", each module's own, "all"."""
    names = [DASHBOARD_SCOPE]
    for module in MODULES:
        for scope in module.SCOPES:
            if scope in names or scope == ALL_SCOPE:
                raise ValueError("scope %r of %s is taken" % (scope, module.__name__))
            names.append(scope)
    names.append(ALL_SCOPE)
    return tuple(names)


def add_arguments(parser):
    """The command-line options the modules define for themselves."""
    for module in MODULES:
        if hasattr(module, "add_arguments"):
            module.add_arguments(parser)


def build_routes(ctx):
    """(exact routes by path, prefix routes longest first) of all modules."""
    exact, prefixes = {}, []
    for module in MODULES:
        for route in module.routes(ctx):
            if route.area not in module.SCOPES:
                raise ValueError("%s: route %s has area %r outside its scopes %r"
                                 % (module.__name__, route.path, route.area, module.SCOPES))
            taken = [r.path for r in prefixes] if route.prefix else list(exact)
            if route.path in taken:
                raise ValueError("%s: path %s is served twice" % (module.__name__, route.path))
            if route.prefix:
                prefixes.append(route)
            else:
                exact[route.path] = route
    prefixes.sort(key=lambda r: len(r.path), reverse=True)
    return exact, prefixes


def build_controls(ctx):
    """{query key: (get, set)} of the run-time switches of all modules."""
    controls = {}
    for module in MODULES:
        if not hasattr(module, "controls"):
            continue
        for key, pair in module.controls(ctx).items():
            if key in controls or key in CONTROL_KEYS_TAKEN:
                raise ValueError("%s: control %r is taken" % (module.__name__, key))
            controls[key] = pair
    return controls


def demo_config(base_url):
    """The config.json keys of all modules for services at base_url."""
    keys = {}
    for module in MODULES:
        keys.update(module.config(base_url))
    return keys


def summary_lines():
    """One line per module for --help: name, scopes, first docstring line."""
    lines = []
    for module in MODULES:
        name = module.__name__.rsplit(".", 1)[-1]
        doc = (module.__doc__ or "").strip().splitlines()
        lines.append("  %-8s scopes %-16s %s" % (name, ",".join(module.SCOPES), doc[0] if doc else ""))
    return lines
