#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Crash safety of the settings file: Trundle is killed with SIGKILL at random moments while it
# saves, over and over, and after every kill the settings file must be a whole property list
# holding either the state before the kill or a state the program saved since, never a mix.
#
# Each round starts Trundle on the file the last round left, opens the preferences window from
# the browser window's menu bar with the keyboard, and ticks the debug-logging box with the
# space bar as fast as xdotool can type;
# every tick saves the whole file. After a random 0 to 400 ms of ticking the program is killed.
# The file was seeded once with hot keys, open rows and a key of another version; all of them
# must come through every round unchanged, and the next start must accept the file as it is
# (no Trundle.plist.corrupt-* copy). Environment: CRASH_ROUNDS (default 200), CRASH_OPEN_ROWS
# (default 300: the length of the list of open rows in the file, which sets how long a save
# takes; with 300 rows about 40 % of the ticking time is spent inside saves).
. "$(dirname "$0")/lib.sh"
e2e_setup

rounds=${CRASH_ROUNDS:-200}
folder=$(dirname "$SETTINGS")

# The seed: everything the program keeps besides the switch, with texts that need escaping.
write_settings '
		<key>PreferencesDebugLoggingSettingKey</key>
		<false/>
		<key>PreferencesShortcutsAndScriptPathsSettingKey</key>
		<dict>
			<key>5</key>
			<string>/crash/F5 &amp; friends.sh</string>
			<key>14</key>
			<string>/crash/Grüße &lt;right&gt;.sh</string>
		</dict>
		<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key>
		<array>
			<string>/crash</string>
		</array>
		<key>PreferencesFromAnotherVersionSettingKey</key>
		<integer>-42</integer>'
# A key beside "PreferencesGlobals" that other versions may write must survive too.
python3 - "$SETTINGS" <<'PY'
import os, plistlib, sys
with open(sys.argv[1], "rb") as f:
    data = plistlib.load(f)
data["KeptBesideByAnotherVersion"] = "still here"
# A long list of open rows makes every save take a while, so that most kills land inside one.
data["PreferencesGlobals"]["PreferencesExpandedFileSystemItemsPathsSettingKey"] += [
    f"/crash/folder {i} – é" for i in range(int(os.environ.get("CRASH_OPEN_ROWS", "300")))]
with open(sys.argv[1], "wb") as f:
    plistlib.dump(data, f)
PY
cp "$SETTINGS" "$E2E_HOME/seed.plist"

# Checks the file after each kill against the seed, in one Python process for all rounds: for
# every line with the switch's previous value it answers "same <value>" or "changed <value>",
# or "broken <reason>" when the file is not a whole property list of the expected content.
coproc VERIFIER {
    python3 -u - "$SETTINGS" "$E2E_HOME/seed.plist" 3<&0 <<'PY'
import os, plistlib, sys
path, seed_path = sys.argv[1], sys.argv[2]
with open(seed_path, "rb") as f:
    seed = plistlib.load(f)
seed["PreferencesGlobals"].pop("PreferencesDebugLoggingSettingKey")
for previous in os.fdopen(3):
    try:
        with open(path, "rb") as f:
            data = plistlib.load(f)
        switch = data["PreferencesGlobals"].pop("PreferencesDebugLoggingSettingKey")
        assert isinstance(switch, bool), f"the switch is {switch!r}"
        assert data == seed, f"the file differs from the seed beside the switch: {data!r}"
        value = str(switch).lower()
        print("same" if value == previous.strip() else "changed", value)
    except Exception as error:  # anything at all: report it, keep answering
        print("broken", repr(error).replace("\n", " "))
PY
}
E2E_PIDS="$E2E_PIDS $VERIFIER_PID"
verify() { # verify PREVIOUS_SWITCH
    echo "$1" >&"${VERIFIER[1]}"
    local answer
    read -r answer <&"${VERIFIER[0]}"
    echo "$answer"
}

# The browser window's menu bar: Trundle > About, Preferences…; a second try after a key
# press that went elsewhere.
open_preferences_from_menu_bar() {
    local attempt tries
    for attempt in 1 2 3; do
        xdotool key alt+t
        for tries in $(seq 40); do
            if popup_menu_shown; then
                xdotool key Down Return
                return 0
            fi
            sleep 0.05
        done
        e2e_log "the Trundle menu did not open on try $attempt"
        xdotool key Escape
    done
    fail "the Trundle menu does not open"
}
active_window_is() { test "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1"; }

unchanged=0
changed=0
leftovers=0
started=$(date +%s)
switch=false
for round in $(seq "$rounds"); do
    "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
    TRUNDLE_PID=$!
    E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
    wait_for 20 "the browser window in front" active_window_is "Trundle"
    open_preferences_from_menu_bar
    wait_for 10 "the preferences window" active_window_is "Trundle Preferences"
    # Alt+D toggles the debug check box and gives it the focus; then each space toggles it and
    # saves.
    xdotool key alt+d
    xdotool key --delay 3 --repeat 1000 space 2>/dev/null &
    typist=$!
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    kill -KILL "$TRUNDLE_PID"
    wait "$TRUNDLE_PID" 2>/dev/null || true
    forget_pid "$TRUNDLE_PID"
    kill "$typist" 2>/dev/null || true
    wait "$typist" 2>/dev/null || true
    # The typist may have been stopped between pressing and releasing the key.
    xdotool keyup space

    result=$(verify "$switch")
    case $result in
        broken*) fail "round $round: the settings file is not whole after the kill: $result" ;;
        same*) unchanged=$((unchanged + 1)) ;;
        changed*) changed=$((changed + 1)) ;;
    esac
    switch=${result#* }
    if [ -n "$(find "$folder" -maxdepth 1 -name 'Trundle.plist.corrupt-*')" ]; then
        fail "round $round: Trundle found the file unusable and kept a corrupt copy"
    fi
    # A kill between naming the new file and renaming it over the old one leaves the new one
    # under a temporary name; it is counted and cleared away.
    leftovers=$((leftovers + $(find "$folder" -maxdepth 1 -type f ! -name Trundle.plist | wc -l)))
    find "$folder" -maxdepth 1 -type f ! -name Trundle.plist -delete
    [ $((round % 25)) -eq 0 ] && e2e_log "round $round: $unchanged unchanged, $changed changed"
done
seconds=$(($(date +%s) - started))

e2e_log "$rounds kills in $seconds s: the file was whole every time; $changed times with a" \
    "newer switch, $unchanged times as before; $leftovers temporary files left by cut-off saves"
check "at least one kill came after a save" test "$changed" -gt 0
e2e_log "passed"
