# Sourced by script/run and script/test: the loopback time-page server (tools/timeserver.py), with
# Wine's WinINet routed to it through http_proxy so the program's fixed URL never leaves the machine.
#   timeserver_start [mode]   then   timeserver_stop
# Exports HOROLUX_TIMESERVER_PORT (the Wine tests' switch) and http_proxy. The server ends by
# itself after HOROLUX_TIMESERVER_LIFETIME seconds (default 3600) or when this shell ends.
_horolux_timeserver_py="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tools/timeserver.py"

timeserver_start() {
    local mode=${1:-now} _
    timeserver_stop
    HOROLUX_TIMESERVER_DIR=$(mktemp -d /tmp/horolux-timeserver.XXXXXX)
    local port_file=$HOROLUX_TIMESERVER_DIR/port
    python3 "$_horolux_timeserver_py" --port-file "$port_file" --mode "$mode" \
        --lifetime "${HOROLUX_TIMESERVER_LIFETIME:-3600}" 2>"$HOROLUX_TIMESERVER_DIR/log" &
    HOROLUX_TIMESERVER_PID=$!
    for _ in $(seq 100); do
        [ -s "$port_file" ] && break
        kill -0 "$HOROLUX_TIMESERVER_PID" 2>/dev/null || break
        sleep 0.05
    done
    if [ ! -s "$port_file" ]; then
        echo "timeserver: did not start: $(cat "$HOROLUX_TIMESERVER_DIR/log")" >&2
        timeserver_stop
        return 1
    fi
    HOROLUX_TIMESERVER_PORT=$(cat "$port_file")
    # A written port is not yet an answering server: ask it once before anyone relies on it.
    if ! timeserver_answers "$HOROLUX_TIMESERVER_PORT"; then
        echo "timeserver: port $HOROLUX_TIMESERVER_PORT does not answer: $(cat "$HOROLUX_TIMESERVER_DIR/log")" >&2
        timeserver_stop
        return 1
    fi
    export HOROLUX_TIMESERVER_PORT http_proxy=http://127.0.0.1:$HOROLUX_TIMESERVER_PORT
}

# True when the server on 127.0.0.1:PORT answers a control request within 5 s.
timeserver_answers() {
    local port=$1 status=""
    status=$(timeout 5 bash -c '
        exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 1
        printf "GET /control/last HTTP/1.0\r\n\r\n" >&3
        IFS= read -r line <&3 && printf "%s" "$line"' _ "$port" 2>/dev/null) || return 1
    [[ $status == "HTTP/1."?" 200"* ]]
}

timeserver_stop() {
    if [ -n "${HOROLUX_TIMESERVER_PID:-}" ]; then
        kill "$HOROLUX_TIMESERVER_PID" 2>/dev/null || true
        wait "$HOROLUX_TIMESERVER_PID" 2>/dev/null || true
    fi
    if [ -n "${HOROLUX_TIMESERVER_DIR:-}" ]; then rm -rf "$HOROLUX_TIMESERVER_DIR"; fi
    HOROLUX_TIMESERVER_PID="" HOROLUX_TIMESERVER_DIR=""
    unset HOROLUX_TIMESERVER_PORT http_proxy
}
