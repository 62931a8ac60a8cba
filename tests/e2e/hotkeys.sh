#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Global hot keys under a real X server, with synthetic input that goes through the server like
# a real keyboard's and mouse's (XTEST, never XSendEvent):
#   - F5, Shift+F5 and a held F5 each run the script bound to 5 exactly once; F13 and letters
#     run nothing; a right click runs the script bound to 14, the wheel runs nothing;
#   - a release while Trundle's own browser window has the focus runs once too;
#   - the application in front (an xterm) is in front while the script runs and afterwards;
#   - 200 releases in a row give exactly 200 runs;
#   - a binding whose script was deleted crashes nothing and leaves the shell's complaint in the
#     debug log under the shell heading.
#
# Every ID from 0 to 19 is bound to a script that appends a line to its own counter file, so a
# release that reached the wrong ID shows up as a count where none belongs. "Nothing ran" is
# checked after the sentinel F7 (lib.sh's counters).
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
COUNTS="$E2E_HOME/counts"
counts=$COUNTS
COUNTED_IDS=$(seq 0 19)
mkdir -p "$scripts/Trundle Scripts"
# The left button (13) is bound too, so this test never clicks it; windows are focused through
# the window manager instead.
bindings=$(bind_counting_scripts "$scripts")
# While the script of F5 runs, it writes down which window is in front. The window manager acts
# on the bring-to-front request on its own time, so the script gives it a moment.
cat >"$scripts/hotkey-5.sh" <<SCRIPT
#!/bin/sh
echo run >>"$counts/5"
for _ in 1 2 3 4 5 6 7 8 9 10; do
    active=\$(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //;s/,.*//')
    [ "\$((active))" = "\$(cat "$E2E_HOME/expected-front" 2>/dev/null || echo none)" ] && break
    sleep 0.05
done
echo "\$((active))" >>"$E2E_HOME/front-during-run"
SCRIPT
# F6 is bound to a script that no longer exists.
printf '#!/bin/sh\n' >"$scripts/deleted.sh"
chmod +x "$scripts/deleted.sh"
bindings=${bindings//"$scripts/hotkey-6.sh"/"$scripts/deleted.sh"}
rm "$scripts/deleted.sh"
write_hotkey_settings "$bindings"

active_window() { printf '%d\n' "$(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //;s/,.*//')"; }
active_is() { test "$(active_window)" = "$1"; }
alive() { kill -0 "$TRUNDLE_PID" 2>/dev/null; }

start_trundle

# An application of someone else's in front: an xterm. The pointer rests on it, so the clicks
# below land on it rather than on the desktop, where the window manager has a menu of its own.
xterm -geometry 80x24+100+100 -e sh -c 'while :; do sleep 60; done' &
E2E_PIDS="$E2E_PIDS $!"
xterm_pid=$!
wait_for 20 "the xterm's window" xdotool search --pid "$xterm_pid"
xterm_window=$(xdotool search --pid "$xterm_pid" | head -n 1)
xdotool windowactivate --sync "$xterm_window"
wait_for 10 "the xterm to be in front" active_is "$xterm_window"
xdotool mousemove --window "$xterm_window" 200 150
echo "$xterm_window" >"$E2E_HOME/expected-front"

# --- Function keys. ---
xdotool key F5
expect_counts "F5 runs the script bound to 5 exactly once" "5:1"
check "the xterm was in front while the script ran" \
    test "$(tail -n 1 "$E2E_HOME/front-during-run")" = "$xterm_window"
wait_for 5 "the xterm to be in front after the run" active_is "$xterm_window"
check "the script's run is in the debug log" log_has "Launching script: $scripts/hotkey-5.sh"

xdotool key shift+F5
expect_counts "Shift+F5 runs it too" "5:2"

xdotool key F13 a z shift+a
expect_counts "F13 and letters run nothing" "5:2"
check "a letter is no hot key" log_has "What key is this??"

xdotool keydown F5
sleep 1
xdotool keyup F5
expect_counts "a key held for a second runs once, on release" "5:3"

# --- Mouse buttons. ---
xdotool click 3
expect_counts "a right click runs the script bound to 14" "5:3 14:1"
xdotool click 4 click 5 click 4 click 5
expect_counts "the wheel runs nothing" "5:3 14:1"
check "the xterm is still in front" active_is "$xterm_window"

# --- A release while Trundle's own window has the focus. ---
browser=""
for window in $(xdotool search --onlyvisible --classname '^trundle$' 2>/dev/null); do
    xwininfo -id "$window" | grep -q 'Override Redirect State: no' && browser=$window && break
done
[ -n "$browser" ] || fail "no browser window"
xdotool windowactivate --sync "$browser"
wait_for 10 "the browser window to be in front" active_is "$browser"
echo "$browser" >"$E2E_HOME/expected-front"
xdotool key F5
expect_counts "F5 with Trundle's window in front runs once" "5:4 14:1"
check "Trundle's window stays in front" active_is "$browser"

# --- 200 releases in a row: none lost, none twice. ---
xdotool windowactivate --sync "$xterm_window"
wait_for 10 "the xterm to be in front again" active_is "$xterm_window"
echo "$xterm_window" >"$E2E_HOME/expected-front"
: >"$E2E_HOME/front-during-run"
# Every change of the active window while the runs go on; the progress panel must not take the
# focus from the xterm even for a moment.
xprop -spy -root _NET_ACTIVE_WINDOW >"$E2E_HOME/active-windows" &
spy=$!
E2E_PIDS="$E2E_PIDS $spy"
keys=$(for _ in $(seq 200); do printf 'F5 '; done)
# shellcheck disable=SC2086
xdotool key --delay 0 $keys
wait_for 120 "200 more runs" count_is 5 204
expect_counts "200 releases give exactly 200 runs" "5:204 14:1"
kill "$spy"
check "the xterm was in front during every one of the 200 runs" \
    test "$(sort -u "$E2E_HOME/front-during-run")" = "$xterm_window"
windows_seen() { sed 's/.*# //;s/,.*//' "$E2E_HOME/active-windows" | while read -r w; do echo $((w)); done | sort -u; }
check "no other window was ever active meanwhile (seen: $(windows_seen | tr '\n' ' '))" \
    test "$(windows_seen)" = "$xterm_window"

# --- A script that was deleted. ---
xdotool key F6
sync_with_trundle
check "Trundle survives a deleted script" alive
check "the shell's complaint is logged under the shell heading" \
    grep -A1 -F "(Shell-)Script returned this:" "$TRUNDLE_LOG" -q
complaint_logged() {
    grep -A1 -F "(Shell-)Script returned this:" "$TRUNDLE_LOG" |
        grep -F "$scripts/deleted.sh" | grep -q "not found"
}
check "the complaint names the script and says it is not found" complaint_logged
check "no capture file is left behind" test -z "$(ls "$XDG_RUNTIME_DIR" | grep Quillbox || true)"

stop_trundle TERM || fail "trundle did not exit cleanly on SIGTERM"
e2e_log "passed"
