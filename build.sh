#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a Debian 12 machine for Trundle and builds it.
#
#   ./build.sh run     install what is missing, build, and start Trundle
#   ./build.sh test    install what is missing, build, and run every test (unit and end-to-end),
#                      then the whole suite again under AddressSanitizer and UBSan, then clang-tidy
#   ./build.sh bench   install what is missing, build, and run the benchmarks
#   ./build.sh build   install what is missing and build
#   ./build.sh package install what is missing and build the Debian package (build/*.deb)
#
# run, build and package install only what building and running need; test and bench add what
# the tests and benchmarks drive Trundle with.
# Packages are installed with apt-get, through sudo when not run as root.
set -eu
cd "$(dirname "$0")"

action=${1:-run}

# What building and running Trundle need: the tools, the libraries with their headers, the Qt
# Linguist tools for the text tables, and what the program calls or loads at run time (rsync
# for the sample scripts, the SVG plugins for its icon).
build_packages="make cmake ninja-build g++ pkg-config
qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6svg6
libplist-dev libxi-dev libxres-dev libx11-dev libxcb1-dev libgl-dev rsync"

# What the tests and benchmarks add: a virtual X server with a window manager and a tray, the tools
# that drive and look at it, the other hot-key programs and screen lockers the tests run beside
# Trundle, Wayland compositors (weston with XWayland; sway with waybar as the tray) and Qt's
# Wayland plugin, a bus of the tests' own, clang-tidy, the checkers of the Debian package and of
# the AppStream, desktop and manual-page files, the XTest headers for the latency benchmark, and a
# KDE Plasma desktop's global-shortcuts portal (the portal, its KDE backend and kglobalaccel),
# which one run binds keys through. None of these brings a notification daemon; the portal's bus
# services are started only where a test starts them itself (the tests' buses name no service
# folders).
test_packages="clang-tidy python3 fonts-dejavu-core procps
xvfb icewm xdotool x11-utils x11-xserver-utils xterm imagemagick xbindkeys sxhkd
i3lock xsecurelock dbus-daemon dbus-bin weston xwayland qt6-wayland sway waybar systemd
xdg-desktop-portal xdg-desktop-portal-kde libkf5globalaccel-bin
dpkg-dev lintian appstream desktop-file-utils man-db groff-base libxtst-dev"

case "$action" in
    run | build) packages=$build_packages ;;
    # The Debian package's dependencies come from dpkg-shlibdeps.
    package) packages="$build_packages dpkg-dev" ;;
    test | bench) packages="$build_packages $test_packages" ;;
    *) echo "usage: $0 [run|test|bench|build|package]" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi

case "$action" in
    run | bench | build | package) exec make "$action" ;;
    # make check: the tests, the sanitizer suite and clang-tidy; -k runs all three even when one
    # fails, so a single run reports every problem.
    test) exec make -k check ;;
esac
