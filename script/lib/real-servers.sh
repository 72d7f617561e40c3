# Sourced by script/test: servers nobody here wrote, on loopback ports, for the time sources to
# agree with: Debian's chronyd (NTP) and lighttpd (a stock web server's Date header). Each is taken
# out of its package without installing it: an installed chrony would start a daemon that
# disciplines this machine's clock, an installed lighttpd one on port 80.
#   chrony_start / chrony_stop        exports HOROLUX_CHRONY_PORT
#   lighttpd_start / lighttpd_stop    exports HOROLUX_LIGHTTPD_PORT
#   nts_start / nts_stop              chronyd as an NTS server, a second one whose certificate no
#       one trusts, and tools/ntskeserver.py's wrong answers, all with certificates made at start
#       (a test CA, and localhost alone as the servers' name); exports HOROLUX_NTS_KE_PORT,
#       HOROLUX_NTS_NTP_PORT, HOROLUX_NTS_UNTRUSTED_KE_PORT, HOROLUX_NTS_CA (the CA's PEM file),
#       HOROLUX_NTS_FAKE_GOOD_PORT, HOROLUX_NTS_FAKE_NO_AEAD_PORT, HOROLUX_NTS_FAKE_ERROR_PORT
#       and HOROLUX_NTS_FAKE_WARNING_PORT; and two chronyd running three years ahead and behind
#       (libfaketime), HOROLUX_NTS_AHEAD_KE_PORT and HOROLUX_NTS_BEHIND_KE_PORT
#   nts_trust_test_ca TOOL_EXE        adds the test CA to the Wine session's trusted roots
#   https_start / https_stop          tools/httpsclock.py with nts_start's certificates (so after
#       it): web clocks over HTTPS with a good, a self-signed and a stranger's certificate, one
#       over plain HTTP, a proxy that refuses, a good one to ask only through it, and two clocks
#       three years ahead and behind; exports HOROLUX_HTTPS_GOOD_PORT, HOROLUX_HTTPS_SELF_PORT,
#       HOROLUX_HTTPS_STRANGER_PORT, HOROLUX_HTTPS_PLAIN_PORT, HOROLUX_HTTPS_PROXY_PORT,
#       HOROLUX_HTTPS_PROXIED_PORT, HOROLUX_HTTPS_AHEAD_PORT and HOROLUX_HTTPS_BEHIND_PORT
source "$(dirname "${BASH_SOURCE[0]}")/timeserver.sh"  # _loopback_server_stop
_horolux_tools_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/tools"

# The unpacked package's root folder, fetched once into build/tools/NAME.
package_root() {
    local dir=$_horolux_tools_dir/$1
    if [ ! -d "$dir/root" ]; then
        mkdir -p "$dir"
        local try
        # Not through http_proxy: in a test run it points at the loopback time server.
        for try in 1 2 3; do  # a mirror may be busy for a moment
            (cd "$dir" && rm -f "$1"_*.deb && env -u http_proxy -u HTTP_PROXY apt-get download "$1" >"$dir/fetch.log" 2>&1 &&
                dpkg -x "$1"_*.deb root) && break
            rm -rf "$dir/root"
            sleep 2
        done
        if [ ! -d "$dir/root" ]; then
            echo "$1: could not fetch the package: $(tail -3 "$dir/fetch.log")" >&2
            return 1
        fi
    fi
    echo "$dir/root"
}

free_port() {  # tcp or udp
    python3 -c 'import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM if sys.argv[1] == "udp" else socket.SOCK_STREAM)
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])' "$1"
}

# chronyd runs with -x, so it never touches the clock; "local stratum" makes it serve the
# machine's own clock.
_chrony_config() {  # DIR NTP_PORT: a loopback server's configuration, on standard output
    cat <<CONF
port $2
bindaddress 127.0.0.1
local stratum 8
allow 127.0.0.1
cmdport 0
user root
pidfile $1/chronyd.pid
driftfile $1/drift
CONF
}

chrony_start() {
    chrony_stop
    local root _
    root=$(package_root chrony) || return 1
    local chronyd=$root/usr/sbin/chronyd
    HOROLUX_CHRONY_DIR=$(mktemp -d /tmp/horolux-chrony.XXXXXX)
    HOROLUX_CHRONY_PORT=$(free_port udp)
    _chrony_config "$HOROLUX_CHRONY_DIR" "$HOROLUX_CHRONY_PORT" >"$HOROLUX_CHRONY_DIR/chrony.conf"
    "$chronyd" -x -d -f "$HOROLUX_CHRONY_DIR/chrony.conf" >"$HOROLUX_CHRONY_DIR/log" 2>&1 &
    HOROLUX_CHRONY_PID=$!
    if _wait_until_answering "$HOROLUX_CHRONY_PID" _ntp_answers "$HOROLUX_CHRONY_PORT"; then
        export HOROLUX_CHRONY_PORT
        return 0
    fi
    echo "chrony: did not answer: $(cat "$HOROLUX_CHRONY_DIR/log")" >&2
    chrony_stop
    return 1
}

chrony_stop() {
    _loopback_server_stop HOROLUX_CHRONY
}

lighttpd_start() {
    lighttpd_stop
    local root _
    root=$(package_root lighttpd) || return 1
    HOROLUX_LIGHTTPD_DIR=$(mktemp -d /tmp/horolux-lighttpd.XXXXXX)
    HOROLUX_LIGHTTPD_PORT=$(free_port tcp)
    mkdir -p "$HOROLUX_LIGHTTPD_DIR/www"
    echo "Horolux" >"$HOROLUX_LIGHTTPD_DIR/www/index.html"
    cat >"$HOROLUX_LIGHTTPD_DIR/lighttpd.conf" <<CONF
server.document-root = "$HOROLUX_LIGHTTPD_DIR/www"
server.bind = "127.0.0.1"
server.port = $HOROLUX_LIGHTTPD_PORT
server.modules = ()
CONF
    "$root/usr/sbin/lighttpd" -D -f "$HOROLUX_LIGHTTPD_DIR/lighttpd.conf" -m "$root/usr/lib/lighttpd" \
        >"$HOROLUX_LIGHTTPD_DIR/log" 2>&1 &
    HOROLUX_LIGHTTPD_PID=$!
    if _wait_until_answering "$HOROLUX_LIGHTTPD_PID" _tcp_accepts "$HOROLUX_LIGHTTPD_PORT"; then
        export HOROLUX_LIGHTTPD_PORT
        return 0
    fi
    echo "lighttpd: did not start: $(cat "$HOROLUX_LIGHTTPD_DIR/log")" >&2
    lighttpd_stop
    return 1
}

lighttpd_stop() {
    _loopback_server_stop HOROLUX_LIGHTTPD
}

nts_start() {
    nts_stop
    local root behaviour port
    root=$(package_root chrony) || return 1
    HOROLUX_NTS_DIR=$(mktemp -d /tmp/horolux-nts.XXXXXX)
    _nts_make_certificates "$HOROLUX_NTS_DIR" >"$HOROLUX_NTS_DIR/certificates.log" 2>&1 || {
        echo "nts: could not make the test certificates: $(tail -3 "$HOROLUX_NTS_DIR/certificates.log")" >&2
        nts_stop
        return 1
    }
    HOROLUX_NTS_CA=$HOROLUX_NTS_DIR/ca.pem
    _nts_chrony_start "$root" trusted server && _nts_chrony_start "$root" untrusted stranger &&
        _nts_chrony_start "$root" ahead ahead && _nts_chrony_start "$root" behind behind || {
        nts_stop
        return 1
    }
    HOROLUX_NTS_KE_PORT=$HOROLUX_NTS_TRUSTED_KE_PORT HOROLUX_NTS_NTP_PORT=$HOROLUX_NTS_TRUSTED_NTP_PORT

    local dir=$HOROLUX_NTS_DIR/fake
    mkdir "$dir"
    python3 "$_horolux_tools/ntskeserver.py" --cert "$HOROLUX_NTS_DIR/server.pem" \
        --key "$HOROLUX_NTS_DIR/server.key" --ntp-server 127.0.0.1 --ntp-port "$HOROLUX_NTS_NTP_PORT" \
        --port-file "$dir/ports" --lifetime "${HOROLUX_TIMESERVER_LIFETIME:-3600}" 2>"$dir/log" &
    HOROLUX_NTS_FAKE_PID=$!
    _wait_until_answering "$HOROLUX_NTS_FAKE_PID" test -s "$dir/ports"
    for behaviour in good no-aead error warning; do
        port=$(sed -n "s/^$behaviour //p" "$dir/ports" 2>/dev/null)
        if [ -z "$port" ] || ! _wait_until_answering "$HOROLUX_NTS_FAKE_PID" _nts_ke_answers "$port"; then
            echo "nts: ntskeserver.py did not answer: $(cat "$dir/log")" >&2
            nts_stop
            return 1
        fi
        behaviour=${behaviour^^}
        printf -v "HOROLUX_NTS_FAKE_${behaviour//-/_}_PORT" %s "$port"
    done
    export HOROLUX_NTS_KE_PORT HOROLUX_NTS_NTP_PORT HOROLUX_NTS_UNTRUSTED_KE_PORT HOROLUX_NTS_CA \
        HOROLUX_NTS_FAKE_GOOD_PORT HOROLUX_NTS_FAKE_NO_AEAD_PORT HOROLUX_NTS_FAKE_ERROR_PORT \
        HOROLUX_NTS_FAKE_WARNING_PORT HOROLUX_NTS_AHEAD_KE_PORT HOROLUX_NTS_BEHIND_KE_PORT
}

nts_stop() {
    local pid
    for pid in "${HOROLUX_NTS_TRUSTED_PID:-}" "${HOROLUX_NTS_UNTRUSTED_PID:-}" "${HOROLUX_NTS_FAKE_PID:-}" \
        "${HOROLUX_NTS_AHEAD_PID:-}" "${HOROLUX_NTS_BEHIND_PID:-}"; do
        [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; } || true
    done
    if [ -n "${HOROLUX_NTS_DIR:-}" ]; then rm -rf "$HOROLUX_NTS_DIR"; fi
    HOROLUX_NTS_DIR="" HOROLUX_NTS_TRUSTED_PID="" HOROLUX_NTS_UNTRUSTED_PID="" HOROLUX_NTS_FAKE_PID=""
    HOROLUX_NTS_AHEAD_PID="" HOROLUX_NTS_BEHIND_PID=""
    unset HOROLUX_NTS_KE_PORT HOROLUX_NTS_NTP_PORT HOROLUX_NTS_UNTRUSTED_KE_PORT HOROLUX_NTS_CA \
        HOROLUX_NTS_FAKE_GOOD_PORT HOROLUX_NTS_FAKE_NO_AEAD_PORT HOROLUX_NTS_FAKE_ERROR_PORT \
        HOROLUX_NTS_FAKE_WARNING_PORT HOROLUX_NTS_AHEAD_KE_PORT HOROLUX_NTS_BEHIND_KE_PORT
}

# How far the "ahead" and "behind" clocks of tools/httpsclock.py are off, in days.
_https_years_off=1095

https_start() {
    https_stop
    if [ -z "${HOROLUX_NTS_DIR:-}" ]; then
        echo "https: no certificates; nts_start makes them" >&2
        return 1
    fi
    local certs=$HOROLUX_NTS_DIR name port trust
    HOROLUX_HTTPS_DIR=$(mktemp -d /tmp/horolux-https.XXXXXX)
    python3 "$_horolux_tools/httpsclock.py" --certs "$certs" --port-file "$HOROLUX_HTTPS_DIR/ports" \
        --years-off "$_https_years_off" --offset "${HOROLUX_HTTPS_OFFSET:-0}" \
        --lifetime "${HOROLUX_TIMESERVER_LIFETIME:-3600}" 2>"$HOROLUX_HTTPS_DIR/log" &
    HOROLUX_HTTPS_PID=$!
    _wait_until_answering "$HOROLUX_HTTPS_PID" test -s "$HOROLUX_HTTPS_DIR/ports"
    for name in good self stranger proxied plain proxy ahead behind; do
        # Each TLS port trusted by its own issuer alone, so each is known to serve its certificate.
        case $name in
            good | proxied | ahead | behind) trust=$certs/ca.pem ;;
            self) trust=$certs/self.pem ;;
            stranger) trust=$certs/stranger-ca.pem ;;
            *) trust="" ;;
        esac
        port=$(sed -n "s/^$name //p" "$HOROLUX_HTTPS_DIR/ports" 2>/dev/null)
        if [ -z "$port" ] ||
            ! _wait_until_answering "$HOROLUX_HTTPS_PID" _https_answers "$name" "$port" ${trust:+"$trust"}; then
            echo "https: httpsclock.py did not answer ($name): $(cat "$HOROLUX_HTTPS_DIR/log")" >&2
            https_stop
            return 1
        fi
        printf -v "HOROLUX_HTTPS_${name^^}_PORT" %s "$port"
    done
    export HOROLUX_HTTPS_GOOD_PORT HOROLUX_HTTPS_SELF_PORT HOROLUX_HTTPS_STRANGER_PORT \
        HOROLUX_HTTPS_PLAIN_PORT HOROLUX_HTTPS_PROXY_PORT HOROLUX_HTTPS_AHEAD_PORT \
        HOROLUX_HTTPS_BEHIND_PORT HOROLUX_HTTPS_PROXIED_PORT
}

https_stop() {
    _loopback_server_stop HOROLUX_HTTPS  # its own pid, and its folder
    unset HOROLUX_HTTPS_GOOD_PORT HOROLUX_HTTPS_SELF_PORT HOROLUX_HTTPS_STRANGER_PORT \
        HOROLUX_HTTPS_PLAIN_PORT HOROLUX_HTTPS_PROXY_PORT HOROLUX_HTTPS_AHEAD_PORT \
        HOROLUX_HTTPS_BEHIND_PORT HOROLUX_HTTPS_PROXIED_PORT
}

# NAME PORT [CA]: HEAD / on PORT gets 200 with a Date, over TLS to "localhost" trusting CA alone
# when one is given; for the proxy, a CONNECT gets its 403. Not through http_proxy, which a test
# run points at the time server.
_https_answers() {
    python3 - "$@" <<'PY'
import http.client, ssl, sys
name, port = sys.argv[1], int(sys.argv[2])
if len(sys.argv) > 3:
    context = ssl.create_default_context(cafile=sys.argv[3])
    if name in ("ahead", "behind"):
        context.verify_flags |= 0x200000  # X509_V_FLAG_NO_CHECK_TIME: valid only years off
    conn = http.client.HTTPSConnection("localhost", port, timeout=2, context=context)
else:
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=2)
if name == "proxy":
    conn.request("CONNECT", "localhost:443")
else:
    conn.request("HEAD", "/")
answer = conn.getresponse()
expected = 403 if name == "proxy" else 200
sys.exit(0 if answer.status == expected and answer.getheader("Date") else 1)
PY
}

# Runs TOOL_EXE (build/win/trust_test_ca.exe, tests/wine/tools/trust_test_ca.cpp) on the test CA
# in the current Wine session (script/lib/wine-session.sh).
nts_trust_test_ca() {  # TOOL_EXE
    local out
    out=$(timeout 60 "$WINE" "$1" <"$HOROLUX_NTS_CA" 2>&1) || {
        echo "nts: the test CA is not trusted: $out" >&2
        return 1
    }
}

# A test CA, a server certificate it issues, a self-signed one and one from a CA nobody trusts
# (served without its issuer, as a server that sends no chain does), all for localhost only (so
# that "127.0.0.1" is a wrong name), RSA 2048 for Windows' chain engine, valid from yesterday
# for 30 days: a clock a little behind still accepts them. Two more from the test CA are valid
# only around three years ahead and three years behind, for clocks that far off.
_nts_make_certificates() {  # DIR
    local dir=$1 name
    cat >"$dir/ca.cnf" <<CONF
[ca]
default_ca = test_ca
[test_ca]
database = $dir/index.txt
new_certs_dir = $dir
default_md = sha256
policy = any_name
rand_serial = yes
unique_subject = no
[any_name]
commonName = supplied
[ca_cert]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server_cert]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CONF
    touch "$dir/index.txt"
    for name in ca stranger-ca server self stranger ahead behind; do
        openssl req -new -newkey rsa:2048 -nodes -keyout "$dir/$name.key" -out "$dir/$name.csr" \
            -subj "/CN=$(case $name in ca) echo 'Horolux test CA' ;; stranger-ca) echo 'Stranger CA' ;; *) echo localhost ;; esac)" ||
            return 1
    done
    _nts_sign "$dir" ca ca_cert -selfsign -keyfile "$dir/ca.key" &&
        _nts_sign "$dir" stranger-ca ca_cert -selfsign -keyfile "$dir/stranger-ca.key" &&
        _nts_sign "$dir" server server_cert -cert "$dir/ca.pem" -keyfile "$dir/ca.key" &&
        _nts_sign "$dir" self server_cert -selfsign -keyfile "$dir/self.key" &&
        _nts_sign "$dir" stranger server_cert -cert "$dir/stranger-ca.pem" -keyfile "$dir/stranger-ca.key" &&
        _nts_sign "$dir" ahead server_cert -cert "$dir/ca.pem" -keyfile "$dir/ca.key" &&
        _nts_sign "$dir" behind server_cert -cert "$dir/ca.pem" -keyfile "$dir/ca.key"
}

# Valid from yesterday for 30 days; "ahead" and "behind" the same moved by _https_years_off days;
# the authorities from before the one behind to after the one ahead, as a root outlives them.
_nts_sign() {  # DIR NAME EXTENSIONS SIGNER...
    local dir=$1 name=$2 extensions=$3 from_days=-1 to_days=30
    shift 3
    case $name in
        ahead) from_days=$((_https_years_off - 1)) to_days=$((_https_years_off + 30)) ;;
        behind) from_days=$((-_https_years_off - 1)) to_days=$((-_https_years_off + 30)) ;;
        ca | stranger-ca) from_days=$((-_https_years_off - 30)) to_days=$((_https_years_off + 60)) ;;
    esac
    local from to
    from=$(date -u -d "$from_days days" +%Y%m%d%H%M%SZ) to=$(date -u -d "$to_days days" +%Y%m%d%H%M%SZ)
    openssl ca -batch -notext -config "$dir/ca.cnf" "$@" -in "$dir/$name.csr" -out "$dir/$name.pem" \
        -extensions "$extensions" -startdate "$from" -enddate "$to"
}

# chronyd -x as an NTS server on loopback with the certificate NAME; sets
# HOROLUX_NTS_<WHICH>_KE_PORT, _NTP_PORT and _PID. "ntsprocesses 0" keeps the key establishment
# in chronyd's own process, so stopping it stops all. "ahead" and "behind" run in a time
# _https_years_off days away (Debian's libfaketime, for chronyd alone), with the certificates of
# their own name, valid only around that time.
_nts_chrony_start() {  # CHRONY_ROOT WHICH(trusted|untrusted|ahead|behind) CERTIFICATE_NAME
    local dir=$HOROLUX_NTS_DIR/$2 which=${2^^} ke ntp pid shifted=()
    mkdir "$dir"
    ke=$(free_port tcp) ntp=$(free_port udp)
    {
        _chrony_config "$dir" "$ntp"
        cat <<CONF
ntsport $ke
ntsservercert $HOROLUX_NTS_DIR/$3.pem
ntsserverkey $HOROLUX_NTS_DIR/$3.key
ntsprocesses 0
ntsdumpdir $dir
CONF
    } >"$dir/chrony.conf"
    case $2 in
        ahead | behind)
            local faketime
            faketime=$(package_root libfaketime) || return 1
            shifted=(env "LD_PRELOAD=$faketime/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1"
                "FAKETIME=$([ "$2" = ahead ] && echo +)$([ "$2" = behind ] && echo -)${_https_years_off}d")
            ;;
    esac
    "${shifted[@]}" "$1/usr/sbin/chronyd" -x -d -f "$dir/chrony.conf" >"$dir/log" 2>&1 &
    pid=$!
    printf -v "HOROLUX_NTS_${which}_PID" %s "$pid"
    printf -v "HOROLUX_NTS_${which}_KE_PORT" %s "$ke"
    printf -v "HOROLUX_NTS_${which}_NTP_PORT" %s "$ntp"
    if _wait_until_answering "$pid" _ntp_answers "$ntp" &&
        _wait_until_answering "$pid" _nts_ke_answers "$ke" "$([ "$2" = untrusted ] && echo "$HOROLUX_NTS_DIR/stranger-ca.pem" || echo "$HOROLUX_NTS_DIR/ca.pem")"; then
        return 0
    fi
    echo "nts: chronyd ($2) did not answer: $(cat "$dir/log")" >&2
    return 1
}

# PORT [CA]: a TLS 1.3 key establishment with localhost:PORT (trusting CA, $HOROLUX_NTS_CA when
# not given) gets an answer up to its End of Message; prints the answer's record types.
_nts_ke_answers() {
    python3 - "$1" "${2:-$HOROLUX_NTS_CA}" <<'PY'
import socket, ssl, struct, sys
context = ssl.create_default_context(cafile=sys.argv[2])
context.verify_flags |= 0x200000  # X509_V_FLAG_NO_CHECK_TIME: some serve years off
context.minimum_version = ssl.TLSVersion.TLSv1_3
context.set_alpn_protocols(["ntske/1"])
request = bytes.fromhex("8001 0002 0000 8004 0002 000f 8000 0000")
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=2) as raw:
    with context.wrap_socket(raw, server_hostname="localhost") as tls:
        tls.sendall(request)
        data = b""
        while chunk := tls.recv(4096):
            data += chunk
types, at = [], 0
while at + 4 <= len(data):
    kind, length = struct.unpack(">HH", data[at:at + 4])
    types.append(kind & 0x7FFF)
    at += 4 + length
print(" ".join(map(str, types)))
sys.exit(0 if types and types[-1] == 0 else 1)
PY
}

# Up to 5 s until the probe (a command and its arguments) succeeds, while process pid lives.
_wait_until_answering() {  # PID PROBE...
    local pid=$1 _
    shift
    for _ in $(seq 50); do
        "$@" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

_ntp_answers() {  # PORT: an SNTP client request gets a whole answer
    python3 - "$1" <<'PY'
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(0.2)
s.sendto(b"\x23" + bytes(47), ("127.0.0.1", int(sys.argv[1])))
sys.exit(0 if len(s.recvfrom(512)[0]) >= 48 else 1)
PY
}

_tcp_accepts() {  # PORT
    timeout 2 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1"' _ "$1"
}
