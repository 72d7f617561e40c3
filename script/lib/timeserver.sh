# Sourced by script/run, script/test and script/bench: the loopback servers of tools/, on
# 127.0.0.1 only, each ending by itself after HOROLUX_TIMESERVER_LIFETIME seconds (default 3600)
# or when this shell ends.
#   timeserver_start [mode] / timeserver_stop   the time page (tools/timeserver.py), with Wine's
#       WinINet routed to it through http_proxy so the program's fixed URL never leaves the
#       machine; exports HOROLUX_TIMESERVER_PORT (the Wine tests' switch) and http_proxy
#   sntpserver_start / sntpserver_stop          three SNTP servers, each with a web-server clock on
#       its port (tools/sntpserver.py); exports HOROLUX_SNTPSERVER_PORT, _SNTPSERVER2_PORT and
#       _SNTPSERVER3_PORT
_horolux_tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tools"

timeserver_start() {
    timeserver_stop
    _loopback_server_start HOROLUX_TIMESERVER timeserver.py --mode "${1:-now}" || {
        timeserver_stop
        return 1
    }
    export http_proxy=http://127.0.0.1:$HOROLUX_TIMESERVER_PORT
}

timeserver_stop() {
    _loopback_server_stop HOROLUX_TIMESERVER
    unset http_proxy
}

sntpserver_start() {
    sntpserver_stop
    # More than one, so that several sources can be measured at once and some can be made wrong.
    _loopback_server_start HOROLUX_SNTPSERVER sntpserver.py &&
        _loopback_server_start HOROLUX_SNTPSERVER2 sntpserver.py &&
        _loopback_server_start HOROLUX_SNTPSERVER3 sntpserver.py || {
        sntpserver_stop
        return 1
    }
}

sntpserver_stop() {
    _loopback_server_stop HOROLUX_SNTPSERVER
    _loopback_server_stop HOROLUX_SNTPSERVER2
    _loopback_server_stop HOROLUX_SNTPSERVER3
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

# Starts tools/SCRIPT with a port file, its lifetime and the arguments given, and waits until it
# answers (a written port is not yet an answering server); sets PREFIX_DIR, PREFIX_PID and
# exports PREFIX_PORT.
_loopback_server_start() {  # PREFIX SCRIPT [arguments...]
    local prefix=$1 script=$2 dir pid _
    shift 2
    dir=$(mktemp -d "/tmp/horolux-${script%.py}.XXXXXX")
    python3 "$_horolux_tools/$script" --port-file "$dir/port" \
        --lifetime "${HOROLUX_TIMESERVER_LIFETIME:-3600}" "$@" 2>"$dir/log" &
    pid=$!
    printf -v "${prefix}_DIR" %s "$dir"
    printf -v "${prefix}_PID" %s "$pid"
    for _ in $(seq 100); do
        [ -s "$dir/port" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -s "$dir/port" ] && timeserver_answers "$(cat "$dir/port")"; then
        printf -v "${prefix}_PORT" %s "$(cat "$dir/port")"
        export "${prefix}_PORT"
        return 0
    fi
    echo "${script%.py}: did not start or does not answer: $(cat "$dir/log")" >&2
    return 1
}

_loopback_server_stop() {  # PREFIX
    local pid_var=${1}_PID dir_var=${1}_DIR
    if [ -n "${!pid_var:-}" ]; then
        kill "${!pid_var}" 2>/dev/null || true
        wait "${!pid_var}" 2>/dev/null || true
    fi
    if [ -n "${!dir_var:-}" ]; then rm -rf "${!dir_var}"; fi
    printf -v "$pid_var" %s ""
    printf -v "$dir_var" %s ""
    unset "${1}_PORT"
}
