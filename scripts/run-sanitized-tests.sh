#!/bin/bash
# Builds the unit tests with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (CMake option RALU_SANITIZE) in a build folder of
# their own and runs them: a memory error, a leak outside the suppressions of
# tests/sanitizer/lsan.supp, or undefined behaviour fails the test that meets
# it. The sanitizer options below hold for this script's commands only (the
# build runs the test program once to list its tests). Expects the
# dependencies installed (scripts/install-deps.sh).
#   scripts/run-sanitized-tests.sh [--build-only] [BUILD_DIR (build-asan)]
# --build-only builds and stops (.ci/run builds while other tests run).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(dirname "$here")"
build_only=no
[[ "${1:-}" == --build-only ]] && { build_only=yes; shift; }
build="${1:-$top/build-asan}"

# Leaks are reported (LSan's suppressions: libraries' own memory only);
# undefined behaviour stops the test (also compiled in: no recovery).
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1
export LSAN_OPTIONS="suppressions=$top/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

start=$SECONDS
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRALU_SANITIZE=ON
cmake --build "$build" -j"$(nproc)" --target ralu_unit_tests
echo "checking build ready after $((SECONDS - start)) s"
[[ $build_only == no ]] || exit 0
cd "$build"
ctest -L unit --output-on-failure -j"$(nproc)" --timeout 300
