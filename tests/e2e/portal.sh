#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hot keys through the desktop's global-shortcuts portal, played by a stand-in on a session bus
# of the test's own that records every call. The session says it is Wayland, so Trundle takes
# the portal; Qt runs on a virtual X server all the same, where the preferences window can be
# driven with synthetic keys (weston's headless XWayland has no input to drive it with).
#   - at start the bound function keys are asked for: "hotkey-5" with the preferred trigger F5,
#     described by its script's name, after the application id was registered;
#   - Activated runs nothing, Deactivated runs the script once;
#   - the session carries the keys in its "shortcuts" option, of type a(sa{sv});
#   - a key bound in the preferences window closes the session and binds the new set of keys
#     on a new one; its release then runs that script;
#   - started again with the same keys, Trundle binds nothing: the desktop holds them all, and
#     the keys work;
#   - a portal that refuses the binding (the user cancelled its dialog): Trundle says so in one
#     notification and one log line, and keeps running;
#   - no portal at all: the same, with the text that names what is missing; the tray menu and
#     the browser work.
. "$(dirname "$0")/lib.sh"
e2e_setup
[ -n "${TRUNDLE_APP_ID:-}" ] || fail "TRUNDLE_APP_ID names no application id"
export XDG_SESSION_TYPE=wayland

start_private_bus session
start_notifications_standin
start_portal_standin

# F5 and the sentinel F7 bound; hotkey-9.sh is bound later, in the preferences window.
scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
COUNTS="$E2E_HOME/counts"
COUNTED_IDS="5 7 9"
write_counting_settings "$scripts" 9
tab=$'\t'
f5="hotkey-5${tab}F5${tab}Run hotkey-5.sh"
f7="hotkey-7${tab}F7${tab}Run hotkey-7.sh"
f9="hotkey-9${tab}F9${tab}Run hotkey-9.sh"

# Releases come from the portal here: the sentinel is the release of hotkey-7.
portal_sync() {
    SENTINELS=$((SENTINELS + 1))
    portal_signal Release hotkey-7
    wait_for 20 "the sentinel hotkey-7 to run" count_is 7 "$SENTINELS"
}
expect_portal_counts() { # expect_portal_counts "description" "id:count ..."
    portal_sync
    local want
    want=$(echo "$2 7:$SENTINELS" | tr ' ' '\n' | grep . | sort -t: -k1,1n | tr '\n' ' ')
    check "$1 (runs: $(all_counts))" test "$(all_counts)" = "${want% }"
}

start_trundle
bound_at_start() { test "$(portal_binds "$f5$tab$f7")" -eq 1; }
wait_for 30 "F5 and F7 to be asked for" bound_at_start
check "the application id was registered first" \
    test "$(head -n 1 "$PORTAL_CALLS")" = "Register${tab}$TRUNDLE_APP_ID"
check "one session was made for them" test "$(portal_calls_of CreateSession)" -eq 1
check "the session carried the keys" \
    grep -qP "^CreateSession\t[^\t]*/trundle\ta\\(sa\\{sv\\}\\)\thotkey-5\thotkey-7$" "$PORTAL_CALLS"
check "the log names the portal's version" log_has "offers GlobalShortcuts version 1"

# --- Activated runs nothing; Deactivated runs the script once. ---
portal_signal Press hotkey-5
portal_signal Press hotkey-5
expect_portal_counts "pressing runs nothing" ""
portal_signal Release hotkey-5
expect_portal_counts "the release runs the script once" "5:1"
portal_signal Press hotkey-5
portal_signal Release hotkey-5
portal_signal Release hotkey-12 # bound to nothing
expect_portal_counts "each release runs it once more; an unbound one runs nothing" "5:2"

# --- A key bound in the preferences window is asked for again, on a new session. ---
open_tray_menu
xdotool key Down Down Down Return # Show Script Browser, Scripts, Preferences…
pref_window() { xdotool search --onlyvisible --name '^Trundle Preferences$' 2>/dev/null | head -n 1 | grep .; }
wait_for 10 "the preferences window" pref_window
prefs=$(pref_window)
is_active() { test "$(xdotool getactivewindow)" = "$1"; }
wait_for 5 "the preferences window to take the focus" is_active "$prefs"
e2e_screenshot preferences-portal "$prefs"
# The script's hot-key pop-up, and F9 in it (nine below None).
open_hot_key_popup "$scripts" hotkey-9.sh
for _ in $(seq 9); do xdotool key Down; done
xdotool key Return
bound_again() { test "$(portal_binds "$f5$tab$f7$tab$f9")" -eq 1; }
wait_for 30 "F5, F7 and F9 to be asked for" bound_again
check "the first session was closed" test "$(portal_calls_of Close)" -eq 1
check "the keys were bound on a second session" test "$(portal_calls_of CreateSession)" -eq 2
portal_signal Release hotkey-9
expect_portal_counts "the new key's release runs its script" "5:2 9:1"
check "nothing said hot keys do not work" test ! -s "$NOTIFICATIONS"

stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
check "the binding was saved" eval 'settings_value PreferencesShortcutsAndScriptPathsSettingKey | grep -qF hotkey-9.sh'

# --- Started again: the desktop holds every key, so nothing is bound and they work. ---
: >"$TRUNDLE_LOG"
start_trundle
listed() { test "$(portal_calls_of ListShortcuts)" -eq 3; }
wait_for 30 "the third session's keys to be listed" listed
wait_for 30 "the log to say the desktop holds them" log_has "The desktop holds every shortcut already"
check "no second binding of the same keys" test "$(portal_binds "$f5$tab$f7$tab$f9")" -eq 1
portal_signal Release hotkey-9
expect_portal_counts "the kept key runs its script after the restart" "5:2 9:2"
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"

# --- A portal that does not bind: said once, and Trundle keeps running. ---
stop_portal_standin
start_portal_standin --cancel-dialog
: >"$TRUNDLE_LOG"
start_trundle
wait_for 30 "the notification that the keys were not bound" notified_of "the user cancelled (response 1)"
check "the notification says hot keys do not work" grep -qF "Hot keys do not work" "$NOTIFICATIONS"
wait_for 30 "the log line" log_has "Global hot keys are unavailable (the desktop's shortcuts portal did not bind"
check "Trundle is still running" kill -0 "$TRUNDLE_PID"
portal_signal Release hotkey-5
# The icon can be docked anew after start-up: wait for it rather than take the first look.
wait_for 20 "the tray icon" tray_icon_window >/dev/null
open_tray_menu
check "the tray menu still opens" popup_menu_shown
xdotool key Escape
check_said_once "one notification"
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"

# --- No portal: said once; the tray menu and the browser work. ---
stop_portal_standin
: >"$TRUNDLE_LOG"
: >"$NOTIFICATIONS"
start_trundle
wait_for 30 "the notification that there is no portal" notified_of "there is no global-shortcuts portal"
wait_for 30 "the log line" log_has "Global hot keys are unavailable (Wayland session: no global-shortcuts portal"
wait_for 20 "the tray icon" tray_icon_window >/dev/null
open_tray_menu
check "the tray menu opens" popup_menu_shown
xdotool key Escape
wait_for 10 "the browser window" browser_window >/dev/null
check "Trundle is still running" kill -0 "$TRUNDLE_PID"
check "one notification" test "$(notification_count)" -eq 1
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
e2e_log "passed"
