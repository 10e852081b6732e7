#!/bin/bash
# Runs the end-to-end tests of a build. They share the local provider's fixed
# loopback ports, so within one network they run one at a time; most of their
# time is spent waiting on the network, not computing. Where network
# namespaces can be made (as root, or through an unprivileged user
# namespace), the tests are dealt round-robin into SHARDS groups that run side
# by side, each in a namespace with a loopback and a provider of its own.
# Elsewhere they run one at a time, as one group.
#   scripts/run-e2e-tests.sh BUILD_DIR [SHARDS (3)]
set -uo pipefail
build="$(cd "$1" && pwd)"
shards="${2:-3}"
export QT_QPA_PLATFORM=offscreen

isolate=()
if [[ $EUID -eq 0 ]] && unshare --net true 2>/dev/null; then
    isolate=(unshare --net)
elif unshare --net --map-root-user true 2>/dev/null; then
    isolate=(unshare --net --map-root-user)
fi
if ((${#isolate[@]} == 0 || shards < 2)); then
    echo "end-to-end tests one at a time (no network namespace here)"
    cd "$build" && exec ctest -L e2e --output-on-failure --timeout 300
fi

# The tests' numbers, without the provider's start and stop: ctest adds those
# to every group that needs them.
mapfile -t numbers < <(ctest --test-dir "$build" -N -L e2e |
    sed -nE 's/^ *Test +#([0-9]+): (.*)$/\1 \2/p' | awk '$2 != "provider_start" && $2 != "provider_stop" { print $1 }')
((${#numbers[@]} > 0)) || { echo "no end-to-end tests in $build" >&2; exit 1; }

logs="$(mktemp -d "${TMPDIR:-/tmp}/ralu-e2e.XXXXXX")"
pids=()
for ((k = 0; k < shards; k++)); do
    picked=""
    for ((i = k; i < ${#numbers[@]}; i += shards)); do picked+=",${numbers[i]}"; done
    [[ -n "$picked" ]] || continue
    # A provider run folder of the group's own (tests/e2e/provider_fixture.sh).
    RALU_E2E_RUNDIR="$build/e2e-provider-$k" "${isolate[@]}" bash -c '
        ip link set lo up || exit 1
        cd "$1" && exec ctest -I "0,0,0$2" --output-on-failure --timeout 300' _ "$build" "$picked" \
        >"$logs/group-$k.log" 2>&1 &
    pids+=($!)
done
echo "end-to-end tests in ${#pids[@]} groups side by side, each in a network namespace of its own"
status=0
for k in "${!pids[@]}"; do
    wait "${pids[k]}" || status=1
    echo "---- end-to-end group $k ----"
    cat "$logs/group-$k.log"
done
rm -rf "$logs"
exit $status
