#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Trundle in German: with LANG=de_DE.UTF-8 alone (no generated C library locale is needed, Qt
# reads the variable itself) the tray menu, the preferences window and the about window show
# the German text table. The tray menu is kept as a picture, tray-menu-de.png, to look at, and so
# is the progress panel of a hot-key run, progress-panel-de.png; the run stopped with its Stop
# button is "gestoppt" in Recent Runs.
. "$(dirname "$0")/lib.sh"
e2e_setup
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=de_DE.UTF-8

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Arbeit"
printf '#!/bin/sh\n' >"$scripts/Arbeit/Sicherung.sh"
chmod +x "$scripts/Arbeit/Sicherung.sh"
talks="$scripts/talks.sh"
printf '#!/bin/sh\necho "Fotos werden kopiert"\necho "42 von 100 erledigt"\nsleep 600\n' >"$talks"
chmod +x "$talks"
write_hotkey_settings "<key>5</key><string>$scripts/Arbeit/Sicherung.sh</string>
<key>9</key><string>$talks</string>"
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

xdotool key Escape
sleep 0.3

# The progress panel of a hot-key run, in German; its Stop button ends the run.
wait_for 20 "start-up to end" log_has "Started up!"
xdotool key F9
# ".*" for the umlaut again.
german_panel() { xdotool search --onlyvisible --name '^Skript l.*uft$' 2>/dev/null | head -n 1 | grep .; }
wait_for 10 "the German progress panel" german_panel
panel=$(german_panel)
sleep 1.5 # the panel's lines and its clock, for the picture
import -display "$DISPLAY" -window "$panel" -frame "$E2E_ARTIFACTS/progress-panel-de.png" ||
    fail "no picture of the progress panel"
e2e_log "screenshot $E2E_ARTIFACTS/progress-panel-de.png"
eval "$(xdotool getwindowgeometry --shell "$panel")"
xdotool mousemove --window "$panel" $((WIDTH - 40)) $((HEIGHT - 20)) click 1
wait_for 10 "the stopped run in Recent Runs" log_has "Recent run: "
check "a stopped run reads gestoppt" grep -qE 'Recent run: .*\| F9 \| talks\.sh \| .* \| gestoppt$' "$TRUNDLE_LOG"

stop_trundle TERM || fail "trundle did not exit cleanly"
e2e_log "passed"
