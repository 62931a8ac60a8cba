#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hot keys through a real desktop's global-shortcuts portal: KDE Plasma 5.27's programs
# (xdg-desktop-portal, xdg-desktop-portal-kde, kglobalaccel) on a session bus of the test's own,
# kglobalaccel taking the keys from the virtual X server. The session says it is Wayland, so the
# portal is Trundle's only road to the keys; xdotool presses them as a user would.
#   - F5 bound at start runs its script once per press and release;
#   - the script moved to F9 in the preferences window runs on F9 and no longer on F5;
#   - after a restart with the same bindings the keys still work, and kglobalaccel still keeps
#     one component for Trundle;
#   - the keys come with CreateSession, and BindShortcuts (which opens KDE's settings) is not
#     called. What Trundle asked is kept in the artifacts (portal_kde-portal-calls.log).
. "$(dirname "$0")/lib.sh"
e2e_setup
start_private_bus session
start_notifications_standin
start_kde_portal
export XDG_SESSION_TYPE=wayland

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
COUNTS="$E2E_HOME/counts"
COUNTED_IDS="5 7"
write_counting_settings "$scripts"

# kglobalaccel sees a press through its key grab and the release through X's RECORD, on two
# connections: a release that comes too soon after the press can arrive first and be dropped, and
# the application then gets no Deactivated. Keys are held 100 ms, as a finger does.
KEY_DELAY=200
started=$(date +%s)
start_trundle
grabbed() { test "$(kglobalaccel_grabs "$1")" -ge "$2"; }
wait_for 60 "kglobalaccel to take F5 and F7" eval 'grabbed F5 1 && grabbed F7 1'
first_sentinel
press_keys F5
expect_counts "F5 runs its script once" "5:1"
press_keys F5 F5
expect_counts "each press and release runs it once more" "5:3"
check "one component holds the keys" test "$(kglobalaccel_components | wc -l)" -eq 1
component=$(kglobalaccel_components)

# --- The script moved from F5 to F9 in the preferences window (four below F5 in its pop-up). ---
open_preferences
open_hot_key_popup "$scripts" hotkey-5.sh
xdotool key Down Down Down Down Return
wait_for 60 "kglobalaccel to take F9" grabbed F9 1
press_keys F9
expect_counts "F9 runs the moved script" "5:4"
press_keys F5
expect_counts "F5 runs nothing any more" "5:4"

# --- Restarted with the same bindings. ---
stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
grabs=$(kglobalaccel_grabs F9)
start_trundle
wait_for 60 "kglobalaccel to take F9 for the new run" grabbed F9 $((grabs + 1))
press_keys F9
expect_counts "after a restart F9 still runs its script" "5:5"
check "kglobalaccel keeps the one component ($component)" test "$(kglobalaccel_components)" = "$component"
check "nothing said hot keys do not work" test ! -s "$NOTIFICATIONS"
# KDE's BindShortcuts binds nothing and opens the system settings: the keys came with the session.
check "BindShortcuts was never called" eval '! grep -q "member=BindShortcuts" "$E2E_HOME/portal-calls.log"'
check "every session brought its keys" eval 'grep -A12 "member=CreateSession" "$E2E_HOME/portal-calls.log" | grep -q "string \"shortcuts\""'

stop_trundle TERM || fail "Trundle did not end cleanly on SIGTERM"
keep_logs # what the portal received, for whoever reads the run
e2e_log "passed in $(($(date +%s) - started)) s"
