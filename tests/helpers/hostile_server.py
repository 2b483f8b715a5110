#!/usr/bin/env python3
"""A web server that answers badly on purpose, for the ticker's tests. The first part of the
request path picks the misbehaviour:

  /truncated  promises 5000 bytes of feed and sends 300, then closes
  /huge       a well-formed feed of 10 MB
  /notfound   404, with a feed as its body
  /error500   500 with an HTML error page
  /error503   503 with an HTML error page
  /busy       the content server's own answer when it is full: 503, Retry-After, its text
  /garbage    200 with bytes that are no feed
  /dropped    200, half a feed, then the connection is reset
  /forever    200, then one byte a second for as long as the client listens
  /slow       a good feed after four seconds
  /auth407    407 with a proxy realm, every time
  /endlessheaders   a status line, then one header line every half second, never the blank line
  /auth407endless   407 with a proxy realm and a body that never ends (10 kB a second)

A mode written "once_MODE" misbehaves on its first request only; later ones get a good feed.

Every request is appended to the log file as "path?query". The bound port is written to the
port file once listening.

  hostile_server.py --port-file FILE --log FILE
"""
import argparse
import http.server
import os
import random
import socket
import socketserver
import struct
import sys
import threading
import time

# The feed's marker bytes, as src/feed/feed_wire.h defines them.
TOPIC, KIND, TEXT, LINK = b"\x0e", b"\x05", b"\x0b", b"\x0d"


def feed(stories):
    body = TOPIC + b"rt" + KIND + b"1" + TEXT + b"Top Stories:" + LINK + b"/top|" + KIND + b"2"
    for i in range(stories):
        body += TEXT + b"Hostile story number %d" % i + LINK + b"/story/%d|" % i
    return body


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def head(self, status, length=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def do_GET(self):
        with open(self.server.log, "a") as log:
            log.write(self.path + "\n")
        mode = self.path.split("?")[0].split("&")[0].strip("/").split("/")[0]
        if mode.startswith("once_"):
            with self.server.lock:
                first = mode not in self.server.seen
                self.server.seen.add(mode)
            mode = mode[len("once_"):] if first else "ok"
        try:
            getattr(self, "answer_" + mode, self.answer_ok)()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer_ok(self):
        body = feed(5)
        self.head(200, len(body))
        self.wfile.write(body)

    def answer_truncated(self):
        self.head(200, 5000)
        self.wfile.write(feed(30)[:300])
        self.wfile.flush()

    def answer_huge(self):
        chunk = feed(2000)
        total = 10 * 1024 * 1024
        self.head(200, total)
        sent = 0
        while sent < total:
            part = chunk[: total - sent]
            self.wfile.write(part)
            sent += len(part)

    def answer_notfound(self):
        body = feed(5)
        self.head(404, len(body))
        self.wfile.write(body)

    def answer_error500(self):
        body = b"<html><body><h1>500 Internal Server Error</h1></body></html>"
        self.head(500, len(body))
        self.wfile.write(body)

    def answer_error503(self):
        body = b"<html><body><h1>503 Service Unavailable</h1></body></html>"
        self.head(503, len(body))
        self.wfile.write(body)

    def answer_busy(self):
        # As server/content_server.cpp answers when it has no room for another connection.
        body = b"The server is busy; try again shortly.\n"
        self.head(503, len(body), [("Retry-After", "1")])
        self.wfile.write(body)

    def answer_garbage(self):
        rng = random.Random(42)
        body = b"\x7f" + bytes(rng.randrange(256) for _ in range(4000))
        self.head(200, len(body))
        self.wfile.write(body)

    def answer_dropped(self):
        self.head(200)
        self.wfile.write(feed(40)[:700])
        self.wfile.flush()
        # An abortive close: the client sees the connection reset mid-body.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()

    def answer_forever(self):
        self.head(200)
        self.wfile.write(feed(1)[:20])
        while True:
            self.wfile.write(b"x")
            self.wfile.flush()
            time.sleep(1)

    def answer_slow(self):
        time.sleep(4)
        self.answer_ok()

    def answer_endlessheaders(self):
        # Written by hand: the server's own header writer holds everything until the blank line.
        self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n")
        self.wfile.flush()
        n = 0
        while True:
            self.wfile.write(b"X-Never-Done-%d: yes\r\n" % n)
            self.wfile.flush()
            n += 1
            time.sleep(0.5)

    def answer_auth407endless(self):
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="endless realm"')
        self.send_header("Content-Type", "text/plain")
        self.end_headers()
        while True:
            self.wfile.write(b"z" * 1000)
            self.wfile.flush()
            time.sleep(0.1)

    def answer_auth407(self):
        body = b"Proxy authentication required"
        self.head(407, len(body), [("Proxy-Authenticate", 'Basic realm="hostile realm"')])
        self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    server.log = args.log
    server.lock = threading.Lock()
    server.seen = set()
    with open(args.port_file + ".new", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.rename(args.port_file + ".new", args.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
