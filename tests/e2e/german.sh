#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Trundle in German: with LANG=de_DE.UTF-8 alone (no generated C library locale is needed, Qt
# reads the variable itself) the tray menu, the preferences window and the about window show
# the German text table. The tray menu is kept as a picture, tray-menu-de.png, to look at.
. "$(dirname "$0")/lib.sh"
e2e_setup
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=de_DE.UTF-8

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Arbeit"
printf '#!/bin/sh\n' >"$scripts/Arbeit/Sicherung.sh"
write_hotkey_settings "<key>5</key><string>$scripts/Arbeit/Sicherung.sh</string>"
start_trundle

window_named() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
no_window_named() { ! window_named "$1"; }

# The tray menu open at a folder with a bound script, cropped to the lower right corner of the
# screen.
open_tray_submenu Arbeit
import -display "$DISPLAY" -window root -crop 760x300+520+500 "$E2E_ARTIFACTS/tray-menu-de.png" ||
    fail "no picture of the tray menu"
e2e_log "screenshot $E2E_ARTIFACTS/tray-menu-de.png"
xdotool key Escape Escape Escape Escape
sleep 0.3

# The third item of the menu is the preferences command, the fourth the about command; the
# windows they open carry the German titles.
open_tray_menu
xdotool key Down Down Down Return
wait_for 10 "the window \"Trundle-Einstellungen\"" window_named "Trundle-Einstellungen"
check "the English preferences title is not used" no_window_named "Trundle Preferences"
xdotool key Escape
sleep 0.5

open_tray_menu
xdotool key Down Down Down Down Return
# xdotool matches its pattern byte by byte in the C locale, where "." does not match the bytes
# of the umlaut in UTF-8: ".*" stands in for it.
wait_for 10 "the window \"Über Trundle\"" window_named ".*ber Trundle"
check "the English about title is not used" no_window_named "About Trundle"

stop_trundle TERM || fail "trundle did not exit cleanly"
e2e_log "passed"
