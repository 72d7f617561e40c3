#!/usr/bin/env python3
"""A stand-in SNTP server (RFC 4330) and web-server clock, on the loopback interface only.

    sntpserver.py --port-file FILE [--port 0] [--mode now] [--offset S] [--lifetime 3600]

Answers SNTP requests on UDP 127.0.0.1:PORT and takes control requests over HTTP on TCP
127.0.0.1:PORT, the same number; PORT is written to FILE. The server ends by itself after
--lifetime seconds or when the process that started it ends.

Control requests (HTTP GET to http://127.0.0.1:PORT):
    /control?mode=MODE[&offset=S][&delay=S][&code=XXXX][&stratum=N][&version=N]
             [&rootdelay=S][&rootdisp=S][&dateform=imf|rfc850|asctime|none|bad]
             [&jump=S&jumpat=N[,N...]][&datelag=S]  -> "ok"
        Parameters not given keep their values, except that mode=now sets offset and datelag 0.
        jumpat counts the web clock requests from this control request on: at each Nth listed
        the offset moves by jump=S, for it and every later one (a server whose clock steps
        while it is measured); jumpat=0 steps nothing. datelag=S (0 to 1) makes the web clock's
        Date lag the server's clock by S, as a server's does that stamps a Date it cached at its
        own once-a-second tick (lighttpd's); the SNTP answers keep the true clock.
    /control/last   -> "count: N" (SNTP requests so far), "answered: N", "mode: M",
                       "offset: S" (the offset in effect, era1's shift included), "clock agent: A"
                       (the User-Agent of the last web clock request), one per line
    /control/reset  -> the counts back to 0
    any other path  -> 200 "ok" over HTTP/1.1 keep-alive, its Date header the current time
                       moved by offset, in dateform (a web server's clock for the bracketing);
                       dateform=none leaves the header out, dateform=bad sends an unreadable one

Modes (offset=S, seconds, may be fractional or negative, moves the served time in every mode):
    now          the current time
    offset       the current time moved by offset
    delay        delay=S added to the network: half before T2 is stamped, half after T3
    delayout     all of delay before T2 is stamped: the client reads the offset S/2 too high
    delayback    all of delay after T3 is stamped: the client reads it S/2 too low
    hold         delay between T2 and T3 (server processing): no offset error
    silent       no answer at all
    wrongmode    answered in mode 3 instead of 4
    badversion   answered with version 2
    version3     answered with version 3 (valid)
    spoof        the originate timestamp is not the request's transmit timestamp
    rate, deny   kiss-o'-death (stratum 0, LI 3) with code RATE or DENY
    kiss         kiss-o'-death with code=XXXX (default INIT)
    stratum16    stratum 16
    unsync       leap indicator 3
    zerotransmit transmit timestamp zero
    short        only the first 40 bytes of the answer
    era1         times after 2036-02-07 06:28:16 (NTP era 1): the current time moved by the
                 whole seconds to one day past that boundary, fixed when the mode is chosen,
                 plus offset
Otherwise answers are LI 0, version 4, mode 4, stratum=N (default 2), reference "LOCL",
root delay and dispersion from rootdelay= and rootdisp= (seconds, default 0).
"""

import argparse
import email.utils
import http.server
import os
import socket
import struct
import sys
import threading
import time
import urllib.parse

HOST = "127.0.0.1"  # never anything else
MODES = ("now", "offset", "delay", "delayout", "delayback", "hold", "silent", "wrongmode",
         "badversion", "version3", "spoof", "rate", "deny", "kiss", "stratum16", "unsync",
         "zerotransmit", "short", "era1")
DATE_FORMS = ("imf", "rfc850", "asctime", "none", "bad")
NTP_TO_UNIX = 2208988800
ERA1_START = 2085978496  # Unix seconds of 2036-02-07 06:28:16 UTC, NTP seconds 0 of era 1
MAX_CONCURRENT = 32
SOCKET_TIMEOUT = 15.0


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.mode = "now"
        self.offset = 0.0
        self.era_shift = 0
        self.delay = 0.5
        self.code = "INIT"
        self.stratum = 2
        self.version = 4
        self.root_delay = 0.0
        self.root_disp = 0.0
        self.date_form = "imf"
        self.count = 0
        self.answered = 0
        self.clock_agent = ""
        self.clock_count = 0
        self.jump = 0.0
        self.jump_at = set()
        self.date_lag = 0.0

    def configure(self, query):
        """Applies a control query; returns an error text or None."""
        one = {k: v[0] for k, v in query.items()}
        mode = one.get("mode")
        if mode is not None and mode not in MODES:
            return "unknown mode"
        try:
            offset = float(one["offset"]) if "offset" in one else None
            delay = float(one["delay"]) if "delay" in one else None
            stratum = int(one["stratum"]) if "stratum" in one else None
            version = int(one["version"]) if "version" in one else None
            root_delay = float(one["rootdelay"]) if "rootdelay" in one else None
            root_disp = float(one["rootdisp"]) if "rootdisp" in one else None
            jump = float(one["jump"]) if "jump" in one else None
            jump_at = ([int(n) for n in one["jumpat"].split(",")] if "jumpat" in one else None)
            date_lag = float(one["datelag"]) if "datelag" in one else None
        except ValueError:
            return "bad value"
        code = one.get("code")
        if code is not None and len(code.encode("ascii", "replace")) != 4:
            return "code must be 4 characters"
        if offset is not None and not abs(offset) <= 100 * 365 * 86400:  # NaN too
            return "offset out of range"
        if delay is not None and not 0 <= delay <= 60:
            return "delay out of range"
        if stratum is not None and not 0 <= stratum <= 255:
            return "stratum out of range"
        if version is not None and not 0 <= version <= 7:
            return "version out of range"
        for value in (root_delay, root_disp):
            if value is not None and not 0 <= value < 65536:
                return "root value out of range"
        if jump is not None and not abs(jump) <= 86400:
            return "jump out of range"
        if date_lag is not None and not 0 <= date_lag < 1:
            return "datelag out of range"
        date_form = one.get("dateform")
        if date_form is not None and date_form not in DATE_FORMS:
            return "unknown dateform"
        with self.lock:
            if mode is not None:
                self.mode = mode
                if mode == "now" and offset is None:
                    self.offset = 0.0
                    self.date_lag = 0.0
                if mode == "era1":
                    self.era_shift = ERA1_START + 86400 - int(time.time())
            for name, value in (("offset", offset), ("delay", delay), ("code", code),
                                ("stratum", stratum), ("version", version),
                                ("root_delay", root_delay), ("root_disp", root_disp),
                                ("date_form", date_form), ("jump", jump),
                                ("date_lag", date_lag)):
                if value is not None:
                    setattr(self, name, value)
            if jump_at is not None:
                self.jump_at = set(jump_at)
                self.clock_count = 0
        return None

    def total_offset(self):
        return self.offset + (self.era_shift if self.mode == "era1" else 0)

    def snapshot(self):
        with self.lock:
            return dict(mode=self.mode, offset=self.total_offset(), delay=self.delay,
                        code=self.code, stratum=self.stratum, version=self.version,
                        root_delay=self.root_delay, root_disp=self.root_disp,
                        date_form=self.date_form, date_lag=self.date_lag)

    def counted(self, field):
        with self.lock:
            setattr(self, field, getattr(self, field) + 1)

    def clock_asked(self, agent):
        with self.lock:
            self.clock_agent = agent
            self.clock_count += 1
            if self.clock_count in self.jump_at:
                self.offset += self.jump

    def last(self):
        with self.lock:
            return "count: %d\nanswered: %d\nmode: %s\noffset: %r\nclock agent: %s\n" % (
                self.count, self.answered, self.mode, self.total_offset(),
                self.clock_agent)

    def reset(self):
        with self.lock:
            self.count = self.answered = 0


def ntp_stamp(offset):
    """The current time moved by offset, as NTP seconds and fraction."""
    ns = time.time_ns() + int(round(offset * 1e9))
    seconds, rest = divmod(ns, 1_000_000_000)
    return (seconds + NTP_TO_UNIX) % (1 << 32), (rest << 32) // 1_000_000_000


def short_format(seconds):
    return min(int(round(seconds * 65536)), 0xFFFFFFFF)


def answer(request, cfg, t2):
    """The answer to a client request; t2 already stamped. Returns bytes or None."""
    mode = cfg["mode"]
    leap, version, packet_mode, stratum = 0, cfg["version"], 4, cfg["stratum"]
    reference_id = b"LOCL"
    originate = request[40:48]
    if mode == "wrongmode":
        packet_mode = 3
    elif mode == "badversion":
        version = 2
    elif mode == "version3":
        version = 3
    elif mode == "spoof":
        originate = bytes(b ^ 0x5A for b in originate)
    elif mode in ("rate", "deny", "kiss"):
        leap, stratum = 3, 0
        reference_id = {"rate": "RATE", "deny": "DENY"}.get(mode, cfg["code"]).encode(
            "ascii", "replace")[:4]
    elif mode == "stratum16":
        stratum = 16
    elif mode == "unsync":
        leap = 3
    if mode == "hold":
        time.sleep(cfg["delay"])
    t3 = (0, 0) if mode == "zerotransmit" else ntp_stamp(cfg["offset"])
    reference = ntp_stamp(cfg["offset"] - 16)
    packet = struct.pack(">BBbbII4s", leap << 6 | version << 3 | packet_mode, stratum, 6, -20,
                         short_format(cfg["root_delay"]), short_format(cfg["root_disp"]),
                         reference_id)
    packet += struct.pack(">II", *reference) + originate + struct.pack(">IIII", *t2, *t3)
    return packet[:40] if mode == "short" else packet


class SntpServer:
    def __init__(self, sock, state, verbose):
        self.sock = sock
        self.state = state
        self.verbose = verbose
        self.slots = threading.BoundedSemaphore(MAX_CONCURRENT)

    def serve(self):
        while True:
            try:
                data, peer = self.sock.recvfrom(2048)
            except OSError:
                return  # closed at shutdown
            arrived = time.monotonic()
            if len(data) < 48 or data[0] & 7 != 3:
                continue  # not a client request
            self.state.counted("count")
            if not self.slots.acquire(blocking=False):
                continue
            threading.Thread(target=self.reply, args=(data, peer, arrived), daemon=True).start()

    def reply(self, data, peer, arrived):
        try:
            cfg = self.state.snapshot()
            mode = cfg["mode"]
            if mode == "silent":
                return
            if mode in ("delay", "delayout"):
                # The request's leg: the datagram "arrives" only now.
                leg = cfg["delay"] / 2 if mode == "delay" else cfg["delay"]
                time.sleep(max(0.0, arrived + leg - time.monotonic()))
            packet = answer(data, cfg, ntp_stamp(cfg["offset"]))
            if mode in ("delay", "delayback"):
                time.sleep(cfg["delay"] / 2 if mode == "delay" else cfg["delay"])
            self.sock.sendto(packet, peer)
            self.state.counted("answered")
            if self.verbose:
                sys.stderr.write("sntpserver: answered %s in mode %s\n" % (peer, mode))
        except OSError:
            pass
        finally:
            self.slots.release()


def http_date(seconds, form):
    if form == "imf":
        return email.utils.formatdate(seconds, usegmt=True)
    t = time.gmtime(seconds)
    if form == "rfc850":
        return time.strftime("%A, %d-%b-%y %H:%M:%S GMT", t)
    return time.strftime("%a %b ", t) + "%2d" % t.tm_mday + time.strftime(" %H:%M:%S %Y", t)


class ControlHandler(http.server.BaseHTTPRequestHandler):
    server_version = "SntpServer/1.0"
    sys_version = ""
    protocol_version = "HTTP/1.1"  # keep-alive: the bracketing uses one connection
    timeout = SOCKET_TIMEOUT

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("sntpserver: %s\n" % (fmt % args))

    def send_response(self, code, message=None):
        # As the base class does, but the Date header as the chosen form has it, or none at all.
        self.log_request(code)
        self.send_response_only(code, message)
        self.send_header("Server", self.version_string())
        form = self.server.state.snapshot()["date_form"]
        if form == "bad":
            self.send_header("Date", "yesterday at noon")
        elif form != "none":
            self.send_header("Date", self.date_time_string())

    def date_time_string(self, timestamp=None):
        cfg = self.server.state.snapshot()
        now = time.time() + cfg["offset"] - cfg["date_lag"]
        return http_date(int(now) if timestamp is None else timestamp, cfg["date_form"])

    def send_text(self, status, body):
        data = body.encode("ascii", "replace")
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        if self.command != "HEAD":  # a body after HEAD would be read as the next answer
            self.wfile.write(data)

    def do_GET(self):
        parts = urllib.parse.urlsplit(self.path)
        state = self.server.state
        if parts.path == "/control":
            error = state.configure(urllib.parse.parse_qs(parts.query))
            self.send_text(400 if error else 200, (error or "ok") + "\n")
        elif parts.path == "/control/last":
            self.send_text(200, state.last())
        elif parts.path == "/control/reset":
            state.reset()
            self.send_text(200, "ok\n")
        else:
            # Who read the clock: the program and its time service name themselves differently.
            state.clock_asked(self.headers.get("User-Agent", ""))
            self.send_text(200, "ok\n")

    do_HEAD = do_GET


class ControlServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, state, verbose):
        self.state = state
        self.verbose = verbose
        super().__init__((HOST, port), ControlHandler)

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def bind_pair(port, state, verbose):
    """A UDP socket and the control server on one port number."""
    for _ in range(50 if port == 0 else 1):
        udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        udp.bind((HOST, port))
        try:
            return udp, ControlServer(udp.getsockname()[1], state, verbose)
        except OSError:
            udp.close()  # the TCP port of that number is taken: try another
            if port != 0:
                raise
    raise OSError("no port free for both UDP and TCP")


def write_port_file(path, port):
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def watch(control, udp, lifetime, parent):
    deadline = time.monotonic() + lifetime
    while time.monotonic() < deadline:
        if os.getppid() != parent:
            break  # our parent ended and we were handed to another process
        time.sleep(0.5)
    control.shutdown()
    udp.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0], epilog=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--port-file", required=True, help="file to write the port to")
    parser.add_argument("--mode", choices=MODES, default="now")
    parser.add_argument("--offset", type=float, default=0.0, help="seconds the served time moves")
    parser.add_argument("--delay", type=float, default=0.5, help="seconds of the delay modes")
    parser.add_argument("--lifetime", type=float, default=3600.0, help="seconds before it ends")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    state = State()
    error = state.configure({"mode": [args.mode], "offset": [str(args.offset)],
                             "delay": [str(args.delay)]})
    if error:
        parser.error(error)
    udp, control = bind_pair(args.port, state, args.verbose)
    threading.Thread(target=SntpServer(udp, state, args.verbose).serve, daemon=True).start()
    threading.Thread(target=watch, args=(control, udp, args.lifetime, os.getppid()),
                     daemon=True).start()
    write_port_file(args.port_file, udp.getsockname()[1])
    try:
        control.serve_forever(poll_interval=0.2)
    finally:
        control.server_close()
        udp.close()


if __name__ == "__main__":
    main()
