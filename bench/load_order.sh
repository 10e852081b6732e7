#!/bin/bash
# How the libraries' order in the global symbol scope weighs on start-up
# (cmake/LoadOrder.cmake):
#   1. the libraries ranked by the symbol bindings they receive before main()
#      and the lookups those cost (each lookup walks the scope from its start);
#   2. what binds where with the executable's order against the natural one:
#      two empty programs needing the same libraries, one in each order;
#      the symbols whose definition changes (copies of templates and type
#      information, identical wherever they are) are counted and listed;
#   3. the time to main() of each (hyperfine, RUNS runs).
#
#   bench/load_order.sh BUILD_DIR [RUNS (30)]
set -euo pipefail
(($# >= 1)) || { echo "usage: $0 BUILD_DIR [RUNS]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
runs="${2:-30}"
work="$(mktemp -d /tmp/ralu-load-order.XXXXXX)"
trap 'rm -rf "$work"' EXIT

needed() { readelf -d "$1" | awk -F'[][]' '/NEEDED/ {print $2}'; }
# The natural order: ralu linked again without the early libraries.
link="$(sed -E 's/-Wl,--push-state,--no-as-needed .* -Wl,--pop-state//; s| -o ralu | -o '"$work"'/ralu-natural |' \
    "$build/CMakeFiles/ralu.dir/link.txt")"
(cd "$build" && eval "$link")
mapfile -t ordered < <(needed "$build/ralu")
mapfile -t natural < <(needed "$work/ralu-natural")
echo 'int main(void) { return 0; }' >"$work/empty.c"
build_empty() { # OUT LIBS...: an empty program needing LIBS in that order
    local out="$1" libs=() l
    shift
    for l in "$@"; do libs+=("-l:$l"); done
    gcc "$work/empty.c" -o "$work/$out" -Wl,--no-as-needed -L/lib/x86_64-linux-gnu "${libs[@]}"
}
build_empty ordered "${ordered[@]}"
build_empty natural "${natural[@]}"

bindings() { # PROGRAM: "requester symbol definer" per binding before main()
    rm -f "$work/b-$1".*
    LD_DEBUG=bindings LD_DEBUG_OUTPUT="$work/b-$1" "$work/$1"
    awk '/binding file/ {r = $4; d = $7; sub(/.*\//, "", r); sub(/.*\//, "", d)
        for (i = 8; i <= NF; i++) if ($i == "symbol") print r, $(i + 1), d}' "$work/b-$1".* | sort -u
}
scope() { LD_DEBUG=scopes "$work/$1" 2>&1 | grep -a -m1 'scope 0:' | tr ' ' '\n' | grep '/' | sed 's|.*/||' | nl -v0; }
cost() { # PROGRAM: lookups = sum over bindings of the definer's place in the scope
    awk 'NR == FNR {pos[$2] = $1; next} {n++; c += pos[$3]} END {printf "%d bindings, %d libraries looked at\n", n, c}' \
        <(scope "$1") <(bindings "$1")
}
echo "== bindings received, most first (natural order)"
bindings natural | awk '{print $4}' | sort | uniq -c | sort -rn | head -25
echo "== lookup cost"
echo "natural: $(cost natural)"
echo "ordered: $(cost ordered)"
echo "== definitions that change with the order"
diff <(bindings natural) <(bindings ordered) | awk '/^>/ && $4 != "ordered" {print $3, "->", $4}' | sort | uniq -c | sort -rn | head -20 || true
echo "== time to main()"
hyperfine -N -w 3 -r "$runs" "$work/natural" "$work/ordered" 2>&1 | grep -E 'Benchmark|Time|±'
