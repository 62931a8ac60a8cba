#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Trundle starts with its tray icon, mirrors the script folders in the tray menu, runs a script
# chosen there, keeps one copy running, saves its settings when it is stopped by a signal, and
# asks before Quit ends a running script.
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
marker="$E2E_HOME/ran"
cat >"$scripts/hello.sh" <<SCRIPT
#!/bin/sh
echo "hello from the tray"
echo ran >"$marker"
SCRIPT
chmod +x "$scripts/hello.sh"
printf '#!/bin/sh\ntouch "%s.hidden"\n' "$marker" >"$scripts/.hidden.sh"
mkdir "$scripts/Sub"
printf '#!/bin/sh\n' >"$scripts/Sub/inner.sh"
ln -s "$E2E_HOME/nowhere" "$scripts/dangling.sh"
mkdir -p "$scripts/Trundle Scripts"

# --- First start: no settings file; a signal saves the defaults and the open rows. ---
start_trundle
e2e_screenshot first-start
check "a capture file is not left behind at start" test -z "$(ls "$XDG_RUNTIME_DIR" | grep Quillbox || true)"
stop_trundle TERM || fail "trundle did not exit cleanly on SIGTERM"
check "settings were saved on SIGTERM" test -f "$SETTINGS"
check "exactly the three settings are saved" \
    test "$(settings_keys)" = "PreferencesDebugLoggingSettingKey PreferencesExpandedFileSystemItemsPathsSettingKey PreferencesShortcutsAndScriptPathsSettingKey"
check "debug logging is off by default" test "$(settings_value PreferencesDebugLoggingSettingKey)" = false
check "the hot-key table is empty" test "$(settings_value PreferencesShortcutsAndScriptPathsSettingKey)" = "{}"
check "the open rows are a list" test "$(settings_value PreferencesExpandedFileSystemItemsPathsSettingKey | cut -c1)" = "["

# --- With debug logging stored as on: the walk's lines, running a script from the menu. ---
write_settings '<key>PreferencesDebugLoggingSettingKey</key><true/>'
: >"$TRUNDLE_LOG"
start_trundle

# A second copy shows the running one's window and leaves without a word.
second=$("$TRUNDLE" 2>&1) || fail "the second copy failed instead of leaving quietly"
check "a second copy leaves quietly" test -z "$second"
check "the running copy was asked to show its window" \
    log_has "A second start asks for the browser window."


# The menu lists the folder sorted by name, as the browser does; the submenu has no row of the
# folder's own, so the script is one up from its browser row.
index=$(($(row_of "$scripts" hello.sh) - 1))
open_tray_menu
# Scripts > ~/Library/Scripts > hello.sh
xdotool key Down Down Right Right
sleep 0.3
for _ in $(seq "$index"); do xdotool key Down; done
sleep 0.3
e2e_screenshot scripts-menu
# The submenu lists its folder as it opens.
check "dot-files are skipped" log_has "Found dot-file at: $scripts/.hidden.sh (ignoring)"
check "folders become submenus" log_has "Found folder at: $scripts/Sub"
check "scripts become items" log_has "Found scriptfile at: $scripts/hello.sh"
check "a dangling link is skipped" log_has "Found a link to nothing at: $scripts/dangling.sh (ignoring)"
xdotool key Return
wait_for 10 "the chosen script to run" test -f "$marker"
check "the hidden script never ran" test ! -e "$marker.hidden"
wait_for 5 "the script's output in the log" log_has "hello from the tray"
# The output shows first in the capture's own debug lines; the heading comes with the last one.
wait_for 5 "the end of the script's run in the log" log_has "(Shell-)Script returned this:"
check "the output is logged under the shell heading" \
    grep -A1 -F "(Shell-)Script returned this:" "$TRUNDLE_LOG" -q
check "no capture file is left behind" test -z "$(ls "$XDG_RUNTIME_DIR" | grep Quillbox || true)"

stop_trundle INT || fail "trundle did not exit cleanly on SIGINT"
check "the debug switch survives the restart" test "$(settings_value PreferencesDebugLoggingSettingKey)" = true
check "no run-time key is saved" \
    test "$(settings_keys)" = "PreferencesDebugLoggingSettingKey PreferencesExpandedFileSystemItemsPathsSettingKey PreferencesShortcutsAndScriptPathsSettingKey"

# --- Quit from the tray while a script runs asks first: cancelled, the script goes on; confirmed,
# the script and Trundle end. The menu's mnemonic Q chooses Quit. ---
cat >"$scripts/slow.sh" <<SCRIPT
#!/bin/sh
echo \$\$ >"$E2E_HOME/slow.pid"
exec sleep 300
SCRIPT
chmod +x "$scripts/slow.sh"
start_trundle
index=$(($(row_of "$scripts" slow.sh) - 1))
open_tray_menu
xdotool key Down Down Right Right
for _ in $(seq "$index"); do xdotool key Down; done
xdotool key Return
wait_for 10 "the slow script to start" test -s "$E2E_HOME/slow.pid"
slow=$(cat "$E2E_HOME/slow.pid")
question_shown() { xdotool search --onlyvisible --name '^Quit Trundle$' >/dev/null 2>&1; }
question_gone() { ! question_shown; }
open_tray_menu
xdotool key q
wait_for 10 "the question before quitting" question_shown
e2e_screenshot quit-question
xdotool key Escape
wait_for 10 "the question to go" question_gone
check "cancelled, Trundle goes on" kill -0 "$TRUNDLE_PID"
check "cancelled, the script goes on" kill -0 "$slow"
open_tray_menu
xdotool key q
wait_for 10 "the question before quitting" question_shown
xdotool key Return
status=0
wait "$TRUNDLE_PID" || status=$?
forget_pid "$TRUNDLE_PID"
check "confirmed, Trundle ends cleanly" test "$status" -eq 0
# Ended, or a zombie that nobody reaps here (the test's PID 1 may not).
script_gone() { ! kill -0 "$slow" 2>/dev/null || ps -o stat= -p "$slow" | grep -q Z; }
check "confirmed, the script was stopped" script_gone

# --- Without any display the program says so in one sentence. ---
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$TRUNDLE" 2>&1) && fail "started without a display"
check "without a display it says so" grep -q "needs a graphical desktop session" <<<"$message"

e2e_log "passed"
