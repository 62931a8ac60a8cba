#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle: with hot keys bound and nothing happening, Trundle sleeps in its event loop. Over 60
# seconds without input its processor time (user + system, from /proc) grows by no more than a
# few clock ticks. Kept apart from hotkeys.sh because it has to wait the whole minute.
. "$(dirname "$0")/lib.sh"
e2e_setup

idle_seconds=${IDLE_SECONDS:-60}
allowed_ticks=3

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
cat >"$scripts/hotkey-5.sh" <<SCRIPT
#!/bin/sh
echo run >>"$E2E_HOME/runs"
SCRIPT
chmod +x "$scripts/hotkey-5.sh"
# The debug log tells when start-up is over and the releases are listened to: the tray icon can
# show before that, and a release sent in between would be lost.
write_settings "<key>PreferencesDebugLoggingSettingKey</key><true/>
<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict>
<key>5</key><string>$scripts/hotkey-5.sh</string></dict>"

# utime + stime of a process, in clock ticks. The fields after the command name, which sits in
# parentheses and may hold blanks, are counted from the closing parenthesis.
cpu_ticks() {
    local stat
    stat=$(cat "/proc/$1/stat")
    stat=${stat##*) }
    # shellcheck disable=SC2086
    set -- $stat
    echo $((${12} + ${13}))
}

start_trundle
# One hot key first, so the idle minute follows real work (panel, run, bring-to-front) rather
# than only the start.
xdotool key F5
wait_for 20 "the script of F5 to run" test -s "$E2E_HOME/runs"
# Let the window manager's and the panel's aftermath pass.
sleep 3

before=$(cpu_ticks "$TRUNDLE_PID")
sleep "$idle_seconds"
after=$(cpu_ticks "$TRUNDLE_PID")
used=$((after - before))
e2e_log "processor time used over $idle_seconds s idle: $used ticks of 1/$(getconf CLK_TCK) s"
check "idle for $idle_seconds s costs at most $allowed_ticks ticks (used $used)" \
    test "$used" -le "$allowed_ticks"
check "the runs are as many as the releases" test "$(wc -l <"$E2E_HOME/runs")" -eq 1

stop_trundle TERM || fail "trundle did not exit cleanly on SIGTERM"
e2e_log "passed"
