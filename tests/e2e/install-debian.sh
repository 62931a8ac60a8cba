#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian package on a clean Debian 12 and starts it the way a user would: a
# minimal bookworm made with debootstrap, `apt-get install ./trundle_*.deb`, then Trundle under
# Xvfb and icewm as an ordinary user, with a screenshot of the desktop and of the open tray menu.
#
# A manual check before a release, not part of CTest: it needs root, the Debian mirror and a few
# minutes. Run as root from anywhere:
#
#   tests/e2e/install-debian.sh build-release/trundle_0.1.0-1_amd64.deb [/tmp/trundle-chroot]
#
# The chroot is kept (made once, reused); screenshots and logs go to $E2E_ARTIFACTS
# (default ./e2e-artifacts) as install-debian-*.png and install-debian.log.
set -euo pipefail

deb=$(realpath "${1:?usage: $0 PACKAGE.deb [CHROOT]}")
root=${2:-/tmp/trundle-chroot}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
artifacts=$(mkdir -p "${E2E_ARTIFACTS:-$PWD/e2e-artifacts}" && cd "${E2E_ARTIFACTS:-$PWD/e2e-artifacts}" && pwd)

say() { printf '[install-debian] %s\n' "$*" >&2; }
[ "$(id -u)" -eq 0 ] || { say "run this as root (debootstrap and chroot need it)"; exit 2; }
command -v debootstrap >/dev/null || { say "needs debootstrap: apt-get install debootstrap"; exit 2; }

if [ ! -f "$root/etc/debian_version" ]; then
    say "making a minimal Debian 12 in $root from $mirror"
    start=$(date +%s)
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$artifacts/install-debian-debootstrap.log"
    say "debootstrap took $(($(date +%s) - start)) s"
fi

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
mount_in() { # mount_in TYPE SOURCE TARGET
    mkdir -p "$root$3"
    mountpoint -q "$root$3" || { mount -t "$1" "$2" "$root$3" && mounted+=("$root$3"); }
}
mount_in proc proc /proc
mount_in sysfs sys /sys
mount_in tmpfs shm /dev/shm
mount_in devpts devpts /dev/pts

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"; }

cp "$deb" "$root/tmp/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
say "installing $(basename "$deb") with apt-get and its dependencies"
in_root apt-get update -q >/dev/null
# The package first and alone, so that a missing dependency shows here and is not hidden by
# what the desktop below pulls in (again when a build of the same version is there already).
in_root apt-get install -y -q --no-install-recommends --reinstall "/tmp/$(basename "$deb")" \
    >"$artifacts/install-debian-apt.log"
in_root dpkg -s trundle | grep -E '^(Status|Version|Depends):' >&2
# A desktop to start it on: X server, window manager with a tray, tools to look at it.
in_root apt-get install -y -q --no-install-recommends xvfb icewm x11-utils x11-apps xdotool \
    >>"$artifacts/install-debian-apt.log"

in_root sh -c 'id tester >/dev/null 2>&1 || useradd --create-home --shell /bin/sh tester'

cat >"$root/tmp/run-trundle.sh" <<'RUN'
#!/bin/bash
# Runs as the user "tester" inside the chroot.
set -eu
cd "$HOME"
out=/tmp/trundle-run
rm -rf "$out" && mkdir -p "$out"
unset XDG_RUNTIME_DIR WAYLAND_DISPLAY QT_QPA_PLATFORM
wait_for() { # wait_for SECONDS WHAT COMMAND...
    local tries=$(($1 * 10)) what=$2; shift 2
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1)); [ "$tries" -gt 0 ] || { echo "timed out waiting for $what" >&2; return 1; }
        sleep 0.1
    done
}
mkfifo "$out/displayfd"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$out/displayfd" >"$out/xvfb.log" 2>&1 &
read -r number <"$out/displayfd"
export DISPLAY=":$number"
icewm >"$out/icewm.log" 2>&1 &
wait_for 20 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

trundle >"$out/trundle.log" 2>&1 &
pid=$!
tray_icon() {
    for w in $(xdotool search --classname '^trundle$'); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q _KDE_NET_WM_WINDOW_TYPE_OVERRIDE && { echo "$w"; return 0; }
    done
    return 1
}
wait_for 20 "Trundle's tray icon" tray_icon
sleep 1
xwd -root -silent >"$out/desktop.xwd"
icon=$(tray_icon)
xdotool mousemove --window "$icon" 8 8 click 3
sleep 1
xwd -root -silent >"$out/menu.xwd"
xdotool key Escape
echo "tray icon window: $icon, geometry: $(xwininfo -id "$icon" | grep -E 'Absolute|Width|Height' | tr -s ' ' | tr '\n' ' ')"
echo "samples copied: $(ls "$HOME/Library/Scripts/Trundle Scripts" | tr '\n' ',')"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
echo "trundle ended with status $status"
test -f "$HOME/.config/Trundle/Trundle.plist" && echo "settings file saved at quit"
kill %1 %2 2>/dev/null || true
RUN
chmod 755 "$root/tmp/run-trundle.sh"
say "starting trundle as the user tester under Xvfb and icewm"
in_root runuser -u tester -- env HOME=/home/tester /tmp/run-trundle.sh | tee "$artifacts/install-debian.log" >&2
cp "$root/tmp/trundle-run/trundle.log" "$artifacts/install-debian-trundle.log"
for shot in desktop menu; do
    convert "xwd:$root/tmp/trundle-run/$shot.xwd" "$artifacts/install-debian-$shot.png"
    say "screenshot $artifacts/install-debian-$shot.png"
done
