#!/bin/bash
# The end-to-end tests' provider fixture: scripts/provider.sh on the run
# folder a test runner gives in RALU_E2E_RUNDIR (a group of tests with a
# provider of its own, scripts/run-e2e-tests.sh), else on DEFAULT_RUNDIR.
#   provider_fixture.sh start|stop DEFAULT_RUNDIR [provider.sh options...]
set -euo pipefail
command="$1" rundir="${RALU_E2E_RUNDIR:-$2}"
shift 2
exec "$(dirname "${BASH_SOURCE[0]}")/../../scripts/provider.sh" "$command" "$rundir" "$@"
