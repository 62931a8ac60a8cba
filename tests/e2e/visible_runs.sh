#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the user sees of runs, on an X11 desktop with a session bus of the test's own and a
# notification-server stand-in on it that records every Notify call:
#   - a script without its execute bit and one that exits with status 3 each give one
#     notification (the first with the chmod hint, the second with its output); a script that
#     succeeds gives none;
#   - the browser window's Recent Runs pane lists the runs with their status, and selecting one
#     shows its output;
#   - the keyboard still works in the browser window after the progress panel was up: Alt+R and
#     Space select a run after hot-key runs, and Ctrl+W closes the window after a double click's;
#   - a double click brings back the application that was in front before the browser: a
#     script that types with xdotool types into an xterm;
#   - with the browser window closed a hot-key run still shows the progress panel, with the
#     script's name and latest output, out of the taskbar and without asking for attention;
#     Recent Runs names the key ("F9");
#   - after the browser window was closed, starting Trundle again brings it back, and the second
#     start leaves with status 0 and says nothing; when the running copy cannot answer (it is
#     stopped), the second start says so and fails.
. "$(dirname "$0")/lib.sh"
e2e_setup

# --- The session bus and the notification server. ---
start_private_bus session
start_notifications_standin

# F8 succeeds, F5 is not executable (its name needs quoting), F6 prints and exits with 3.
scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
fine="$scripts/fine.sh"
no_x="$scripts/it's \$HOME.sh"
fails="$scripts/fails.sh"
printf '#!/bin/sh\necho all is well\n' >"$fine"
printf '#!/bin/sh\necho never\n' >"$no_x"
printf '#!/bin/sh\necho "first line"\necho "the disk is full" >&2\nexit 3\n' >"$fails"
# F9 talks and waits to be let go; typer.sh types into whatever is in front.
talks="$scripts/talks.sh"
go="$E2E_HOME/go"
printf '#!/bin/sh\necho "copying photos"\necho "42 of 100 done"\nwhile [ ! -e "%s" ]; do sleep 0.1; done\n' \
    "$go" >"$talks"
typer="$scripts/typer.sh"
printf '#!/bin/sh\nxdotool type --delay 30 hello\nxdotool key Return\n' >"$typer"
chmod +x "$fine" "$fails" "$talks" "$typer"
write_settings "<key>PreferencesDebugLoggingSettingKey</key><true/>
<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key><array><string>$scripts</string></array>
<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict>
<key>5</key><string>$no_x</string>
<key>6</key><string>$fails</string>
<key>8</key><string>$fine</string>
<key>9</key><string>$talks</string></dict>"

notifications_are() { test "$(notification_count)" -eq "$1"; }

start_trundle
wait_for 10 "the browser window" browser_window
BROWSER=$(browser_window)
# The window can be mapped before the hot keys are listened to; start-up ends after both.
wait_for 20 "start-up to end" log_has "Started up!"

# --- Notifications: the success first, so its notice, if any, would come before the others. ---
xdotool key F8
wait_for 20 "the successful run in Recent Runs" log_has "| fine.sh |"
xdotool key F5
wait_for 20 "the notification for the script without execute bit" notifications_are 1
check "it names the script and says it cannot be run" \
    grep -qF "Trundle: it's \$HOME.sh could not be run" "$NOTIFICATIONS"
check "it gives the command that fixes it, quoted for the shell" \
    grep -qF "run: chmod +x '$scripts/it'\\''s \$HOME.sh'" "$NOTIFICATIONS"
xdotool key F6
wait_for 20 "the notification for the failing script" notifications_are 2
failed=$(tail -n 1 "$NOTIFICATIONS")
check "it names the failing script" grep -qF "Trundle: fails.sh failed" <<<"$failed"
check "it gives the exit status" grep -qF "exit status 3" <<<"$failed"
check "it shows the output's last lines" grep -qF "the disk is full" <<<"$failed"
check "no notification came for the successful run" \
    test -z "$(grep -F fine.sh "$NOTIFICATIONS" || true)"

# --- Recent Runs: the rows as the table shows them, and the selected one's output. ---
check "the successful run is listed as OK" \
    grep -qE 'Recent run: [0-9:]{8} \| F8 \| fine\.sh \| [0-9.]+ s \| OK$' "$TRUNDLE_LOG"
check "the failed run is listed with its status and its key" \
    grep -qE 'Recent run: [0-9:]{8} \| F6 \| fails\.sh \| [0-9.]+ s \| exit 3$' "$TRUNDLE_LOG"
check "the script without execute bit is listed as such" \
    grep -qE "\\| it's \\\$HOME\\.sh \\| [0-9.]+ s \\| not executable\$" "$TRUNDLE_LOG"
# With the keys alone, in the window that had the panel on it three times: Alt+R moves the focus
# into the table, Space selects its current row, the first (the newest run).
check "the browser window is still the active one" test "$(xdotool getactivewindow)" = "$BROWSER"
xdotool key alt+r
xdotool key space
wait_for 10 "the failed run's output to be shown" \
    log_has "Showing the output of the run of $fails (exit 3)"
sleep 0.3
e2e_screenshot recent-runs "$BROWSER"

# --- A double click brings back the xterm that was in front before the browser. ---
wait_for 20 "the browser's rows to be painted" measure_rows
typed="$E2E_HOME/typed"
xterm -title e2e-typed -e sh -c "read line; echo \"\$line\" >'$typed'" >/dev/null 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
wait_for 10 "the xterm" xdotool search --onlyvisible --name '^e2e-typed$'
xterm_window=$(xdotool search --onlyvisible --name '^e2e-typed$' | head -n 1)
xdotool windowactivate --sync "$xterm_window"
wait_for 10 "the xterm to be recorded" log_has "bundleID: XTerm"
# The click into the browser makes Trundle the last active application.
xdotool windowactivate --sync "$BROWSER"
xdotool mousemove --window "$BROWSER" 120 "$(row_y "$(row_of "$scripts" typer.sh)")" \
    click --repeat 2 --delay 80 1
wait_for 20 "the typed line in the xterm" grep -qx hello "$typed"
check "the xterm was brought back" log_has 'Bringing application "XTerm" to front!'

# --- A run by double click, then Ctrl+W closes the window. ---
xdotool windowactivate --sync "$BROWSER"
xdotool mousemove --window "$BROWSER" 120 "$(row_y "$(row_of "$scripts" fine.sh)")" \
    click --repeat 2 --delay 80 1
wait_for 20 "the double-clicked run in Recent Runs" log_has "| double click | fine.sh |"
wait_for 10 "the progress panel to go" panel_gone
xdotool key ctrl+w
browser_gone() { ! browser_window >/dev/null; }
wait_for 10 "the browser window to close on Ctrl+W" browser_gone

# --- The browser closed, a hot key's run still shows: name, output, no taskbar, no urgency. ---
xdotool key F9
wait_for 10 "the progress panel" panel_shown
panel=$(xdotool search --onlyvisible --name '^Running script$' | head -n 1)
sleep 1.5 # the panel's lines and its clock, for the picture
e2e_screenshot progress-panel
import -display "$DISPLAY" -window "$panel" -frame "$E2E_ARTIFACTS/progress-panel.png" 2>/dev/null
xprop -id "$panel" >"$E2E_HOME/panel.xprop"
check "the panel is kept out of the taskbar" grep -q '_NET_WM_STATE_SKIP_TASKBAR' "$E2E_HOME/panel.xprop"
check "the panel does not ask for attention" \
    test -z "$(grep -E 'DEMANDS_ATTENTION|urgency' "$E2E_HOME/panel.xprop" || true)"
check "the panel is a utility window" grep -q '_NET_WM_WINDOW_TYPE_UTILITY' "$E2E_HOME/panel.xprop"
check "the panel does not take the keyboard" test "$(xdotool getactivewindow)" != "$panel"
touch "$go"
wait_for 10 "the progress panel to go" panel_gone

# --- A second start brings the closed window back. ---
status=0
"$TRUNDLE" >"$E2E_HOME/second.out" 2>"$E2E_HOME/second.err" || status=$?
check "the second start exits with status 0" test "$status" -eq 0
check "the second start says nothing" test ! -s "$E2E_HOME/second.err" -a ! -s "$E2E_HOME/second.out"
wait_for 20 "the browser window to come back" browser_window
check "the running copy was asked for it" log_has "A second start asks for the browser window."

# --- A running copy that cannot answer: the second start says so. ---
kill -STOP "$TRUNDLE_PID"
status=0
"$TRUNDLE" >"$E2E_HOME/third.out" 2>"$E2E_HOME/third.err" || status=$?
kill -CONT "$TRUNDLE_PID"
check "the second start fails when nobody answers" test "$status" -eq 1
check "it says why" grep -qF "but it did not answer within" "$E2E_HOME/third.err"

stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
check "the new preference was not written without being set" \
    test "$(settings_value PreferencesNotifyFailedRunsSettingKey)" = '"<missing>"'
e2e_log "passed"
