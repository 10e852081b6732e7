#!/bin/bash
# How long one balance query holds Ralu's window, against a healthy and a
# silent billing server (medians of RUNS queries each; see bench/README.md).
# Starts its own billing server on 127.0.0.1:PORT (default 18088, so that a
# running demo on 8088 is left alone) and stops it again.
#   bench/billing_hold.sh BUILD_DIR [RUNS] [PORT]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [RUNS] [PORT]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
runs="${2:-7}"
port="${3:-18088}"

cmake --build "$build" --target ralu_billing_server billing_hold_bench >/dev/null
work="$(mktemp -d)"
server=""
cleanup() {
    [[ -n "$server" ]] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$build/ralu_billing_server" --port "$port" --log "$work/billing.log" 2>"$work/server.err" &
server=$!
for ((i = 0; i < 100; i++)); do
    ss -Hltn "src 127.0.0.1:$port" 2>/dev/null | grep -q . && break
    kill -0 "$server" 2>/dev/null || { cat "$work/server.err" >&2; exit 1; }
    sleep 0.05
done
"$build/bench/billing_hold_bench" --port "$port" --runs "$runs"
