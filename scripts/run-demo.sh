#!/bin/bash
# Installs what Ralu needs, builds it, starts the bundled demo provider on
# 127.0.0.1 (SIP, telephone network, billing server) and runs Ralu against
# it. The provider stops when Ralu ends.
#   scripts/run-demo.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
build="${1:-$top/build}"
rundir="$build/demo-provider"

"$here/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target ralu ralu_billing_server

"$here/provider.sh" stop "$rundir" >/dev/null 2>&1 || true
"$here/provider.sh" start "$rundir" --far-end=answer --billing-server="$build/ralu_billing_server"
xvfb_pid=""
pulse_pid=""
runtime=""
cleanup() {
    "$here/provider.sh" stop "$rundir" || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    [[ -n "$pulse_pid" ]] && kill "$pulse_pid" 2>/dev/null || true
    [[ -n "$runtime" ]] && rm -rf "$runtime" || true
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    # No desktop session: a virtual screen, so Ralu still runs (look at it
    # with a screenshot: DISPLAY=:77 import -window root shot.png).
    Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:77
    sleep 1
    echo "No display found: Ralu runs on the virtual display :77."
fi

if ! pactl info >/dev/null 2>&1; then
    # No sound server (a bare machine, or root, for whom PulseAudio never
    # starts by itself): one of the demo's own, with a silent loudspeaker
    # and microphone when there is no sound card, so that calls still work.
    if [[ -z "${XDG_RUNTIME_DIR:-}" || ! -w "${XDG_RUNTIME_DIR:-/nonexistent}" ]]; then
        runtime="$(mktemp -d /tmp/ralu-demo-runtime.XXXXXX)"
        export XDG_RUNTIME_DIR="$runtime"
    fi
    pulseaudio --daemonize=no --exit-idle-time=-1 -L module-null-sink >"$rundir/pulseaudio.log" 2>&1 &
    pulse_pid=$!
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    if pactl info >/dev/null 2>&1; then
        echo "No sound server found: Ralu uses a PulseAudio of the demo's own."
    else
        echo "No sound server found, and none could be started (see $rundir/pulseaudio.log)."
    fi
fi

cat <<TXT
Demo provider running on 127.0.0.1:5060, billing server on 127.0.0.1:8088.
Log in with account 1001, password demo1001 and the server 127.0.0.1
(or 1002 / demo1002). Call any other number, e.g. 5551234: the far end
answers and sends your voice back. Exit Ralu from its menu (right-click).
TXT
"$build/ralu"
