# Shared by the tests that run a program on a virtual X display of their own:
# a work folder removed at exit with every process put in pids, the ok/FAILED
# lines and their counts, waiting for a condition, and the display itself.
# Source it after `set -uo pipefail`; the test prints its totals.

work="$(mktemp -d)"
failures=0
passes=0
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

check() { # check DESCRIPTION COMMAND...
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

wait_for() { # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        (( SECONDS >= deadline )) && return 1
        sleep 0.05
    done
}

# start_xvfb [XVFB OPTION...]: starts Xvfb on a display number it picks
# itself (-displayfd: never one another test holds) and exports DISPLAY.
start_xvfb() {
    : >"$work/xvfb-display"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp "$@" 3>"$work/xvfb-display" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 10 grep -q '[0-9]' "$work/xvfb-display" || return 1
    export DISPLAY=":$(head -n1 "$work/xvfb-display")"
    wait_for 5 xdpyinfo >/dev/null 2>&1
}

# start_desktop: a display (start_xvfb -noreset), a home and runtime folder of
# the test's own, and a sound server of its own with a silent speaker and
# microphone (calls need both).
start_desktop() {
    start_xvfb -noreset || return 1
    export HOME="$work/home" XDG_RUNTIME_DIR="$work/home/runtime"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    printf 'autospawn = no\n' >"$work/pulse-client.conf" && export PULSE_CLIENTCONFIG="$work/pulse-client.conf"
    pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 -L module-null-sink \
        -L module-native-protocol-unix >"$work/pa.log" 2>&1 &
    pids+=($!)
}
