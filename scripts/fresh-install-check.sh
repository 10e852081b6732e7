#!/bin/bash
# Proves the Debian package on a clean Debian 12: builds a minimal root with
# mmdebstrap from this machine's apt sources, installs the package there with
# `apt-get install ./ralu_*.deb` (so only what its dependencies bring: no
# -dev package, no build tree), then starts ralu there as an ordinary user,
# in a network namespace where only loopback is up, on a virtual X display
# of this machine: without a saved login its login window must come up with
# its icon; with one it must register with the demo provider, which this
# machine runs in the same namespace (scripts/provider.sh; the billing server
# is taken from beside the package when it is there). Needs root, and minutes.
#   scripts/fresh-install-check.sh PACKAGE.deb [WORKDIR]
# Not part of the test suite: run it after changing the packaging.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
deb="$(realpath "${1:?usage: fresh-install-check.sh PACKAGE.deb [WORKDIR]}")"
work="${2:-$(mktemp -d /var/tmp/ralu-install.XXXXXX)}"
mkdir -p "$work"
work="$(realpath "$work")"
root="$work/root"
ns="ralu-install-$$"

((EUID == 0)) || { echo "fresh-install-check: needs root" >&2; exit 2; }
[[ -f "$deb" ]] || { echo "fresh-install-check: no such package: $deb" >&2; exit 2; }
for tool in Xvfb xdotool xprop import kamailio; do
    command -v "$tool" >/dev/null || { echo "fresh-install-check: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done
command -v mmdebstrap >/dev/null || apt-get install -y -q mmdebstrap

mounted=()
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    ip netns exec "$ns" "$here/provider.sh" stop "$work/provider" >/dev/null 2>&1 || true
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[i]}" 2>/dev/null || true
    done
    ip netns del "$ns" 2>/dev/null || true
}
trap cleanup EXIT

echo "fresh-install-check: building a clean Debian 12 root in $root"
rm -rf "$root"
mmdebstrap --variant=minbase bookworm "$root" >"$work/mmdebstrap.log" 2>&1 \
    || { tail -20 "$work/mmdebstrap.log"; exit 1; }
rm -f "$root/etc/apt/sources.list"
cp -r /etc/apt/sources.list /etc/apt/sources.list.d "$root/etc/apt/" 2>/dev/null || true
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

mnt() { mount "$@"; mounted+=("${@: -1}"); }
mnt -t proc proc "$root/proc"
mnt --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mnt --rbind /sys "$root/sys"
mount --make-rslave "$root/sys"

echo "fresh-install-check: apt-get install ./$(basename "$deb") (network for apt only)"
mkdir -p "$root/var/tmp/ralu"
cp "$deb" "$root/var/tmp/ralu/"
chroot "$root" /bin/bash -c "export DEBIAN_FRONTEND=noninteractive; apt-get update -q && \
    apt-get install -y -q --no-install-recommends ./var/tmp/ralu/$(basename "$deb")" >"$work/apt.log" 2>&1 \
    || { tail -30 "$work/apt.log"; echo "fresh-install-check: FAILED (install)"; exit 1; }
grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' "$work/apt.log" || true
dev="$(chroot "$root" dpkg-query -W -f='${Package}\n' | grep -E -- '-dev(:|$)' || true)"
[[ -z "$dev" ]] || { echo "fresh-install-check: FAILED: -dev packages came along: $dev"; exit 1; }

failures=0
passes=0
check() { # check DESCRIPTION COMMAND...
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
wait_for() { # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.2
    done
}
id="$(chroot "$root" dpkg -L ralu | sed -n 's|^/usr/share/metainfo/\(.*\)\.metainfo\.xml$|\1|p')"
check "the package installs ralu on the PATH" chroot "$root" /bin/sh -c 'command -v ralu >/dev/null'
check "the package installs the desktop entry, metainfo and icons" test -n "$id" \
    -a -f "$root/usr/share/applications/$id.desktop" \
    -a -f "$root/usr/share/icons/hicolor/48x48/apps/$id.png" \
    -a -f "$root/usr/share/icons/hicolor/scalable/apps/$id.svg"
check "the desktop entry starts ralu" grep -qx 'Exec=ralu' "$root/usr/share/applications/$id.desktop"

# The X display is this machine's; its socket is shared with the root.
display=":$((500 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY="$display"
wait_for 10 test -S "/tmp/.X11-unix/X${display#:}"
mkdir -p "$root/tmp/.X11-unix"
mnt --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

chroot "$root" useradd --create-home --uid 4242 ralu-user
install -d -o 4242 -g 4242 -m 700 "$root/tmp/ralu-user-runtime"
ip netns add "$ns"
ip netns exec "$ns" ip link set lo up

# run_ralu NAME: ralu as the ordinary user, in the root, loopback only.
run_ralu() {
    ip netns exec "$ns" chroot --userspec=4242:4242 "$root" env -i PATH=/usr/bin:/bin \
        HOME=/home/ralu-user XDG_RUNTIME_DIR=/tmp/ralu-user-runtime DISPLAY="$display" \
        ralu >"$work/ralu-$1.log" 2>&1 &
    ralu=$!
    pids+=("$ralu")
}
shown() { xdotool search --onlyvisible --pid "$ralu" >/dev/null 2>&1; }
window_of_ralu() { xdotool search --onlyvisible --pid "$ralu" | head -n 1; }
stop_ralu() {
    kill -TERM "$ralu" 2>/dev/null || true
    check "ralu ends when told to" wait_for 10 bash -c "! kill -0 $ralu 2>/dev/null"
}

echo "fresh-install-check: ralu without a saved login (display $display)"
run_ralu login
check "ralu shows a window" wait_for 30 shown
check "ralu is still running" kill -0 "$ralu"
if shown; then
    window="$(window_of_ralu)"
    echo "window: $(xdotool getwindowname "$window")"
    check "the window carries the application icon" bash -c "xprop -id $window _NET_WM_ICON | grep -q 'Icon (48 x 48)'"
    import -window root "$work/login-window.png" 2>/dev/null && echo "screenshot: $work/login-window.png"
fi
stop_ralu

echo "fresh-install-check: ralu with a saved login, against the demo provider"
billing=()
[[ -x "$(dirname "$deb")/ralu_billing_server" ]] && billing=("--billing-server=$(dirname "$deb")/ralu_billing_server")
ip netns exec "$ns" "$here/provider.sh" start "$work/provider" "${billing[@]}" >"$work/provider.log" 2>&1 \
    || { cat "$work/provider.log"; echo "fresh-install-check: FAILED (provider)"; exit 1; }
config="$root/home/ralu-user/.config/Ralu"
mkdir -p "$config"
for entry in Password=demo1001 Save=yes Username=1001 accountnumber=1001 accountpassword=demo1001 sipip=127.0.0.1; do
    printf '[%sralu]\nParameters\\Validation=%s\n\n' "${entry%%=*}" "${entry#*=}" >>"$config/settings.ini"
done
chroot "$root" chown -R ralu-user:ralu-user /home/ralu-user/.config
chmod 700 "$config"
chmod 600 "$config/settings.ini"
registered() { grep -qE '^Authorization: +Digest .*username="1001"' "$work/provider/kamailio.log"; }
run_ralu registered
check "ralu registers with digest authentication" wait_for 20 registered
# The main window is the 231 x 346 one. The clean root has no sound device,
# so Ralu first reports that once in a box, answered here with its default
# button.
main_window_shown() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$ralu" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [[ "$WIDTH" == 231 && "$HEIGHT" == 346 ]] && return 0
        xdotool windowfocus --sync "$w" key --clearmodifiers Return 2>/dev/null
    done
    return 1
}
check "ralu shows its main window" wait_for 15 main_window_shown
sleep 2
import -window root "$work/main-window.png" 2>/dev/null && echo "screenshot: $work/main-window.png"
stop_ralu
for log in "$work"/ralu-*.log; do
    [[ -s "$log" ]] || continue
    echo "ralu's output ($(basename "$log")):"
    sed 's/^/  /' "$log" | head -20
done
echo "$passes passed, $failures failed"
if ((failures == 0)); then
    echo "fresh-install-check: PASSED (logs in $work)"
else
    echo "fresh-install-check: FAILED (logs in $work)"
    exit 1
fi
