#!/bin/bash
# Builds the fuzz targets with clang and libFuzzer in a build directory of
# their own and runs each in turn, one after another.
#   tests/fuzz/run.sh [--seconds N | --runs N] [--seed N] [--build DIR] [TARGET...]
# --seconds N  how long each target runs (default 20); --runs N instead
#              stops each after N inputs
# --seed N     the same inputs in the same order each time (.ci/run's short
#              run: it fails on what the code does, not on luck)
# --build DIR  the fuzz build directory (default build-fuzz at the top)
# --build-only builds the targets and stops
# TARGET       history phone_book http_reply billing settings sip_datagram
#              (default all)
# The seeds in tests/fuzz/corpus/TARGET are read, never written: new inputs
# go to DIR/corpus/TARGET, and an input that breaks a target to
# DIR/artifacts/TARGET/. Exits 77 (a skip) when no clang with
# libFuzzer is at hand, 1 when a target failed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(cd "$here/../.." && pwd)"
build="$top/build-fuzz"
limit=(-max_total_time=20)
seed=()
targets=()
build_only=no
while (($#)); do
    case "$1" in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    --seed) seed=(-seed="$2"); shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --build-only) build_only=yes; shift ;;
    -h | --help) sed -n '2,17p' "${BASH_SOURCE[0]}"; exit 0 ;;
    -*) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
    esac
done

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
    echo "fuzz: skipped: no clang (Debian 12: apt-get install clang libclang-rt-14-dev)"
    exit 77
fi

start=$SECONDS
mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DRALU_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/fuzz-configure.log" 2>&1 \
    || { tail -30 "$build/fuzz-configure.log"; echo "fuzz: configuring $build failed"; exit 1; }
if [[ ! -f "$build/fuzz-targets.txt" ]]; then
    grep -h "Fuzz targets skipped" "$build/fuzz-configure.log" || true
    echo "fuzz: skipped: clang cannot build libFuzzer targets here"
    exit 77
fi
cmake --build "$build" --target ralu_fuzz -j2 >"$build/fuzz-build.log" 2>&1 \
    || { tail -40 "$build/fuzz-build.log"; echo "fuzz: building the targets failed"; exit 1; }
echo "fuzz: built in $((SECONDS - start)) s"
[[ $build_only == no ]] || exit 0

declare -A program
all=()
while read -r name file; do program[$name]="$file"; all+=("$name"); done <"$build/fuzz-targets.txt"
((${#targets[@]})) || targets=("${all[@]}")

# The files the targets rewrite go to memory, not to the disk.
tmp="$(mktemp -d "$([[ -w /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/ralu-fuzz.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

failed=()
for name in "${targets[@]}"; do
    [[ -n "${program[$name]:-}" ]] || { echo "fuzz: no target $name" >&2; exit 2; }
    corpus="$build/corpus/$name"
    artifacts="$build/artifacts/$name/"
    log="$build/logs/$name.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts")
    # The body limit is 8 KB and the head limit too: inputs must reach past them.
    [[ "$name" == http_reply ]] && options+=(-max_len=12000)
    [[ -f "$here/$name.dict" ]] && options+=(-dict="$here/$name.dict")
    if TMPDIR="$tmp" "${program[$name]}" "${options[@]}" "${limit[@]}" ${seed[@]+"${seed[@]}"} "$corpus" "$here/corpus/$name" >"$log" 2>&1; then
        runs="$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1)"
        echo "fuzz: $name: ok: ${runs:-done} ($(find "$corpus" -type f | wc -l) inputs kept)"
    else
        tail -40 "$log"
        echo "fuzz: $name: FAILED (log $log; the input is in $artifacts)"
        failed+=("$name")
    fi
done
echo "fuzz: ${#targets[@]} targets in $((SECONDS - start)) s, ${#failed[@]} failed ${failed[*]:-}"
((${#failed[@]} == 0))
