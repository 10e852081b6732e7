#!/bin/bash
# Soak run of the real ralu executable: CALLS calls against the local demo
# provider, driven the way a user drives it (keys typed into the number box
# and clicks on the call buttons of its window, on a virtual X display), in
# five kinds taken in turn:
#   out-local   outgoing, answered, hung up with the end button
#   out-remote  outgoing, answered, hung up by the far end
#   in-answer   incoming, answered with the dial button, ended by the caller
#   in-reject   incoming, rejected with the end button (486 Busy Here)
#   in-abandon  incoming, the caller gives up while it rings
# Then prints resident memory and open files after call 10 and after the
# last call, the growth per call between them, and the number of call
# history entries written (one per call expected). See bench/README.md.
#
#   bench/soak.sh BUILD_DIR [CALLS (1000)]
# SOAK_WRAP="heaptrack -o FILE" (or valgrind...) runs ralu under a tool;
# SOAK_KINDS="in-answer" (any of the kinds above) makes only those calls;
# KEEP_BENCH_FILES=1 keeps the work folder (logs, history, samples).
# Run as root: it makes a network namespace of its own, and ralu cannot be
# dumped, so only root reads its /proc/PID/fd.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [CALLS]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
calls="${2:-1000}"
((calls >= 11)) || { echo "soak.sh: CALLS must be at least 11" >&2; exit 2; }
number=7 # not an account: the provider hands it to the far end
read -r -a kinds <<<"${SOAK_KINDS:-out-local out-remote in-answer in-reject in-abandon}"
# Window-relative centres of the controls (windows/MainControls.h): the dial
# button Picture6 (60,137 38x36) and the end button Picture8 (135,137 38x36).
DIAL_X=79 DIAL_Y=155 END_X=154 END_Y=155

log() { echo "soak.sh: $*" >&2; }

source "$here/lib.sh"
bench_install xvfb xdotool pulseaudio kamailio sip-tester
cmake --build "$build" --target ralu ralu_billing_server >/dev/null
if ldd "$build/ralu" | grep -q libasan; then
    log "ralu is built with AddressSanitizer: its resident memory includes the sanitizer's quarantine"
    log "(up to 256 MB), shadow and stack traces, which grow with every call (bench/README.md)"
fi

work="$(mktemp -d /tmp/ralu-soak.XXXXXX)"
trap bench_cleanup EXIT
trap 'exit 130' INT TERM
bench_namespace "ralu-soak-$$" || { log "cannot create a network namespace (run as root)"; exit 1; }

# ------------------------------------------- provider, far end, sound, display
run "$top/scripts/provider.sh" start "$work/provider" --billing-server="$build/ralu_billing_server" >/dev/null
plog="$work/provider/kamailio.log"
# The telephone network's far end: answers after 0.2 s, hangs up after 1 s
# unless Ralu hung up first.
run sipp -sf "$top/scripts/sipp/farend-hangup.xml" -i 127.0.0.1 -p 5070 -mi 127.0.0.1 -mp 16000 -rtp_echo \
    -nostdin -set ring_ms 200 -set hangup_ms 1000 -trace_err -error_file "$work/farend-errors.log" \
    </dev/null >/dev/null 2>&1 &
pids+=($!)

home="$work/home"
start_pulse "$home"
start_xvfb

# ---------------------------------------------------------------- ralu
save_login "$home"
# A copy of its own: the call history is written beside the executable.
cp "$build/ralu" "$work/ralu"
history="$work/recentcall.txt"
read -r -a wrap <<<"${SOAK_WRAP:-}"
run env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" XDG_RUNTIME_DIR="$work/runtime" \
    PULSE_SERVER="$PULSE_SERVER" QT_QPA_PLATFORM=xcb "${wrap[@]}" "$work/ralu" >"$work/ralu.log" 2>&1 &
pids+=($!)

wait_log 0 'RALU-SIP-LOCAL 200 REGISTER' 60 || { log "ralu did not register"; cat "$work/ralu.log" >&2; exit 1; }
# Ralu's own SIP address, as the provider sees it.
ralu_addr="$(grep -aoE 'RALU-SIP-IN 127\.0\.0\.1:[0-9]+ REGISTER' "$plog" | tail -n 1 | cut -d' ' -f2)"
ralu_re="${ralu_addr//./\\.}"
ralu_pid=""
for pid in $(ip netns pids "$ns"); do
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == ralu ]] && ralu_pid="$pid"
done
[[ -n "$ralu_pid" ]] || { log "no ralu process"; exit 1; }
window=""
for ((i = 0; i < 100; i++)); do
    window="$(run xdotool search --onlyvisible --pid "$ralu_pid" 2>/dev/null | head -n 1 || true)"
    [[ -n "$window" ]] && break
    sleep 0.05
done
[[ -n "$window" ]] || { log "no ralu window"; exit 1; }
sleep 1

click() { run xdotool mousemove --window "$window" "$1" "$2" click 1; }
# caller SCENARIO ARGS...: one call from the telephone network to 1001.
caller() {
    local scenario="$1"; shift
    run sipp -sf "$top/scripts/sipp/$scenario" -i 127.0.0.1 -p 5080 -mi 127.0.0.1 -mp 17000 \
        -s 1001 -m 1 -nostdin -timeout 30 -timeout_error "$@" 127.0.0.1:5060 \
        </dev/null >>"$work/callers.log" 2>&1
}

# one_call KIND: true when the call went as that kind goes.
one_call() {
    local kind="$1" offset caller_pid
    offset=$(log_size)
    case "$kind" in
    out-local | out-remote)
        run xdotool windowfocus --sync "$window" type "$number"
        run xdotool key Return
        wait_log "$offset" "RALU-SIP-IN $ralu_re ACK sip:127\\.0\\.0\\.1:5070" 10 || return 1
        if [[ "$kind" == out-local ]]; then
            sleep 0.3
            click "$END_X" "$END_Y"
            wait_log "$offset" "RALU-SIP-IN $ralu_re BYE " 10 || return 1
        else
            wait_log "$offset" 'RALU-SIP-IN 127\.0\.0\.1:5070 BYE ' 10 || return 1
        fi
        ;;
    in-answer | in-reject)
        local args=(caller-answered.xml -set talk_ms 500) button=("$DIAL_X" "$DIAL_Y")
        if [[ "$kind" == in-reject ]]; then
            args=(caller-expect-busy.xml)
            button=("$END_X" "$END_Y")
        fi
        caller "${args[@]}" &
        caller_pid=$!
        if wait_log "$offset" "RALU-SIP-REPLY $ralu_re 180 " 10; then
            sleep 0.2
            click "${button[@]}"
        fi
        wait "$caller_pid" || return 1
        ;;
    in-abandon)
        caller caller-cancel.xml -set ring_ms 500 || return 1
        ;;
    *)
        log "unknown kind of call: $kind"
        exit 2
        ;;
    esac
    # The end of a call asks the billing server for the balance and, 2 ms
    # later, empties the number box.
    sleep 0.3
}

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$ralu_pid/status"; }
# smaps_rss FILE: resident kB per mapping name from /proc/PID/smaps into
# FILE; anonymous mappings are named by their address's top 16 bits, which
# tell the main heap, thread arenas and stacks, a sanitizer's shadow and heap
# apart.
smaps_rss() {
    awk '/^[0-9a-f]+-[0-9a-f]+ / {
             name = $6
             if (name == "") { a = substr($1, 1, index($1, "-") - 1); while (length(a) < 12) a = "0" a; name = "[anon:" substr(a, 1, 4) "...]" }
         }
         /^Rss:/ {rss[name] += $2}
         END {for (n in rss) print rss[n], n}' "/proc/$ralu_pid/smaps" >"$1"
}
fd_count() { ls "/proc/$ralu_pid/fd" | wc -l; }
entries() { grep -caE '^(D|R|M)::' "$history" 2>/dev/null || true; }

log "ralu pid $ralu_pid registered from $ralu_addr; $calls calls"
echo "call rss_kb fds history_entries elapsed_s" >"$work/samples.txt"
failed=0
start=$SECONDS
for ((n = 1; n <= calls; n++)); do
    kind="${kinds[(n - 1) % ${#kinds[@]}]}"
    if ! one_call "$kind"; then
        failed=$((failed + 1))
        log "call $n ($kind) did not go as expected"
        ((failed <= 20)) || { log "too many failed calls, giving up"; exit 1; }
        sleep 2
    fi
    kill -0 "$ralu_pid" 2>/dev/null || { log "ralu ended during call $n"; tail -20 "$work/ralu.log" >&2; exit 1; }
    ((n == 10)) && smaps_rss "$work/smaps-10.txt"
    ((n == calls)) && smaps_rss "$work/smaps-last.txt"
    if ((n == 10 || n == calls || n % 50 == 0)); then
        echo "$n $(rss_kb) $(fd_count) $(entries) $((SECONDS - start))" >>"$work/samples.txt"
        ((n % 100 == 0)) && log "call $n: $(tail -n 1 "$work/samples.txt")"
    fi
done
elapsed=$((SECONDS - start))

read -r _ rss10 fds10 _ _ < <(awk '$1 == 10' "$work/samples.txt")
read -r _ rssN fdsN _ _ < <(awk -v n="$calls" '$1 == n' "$work/samples.txt")
written=$(entries)
echo
echo "$calls calls in ${elapsed} s ($(awk -v s="$elapsed" -v n="$calls" 'BEGIN {printf "%.2f", s / n}') s a call), $failed not as expected"
printf '%-22s %12s %12s\n' "" "after call 10" "after call $calls"
printf '%-22s %12s %12s\n' "resident memory (kB)" "$rss10" "$rssN"
printf '%-22s %12s %12s\n' "open files" "$fds10" "$fdsN"
awk -v a="$rss10" -v b="$rssN" -v n="$((calls - 10))" \
    'BEGIN {printf "growth per call after call 10: %.2f kB (%d kB over %d calls)\n", (b - a) / n, b - a, n}'
echo "history entries written: $written (expected $calls)"
echo "resident memory that grew most from call 10 to call $calls, by mapping (kB):"
awk 'NR == FNR {a[$2] = $1; next} {d = $1 - a[$2]; if (d != 0) printf "%8d  %s\n", d, $2}' \
    "$work/smaps-10.txt" "$work/smaps-last.txt" | sort -rn | head -n 5
echo "samples (call, RSS kB, open files, history entries, seconds):"
sed 1d "$work/samples.txt" | sed 's/^/  /'
((failed == 0 && written == calls && fdsN == fds10))
