#!/bin/bash
# An outage of the provider as the real ralu executable lives through it:
# registered on the local demo provider, then Kamailio stopped for MINUTES
# and started again. Prints Ralu's CPU time and open descriptors (all, and
# UDP sockets) when registered, at the end of the outage and once registered
# again, and the REGISTERs it sent meanwhile. See bench/README.md.
#
#   bench/outage.sh BUILD_DIR [MINUTES (10)]
# Run as root (a network namespace of its own; only root reads ralu's
# /proc/PID/fd).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [MINUTES]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
minutes="${2:-10}"
log() { echo "outage.sh: $*" >&2; }

source "$here/lib.sh"
bench_install xvfb kamailio
cmake --build "$build" --target ralu ralu_billing_server >/dev/null
work="$(mktemp -d /tmp/ralu-outage.XXXXXX)"
trap bench_cleanup EXIT
trap 'exit 130' INT TERM
bench_namespace "ralu-outage-$$" || { log "cannot create a network namespace (run as root)"; exit 1; }

run "$top/scripts/provider.sh" start "$work/provider" --billing-server="$build/ralu_billing_server" >/dev/null
home="$work/home"
save_login "$home"
mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
start_xvfb
cp "$build/ralu" "$work/ralu"
offset=$(log_size)
"${in_ns[@]}" env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" XDG_RUNTIME_DIR="$home/runtime" \
    QT_QPA_PLATFORM=xcb "$work/ralu" >"$work/ralu.log" 2>&1 &
ralu=$!
pids+=("$ralu")
wait_log "$offset" "RALU-SIP-LOCAL 200 REGISTER" 20 || { log "ralu did not register"; exit 1; }
sleep 2

cpu_s() { awk '{ printf "%.2f", ($14 + $15) / 100 }' "/proc/$ralu/stat"; }
fds() { ls "/proc/$ralu/fd" | wc -l; }
udp() { local n=0 f; for f in /proc/$ralu/fd/*; do [[ "$(readlink "$f")" == socket:* ]] && n=$((n + 1)); done; echo "$n"; }
show() { printf '%-28s CPU %6s s   descriptors %3s   sockets %3s\n' "$1" "$(cpu_s)" "$(fds)" "$(udp)"; }

show "registered"
kill "$(cat "$work/provider/kamailio.pid")"
sleep 2

start_cpu=$(cpu_s)
sleep $((minutes * 60))
show "after ${minutes} min of outage"
t0=$EPOCHREALTIME
run "$top/scripts/provider.sh" start "$work/provider" --billing-server="$build/ralu_billing_server" >/dev/null
# The provider starts a new log.
wait_log 0 "RALU-SIP-LOCAL 200 REGISTER" 120 || log "ralu did not register again"
show "registered again ($(awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }') s)"
log "CPU during the outage: $(awk -v a="$start_cpu" -v b="$(cpu_s)" 'BEGIN { printf "%.2f", b - a }') s"
