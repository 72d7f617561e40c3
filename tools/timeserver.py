#!/usr/bin/env python3
"""A stand-in for the time service's web server, on the loopback interface only.

Serves the time page at /cgi-bin/timer.pl, in origin form or in the proxy form that a client
sends when its http_proxy points here, so Horolux's fixed URL reaches it without change.

    timeserver.py --port-file FILE [--port 0] [--mode now] [--lifetime 3600]

The chosen port is written to FILE. The server ends by itself after --lifetime seconds or when
the process that started it ends.

Control requests, sent straight to the server (not through a proxy):
    GET /control?mode=MODE[&time=HH:MM:SS][&offset=SECONDS][&delay=SECONDS]   -> "ok"
    GET /control/last         -> the last page request: "request: ...", "user-agent: ...",
                                 "count: N" (page requests so far), one per line, then an
                                 empty line and that request's headers as received
    GET /control/closedport   -> a port on 127.0.0.1 that was free a moment ago

Modes:
    now        the current UTC time, answered early in a second so page and clock agree
    fixed      the time given with time=HH:MM:SS
    offset     the current UTC time moved by offset=SECONDS (may be negative)
    nomarker   the page without the word "Universal"
    lowercase  the marker written "universal"
    empty      200 with an empty body
    beyond     the marker at byte 1100 of the body, past the 1024 bytes a client keeps
    edge       the marker ending at byte 1024 of a longer body: the last one a client sees
    notfound   404 with a short body
    slow       the current time after delay=SECONDS (default 3)
    dribble    the edge page, sent in pieces of 128 bytes 50 ms apart
    hangup     the connection is closed without any answer
    truncated  headers that announce a body, then the connection is closed before it
    hang       the request is taken and never answered; the connection stays open (up to 60 s)
    trickle    headers that announce a long page, then one byte of it every 0.5 s (up to 60 s)
"""

import argparse
import datetime
import http.server
import os
import select
import socket
import sys
import threading
import time
import urllib.parse

HOST = "127.0.0.1"  # never anything else
PAGE_PATH = "/cgi-bin/timer.pl"
MODES = ("now", "fixed", "offset", "nomarker", "lowercase", "empty", "beyond", "edge", "notfound",
         "slow", "dribble", "hangup", "truncated", "hang", "trickle")
MAX_CONCURRENT = 32
SOCKET_TIMEOUT = 15.0
EARLY_IN_SECOND = 0.25  # answer "now" pages only in the first quarter of a second
BEYOND_INDEX = 1100
EDGE_INDEX = 1024 - len("Universal")
DRIBBLE_PIECE, DRIBBLE_GAP = 128, 0.05
STALL_LIMIT = 60.0  # hang and trickle give up after this, so no thread lives for ever
TRICKLE_GAP = 0.5


class State:
    def __init__(self, mode):
        self.lock = threading.Lock()
        self.mode = mode
        self.fixed = datetime.time(21, 12, 7)
        self.offset = 0.0
        self.delay = 3.0
        self.last_request = ""
        self.last_agent = ""
        self.last_headers = ""
        self.count = 0

    def snapshot(self):
        with self.lock:
            return self.mode, self.fixed, self.offset, self.delay

    def configure(self, query):
        """Applies a control query; returns an error text or None."""
        mode = query.get("mode", [None])[0]
        if mode is not None and mode not in MODES:
            return "unknown mode"
        try:
            fixed = None
            if "time" in query:
                h, m, s = (int(x) for x in query["time"][0].split(":"))
                fixed = datetime.time(h, m, s)
            offset = float(query["offset"][0]) if "offset" in query else None
            delay = float(query["delay"][0]) if "delay" in query else None
        except (ValueError, TypeError):
            return "bad value"
        if delay is not None and not 0 <= delay <= 60:
            return "delay out of range"
        if offset is not None and not abs(offset) <= 10 * 86400:  # NaN too
            return "offset out of range"
        with self.lock:
            if mode is not None:
                self.mode = mode
            if fixed is not None:
                self.fixed = fixed
            if offset is not None:
                self.offset = offset
            if delay is not None:
                self.delay = delay
        return None

    def record(self, request_line, agent, headers):
        with self.lock:
            self.last_request = request_line
            self.last_agent = agent
            self.last_headers = headers
            self.count += 1

    def last(self):
        with self.lock:
            return "request: %s\nuser-agent: %s\ncount: %d\n\n%s" % (
                self.last_request, self.last_agent, self.count, self.last_headers)


def utc_now_early_in_second():
    """The current UTC time, waiting for the next second when this one is too far gone."""
    now = time.time()
    fraction = now - int(now)
    if fraction > EARLY_IN_SECOND:
        time.sleep(1.0 - fraction + 0.01)
        now = time.time()
    return datetime.datetime.fromtimestamp(int(now), datetime.timezone.utc)


def universal_line(moment, marker="Universal"):
    # Month at p-28, day p-23, year p-19, hour p-11, minute p-8, second p-5 before the marker.
    return "<BR>%s. %02d, %04d,   %02d:%02d:%02d   %s Time\n" % (
        moment.strftime("%b"), moment.day, moment.year, moment.hour, moment.minute,
        moment.second, marker)


def time_page(moment, marker="Universal", filler=""):
    eastern = moment - datetime.timedelta(hours=5)
    return ("<html><head><title>What time is it?</title></head>\n<body>\n%s"
            "<H2> Master Clock Time</H2>\n<H3><PRE>\n%s%s</PRE></H3>\n</body></html>\n" % (
                filler, universal_line(moment, marker), universal_line(eastern, "Eastern")))


def page_with_marker_at(moment, index):
    base = time_page(moment)
    gap = index - base.index("Universal")
    filler = "<!--" + "." * max(gap - 8, 0) + "-->\n"
    page = time_page(moment, filler=filler)
    assert page.index("Universal") == index
    return page


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "TimeServer/1.0"
    sys_version = ""
    protocol_version = "HTTP/1.0"
    timeout = SOCKET_TIMEOUT

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("timeserver: %s\n" % (fmt % args))

    def send_text(self, status, body, content_type="text/plain", cache="no-cache"):
        data = body.encode("latin-1", "replace")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", cache)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        try:
            parts = urllib.parse.urlsplit(self.path)
            host = parts.hostname
        except ValueError:
            self.send_text(400, "bad target\n")
            return
        # A client that itself honours http_proxy sends control requests in absolute form.
        if parts.path.startswith("/control") and host in (None, HOST, "localhost"):
            self.control(parts)
            return
        self.server.state.record(self.requestline, self.headers.get("User-Agent", ""),
                                 str(self.headers))
        if parts.path != PAGE_PATH or parts.query:
            self.send_text(404, "<html>Not Found</html>\n", "text/html")
            return
        self.page()

    def control(self, parts):
        if parts.path == "/control":
            error = self.server.state.configure(urllib.parse.parse_qs(parts.query))
            self.send_text(400 if error else 200, (error or "ok") + "\n")
        elif parts.path == "/control/last":
            self.send_text(200, self.server.state.last())
        elif parts.path == "/control/closedport":
            with socket.socket() as probe:
                probe.bind((HOST, 0))
                port = probe.getsockname()[1]
            self.send_text(200, "%d\n" % port)
        else:
            self.send_text(404, "unknown control\n")

    def page(self):
        mode, fixed, offset, delay = self.server.state.snapshot()
        if mode == "hangup":
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if mode == "hang":
            self.hang()
            return
        if mode == "trickle":
            self.trickle(time_page(utc_now_early_in_second()).encode("latin-1"))
            return
        if mode == "truncated":
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", "600")
            self.end_headers()
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if mode == "notfound":
            self.send_text(404, "<html>Not Found</html>\n", "text/html")
            return
        if mode == "empty":
            self.send_text(200, "", "text/html")
            return
        if mode == "slow":
            time.sleep(delay)
        if mode == "fixed":
            today = datetime.datetime.now(datetime.timezone.utc).date()
            moment = datetime.datetime.combine(today, fixed)
        else:
            moment = utc_now_early_in_second()
            if mode == "offset":
                moment += datetime.timedelta(seconds=offset)
        if mode == "nomarker":
            body = time_page(moment, marker="Coordinated")
        elif mode == "lowercase":
            body = time_page(moment, marker="universal")
        elif mode == "beyond":
            body = page_with_marker_at(moment, BEYOND_INDEX)
        elif mode in ("edge", "dribble"):
            body = page_with_marker_at(moment, EDGE_INDEX)
        else:
            body = time_page(moment)
        if mode == "dribble":
            self.dribble(body.encode("latin-1"))
            return
        # Cacheable on purpose: on Windows a client that does not bypass its cache asks only once.
        self.send_text(200, body, "text/html", cache="max-age=3600")

    def dribble(self, data):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.flush()
        for at in range(0, len(data), DRIBBLE_PIECE):
            time.sleep(DRIBBLE_GAP)
            self.wfile.write(data[at:at + DRIBBLE_PIECE])
            self.wfile.flush()


    def hang(self):
        """Says nothing until the client gives up (closes) or the limit passes."""
        self.close_connection = True
        deadline = time.monotonic() + STALL_LIMIT
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.5)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        return  # the client closed
                except OSError:
                    return

    def trickle(self, data):
        """A page that never completes in time: one byte at a time, far apart."""
        self.close_connection = True
        data = data * 4  # longer than the 1024 bytes a client keeps
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.flush()
        deadline = time.monotonic() + STALL_LIMIT
        for byte in data:
            if time.monotonic() >= deadline:
                return
            time.sleep(TRICKLE_GAP)
            try:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
            except OSError:
                return  # the client gave up


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 16

    def __init__(self, port, state, verbose):
        self.state = state
        self.verbose = verbose
        self.slots = threading.BoundedSemaphore(MAX_CONCURRENT)
        super().__init__((HOST, port), Handler)

    def process_request(self, request, client_address):
        # Bounded: beyond MAX_CONCURRENT open requests new connections are dropped at once.
        if not self.slots.acquire(blocking=False):
            self.shutdown_request(request)
            return
        request.settimeout(SOCKET_TIMEOUT)
        super().process_request(request, client_address)

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self.slots.release()

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def write_port_file(path, port):
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def watch(server, lifetime, parent):
    deadline = time.monotonic() + lifetime
    while time.monotonic() < deadline:
        if os.getppid() != parent:
            break  # our parent ended and we were handed to another process
        time.sleep(0.5)
    server.shutdown()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--port-file", required=True, help="file to write the port to")
    parser.add_argument("--mode", choices=MODES, default="now")
    parser.add_argument("--time", default="21:12:07", help="time of the fixed mode, HH:MM:SS")
    parser.add_argument("--offset", type=float, default=0.0, help="seconds of the offset mode")
    parser.add_argument("--lifetime", type=float, default=3600.0, help="seconds before it ends")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    state = State(args.mode)
    error = state.configure({"time": [args.time], "offset": [str(args.offset)]})
    if error:
        parser.error(error)
    server = Server(args.port, state, args.verbose)
    threading.Thread(target=watch, args=(server, args.lifetime, os.getppid()), daemon=True).start()
    write_port_file(args.port_file, server.server_address[1])
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
