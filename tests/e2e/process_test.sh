#!/bin/bash
# The real ralu executable against the local provider, on a virtual X display:
# a saved login registers, the missing sound device is reported once and
# refuses dialing, the process leaves no core file, a second start is refused
# without touching the running one, and the program ends cleanly when told to.
#   process_test.sh RALU_BINARY PROVIDER_RUNDIR
set -uo pipefail
ralu="$1"
rundir="${RALU_E2E_RUNDIR:-$2}" # a runner's group has a provider of its own
log="$rundir/kamailio.log"
source "$(dirname "${BASH_SOURCE[0]}")/x11_test_lib.sh"

start_xvfb || { echo "FAILED: no X display"; exit 1; }

# A user with a saved login for account 1001 on 127.0.0.1.
home="$work/home"
mkdir -p "$home/.config/Ralu" "$home/runtime"
chmod 700 "$home/runtime" "$home/.config/Ralu"
settings="$home/.config/Ralu/settings.ini"
for entry in Password=demo1001 Save=yes Username=1001 accountnumber=1001 accountpassword=demo1001 sipip=127.0.0.1; do
    printf '[%sralu]\nParameters\\Validation=%s\n\n' "${entry%%=*}" "${entry#*=}" >>"$settings"
done
chmod 600 "$settings"
# A copy of the executable of its own, so its folder (for the call history)
# belongs to this test.
cp "$ralu" "$work/ralu"
# Started with core files allowed, and with a group other than root's: the
# files in /proc/PID then belong to that group while the process may be
# dumped, and to root's when it may not.
nogroup=65534
as_user() { ulimit -c unlimited 2>/dev/null; exec setpriv --regid="$nogroup" --clear-groups -- "$@"; }
run_ralu() { # run_ralu NAME: starts ralu in the background of this shell ($! is its pid)
    (as_user env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" XDG_RUNTIME_DIR="$home/runtime" \
        QT_QPA_PLATFORM=xcb "$work/ralu" >>"$work/ralu-$1.log" 2>&1) &
}

registers_since() { # registers_since OFFSET: REGISTER requests carrying credentials
    tail -c +"$(( $1 + 1 ))" "$log" | grep -cE '^Authorization: +Digest .*username="1001"' || true
}

start=$(stat -c %s "$log")
run_ralu first
first=$!
pids+=("$first")
registered() { test "$(registers_since "$start")" -ge 1; }
check "a saved login registers with digest authentication" wait_for 10 registered

# No sound card and no sound server here: the report comes once, before the
# main window; dialing is then refused with a box and nothing sent.
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null; }
one_window() { test "$(windows_of "$first" | wc -l)" -eq 1; }
check "without sound, one box comes before the main window" wait_for 10 one_window
report=$(windows_of "$first" | head -n 1)
check "the report is titled Ralu" test "$(xdotool getwindowname "$report" 2>/dev/null)" = "Ralu"
xdotool windowfocus --sync "$report" key --clearmodifiers Return 2>/dev/null
main_shown() { one_window && test "$(windows_of "$first")" != "$report"; }
check "OK brings up the main window" wait_for 5 main_shown
main=$(windows_of "$first" | head -n 1)
before_dial=$(stat -c %s "$log")
xdotool windowfocus --sync "$main" type --delay 20 5551234 2>/dev/null
xdotool key --clearmodifiers Return 2>/dev/null
two_windows() { test "$(windows_of "$first" | wc -l)" -eq 2; }
check "dialing without sound shows a box over the main window" wait_for 5 two_windows
import -window root "$work/no-sound-dial.png" 2>/dev/null && cp "$work/no-sound-dial.png" "${SCREENSHOT_DIR:-$work}/process-no-sound-dial.png" 2>/dev/null
refused=$(windows_of "$first" | grep -vx "$main" | head -n 1)
xdotool windowfocus --sync "$refused" key --clearmodifiers Return 2>/dev/null
check "OK leaves the main window alone" wait_for 5 bash -c "test \"\$(xdotool search --onlyvisible --pid $first)\" = $main"
check "no call went out" test "$(tail -c +$((before_dial + 1)) "$log" | grep -c 'INVITE sip:5551234')" -eq 0
(as_user sleep 30) &
pids+=($!)
control=$!
sleep 0.5
check "a plain process started the same way may be dumped (control)" test "$(stat -c %g "/proc/$control/status")" -eq "$nogroup"
check "ralu may not be dumped (its /proc files belong to root's group)" test "$(stat -c %g "/proc/$first/status")" -eq 0
check "ralu allows no core file" grep -Eq '^Max core file size +0 +0 ' "/proc/$first/limits"
import -window root "$work/main-window.png" 2>/dev/null && cp "$work/main-window.png" "${SCREENSHOT_DIR:-$work}/process-main-window.png" 2>/dev/null

before_second=$(stat -c %s "$log")
run_ralu second
second=$!
pids+=("$second")
if wait_for 10 bash -c "xdotool search --onlyvisible --pid $second >/dev/null 2>&1"; then
    window=$(xdotool search --onlyvisible --pid "$second" | head -n 1)
    check "the second start shows a box titled Ralu" test "$(xdotool getwindowname "$window")" = "Ralu"
    import -window root "$work/second.png" 2>/dev/null && cp "$work/second.png" "${SCREENSHOT_DIR:-$work}/process-second-instance.png" 2>/dev/null
    # The box has the focus; OK is its default button.
    xdotool key --clearmodifiers Return
else
    check "the second start shows a window" false
fi
check "the second start ends after OK" wait_for 5 bash -c "! kill -0 $second 2>/dev/null"
wait "$second"; rc=$?
check "the second start ends with status 0" test "$rc" -eq 0
check "the second start sent nothing to the provider" test "$(tail -c +$((before_second + 1)) "$log" | grep -c 'RALU-SIP-IN')" -eq 0
check "the running instance is unaffected" kill -0 "$first"

kill -TERM "$first"
check "exit while registered ends the process promptly" wait_for 3 bash -c "! kill -0 $first 2>/dev/null"
wait "$first"; rc=$?
check "exit while registered ends with status 0" test "$rc" -eq 0

echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
