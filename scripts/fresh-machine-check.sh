#!/bin/bash
# Proves the README's test command on a clean Debian 12: builds a minimal
# root with mmdebstrap from this machine's apt sources, copies a clean clone
# of the repository in, and runs scripts/run-tests.sh inside it, in a network
# namespace where only loopback is up for the tests. Needs root, and minutes.
#   scripts/fresh-machine-check.sh [WORKDIR]
# Not part of the test suite: run it after changing the scripts or the build.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
work="${1:-$(mktemp -d /var/tmp/ralu-fresh.XXXXXX)}"
mkdir -p "$work"
root="$work/root"
ns="ralu-fresh-$$"

((EUID == 0)) || { echo "fresh-machine-check: needs root" >&2; exit 2; }
command -v mmdebstrap >/dev/null || apt-get install -y -q mmdebstrap

mounted=()
cleanup() {
    local m
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[i]}" 2>/dev/null || true
    done
    ip netns del "$ns" 2>/dev/null || true
}
trap cleanup EXIT

echo "fresh-machine-check: building a clean Debian 12 root in $root"
rm -rf "$root"
mmdebstrap --variant=minbase --include=ca-certificates,git bookworm "$root" \
    >"$work/mmdebstrap.log" 2>&1 || { tail -20 "$work/mmdebstrap.log"; exit 1; }
# The same package sources as this machine (its snapshot and mirrors).
rm -f "$root/etc/apt/sources.list"
cp -r /etc/apt/sources.list /etc/apt/sources.list.d "$root/etc/apt/" 2>/dev/null || true

echo "fresh-machine-check: copying a clean clone of $(git -C "$top" rev-parse --short HEAD)"
git clone -q "$top" "$root/src/ralu"

mnt() { mount "$@"; mounted+=("${@: -1}"); }
mnt -t proc proc "$root/proc"
mnt --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mnt --rbind /sys "$root/sys"
mount --make-rslave "$root/sys"
mnt -t tmpfs tmpfs "$root/tmp"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

# Stage 1, with the host's network: the README's command installs the
# packages (and builds). Stage 2, loopback only: the same command again, which
# finds everything installed and runs the tests.
echo "fresh-machine-check: installing and building (scripts/run-tests.sh, network for apt only)"
chroot "$root" /bin/bash -c 'cd /src/ralu && scripts/install-deps.sh' >"$work/install.log" 2>&1 \
    || { tail -30 "$work/install.log"; echo "fresh-machine-check: FAILED (install)"; exit 1; }
tail -1 "$work/install.log"

ip netns add "$ns"
ip netns exec "$ns" ip link set lo up
echo "fresh-machine-check: scripts/run-tests.sh in a loopback-only namespace"
set +e
ip netns exec "$ns" chroot "$root" /bin/bash -c 'cd /src/ralu && scripts/run-tests.sh' >"$work/tests.log" 2>&1
rc=$?
set -e
grep -E 'tests passed|tests failed|Total Test time' "$work/tests.log" || tail -30 "$work/tests.log"
if ((rc == 0)); then
    echo "fresh-machine-check: PASSED (logs in $work)"
else
    grep -E '^\s+[0-9]+ - ' "$work/tests.log" | head -40
    echo "fresh-machine-check: FAILED with status $rc (logs in $work)"
fi
exit $rc
