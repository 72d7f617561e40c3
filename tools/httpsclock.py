#!/usr/bin/env python3
"""Web-server clocks over HTTPS, and a proxy that refuses, on the loopback interface only.

    httpsclock.py --certs DIR --port-file FILE [--offset S] [--years-off DAYS] [--lifetime 3600]

One process, one listener on 127.0.0.1 per name; the port file gets one "name port" line each,
once every listener is open:
  good      HTTPS with DIR/server.pem and .key (a certificate for "localhost" alone, so
            https://127.0.0.1:PORT/ is a wrong name)
  self      HTTPS with DIR/self.pem and .key (self-signed)
  stranger  HTTPS with DIR/stranger.pem and .key (from a CA no store holds, sent without it)
  proxied   as good, for a client to ask through the proxy alone: WinINet reuses a connection it
            kept to a server whatever the proxy setting says, so none may be kept to this one
  ahead     HTTPS with DIR/ahead.pem and .key, its Date --years-off days ahead (1095 unless
            given): a clock, with a certificate valid around its own time, for a PC years behind
  behind    the same with DIR/behind.pem, days behind
  plain     plain HTTP, answering as the others do
  proxy     an HTTP proxy that tunnels nothing: CONNECT gets 403 Forbidden and the connection
            closed; a request in proxy form (GET http://...) gets a 200 error page. Both answers'
            Date is 30 s ahead of the true time, whatever --offset says, so a clock read from
            the proxy instead of the server shows.

The clocks answer HEAD and GET over HTTP/1.1 keep-alive (TLS 1.2 or 1.3), so several requests
share one connection: 200, Cache-Control: no-cache, a Date made at each answer from the current
time moved by --offset seconds. On the HTTPS ports /to-plain answers 301 to
http://localhost:PLAIN_PORT/, a redirect from HTTPS to plain HTTP. The process ends after
--lifetime seconds or when the process that started it ends.
"""
import argparse
import email.utils
import http.server
import os
import ssl
import sys
import threading
import time

HOST = "127.0.0.1"
SOCKET_TIMEOUT = 30  # an idle kept-alive connection is closed after it
PROXY_AHEAD = 30.0
CERTIFIED = (("good", "server"), ("self", "self"), ("stranger", "stranger"),
             ("proxied", "server"))


class ClockHandler(http.server.BaseHTTPRequestHandler):
    server_version = "HttpsClock/1.0"
    sys_version = ""
    protocol_version = "HTTP/1.1"  # keep-alive: the bracketing uses one connection
    timeout = SOCKET_TIMEOUT

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("httpsclock %s: %s\n" % (self.server.name, fmt % args))

    def date_time_string(self, timestamp=None):
        return email.utils.formatdate(time.time() + self.server.offset, usegmt=True)

    def answer(self, status, body, headers=(), kind="text/plain"):
        data = body.encode("ascii")
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        if self.command != "HEAD":  # a body after HEAD would be read as the next answer
            self.wfile.write(data)

    def do_GET(self):
        if self.server.context is not None and self.path.split("?")[0] == "/to-plain":
            location = "http://localhost:%d/" % self.server.plain_port
            self.answer(301, "moved to %s\n" % location, [("Location", location)])
        else:
            self.answer(200, "ok\n")

    do_HEAD = do_GET


class ProxyHandler(ClockHandler):
    server_version = "RefusingProxy/1.0"

    def date_time_string(self, timestamp=None):
        return email.utils.formatdate(time.time() + PROXY_AHEAD, usegmt=True)

    def do_CONNECT(self):
        self.close_connection = True  # no tunnel follows
        self.answer(403, "tunnels are not allowed here\n", [("Connection", "close")])

    def do_GET(self):
        # What a captive portal or a filtering proxy answers: a page, not the server's answer.
        self.answer(200, "<html><body>This page is blocked by the proxy.</body></html>\n",
                    kind="text/html")

    do_HEAD = do_POST = do_GET


class Listener(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, name, handler, context, offset, verbose):
        self.name, self.context, self.offset, self.verbose = name, context, offset, verbose
        self.plain_port = 0
        super().__init__((HOST, 0), handler)

    def finish_request(self, request, client_address):
        # The handshake in the connection's own thread: a client that stalls or rejects the
        # certificate holds up no one else.
        if self.context is None:
            return super().finish_request(request, client_address)
        request.settimeout(SOCKET_TIMEOUT)
        try:
            conn = self.context.wrap_socket(request, server_side=True)
        except (OSError, ssl.SSLError) as e:  # most often a client refusing the certificate
            if self.verbose:
                print("httpsclock %s: %s" % (self.name, e), file=sys.stderr)
            return
        try:
            super().finish_request(conn, client_address)
        finally:
            conn.close()

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2  # Wine's schannel stops at TLS 1.2
    context.load_cert_chain(cert, key)
    return context


def write_port_file(path, lines):
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.writelines(lines)
    os.replace(tmp, path)


def watch(lifetime, parent):
    deadline = time.monotonic() + lifetime
    while time.monotonic() < deadline:
        if os.getppid() != parent:
            break  # our parent ended and we were handed to another process
        time.sleep(0.5)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0], epilog=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--certs", required=True,
                        help="folder of server.pem, self.pem, stranger.pem and their .key files")
    parser.add_argument("--port-file", required=True, help="file to write the ports to")
    parser.add_argument("--offset", type=float, default=0.0, help="seconds the clocks' Date moves")
    parser.add_argument("--years-off", type=float, default=1095.0,
                        help="days the ahead and behind clocks are off")
    parser.add_argument("--lifetime", type=float, default=3600.0, help="seconds before it ends")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    parent = os.getppid()
    listeners = []
    for name, files in CERTIFIED:
        base = os.path.join(args.certs, files)
        context = tls_context(base + ".pem", base + ".key")
        listeners.append(Listener(name, ClockHandler, context, args.offset, args.verbose))
    for name, sign in ("ahead", 1), ("behind", -1):
        base = os.path.join(args.certs, name)
        context = tls_context(base + ".pem", base + ".key")
        listeners.append(Listener(name, ClockHandler, context,
                                  args.offset + sign * args.years_off * 86400, args.verbose))
    plain = Listener("plain", ClockHandler, None, args.offset, args.verbose)
    listeners.append(plain)
    listeners.append(Listener("proxy", ProxyHandler, None, 0.0, args.verbose))
    for listener in listeners:
        listener.plain_port = plain.server_address[1]
        threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()
    write_port_file(args.port_file,
                    ["%s %d\n" % (each.name, each.server_address[1]) for each in listeners])
    watch(args.lifetime, parent)
    for listener in listeners:
        listener.shutdown()
        listener.server_close()


if __name__ == "__main__":
    main()
