"""The HTTP server of the sample services: routing, request log, misbehaviour."""

import json
import random
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MODES = ("ok", "http-error", "slow", "trickle", "truncate", "garbage", "html", "empty", "drop")
MAX_DELAY_SECONDS = 600.0
REQUEST_LOG_MAX = 500

LOGIN_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Pi-Star - Login</title></head>\n"
              b"<body><h1>Pi-Star Digital Voice Dashboard</h1>\n"
              b"<form method=\"post\" action=\"/admin/\"><label>User <input name=\"user\"></label>"
              b"<label>Password <input type=\"password\" name=\"pass\"></label>"
              b"<button>Login</button></form></body></html>\n")
NOT_FOUND = b"<html><body><h1>404 Not Found</h1></body></html>\n"


class Misbehaviour:
    """The misbehaviour switch: which mode applies to which scope, how often.

    scopes are all valid scope names; group maps a scope that stands for
    several areas (the default "dashboard") to them; "all" hits everything."""

    def __init__(self, scopes, groups, mode="ok", code=500, delay=1.0, scope="dashboard", count=0):
        self.lock = threading.Lock()
        self.scopes = scopes
        self.groups = groups
        self.set(mode, code, delay, scope, count)

    def set(self, mode, code, delay, scope, count):
        if mode not in MODES:
            raise ValueError("unknown mode %r" % mode)
        if scope not in self.scopes:
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
            hit = self.scope == "all" or self.scope == area or area in self.groups.get(self.scope, ())
            if not hit:
                return "ok"
            mode = self.mode
            if self.count > 0:
                self.count -= 1
                if self.count == 0:
                    self.mode = "ok"
            return mode


class Services:
    """The routes of all modules, the request log and the misbehaviour switch."""

    def __init__(self, routes, misbehaviour, controls=None):
        self.exact, self.prefixes = routes
        self.misbehaviour = misbehaviour
        self.controls = controls or {}
        self.requests = []
        self.requests_lock = threading.Lock()

    def route(self, path, query):
        """(area, status, content type, body bytes) or None when unknown."""
        route = self.exact.get(path)
        if route is None:
            route = next((r for r in self.prefixes if path.startswith(r.path)), None)
        if route is None:
            return None
        status, ctype, body = route.handler(path, query)
        if isinstance(body, str):
            body = body.encode("utf-8")
        return route.area, status, ctype, body

    def note_request(self, handler):
        entry = {"time": time.time(), "path": handler.path,
                 "headers": [[k, v] for k, v in handler.headers.items()]}
        with self.requests_lock:
            self.requests.append(entry)
            del self.requests[:-REQUEST_LOG_MAX]


class Handler(BaseHTTPRequestHandler):
    server_version = "lighttpd/1.4.59"
    sys_version = ""
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        if not self.server.quiet:
            sys.stderr.write("[sample dashboard] %s\n" % (fmt % args))

    def do_GET(self):
        services = self.server.services
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path.startswith("/_control"):
            return self.control(url.path, query)
        services.note_request(self)
        routed = services.route(url.path, query)
        if routed is None:
            return self.reply(404, "text/html", NOT_FOUND)
        area, status, ctype, body = routed
        self.misbehave(services.misbehaviour.take(area), status, ctype, body)

    def control(self, path, query):
        services = self.server.services
        switch = services.misbehaviour
        if path == "/_control/requests":
            with services.requests_lock:
                body = json.dumps(services.requests)
                if query.get("clear", ["0"])[0] == "1":
                    services.requests = []
            return self.reply(200, "application/json", body.encode())
        if path == "/_control/reset":
            switch.set("ok", 500, 1.0, "dashboard", 0)
        elif path == "/_control" and query:
            cur = switch.state()
            try:
                for key, values in query.items():
                    if key in services.controls:
                        services.controls[key][1](values[0])
                if any(key not in services.controls for key in query):
                    switch.set(query.get("mode", [cur["mode"]])[0], query.get("code", [cur["code"]])[0],
                               query.get("delay", [cur["delay"]])[0], query.get("scope", [cur["scope"]])[0],
                               query.get("count", ["0"])[0])
            except ValueError as e:
                return self.reply(400, "text/plain", (str(e) + "\n").encode())
        elif path not in ("/_control", "/_control/state"):
            return self.reply(404, "text/plain", b"unknown control path\n")
        state = switch.state()
        state.update({key: pair[0]() for key, pair in services.controls.items()})
        return self.reply(200, "application/json", json.dumps(state).encode())

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
        state = self.server.services.misbehaviour.state()
        delay = state["delay"]
        if mode == "drop":
            self.close_connection = True
            return
        if mode == "slow":
            time.sleep(delay)
        if mode == "http-error":
            code = state["code"]
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

    def __init__(self, address, services, quiet):
        self.services = services
        self.quiet = quiet
        super().__init__(address, Handler)
