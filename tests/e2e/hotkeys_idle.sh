#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle: with hot keys bound and nothing happening, Trundle sleeps in its event loop. Over 60
# seconds without input nothing wakes it, and its processor time (user + system, from /proc)
# grows by no more than a few clock ticks. Kept apart from hotkeys.sh because it has to wait the
# whole minute.
. "$(dirname "$0")/lib.sh"
e2e_setup

idle_seconds=${IDLE_SECONDS:-60}
allowed_ticks=3
# A timer of one second would wake it sixty times.
allowed_wakeups=5

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
cat >"$scripts/hotkey-5.sh" <<SCRIPT
#!/bin/sh
echo run >>"$E2E_HOME/runs"
SCRIPT
chmod +x "$scripts/hotkey-5.sh"
# The debug log tells when start-up is over and the releases are listened to: the tray icon can
# show before that, and a release sent in between would be lost.
write_hotkey_settings "<key>5</key><string>$scripts/hotkey-5.sh</string>"

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
# Let the run's aftermath pass before idle starts:
# - on a loaded machine, or in the sanitizer tree, the repaints that follow can come seconds later;
# - Qt's pooled worker threads (icons, file information) end after 30 s unused, and their ending
#   costs a tick or two that belongs to the run, not to idling.
# Idle starts once no pooled thread is left and two seconds go by without processor use.
pooled_threads() { cat /proc/"$TRUNDLE_PID"/task/*/comm 2>/dev/null | grep -c 'Thread (pooled)'; }
settled() {
    local ticks
    ticks=$(cpu_ticks "$TRUNDLE_PID")
    sleep 2
    [ "$(pooled_threads)" -eq 0 ] && [ "$(cpu_ticks "$TRUNDLE_PID")" -eq "$ticks" ]
}
attempts=40
until settled; do
    attempts=$((attempts - 1))
    [ "$attempts" -gt 0 ] || fail "Trundle did not settle within 80 s of the run"
done

# Wake-ups of all of Trundle's threads: a timer or a polling loop shows here whatever the load.
wakeups() { cat /proc/"$TRUNDLE_PID"/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }

log_lines_before=$(wc -l <"$TRUNDLE_LOG")
wakeups_before=$(wakeups)
before=$(cpu_ticks "$TRUNDLE_PID")
sleep "$idle_seconds"
after=$(cpu_ticks "$TRUNDLE_PID")
used=$((after - before))
woken=$(($(wakeups) - wakeups_before))
e2e_log "processor time used over $idle_seconds s idle: $used ticks of 1/$(getconf CLK_TCK) s, $woken wake-ups"
# What woke Trundle, if anything: the debug log of the idle minute.
idle_log_lines=$(($(wc -l <"$TRUNDLE_LOG") - log_lines_before))
e2e_log "lines logged while idle: $idle_log_lines"
[ "$idle_log_lines" -eq 0 ] || tail -n "+$((log_lines_before + 1))" "$TRUNDLE_LOG" | head -n 20 >&2
check "idle for $idle_seconds s costs at most $allowed_ticks ticks (used $used)" \
    test "$used" -le "$allowed_ticks"
check "idle for $idle_seconds s wakes Trundle at most $allowed_wakeups times (woken $woken)" \
    test "$woken" -le "$allowed_wakeups"
check "the runs are as many as the releases" test "$(wc -l <"$E2E_HOME/runs")" -eq 1

stop_trundle TERM || fail "trundle did not exit cleanly on SIGTERM"
e2e_log "passed"
