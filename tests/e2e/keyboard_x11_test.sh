#!/bin/bash
# The real ralu driven by the keyboard alone, against the local provider on a
# virtual X display: log in (typed account number and password, Tab, End for
# the last server, Enter), call a number (typed, Enter), and hang up (the
# focus lands on the end button when the number box is disabled: Space).
# The far end is SIPp answering; it ends cleanly only after the whole call.
# Screenshots of each step go to SCREENSHOT_DIR (keyboard-*.png).
#   keyboard_x11_test.sh RALU_BINARY PROVIDER_RUNDIR
set -uo pipefail
ralu="$1"
rundir="$2"
log="$rundir/kamailio.log"
source "$(dirname "${BASH_SOURCE[0]}")/x11_test_lib.sh"
sipp_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts/sipp" && pwd)"

start_xvfb -noreset || { echo "FAILED: no X display"; exit 1; }
home="$work/home"
mkdir -p "$home/.config/Ralu" "$home/runtime"
chmod 700 "$home/runtime" "$home/.config/Ralu"
export HOME="$home" XDG_RUNTIME_DIR="$home/runtime"
# A sound server of the test's own: calls need a microphone and a speaker.
printf 'autospawn = no\n' >"$work/pulse-client.conf"
export PULSE_CLIENTCONFIG="$work/pulse-client.conf"
pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
    -L module-null-sink -L module-native-protocol-unix >"$work/pulseaudio.log" 2>&1 &
pids+=($!)
(cd "$work" && exec sipp -sf "$sipp_dir/farend-answer.xml" -i 127.0.0.1 -p 5070 -mi 127.0.0.1 -mp 16000 \
    -m 1 -rtp_echo -nostdin -trace_err >"$work/sipp.log" 2>&1) &
sipp_pid=$!
pids+=("$sipp_pid")
cp "$ralu" "$work/ralu"
start=$(stat -c %s "$log")
QT_QPA_PLATFORM=xcb "$work/ralu" >"$work/ralu.log" 2>&1 &
ralu_pid=$!
pids+=("$ralu_pid")

since_start() { tail -c +"$((start + 1))" "$log"; }
shot() { import -window root "${SCREENSHOT_DIR:-$work}/keyboard-$1.png" 2>/dev/null; }
# window WIDTH HEIGHT: the shown window of that size; the window manager's
# part, giving it the keyboard, is done with it.
window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$ralu_pid" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [[ "$WIDTH" == "$1" && "$HEIGHT" == "$2" ]] && xdotool windowfocus --sync "$w" && return 0
    done
    return 1
}

check "the login window shows and takes the keyboard" wait_for 15 window 231 146
sleep 0.3
xdotool type --delay 30 1001
xdotool key Tab
xdotool type --delay 30 demo1001
xdotool key Tab End
shot login
xdotool key Return
registered() { since_start | grep -Eq '^Authorization: +Digest .*username="1001"'; }
check "Enter logs in: account 1001 registers" wait_for 10 registered
check "the main window shows and takes the keyboard" wait_for 10 window 231 346
sleep 0.5
xdotool type --delay 30 5551234
xdotool key Return
invited() { since_start | grep -q 'INVITE sip:5551234@'; }
check "Enter calls 5551234" wait_for 10 invited
answered() { since_start | grep -q 'RALU-SIP-IN .* ACK sip:'; } # Ralu's ACK of the far end's 200
check "the far end answers and Ralu takes the call" wait_for 10 answered
sleep 1.5 # talking
shot call
xdotool key space
hung_up() { since_start | grep -q 'RALU-SIP-IN .* BYE sip:'; } # from Ralu, not the far end
check "Space on the end button, where the focus went, hangs up" wait_for 10 hung_up
check "the far end saw the whole call end cleanly" wait_for 10 bash -c "! kill -0 $sipp_pid 2>/dev/null"
wait "$sipp_pid"; rc=$?
check "SIPp ended without error" test "$rc" -eq 0
shot after

kill -TERM "$ralu_pid"
wait_for 3 bash -c "! kill -0 $ralu_pid 2>/dev/null"
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
