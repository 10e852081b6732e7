#!/bin/bash
# The dependency check must notice a missing package: a name that no machine
# has is added through RALU_EXTRA_PACKAGES, and --check must fail and name it.
# With nothing added, the machine the tests run on has every package.
set -uo pipefail
script="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/install-deps.sh"

out="$(RALU_EXTRA_PACKAGES="ralu-absent-package-for-test" "$script" --check 2>&1)"
rc=$?
if ((rc != 1)); then
    echo "FAIL: --check with an absent package exited $rc, expected 1: $out"
    exit 1
fi
if [[ "$out" != *"missing:"*"ralu-absent-package-for-test"* ]]; then
    echo "FAIL: --check did not name the absent package: $out"
    exit 1
fi
if [[ "$out" == *"missing:"*"cmake"* ]]; then
    echo "FAIL: an installed package was reported missing: $out"
    exit 1
fi

out="$("$script" --check 2>&1)" || { echo "FAIL: packages missing on the test machine: $out"; exit 1; }
echo "ok: $out"
