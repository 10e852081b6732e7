#!/bin/bash
# Ralu beside other Debian softphones (linphonec, baresip, Twinkle with its
# window and in its console mode) and qt-linphone (bench/qt_linphone_floor.cpp:
# a Qt Widgets label and a liblinphone core configured like linphonec, which
# only registers and idles) on the same local provider (Kamailio with digest
# authentication, SIPp answering PCMU and echoing RTP), in one run, each
# softphone RUNS times in turn:
#
#   launch -> registered   process start -> the provider's 200 OK to its REGISTER
#   401 -> retry           the provider's 401 -> the authenticated REGISTER
#   200 OK -> ACK          the 200 OK relayed to the caller -> its ACK
#   hang-up -> BYE         the hang-up command -> the BYE (Ralu: its end
#                          button pressed in-process, call_setup_bench)
#   idle                   CPU (% of a core), wake-ups/s (context switches
#                          of all threads) and VmRSS over IDLE_SECONDS once registered
#   in a call              CPU and VmRSS of the softphone and the CPU time
#                          PulseAudio spends, over CALL_SECONDS of a call
#   exit -> gone           SIGTERM -> the process has ended, and whether an
#                          un-REGISTER (expires 0) went out
#
# Packet moments come from tshark on lo (frame.time_epoch), process moments
# from the same clock ($EPOCHREALTIME). Everything runs in a network
# namespace with only loopback up (BENCH_NETNS=NAME uses an existing one,
# else ralu-peers-PID is made and deleted), with a PulseAudio server of its
# own whose only sink is a null sink, and Xvfb for Ralu.
#
#   bench/peers.sh BUILD_DIR [RUNS (5)] [CALL_SECONDS (20)] [IDLE_SECONDS (10)]
# KEEP_BENCH_FILES=1 keeps the work folder; PEERS="ralu linphonec" limits the
# field; RALU_EXE=PATH measures another ralu executable (an older build);
# RALU_ECHO_CANCELLER=0 starts Ralu with liblinphone's echo canceller off.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [RUNS] [CALL_SECONDS] [IDLE_SECONDS]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
runs="${2:-5}"
hold="${3:-20}"
idle="${4:-10}"
read -r -a field <<<"${PEERS:-ralu linphonec qt-linphone baresip twinkle twinkle-cli}"
number=7 # not an account: the provider hands it to the far end
# Window-relative centre of Ralu's end button (windows/MainControls.h).
END_X=154 END_Y=155

log() { echo "peers.sh: $*" >&2; }

source "$here/lib.sh"
bench_install linphone-cli baresip-core twinkle strace tshark xvfb xdotool pulseaudio pulseaudio-utils libasound2-plugins sox kamailio sip-tester
cmake --build "$build" --target ralu call_setup_bench ralu_billing_server qt_linphone_floor >/dev/null

work="$(mktemp -d /tmp/ralu-peers.XXXXXX)"
trap bench_cleanup EXIT
trap 'exit 130' INT TERM
bench_namespace "ralu-peers-$$" || { log "cannot create a network namespace (run as root)"; exit 1; }

# gone PID: the process has ended (a zombie counts: it no longer runs).
gone() { local s; s=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 0; [[ -z "$s" || "$s" == Z ]]; }
ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {print s + 0}'; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

# ------------------------------------------------ provider, sound, display
run env RALU_BILLING_SERVER="$build/ralu_billing_server" "$top/scripts/provider.sh" start "$work/provider" --far-end >/dev/null
mkdir -p "$work/cli-home" "$work/baresip" "$work/twinkle/.twinkle"
start_pulse "$work/home"
start_xvfb
sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 60 sine 440 vol 0.3 2>/dev/null

# ------------------------------------------------------------ softphones
# Ralu: account 1001, saved login, the real executable.
save_login "$work/home"
cp "${RALU_EXE:-$build/ralu}" "$work/ralu"
if [[ -n "${RALU_ECHO_CANCELLER:-}" ]]; then
    mkdir -p "$work/home/.local/share/Ralu/sip"
    printf '[sound]\nechocancellation=%s\n' "$RALU_ECHO_CANCELLER" >"$work/home/.local/share/Ralu/sip/linphonerc"
fi
# linphonec: account 1002, its default sound devices (PulseAudio), no video.
write_linphonerc "$work/linphonerc" 5092
# qt-linphone: a Qt Widgets label and a core made from the same file (bench/qt_linphone_floor.cpp).
write_linphonerc "$work/qt-linphonerc" 5098
# baresip: account 1002 (never at the same time as linphonec), G.711 only, ALSA's pulse device both ways.
cat >"$work/baresip/config" <<EOF
poll_method		epoll
sip_listen		127.0.0.1:5094
sip_transports		udp
audio_player		alsa,pulse
audio_source		alsa,pulse
audio_alert		alsa,pulse
rtp_ports		10000-10020
dns_server		127.0.0.1:53
module_path		/usr/lib/baresip/modules
module			stdio.so
module			g711.so
module			alsa.so
module_app		account.so
module_app		menu.so
EOF
echo "<sip:1002@127.0.0.1;transport=udp>;auth_pass=demo1002;regint=600;audio_codecs=PCMU;answermode=manual" \
    >"$work/baresip/accounts"
# Twinkle: account 1002 as well, G.711, its console mode, ALSA's default device (PulseAudio).
cat >"$work/twinkle/.twinkle/bench.cfg" <<EOF
user_name=1002
user_domain=127.0.0.1
auth_name=1002
auth_pass=demo1002
register_at_startup=yes
registration_time=600
codecs=g711u,g711a
EOF
printf 'sip_udp_port=5096\nrtp_port=8100\n' >"$work/twinkle/.twinkle/twinkle.sys"
wrap=() # a command start_phone runs the softphone under
# start_phone NAME: starts NAME as a child of this shell; sets phone_pid and
# phone_fd (its standard input, for the console softphones).
start_phone() {
    local name="$1"
    rm -f "$work/in.fifo"
    mkfifo "$work/in.fifo"
    exec {phone_fd}<>"$work/in.fifo"
    case "$name" in
    ralu) "${in_ns[@]}" "${wrap[@]}" env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
        PULSE_SERVER="$PULSE_SERVER" QT_QPA_PLATFORM=xcb "$work/ralu" <"$work/in.fifo" >"$work/$name.out" 2>&1 & ;;
    linphonec) "${in_ns[@]}" "${wrap[@]}" env -i PATH="$PATH" HOME="$work/cli-home" PULSE_SERVER="$PULSE_SERVER" \
        linphonec -c "$work/linphonerc" <"$work/in.fifo" > >(stamp >"$work/$name.out") 2>&1 & ;;
    qt-linphone) "${in_ns[@]}" "${wrap[@]}" env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/cli-home" XDG_RUNTIME_DIR="$work/runtime" \
        PULSE_SERVER="$PULSE_SERVER" QT_QPA_PLATFORM=xcb "$build/bench/qt_linphone_floor" "$work/qt-linphonerc" \
        <"$work/in.fifo" >"$work/$name.out" 2>&1 & ;;
    baresip) "${in_ns[@]}" "${wrap[@]}" env -i PATH="$PATH" HOME="$work/cli-home" PULSE_SERVER="$PULSE_SERVER" \
        baresip -f "$work/baresip" <"$work/in.fifo" > >(stamp >"$work/$name.out") 2>&1 & ;;
    twinkle) "${in_ns[@]}" "${wrap[@]}" env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/twinkle" PULSE_SERVER="$PULSE_SERVER" \
        twinkle --force -f bench <"$work/in.fifo" >"$work/$name.out" 2>&1 & ;; # into a pipe, it ignores SIGTERM
    twinkle-cli) "${in_ns[@]}" "${wrap[@]}" env -i PATH="$PATH" HOME="$work/twinkle" PULSE_SERVER="$PULSE_SERVER" \
        twinkle --force -c -f bench <"$work/in.fifo" > >(stamp >"$work/$name.out") 2>&1 & ;;
    esac
    phone_pid=$!
}
dial_cmd() { case "$1" in linphonec) echo "call sip:$number@127.0.0.1" ;; baresip) echo "/dial $number" ;; twinkle-cli) echo "call $number" ;; esac; }
hangup_cmd() { case "$1" in linphonec) echo terminate ;; baresip) echo /hangup ;; twinkle-cli) echo bye ;; esac; }
# Twinkle's window takes its commands from a second twinkle process.
twinkle_cmd() { run env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/twinkle" twinkle --immediate "$@" >/dev/null 2>&1; }
comm_of() { case "$1" in twinkle-cli) echo twinkle ;; qt-linphone) echo qt_linphone_flo ;; *) echo "$1" ;; esac; }

# session NAME RUN: one life of a softphone; appends its moments and samples to $work/sessions.
session() {
    local name="$1" r="$2" t_launch offset i0 i1 c0 c1 s0 s1 rss_idle="NA" cpu_idle="NA" wake_idle="NA"
    local cpu_call="NA" rss_call="NA" pa_call="NA" t_hangup="NA" t_term t_gone window p0 p1 w0 w1
    # Every file the softphone opened or mapped at its first start is read
    # first, before the clock starts (some 250 MB: over 100 ms even from the
    # page cache): all start with their files in the page cache (the kernel
    # of these machines reclaims pages unused for a minute, so the one that
    # ran last would otherwise start warm and the others partly from disk).
    [[ -s "$work/$name.files" ]] && xargs -d '\n' -a "$work/$name.files" cat >/dev/null 2>&1 || true
    offset=$(log_size)
    t_launch=$(now_us)
    start_phone "$name"
    local pid=$phone_pid
    if ! wait_log "$offset" 'RALU-SIP-LOCAL 200 REGISTER' 15; then
        log "$name run $r: not registered"; tail -5 "$work/$name.out" >&2
        kill -KILL "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; exec {phone_fd}>&-; return 0
    fi
    sleep 2 # start-up settles
    w0=$(now_us); c0=$(ticks "$pid"); s0=$(switches "$pid")
    sleep "$idle"
    w1=$(now_us); c1=$(ticks "$pid"); s1=$(switches "$pid")
    cpu_idle=$(awk -v c=$((c1 - c0)) -v h="$hz" -v us=$((w1 - w0)) 'BEGIN {printf "%.3f", 100 * c / h / (us / 1e6)}')
    wake_idle=$(awk -v s=$((s1 - s0)) -v us=$((w1 - w0)) 'BEGIN {printf "%.1f", s / (us / 1e6)}')
    rss_idle=$(rss_kb "$pid")

    if [[ "$name" != qt-linphone ]]; then # it only registers and idles
        offset=$(log_size)
        if [[ "$name" == ralu ]]; then
            window="$(run xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)"
            run xdotool windowfocus --sync "$window" type "$number"
            run xdotool key Return
        elif [[ "$name" == twinkle ]]; then
            twinkle_cmd --call "$number"
        else
            dial_cmd "$name" >&"$phone_fd"
        fi
        if wait_log "$offset" 'RALU-SIP-IN \S+ ACK sip:127\.0\.0\.1:5070' 15; then
            sleep 1
            w0=$(now_us); c0=$(ticks "$pid"); p0=$(ticks "$pulse_pid")
            sleep "$hold"
            w1=$(now_us); c1=$(ticks "$pid"); p1=$(ticks "$pulse_pid")
            cpu_call=$(awk -v c=$((c1 - c0)) -v h="$hz" -v us=$((w1 - w0)) 'BEGIN {printf "%.2f", 100 * c / h / (us / 1e6)}')
            pa_call=$(awk -v c=$((p1 - p0)) -v h="$hz" 'BEGIN {printf "%d", 1000 * c / h}')
            rss_call=$(rss_kb "$pid")
            offset=$(log_size)
            t_hangup=$(now_us)
            if [[ "$name" == ralu ]]; then
                run xdotool mousemove --window "$window" "$END_X" "$END_Y" click 1
                t_hangup=NA # includes xdotool's start; measured in-process instead
            elif [[ "$name" == twinkle ]]; then
                twinkle_cmd --cmd bye
                t_hangup=NA # includes the second twinkle's start
            else
                hangup_cmd "$name" >&"$phone_fd"
            fi
            wait_log "$offset" 'RALU-SIP-IN \S+ BYE ' 10 || log "$name run $r: no BYE"
            sleep 1.1
        else
            log "$name run $r: the call did not connect"
        fi
    fi
    t_term=$(now_us)
    kill -TERM "$pid" 2>/dev/null || true
    # Ten seconds at most: Twinkle's console mode ignores SIGTERM.
    local deadline=$((SECONDS + 10))
    until gone "$pid" || ((SECONDS >= deadline)); do :; done
    if gone "$pid"; then t_gone=$(now_us); else t_gone=NA; kill -KILL "$pid" 2>/dev/null || true; fi
    wait "$pid" 2>/dev/null || true
    exec {phone_fd}>&-
    echo "$name $r $t_launch $t_hangup $t_term $t_gone $cpu_idle $wake_idle $rss_idle $cpu_call $rss_call $pa_call" >>"$work/sessions"
    sleep 0.5
}

# ================================================================ the runs
: >"$work/sessions"
"${in_ns[@]}" tshark -i lo -f "udp port 5060" -w "$work/sip.pcap" -q >"$work/tshark.log" 2>&1 &
tshark_pid=$!
pids+=("$tshark_pid")
until grep -q 'Capturing on' "$work/tshark.log" 2>/dev/null; do sleep 0.05; done
sleep 1
# warm_up NAME: one start, until registered, untimed, under strace: the
# files it opens (libraries, plugins, fonts, configuration) and maps.
warm_up() {
    local name="$1" offset p
    offset=$(log_size)
    wrap=(strace -f -qq -e trace=open,openat -e status=successful -o "$work/$name.trace")
    start_phone "$name"
    wrap=()
    wait_log "$offset" 'RALU-SIP-LOCAL 200 REGISTER' 15 && sleep 1
    for p in $(ip netns pids "$ns"); do
        [[ "$(cat "/proc/$p/comm" 2>/dev/null)" == "$(comm_of "$name")" ]] || continue
        awk '$6 ~ /^\// {print $6}' "/proc/$p/maps" 2>/dev/null
        kill -KILL "$p" 2>/dev/null || true
    done >"$work/$name.maps"
    kill -KILL "$phone_pid" 2>/dev/null || true # strace, which would wait for the output stamper
    wait "$phone_pid" 2>/dev/null || true
    exec {phone_fd}>&-
    grep -o '"[^"]*"' "$work/$name.trace" | tr -d '"' | cat - "$work/$name.maps" | grep -vE '^/(proc|sys|dev)/' \
        | sort -u | while IFS= read -r f; do if [[ -f "$f" ]]; then echo "$f"; fi; done >"$work/$name.files"
    sleep 0.5
}
for name in "${field[@]}"; do warm_up "$name"; done
for ((r = 1; r <= runs; r++)); do
    for name in "${field[@]}"; do
        log "run $r: $name"
        session "$name" "$r"
    done
done
# Ralu's hang-up -> BYE: the end button pressed in-process.
if [[ " ${field[*]} " == *" ralu "* ]]; then
    log "ralu in-process: $runs calls for hang-up -> BYE"
    run env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" "$build/bench/call_setup_bench" --runs "$runs" \
        --number "$number" >"$work/inproc.out" 2>"$work/inproc.err" || log "call_setup_bench failed"
fi
sleep 1
kill "$tshark_pid"; wait "$tshark_pid" 2>/dev/null || true

tshark -r "$work/sip.pcap" -T fields -E separator='|' -e frame.time_epoch -e udp.srcport -e udp.dstport \
    -e sip.Method -e sip.Status-Code -e sip.CSeq.method -e sip.Call-ID -e sip.Authorization -e sip.Expires \
    -e sip.Contact >"$work/sip.txt" 2>/dev/null

# =============================================================== analysis
# Per session: launch->registered, 401->retry, 200 OK->ACK, hang-up->BYE,
# exit->gone and whether an un-REGISTER left after the SIGTERM.
awk -F'|' -v sessions="$work/sessions" -v inproc="$work/inproc.out" '
    function us(t,  a) { split(t, a, "."); return a[1] * 1000000 + substr(a[2] "000000", 1, 6) }
    { n++; T[n] = us($1); SP[n] = $2; DP[n] = $3; M[n] = $4; S[n] = $5; CM[n] = $6; C[n] = $7; A[n] = ($8 != "")
      X[n] = ($9 == "0" || $10 ~ /expires=0([^0-9]|$)/) }
    function ms(a, b) { return sprintf("%.2f", (b - a) / 1000) }
    END {
        while ((getline line < sessions) > 0) {
            split(line, e, " "); t0 = e[3]; th = e[4]; tt = e[5]; tg = (e[6] == "NA") ? tt + 10000000 : e[6]
            reg = "NA"; retry = "NA"; ack = "NA"; bye = "NA"; unreg = "no"; port = ""
            for (k = 1; k <= n; k++) {
                if (T[k] < t0 || T[k] > tg + 1000000) continue
                if (port == "" && M[k] == "REGISTER") port = SP[k]
                if (reg == "NA" && S[k] == "200" && CM[k] == "REGISTER" && T[k] < tt) reg = ms(t0, T[k])
                if (retry == "NA" && S[k] == "401" && CM[k] == "REGISTER")
                    for (j = k + 1; j <= n; j++) if (M[j] == "REGISTER" && C[j] == C[k] && A[j]) { retry = ms(T[k], T[j]); break }
                if (ack == "NA" && S[k] == "200" && CM[k] == "INVITE" && SP[k] == 5060 && DP[k] != 5070)
                    for (j = k + 1; j <= n; j++) if (M[j] == "ACK" && C[j] == C[k] && DP[j] == 5060) { ack = ms(T[k], T[j]); break }
                if (bye == "NA" && th != "NA" && T[k] >= th && M[k] == "BYE" && DP[k] == 5060 && SP[k] != 5070) bye = ms(th, T[k])
                if (T[k] >= tt && M[k] == "REGISTER" && X[k]) unreg = "yes"
            }
            print e[1], e[2], reg, retry, ack, bye, (e[6] == "NA") ? "NA" : ms(tt, tg), unreg, e[7], e[8], e[9], e[10], e[11], e[12]
        }
        # In-process Ralu: HANGUP moments -> the next BYE it sends.
        while ((getline line < inproc) > 0) {
            split(line, h, " "); if (h[1] != "HANGUP") continue
            for (k = 1; k <= n; k++) if (T[k] >= h[3] && M[k] == "BYE" && DP[k] == 5060 && SP[k] != 5070) { print "ralu-inproc", h[2], "NA NA NA", ms(h[3], T[k]), "NA NA NA NA NA NA NA NA"; break }
        }
    }' "$work/sip.txt" >"$work/results"

echo
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $runs runs each, idle ${idle} s, call ${hold} s"
echo "Each session: softphone run launch->reg 401->retry 200OK->ACK hangup->BYE exit->gone unREGISTER idleCPU% wakeups/s idleRSSkB callCPU% callRSSkB pulseCPUms"
sed 's/^/  /' "$work/results"
echo
median() { sort -g | awk '{a[NR]=$1} END {if (NR == 0) {print "NA"; exit} m = (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2; printf "%.*f (%s-%s)", (m < 10 ? 2 : 1), m, a[1], a[NR]}'; }
column_of() { awk -v n="$1" -v c="$2" '($1 == n || ($1 == "ralu-inproc" && n == "ralu" && c == 6)) && $c != "NA" {print $c}' "$work/results" | median; }
printf '%-22s' "median (min-max)"; for name in "${field[@]}"; do printf ' | %-24s' "$name"; done; echo
for spec in "3:launch -> registered ms" "4:401 -> retry ms" "5:200 OK -> ACK ms" "6:hang-up -> BYE ms" \
    "7:exit -> gone ms" "9:idle CPU %" "10:idle wake-ups/s" "11:idle RSS kB" "12:call CPU %" "13:call RSS kB" \
    "14:PulseAudio CPU ms"; do
    printf '%-22s' "${spec#*:}"
    for name in "${field[@]}"; do printf ' | %-24s' "$(column_of "$name" "${spec%%:*}")"; done
    echo
done
printf '%-22s' "un-REGISTER at exit"
for name in "${field[@]}"; do
    printf ' | %-24s' "$(awk -v n="$name" '$1 == n {t++; if ($8 == "yes") y++} END {printf "%d of %d", y, t}' "$work/results")"
done
echo
