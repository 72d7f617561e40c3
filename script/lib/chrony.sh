# Sourced by script/test: a real NTP server nobody here wrote, Debian's chronyd, on a loopback
# port. It is taken out of its package without installing it (an installed chrony would start a
# daemon that disciplines this machine's clock) and run with -x, so it never touches the clock;
# "local stratum" makes it serve the machine's own clock.
#   chrony_start   then   chrony_stop        exports HOROLUX_CHRONY_PORT
_horolux_chrony_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/tools/chrony"

chrony_start() {
    chrony_stop
    local chronyd=$_horolux_chrony_dir/root/usr/sbin/chronyd _
    if [ ! -x "$chronyd" ]; then
        mkdir -p "$_horolux_chrony_dir"
        (cd "$_horolux_chrony_dir" && rm -f chrony_*.deb && apt-get download chrony >/dev/null 2>&1 &&
            dpkg -x chrony_*.deb root) || { echo "chrony: could not fetch the package" >&2; return 1; }
    fi
    HOROLUX_CHRONY_DIR=$(mktemp -d /tmp/horolux-chrony.XXXXXX)
    HOROLUX_CHRONY_PORT=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
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
    for _ in $(seq 50); do
        if python3 - "$HOROLUX_CHRONY_PORT" <<'PY' 2>/dev/null; then export HOROLUX_CHRONY_PORT; return 0; fi
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(0.2)
s.sendto(b"\x23" + bytes(47), ("127.0.0.1", int(sys.argv[1])))
sys.exit(0 if len(s.recvfrom(512)[0]) >= 48 else 1)
PY
        kill -0 "$HOROLUX_CHRONY_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "chrony: did not answer: $(cat "$HOROLUX_CHRONY_DIR/log")" >&2
    chrony_stop
    return 1
}

chrony_stop() {
    if [ -n "${HOROLUX_CHRONY_PID:-}" ]; then
        kill "$HOROLUX_CHRONY_PID" 2>/dev/null || true
        wait "$HOROLUX_CHRONY_PID" 2>/dev/null || true
    fi
    if [ -n "${HOROLUX_CHRONY_DIR:-}" ]; then rm -rf "$HOROLUX_CHRONY_DIR"; fi
    HOROLUX_CHRONY_PID="" HOROLUX_CHRONY_DIR=""
    unset HOROLUX_CHRONY_PORT
}
