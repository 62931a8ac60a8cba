#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A tray that starts after Trundle, as at a login where the autostart order is not fixed:
#   - X11: icewm, an XEmbed tray, starts 5 s after `trundle --background`: the icon docks into
#     it, no window was shown at start, a left click shows the browser and a right click opens
#     the menu; icewm restarted, the icon docks again;
#   - Wayland: sway (headless) with waybar, a status-notifier host, started 5 s after Trundle:
#     the icon is registered with the watcher, and registered again after waybar restarts.
# sway refuses to run as root: started as root, the run goes on as the user nobody.
. "$(dirname "$0")/lib.sh"
if [ "$(id -u)" = 0 ]; then
    mkdir -p "$E2E_ARTIFACTS/$E2E_NAME"
    chown nobody "$E2E_ARTIFACTS/$E2E_NAME"
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env E2E_ARTIFACTS="$E2E_ARTIFACTS/$E2E_NAME" bash "$0"
fi
# In the sanitizer tree: whole stacks for allocations, so that the suppression of Qt's leak when a
# tray icon is made for a new status-notifier watcher (lsan.supp) can name the function.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
E2E_NO_WM=1 e2e_setup
mkdir -p "$HOME/Library/Scripts/Trundle Scripts"
start_in_background() {
    "$TRUNDLE" --background >>"$TRUNDLE_LOG" 2>&1 &
    TRUNDLE_PID=$!
    E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
    wait_for 30 "Trundle to find no tray" log_has "No system tray is running yet"
    sleep 5
}

# --- X11: icewm after Trundle. ---
start_in_background
start_window_manager
wait_for 30 "Trundle's icon in icewm's tray" tray_icon_window
icon=$(tray_icon_window)
root=$(xwininfo -root | awk '/Window id:/ {print $4}')
docked() { ! xwininfo -tree -id "$icon" | grep -q "Parent window id: $root "; }
check "the icon is docked into the tray, not a window of its own" docked
no_browser() { ! browser_window >/dev/null; }
check "--background opened no window" no_browser
xdotool mousemove --window "$icon" 8 8 click 1
wait_for 10 "the browser window after a left click" browser_window
no_menu() { ! popup_menu_shown; }
check "a left click opens no menu" no_menu
open_tray_menu
e2e_screenshot tray-menu-late
xdotool key Escape
# icewm restarts: the icon docks into the new tray.
kill "$E2E_WM_PID"
wait "$E2E_WM_PID" || true
forget_pid "$E2E_WM_PID"
start_window_manager
docked_anew() { icon=$(tray_icon_window) && docked; }
wait_for 30 "the icon docked into the restarted tray" docked_anew
stop_trundle TERM || fail "Trundle did not end cleanly"

# --- Wayland: sway, then waybar after Trundle. ---
if ! qt_plugin_dir=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null) ||
    ! ls "$qt_plugin_dir"/platforms/libqwayland-*.so >/dev/null 2>&1; then
    e2e_log "Qt's wayland platform is not installed (Debian qt6-wayland): the sway run is left out"
    e2e_log "passed"
    exit 0
fi
command -v sway >/dev/null && command -v waybar >/dev/null || fail "sway or waybar is not installed"
unset DISPLAY
export XDG_SESSION_TYPE=wayland
start_private_bus session
printf 'output HEADLESS-1 resolution 1280x800\nxwayland disable\n' >"$E2E_HOME/sway.conf"
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$E2E_HOME/sway.conf" >"$E2E_HOME/sway.log" 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
wayland_socket() { ls "$XDG_RUNTIME_DIR" | grep -m1 -x 'wayland-[0-9]*'; }
wait_for 30 "sway's Wayland socket" wayland_socket
WAYLAND_DISPLAY=$(wayland_socket)
export WAYLAND_DISPLAY
printf '{"layer": "top", "height": 28, "modules-right": ["tray"]}\n' >"$E2E_HOME/waybar.json"
start_waybar() {
    waybar -c "$E2E_HOME/waybar.json" >>"$E2E_HOME/waybar.log" 2>&1 &
    WAYBAR_PID=$!
    E2E_PIDS="$E2E_PIDS $WAYBAR_PID"
}
registered() {
    busctl --address="$DBUS_SESSION_BUS_ADDRESS" get-property org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems |
        grep -q '^as [1-9]'
}
: >"$TRUNDLE_LOG"
QT_QPA_PLATFORM=wayland start_in_background
check "Qt runs on Wayland" log_has 'Qt runs on the "wayland" platform'
start_waybar
wait_for 30 "Trundle's icon registered with waybar's watcher" registered
kill "$WAYBAR_PID"
wait "$WAYBAR_PID" || true
forget_pid "$WAYBAR_PID"
start_waybar
wait_for 30 "the icon registered again after waybar restarted" registered
check "Trundle is still running" kill -0 "$TRUNDLE_PID"
stop_trundle TERM || fail "Trundle did not end cleanly"
e2e_log "passed"
