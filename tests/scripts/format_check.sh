#!/bin/bash
# Every C++ source of the project is formatted as .clang-format says.
set -uo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$top"
command -v clang-format >/dev/null || { echo "FAIL: clang-format is not installed (scripts/install-deps.sh)"; exit 1; }
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if ! clang-format --dry-run -Werror "${sources[@]}" 2>/tmp/ralu-format.$$; then
    grep -o '^[^:]*:' /tmp/ralu-format.$$ | sort -u | head -20
    rm -f /tmp/ralu-format.$$
    echo "FAIL: unformatted files above; run: clang-format -i \$(git ls-files '*.cpp' '*.h')"
    exit 1
fi
rm -f /tmp/ralu-format.$$
echo "ok: ${#sources[@]} files formatted"
