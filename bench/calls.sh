#!/bin/bash
# Call benchmarks of Ralu against other Debian softphones (linphonec from
# linphone-cli, baresip), all against the local demo provider, in one run:
#
#  1. Call set-up time, several calls each, medians:
#       dial -> first INVITE on the wire (answered 407 by the provider),
#       dial -> authenticated INVITE on the wire,
#       200 OK relayed to the softphone -> the softphone says it is connected.
#     "Dial" is Enter pressed in Ralu's number box (bench program
#     call_setup_bench: an in-process Ralu with the real liblinphone client)
#     or the dial command written to the other softphone's standard input.
#     Packets are captured with tshark on lo; all moments are wall-clock
#     times of the same system clock.
#  2. CPU and resident memory during a call held CALL_SECONDS: the real ralu
#     executable (on a virtual X display, the number typed with xdotool), the
#     in-process bench program, linphonec and baresip, one after the other.
#
# Everything (provider, far end, tshark, PulseAudio null sink, Xvfb and the
# softphones) runs in a network namespace of its own with only loopback up,
# so other users of 127.0.0.1:5060/5070/5080 on this machine are not
# disturbed. Without `ip netns` it falls back to the host's loopback (and
# warns): the provider then refuses to start when port 5060 is taken.
#
#   bench/calls.sh BUILD_DIR [RUNS (7)] [CALL_SECONDS (30)]
# KEEP_BENCH_FILES=1 keeps the work folder (captures, logs, outputs).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [RUNS] [CALL_SECONDS]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
runs="${2:-7}"
hold="${3:-30}"
number=7 # not an account: the provider hands it to the far end

LINPHONEC_PORT=5092
BARESIP_PORT=5094

log() { echo "calls.sh: $*" >&2; }

# ------------------------------------------------------------ dependencies
source "$here/lib.sh"
bench_install linphone-cli baresip-core tshark xvfb xdotool pulseaudio pulseaudio-utils libasound2-plugins sox kamailio sip-tester

# ------------------------------------------------------------------- build
cmake --build "$build" --target call_setup_bench ralu >/dev/null
bench_bin="$build/bench/call_setup_bench"

# ---------------------------------------------------- work folder, cleanup
work="$(mktemp -d /tmp/ralu-calls-bench.XXXXXX)"
trap bench_cleanup EXIT
trap 'exit 130' INT TERM
if bench_namespace "ralu-bench-$$"; then
    log "network namespace $ns (loopback only)"
else
    log "WARNING: cannot create a network namespace (not root, or no 'ip netns'):"
    log "WARNING: running on the host's loopback; other tests on 127.0.0.1:5060/5070/5080 will collide"
fi

home="$work/home"
mkdir -p "$work/lpc-home" "$work/baresip"
sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 60 sine 440 vol 0.3 2>/dev/null

# ------------------------------------------------------------ helpers
# wait_line FILE REGEX COUNT SECONDS: prints the time stamp of the COUNT-th
# line matching REGEX; fails after SECONDS.
wait_line() {
    local file="$1" re="$2" count="$3" deadline=$((SECONDS + $4)) hit
    while :; do
        hit="$(grep -aE -- "$re" "$file" 2>/dev/null | sed -n "${count}p")"
        [[ -n "$hit" ]] && { echo "${hit%% *}"; return 0; }
        ((SECONDS < deadline)) || return 1
        sleep 0.02
    done
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {if (NR == 0) print "NA"; else printf "%.1f", (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
range() { printf '%s\n' "$@" | sort -g | awk 'NR == 1 {lo=$1} {hi=$1} END {printf "%.1f-%.1f", lo, hi}'; }

# ------------------------------------------------- provider, audio, display
run "$top/scripts/provider.sh" start "$work/provider" --far-end >/dev/null
# PulseAudio with only a null sink: "sound hardware" for the executables
# that want some (ralu, linphonec in the CPU part, baresip).
start_pulse "$home"

# ---------------------------------------------------------- the softphones
# linphonec: account 1002, SIP on a fixed port, no database, no video.
write_linphonerc "$work/linphonerc" "$LINPHONEC_PORT"
# baresip: account 1002, G.711 only; the "microphone" is a tone file (its
# aufile module), the loudspeaker ALSA's pulse device (the null sink).
cat >"$work/baresip/config" <<EOF
poll_method		epoll
sip_listen		127.0.0.1:$BARESIP_PORT
sip_transports		udp
audio_player		alsa,pulse
audio_source		aufile,$work/tone.wav
audio_alert		alsa,pulse
rtp_ports		10000-10020
dns_server		127.0.0.1:53
module_path		/usr/lib/baresip/modules
module			stdio.so
module			g711.so
module			alsa.so
module			aufile.so
module_app		account.so
module_app		menu.so
EOF
echo "<sip:1002@127.0.0.1;transport=udp>;auth_pass=demo1002;regint=600;audio_codecs=PCMU;answermode=manual" \
    >"$work/baresip/accounts"

# start_cli NAME COMMAND...: starts a console softphone with its standard
# input on a pipe (fd in cli_fd) and its output time-stamped in WORK/NAME.out;
# its pid in cli_pid. Waits for its registration.
start_cli() {
    local name="$1"; shift
    local offset
    offset=$(log_size)
    rm -f "$work/$name.in"
    mkfifo "$work/$name.in"
    exec {cli_fd}<>"$work/$name.in"
    "${in_ns[@]}" env -i PATH="$PATH" HOME="$work/lpc-home" PULSE_SERVER="$PULSE_SERVER" "$@" \
        <"$work/$name.in" > >(stamp >"$work/$name.out") 2>&1 &
    cli_pid=$!
    pids+=("$cli_pid")
    wait_log "$offset" 'RALU-SIP-LOCAL 200 REGISTER' 10 || { log "$name did not register"; tail -20 "$work/$name.out" >&2; exit 1; }
}
stop_cli() {
    local cmd="$1" i
    printf '%s\n' "$cmd" >&"$cli_fd"
    for ((i = 0; i < 100; i++)); do kill -0 "$cli_pid" 2>/dev/null || break; sleep 0.05; done
    kill "$cli_pid" 2>/dev/null || true
    exec {cli_fd}>&-
}
# cli_calls NAME DIAL CONNECTED_RE HANGUP ENDED_RE: RUNS calls; appends
# "NAME RUN DIAL_US CONNECTED_US" to the events.
cli_calls() {
    local name="$1" dial="$2" connected="$3" hangup="$4" ended="$5" i t0 t1
    for ((i = 1; i <= runs; i++)); do
        sleep 0.5
        t0=$(now_us)
        printf '%s\n' "$dial" >&"$cli_fd"
        t1=$(wait_line "$work/$name.out" "$connected" "$i" 15) || { log "$name: call $i never connected"; tail -20 "$work/$name.out" >&2; exit 1; }
        sleep 0.3
        printf '%s\n' "$hangup" >&"$cli_fd"
        wait_line "$work/$name.out" "$ended" "$i" 10 >/dev/null || { log "$name: call $i did not end"; tail -20 "$work/$name.out" >&2; exit 1; }
        echo "$name $i $t0 $t1" >>"$work/events"
    done
}

# ================================================ call set-up time
log "call set-up time, $runs calls each"
: >"$work/events"
"${in_ns[@]}" tshark -i lo -f "udp port 5060" -w "$work/setup.pcap" -q >"$work/tshark.log" 2>&1 &
tshark_pid=$!
pids+=("$tshark_pid")
wait_line "$work/tshark.log" 'Capturing on' 1 10 >/dev/null || { log "tshark did not start"; cat "$work/tshark.log" >&2; exit 1; }
sleep 0.5

# Ralu: in-process, audio from and to files.
run env HOME="$home" XDG_RUNTIME_DIR="$work/runtime" "$bench_bin" --runs "$runs" --number "$number" \
    >"$work/ralu-setup.out" 2>"$work/ralu-setup.err" || { log "call_setup_bench failed"; tail -20 "$work/ralu-setup.err" >&2; exit 1; }
awk '$1 == "CALL" {print "ralu", $2, $3, $4}' "$work/ralu-setup.out" >>"$work/events"

# linphonec: file mode (a tone file in, a record file out), like Ralu above.
start_cli linphonec linphonec -c "$work/linphonerc"
printf 'soundcard use files\nplay %s\nrecord %s\n' "$work/tone.wav" "$work/linphonec-received.wav" >&"$cli_fd"
cli_calls linphonec "call sip:$number@127.0.0.1" 'Call [0-9]+ with .* connected\.' terminate 'Call [0-9]+ with .* ended'
stop_cli quit

# baresip
start_cli baresip baresip -f "$work/baresip"
cli_calls baresip "/dial $number" 'Call established' /hangup 'call: terminate call'
stop_cli /quit

sleep 0.5
kill "$tshark_pid"
wait "$tshark_pid" 2>/dev/null || true

tshark -r "$work/setup.pcap" -Y 'sip.CSeq.method == "INVITE"' -T fields -E separator='|' \
    -e frame.time_epoch -e udp.srcport -e udp.dstport -e sip.Method -e sip.Status-Code \
    -e sip.CSeq.method -e sip.Call-ID -e sip.Proxy-Authorization >"$work/invites.txt" 2>/dev/null
# For each call: the softphone's first INVITE after the dial (no
# credentials), its authenticated INVITE (same Call-ID), and the 200 OK the
# provider relays to it; in milliseconds.
awk -F'|' -v events="$work/events" '
    function us(t,  a) { split(t, a, "."); return a[1] * 1000000 + substr(a[2] "000000", 1, 6) }
    { n++; T[n] = us($1); SP[n] = $2; DP[n] = $3; M[n] = $4; S[n] = $5; CM[n] = $6; C[n] = $7; A[n] = ($8 != "") }
    END {
        while ((getline line < events) > 0) {
            split(line, e, " ")
            i1 = 0
            for (k = 1; k <= n; k++)
                if (T[k] >= e[3] && M[k] == "INVITE" && DP[k] == 5060 && SP[k] != 5060 && SP[k] != 5070 && SP[k] != 5080 && !A[k]) { i1 = k; break }
            if (!i1) { print e[1], e[2], "NA", "NA", "NA"; continue }
            i2 = 0; i3 = 0
            for (k = i1 + 1; k <= n; k++) if (M[k] == "INVITE" && C[k] == C[i1] && A[k]) { i2 = k; break }
            for (k = i1 + 1; k <= n; k++) if (S[k] == "200" && C[k] == C[i1] && SP[k] == 5060 && DP[k] == SP[i1]) { i3 = k; break }
            printf "%s %s %.3f %s %s\n", e[1], e[2], (T[i1] - e[3]) / 1000,
                i2 ? sprintf("%.3f", (T[i2] - e[3]) / 1000) : "NA",
                i3 ? sprintf("%.3f", (e[4] - T[i3]) / 1000) : "NA"
        }
    }' "$work/invites.txt" >"$work/setup.txt"

echo
echo "Call set-up, each call (ms): softphone, call, dial->INVITE, dial->authenticated INVITE, 200 OK->connected"
sed 's/^/  /' "$work/setup.txt"

# ========================================== CPU and memory in a call
log "CPU and memory during a ${hold} s call, one softphone after the other"
ticks_per_s=$(getconf CLK_TCK)
cpu_ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; } # utime + stime, all threads
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# measure NAME PID COMM: samples PID (which must be program COMM) for the held call; appends a result line.
measure() {
    local name="$1" pid="$2" t0 t1 c0 c1 rss start peak=0 hwm streams comm
    comm="$(cat "/proc/$pid/comm" 2>/dev/null || true)"
    [[ "$comm" == "$3" ]] || { log "$name: pid $pid is '$comm', not $3"; exit 1; }
    c0=$(cpu_ticks "$pid"); t0=$(now_us)
    start=$(rss_kb "$pid")
    while (($(now_us) - t0 < hold * 1000000)); do
        rss=$(rss_kb "$pid"); ((rss > peak)) && peak=$rss
        if [[ -z "${streams:-}" ]] && (($(now_us) - t0 > 2000000)); then
            streams="$(run pactl list short sink-inputs 2>/dev/null | wc -l)/$(run pactl list short source-outputs 2>/dev/null | wc -l)"
        fi
        sleep 0.5
    done
    c1=$(cpu_ticks "$pid"); t1=$(now_us)
    rss=$(rss_kb "$pid"); ((rss > peak)) && peak=$rss
    hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
    awk -v n="$name" -v c=$((c1 - c0)) -v hz="$ticks_per_s" -v us=$((t1 - t0)) -v s="$start" -v p="$peak" -v e="$rss" -v h="$hwm" -v a="$streams" \
        'BEGIN {printf "%-30s %6.2f %9.1f %9.1f %9.1f %9.1f   %s\n", n, 100 * c / hz / (us / 1e6), s / 1024, p / 1024, e / 1024, h / 1024, a}' >>"$work/cpu.txt"
}
: >"$work/cpu.txt"

# The real ralu executable on a virtual display, with a saved login for
# 1001; the number is typed into its number box with xdotool.
save_login "$home"
cp "$build/ralu" "$work/ralu"
start_xvfb
offset=$(log_size)
"${in_ns[@]}" env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" XDG_RUNTIME_DIR="$work/runtime" PULSE_SERVER="$PULSE_SERVER" \
    QT_QPA_PLATFORM=xcb "$work/ralu" >"$work/ralu.log" 2>&1 &
ralu_pid=$!
pids+=("$ralu_pid")
wait_log "$offset" 'RALU-SIP-LOCAL 200 REGISTER' 10 || { log "ralu did not register"; exit 1; }
for ((i = 0; i < 100; i++)); do
    window="$(run xdotool search --onlyvisible --pid "$ralu_pid" 2>/dev/null | head -n 1 || true)"
    [[ -n "$window" ]] && break
    sleep 0.05
done
[[ -n "$window" ]] || { log "no ralu window"; exit 1; }
sleep 0.5
offset=$(log_size)
run xdotool windowfocus --sync "$window" type "$number"
run xdotool key Return
wait_log "$offset" 'RALU-SIP-IN \S+ ACK sip:127\.0\.0\.1:5070' 15 || { log "ralu: the call did not connect"; exit 1; }
measure "ralu (executable, Pulse)" "$ralu_pid" ralu
kill -TERM "$ralu_pid"
for ((i = 0; i < 100; i++)); do kill -0 "$ralu_pid" 2>/dev/null || break; sleep 0.05; done

# The in-process bench program (offscreen Qt, audio files).
"${in_ns[@]}" env HOME="$home" XDG_RUNTIME_DIR="$work/runtime" "$bench_bin" --runs 1 --number "$number" --hold $((hold + 2)) \
    > >(stamp >"$work/ralu-hold.out") 2>"$work/ralu-hold.err" &
hold_pid=$!
pids+=("$hold_pid")
wait_line "$work/ralu-hold.out" 'HOLDING' 1 20 >/dev/null || { log "call_setup_bench: no call"; tail "$work/ralu-hold.err" >&2; exit 1; }
measure "ralu (in-process, files)" "$hold_pid" call_setup_benc
wait "$hold_pid" || log "call_setup_bench --hold failed"

# linphonec with the PulseAudio null sink (its default devices).
start_cli linphonec-cpu linphonec -c "$work/linphonerc"
offset=$(log_size)
printf 'call sip:%s@127.0.0.1\n' "$number" >&"$cli_fd"
wait_log "$offset" 'RALU-SIP-IN \S+ ACK sip:127\.0\.0\.1:5070' 15 || { log "linphonec: the call did not connect"; exit 1; }
measure "linphonec (Pulse)" "$cli_pid" linphonec
printf 'terminate\n' >&"$cli_fd"
sleep 0.5
stop_cli quit

# baresip
start_cli baresip-cpu baresip -f "$work/baresip"
offset=$(log_size)
printf '/dial %s\n' "$number" >&"$cli_fd"
wait_log "$offset" 'RALU-SIP-IN \S+ ACK sip:127\.0\.0\.1:5070' 15 || { log "baresip: the call did not connect"; exit 1; }
measure "baresip (file in, Pulse out)" "$cli_pid" baresip
printf '/hangup\n' >&"$cli_fd"
sleep 0.5
stop_cli /quit

# ================================================================== table
echo
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
printf 'Call set-up, median (min-max) over %s calls, ms\n' "$runs"
printf '  %-10s %-20s %-30s %-20s\n' softphone "dial -> INVITE" "dial -> authenticated INVITE" "200 OK -> connected"
for name in ralu linphonec baresip; do
    mapfile -t a < <(awk -v n="$name" '$1 == n && $3 != "NA" {print $3}' "$work/setup.txt")
    mapfile -t b < <(awk -v n="$name" '$1 == n && $4 != "NA" {print $4}' "$work/setup.txt")
    mapfile -t c < <(awk -v n="$name" '$1 == n && $5 != "NA" {print $5}' "$work/setup.txt")
    printf '  %-10s %-20s %-30s %-20s\n' "$name" \
        "$(median "${a[@]}") ($(range "${a[@]}"))" "$(median "${b[@]}") ($(range "${b[@]}"))" "$(median "${c[@]}") ($(range "${c[@]}"))"
done
echo
printf 'During a %s s call (after its ACK): CPU of one core, resident memory in MB\n' "$hold"
printf '%-30s %6s %9s %9s %9s %9s   %s\n' softphone "CPU %" "RSS@start" "RSS peak" "RSS end" "VmHWM" "Pulse play/rec streams"
cat "$work/cpu.txt"
