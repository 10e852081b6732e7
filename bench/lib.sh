# The benchmarks' common set-up, sourced by calls.sh, peers.sh and soak.sh:
# packages, a network namespace with only loopback up, the local provider's
# log, a PulseAudio server and an X display of their own, Ralu's saved login.
# The caller defines log() and sets top (the checkout) and work (its work
# folder) before it calls these; background processes go into pids, which
# bench_cleanup ends.
pids=()
ns=""
own_ns=""
in_ns=()

# bench_install PACKAGE...: installs those not installed yet.
bench_install() {
    local missing=() p sudo=()
    for p in "$@"; do
        dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    log "installing ${missing[*]}"
    ((EUID == 0)) || sudo=(sudo)
    echo "wireshark-common wireshark-common/install-setuid boolean false" \
        | "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive debconf-set-selections
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# bench_namespace NAME: runs what follows in the namespace BENCH_NETNS when
# set, else in a new one called NAME (deleted at exit), with loopback up and
# a default route over it (baresip takes its address from that route;
# nothing leaves the namespace). Fails when none can be made.
bench_namespace() {
    if [[ -n "${BENCH_NETNS:-}" ]]; then
        ns="$BENCH_NETNS"
    else
        ip netns add "$1" 2>/dev/null || return 1
        ns="$1"
        own_ns=1
        ip netns exec "$ns" ip link set lo up
        ip netns exec "$ns" ip route add default dev lo
    fi
    in_ns=(ip netns exec "$ns")
}

# run CMD...: CMD in the namespace (on the host without one). Background
# processes are started with "${in_ns[@]}" directly: ip netns exec execs
# CMD, so $! is CMD's own process.
run() { "${in_ns[@]}" "$@"; }

# The EXIT trap: ends what was started, stops the provider, deletes an own
# namespace with anything left in it, removes the work folder unless
# KEEP_BENCH_FILES is set.
bench_cleanup() {
    local pid
    set +e
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    sleep 0.5
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    run "$top/scripts/provider.sh" stop "$work/provider" >/dev/null 2>&1
    if [[ -n "$own_ns" ]]; then
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
        ip netns del "$ns" 2>/dev/null
    fi
    if [[ -n "${KEEP_BENCH_FILES:-}" ]]; then log "files kept in $work"; else rm -rf "$work"; fi
}

now_us() { local t=$EPOCHREALTIME; echo "${t/./}"; }
# Time-stamps each line it reads (wall clock, microseconds, no fork per line).
stamp() { local line t; while IFS= read -r line; do t=$EPOCHREALTIME; printf '%s %s\n' "${t/./}" "$line"; done; }

# The provider's log (scripts/provider.sh start "$work/provider"): its size,
# and wait_log OFFSET REGEX SECONDS, which waits for REGEX past OFFSET.
log_size() { stat -c %s "$work/provider/kamailio.log"; }
wait_log() {
    local offset="$1" re="$2" deadline=$((SECONDS + $3))
    until tail -c +$((offset + 1)) "$work/provider/kamailio.log" | grep -qaE -- "$re"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.005
    done
}

# start_pulse HOME: a PulseAudio server whose only sink is a null sink (the
# "sound card"), on $work/pulse.sock; exports PULSE_SERVER, sets pulse_pid.
start_pulse() {
    mkdir -p "$work/runtime"
    chmod 700 "$work/runtime"
    export PULSE_SERVER="unix:$work/pulse.sock"
    "${in_ns[@]}" env -i PATH="$PATH" HOME="$1" XDG_RUNTIME_DIR="$work/runtime" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        --load=module-null-sink "--load=module-native-protocol-unix auth-anonymous=1 socket=$work/pulse.sock" \
        >"$work/pulse.log" 2>&1 &
    pulse_pid=$!
    pids+=("$pulse_pid")
    local i
    for ((i = 0; i < 100; i++)); do [[ -S "$work/pulse.sock" ]] && return 0; sleep 0.05; done
    log "PulseAudio did not start"
    cat "$work/pulse.log" >&2
    return 1
}

# start_xvfb: Xvfb on a free display; exports DISPLAY.
start_xvfb() {
    local d i
    for ((d = 600 + RANDOM % 300; ; d++)); do [[ -e "/tmp/.X$d-lock" ]] || break; done
    "${in_ns[@]}" Xvfb ":$d" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=":$d"
    for ((i = 0; i < 100; i++)); do run xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.05; done
    log "Xvfb did not start"
    return 1
}

# save_login HOME: Ralu's saved login for the demo account 1001.
save_login() {
    local entry
    mkdir -p "$1/.config/Ralu"
    chmod 700 "$1/.config/Ralu"
    for entry in Password=demo1001 Save=yes Username=1001 accountnumber=1001 accountpassword=demo1001 sipip=127.0.0.1; do
        printf '[%sralu]\nParameters\\Validation=%s\n\n' "${entry%%=*}" "${entry#*=}" >>"$1/.config/Ralu/settings.ini"
    done
    chmod 600 "$1/.config/Ralu/settings.ini"
}

# write_linphonerc FILE PORT: linphonec's configuration for account 1002 on
# the demo provider: SIP on PORT over UDP only, no database, no video.
write_linphonerc() {
cat >"$1" <<EOF
[sip]
sip_port=$2
sip_tcp_port=0
sip_tls_port=0
auto_net_state_mon=0
register_only_when_network_is_up=0
register_only_when_upnp_is_ok=0
supported=replaces, outbound
default_proxy=0
[rtp]
audio_rtp_port=7078
video_rtp_port=9078
[sound]
remote_ring=
local_ring=
tone_indications=0
[video]
capture=0
display=0
automatically_initiate=0
automatically_accept=0
[storage]
uri=null
call_logs_db_uri=null
zrtp_secrets_db_uri=null
[misc]
history_max_size=0
[proxy_0]
reg_proxy=<sip:127.0.0.1;transport=udp>
reg_identity="1002" <sip:1002@127.0.0.1>
reg_expires=600
reg_sendregister=1
publish=0
dial_escape_plus=0
[auth_info_0]
username=1002
passwd=demo1002
realm=127.0.0.1
domain=127.0.0.1
EOF
}
