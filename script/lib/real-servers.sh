# Sourced by script/test: servers nobody here wrote, on loopback ports, for the time sources to
# agree with: Debian's chronyd (NTP) and lighttpd (a stock web server's Date header). Each is taken
# out of its package without installing it: an installed chrony would start a daemon that
# disciplines this machine's clock, an installed lighttpd one on port 80.
#   chrony_start / chrony_stop        exports HOROLUX_CHRONY_PORT
#   lighttpd_start / lighttpd_stop    exports HOROLUX_LIGHTTPD_PORT
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
chrony_start() {
    chrony_stop
    local root _
    root=$(package_root chrony) || return 1
    local chronyd=$root/usr/sbin/chronyd
    HOROLUX_CHRONY_DIR=$(mktemp -d /tmp/horolux-chrony.XXXXXX)
    HOROLUX_CHRONY_PORT=$(free_port udp)
    cat >"$HOROLUX_CHRONY_DIR/chrony.conf" <<CONF
port $HOROLUX_CHRONY_PORT
bindaddress 127.0.0.1
local stratum 8
allow 127.0.0.1
cmdport 0
user root
pidfile $HOROLUX_CHRONY_DIR/chronyd.pid
driftfile $HOROLUX_CHRONY_DIR/drift
CONF
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
