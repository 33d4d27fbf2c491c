#!/usr/bin/env python3
"""Sample services for trying Qsodeck without a hotspot or the internet.

Serves, on 127.0.0.1, the routes of every module of tools/sample_services/
(the hotspot dashboard in its Pi-Star or WPSD flavour, the RadioID users API,
the list site; --help names them and their scopes), with real-format answers
that change over time.

Misbehaviour for tests and demonstrations, from the command line (--mode ...)
or at run time through the control URL:
  /_control?mode=M[&code=N][&delay=S][&scope=X][&count=K]   set
  /_control/reset                                          back to normal
  /_control/state                                          current settings
  /_control/requests[?clear=1]                             requests seen
  /_control?alert=NAME                                     weather warning shown
                                                           (heat, heat-update,
                                                           storm, frost, none)
Modes: ok, http-error (status --code), slow (wait --delay, then answer),
trickle (one byte every --delay seconds), truncate (half the announced body),
garbage (binary noise), html (a login page instead of JSON), empty (200 with
no body), drop (close without answering). Scopes: dashboard (default: the
last-heard and status pages), each module's own (heard, status, radioid,
lists, ...), all. count=K applies the mode to the next K matching requests
only.

With --port 0 the chosen port is printed as the first line:
  sample dashboard listening on http://127.0.0.1:PORT/

--print-config PORT prints, instead of serving, the config.json of the demo
for services on that port: the station keys (backend from --flavour) and
the keys of every module, then the members of each --config-extra (JSON
object members, for example '"refresh_ms": 500,'; later ones win), without
the keys named by --config-omit.
"""

import argparse
import json
import os
import signal
import sys
import threading

sys.dont_write_bytecode = True  # no __pycache__ inside the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import sample_services  # noqa: E402
from sample_services.server import MODES, Misbehaviour, Server, Services  # noqa: E402

# The samples live once under tests/data: pistar/, wpsd/, radioid/ and targetlists/ hold the
# real-format answers, sample_dashboard/stations.json the simulated operators.
DEFAULT_DATA_DIR = os.path.normpath(os.path.join(HERE, "..", "tests", "data"))
SCOPES = sample_services.scope_names()
BACKENDS = {"pistar": "Pi-Star", "wpsd": "WPSD"}


def station_config(flavour):
    """The demo's own keys: dashboard flavour, station link, operator, poll period."""
    return {"backend": BACKENDS[flavour], "wifi_ssid": "DESKTOP", "wifi_pass": "",
            "device_callsign": "N0CALL", "refresh_ms": 1500}


def config_members(text):
    """The members of one --config-extra text as a dict; ValueError when not JSON."""
    text = text.strip().rstrip(",")
    if not text:
        return {}
    try:
        members = json.loads("{" + text + "}")
    except ValueError as e:
        raise ValueError("--config-extra %r is not a list of JSON members: %s" % (text, e))
    return members


def demo_config_text(args):
    port = args.print_config
    if not 1 <= port <= 65535:
        raise ValueError("--print-config port %d is not 1..65535" % port)
    keys = station_config(args.flavour)
    keys.update(sample_services.demo_config("http://127.0.0.1:%d" % port))
    for extra in args.config_extra:
        keys.update(config_members(extra))
    for key in args.config_omit:
        keys.pop(key, None)
    return json.dumps(keys, indent=2) + "\n"


def parse_args(argv):
    p = argparse.ArgumentParser(
        description="Sample Pi-Star/WPSD dashboard for Qsodeck, with the services it uses.",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        epilog="services (tools/sample_services/):\n" + "\n".join(sample_services.summary_lines()))
    p.add_argument("--port", type=int, default=8080, help="TCP port on 127.0.0.1 (0: any free port)")
    p.add_argument("--bind", default="127.0.0.1", help="address to listen on")
    p.add_argument("--flavour", choices=tuple(BACKENDS), default="pistar",
                   help="layout of /mmdvmhost/repeaterinfo.php (and the backend of --print-config)")
    p.add_argument("--data-dir", default=DEFAULT_DATA_DIR,
                   help="folder with pistar/, wpsd/, radioid/, targetlists/ and "
                        "sample_dashboard/stations.json")
    p.add_argument("--mode", choices=MODES, default="ok", help="misbehaviour at start")
    p.add_argument("--code", type=int, default=500, help="status for --mode http-error")
    p.add_argument("--delay", type=float, default=1.0, help="seconds for slow and trickle")
    p.add_argument("--scope", choices=SCOPES, default="dashboard", help="requests the mode applies to")
    p.add_argument("--count", type=int, default=0, help="apply the mode to this many requests only (0: all)")
    p.add_argument("--quiet", action="store_true", help="no request log on standard error")
    p.add_argument("--print-config", type=int, metavar="PORT",
                   help="print the demo config.json for services on this port and exit")
    p.add_argument("--config-extra", action="append", default=[], metavar="MEMBERS",
                   help="with --print-config: more keys, as JSON object members")
    p.add_argument("--config-omit", action="append", default=[], metavar="KEY",
                   help="with --print-config: leave this key out")
    sample_services.add_arguments(p)
    return p.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    try:
        if args.print_config is not None:
            sys.stdout.write(demo_config_text(args))
            return 0
        switch = Misbehaviour(SCOPES, {sample_services.DASHBOARD_SCOPE: sample_services.DASHBOARD_AREAS},
                              args.mode, args.code, args.delay, args.scope, args.count)
        ctx = sample_services.Context(args)
        services = Services(sample_services.build_routes(ctx), switch, sample_services.build_controls(ctx))
    except ValueError as e:
        sys.stderr.write("sample_dashboard.py: %s\n" % e)
        return 2
    server = Server((args.bind, args.port), services, args.quiet)
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
