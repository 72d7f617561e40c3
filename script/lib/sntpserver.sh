# Sourced by script/run and script/test: the loopback SNTP server and web-server clock
# (tools/sntpserver.py), both on one port of 127.0.0.1 (UDP for SNTP, TCP for HTTP).
#   sntpserver_start   then   sntpserver_stop
# Exports HOROLUX_SNTPSERVER_PORT. The server ends by itself after HOROLUX_TIMESERVER_LIFETIME
# seconds (default 3600) or when this shell ends.
_horolux_sntpserver_py="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tools/sntpserver.py"

sntpserver_start() {
    sntpserver_stop
    HOROLUX_SNTPSERVER_DIR=$(mktemp -d /tmp/horolux-sntpserver.XXXXXX)
    local port_file=$HOROLUX_SNTPSERVER_DIR/port _
    python3 "$_horolux_sntpserver_py" --port-file "$port_file" \
        --lifetime "${HOROLUX_TIMESERVER_LIFETIME:-3600}" 2>"$HOROLUX_SNTPSERVER_DIR/log" &
    HOROLUX_SNTPSERVER_PID=$!
    for _ in $(seq 100); do
        [ -s "$port_file" ] && break
        kill -0 "$HOROLUX_SNTPSERVER_PID" 2>/dev/null || break
        sleep 0.05
    done
    # A written port is not yet an answering server: ask it once before anyone relies on it.
    if [ ! -s "$port_file" ] || ! timeserver_answers "$(cat "$port_file")"; then
        echo "sntpserver: did not start: $(cat "$HOROLUX_SNTPSERVER_DIR/log")" >&2
        sntpserver_stop
        return 1
    fi
    HOROLUX_SNTPSERVER_PORT=$(cat "$port_file")
    export HOROLUX_SNTPSERVER_PORT
}

sntpserver_stop() {
    if [ -n "${HOROLUX_SNTPSERVER_PID:-}" ]; then
        kill "$HOROLUX_SNTPSERVER_PID" 2>/dev/null || true
        wait "$HOROLUX_SNTPSERVER_PID" 2>/dev/null || true
    fi
    if [ -n "${HOROLUX_SNTPSERVER_DIR:-}" ]; then rm -rf "$HOROLUX_SNTPSERVER_DIR"; fi
    HOROLUX_SNTPSERVER_PID="" HOROLUX_SNTPSERVER_DIR=""
    unset HOROLUX_SNTPSERVER_PORT
}
