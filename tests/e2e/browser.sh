#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The script browser in the running program: the program's script folder and the samples are in
# place, the open rows come back, a double click runs the row's script behind the progress panel,
# the shortcut pop-up binds a hot key that then runs the script, and the open rows and the
# binding are saved when the program stops.
. "$(dirname "$0")/lib.sh"
e2e_setup

samples="$(cd "$(dirname "$0")/../../resources/Scripts" && pwd)"
scripts="$HOME/Library/Scripts"
own="$scripts/Trundle Scripts"
marker="$E2E_HOME/ran"
slow="$scripts/slow script.sh"
cat >"$slow" <<SCRIPT
#!/bin/sh
# Long enough for the progress panel to be seen.
sleep 2
echo "slow script ran"
echo ran >>"$marker"
SCRIPT
chmod +x "$slow"
ran_times() { [ -f "$marker" ] && [ "$(wc -l <"$marker")" -ge "$1" ]; }

# --- Start with debug logging on and the user's script folder recorded as open. ---
write_settings "<key>PreferencesDebugLoggingSettingKey</key><true/>
<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key><array><string>$scripts</string></array>"
start_trundle
wait_for 10 "the browser window" browser_window
BROWSER=$(browser_window)

check "the program's script folder was made" test -d "$own"
for sample in "$samples"/*; do
    check "sample $(basename "$sample") was copied and is executable" test -x "$own/$(basename "$sample")"
done
check "the start-up lines are in the log" log_has "rsync returned:"

wait_for 20 "the browser's rows to be painted" measure_rows
e2e_log "rows start at $ROW_TOP, $ROW_HEIGHT pixels high"
e2e_screenshot restored-rows "$BROWSER"
slow_row=$(row_of "$scripts" "slow script.sh")
own_row=$(row_of "$scripts" "Trundle Scripts")

# --- A double click runs the row's script, behind the progress panel. ---
xdotool mousemove --window "$BROWSER" 120 "$(row_y "$slow_row")" click --repeat 2 --delay 80 1
wait_for 10 "the progress panel" panel_shown
e2e_screenshot progress-panel
wait_for 15 "the double-clicked script to run" ran_times 1
wait_for 10 "the progress panel to go" panel_gone
check "the run is logged under the shell heading" \
    grep -A1 -F "(Shell-)Script returned this:" "$TRUNDLE_LOG" -q
check "the script's output is in the log" log_has "slow script ran"
check "the double click decided about bringing an application back" \
    grep -qE "Bringing application|No application other than me" "$TRUNDLE_LOG"

# --- The shortcut pop-up of that row binds F5. ---
xdotool mousemove --window "$BROWSER" "$(hot_key_x)" "$(row_y "$slow_row")" click 1
sleep 0.8
e2e_screenshot shortcut-popup
# The list opens on the row's current item (no hot key, the first); F5 is five below.
xdotool key Down Down Down Down Down Return
sleep 0.5
e2e_screenshot shortcut-picked "$BROWSER"

# F5, released in another application, now runs the script through the same runner; the
# progress panel shows on the browser window without taking the focus from that application.
xterm -title e2e-front >/dev/null 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
wait_for 10 "the other application's window" xdotool search --onlyvisible --name '^e2e-front$'
front=$(xdotool search --onlyvisible --name '^e2e-front$' | head -1)
xdotool windowactivate --sync "$front"
xdotool key F5
wait_for 10 "the progress panel" panel_shown
check "the other application stays in front while the script runs" \
    test "$(xdotool getactivewindow)" = "$front"
wait_for 15 "the script bound to F5 to run" ran_times 2
wait_for 10 "the progress panel to go" panel_gone
check "the other application is still in front after the run" \
    test "$(xdotool getactivewindow)" = "$front"
xdotool windowactivate --sync "$BROWSER"

# --- Open the program's script folder with the keyboard, then stop: both are recorded. ---
xdotool mousemove --window "$BROWSER" 120 "$(row_y "$own_row")" click 1
sleep 0.3
xdotool key Right
sleep 0.5
e2e_screenshot opened-own-folder "$BROWSER"
stop_trundle TERM || fail "trundle did not exit cleanly"
check "the open rows are saved, the parent first" \
    test "$(settings_value PreferencesExpandedFileSystemItemsPathsSettingKey)" = \
    "$(python3 -c 'import json,sys; print(json.dumps(sys.argv[1:]))' "$scripts" "$own")"
check "the picked hot key is saved" \
    test "$(settings_value PreferencesShortcutsAndScriptPathsSettingKey)" = \
    "$(python3 -c 'import json,sys; print(json.dumps({"5": sys.argv[1]}))' "$slow")"

# --- After a restart the same rows are open again. ---
start_trundle
wait_for 10 "the browser window" browser_window
BROWSER=$(browser_window)
sleep 0.5
e2e_screenshot restarted "$BROWSER"
stop_trundle TERM || fail "trundle did not exit cleanly after the restart"
check "the open rows came back and are saved again" \
    test "$(settings_value PreferencesExpandedFileSystemItemsPathsSettingKey)" = \
    "$(python3 -c 'import json,sys; print(json.dumps(sys.argv[1:]))' "$scripts" "$own")"

e2e_log "passed"
