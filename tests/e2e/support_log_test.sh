#!/bin/bash
# The log for support from the real program against the local provider, with
# the SIP trace on (--sip-log): account 1003 logs in by the keyboard (its
# password holds " < & > '), calls a busy far end. The log in the state
# folder holds the registration's trace and the call's failure, and neither
# the password, nor the account number (the billing PIN), nor an
# Authorization header's value. Copy: SCREENSHOT_DIR/support-log.txt.
#   support_log_test.sh RALU_BINARY PROVIDER_RUNDIR
set -uo pipefail
ralu="$1"
log="${RALU_E2E_RUNDIR:-$2}/kamailio.log" # a runner's group has a provider of its own
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
[[ -n "${RALU_PRIVATE_BUS:-}" ]] || exec dbus-run-session -- env RALU_PRIVATE_BUS=1 "$0" "$@"
source "$here/x11_test_lib.sh"

start_desktop || { echo "FAILED: no X display"; exit 1; }
export XDG_STATE_HOME="$work/state"
(cd "$work" && exec sipp -sf "$here/../../scripts/sipp/farend-busy.xml" -i 127.0.0.1 -p 5070 \
    -mi 127.0.0.1 -mp 16000 -m 1 -nostdin -trace_err >"$work/sipp.log" 2>&1) &
pids+=($!)
cp "$ralu" "$work/ralu"
start=$(stat -c %s "$log")
QT_QPA_PLATFORM=xcb "$work/ralu" --sip-log >"$work/ralu.out" 2>&1 &
ralu_pid=$!
pids+=("$ralu_pid")
trace="$XDG_STATE_HOME/ralu/ralu.log"

logged() { tail -c +"$((start + 1))" "$log" | grep -Eq "$1"; }
shown() { xdotool search --onlyvisible --pid "$ralu_pid" >/dev/null 2>&1; }
check "the login window shows" wait_for 15 shown
xdotool search --onlyvisible --pid "$ralu_pid" | head -n 1 | xargs -I{} xdotool windowfocus --sync {}
xdotool type --delay 30 1003 && xdotool key Tab && xdotool type --delay 30 "p\"w<&>'d" && xdotool key Tab End Return
check "account 1003 registers" wait_for 10 logged '^Authorization: +Digest .*username="1003"'
main_window() { # the shown window of the main window's size gets the keyboard (the WM's part)
    local w
    for w in $(xdotool search --onlyvisible --pid "$ralu_pid" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [[ "$WIDTH" == 231 && "$HEIGHT" == 346 ]] && xdotool windowfocus --sync "$w" && return 0
    done
    return 1
}
check "the main window shows" wait_for 10 main_window
xdotool type --delay 30 5551234 && xdotool key Return
check "the call goes out" wait_for 10 logged 'INVITE sip:5551234@'
check "the log keeps the call's failure reason" wait_for 10 grep -q 'ralu.sip: call failed: 486' "$trace"
check "the log holds the registration's trace" grep -q 'REGISTER sip:127.0.0.1' "$trace"
check "Authorization headers are there without their value" grep -q '^Authorization: <redacted>' "$trace"
check "no password" bash -c "! grep -qF \"p\\\"w<&>'d\" '$trace'"
check "no digest answer" bash -c "! grep -Eq 'response=|nonce=.*username' '$trace'"
check "no account number (the billing PIN)" bash -c "! grep -q '1003' '$trace'"
check "the log is the owner's alone" test "$(stat -c %a "$trace")" = 600
check "nothing of the SIP stack on the terminal" bash -c "! grep -q 'belle-sip\\|liblinphone' '$work/ralu.out'"
cp "$trace" "${SCREENSHOT_DIR:-$work}/support-log.txt" 2>/dev/null
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
