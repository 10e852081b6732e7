#!/bin/bash
# Installs what Ralu needs, builds it and runs every test: unit tests and the
# end-to-end tests against the local provider (started and stopped by CTest).
#   scripts/run-tests.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
build="${1:-$top/build}"

"$here/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
cd "$build"
# Unit tests may run side by side; the end-to-end tests share the provider's
# ports, so they run in groups with a network of their own each
# (run-e2e-tests.sh), or one at a time where none can be made.
status=0
QT_QPA_PLATFORM=offscreen ctest -LE e2e --output-on-failure -j"$(nproc)" --timeout 300 || status=1
"$here/run-e2e-tests.sh" "$build" || status=1
exit $status
