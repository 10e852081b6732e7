#!/bin/bash
# Local demo/test provider for Ralu: Kamailio registrar/proxy on
# udp:127.0.0.1:5060, the billing server on tcp:127.0.0.1:8088 and,
# optionally, a SIPp "telephone network" far end on udp:127.0.0.1:5070.
#
#   provider.sh start RUNDIR [--far-end[=answer|hangup|noanswer|busy]]
#                            [--billing-server=PATH] [--nonce-expire=SECONDS]
#   provider.sh stop RUNDIR
#   provider.sh status RUNDIR
#
# The billing server is the build's ralu_billing_server: --billing-server,
# else $RALU_BILLING_SERVER, else build/ralu_billing_server of this source
# tree. Without one the provider runs without billing (with a warning).
#
# RUNDIR receives the rendered config (kamailio.cfg), the db_text tables
# (db/), kamailio.log, kamailio.pid, kamailio_ctl (kamcmd socket),
# billing.log, billing.pid and, with --far-end, farend.pid,
# farend-messages.log and farend-errors.log.
# See scripts/PROVIDER.md.
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
PROVIDER_DIR="$HERE/provider"
SIPP_DIR="$HERE/sipp"

SIP_IP=127.0.0.1
SIP_PORT=5060
BILLING_PORT=8088
# /proc/PID/comm keeps 15 characters of ralu_billing_server.
BILLING_COMM=ralu_billing_se
FAREND_PORT=5070
FAREND_MEDIA_PORT=16000
START_TIMEOUT_S=5
STOP_TIMEOUT_S=5

die() { echo "provider.sh: $*" >&2; exit 1; }

usage() {
    cat >&2 <<EOF
usage: $0 start RUNDIR [--far-end[=answer|hangup|noanswer|busy]] [--billing-server=PATH]
                      [--nonce-expire=SECONDS]
       $0 stop RUNDIR
       $0 status RUNDIR
EOF
    exit 2
}

# True when something listens on UDP port $1 at an address covering 127.0.0.1.
udp_port_busy() {
    local port="$1"
    ss -Hlun 2>/dev/null | awk -v p=":$port" '
        { addr = $4; n = length(p)
          if (substr(addr, length(addr) - n + 1) == p) {
              host = substr(addr, 1, length(addr) - n)
              if (host == "127.0.0.1" || host == "0.0.0.0" || host == "*" || host == "[::]" || host == "[::ffff:127.0.0.1]") found = 1
          } }
        END { exit found ? 0 : 1 }'
}

udp_port_listening() {
    local ip="$1" port="$2"
    ss -Hlun "src $ip:$port" 2>/dev/null | grep -q .
}

tcp_port_listening() {
    local ip="$1" port="$2"
    ss -Hltn "src $ip:$port" 2>/dev/null | grep -q .
}

# True when something listens on TCP port $1 at an address covering 127.0.0.1.
tcp_port_busy() {
    local port="$1"
    tcp_port_listening 127.0.0.1 "$port" || tcp_port_listening 0.0.0.0 "$port" \
        || ss -Hltn "src [::]:$port" 2>/dev/null | grep -q .
}

# pid_alive PIDFILE COMM -> prints the pid and succeeds when the recorded
# process is still alive and is the expected program.
pid_alive() {
    local pidfile="$1" comm="$2" pid
    [[ -f "$pidfile" ]] || return 1
    pid="$(tr -dc '0-9' <"$pidfile")"
    [[ -n "$pid" ]] || return 1
    [[ -r "/proc/$pid/comm" ]] || return 1
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == "$comm" ]] || return 1
    echo "$pid"
}

stop_one() {
    local pidfile="$1" comm="$2" name="$3" pid i
    if ! pid="$(pid_alive "$pidfile" "$comm")"; then
        if [[ -f "$pidfile" ]]; then
            echo "provider.sh: $name not running (stale $pidfile removed)"
            rm -f "$pidfile"
        fi
        return 0
    fi
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < STOP_TIMEOUT_S * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "provider.sh: $name (pid $pid) ignored SIGTERM for ${STOP_TIMEOUT_S}s, sending SIGKILL" >&2
        kill -KILL "$pid" 2>/dev/null || true
        for ((i = 0; i < 20; i++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$pidfile"
    echo "provider.sh: $name stopped (pid $pid)"
}

# wait_listening PID IP PORT NAME LOGFILE [tcp]
wait_listening() {
    local pid="$1" ip="$2" port="$3" name="$4" log="$5" proto="${6:-udp}" i
    for ((i = 0; i < START_TIMEOUT_S * 20; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "provider.sh: $name exited during start-up; last lines of $log:" >&2
            tail -n 30 "$log" >&2 || true
            return 1
        fi
        if "${proto}_port_listening" "$ip" "$port"; then
            return 0
        fi
        sleep 0.05
    done
    echo "provider.sh: $name (pid $pid) is not listening on $proto:$ip:$port after ${START_TIMEOUT_S}s; last lines of $log:" >&2
    tail -n 30 "$log" >&2 || true
    return 1
}

start_farend() {
    local rundir="$1" variant="$2" scenario pid
    scenario="$SIPP_DIR/farend-$variant.xml"
    [[ -f "$scenario" ]] || die "unknown far-end variant '$variant' (no $scenario)"
    if udp_port_busy "$FAREND_PORT"; then
        die "something already listens on udp port $FAREND_PORT; not starting the far end"
    fi
    # The screen output of a background SIPp is useless; messages and
    # errors go to files in the run folder.
    sipp -sf "$scenario" -i "$SIP_IP" -p "$FAREND_PORT" \
        -mi "$SIP_IP" -mp "$FAREND_MEDIA_PORT" -rtp_echo -nostdin \
        -trace_msg -message_file "$rundir/farend-messages.log" \
        -trace_err -error_file "$rundir/farend-errors.log" \
        </dev/null >/dev/null 2>>"$rundir/farend-errors.log" &
    pid=$!
    echo "$pid" >"$rundir/farend.pid"
    if ! wait_listening "$pid" "$SIP_IP" "$FAREND_PORT" "far end (sipp $variant)" "$rundir/farend-errors.log"; then
        stop_one "$rundir/farend.pid" sipp "far end"
        return 1
    fi
    echo "provider.sh: far end ($variant) listening on udp:$SIP_IP:$FAREND_PORT (pid $pid)"
}

# The billing server binary, or nothing.
find_billing_server() {
    local given="$1" candidate
    for candidate in "$given" "${RALU_BILLING_SERVER:-}" "$(dirname "$HERE")/build/ralu_billing_server"; do
        if [[ -n "$candidate" && -x "$candidate" ]]; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

start_billing() {
    local rundir="$1" bin="$2" pid
    if tcp_port_busy "$BILLING_PORT"; then
        echo "provider.sh: something already listens on tcp port $BILLING_PORT:" >&2
        ss -Hltnp 2>/dev/null | grep ":$BILLING_PORT\b" >&2 || true
        return 1
    fi
    "$bin" --port "$BILLING_PORT" --log "$rundir/billing.log" \
        </dev/null >/dev/null 2>>"$rundir/billing-errors.log" &
    pid=$!
    echo "$pid" >"$rundir/billing.pid"
    if ! wait_listening "$pid" "$SIP_IP" "$BILLING_PORT" "billing server" "$rundir/billing-errors.log" tcp; then
        stop_one "$rundir/billing.pid" "$BILLING_COMM" "billing server" >/dev/null
        return 1
    fi
    echo "provider.sh: billing server listening on tcp:$SIP_IP:$BILLING_PORT (pid $pid, log $rundir/billing.log)"
}

cmd_start() {
    local rundir="$1"; shift
    local farend="" billing_given="" billing="" nonce_expire=300
    while (($#)); do
        case "$1" in
            --far-end) farend=answer ;;
            --far-end=*) farend="${1#--far-end=}" ;;
            --billing-server=*) billing_given="${1#--billing-server=}" ;;
            --nonce-expire=*) nonce_expire="${1#--nonce-expire=}" ;;
            *) usage ;;
        esac
        shift
    done
    [[ -z "$billing_given" || -x "$billing_given" ]] || die "no billing server at $billing_given"
    [[ "$nonce_expire" =~ ^[1-9][0-9]{0,5}$ ]] || die "--nonce-expire wants seconds, not '$nonce_expire'"
    if pid_alive "$rundir/billing.pid" "$BILLING_COMM" >/dev/null 2>&1; then
        billing="" # kept, see below
    elif ! billing="$(find_billing_server "$billing_given")"; then
        echo "provider.sh: warning: no ralu_billing_server built (give --billing-server=PATH);" \
             "the provider runs without billing" >&2
        billing=""
    fi

    command -v kamailio >/dev/null || die "kamailio not installed (run scripts/install-deps.sh)"
    [[ -z "$farend" ]] || command -v sipp >/dev/null || die "sipp not installed (run scripts/install-deps.sh)"

    mkdir -p "$rundir"
    rundir="$(cd "$rundir" && pwd)"

    local pid
    if pid="$(pid_alive "$rundir/kamailio.pid" kamailio)"; then
        die "a provider already runs from $rundir (kamailio pid $pid); stop it first"
    fi
    if udp_port_busy "$SIP_PORT"; then
        echo "provider.sh: something already listens on udp port $SIP_PORT:" >&2
        ss -Hlunp 2>/dev/null | grep ":$SIP_PORT\b" >&2 || true
        die "refusing to start a second SIP server"
    fi

    # Fresh copy of the account tables and the config for this run; the
    # registrations (db/location) of an earlier run from this folder are
    # kept, as a real provider keeps them across a restart.
    mkdir -p "$rundir/db"
    local table
    for table in "$PROVIDER_DIR"/db/*; do
        if [[ "$(basename "$table")" != location || ! -s "$rundir/db/location" ]]; then
            cp "$table" "$rundir/db/"
        fi
    done
    local esc_db esc_ctl
    esc_db="$(printf '%s' "text://$rundir/db" | sed 's/[\\&|]/\\&/g')"
    esc_ctl="$(printf '%s' "$rundir/kamailio_ctl" | sed 's/[\\&|]/\\&/g')"
    sed -e "s|@DB_URL@|$esc_db|g" -e "s|@CTL_SOCKET@|$esc_ctl|g" -e "s|@NONCE_EXPIRE@|$nonce_expire|g" \
        "$PROVIDER_DIR/kamailio.cfg" >"$rundir/kamailio.cfg"

    : >"$rundir/kamailio.log"
    kamailio -f "$rundir/kamailio.cfg" -DD -E -m 32 -M 8 -Y "$rundir" \
        </dev/null >>"$rundir/kamailio.log" 2>&1 &
    pid=$!
    echo "$pid" >"$rundir/kamailio.pid"
    if ! wait_listening "$pid" "$SIP_IP" "$SIP_PORT" kamailio "$rundir/kamailio.log"; then
        stop_one "$rundir/kamailio.pid" kamailio kamailio >/dev/null
        die "kamailio failed to start"
    fi
    echo "provider.sh: kamailio listening on udp:$SIP_IP:$SIP_PORT (pid $pid, log $rundir/kamailio.log)"

    if pid="$(pid_alive "$rundir/billing.pid" "$BILLING_COMM")"; then
        # Kamailio alone was stopped (a provider outage): the billing
        # server of this folder goes on.
        echo "provider.sh: billing server still running (pid $pid), kept"
    elif [[ -n "$billing" ]]; then
        : >"$rundir/billing.log"
        if ! start_billing "$rundir" "$billing"; then
            stop_one "$rundir/kamailio.pid" kamailio kamailio
            die "billing server failed to start"
        fi
    fi

    if [[ -n "$farend" ]]; then
        if ! start_farend "$rundir" "$farend"; then
            stop_one "$rundir/billing.pid" "$BILLING_COMM" "billing server"
            stop_one "$rundir/kamailio.pid" kamailio kamailio
            die "far end failed to start"
        fi
    fi
}

cmd_stop() {
    local rundir="$1"
    [[ -d "$rundir" ]] || { echo "provider.sh: no run folder $rundir, nothing to stop"; return 0; }
    stop_one "$rundir/farend.pid" sipp "far end"
    stop_one "$rundir/billing.pid" "$BILLING_COMM" "billing server"
    stop_one "$rundir/kamailio.pid" kamailio kamailio
}

cmd_status() {
    local rundir="$1" rc=0 pid
    if pid="$(pid_alive "$rundir/kamailio.pid" kamailio)"; then
        echo "kamailio: running (pid $pid)"
    else
        echo "kamailio: stopped"; rc=1
    fi
    if pid="$(pid_alive "$rundir/billing.pid" "$BILLING_COMM")"; then
        echo "billing server: running (pid $pid)"
    else
        echo "billing server: stopped"
    fi
    if pid="$(pid_alive "$rundir/farend.pid" sipp)"; then
        echo "far end: running (pid $pid)"
    else
        echo "far end: stopped"
    fi
    return $rc
}

(($# >= 2)) || usage
case "$1" in
    start) shift; cmd_start "$@" ;;
    stop) (($# == 2)) || usage; cmd_stop "$2" ;;
    status) (($# == 2)) || usage; cmd_status "$2" ;;
    *) usage ;;
esac
