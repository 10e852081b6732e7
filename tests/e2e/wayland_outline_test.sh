#!/bin/bash
# The real ralu under a Wayland compositor (weston's headless backend, drawn
# by its pixman renderer), where a window's mask limits its input only: the
# corners outside the login and main windows' outlines show the desktop, never
# the pictures' transparent colour (magenta). Read from weston's own
# screenshots, kept as SCREENSHOT_DIR/wayland-login.png and wayland-main.png.
#   wayland_outline_test.sh RALU_BINARY
set -uo pipefail
ralu="$1"
source "$(dirname "${BASH_SOURCE[0]}")/x11_test_lib.sh"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --use-pixman --socket=ralu-wayland --width=640 --height=600 \
    --debug --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for 10 test -S "$XDG_RUNTIME_DIR/ralu-wayland" || { echo "FAILED: weston did not start"; cat "$work/weston.log"; exit 1; }

# A sound server of the test's own, so the main window comes up without the
# report of a machine without sound.
home="$work/home"
mkdir -p "$home/.config/Ralu"
printf 'autospawn = no\n' >"$work/pulse-client.conf"
export PULSE_CLIENTCONFIG="$work/pulse-client.conf"
HOME="$home" pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
    -L module-null-sink -L module-native-protocol-unix >"$work/pulseaudio.log" 2>&1 &
pids+=($!)
cp "$ralu" "$work/ralu"

# pixels COLOUR: how many pixels of the last screenshot have that colour.
pixels() { convert "$work/shot.png" -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info:; }
screenshot() {
    rm -f "$work"/shots/*.png
    (mkdir -p "$work/shots" && cd "$work/shots" && WAYLAND_DISPLAY=ralu-wayland weston-screenshooter >/dev/null 2>&1) \
        && mv "$work"/shots/*.png "$work/shot.png"
}
# The body's edge colour (every skin's outline is drawn in it) shows enough.
window_shown() { screenshot && test "$(pixels '#5b6b84')" -gt "$1"; }

run() { # run NAME EDGE_PIXELS: ralu until its window shows, then the screenshot's magenta
    HOME="$home" QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=ralu-wayland "$work/ralu" >"$work/ralu-$1.log" 2>&1 &
    local pid=$!
    pids+=("$pid")
    check "$1: the window shows" wait_for 15 window_shown "$2"
    cp "$work/shot.png" "${SCREENSHOT_DIR:-$work}/wayland-$1.png" 2>/dev/null
    check "$1: no corner shows the transparent colour" test "$(pixels '#ff00ff')" -eq 0
    kill -TERM "$pid"
    wait_for 5 bash -c "! kill -0 $pid 2>/dev/null"
}

run login 400
for entry in Password=demo1001 Save=yes Username=1001 accountnumber=1001 accountpassword=demo1001 sipip=127.0.0.1; do
    printf '[%sralu]\nParameters\\Validation=%s\n\n' "${entry%%=*}" "${entry#*=}" >>"$home/.config/Ralu/settings.ini"
done
run main 900

echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
