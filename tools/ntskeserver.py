#!/usr/bin/env python3
"""NTS key establishment servers that answer wrongly on purpose, for the NTS client's tests.

One process, one TLS 1.3 listener on 127.0.0.1 per behaviour (ALPN "ntske/1"); each reads the
client's request up to its End of Message and sends one crafted answer (RFC 8915, section 4):
  good      NTPv4, AES-SIV-CMAC-256, eight cookies, a Server and a Port record naming
            --ntp-server and --ntp-port; the cookies are random bytes no real server reads
  no-aead   NTPv4 but AEAD algorithm 17 (AES-SIV-CMAC-512), which the client did not offer
  error     Error 1 (bad request) alone
  warning   a good answer with a Warning record (code 1) in it
The port file gets one "behaviour port" line each, once every listener is open. The process ends
after --lifetime seconds.
"""
import argparse
import os
import socket
import ssl
import struct
import sys
import threading

CRITICAL = 0x8000
END, NEXT_PROTOCOL, ERROR, WARNING, AEAD, COOKIE, SERVER, PORT = range(8)
NTPV4, AES_SIV_CMAC_256, AES_SIV_CMAC_512 = 0, 15, 17


def record(kind, body=b"", critical=True):
    return struct.pack(">HH", kind | (CRITICAL if critical else 0), len(body)) + body


def number(n):
    return struct.pack(">H", n)


def cookies():
    return b"".join(record(COOKIE, os.urandom(100), critical=False) for _ in range(8))


def answers(ntp_server, ntp_port):
    agreed = record(NEXT_PROTOCOL, number(NTPV4)) + record(AEAD, number(AES_SIV_CMAC_256))
    named = record(SERVER, ntp_server.encode("ascii")) + record(PORT, number(ntp_port))
    return {
        "good": agreed + cookies() + named + record(END),
        "no-aead": record(NEXT_PROTOCOL, number(NTPV4)) + record(AEAD, number(AES_SIV_CMAC_512))
        + cookies() + record(END),
        "error": record(ERROR, number(1)) + record(END),
        "warning": agreed + record(WARNING, number(1)) + cookies() + named + record(END),
    }


def read_request(conn):
    """The request's bytes up to and with its End of Message; what came when it ends early."""
    data = b""
    at = 0
    while True:
        while len(data) >= at + 4:
            kind, length = struct.unpack(">HH", data[at:at + 4])
            if len(data) < at + 4 + length:
                break
            at += 4 + length
            if kind & ~CRITICAL == END:
                return data[:at]
        chunk = conn.recv(4096)
        if not chunk or len(data) > 16384:
            return data
        data += chunk


def serve(listener, context, answer):
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=exchange, args=(raw, context, answer), daemon=True).start()


def exchange(raw, context, answer):
    raw.settimeout(10)
    try:
        with context.wrap_socket(raw, server_side=True) as conn:
            read_request(conn)
            conn.sendall(answer)
            try:
                conn.unwrap()
            except (OSError, ssl.SSLError):
                pass
    except (OSError, ssl.SSLError) as e:  # a probe that only connects, a client that gives up
        print(f"ntskeserver: {e}", file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cert", required=True, help="PEM certificate chain for localhost")
    parser.add_argument("--key", required=True, help="its PEM private key")
    parser.add_argument("--ntp-server", default="127.0.0.1", help="the good answer's Server record")
    parser.add_argument("--ntp-port", type=int, default=123, help="the good answer's Port record")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=3600)
    args = parser.parse_args()

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_3
    context.set_alpn_protocols(["ntske/1"])
    context.load_cert_chain(args.cert, args.key)
    lines = []
    for behaviour, answer in answers(args.ntp_server, args.ntp_port).items():
        listener = socket.create_server(("127.0.0.1", 0))
        lines.append(f"{behaviour} {listener.getsockname()[1]}\n")
        threading.Thread(target=serve, args=(listener, context, answer), daemon=True).start()
    with open(args.port_file + ".new", "w") as f:
        f.writelines(lines)
    os.rename(args.port_file + ".new", args.port_file)
    threading.Event().wait(args.lifetime)


if __name__ == "__main__":
    main()
