#!/bin/bash
# A Wayland session: weston on its headless backend with XWayland, where Qt runs Trundle on
# xcb through XWayland, a session bus of the test's own and a notification-server stand-in on
# it that records every Notify call to a file:
#   - Trundle says once that hot keys do not work and what is missing: one notification, and
#     one line in the log with the debug switch off;
#   - Trundle keeps running: its browser window is there through XWayland, and it still
#     answers SIGTERM with a clean termination that saves the settings.
# weston's headless shell has no system tray, so the tray menu cannot be opened here.
. "$(dirname "$0")/lib.sh"
e2e_setup_home
[ -n "${NOTIFICATIONS_STANDIN:-}" ] || fail "NOTIFICATIONS_STANDIN names no program"
[ -n "${PRIVATE_BUS_CONFIG:-}" ] || fail "PRIVATE_BUS_CONFIG names no bus configuration"
command -v weston >/dev/null || fail "weston is not installed"
command -v Xwayland >/dev/null || fail "Xwayland is not installed"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
export XDG_SESSION_TYPE=wayland

# --- The session bus and the notification server. ---
bus_socket="$E2E_HOME/session_bus_socket"
dbus-daemon --config-file="$PRIVATE_BUS_CONFIG" --nofork --address="unix:path=$bus_socket" \
    >"$E2E_HOME/dbus.log" 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus_socket"
bus_up() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId >/dev/null; }
wait_for 30 "the private session bus" bus_up

notifications="$E2E_HOME/notifications"
"$NOTIFICATIONS_STANDIN" "$notifications" >"$E2E_HOME/notifications.log" 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
server_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications | grep -q 'boolean true'
}
wait_for 30 "the notification server stand-in" server_up

# --- weston, headless, with XWayland started for the first X client. ---
socket="trundle-e2e-$$"
weston --backend=headless-backend.so --xwayland --socket="$socket" --idle-time=0 \
    >"$E2E_HOME/weston.log" 2>&1 &
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
write_settings "<key>PreferencesDebugLoggingSettingKey</key><false/>
<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict><key>5</key><string>$scripts/f5.sh</string></dict>"

"$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
TRUNDLE_PID=$!
E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"

notified() { [ -f "$notifications" ] && grep -qF "Hot keys do not work in this Wayland session" "$notifications"; }
wait_for 120 "the notification" notified
check "the notification comes from Trundle" grep -q '^Trundle	' "$notifications"
check "it names what is missing" grep -qF \
    "there is no global-shortcuts portal, and reading keyboards and mice directly is off" \
    "$notifications"
wait_for 60 "the log line" log_has "Global hot keys are unavailable (Wayland session"
check "the log line names the portal and the input-device reader" \
    log_has "no global-shortcuts portal and the input-device reader is off"

# --- Trundle keeps running. ---
browser_exists() { xdotool search --name '^Trundle$' >/dev/null 2>&1; }
wait_for 60 "the browser window through XWayland" browser_exists
check "Trundle is still running" kill -0 "$TRUNDLE_PID"
qt_on_xwayland() { xdotool search --classname '^trundle$' >/dev/null; }
check "Qt runs through XWayland" qt_on_xwayland
check "no second notification was sent" test "$(wc -l <"$notifications")" -eq 1
check "the log says it once" test "$(grep -cF 'Global hot keys are unavailable' "$TRUNDLE_LOG")" -eq 1

rm -f "$SETTINGS"
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
check "the termination saved the settings" test -f "$SETTINGS"
binding_saved() { settings_value PreferencesShortcutsAndScriptPathsSettingKey | grep -qF f5.sh; }
check "the hot-key binding survived" binding_saved
e2e_log "passed"
