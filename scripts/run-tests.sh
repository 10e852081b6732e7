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
# ports and run one at a time (RUN_SERIAL).
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
