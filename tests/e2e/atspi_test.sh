#!/bin/bash
# The real ralu as a screen reader meets it: on a virtual X display and a
# private D-Bus session with the accessibility bus, AT-SPI lists the login and
# the main window (every control that shows named, every button a push button
# with a Press action, no unnamed picture) and logs in and presses a dial key
# through AT-SPI; only the server is picked with keys (Tab, End), as a screen
# reader's user does in a combo box.
#   atspi_test.sh RALU_BINARY
set -uo pipefail
ralu="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
[[ -n "${RALU_PRIVATE_BUS:-}" ]] || exec dbus-run-session -- env RALU_PRIVATE_BUS=1 "$0" "$@"
source "$here/x11_test_lib.sh"

start_xvfb || { echo "FAILED: no X display"; exit 1; }
home="$work/home"
mkdir -p "$home/.config/Ralu" "$home/runtime"
chmod 700 "$home/runtime" "$home/.config/Ralu"
export HOME="$home" XDG_RUNTIME_DIR="$home/runtime"
# A sound server of the test's own: the main window comes without the report
# of a machine without sound.
printf 'autospawn = no\n' >"$work/pulse-client.conf"
export PULSE_CLIENTCONFIG="$work/pulse-client.conf"
pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
    -L module-null-sink -L module-native-protocol-unix >"$work/pulseaudio.log" 2>&1 &
pids+=($!)
# The accessibility bus first, so Ralu finds it at start.
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus --method org.a11y.Bus.GetAddress >/dev/null \
    || { echo "FAILED: no accessibility bus (Debian package at-spi2-core)"; exit 1; }
cp "$ralu" "$work/ralu"
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$work/ralu" >"$work/ralu.log" 2>&1 &
ralu_pid=$!
pids+=("$ralu_pid")

atspi() { /usr/bin/python3 "$here/atspi_check.py" "$@"; }
# The window manager's part: the window that shows gets the keyboard.
wait_for 15 bash -c "xdotool search --onlyvisible --pid $ralu_pid >/dev/null 2>&1"
xdotool windowfocus --sync "$(xdotool search --onlyvisible --pid "$ralu_pid" | head -n 1)"
check "the login window through AT-SPI" atspi login
xdotool key Tab End # from the password to the server box, and its last server
check "End picks the last server" test "$(atspi server)" = "127.0.0.1"
check "AT-SPI presses Login" atspi press Login
check "the main window through AT-SPI" atspi main
check "the login was saved" grep -q 'Validation=1001' "$home/.config/Ralu/settings.ini"

kill -TERM "$ralu_pid"
wait_for 3 bash -c "! kill -0 $ralu_pid 2>/dev/null"
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
