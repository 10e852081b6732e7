#!/bin/bash
# The real ralu against the local provider on a virtual X display, driven by
# the keyboard alone: log in (account number, Tab, password, Tab, End for the
# last server, Enter), call (the number, Enter) and hang up (Space: the focus
# is on the end button once the number box is disabled); SIPp answers and ends
# cleanly only after the whole call. AT-SPI, on a private D-Bus session, lists
# both windows (atspi_check.py). Screenshots: SCREENSHOT_DIR/keyboard-*.png.
#   keyboard_x11_test.sh RALU_BINARY PROVIDER_RUNDIR
set -uo pipefail
ralu="$1"
log="${RALU_E2E_RUNDIR:-$2}/kamailio.log" # a runner's group has a provider of its own
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
[[ -n "${RALU_PRIVATE_BUS:-}" ]] || exec dbus-run-session -- env RALU_PRIVATE_BUS=1 "$0" "$@"
source "$here/x11_test_lib.sh"

start_desktop || { echo "FAILED: no X display"; exit 1; }
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus --method org.a11y.Bus.GetAddress >/dev/null \
    || { echo "FAILED: no accessibility bus (Debian package at-spi2-core)"; exit 1; }
(cd "$work" && exec sipp -sf "$here/../../scripts/sipp/farend-answer.xml" -i 127.0.0.1 -p 5070 \
    -mi 127.0.0.1 -mp 16000 -m 1 -rtp_echo -nostdin -trace_err >"$work/sipp.log" 2>&1) &
sipp_pid=$!
pids+=("$sipp_pid")
cp "$ralu" "$work/ralu"
start=$(stat -c %s "$log")
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$work/ralu" >"$work/ralu.log" 2>&1 &
ralu_pid=$!
pids+=("$ralu_pid")

logged() { tail -c +"$((start + 1))" "$log" | grep -Eq "$1"; }
shot() { import -window root "${SCREENSHOT_DIR:-$work}/keyboard-$1.png" 2>/dev/null; }
atspi() { /usr/bin/python3 "$here/atspi_check.py" "$@"; }
# window WIDTH HEIGHT: the shown window of that size gets the keyboard (the WM's part).
window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$ralu_pid" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [[ "$WIDTH" == "$1" && "$HEIGHT" == "$2" ]] && xdotool windowfocus --sync "$w" && return 0
    done
    return 1
}

check "the login window shows" wait_for 15 window 231 146
check "AT-SPI finds the login window's controls" atspi login
xdotool type --delay 30 1001
xdotool key Tab && xdotool type --delay 30 demo1001
xdotool key Tab End
shot login
xdotool key Return
check "Enter logs in: account 1001 registers" wait_for 10 logged '^Authorization: +Digest .*username="1001"'
check "the main window shows" wait_for 10 window 231 346
check "AT-SPI finds the main window's controls" atspi main
xdotool type --delay 30 5551234 && xdotool key Return
check "Enter calls 5551234" wait_for 10 logged 'INVITE sip:5551234@'
check "the far end answers: Ralu acknowledges" wait_for 10 logged 'RALU-SIP-IN .* ACK sip:'
sleep 1.5 # talking
shot call
xdotool key space
check "Space on the end button hangs up: Ralu's BYE" wait_for 10 logged 'RALU-SIP-IN .* BYE sip:'
wait_for 10 bash -c "! kill -0 $sipp_pid 2>/dev/null"; wait "$sipp_pid"
check "the far end saw the whole call and ended without error" test $? -eq 0
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
