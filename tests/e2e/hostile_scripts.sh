#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Scripts and sessions as people have them. Each case is a function hostile_<name>, listed in
# HOSTILE_CASES, that starts Trundle itself (through a wrapper where the way it is started
# matters), drives it with hot keys and stops it again:
#   sigchld_ignored    started by a parent that ignores SIGCHLD: runs end and the next one runs;
#   tty_reader         started from a terminal: a script reading /dev/tty fails at once;
#   fifo               an executable FIFO bound to a key leaves Trundle answering;
#   output_holder      `yes &` left holding the output pipe costs no CPU after its budget;
#   lingering_holders  50 runs leaving `sleep 100000 &` keep the descriptor count flat;
#   descriptors        a script sees only descriptors 0, 1 and 2, even those Trundle inherited;
#   odd_names          two names that differ only in bytes outside UTF-8 run their own files
#                      from the tray menu;
#   settings_neighbours  Trundle.plist.backup and the like survive a start;
#   one_copy           a start without XDG_RUNTIME_DIR beside a running copy gives one copy;
#   renamed_binding    a bound script renamed in the script folder still runs from its key.
# The processes scripts leave behind are noted in $leftovers and ended by their ids at the end.
# Figures (CPU, descriptor counts) are printed; the waits are generous limits against hangs.
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
journal="$E2E_HOME/journal"
leftovers="$E2E_HOME/leftovers"
mkdir -p "$scripts"
: >"$leftovers"

# Ends what the scripts left running, by the ids they noted, then the usual clean-up.
end_leftovers() {
    local pid
    while read -r pid; do kill -KILL "$pid" 2>/dev/null || true; done <"$leftovers"
    : >"$leftovers"
}
hostile_cleanup() {
    local status=$?
    end_leftovers
    # A FIFO that someone still waits to read from is opened for writing too, so that it
    # stops waiting and can end.
    local fifo
    for fifo in "$scripts"/*; do if [ -p "$fifo" ]; then : <>"$fifo"; fi; done
    # Trundle may be below a wrapper, where the clean-up's wait does not reach it: it gets
    # SIGTERM here, and SIGKILL if that has not ended it after a generous while.
    if [ -n "${TRUNDLE_PID:-}" ] && kill -TERM "$TRUNDLE_PID" 2>/dev/null; then
        local tries=200
        while kill -0 "$TRUNDLE_PID" 2>/dev/null && [ "$tries" -gt 0 ]; do
            tries=$((tries - 1))
            sleep 0.05
        done
        kill -KILL "$TRUNDLE_PID" 2>/dev/null || true
    fi
    (exit "$status")
    e2e_cleanup
}
trap hostile_cleanup EXIT

# Writes an executable script into the script folder.
make_script() { # make_script NAME BODY
    printf '%s\n' "$2" >"$scripts/$1"
    chmod +x "$scripts/$1"
}
# A script that notes one line in the journal.
make_script note.sh "#!/bin/sh
echo note >>\"$journal\""

# Binds F<id> to a script of the folder for each pair, with the debug log on.
bind_keys() { # bind_keys ID NAME [ID NAME...]
    local bindings=""
    while [ $# -ge 2 ]; do
        bindings="$bindings<key>$1</key><string>$scripts/$2</string>"
        shift 2
    done
    write_hotkey_settings "$bindings"
}

journal_lines() { if [ -f "$journal" ]; then wc -l <"$journal"; else echo 0; fi; }
journal_is() { test "$(journal_lines)" -eq "$1"; }
runs_done() { log_count 'Running command...DONE'; }
runs_done_are() { test "$(runs_done)" -eq "$1"; }

# Starts Trundle through the given wrapper command (none: directly) and waits for its tray
# icon. The wrapper ends with running its arguments. TRUNDLE_PID is the process among the wrapper
# and its descendants that runs Trundle's program, whatever the wrapper forks: a shell in between
# would not do, since sh catches SIGCHLD and so resets an ignored one for what it starts.
TRUNDLE_EXE=$(readlink -f "$(command -v "$TRUNDLE")")
trundle_below() { # trundle_below PID: prints the id
    local child
    if [ "$(readlink "/proc/$1/exe")" = "$TRUNDLE_EXE" ]; then echo "$1"; return 0; fi
    for child in $(ps -o pid= --ppid "$1"); do trundle_below "$child" && return 0; done
    return 1
}
find_trundle() { TRUNDLE_PID=$(trundle_below "$WRAPPER_PID"); }
hostile_start() { # hostile_start [WRAPPER...]
    : >"$journal"
    : >"$TRUNDLE_LOG"
    "$@" "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
    WRAPPER_PID=$!
    E2E_PIDS="$E2E_PIDS $WRAPPER_PID"
    wait_for 20 "Trundle to start" find_trundle
    # A wrapper that ends with exec is Trundle itself.
    [ "$TRUNDLE_PID" = "$WRAPPER_PID" ] || E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
    wait_for 20 "Trundle's tray icon" tray_icon_window >/dev/null
}
hostile_stop() {
    kill -TERM "$TRUNDLE_PID"
    local status=0
    wait_for 20 "Trundle to exit" trundle_gone
    wait "$WRAPPER_PID" || status=$?
    forget_pid "$WRAPPER_PID"
    [ "$TRUNDLE_PID" = "$WRAPPER_PID" ] || forget_pid "$TRUNDLE_PID"
    TRUNDLE_PID=""
    check_sanitizer_reports || fail "Trundle's run was not clean"
    check "Trundle exited with status 0 on SIGTERM" test "$status" -eq 0
}
# Runs a command with a terminal of its own as its controlling terminal.
under_terminal() { script -qfec "$1" /dev/null; }

# Ended: gone, or a zombie that its parent (the test itself, without a wrapper) has yet to reap.
trundle_gone() { ! grep -qs '^State:[[:space:]]*[^Z]' "/proc/$TRUNDLE_PID/status"; }
# Trundle's CPU time (user and system) in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$TRUNDLE_PID/stat"; }
descriptor_count() { find "/proc/$TRUNDLE_PID/fd" -mindepth 1 -maxdepth 1 | wc -l; }

# --- The cases ---

# Runs a program with SIGCHLD ignored, as some session scripts and launchers leave it.
ignoring_sigchld() {
    python3 -c 'import os, signal, sys
signal.signal(signal.SIGCHLD, signal.SIG_IGN)
os.execv(sys.argv[1], sys.argv[1:])' "$@"
}

hostile_sigchld_ignored() {
    # SIGCHLD (17) is bit 16 of the mask: the lowest of the fifth hex digit from the right.
    check "the wrapper leaves SIGCHLD ignored" ignoring_sigchld "$(command -v grep)" -qE \
        '^SigIgn:\s*[0-9a-f]*[13579bdf][0-9a-f]{4}$' /proc/self/status
    bind_keys 5 note.sh
    hostile_start ignoring_sigchld
    xdotool key F5
    wait_for 20 "the first run" journal_is 1
    xdotool key F5
    wait_for 20 "the second run" journal_is 2
    wait_for 20 "both runs to end" runs_done_are 2
    hostile_stop
}

hostile_tty_reader() {
    make_script tty.sh '#!/bin/sh
set -e
read answer </dev/tty
echo "answered $answer"'
    bind_keys 5 tty.sh 6 note.sh
    hostile_start under_terminal
    xdotool key F5 F6
    wait_for 20 "the run after the terminal reader" journal_is 1
    check "the terminal reader failed with its own message" log_has 'cannot open /dev/tty'
    check "the terminal reader's failure is told" log_has 'Telling the user: Trundle: tty.sh failed'
    hostile_stop
}

hostile_fifo() {
    mkfifo "$scripts/fifo.sh"
    chmod +x "$scripts/fifo.sh"
    bind_keys 5 fifo.sh 6 note.sh
    hostile_start
    xdotool key F5
    wait_for 20 "the FIFO's run to end" runs_done_are 1
    xdotool key F6
    wait_for 20 "a hot key after the FIFO" journal_is 1
    check "the FIFO's failure is told" log_has 'Telling the user: Trundle: fifo.sh failed'
    second_start() { timeout 30 "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1; }
    check "a second start answers" second_start
    check "Trundle still runs" kill -0 "$TRUNDLE_PID"
    hostile_stop
    rm -f "$scripts/fifo.sh"
}

hostile_output_holder() {
    make_script holder.sh "#!/bin/sh
yes &
echo \$! >>\"$leftovers\"
echo left yes running"
    bind_keys 5 holder.sh 6 note.sh
    hostile_start
    xdotool key F5 F6
    wait_for 20 "the run after the one that left yes running" journal_is 1
    local holder
    holder=$(tail -n 1 "$leftovers")
    wait_for 30 "yes to lose its pipe" eval "! kill -0 $holder"
    local ticks_before ticks_after hz percent
    hz=$(getconf CLK_TCK)
    ticks_before=$(cpu_ticks)
    sleep 3
    ticks_after=$(cpu_ticks)
    percent=$(python3 -c "print(f'{($ticks_after - $ticks_before) * 100 / ($hz * 3):.2f}')")
    e2e_log "CPU after yes was let go: $percent % of a core over 3 s"
    check "Trundle uses below 2 % of a core after the budget" \
        python3 -c "import sys; sys.exit(0 if $percent < 2 else 1)"
    hostile_stop
}

hostile_lingering_holders() {
    make_script lingers.sh "#!/bin/sh
sleep 100000 &
echo \$! >>\"$leftovers\"
echo note >>\"$journal\""
    bind_keys 5 lingers.sh 6 note.sh
    hostile_start
    xdotool key F6
    wait_for 20 "a first run" journal_is 1
    local before after own_session
    before=$(descriptor_count)
    # shellcheck disable=SC2046
    xdotool key --delay 20 $(for _ in $(seq 50); do printf 'F5 '; done)
    wait_for 120 "50 runs" journal_is 51
    e2e_log "descriptors: $before before, $(descriptor_count) just after 50 runs"
    flat() { test "$(descriptor_count)" -le $((before + 2)); }
    wait_for 60 "the descriptor count to come back" flat
    after=$(descriptor_count)
    e2e_log "descriptors: $after once the holders were let go"
    check "50 holders leave the descriptor count flat ($before, $after)" flat
    # Each holder is in its script's session, which is also its process group, not in Trundle's.
    own_session=$(ps -o sid= -p "$TRUNDLE_PID" | tr -d ' ')
    ps -o sid=,pgid= -p "$(paste -sd, "$leftovers")" >"$E2E_HOME/sessions"
    check "all 50 holders still run" test "$(wc -l <"$E2E_HOME/sessions")" -eq 50
    check "each holder runs in its script's session, not Trundle's" test "$(awk -v own="$own_session" \
        '$1 != own && $1 == $2' "$E2E_HOME/sessions" | wc -l)" -eq 50
    end_leftovers
    hostile_stop
}

hostile_descriptors() {
    make_script descriptors.sh '#!/usr/bin/python3
import os
# The listing holds a descriptor of its own while it reads; it is closed by the time of the check.
open_fds = [int(n) for n in os.listdir("/proc/self/fd") if os.path.exists("/proc/self/fd/" + n)]
print("descriptors:", " ".join(str(n) for n in sorted(open_fds)) + ".")'
    bind_keys 5 descriptors.sh
    printf '#!/bin/sh\nexec 9>>"%s"\nexec "$@"\n' "$E2E_HOME/inherited" >"$E2E_HOME/with-fd-9"
    chmod +x "$E2E_HOME/with-fd-9"
    hostile_start "$E2E_HOME/with-fd-9"
    check "Trundle inherited descriptor 9" test -e "/proc/$TRUNDLE_PID/fd/9"
    xdotool key F5
    wait_for 20 "the listing" log_has 'descriptors:'
    check "the script sees only descriptors 0, 1 and 2" log_has 'descriptors: 0 1 2.'
    hostile_stop
}

# Two names that differ only in bytes outside UTF-8 decode to the same text; each menu item
# runs its own file. They sit in a folder of their own, so their place in the menu is known.
hostile_odd_names() {
    local odd="$scripts/Odd" name names index_of_odd i
    mkdir -p "$odd"
    names=$(python3 - "$odd" "$journal" <<'PY'
import os, sys
odd, journal = sys.argv[1].encode(), sys.argv[2].encode()
for name in (b"a\xff.sh", b"a\xef\xbf\xbd.sh"):
    path = os.path.join(odd, name)
    with open(path, "wb") as script:
        script.write(b"#!/bin/sh\necho " + name.hex().encode() + b" >>'" + journal + b"'\n")
    os.chmod(path, 0o755)
# The menu's order is the file system's, as listdir gives it.
print(" ".join(n.hex() for n in os.listdir(odd)))
PY
)
    write_hotkey_settings ""
    hostile_start
    # Counted once Trundle has started: it makes its sample folder at the first start.
    index_of_odd=$(python3 -c 'import os, sys
print([n for n in os.listdir(sys.argv[1]) if not n.startswith(".")].index("Odd"))' "$scripts")
    i=0
    for name in $names; do
        open_tray_menu
        # Scripts > ~/Library/Scripts > Odd > the entry
        xdotool key Down Right Right
        sleep 0.3
        for _ in $(seq "$index_of_odd"); do xdotool key Down; done
        xdotool key Right
        sleep 0.3
        for _ in $(seq "$i"); do xdotool key Down; done
        xdotool key Return
        i=$((i + 1))
        wait_for 20 "the run of entry $i of the odd names" journal_is "$i"
        check "entry $i ran its own file" test "$(tail -n 1 "$journal")" = "$name"
    done
    hostile_stop
    rm -rf "$odd"
}

# A start removes what its own interrupted saves left, and nothing the user keeps beside them.
hostile_settings_neighbours() {
    write_hotkey_settings ""
    local folder kept
    folder=$(dirname "$SETTINGS")
    for kept in backup before old001 AbCdEf; do echo "user's $kept" >"$SETTINGS.$kept"; done
    echo "<?xml half a save" >"$SETTINGS.saving-QwErTy"
    hostile_start
    for kept in backup before old001 AbCdEf; do
        check "Trundle.plist.$kept survives a start" grep -qx "user's $kept" "$SETTINGS.$kept"
    done
    check "the leftover of an interrupted save is removed" test ! -e "$SETTINGS.saving-QwErTy"
    hostile_stop
    rm -f "$folder"/Trundle.plist.*
}

# A copy started without XDG_RUNTIME_DIR finds the running one and leaves; so does the reverse.
hostile_one_copy() {
    # Under logind's /run/user/<uid> the throw-away XDG_RUNTIME_DIR is a session of its own,
    # and a start without it would meet the user's real Trundle.
    if [ -O "/run/user/$(id -u)" ]; then
        e2e_log "skipped: /run/user/$(id -u) is this user's, so the runs would leave the test's session"
        return 0
    fi
    write_hotkey_settings ""
    local second_status=0
    hostile_start env -u XDG_RUNTIME_DIR
    : >"$E2E_HOME/second.log"
    timeout 30 "$TRUNDLE" >"$E2E_HOME/second.log" 2>&1 || second_status=$?
    check "a start with XDG_RUNTIME_DIR beside one without leaves at once (status $second_status)" \
        test "$second_status" -eq 0
    check "the running copy was asked for its window" \
        log_has "A second start asks for the browser window."
    second_status=0
    timeout 30 env -u XDG_RUNTIME_DIR "$TRUNDLE" >>"$E2E_HOME/second.log" 2>&1 || second_status=$?
    check "a start without XDG_RUNTIME_DIR leaves too (status $second_status)" \
        test "$second_status" -eq 0
    check "the lock is not in the runtime folder of one start's environment" \
        test ! -e "$XDG_RUNTIME_DIR/trundle.lock"
    hostile_stop
}

# A bound script renamed in the script folder keeps its key.
hostile_renamed_binding() {
    make_script bound.sh "#!/bin/sh
echo bound >>\"$journal\""
    bind_keys 5 bound.sh
    hostile_start
    xdotool key F5
    wait_for 20 "the bound script's run" journal_is 1
    mv "$scripts/bound.sh" "$scripts/renamed.sh"
    follows() { grep -qF "$scripts/renamed.sh" "$SETTINGS"; }
    wait_for 20 "the binding to follow the rename into the settings file" follows
    xdotool key F5
    wait_for 20 "the renamed script's run from its key" journal_is 2
    check "the hot key followed the rename in the log" log_has "follows its script"
    hostile_stop
    rm -f "$scripts/renamed.sh"
}

# HOSTILE_CASES in the environment runs only those cases.
HOSTILE_CASES=${HOSTILE_CASES:-"sigchld_ignored tty_reader fifo output_holder lingering_holders descriptors
odd_names settings_neighbours one_copy renamed_binding"}

for name in $HOSTILE_CASES; do
    e2e_log "--- $name ---"
    "hostile_$name"
done
e2e_log "passed"
