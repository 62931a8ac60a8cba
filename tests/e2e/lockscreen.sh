#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hot keys while the screen is locked, under a real X server with screen lockers from Debian and
# logind played by a stand-in on a bus of the test's own (DBUS_SYSTEM_BUS_ADDRESS):
#   - while i3lock or xsecurelock holds the screen, bound F-key and button releases run nothing,
#     each with a debug line saying why; once the locker has gone, each release runs once;
#   - the question costs the application in front nothing: xev on the xterm in front sees no
#     focus change while bound releases are checked;
#   - a release while Trundle's own tray menu is open still runs once;
#   - logind's LockedHint, and Active false (another user's session in front), hold hot keys
#     back until they change back; logind gone means unknown, which holds nothing back;
#   - with the buttons swapped for a left hand while Trundle runs, the physical left button runs
#     the right button's script (ID 14), and runs the left button's (13) again once swapped back.
#
# The grab of a locker shows on the xterm as FocusOut with mode NotifyGrab, its end as FocusIn
# with NotifyUngrab; releases while locked have been handled once their "withheld" lines are in
# the log, so the locker is stopped only then.
. "$(dirname "$0")/lib.sh"
e2e_setup
[ -n "${LOGIND_STANDIN:-}" ] || fail "LOGIND_STANDIN names no program"

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
COUNTS="$E2E_HOME/counts"
# F5, the sentinel F7, the right (14) and middle (15) buttons. The left button (13) stays
# unbound while the tray menu is opened with it.
COUNTED_IDS="5 7 13 14 15"
write_counting_settings "$scripts" 13

log_count_is() { test "$(log_count "$1")" -ge "$2"; }
withheld() { log_count "Hot key withheld"; }
focus_events() { grep -c '^Focus' "$E2E_HOME/focus-events" || true; }
grab_events() { grep -c "mode $1," "$E2E_HOME/focus-events" || true; }
grab_events_are() { test "$(grab_events "$1")" -ge "$2"; }

# --- The private system bus, without logind on it for now. ---
start_private_bus system
export XDG_SESSION_ID=c7

start_trundle
wait_for 20 "Trundle to ask for its session" log_has "logind: GetSession failed"

# An application of someone else's in front, with xev following its focus. It stands clear of
# Trundle's browser window, which a late raise at start-up could otherwise put under the clicks.
xterm -geometry 80x24+620+100 -e sh -c 'while :; do sleep 60; done' &
xterm_pid=$!
E2E_PIDS="$E2E_PIDS $xterm_pid"
wait_for 20 "the xterm's window" xdotool search --pid "$xterm_pid"
xterm_window=$(xdotool search --pid "$xterm_pid" | head -n 1)
xdotool windowactivate --sync "$xterm_window"
xdotool mousemove --window "$xterm_window" 200 150
xev -id "$xterm_window" -event focus >"$E2E_HOME/focus-events" 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
sync_with_trundle # the spy is listening once the server has handled its request and more

# --- Unlocked: every bound release runs, and asking shows nothing in front. ---
for _ in 1 2 3; do xdotool key F5 click 3 click 2; done
expect_counts "unlocked, each release runs once" "5:3 14:3 15:3"
check "no bound release was withheld" test "$(withheld)" -eq 0
check "the xterm saw no focus change while bound releases were checked ($(focus_events) seen)" \
    test "$(focus_events)" -eq 0

# --- Real screen lockers. ---
# What each bound ID has run so far.
n5=3
n14=3
n15=3
runs_so_far() { echo "5:$n5 7:$SENTINELS 14:$n14 15:$n15"; }
locked_and_released() { # locked_and_released NAME COMMAND...
    local name=$1 before ungrabs locker
    shift
    ungrabs=$(grab_events NotifyUngrab)
    "$@" >"$E2E_HOME/$name.log" 2>&1 &
    locker=$!
    E2E_PIDS="$E2E_PIDS $locker"
    wait_for 30 "$name to take the keyboard" grab_events_are NotifyGrab $((ungrabs + 1))
    e2e_screenshot "$name"
    before=$(withheld)
    xdotool key F5 click 3 click 2 key F7
    wait_for 30 "the releases under $name to be handled" \
        log_count_is "Hot key withheld" $((before + 4))
    check "under $name, nothing ran (runs: $(all_counts))" test "$(all_counts)" = "$(runs_so_far)"
    check "the log says why" log_has "another program holds the keyboard"
    kill "$locker"
    wait "$locker" 2>/dev/null || true
    forget_pid "$locker"
    wait_for 30 "$name's grab to end" grab_events_are NotifyUngrab $((ungrabs + 1))
    xdotool key F5 click 3 click 2
    n5=$((n5 + 1)) n14=$((n14 + 1)) n15=$((n15 + 1))
    expect_counts "after $name has gone, each release runs once" "5:$n5 14:$n14 15:$n15"
}
locked_and_released i3lock i3lock -n
locked_and_released xsecurelock env XSECURELOCK_NO_COMPOSITE=1 xsecurelock

# --- Trundle's own menu grabs the keyboard too, through Qt's connection: not another client. ---
before=$(withheld)
clicks=${TRAY_MENU_CLICKS:-0}
open_tray_menu # right clicks on the icon: the right button's script runs for each
n14=$((n14 + TRAY_MENU_CLICKS - clicks))
xdotool key F5
n5=$((n5 + 1))
wait_for 20 "F5 to run with the tray menu open" count_is 5 "$n5"
check "with the tray menu open, F5 was not withheld" test "$(withheld)" -eq "$before"
menu_closed() { ! popup_menu_shown; }
menu_closed || xdotool key Escape
wait_for 10 "the tray menu to close" menu_closed
xdotool mousemove --window "$xterm_window" 200 150
expect_counts "with the tray menu open, F5 ran exactly once" "5:$n5 14:$n14 15:$n15"

# --- logind, played by the stand-in. ---
"$LOGIND_STANDIN" >"$E2E_HOME/logind.log" 2>&1 &
logind=$!
E2E_PIDS="$E2E_PIDS $logind"
wait_for 30 "Trundle to find its session" log_has "logind session c7: locked no, active yes"
# Changes the session through logind's own methods and waits until Trundle has heard of it.
session_call() { # session_call "state Trundle logs afterwards" OBJECT METHOD ARGUMENT
    local seen
    seen=$(log_count "session c7: $1")
    dbus-send --system --print-reply --dest=org.freedesktop.login1 "$2" "$3" "$4" >/dev/null
    wait_for 30 "Trundle to hear of it: $1" log_count_is "session c7: $1" $((seen + 1))
}
locked_hint() { # locked_hint true|false "state"
    session_call "$2" /org/freedesktop/login1/session/c7 \
        org.freedesktop.login1.Session.SetLockedHint "boolean:$1"
}
activate() { # activate SESSION "state"
    session_call "$2" /org/freedesktop/login1 org.freedesktop.login1.Manager.ActivateSession \
        "string:$1"
}

locked_hint true "locked yes, active yes"
before=$(withheld)
xdotool key F5 click 3
wait_for 30 "the releases while logind says locked" log_count_is "Hot key withheld" $((before + 2))
check "with LockedHint, the log says why" log_has "the session is locked"
locked_hint false "locked no, active yes"
xdotool key F5 click 3
n5=$((n5 + 1)) n14=$((n14 + 1))
expect_counts "LockedHint: nothing ran while locked, one run each after" "5:$n5 14:$n14 15:$n15"

activate c8 "locked no, active no"
before=$(withheld)
xdotool key F5
wait_for 30 "the release while another session is in front" \
    log_count_is "Hot key withheld" $((before + 1))
check "with another session in front, the log says why" log_has "not the active one"
activate c7 "locked no, active yes"
xdotool key F5
n5=$((n5 + 1))
expect_counts "Active: nothing ran while another session was in front" "5:$n5 14:$n14 15:$n15"

# logind stops while the session is locked: unknown again, nothing is held back.
locked_hint true "locked yes, active yes"
kill "$logind"
wait "$logind" 2>/dev/null || true
forget_pid "$logind"
wait_for 30 "Trundle to notice that logind went away" log_has "logind went away"
xdotool key F5
n5=$((n5 + 1))
expect_counts "without logind, F5 runs" "5:$n5 14:$n14 15:$n15"
stop_trundle TERM || fail "trundle did not exit cleanly on SIGTERM"

# --- Buttons swapped for a left hand while Trundle runs. ---
COUNTED_IDS="7 13 14"
rm -rf "$COUNTS"
SENTINELS=0
write_counting_settings "$scripts"
: >"$TRUNDLE_LOG"
start_trundle
xdotool windowactivate --sync "$xterm_window"
xdotool mousemove --window "$xterm_window" 200 150
mapping() { # mapping "3 2 1" LEFT: sets the map, waits until Trundle has read it
    local seen
    seen=$(log_count "the physical left button is $2")
    xmodmap -e "pointer = $1" 2>/dev/null
    wait_for 30 "Trundle to read the mapping $1" log_count_is "the physical left button is $2" $((seen + 1))
}
sync_with_trundle
mapping "3 2 1" 3
xdotool click 1
expect_counts "swapped: the physical left button runs the right button's script" "14:1"
xdotool click 3
expect_counts "swapped: the physical right button runs the left button's script" "13:1 14:1"
mapping "1 2 3" 1
xdotool click 1
expect_counts "swapped back: the physical left button is the left button again" "13:2 14:1"

stop_trundle TERM || fail "trundle did not exit cleanly on SIGTERM"
e2e_log "passed"
