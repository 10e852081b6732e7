#!/bin/bash
# What a caller hears and what a call costs: Ralu beside linphonec and
# baresip (and qt-linphone, bench/qt_linphone_floor.cpp, for memory), each
# calling the same far end, baresip registered as 1002 on the demo provider,
# which answers by itself and takes one codec per call:
#
#   mouth-to-ear delay    clicks (30 ms noise bursts) into the far end's
#                         microphone, timed at the phone's speaker, then the
#                         other way round (PCMU)
#   bad network           a steady 1 kHz tone into the far end's microphone;
#                         at the phone's speaker the share of 20 ms frames
#                         within 3 dB of its level on a clean network, and
#                         the longest run of frames that are not, with 5 %
#                         loss and 40 ms +- 20 ms of delay on the call's RTP
#                         both ways, then 15 % loss with the same delay
#                         (packet_impair.cpp on netfilter queue 0, fed by
#                         iptables: this kernel has no netem qdisc)
#   CPU per codec         the phone's and PulseAudio's CPU over CPU_SECONDS
#                         of the call with the tone playing
#   memory                USS (Private_Clean + Private_Dirty of
#                         /proc/PID/smaps_rollup) and Rss, idle and in a call
#
# Sound: one PulseAudio server of the bench's own, whose only real sink is a
# null sink with four channels: the phone's speaker (mono), its microphone
# (aux0), the far end's microphone (aux1) and speaker (aux2). Remap sinks
# and sources give each its channel; one recording of that sink's monitor
# holds all four on one clock. The phone under test gets the sink "Scope"
# and the source described "Scope" (a PulseAudio softphone on
# mediastreamer2 takes the first such card; the others through PULSE_SINK
# and PULSE_SOURCE); remixing is off so that a mono stream stays on its
# channel.
#
#   bench/sound.sh BUILD_DIR [RUNS (5)]
# PHONES="ralu linphonec baresip qt-linphone" (the field, in turn, RUNS
# rounds); a phone "ralu:SECTION.KEY=VALUE,..." is Ralu with those lines in
# its linphonerc (e.g. ralu:sound.echocancellation=0), "ralu=PATH" another
# Ralu executable (an older build; named ralu, in a folder of its own: Ralu
# finds its settings by its name and keeps files beside itself). CODECS="PCMU PCMA
# opus G722"; LOSS_CODECS="PCMU opus G722"; LOSS_SECONDS=12; CPU_SECONDS=10;
# BENCH_NETNS=NAME runs in an existing namespace; KEEP_BENCH_FILES=1 keeps
# the recordings. Runs as root.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [RUNS]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
runs="${2:-5}"
read -r -a field <<<"${PHONES:-ralu linphonec baresip qt-linphone}"
read -r -a codecs <<<"${CODECS:-PCMU PCMA opus G722}"
loss_codecs=" ${LOSS_CODECS:-PCMU opus G722} "
loss_s="${LOSS_SECONDS:-12}"
cpu_s="${CPU_SECONDS:-10}"
END_X=154 END_Y=155 # Ralu's end button in its window (windows/MainControls.h)

log() { echo "sound.sh: $*" >&2; }

source "$here/lib.sh"
bench_install linphone-cli baresip-core xvfb xdotool pulseaudio pulseaudio-utils libasound2-plugins sox kamailio iptables \
    libnetfilter-queue-dev
cmake -S "$top" -B "$build" >/dev/null # finds libnetfilter_queue for packet_impair
cmake --build "$build" --target ralu ralu_billing_server qt_linphone_floor sound_meter packet_impair >/dev/null
meter="$build/bench/sound_meter"

work="$(mktemp -d /tmp/ralu-sound.XXXXXX)"
trap 'run iptables -t mangle -F OUTPUT 2>/dev/null; bench_cleanup' EXIT
trap 'exit 130' INT TERM
bench_namespace "ralu-sound-$$" || { log "cannot create a network namespace (run as root)"; exit 1; }
# The far end's RTP and RTCP, both ways, through packet_impair.
run iptables -t mangle -F OUTPUT
run iptables -t mangle -A OUTPUT -p udp -m multiport --ports 10100:10120 -j NFQUEUE --queue-num 0 --queue-bypass

hz=$(getconf CLK_TCK)
ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; }
smaps_kb() { awk -v k="$2" '$1 ~ k {s += $2} END {print s + 0}' "/proc/$1/smaps_rollup"; }
uss_kb() { smaps_kb "$1" '^Private_(Clean|Dirty):'; }
dirty_kb() { smaps_kb "$1" '^Private_Dirty:'; }
rss_kb() { smaps_kb "$1" '^Rss:'; }
since() { awk -v a="$1" -v b="$(now_us)" 'BEGIN {printf "%.3f", (b - a) / 1e6}'; }
wait_file() { # FILE REGEX SECONDS
    local deadline=$((SECONDS + $3))
    until grep -qaE -- "$2" "$1" 2>/dev/null; do ((SECONDS < deadline)) || return 1; sleep 0.02; done
}
forget() { local p keep=(); for p in "${pids[@]}"; do [[ "$p" == "$1" ]] || keep+=("$p"); done; pids=("${keep[@]}"); }
stop_pid() { # PID: SIGTERM, five seconds, then SIGKILL
    local deadline=$((SECONDS + 5))
    kill -TERM "$1" 2>/dev/null || true
    while kill -0 "$1" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.05; done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    forget "$1"
}

# ------------------------------------------------------------ sound server
run env RALU_BILLING_SERVER="$build/ralu_billing_server" "$top/scripts/provider.sh" start "$work/provider" >/dev/null
mkdir -p "$work/runtime" "$work/pa-home/.config/pulse" "$work/home" "$work/cli-home" "$work/near" "$work/far"
chmod 700 "$work/runtime"
echo "enable-remixing = no" >"$work/pa-home/.config/pulse/daemon.conf"
remap() { echo "load-module module-remap-$1 $2 channels=1 channel_map=mono remix=no $3"; }
{
    echo "load-module module-null-sink sink_name=scope channels=4 channel_map=mono,aux0,aux1,aux2 rate=48000 sink_properties=device.description=Scope"
    remap sink "sink_name=mouthA master=scope master_channel_map=aux0" "sink_properties=device.description=MouthA"
    remap sink "sink_name=mouthB master=scope master_channel_map=aux1" "sink_properties=device.description=MouthB"
    remap sink "sink_name=earB master=scope master_channel_map=aux2" "sink_properties=device.description=EarB"
    remap source "source_name=micA master=scope.monitor master_channel_map=aux0" "source_properties=device.description=Scope"
    remap source "source_name=micB master=scope.monitor master_channel_map=aux1" "source_properties=device.description=MicB"
    echo "load-module module-native-protocol-unix auth-anonymous=1 socket=$work/pulse.sock"
    echo "set-default-sink scope"
    echo "set-default-source micA"
} >"$work/pulse.pa"
export PULSE_SERVER="unix:$work/pulse.sock"
"${in_ns[@]}" env -i PATH="$PATH" HOME="$work/pa-home" XDG_RUNTIME_DIR="$work/runtime" pulseaudio -n --daemonize=no \
    --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes -F "$work/pulse.pa" >"$work/pulse.log" 2>&1 &
pulse_pid=$!
pids+=("$pulse_pid")
for ((i = 0; i < 100; i++)); do [[ -S "$work/pulse.sock" ]] && break; sleep 0.05; done
[[ -S "$work/pulse.sock" ]] || { log "PulseAudio did not start"; cat "$work/pulse.log" >&2; exit 1; }
# A silent stream asking for 10 ms keeps the sink's latency low all along
# (SINK_PIN=0: not): otherwise each phone's stream starts on a sink whose
# latency the streams just before it set (the far end's, a key tone's), and
# keeps what it got for the whole call (see bench/README.md).
if [[ "${SINK_PIN:-1}" != 0 ]]; then
    "${in_ns[@]}" pacat --playback -d scope --raw --format=s16le --rate=48000 --channels=1 --channel-map=mono \
        --latency-msec=10 </dev/zero >/dev/null 2>&1 &
    pids+=($!)
fi
start_xvfb
# Eight clicks a second apart; a tone longer than any call.
sox -n -r 48000 -c 1 -b 16 "$work/clicks.wav" synth 0.03 whitenoise vol 0.5 sinc 300-3400 pad 0.2 0.77 repeat 7
sox -n -r 48000 -c 1 -b 16 "$work/tone.wav" synth 600 sine 1000 vol 0.25
run paplay -d mouthB "$work/clicks.wav" # the sink's first stream: once, unrecorded

# ------------------------------------------------------------- the phones
save_login "$work/home"
linphonerc() { # FILE PORT: linphonec's file, made for account 1001
    write_linphonerc "$1" "$2"
    sed -i 's/1002/1001/g' "$1"
}
linphonerc "$work/linphonerc" 5092
linphonerc "$work/qt-linphonerc" 5098
baresip_config() { # DIR PORT RTP_PORT
    cat >"$1/config" <<EOF
poll_method		epoll
sip_listen		127.0.0.1:$2
sip_transports		udp
net_interface		127.0.0.1
audio_player		alsa,pulse
audio_source		alsa,pulse
audio_alert		alsa,pulse
rtp_ports		$3-$(($3 + 20))
dns_server		127.0.0.1:53
module_path		/usr/lib/baresip/modules
module			stdio.so
module			g711.so
module			g722.so
module			opus.so
module			alsa.so
module_app		account.so
module_app		menu.so
EOF
}
baresip_config "$work/near" 5094 10000
echo "<sip:1001@127.0.0.1;transport=udp>;auth_pass=demo1001;regint=600;answermode=manual" >"$work/near/accounts"
baresip_config "$work/far" 5096 10100

# far_start CODEC: the far end, registered as 1002, taking CODEC only.
far_start() {
    local list="$1" offset
    case "$1" in G722) list=G722/16000/1 ;; opus) list=opus/48000/2 ;; esac
    echo "<sip:1002@127.0.0.1;transport=udp>;auth_pass=demo1002;regint=600;audio_codecs=$list;answermode=auto" \
        >"$work/far/accounts"
    offset=$(log_size)
    "${in_ns[@]}" env -i PATH="$PATH" HOME="$work/cli-home" PULSE_SERVER="$PULSE_SERVER" PULSE_SINK=earB \
        PULSE_SOURCE=micB baresip -f "$work/far" </dev/null >"$work/far.out" 2>&1 &
    far_pid=$!
    pids+=("$far_pid")
    wait_log "$offset" 'RALU-SIP-LOCAL 200 REGISTER' 10 || { log "the far end did not register"; tail "$work/far.out" >&2; return 1; }
}

# phone_start LABEL: the phone under test as a child of this shell; sets
# phone_pid, phone_fd (its standard input) and kind.
phone_start() {
    local label="$1" env=(env -i PATH="$PATH" HOME="$work/cli-home" XDG_RUNTIME_DIR="$work/runtime"
        PULSE_SERVER="$PULSE_SERVER" PULSE_SINK=scope PULSE_SOURCE=micA)
    kind="${label%%[:=]*}"
    rm -f "$work/in.fifo"
    mkfifo "$work/in.fifo"
    exec {phone_fd}<>"$work/in.fifo"
    case "$kind" in
    ralu)
        # A fresh SIP stack file, with the label's settings.
        local rc="$work/home/.local/share/Ralu/sip/linphonerc" setting
        mkdir -p "$(dirname "$rc")"
        : >"$rc"
        if [[ "$label" == *:* ]]; then
            IFS=, read -r -a settings <<<"${label#*:}"
            for setting in "${settings[@]}"; do printf '[%s]\n%s\n' "${setting%%.*}" "${setting#*.}" >>"$rc"; done
        fi
        local exe="$build/ralu"
        [[ "$label" == ralu=* ]] && exe="${label#ralu=}"
        "${in_ns[@]}" "${env[@]}" HOME="$work/home" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb "$exe" \
            <"$work/in.fifo" >"$work/phone.out" 2>&1 & ;;
    linphonec) "${in_ns[@]}" "${env[@]}" linphonec -c "$work/linphonerc" <"$work/in.fifo" >"$work/phone.out" 2>&1 & ;;
    baresip) "${in_ns[@]}" "${env[@]}" baresip -f "$work/near" <"$work/in.fifo" >"$work/phone.out" 2>&1 & ;;
    qt-linphone) "${in_ns[@]}" "${env[@]}" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb "$build/bench/qt_linphone_floor" \
        "$work/qt-linphonerc" <"$work/in.fifo" >"$work/phone.out" 2>&1 & ;;
    *) log "unknown phone $label"; exit 2 ;;
    esac
    phone_pid=$!
    pids+=("$phone_pid")
}
dial() {
    case "$kind" in
    ralu)
        local window
        window="$(run xdotool search --onlyvisible --pid "$phone_pid" 2>/dev/null | head -n 1 || true)"
        run xdotool windowfocus --sync "$window" type 1002
        run xdotool key Return ;;
    linphonec) echo "call sip:1002@127.0.0.1" >&"$phone_fd" ;;
    baresip) echo "/dial sip:1002@127.0.0.1" >&"$phone_fd" ;;
    esac
}
hang_up() {
    case "$kind" in
    ralu)
        local window
        window="$(run xdotool search --onlyvisible --pid "$phone_pid" 2>/dev/null | head -n 1 || true)"
        run xdotool mousemove --window "$window" "$END_X" "$END_Y" click 1 ;;
    linphonec) echo terminate >&"$phone_fd" ;;
    baresip) echo /hangup >&"$phone_fd" ;;
    esac
}
# impair LOSS_% DELAY_MS JITTER_MS: what packet_impair does from now on.
impair() { echo "$*" >&"$impair_fd"; }
# result LABEL RUN METRIC VALUE
result() { echo "$1 $2 $3 $4" >>"$work/results"; }

# one_call LABEL RUN CODEC: a call to the far end with CODEC, recorded.
one_call() {
    local label="$1" r="$2" codec="$3" rec="$work/rec-$r-${1//[^A-Za-z0-9]/_}-$3.raw" t0 c0 c1 p0 p1 w0 tone_pid
    local ta tb tc tq0 tq1 tn1 tn2 tn3
    far_start "$codec" || return 0
    "${in_ns[@]}" parec -d scope.monitor --rate=48000 --channels=4 --format=s16le --channel-map=mono,aux0,aux1,aux2 \
        --latency-msec=20 --raw >"$rec" 2>/dev/null &
    local rec_pid=$!
    pids+=("$rec_pid")
    t0=$(now_us)
    dial
    if ! wait_file "$work/far.out" 'Call established' 15; then
        log "$label run $r $codec: the call did not connect"
        stop_pid "$far_pid"; stop_pid "$rec_pid"; return 0
    fi
    sleep 4 # the echo canceller settles
    if [[ "$codec" == PCMU ]]; then
        ta=$(since "$t0"); run paplay -d mouthB "$work/clicks.wav"
        tb=$(since "$t0"); run paplay -d mouthA "$work/clicks.wav"
        tc=$(since "$t0")
        result "$label" "$r" uss_call_MiB "$(awk -v k="$(uss_kb "$phone_pid")" 'BEGIN {printf "%.1f", k / 1024}')"
        result "$label" "$r" dirty_call_MiB "$(awk -v k="$(dirty_kb "$phone_pid")" 'BEGIN {printf "%.1f", k / 1024}')"
        result "$label" "$r" rss_call_MiB "$(awk -v k="$(rss_kb "$phone_pid")" 'BEGIN {printf "%.1f", k / 1024}')"
    fi
    "${in_ns[@]}" paplay -d mouthB "$work/tone.wav" &
    tone_pid=$!
    pids+=("$tone_pid")
    sleep 1.5
    tq0=$(since "$t0"); w0=$(now_us); c0=$(ticks "$phone_pid"); p0=$(ticks "$pulse_pid")
    sleep "$cpu_s"
    c1=$(ticks "$phone_pid"); p1=$(ticks "$pulse_pid"); tq1=$(since "$t0")
    local secs; secs=$(since "$w0")
    result "$label" "$r" "cpu_${codec}_%" "$(awk -v c=$((c1 - c0)) -v h="$hz" -v s="$secs" 'BEGIN {printf "%.2f", 100 * c / h / s}')"
    result "$label" "$r" "pulse_cpu_${codec}_%" "$(awk -v c=$((p1 - p0)) -v h="$hz" -v s="$secs" 'BEGIN {printf "%.2f", 100 * c / h / s}')"
    if [[ "$loss_codecs" == *" $codec "* ]]; then
        impair 5 40 20; tn1=$(since "$t0"); sleep "$loss_s"
        impair 15 40 20; tn2=$(since "$t0"); sleep "$loss_s"
        impair 0 0 0; tn3=$(since "$t0")
    fi
    stop_pid "$tone_pid"
    hang_up
    wait_file "$work/far.out" 'session closed|terminated' 5 || true
    sleep 0.5
    stop_pid "$rec_pid"
    stop_pid "$far_pid"

    # Channels: 0 the phone's speaker, 1 its microphone, 2 the far end's microphone, 3 its speaker.
    local d
    if [[ "$codec" == PCMU ]]; then
        echo "$label $r in, then out" >>"$work/clicks"
        d=$("$meter" delay "$rec" 4 2 0 "$ta" "$tb" | tee -a "$work/clicks" | awk '$3 >= 0.3 {print $2}' | sort -g | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]}')
        [[ -n "$d" ]] && result "$label" "$r" delay_in_ms "$d"
        d=$("$meter" delay "$rec" 4 1 3 "$tb" "$tc" | tee -a "$work/clicks" | awk '$3 >= 0.3 {print $2}' | sort -g | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]}')
        [[ -n "$d" ]] && result "$label" "$r" delay_out_ms "$d"
    fi
    if [[ -n "${tn1:-}" ]]; then
        local ref="$(awk -v t="$tq0" 'BEGIN {print t + 0.5}') $tq1" line
        line=$("$meter" tone "$rec" 4 0 $ref "$(awk -v t="$tn1" 'BEGIN {print t + 0.3}')" "$tn2")
        result "$label" "$r" "tone_loss5_${codec}_%" "$(echo "$line" | awk '{print $3}')"
        result "$label" "$r" "gap_loss5_${codec}_ms" "$(echo "$line" | awk '{print $4}')"
        line=$("$meter" tone "$rec" 4 0 $ref "$(awk -v t="$tn2" 'BEGIN {print t + 0.3}')" "$tn3")
        result "$label" "$r" "tone_loss15_${codec}_%" "$(echo "$line" | awk '{print $3}')"
        result "$label" "$r" "gap_loss15_${codec}_ms" "$(echo "$line" | awk '{print $4}')"
        line=$("$meter" tone "$rec" 4 0 $ref $ref)
        result "$label" "$r" "tone_clean_${codec}_%" "$(echo "$line" | awk '{print $3}')"
    fi
    [[ -n "${KEEP_BENCH_FILES:-}" ]] || rm -f "$rec"
}

# session LABEL RUN: one life of the phone: registered, idle, its calls.
session() {
    local label="$1" r="$2" offset codec
    offset=$(log_size)
    phone_start "$label"
    if ! wait_log "$offset" 'RALU-SIP-LOCAL 200 REGISTER' 15; then
        log "$label run $r: not registered"; tail -5 "$work/phone.out" >&2
        stop_pid "$phone_pid"; exec {phone_fd}>&-; return 0
    fi
    sleep 3
    result "$label" "$r" uss_idle_MiB "$(awk -v k="$(uss_kb "$phone_pid")" 'BEGIN {printf "%.1f", k / 1024}')"
    result "$label" "$r" dirty_idle_MiB "$(awk -v k="$(dirty_kb "$phone_pid")" 'BEGIN {printf "%.1f", k / 1024}')"
    result "$label" "$r" rss_idle_MiB "$(awk -v k="$(rss_kb "$phone_pid")" 'BEGIN {printf "%.1f", k / 1024}')"
    if [[ "$kind" != qt-linphone ]]; then # it only registers
        for codec in "${codecs[@]}"; do
            log "run $r: $label, $codec"
            one_call "$label" "$r" "$codec"
            sleep 1
        done
    fi
    stop_pid "$phone_pid"
    exec {phone_fd}>&-
    sleep 0.5
}

: >"$work/results"
rm -f "$work/impair.fifo"
mkfifo "$work/impair.fifo"
exec {impair_fd}<>"$work/impair.fifo"
"${in_ns[@]}" "$build/bench/packet_impair" 1 <"$work/impair.fifo" >"$work/impair.log" 2>&1 &
pids+=($!)
impair 0 0 0
for ((r = 1; r <= runs; r++)); do
    for label in "${field[@]}"; do session "$label" "$r"; done
done

# =============================================================== summary
echo
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $runs runs, CPU over $cpu_s s, loss $loss_s s each"
sed 's/^/  /' "$work/results"
echo
median() { sort -g | awk '{a[NR]=$1} END {if (NR == 0) {print "-"; exit} m = (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2; printf "%.*f (%s-%s)", (m < 10 ? 2 : 1), m, a[1], a[NR]}'; }
printf '%-24s' "median (min-max)"; for label in "${field[@]}"; do printf ' | %-22s' "$label"; done; echo
awk '{print $3}' "$work/results" | awk '!seen[$0]++' | while read -r metric; do
    printf '%-24s' "$metric"
    for label in "${field[@]}"; do
        printf ' | %-22s' "$(awk -v l="$label" -v m="$metric" '$1 == l && $3 == m {print $4}' "$work/results" | median)"
    done
    echo
done
