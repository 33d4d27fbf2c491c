#!/usr/bin/env python3
"""HTTPS server for the transport tests: answers every GET with 200 "tls ok".

Usage: tls_test_server.py CERT.pem KEY.pem
Prints "tls test server listening on https://127.0.0.1:PORT/" first.
"""

import signal
import ssl
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        body = b"tls ok"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True


def main(argv):
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(argv[0], argv[1])
    server.socket = ctx.wrap_socket(server.socket, server_side=True)
    print("tls test server listening on https://127.0.0.1:%d/" % server.server_address[1], flush=True)
    signal.signal(signal.SIGTERM, lambda s, f: threading.Thread(target=server.shutdown, daemon=True).start())
    server.serve_forever(poll_interval=0.1)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
