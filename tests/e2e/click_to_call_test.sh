#!/bin/bash
# Links and numbers on the command line, two real processes against the local
# provider on a virtual X display: a first start with a tel: link keeps its
# number in the box after logging in; a second start with a sip: link hands
# its number to the running instance, which takes the keyboard into the
# number box; a second start with nothing shows "Another instance is
# running."; a missed call is a desktop notice; the User-Agent carries the version; nothing is dialled (no INVITE reaches the provider).
#   click_to_call_test.sh RALU_BINARY PROVIDER_RUNDIR
set -uo pipefail
ralu="$1"
log="${RALU_E2E_RUNDIR:-$2}/kamailio.log" # a runner's group has a provider of its own
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
[[ -n "${RALU_PRIVATE_BUS:-}" ]] || exec dbus-run-session -- env RALU_PRIVATE_BUS=1 "$0" "$@"
source "$here/x11_test_lib.sh"

start_desktop || { echo "FAILED: no X display"; exit 1; }
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
cp "$ralu" "$work/ralu"
start=$(stat -c %s "$log")
"$work/ralu" 'tel:+44-20-7946-0000' >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")

logged() { tail -c +"$((start + 1))" "$log" | grep -Eq "$1"; }
number_box() { [[ "$(/usr/bin/python3 "$here/atspi_check.py" number)" == "$1" ]]; }
shown() { xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; }

check "the login window shows" wait_for 15 shown "$first"
xdotool search --onlyvisible --pid "$first" | head -n 1 | xargs -I{} xdotool windowfocus --sync {}
xdotool type --delay 30 1001 && xdotool key Tab && xdotool type --delay 30 demo1001 && xdotool key Tab End Return
check "account 1001 registers" wait_for 10 logged '^Authorization: +Digest .*username="1001"'
check "the User-Agent carries the version" logged "^User-Agent: Ralu/$("$work/ralu" --version | cut -d' ' -f2)\s*$"
check "after logging in the link's number waits in the box" wait_for 10 number_box "442079460000 focused"
xdotool key Tab # the keyboard leaves the number box

"$work/ralu" 'sip:5551234@127.0.0.1;user=phone' >"$work/second.log" 2>&1
check "a second start with a sip: link ends at once with status 0" test $? -eq 0
check "its number is in the running instance's box, with the keyboard" wait_for 5 number_box "5551234 focused"

"$work/ralu" >"$work/third.log" 2>&1 &
third=$!
pids+=("$third")
check "a second start with nothing shows its box" wait_for 10 shown "$third"
check "the box is titled Ralu" test "$(xdotool getwindowname "$(xdotool search --onlyvisible --pid "$third" | head -n 1)")" = Ralu
xdotool search --onlyvisible --pid "$third" | head -n 1 | xargs -I{} xdotool windowfocus --sync {} key Return
check "it ends after OK" wait_for 5 bash -c "! kill -0 $third 2>/dev/null"

"$work/ralu" 'sip:alice@127.0.0.1' 2>"$work/refused.log"
check "a link without a number is refused with status 2" test $? -eq 2
check "it says why" grep -q 'no telephone number' "$work/refused.log"
check "nothing was dialled" bash -c "! tail -c +$((start + 1)) '$log' | grep -q 'INVITE sip:'"
# A caller who gives up: the missed call is a desktop notice on the session
# bus (no notification service runs there: nothing waits, nothing is said).
dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$work/notices.log" 2>&1 &
pids+=($!)
(cd "$work" && sipp -sf "$here/../../scripts/sipp/caller-cancel.xml" -i 127.0.0.1 -p 5080 -mi 127.0.0.1 \
    -mp 17000 -s 1001 -m 1 -set ring_ms 1000 -nostdin 127.0.0.1:5060 >"$work/sipp.log" 2>&1)
check "the caller gave up while it rang" test $? -eq 0
check "the missed call is a desktop notice" wait_for 5 grep -q 'string "Missed call from 5550100"' "$work/notices.log"
cp "$work/notices.log" "${SCREENSHOT_DIR:-$work}/missed-call-notice.log" 2>/dev/null
check "the running instance is still there" kill -0 "$first"
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
