#!/bin/bash
# What idle customers cost the provider: SIPp plays N idle customers against
# the demo Kamailio (its own run folder and a subscriber table of N
# accounts) on loopback in a network namespace of the benchmark's own, each
# with one of Ralu's keep-alive patterns:
#   register  a REGISTER every 60 s (lifetime 600 s), a CRLF every 30 s;
#   probe     an OPTIONS every 49 s and a REGISTER every 540 s (liblinphone
#             renews a 600 s registration at 90 % of it), a CRLF every 30 s.
# Time runs SCALE times faster (every interval, the lifetime and the nonce's
# 300 s divided by SCALE); figures are scaled back to real time. Prints, per
# pattern and N: Kamailio's CPU (all its processes, /proc/PID/stat) per
# 1,000 customers, the requests (transactions) per customer per hour and the
# registrations lost. See bench/README.md.
#
#   bench/idle_customers.sh [N...]        (default: 1000 5000 10000)
# Environment: SCALE (10), PATTERNS ("register probe"), LOG_MESSAGES=1 keeps
# the demo's log line per message (off: a provider does not log each one).
# Run as root.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
log() { echo "idle_customers.sh: $*" >&2; }
counts=("$@")
((${#counts[@]})) || counts=(1000 5000 10000)
scale="${SCALE:-10}"
patterns="${PATTERNS:-register probe}"

source "$here/lib.sh"
bench_install kamailio sip-tester
work="$(mktemp -d /tmp/ralu-idle.XXXXXX)"
trap bench_cleanup EXIT
trap 'exit 130' INT TERM
bench_namespace "ralu-idle-$$" || { log "cannot create a network namespace (run as root)"; exit 1; }

ms() { awk -v s="$1" -v f="$scale" 'BEGIN { printf "%d", s * 1000 / f }'; }
cycle_ms=$(ms 540)          # one REGISTER cycle of the probe pattern: ramp and measured window
expires=$(ms 600); expires=$((expires / 1000))
nonce=$(ms 300); nonce=$(((nonce + 999) / 1000))
crlf_per_s=$(awk -v f="$scale" 'BEGIN { print f / 30 }') # per customer
rundir="$work/provider"
ctl() { kamcmd -s "unix:$rundir/kamailio_ctl" "$@"; }
kstat() { ctl stats.get_statistics all | awk -v k="$1" '{ gsub(/ /, "") } index($0, k "=") == 1 { sub(/^[^=]*=/, ""); print; exit }'; }
cpu_ticks() { # all of Kamailio's processes
    local pid="$1" p t=0
    for p in "$pid" $(ps -o pid= --ppid "$pid"); do
        t=$((t + $(awk '{ print $14 + $15 }' "/proc/$p/stat" 2>/dev/null || echo 0)))
    done
    echo "$t"
}

start_kamailio() {
    local n="$1" i
    rm -rf "$rundir"
    mkdir -p "$rundir/db"
    cp "$top/scripts/provider/db/version" "$top/scripts/provider/db/location" "$rundir/db/"
    head -1 "$top/scripts/provider/db/subscriber" >"$rundir/db/subscriber"
    echo SEQUENTIAL >"$work/users.csv"
    for ((i = 1; i <= n; i++)); do
        echo "$i:$((100000 + i)):127.0.0.1:pw$((100000 + i))::" >>"$rundir/db/subscriber"
        echo "$((100000 + i));[authentication username=$((100000 + i)) password=pw$((100000 + i))]" >>"$work/users.csv"
    done
    local debug=0
    [[ -z "${LOG_MESSAGES:-}" ]] || debug=2
    sed -e "s|@DB_URL@|text://$rundir/db|g" -e "s|@CTL_SOCKET@|$rundir/kamailio_ctl|g" \
        -e "s|@NONCE_EXPIRE@|$nonce|g" -e "s|@MIN_EXPIRES@|$expires|g" -e "s|@MAX_EXPIRES@|3600|g" \
        -e "s|^debug=2|debug=$debug|" "$top/scripts/provider/kamailio.cfg" >"$rundir/kamailio.cfg"
    "${in_ns[@]}" kamailio -f "$rundir/kamailio.cfg" -DD -E -m 256 -M 16 -Y "$rundir" \
        </dev/null >"$rundir/kamailio.log" 2>&1 &
    kamailio_pid=$!
    echo "$kamailio_pid" >"$rundir/kamailio.pid"
    for ((i = 0; i < 100; i++)); do
        [[ -S "$rundir/kamailio_ctl" ]] && run ss -Hlun "src 127.0.0.1:5060" | grep -q . && return 0
        sleep 0.1
    done
    log "kamailio did not start"; tail "$rundir/kamailio.log" >&2
    return 1
}

# CRLF keep-alives of n customers from one socket (Kamailio reads and drops
# them; who sends them costs it nothing more).
start_crlf() {
    "${in_ns[@]}" python3 -c '
import socket, sys, time
rate = float(sys.argv[1]); s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start = time.monotonic(); sent = 0
while True:
    due = int((time.monotonic() - start) * rate)
    while sent < due:
        s.sendto(b"\r\n\r\n", ("127.0.0.1", 5060)); sent += 1
    time.sleep(0.01)' "$1" &
    crlf_pid=$!
    pids+=("$crlf_pid")
}

printf '%-9s %6s %6s %8s %10s %8s %10s %8s %8s %8s %10s %6s\n' pattern N scale window_s kam_cpu_s idle_s \
    core%/1000 REG/h 401/h OPT/h trans/h lost
for pattern in $patterns; do
    for n in "${counts[@]}"; do
        start_kamailio "$n"
        # Kamailio's own timers, with nothing to do: not scaled with time.
        b0=$(cpu_ticks "$kamailio_pid")
        sleep 10
        idle_rate=$(awk -v t="$(($(cpu_ticks "$kamailio_pid") - b0))" 'BEGIN { print t / 100 / 10 }')
        sed -e "s|@REGISTER_MS@|$(ms 60)|g" -e "s|@PROBE_MS@|$((cycle_ms / 11))|g" -e "s|@PROBES@|11|g" \
            -e "s|@EXPIRES@|$expires|g" "$here/sipp/idle-$pattern.xml" >"$work/scenario.xml"
        # The customers start evenly over one cycle, so that their requests
        # spread as a real customer base's do.
        "${in_ns[@]}" sipp -sf "$work/scenario.xml" -inf "$work/users.csv" -i 127.0.0.1 -p 5090 \
            -r "$n" -rp "$cycle_ms" -m "$n" -l "$n" -nostdin -max_socket 1024 \
            -trace_stat -stf "$work/sipp-stat.csv" -fd 2 -trace_err -error_file "$work/sipp-errors.log" \
            127.0.0.1:5060 </dev/null >"$work/sipp.out" 2>&1 &
        sipp_pid=$!
        pids+=("$sipp_pid")
        start_crlf "$(awk -v n="$n" -v r="$crlf_per_s" 'BEGIN { print n * r }')"
        sleep "$(awk -v m="$cycle_ms" 'BEGIN { print m / 1000 + 2 }')"

        t0=$EPOCHREALTIME c0=$(cpu_ticks "$kamailio_pid")
        reg0=$(kstat core:rcv_requests_register) opt0=$(kstat core:rcv_requests_options)
        ch0=$(kstat sl:401_replies)
        sleep "$(awk -v m="$cycle_ms" 'BEGIN { print m / 1000 }')"
        c1=$(cpu_ticks "$kamailio_pid") t1=$EPOCHREALTIME
        reg1=$(kstat core:rcv_requests_register) opt1=$(kstat core:rcv_requests_options)
        ch1=$(kstat sl:401_replies)
        users=$(kstat usrloc:registered_users)
        kill "$sipp_pid" "$crlf_pid" 2>/dev/null || true
        wait "$sipp_pid" "$crlf_pid" 2>/dev/null || true
        failed=$(awk -F';' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "FailedCall(C)") col = i } END { print $col + 0 }' "$work/sipp-stat.csv" 2>/dev/null || echo "?")
        run "$top/scripts/provider.sh" stop "$rundir" >/dev/null
        awk -v p="$pattern" -v n="$n" -v f="$scale" -v t0="$t0" -v t1="$t1" -v c="$((c1 - c0))" \
            -v reg="$((reg1 - reg0))" -v opt="$((opt1 - opt0))" -v ch="$((ch1 - ch0))" \
            -v lost="$((n - users))" -v failed="$failed" -v idle="$idle_rate" 'BEGIN {
                w = t1 - t0; hours = w * f / 3600; cpu = c / 100; base = idle * w
                printf "%-9s %6d %6d %8.1f %10.2f %8.2f %10.3f %8.1f %8.1f %8.1f %10.1f %6s\n", p, n, f, w, cpu, base,
                    100 * (cpu - base) / w / f * 1000 / n, (reg - ch) / n / hours, ch / n / hours, opt / n / hours,
                    (reg + opt) / n / hours, lost "/" failed }'
    done
done
