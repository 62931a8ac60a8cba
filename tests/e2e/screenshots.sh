#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the pictures of the user guide: the tray menu, the browser, a script's context menu, the
# preferences and the about window, each cropped to what it shows, from a home folder with a few
# scripts and a hot key.
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Work"
for name in "Deploy site.sh" "Backup notes.sh"; do
    printf '#!/bin/sh\necho "%s: done"\ntouch "$HOME/.ran"\n' "$name" >"$scripts/Work/$name"
    chmod +x "$scripts/Work/$name"
done
# One script without the execute bit, which the browser shows dimmed.
printf '#!/bin/sh\necho draft\n' >"$scripts/Work/Clean up downloads.sh"
write_settings "<key>PreferencesDebugLoggingSettingKey</key><true/>
<key>PreferencesShortcutsAndScriptPathsSettingKey</key>
<dict><key>5</key><string>$scripts/Work/Deploy site.sh</string>
<key>14</key><string>$scripts/Work/Backup notes.sh</string></dict>
<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key>
<array><string>$scripts</string><string>$scripts/Trundle Scripts</string><string>$scripts/Work</string></array>"
start_trundle

# The first visible window with that exact title; fails (so wait_for retries) when there is none.
window_named() {
    local found
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$found" ] && echo "$found"
}
shot_of_window() { # shot_of_window NAME TITLE
    local window
    wait_for 10 "the window \"$2\"" window_named "$2"
    sleep 0.5
    window=$(window_named "$2") || fail "the window \"$2\" went away"
    import -display "$DISPLAY" -window "$window" -frame "$E2E_ARTIFACTS/$1.png" 2>/dev/null ||
        fail "no picture of $2"
    e2e_log "screenshot $E2E_ARTIFACTS/$1.png"
}

# One run in the Recent Runs pane, selected (its first row is 125 pixels above the bottom).
wait_for 10 "the browser window" window_named "Trundle"
BROWSER=$(window_named "Trundle")
xdotool key F5
wait_for 20 "the bound script to run" test -e "$HOME/.ran"
sleep 0.5
height=$(xwininfo -id "$BROWSER" | awk '/Height:/ {print $2}')
xdotool mousemove --window "$BROWSER" 100 $((height - 125)) click 1
shot_of_window browser "Trundle"

# A script's context menu: the menu key on the row that typing its name selects.
measure_rows || fail "no rows in the browser"
xdotool mousemove --window "$BROWSER" 100 "$(row_y 0)" click 1
xdotool type "Deploy"
xdotool key Menu
wait_for 5 "the context menu" popup_menu_shown
sleep 0.5
# From the screen: a picture of the window alone leaves out the menu, a window of its own.
eval "$(xdotool getwindowgeometry --shell "$BROWSER")"
import -display "$DISPLAY" -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" \
    "$E2E_ARTIFACTS/context-menu.png" || fail "no picture of the context menu"
e2e_log "screenshot $E2E_ARTIFACTS/context-menu.png"
xdotool key Escape

# The tray menu open at the Work folder, whose scripts show their hot keys, cropped to the lower
# right corner of the screen.
open_tray_submenu Work
import -display "$DISPLAY" -window root -crop 760x300+520+500 "$E2E_ARTIFACTS/tray-menu.png"
e2e_log "screenshot $E2E_ARTIFACTS/tray-menu.png"
xdotool key Escape Escape Escape Escape
sleep 0.3

open_tray_menu
xdotool key Down Down Down Return
shot_of_window preferences "Trundle Preferences"
xdotool key Escape
sleep 0.5

open_tray_menu
xdotool key Down Down Down Down Return
shot_of_window about "About Trundle"

stop_trundle TERM || fail "trundle did not exit cleanly"
e2e_log "passed"
