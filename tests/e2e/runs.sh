#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs never make Trundle deaf, and nothing is lost when the program ends in the middle of one:
#   - while a bound script hangs, the tray menu opens;
#   - releases that arrive during a run wait for it and then run in arrival order, each once
#     (200 of them, half during the run and half after);
#   - the Stop button of the progress panel ends the run and everything the script started,
#     even processes that ignore SIGTERM;
#   - SIGTERM during a hanging run ends the script's processes, saves the settings and exits;
#   - a hot key bound in the browser window is in the file even when the X server is killed,
#     and the program's termination still runs.
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
journal="$E2E_HOME/journal"
mkdir -p "$scripts/Trundle Scripts"

# F5 waits for a go-ahead; F6 hangs for good, ignores SIGTERM and leaves a child that ignores it
# too, and notes the process group it runs in; F8 and F9 note their letter.
cat >"$scripts/waits.sh" <<SCRIPT
#!/bin/sh
echo started >>"$journal"
while [ ! -e "$E2E_HOME/go" ]; do sleep 0.05; done
SCRIPT
cat >"$scripts/hangs.sh" <<SCRIPT
#!/bin/sh
trap '' TERM
sleep 1000 &
ps -o pgid= \$\$ | tr -d ' ' >"$E2E_HOME/hang-group"
while :; do sleep 1; done
SCRIPT
printf '#!/bin/sh\necho a >>"%s"\n' "$journal" >"$scripts/a.sh"
printf '#!/bin/sh\necho b >>"%s"\n' "$journal" >"$scripts/b.sh"
printf '#!/bin/sh\necho bound in the window >>"%s"\n' "$journal" >"$scripts/later.sh"
chmod +x "$scripts"/*.sh
write_hotkey_settings "
<key>5</key><string>$scripts/waits.sh</string>
<key>6</key><string>$scripts/hangs.sh</string>
<key>8</key><string>$scripts/a.sh</string>
<key>9</key><string>$scripts/b.sh</string>"

lines() { if [ -f "$journal" ]; then wc -l <"$journal"; else echo 0; fi; }
lines_are() { test "$(lines)" -eq "$1"; }
# The processes of a process group that are still alive (not zombies).
group_members() { ps -eo pgid=,stat= | awk -v g="$1" '$1 == g && $2 !~ /^Z/' | wc -l; }
group_gone() { test "$(group_members "$1")" -eq 0; }
hang_started() { test -s "$E2E_HOME/hang-group"; }
exited() { ! kill -0 "$TRUNDLE_PID" 2>/dev/null; }
now_ms() { date +%s%3N; }

start_trundle
wait_for 10 "the browser window" browser_window
BROWSER=$(browser_window)

# --- A run that waits: the tray menu opens meanwhile. ---
xdotool key F5
wait_for 20 "the waiting script to start" lines_are 1
open_tray_menu
e2e_screenshot menu-during-run
check "the tray menu opens while a script runs" popup_menu_shown
xdotool key Escape

# --- 200 releases, alternating F8 and F9: half during the run, half after it. ---
keys=$(for _ in $(seq 50); do printf 'F8 F9 '; done)
# shellcheck disable=SC2086
xdotool key --delay 0 $keys
sleep 0.5
check "nothing waiting has run during the run" lines_are 1
touch "$E2E_HOME/go"
# shellcheck disable=SC2086
xdotool key --delay 0 $keys
wait_for 120 "200 runs" lines_are 201
sleep 0.5
expected=$(for _ in $(seq 100); do printf 'a\nb\n'; done)
check "200 releases gave 200 runs, in the order of the releases" \
    test "$(tail -n +2 "$journal")" = "$expected"
check "no capture of the output lies in the runtime folder" \
    test -z "$(find "$XDG_RUNTIME_DIR" -name '*Quillbox*')"

# --- The panel's Stop button ends a hanging run with all it started. ---
xdotool key F6
wait_for 20 "the hanging script" hang_started
wait_for 10 "the progress panel" panel_shown
group=$(cat "$E2E_HOME/hang-group")
panel=$(xdotool search --onlyvisible --name '^Running script$' | head -n 1)
e2e_screenshot stop-button "$panel"
eval "$(xdotool getwindowgeometry --shell "$panel")"
stopped_at=$(now_ms)
xdotool mousemove --window "$panel" $((WIDTH - 50)) $((HEIGHT - 22)) click 1
wait_for 20 "the stopped script's processes to end" group_gone "$group"
e2e_log "Stop: the script's processes were gone after $(($(now_ms) - stopped_at)) ms"
wait_for 10 "the progress panel to go" panel_gone
check "the stop is in the log" log_has "Stopping $scripts/hangs.sh"
xdotool key F8
wait_for 20 "a run after the stopped one" lines_are 202

# --- SIGTERM during a hanging run. ---
rm -f "$E2E_HOME/hang-group"
xdotool key F6
wait_for 20 "the hanging script" hang_started
group=$(cat "$E2E_HOME/hang-group")
check "no open rows are stored before the termination" \
    test "$(settings_value PreferencesExpandedFileSystemItemsPathsSettingKey)" = '"<missing>"'
signalled_at=$(now_ms)
kill -TERM "$TRUNDLE_PID"
wait_for 20 "Trundle to exit after SIGTERM" exited
e2e_log "SIGTERM during a hanging run: Trundle exited after $(($(now_ms) - signalled_at)) ms"
wait "$TRUNDLE_PID" || true
forget_pid "$TRUNDLE_PID"
check_sanitizer_reports || fail "Trundle's run was not clean"
check "no process of the script is left" group_gone "$group"
check "the termination saved the settings" \
    test "$(settings_value PreferencesExpandedFileSystemItemsPathsSettingKey)" != '"<missing>"'

# --- A hot key bound in the browser window survives the X server's death. ---
write_settings "<key>PreferencesDebugLoggingSettingKey</key><true/>
<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key><array><string>$scripts</string></array>"
start_trundle
wait_for 10 "the browser window" browser_window
BROWSER=$(browser_window)
xdotool windowactivate --sync "$BROWSER"
wait_for 20 "the browser's rows to be painted" measure_rows
row=$(row_of "$scripts" later.sh)
xdotool mousemove --window "$BROWSER" "$(hot_key_x)" "$(row_y "$row")" click 1
sleep 0.8
# The list opens on "None"; F10 is ten below.
xdotool key Down Down Down Down Down Down Down Down Down Down Return
bound() { test "$(settings_value PreferencesShortcutsAndScriptPathsSettingKey)" = \
    "$(python3 -c 'import json,sys; print(json.dumps({"10": sys.argv[1]}))' "$scripts/later.sh")"; }
wait_for 10 "the binding in the settings file" bound
ends_before=$(grep -c 'applicationWillTerminate (.*): End\.' "$TRUNDLE_LOG" || true)
kill -KILL "$E2E_XVFB_PID"
wait_for 20 "Trundle to exit after the X server died" exited
wait "$TRUNDLE_PID" || true
forget_pid "$TRUNDLE_PID"
check "the binding made in the browser window is in the file" bound
check "the termination ran when the X connection broke" \
    test "$(grep -c 'applicationWillTerminate (.*): End\.' "$TRUNDLE_LOG")" -gt "$ends_before"
check_sanitizer_reports || fail "Trundle's run was not clean"
e2e_log "passed"
