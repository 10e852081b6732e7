#!/bin/bash
# The desktop's files of Ralu pass the freedesktop validators, and an
# installation holds them where the desktop looks for them.
#   desktop_files_test.sh desktop FILE.desktop
#   desktop_files_test.sh appstream FILE.metainfo.xml
#   desktop_files_test.sh install BUILD_DIR APP_ID
# Exits 77 (skipped) only when the validator itself is not installed.
set -uo pipefail

need() {
    command -v "$1" >/dev/null && return 0
    echo "SKIP: $1 is not installed ($2, listed in scripts/install-deps.sh)"
    exit 77
}

case "${1:-}" in
desktop)
    need desktop-file-validate desktop-file-utils
    # It prints nothing when the entry is valid, hints included.
    out="$(desktop-file-validate "$2" 2>&1)"
    rc=$?
    [[ -n "$out" ]] && echo "$out"
    ((rc == 0)) && [[ -z "$out" ]] || { echo "FAIL: $2"; exit 1; }
    echo "ok: $2 is a valid desktop entry"
    ;;
appstream)
    need appstreamcli appstream
    # --no-net: the checks that fetch the addresses named in the file are
    # left out (the tests run without a network); --strict fails on warnings.
    appstreamcli validate --no-net --strict --pedantic "$2" || { echo "FAIL: $2"; exit 1; }
    ;;
install)
    build="$2"
    id="$3"
    dest="$(mktemp -d /tmp/ralu-install-test.XXXXXX)"
    trap 'rm -rf "$dest"' EXIT
    cmake --install "$build" --prefix "$dest/usr" >"$dest/install.log" 2>&1 \
        || { cat "$dest/install.log"; echo "FAIL: cmake --install"; exit 1; }
    expected=(
        usr/bin/ralu
        "usr/share/applications/$id.desktop"
        "usr/share/metainfo/$id.metainfo.xml"
        "usr/share/icons/hicolor/scalable/apps/$id.svg"
        usr/share/doc/ralu/copyright
    )
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
    done
    failed=0
    for file in "${expected[@]}"; do
        [[ -s "$dest/$file" ]] || { echo "FAIL: not installed: $file"; failed=1; }
    done
    [[ -x "$dest/usr/bin/ralu" ]] || { echo "FAIL: usr/bin/ralu is not executable"; failed=1; }
    for size in 16 22 24 32 48 64 128 256; do
        png="$dest/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
        # A PNG's width and height are the big-endian words at bytes 16 and 20.
        got="$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')"
        [[ "$got" == "${size}x${size}" ]] || { echo "FAIL: $png is $got"; failed=1; }
    done
    # The installed program must not load libraries from the build tree.
    runpath="$(readelf -d "$dest/usr/bin/ralu" | grep -E 'RPATH|RUNPATH')"
    if [[ "$runpath" == *"$(cd "$build" && pwd)"* ]]; then
        echo "FAIL: usr/bin/ralu searches the build folder for libraries: $runpath"
        failed=1
    fi
    # The metainfo, its desktop entry and its icon, as a software centre
    # reads them together from the installed tree.
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate-tree --no-net --strict "$dest/usr" || { echo "FAIL: validate-tree"; failed=1; }
    else
        echo "note: appstreamcli is not installed: the installed tree was not validated as a whole"
    fi
    ((failed == 0)) || exit 1
    echo "ok: ${#expected[@]} files installed where the desktop looks for them"
    ;;
*)
    echo "usage: $0 desktop FILE | appstream FILE | install BUILD_DIR APP_ID" >&2
    exit 2
    ;;
esac
