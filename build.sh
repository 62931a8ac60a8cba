#!/bin/sh
# Sets up a Debian 12 machine for Trundle and builds it.
#
#   ./build.sh run     install what is missing, build, and start Trundle
#   ./build.sh test    install what is missing, build, and run every test (unit and end-to-end),
#                      then the whole suite again under AddressSanitizer and UBSan, then clang-tidy
#   ./build.sh bench   install what is missing, build, and run the benchmarks
#   ./build.sh build   install what is missing and build
#
# Packages are installed with apt-get, through sudo when not run as root.
set -eu
cd "$(dirname "$0")"

action=${1:-run}

# Build tools, libraries, and what the end-to-end tests and benchmarks drive Trundle with (the
# screen lockers and a bus of the tests' own for the lock-screen test).
packages="make cmake ninja-build g++ pkg-config clang-tidy
qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-qpa-plugins libqt6svg6
libplist-dev libxi-dev libxres-dev libxtst-dev libx11-dev libxcb1-dev libgl-dev
rsync fonts-dejavu-core python3
xvfb icewm xdotool x11-utils x11-xserver-utils xterm imagemagick xbindkeys sxhkd procps
i3lock xsecurelock dbus-daemon dbus-bin weston xwayland qt6-wayland"

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
    run | bench | build) exec make "$action" ;;
    # make check: the tests, the sanitizer suite and clang-tidy; -k runs all three even when one
    # fails, so a single run reports every problem.
    test) exec make -k check ;;
    *) echo "usage: $0 [run|test|bench|build]" >&2; exit 2 ;;
esac
