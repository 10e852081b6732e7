#!/bin/bash
# Start-up time and idle memory of the real ralu executable against the local
# demo provider, on a virtual display. For each run: the time from launching
# ralu to the provider's 200 OK for its authenticated REGISTER (the moment the
# status line turns to "Registered and Ready..."), then the resident memory
# after a few idle seconds. Prints every run and the medians.
#   bench/startup_memory.sh BUILD_DIR [RUNS]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
build="$(cd "$1" && pwd)"
runs="${2:-7}"
work="$(mktemp -d)"
rundir="$work/provider"
xvfb=""
cleanup() {
    "$top/scripts/provider.sh" stop "$rundir" >/dev/null 2>&1 || true
    [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$top/scripts/provider.sh" start "$rundir" >/dev/null
Xvfb :88 -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1

home="$work/home"
mkdir -p "$home/.config/Ralu" "$home/runtime"
chmod 700 "$home/runtime"
for entry in Password=demo1001 Save=yes Username=1001 accountnumber=1001 accountpassword=demo1001 sipip=127.0.0.1; do
    printf '[%sralu]\nParameters\\Validation=%s\n\n' "${entry%%=*}" "${entry#*=}" >>"$home/.config/Ralu/settings.ini"
done
cp "$build/ralu" "$work/ralu"
log="$rundir/kamailio.log"

now_ms() { date +%s%3N; }
times=()
rss=()
for ((i = 1; i <= runs; i++)); do
    offset=$(stat -c %s "$log")
    t0=$(now_ms)
    env -i PATH="$PATH" DISPLAY=:88 HOME="$home" XDG_RUNTIME_DIR="$home/runtime" "$work/ralu" >/dev/null 2>&1 &
    pid=$!
    # The provider answers the authenticated REGISTER with 200 (logged as a
    # local reply); poll its log.
    until tail -c +$((offset + 1)) "$log" | grep -q 'RALU-SIP-LOCAL 200 REGISTER'; do
        if (( $(now_ms) - t0 > 10000 )); then echo "run $i: no registration" >&2; break; fi
        sleep 0.002
    done
    t1=$(now_ms)
    sleep 3
    kb=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    kill -TERM "$pid"; wait "$pid" || true
    times+=($((t1 - t0)))
    rss+=("$kb")
    echo "run $i: registered after $((t1 - t0)) ms, idle RSS ${kb} kB"
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
echo "median launch to registered: $(median "${times[@]}") ms over $runs runs"
echo "median idle resident memory: $(median "${rss[@]}") kB"
