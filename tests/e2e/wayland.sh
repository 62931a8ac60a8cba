#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Wayland session: weston on its headless backend with XWayland, a session bus of the test's
# own and a notification-server stand-in on it that records every Notify call to a file.
# First without a shortcuts portal, with Qt running Trundle on xcb through XWayland:
#   - Trundle says once that hot keys do not work and what is missing: one notification, and
#     one line in the log with the debug switch off;
#   - Trundle keeps running: its browser window is there through XWayland, and it still
#     answers SIGTERM with a clean termination that saves the settings.
# Then, where Qt's wayland platform is installed, natively on Wayland with the portal stand-in:
#   - the bound F5 is asked for, and its release through the portal runs the script once;
#   - the browser window is drawn (a screenshot through weston's screenshooter) and the program
#     ends cleanly, without an X server to follow the active application.
# weston's headless shell has no system tray and no input devices: the tray menu and the
# preferences window are driven in portal.sh, under a virtual X server.
. "$(dirname "$0")/lib.sh"
e2e_setup_home
command -v weston >/dev/null || fail "weston is not installed"
command -v Xwayland >/dev/null || fail "Xwayland is not installed"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
export XDG_SESSION_TYPE=wayland

# --- The session bus and the notification server. ---
start_private_bus session
start_notifications_standin

# --- weston, headless, with XWayland started for the first X client. The pixman renderer
# draws into memory, and --debug lets weston-screenshooter read it back. ---
# No fades: a screenshot shows the windows as they are, not half gone.
socket="trundle-e2e-$$"
printf '[shell]\nanimation=none\nclose-animation=none\nstartup-animation=none\nfocus-animation=none\n' \
    >"$E2E_HOME/weston.ini"
weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --debug \
    --config="$E2E_HOME/weston.ini" --xwayland --socket="$socket" --idle-time=0 >"$E2E_HOME/weston.log" 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
x_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$E2E_HOME/weston.log"; }
weston_up() { [ -S "$XDG_RUNTIME_DIR/$socket" ] && [ -n "$(x_display)" ]; }
wait_for 60 "weston and its X display" weston_up
export WAYLAND_DISPLAY="$socket"
DISPLAY=$(x_display)
export DISPLAY
e2e_log "weston on $WAYLAND_DISPLAY, XWayland on $DISPLAY"

# One hot key bound, the debug switch off: the notice does not depend on it.
scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
printf '#!/bin/sh\necho run >>"%s/f5-runs"\n' "$E2E_HOME" >"$scripts/f5.sh"
chmod +x "$scripts/f5.sh"
write_hotkey_settings "<key>5</key><string>$scripts/f5.sh</string>" false

# Qt through XWayland, even where its wayland platform is installed.
QT_QPA_PLATFORM=xcb "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
TRUNDLE_PID=$!
E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"

wait_for 120 "the notification" notified_of "Hot keys do not work in this Wayland session"
check "the notification comes from Trundle" grep -q '^Trundle	' "$NOTIFICATIONS"
check "it names what is missing" grep -qF \
    "there is no global-shortcuts portal, and reading keyboards and mice directly is off" \
    "$NOTIFICATIONS"
wait_for 60 "the log line" log_has "Global hot keys are unavailable (Wayland session"
check "the log line names the portal and the input-device reader" \
    log_has "no global-shortcuts portal and the input-device reader is off"

# --- Trundle keeps running. ---
browser_exists() { xdotool search --name '^Trundle$' >/dev/null 2>&1; }
wait_for 60 "the browser window through XWayland" browser_exists
check "Trundle is still running" kill -0 "$TRUNDLE_PID"
qt_on_xwayland() { xdotool search --classname '^trundle$' >/dev/null; }
check "Qt runs through XWayland" qt_on_xwayland
check_said_once "no second notification was sent"

rm -f "$SETTINGS"
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
check "the termination saved the settings" test -f "$SETTINGS"
binding_saved() { settings_value PreferencesShortcutsAndScriptPathsSettingKey | grep -qF f5.sh; }
check "the hot-key binding survived" binding_saved

# --- Natively on Wayland, with the shortcuts portal. ---
if ! qt_plugin_dir=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null) ||
    ! ls "$qt_plugin_dir"/platforms/libqwayland-*.so >/dev/null 2>&1; then
    e2e_log "Qt's wayland platform is not installed (Debian qt6-wayland): the native run is left out"
    e2e_log "passed"
    exit 0
fi
start_portal_standin
: >"$TRUNDLE_LOG"
# F6 is the sentinel: releases are handled in order, so once its script has run, every release
# before it has been dealt with.
printf '#!/bin/sh\necho run >>"%s/f6-runs"\n' "$E2E_HOME" >"$scripts/f6.sh"
chmod +x "$scripts/f6.sh"
write_hotkey_settings "<key>5</key><string>$scripts/f5.sh</string><key>6</key><string>$scripts/f6.sh</string>"
rm -f "$E2E_HOME/f5-runs"
QT_QPA_PLATFORM=wayland "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
TRUNDLE_PID=$!
E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
tab=$'\t'
both_asked() { test "$(portal_binds "hotkey-5${tab}F5${tab}Run f5.sh${tab}hotkey-6${tab}F6${tab}Run f6.sh")" -eq 1; }
wait_for 60 "F5 and F6 to be asked for through the portal" both_asked
check "Qt runs on Wayland" log_has 'Qt runs on the "wayland" platform'
runs() { if [ -f "$E2E_HOME/$1-runs" ]; then wc -l <"$E2E_HOME/$1-runs"; else echo 0; fi; }
runs_are() { test "$(runs "$1")" -eq "$2"; }
portal_signal Press hotkey-5
portal_signal Release hotkey-5
portal_signal Release hotkey-6
wait_for 30 "the sentinel's release to run its script" runs_are f6 1
check "the press ran nothing and the release ran the script once" runs_are f5 1
# The progress panel goes right after the run's output is logged.
runs_logged() { test "$(grep -cF '(Shell-)Script returned this:' "$TRUNDLE_LOG")" -ge 2; }
wait_for 30 "both runs to end" runs_logged
drawn() {
    (cd "$E2E_HOME" && timeout 20 weston-screenshooter >/dev/null 2>&1) &&
        ls "$E2E_HOME"/wayland-screenshot-*.png >/dev/null 2>&1
}
wait_for 60 "a screenshot of the desktop" drawn
shot=$(ls "$E2E_HOME"/wayland-screenshot-*.png | head -n 1)
cp "$shot" "$E2E_ARTIFACTS/$E2E_NAME-qt-on-wayland.png"
e2e_log "screenshot $E2E_ARTIFACTS/$E2E_NAME-qt-on-wayland.png"
check "Trundle is still running" kill -0 "$TRUNDLE_PID"
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM under Qt's wayland platform"
e2e_log "passed"
