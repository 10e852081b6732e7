#!/bin/bash
# Runs the sound tests with a PulseAudio daemon of this run's own (its own
# HOME and XDG_RUNTIME_DIR, a null sink, no network), which ALSA's pulse
# plugin makes the default card: a real ALSA mixer with a "Master" and a
# "Capture" control. Exits 77 (skipped) only when PulseAudio or the plugin
# cannot be had here, saying why.
#   run_with_pulseaudio.sh TEST_BINARY [gtest options...]
set -uo pipefail
binary="$1"
shift

skip() {
    echo "SKIPPED: $*"
    exit 77
}

command -v pulseaudio >/dev/null || skip "pulseaudio is not installed (Debian package pulseaudio)"
command -v pactl >/dev/null || skip "pactl is not installed (Debian package pulseaudio-utils)"
plugin_found=no
for dir in /usr/lib/*/alsa-lib /usr/lib/alsa-lib /usr/lib64/alsa-lib; do
    [[ -e "$dir/libasound_module_ctl_pulse.so" ]] && plugin_found=yes
done
[[ $plugin_found == yes ]] || skip "ALSA's pulse plugin is not installed (Debian package libasound2-plugins)"

work="$(mktemp -d /tmp/mixer-sound.XXXXXX)"
daemon=""
cleanup() {
    [[ -n "$daemon" ]] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
unset PULSE_SERVER ALSA_CONFIG_PATH DISPLAY
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The default card is PulseAudio's, whatever the machine's ALSA set-up says.
printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
# No client of this run may start a daemon of its own.
printf 'autospawn = no\n' >"$work/client.conf"
export PULSE_CLIENTCONFIG="$work/client.conf"

pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --log-target=stderr \
    -L module-null-sink -L module-native-protocol-unix >"$work/pulseaudio.log" 2>&1 &
daemon=$!
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    kill -0 "$daemon" 2>/dev/null || break
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    sed 's/^/pulseaudio: /' "$work/pulseaudio.log"
    skip "PulseAudio did not start here (its log above)"
fi

"$binary" "$@"
