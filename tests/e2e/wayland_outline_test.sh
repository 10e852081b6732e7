#!/bin/bash
# The real ralu under a Wayland compositor (weston's headless backend drawn by
# pixman), where a window's mask limits its input only: the login window's
# corners outside its outline show the desktop, never the pictures'
# transparent colour (magenta), in weston's own screenshot (kept as
# SCREENSHOT_DIR/wayland-login.png).
#   wayland_outline_test.sh RALU_BINARY
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/x11_test_lib.sh"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" WAYLAND_DISPLAY=ralu-wayland
mkdir -p "$XDG_RUNTIME_DIR" "$HOME/shots" && chmod 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" --debug --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || { echo "FAILED: weston did not start"; exit 1; }
cp "$1" "$work/ralu"
QT_QPA_PLATFORM=wayland "$work/ralu" >"$work/ralu.log" 2>&1 &
pids+=($!)

# pixels COLOUR: how many pixels of weston's last screenshot have that colour.
pixels() { convert "$work/shot.png" -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info:; }
# The window shows once enough of its outline, drawn in the body's edge colour, does.
shown() {
    (cd "$HOME/shots" && rm -f ./*.png && weston-screenshooter >/dev/null 2>&1 && mv ./*.png "$work/shot.png") \
        && test "$(pixels '#5b6b84')" -gt 400
}
check "the login window shows" wait_for 15 shown
cp "$work/shot.png" "${SCREENSHOT_DIR:-$work}/wayland-login.png" 2>/dev/null
check "no corner shows the transparent colour" test "$(pixels '#ff00ff')" -eq 0
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
