#!/bin/bash
# The attention hint on a real X window: while a call is offered the main
# window's WM_HINTS urgency flag goes on and off every half second, and once
# the offer ends it is off and stays off. Read back with xprop on a virtual
# display of its own.
#   attention_test.sh PROBE_BINARY   (tests/e2e/attention_probe.cpp)
set -uo pipefail
probe="$1"
source "$(dirname "${BASH_SOURCE[0]}")/x11_test_lib.sh"

start_xvfb || { echo "FAILED: no X display"; exit 1; }

coproc PROBE { QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" exec "$probe" 2>"$work/probe.log"; }
pids+=("$PROBE_PID")
send() { # send COMMAND: waits for the probe's "ok COMMAND"
    local reply
    echo "$1" >&"${PROBE[1]}"
    read -r -t 5 reply <&"${PROBE[0]}" && [[ "$reply" == "ok $1" ]]
}
read -r -t 10 word wid <&"${PROBE[0]}"
[[ "${word:-}" == wid && -n "${wid:-}" ]] || { echo "FAILED: the probe showed no window"; cat "$work/probe.log"; exit 1; }

urgent() { xprop -id "$wid" WM_HINTS | grep -q 'urgency hint bit is set'; }
calm() { xprop -id "$wid" WM_HINTS | grep -q 'WM_HINTS(WM_HINTS)' && ! urgent; }

check "before any call the window is not urgent" calm
check "the probe takes the offer" send offer
check "an offered call sets the urgency hint" wait_for 2 urgent
check "the next flash clears it" wait_for 2 calm
check "and the one after sets it again" wait_for 2 urgent
check "the probe ends the offer" send end
check "the end of the offer clears the hint at once" calm
sleep 1.2
check "no flash sets it again afterwards" calm
check "the window keeps Qt's input hint" bash -c "xprop -id $wid WM_HINTS | grep -q 'accepts input'"
send quit

echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
