#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The preferences and about windows, opened from the tray menu: ticking the debug-logging box
# saves at once, a hot key bound in the preferences browser with the keyboard reaches the
# settings file when the window manager closes the window, the window opens again afresh and
# closes with Escape, and the about window hands its two web addresses to the web browser
# unchanged. Screenshots of both windows are kept with the artifacts.
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
script="$scripts/bind-me.sh"
printf '#!/bin/sh\necho bound\n' >"$script"
chmod +x "$script"
# Created now rather than at start, so the folder's listing order is fixed from here on.
mkdir -p "$scripts/Trundle Scripts"

# A stand-in web browser: Qt hands web addresses to xdg-open; this one writes them down.
mkdir -p "$E2E_HOME/bin"
opened="$E2E_HOME/opened-pages"
cat >"$E2E_HOME/bin/xdg-open" <<BROWSER
#!/bin/sh
printf '%s\n' "\$1" >>"$opened"
BROWSER
chmod +x "$E2E_HOME/bin/xdg-open"
export PATH="$E2E_HOME/bin:$PATH"

# A click on the tray icon within a moment of a window closing can go unanswered (the window
# manager is still moving the focus); a second click then opens the menu.
open_tray_menu_patiently() {
    local icon attempt tries
    for attempt in 1 2 3; do
        icon=$(tray_icon_window) || fail "no tray icon"
        xdotool mousemove --window "$icon" 8 8 click 3
        for tries in $(seq 40); do
            popup_menu_shown && return 0
            sleep 0.05
        done
        e2e_log "the tray menu did not open on click $attempt; clicking again"
    done
    fail "the tray menu does not open"
}

# The tray menu reads: Show Script Browser, Scripts, Preferences…, About Trundle, Quit Trundle.
choose_menu_item() { # choose_menu_item POSITION (1 is Scripts)
    open_tray_menu_patiently
    for _ in $(seq $(($1 + 1))); do xdotool key Down; done
    xdotool key Return
}
window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }
no_window_named() { ! window_named "$1" >/dev/null; }
no_popup_shown() { ! popup_menu_shown; }
setting_is() { test "$(settings_value "$1")" = "$2"; }
log_lines() { wc -l <"$TRUNDLE_LOG"; }
# Conditions for wait_for, which runs its command again and again: each reads afresh.
is_active() { test "$(xdotool getactivewindow)" = "$1"; }
pages_opened_at_least() { test -f "$opened" && test "$(wc -l <"$opened")" -ge "$1"; }
binding_saved() { # binding_saved ID PATH
    test "$(settings_value PreferencesShortcutsAndScriptPathsSettingKey)" = "{\"$1\": \"$2\"}"
}

start_trundle

# --- Preferences: the switch ---
choose_menu_item 2
wait_for 10 "the preferences window" window_named "Trundle Preferences"
prefs=$(window_named "Trundle Preferences")
wait_for 5 "the preferences window to take the focus" is_active "$prefs"
check "opening the window saved the settings" test -f "$SETTINGS"
check "debug logging is stored as off" setting_is PreferencesDebugLoggingSettingKey false
e2e_screenshot preferences "$prefs"

# The check box is ticked with its mnemonic, Alt+D, which also gives it the focus.
before=$(log_lines)
xdotool key alt+d
wait_for 5 "the ticked box in the settings file" setting_is PreferencesDebugLoggingSettingKey true
after_click=$(tail -n +"$((before + 1))" "$TRUNDLE_LOG")
check "the store after the change is logged at once" grep -qF "appGlobals (nachher)" <<<"$after_click"
check "the store before the change is not (logging was off)" \
    test -z "$(grep -F "appGlobals (vorher)" <<<"$after_click" || true)"

# --- Preferences: a hot key bound with the keyboard ---
# From the debug check box, the last in the tab order, Tab goes round to the first; then into the
# browser, down to the script (row_of finds its place by name), its hot-key pop-up open with the
# space bar; then F5.
xdotool key Tab
open_hot_key_popup "$scripts" bind-me.sh
e2e_screenshot hot-key-pop-up
# Escape takes back the pop-up only; the space bar opens it again.
xdotool key Escape
wait_for 5 "Escape to close the pop-up" no_popup_shown
check "Escape in the pop-up leaves the window open" window_named "Trundle Preferences" >/dev/null
xdotool key space
wait_for 5 "the hot-key pop-up again" popup_menu_shown
for _ in 1 2 3 4 5; do xdotool key Down; done
xdotool key Return
sleep 0.3
e2e_screenshot preferences-bound "$prefs"
if [ "$(settings_value PreferencesShortcutsAndScriptPathsSettingKey)" = "{}" ]; then
    e2e_log "the binding waits in the store until the window closes"
else
    e2e_log "note: the binding was on disk before the window closed"
fi

# The window manager closes the window (Alt+F4 in icewm): the close saves the binding.
xdotool key alt+F4
wait_for 5 "the preferences window to close" no_window_named "Trundle Preferences"
wait_for 5 "the binding in the settings file" binding_saved 5 "$script"
check "closing is logged" log_has "QZPreferencesWindowController::windowWillClose"

# Opening again builds the window afresh from the store, and Escape closes it.
choose_menu_item 2
wait_for 10 "the preferences window again" window_named "Trundle Preferences"
prefs=$(window_named "Trundle Preferences")
wait_for 5 "the focus in the preferences window" is_active "$prefs"
e2e_screenshot preferences-reopened "$prefs"
xdotool key Escape
wait_for 5 "Escape to close the preferences window" no_window_named "Trundle Preferences"

# --- About ---
choose_menu_item 3
wait_for 10 "the about window" window_named "About Trundle"
about=$(window_named "About Trundle")
e2e_screenshot about "$about"
check "the about window is logged with its credits" log_has "creditsPath: :/documents/Credits.html"
# The user clicks into the window; the home page button comes first in the tab order, the
# donation button next, then the credits' links.
xdotool windowactivate --sync "$about"
xdotool key Tab space
wait_for 5 "the donation page in the browser" pages_opened_at_least 1
donation=$(tail -n 1 "$opened")
check "the donation address goes to the browser as stored, without a query" \
    python3 - "$donation" <<'PY'
import sys
from urllib.parse import urlsplit
parts = urlsplit(sys.argv[1])
assert parts.scheme == "https" and parts.hostname.endswith(".example.org"), parts
assert parts.query == "" and "?" not in sys.argv[1], parts
names = [p.split("=", 1)[0] for p in parts.path.rsplit("/", 1)[1].split("&")]
assert names == ["business", "item_name", "item_number", "no_note", "tax", "currency_code"], names
PY
xdotool key shift+Tab space
wait_for 5 "the home page in the browser" pages_opened_at_least 2
check "the home page address carries u=Trundle" \
    test "$(tail -n 1 "$opened")" = "https://trundle.example.org/?u=Trundle"
xdotool key Escape
wait_for 5 "Escape to close the about window" no_window_named "About Trundle"
check "the about window's close is logged" log_has "Yo!"

# --- Quit from the menu: everything is still in the file ---
choose_menu_item 4
status=0
wait "$TRUNDLE_PID" || status=$?
forget_pid "$TRUNDLE_PID"
check "quitting from the menu ends the program cleanly" test "$status" = 0
check "debug logging stays on" setting_is PreferencesDebugLoggingSettingKey true
check "the binding stays" binding_saved 5 "$script"
check "no window description was missing" test -z "$(grep -F "There is no window description" "$TRUNDLE_LOG" || true)"
check "the browser took its column titles" test -z "$(grep -F "column title" "$TRUNDLE_LOG" || true)"

e2e_log "passed"
