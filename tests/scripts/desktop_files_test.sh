#!/bin/bash
# The desktop's files of Ralu pass the freedesktop validators, and an
# installation holds them where the desktop looks for them.
#   desktop_files_test.sh desktop FILE.desktop
#   desktop_files_test.sh appstream FILE.metainfo.xml
#   desktop_files_test.sh install BUILD_DIR APP_ID
#   desktop_files_test.sh deb BUILD_DIR APP_ID
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
deb)
    need dpkg-shlibdeps dpkg-dev
    need file file
    build="$2"
    id="$3"
    out="$(mktemp -d /tmp/ralu-deb-test.XXXXXX)"
    trap 'rm -rf "$out"' EXIT
    (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) \
        || { cat "$out/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1; }
    debs=("$out"/ralu_*.deb)
    [[ -f "${debs[0]}" ]] || { cat "$out/cpack.log"; echo "FAIL: no ralu_*.deb made"; exit 1; }
    deb="${debs[0]}"
    failed=0
    field() { dpkg-deb -f "$deb" "$1"; }
    [[ "$(field Package)" == ralu ]] || { echo "FAIL: package name $(field Package)"; failed=1; }
    [[ "$(field Section)" == comm ]] || { echo "FAIL: section $(field Section)"; failed=1; }
    [[ -n "$(field Maintainer)" && -n "$(field Description)" ]] || { echo "FAIL: no maintainer or description"; failed=1; }
    # The dependencies come from the libraries the executable links.
    for lib in liblinphone++10 libqt6widgets6 libqt6network6 libc6; do
        [[ ", $(field Depends)," == *", $lib "* ]] || { echo "FAIL: Depends lacks $lib: $(field Depends)"; failed=1; }
    done
    [[ "$(field Depends)" != *-dev* ]] || { echo "FAIL: Depends names a -dev package"; failed=1; }
    listing="$(dpkg-deb -c "$deb")"
    for file in ./usr/bin/ralu "./usr/share/applications/$id.desktop" "./usr/share/metainfo/$id.metainfo.xml" \
        "./usr/share/icons/hicolor/256x256/apps/$id.png"; do
        grep -qF " $file" <<<"$listing" || { echo "FAIL: the package lacks $file"; failed=1; }
    done
    for file in ./usr/share/man/man1/ralu.1.gz ./usr/share/doc/ralu/changelog.gz; do
        grep -qF " $file" <<<"$listing" || { echo "FAIL: the package lacks $file"; failed=1; }
    done
    need lintian lintian
    lintian "$deb" >"$out/lintian.txt" 2>&1
    if grep -q '^E: ' "$out/lintian.txt"; then
        cat "$out/lintian.txt"
        echo "FAIL: lintian finds errors"
        failed=1
    fi
    ((failed == 0)) || exit 1
    echo "ok: $(basename "$deb"), Depends: $(field Depends); lintian: $(grep -c '^[EW]: ' "$out/lintian.txt") errors or warnings"
    ;;
*)
    echo "usage: $0 desktop FILE | appstream FILE | install|deb BUILD_DIR APP_ID" >&2
    exit 2
    ;;
esac
