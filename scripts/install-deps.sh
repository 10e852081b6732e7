#!/bin/bash
# Installs every Debian package Ralu needs to build, to run the local demo
# provider and to run the tests. Does nothing (quickly) when all of them are
# already installed; runs apt-get update only when something is missing.
# Usage: scripts/install-deps.sh [--check]   (--check: only report, exit 1
# when something is missing)
set -euo pipefail

PACKAGES=(
    # build
    build-essential cmake pkg-config clang-format
    qt6-base-dev liblinphone-dev libbellesip-dev libasound2-dev libxcb1-dev
    iproute2
    # unit tests
    libgtest-dev libgmock-dev googletest
    # the skin picture generator's fonts (tools/skin_pictures)
    fonts-dejavu-core fonts-dejavu-extra
    # fuzz targets (tests/fuzz): clang and its libFuzzer runtime
    clang libclang-rt-14-dev
    # demo provider and end-to-end tests
    kamailio sip-tester tshark sox
    # certificates made for the https tests of the billing queries
    openssl
    pulseaudio
    # sound in calls (tests/e2e/audio): a far end, PulseAudio's tools, and
    # ALSA's pulse plugin for the capture side
    baresip-core pulseaudio-utils libasound2-plugins
    # far ends of the interoperability tests (baresip above, linphonec)
    linphone-cli
    xvfb xauth x11-apps x11-utils x11-xkb-utils imagemagick xdotool
    # the Wayland test: a headless compositor and Qt's Wayland platform
    weston qt6-wayland
    # the screen reader's view (AT-SPI) on a private D-Bus session
    # (gdbus asks the session for the accessibility bus)
    at-spi2-core python3-pyatspi dbus libglib2.0-bin
    # desktop files' validators, the Debian package (cpack -G DEB: its
    # dependencies through dpkg-shlibdeps, which needs file)
    appstream desktop-file-utils dpkg-dev file
    # the Debian package's checker
    lintian
)

# Extra names, e.g. for the test that proves a missing package is noticed.
if [[ -n "${RALU_EXTRA_PACKAGES:-}" ]]; then
    read -r -a extra <<<"$RALU_EXTRA_PACKAGES"
    PACKAGES+=("${extra[@]}")
fi

# not_installed PKG... : prints those of PKG... that dpkg does not list as
# installed. dpkg-query exits non-zero when any name is unknown to it, which
# is exactly the case this must report, so its status is not trusted: each
# package counts as present only when its own status line says installed.
not_installed() {
    local status
    status="$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null || true)"
    local pkg
    for pkg in "$@"; do
        grep -qxF "$pkg installed" <<<"$status" || echo "$pkg"
    done
}

mapfile -t missing < <(not_installed "${PACKAGES[@]}")

if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#PACKAGES[@]} packages present"
    exit 0
fi

echo "install-deps: missing: ${missing[*]}"
if [[ "${1:-}" == "--check" ]]; then
    exit 1
fi

SUDO=()
if ((EUID != 0)); then
    command -v sudo >/dev/null || { echo "install-deps: not root and no sudo" >&2; exit 1; }
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

# tshark asks whether non-root users may capture; answer it up front.
echo "wireshark-common wireshark-common/install-setuid boolean false" \
    | "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive debconf-set-selections

"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"

# Verify: a package apt could not install must not go unnoticed.
mapfile -t still < <(not_installed "${missing[@]}")
if ((${#still[@]})); then
    echo "install-deps: still missing after apt-get: ${still[*]}" >&2
    exit 1
fi
echo "install-deps: installed ${missing[*]}"
