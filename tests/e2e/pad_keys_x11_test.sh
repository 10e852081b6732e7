#!/bin/bash
# The real ralu on a virtual X display with UK and German keyboards: Shift+3
# and Shift+8 show the # and * keys of the dial pad pressed while held,
# whatever they type there, and the plain 3 its own key; each comes back at
# the key's release. Pictures are compared with what the same keys showed before.
#   pad_keys_x11_test.sh RALU_BINARY
set -uo pipefail
ralu="$1"
source "$(dirname "${BASH_SOURCE[0]}")/x11_test_lib.sh"

start_xvfb -noreset || { echo "FAILED: no X display"; exit 1; }

# A saved login, so the main window comes up without the login window.
home="$work/home"
mkdir -p "$home/.config/Ralu" "$home/runtime"
chmod 700 "$home/runtime" "$home/.config/Ralu"
for entry in Password=demo1001 Save=yes Username=1001 accountnumber=1001 accountpassword=demo1001 sipip=127.0.0.1; do
    printf '[%sralu]\nParameters\\Validation=%s\n\n' "${entry%%=*}" "${entry#*=}" >>"$home/.config/Ralu/settings.ini"
done
cp "$ralu" "$work/ralu"
env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=xcb \
    "$work/ralu" >"$work/ralu.log" 2>&1 &
ralu_pid=$!
pids+=("$ralu_pid")
# The main window is the 231 x 346 one; a box before it (the report of a
# machine without sound) is answered with its default button.
main_window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$ralu_pid" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [[ "$WIDTH" == 231 && "$HEIGHT" == 346 ]]; then
            window=$w
            return 0
        fi
        xdotool windowfocus --sync "$w" key --clearmodifiers Return 2>/dev/null
    done
    return 1
}
if ! wait_for 15 main_window; then
    echo "FAILED: the main window shows"; cat "$work/ralu.log"; exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y
sleep 0.5
xdotool mousemove $((X + 100)) $((Y + 100)) click 1 # the number box takes the keys
xdotool mousemove $((X + 200)) $((Y + 200)) # rest on the body, off every key
sleep 0.5

# key NAME: the pixels of a dial key (31 x 25 at its place in the window).
declare -A place=([3]="134 179" [hash]="134 258" [8]="100 232" [star]="66 258")
key() {
    read -r left top <<<"${place[$1]}"
    import -window root -crop "31x25+$((X + left))+$((Y + top))" -depth 8 rgb:- 2>/dev/null | md5sum
}
declare -A rest
for k in "${!place[@]}"; do rest[$k]=$(key "$k"); done
shows() { test "$(key "$1")" "$2" "${rest[$1]}"; } # shows KEY = (at rest) or != (pressed)
settle() { sleep 0.4; }

# Switched to while ralu runs, as a user would: UK (Shift+3 types a pound
# sign, Shift+8 a star) and German (a section sign and a parenthesis).
for layout in gb de; do
    setxkbmap "$layout"
    settle
    check "$layout: the keyboard layout is in force" bash -c "setxkbmap -query | grep -Eq '^layout: +$layout\$'"
    xdotool keydown 3; settle
    check "$layout: 3 alone presses the 3 key" shows 3 !=
    check "$layout: 3 alone leaves the # key" shows hash =
    xdotool keyup 3; settle
    check "$layout: the 3 key comes back up" shows 3 =

    xdotool keydown Shift_L; settle
    xdotool keydown 3; settle
    check "$layout: Shift+3 presses the # key" shows hash !=
    check "$layout: Shift+3 leaves the 3 key" shows 3 =
    xdotool keyup 3; settle
    check "$layout: the # key comes back up while Shift is held" shows hash =
    xdotool keydown 8; settle
    check "$layout: Shift+8 presses the * key" shows star !=
    check "$layout: Shift+8 leaves the 8 key" shows 8 =
    xdotool keyup 8; settle
    xdotool keyup Shift_L; settle
    check "$layout: the * key comes back up" shows star =
done

kill -TERM "$ralu_pid"
wait_for 3 bash -c "! kill -0 $ralu_pid 2>/dev/null"
echo "$passes passed, $failures failed"
[[ $failures -eq 0 ]]
