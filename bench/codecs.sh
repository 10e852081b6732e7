#!/bin/bash
# Ralu's CPU during a call with each codec it offers: PCMU, G.722 and opus.
# The far end (SIPp on the telephone network side of the demo provider)
# takes only that codec and sends Ralu's audio back (-rtp_echo), so Ralu
# encodes and decodes it for the whole call. Ralu is call_setup_bench: the
# real Softphone and liblinphone client in one process, its audio from and
# to files (no sound server), so what differs between the codecs is the
# codec's own work (and, for opus, resampling 8 kHz to 48 kHz and back).
# CPU = utime + stime of all the process's threads over CALL_SECONDS from
# one second after the call is up, in % of one core; RUNS calls per codec,
# median (min-max). Also: Ralu idle (registered, no call) the same way.
#
#   bench/codecs.sh BUILD_DIR [RUNS (3)] [CALL_SECONDS (20)]
#
# Runs as root in a network namespace of its own (lib.sh); KEEP_BENCH_FILES=1
# keeps the work folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [RUNS] [CALL_SECONDS]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
runs="${2:-3}"
hold="${3:-20}"

log() { echo "codecs.sh: $*" >&2; }

source "$here/lib.sh"
bench_install kamailio sip-tester
cmake --build "$build" --target call_setup_bench ralu_billing_server >/dev/null
bench_bin="$build/bench/call_setup_bench"

work="$(mktemp -d /tmp/ralu-codecs-bench.XXXXXX)"
trap bench_cleanup EXIT
trap 'exit 130' INT TERM
bench_namespace "ralu-codecs-$$" || { log "needs root and ip netns"; exit 1; }
run "$top/scripts/provider.sh" start "$work/provider" --billing-server="$build/ralu_billing_server" >/dev/null

ticks_per_s=$(getconf CLK_TCK)
cpu_ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; } # utime + stime, all threads
# cpu_percent PID SECONDS: PID's CPU over SECONDS, % of one core.
cpu_percent() {
    local c0 c1 t0 t1
    c0=$(cpu_ticks "$1"); t0=$(now_us)
    sleep "$2"
    c1=$(cpu_ticks "$1"); t1=$(now_us)
    awk -v c=$((c1 - c0)) -v hz="$ticks_per_s" -v us=$((t1 - t0)) 'BEGIN {printf "%.2f", 100 * c / hz / (us / 1e6)}'
}
# wait_for FILE REGEX SECONDS
wait_for() {
    local deadline=$((SECONDS + $3))
    until grep -qE -- "$2" "$1" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}
summary() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {m = (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2; printf "%.2f (%.2f-%.2f)", m, a[1], a[NR]}'; }

# One call: the far end for CODEC, call_setup_bench holding the call; sets
# call_cpu (Ralu's CPU) and call_answer (the payload of the far end's answer
# as the provider relayed it).
one_call() {
    local codec="$1" n="$2" scenario args=() offset pid sipp_pid
    if [[ "$codec" == PCMU ]]; then scenario=farend-answer.xml; else scenario=farend-codec.xml; args=(-set codec "$codec"); fi
    "${in_ns[@]}" sipp -sf "$top/scripts/sipp/$scenario" -i 127.0.0.1 -p 5070 -mi 127.0.0.1 -mp 16000 -rtp_echo \
        -m 1 -nostdin "${args[@]}" >/dev/null 2>&1 &
    sipp_pid=$!
    pids+=("$sipp_pid")
    sleep 0.3
    offset=$(log_size)
    "${in_ns[@]}" env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" "$bench_bin" --runs 1 --hold $((hold + 2)) \
        >"$work/call-$codec-$n.out" 2>"$work/call-$codec-$n.err" &
    pid=$!
    pids+=("$pid")
    wait_for "$work/call-$codec-$n.out" '^HOLDING' 20 || { log "$codec: no call"; tail "$work/call-$codec-$n.err" >&2; exit 1; }
    sleep 1
    call_cpu=$(cpu_percent "$pid" "$hold")
    wait "$pid" || { log "$codec: call_setup_bench failed"; exit 1; }
    wait "$sipp_pid" 2>/dev/null || true
    # The far end's 200 OK: its m= line names the codec's payload number.
    call_answer=$(tail -c +$((offset + 1)) "$work/provider/kamailio.log" \
        | awk '/RALU-SIP-REPLY 127.0.0.1:5070 200/ {on=1} on && /^m=audio/ {sub(/\r$/, ""); p = $4; for (i = 5; i <= NF; i++) p = p " " $i; print p; exit}')
}

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

# Idle, for the floor: registered, no call.
"${in_ns[@]}" env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" "$bench_bin" --idle $((hold + 2)) \
    >"$work/idle.out" 2>"$work/idle.err" &
idle_pid=$!
pids+=("$idle_pid")
wait_for "$work/idle.out" '^IDLE' 20 || { log "idle: not registered"; tail "$work/idle.err" >&2; exit 1; }
sleep 1
idle=$(cpu_percent "$idle_pid" "$hold")
wait "$idle_pid" || true

declare -A results payloads
for codec in PCMU G722 opus; do
    log "$codec: $runs calls of $hold s"
    values=()
    for ((i = 1; i <= runs; i++)); do
        one_call "$codec" "$i"
        values+=("$call_cpu")
        payloads[$codec]="$call_answer"
    done
    results[$codec]="$(summary "${values[@]}")"
done

echo
echo "Ralu (in-process, audio files) during a $hold s call, CPU of one core, median (min-max) of $runs"
printf '  %-8s %-22s %s\n' codec "CPU %" "far end's answer (m= payload)"
printf '  %-8s %-22s %s\n' idle "$idle" "-"
for codec in PCMU G722 opus; do
    printf '  %-8s %-22s %s\n' "$codec" "${results[$codec]}" "${payloads[$codec]}"
done
