#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Scripts and sessions as people have them; each case hostile_<name> starts Trundle (through a
# wrapper where that matters), drives it with hot keys and stops it:
#   sigchld_ignored      started with SIGCHLD ignored: runs end and the next one runs;
#   tty_reader           started from a terminal: a script reading /dev/tty fails at once;
#   fifo                 an executable FIFO bound to a key leaves Trundle answering;
#   output_holder        `yes &` holding the output pipe costs no CPU after its budget;
#   lingering_holders    50 runs leaving `sleep 100000 &` keep the descriptor count flat;
#   descriptors          a script sees only 0, 1 and 2, even of what Trundle inherited;
#   odd_names            two names differing only in bytes outside UTF-8 run their own files;
#   settings_neighbours  Trundle.plist.backup and the like survive a start;
#   one_copy             a start without XDG_RUNTIME_DIR beside a running copy gives one copy;
#   renamed_binding      a bound script renamed in the folder still runs from its key.
# What scripts leave running is noted in $leftovers and ended by id. Waits are limits.
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
journal="$E2E_HOME/journal"
leftovers="$E2E_HOME/leftovers"
: >"$leftovers"

end_leftovers() {
    local pid
    while read -r pid; do kill -KILL "$pid" 2>/dev/null || true; done <"$leftovers"
    : >"$leftovers"
}
hostile_cleanup() {
    local status=$? fifo tries=200
    end_leftovers
    # A FIFO someone waits to read is opened for writing too, so the reader ends.
    for fifo in "$scripts"/*; do if [ -p "$fifo" ]; then : <>"$fifo"; fi; done
    # Below a wrapper the clean-up's wait does not reach Trundle: TERM, then KILL.
    if [ -n "${TRUNDLE_PID:-}" ] && kill -TERM "$TRUNDLE_PID" 2>/dev/null; then
        while kill -0 "$TRUNDLE_PID" 2>/dev/null && [ $((tries -= 1)) -gt 0 ]; do sleep 0.05; done
        kill -KILL "$TRUNDLE_PID" 2>/dev/null || true
    fi
    (exit "$status")
    e2e_cleanup
}
trap hostile_cleanup EXIT

make_script() { printf '%s\n' "$2" >"$scripts/$1" && chmod +x "$scripts/$1"; } # NAME BODY
make_script note.sh "#!/bin/sh
echo note >>\"$journal\""
bind_keys() { # ID NAME [ID NAME...]: with the debug log on
    local bindings=""
    while [ $# -ge 2 ]; do bindings="$bindings<key>$1</key><string>$scripts/$2</string>" && shift 2; done
    write_hotkey_settings "$bindings"
}
journal_is() { test "$(wc -l <"$journal")" -eq "$1"; }
runs_done_are() { test "$(log_count 'Running command...DONE')" -eq "$1"; }
press() { # press N "what" KEY...: presses the keys and waits for the journal's Nth line
    xdotool key "${@:3}"
    wait_for 20 "$2" journal_is "$1"
}
second_start() { timeout 30 "$@" "$TRUNDLE" >>"$E2E_HOME/second.log" 2>&1; } # [WRAPPER...]

# TRUNDLE_PID is whichever process below the wrapper runs Trundle's program: a shell in between
# would not do, since sh catches SIGCHLD and so resets an ignored one for what it starts.
TRUNDLE_EXE=$(readlink -f "$(command -v "$TRUNDLE")")
trundle_below() { # PID: prints the id
    local child
    if [ "$(readlink "/proc/$1/exe")" = "$TRUNDLE_EXE" ]; then echo "$1" && return 0; fi
    for child in $(ps -o pid= --ppid "$1"); do trundle_below "$child" && return 0; done
    return 1
}
find_trundle() { TRUNDLE_PID=$(trundle_below "$WRAPPER_PID"); }
hostile_start() { # [WRAPPER...]: the wrapper ends with running its arguments
    : >"$journal"
    : >"$TRUNDLE_LOG"
    "$@" "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
    WRAPPER_PID=$!
    E2E_PIDS="$E2E_PIDS $WRAPPER_PID"
    wait_for 20 "Trundle to start" find_trundle
    [ "$TRUNDLE_PID" = "$WRAPPER_PID" ] || E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
    wait_for 20 "Trundle's tray icon" tray_icon_window >/dev/null
}
# Ended: gone, or a zombie its parent (the test, without a wrapper) has yet to reap.
trundle_gone() { ! grep -qs '^State:[[:space:]]*[^Z]' "/proc/$TRUNDLE_PID/status"; }
hostile_stop() {
    local status=0
    kill -TERM "$TRUNDLE_PID"
    wait_for 20 "Trundle to exit" trundle_gone
    wait "$WRAPPER_PID" || status=$?
    forget_pid "$WRAPPER_PID"
    forget_pid "$TRUNDLE_PID"
    TRUNDLE_PID=""
    check_sanitizer_reports || fail "Trundle's run was not clean"
    check "Trundle exited with status 0 on SIGTERM" test "$status" -eq 0
}
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$TRUNDLE_PID/stat"; }
descriptor_count() { find "/proc/$TRUNDLE_PID/fd" -mindepth 1 -maxdepth 1 | wc -l; }
ignoring_sigchld() {
    python3 -c 'import os, signal, sys
signal.signal(signal.SIGCHLD, signal.SIG_IGN)
os.execv(sys.argv[1], sys.argv[1:])' "$@"
}
under_terminal() { script -qfec "$1" /dev/null; }

hostile_sigchld_ignored() {
    # SIGCHLD (17) is bit 16 of the mask: the lowest bit of the fifth hex digit from the right.
    check "the wrapper leaves SIGCHLD ignored" ignoring_sigchld "$(command -v grep)" -qE \
        '^SigIgn:\s*[0-9a-f]*[13579bdf][0-9a-f]{4}$' /proc/self/status
    bind_keys 5 note.sh
    hostile_start ignoring_sigchld
    press 1 "the first run" F5
    press 2 "the second run" F5
    wait_for 20 "both runs to end" runs_done_are 2
    hostile_stop
}

hostile_tty_reader() {
    make_script tty.sh '#!/bin/sh
read answer </dev/tty && echo "answered $answer"'
    bind_keys 5 tty.sh 6 note.sh
    hostile_start under_terminal
    press 1 "the run after the terminal reader" F5 F6
    check "the terminal reader failed with its own message" log_has 'cannot open /dev/tty'
    check "its failure is told" log_has 'Telling the user: Trundle: tty.sh failed'
    hostile_stop
}

hostile_fifo() {
    mkfifo "$scripts/fifo.sh"
    chmod +x "$scripts/fifo.sh"
    bind_keys 5 fifo.sh 6 note.sh
    hostile_start
    xdotool key F5
    wait_for 20 "the FIFO's run to end" runs_done_are 1
    press 1 "a hot key after the FIFO" F6
    check "the FIFO's failure is told" log_has 'Telling the user: Trundle: fifo.sh failed'
    check "a second start answers" second_start
    check "Trundle still runs" kill -0 "$TRUNDLE_PID"
    hostile_stop
    rm -f "$scripts/fifo.sh"
}

hostile_output_holder() {
    make_script holder.sh "#!/bin/sh
yes &
echo \$! >>\"$leftovers\""
    bind_keys 5 holder.sh 6 note.sh
    hostile_start
    press 1 "the run after the one that left yes running" F5 F6
    wait_for 30 "yes to lose its pipe" eval "! kill -0 $(tail -n 1 "$leftovers")"
    local before percent
    before=$(cpu_ticks)
    sleep 3
    percent=$(python3 -c "print(f'{($(cpu_ticks) - $before) * 100 / ($(getconf CLK_TCK) * 3):.2f}')")
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
    press 1 "a first run" F6
    local before own
    before=$(descriptor_count)
    # shellcheck disable=SC2046
    xdotool key --delay 20 $(printf 'F5 %.0s' $(seq 50))
    wait_for 120 "50 runs" journal_is 51
    flat() { test "$(descriptor_count)" -le $((before + 2)); }
    wait_for 60 "the descriptor count to come back" flat
    e2e_log "descriptors: $before before 50 runs, $(descriptor_count) once their holders were let go"
    # Each holder is in its script's session, which is also its process group.
    own=$(ps -o sid= -p "$TRUNDLE_PID" | tr -d ' ')
    check "all 50 holders run, each in its script's session" test "$(ps -o sid=,pgid= \
        -p "$(paste -sd, "$leftovers")" | awk -v own="$own" '$1 != own && $1 == $2' | wc -l)" -eq 50
    end_leftovers
    hostile_stop
}

hostile_descriptors() {
    make_script descriptors.sh '#!/usr/bin/python3
import os
# The listing holds a descriptor of its own while it reads; it is closed by now.
fds = [n for n in os.listdir("/proc/self/fd") if os.path.exists("/proc/self/fd/" + n)]
print("descriptors:", " ".join(sorted(fds, key=int)) + ".")'
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

# The two names decode to the same text. A folder of their own fixes their place in the menu.
hostile_odd_names() {
    local odd="$scripts/Odd" name names at i=0
    mkdir -p "$odd"
    names=$(python3 - "$odd" "$journal" <<'PY'
import os, sys
odd, journal = sys.argv[1].encode(), sys.argv[2].encode()
for name in (b"a\xff.sh", b"a\xef\xbf\xbd.sh"):
    path = os.path.join(odd, name)
    with open(path, "wb") as script:
        script.write(b"#!/bin/sh\necho " + name.hex().encode() + b" >>'" + journal + b"'\n")
    os.chmod(path, 0o755)
sys.path.insert(0, os.environ["E2E_LIB_DIR"])
from nameorder import sorted_names
print(" ".join(n.hex() for n in sorted_names(os.listdir(odd))))  # the menu's order
PY
)
    write_hotkey_settings ""
    hostile_start
    at=$(($(row_of "$scripts" Odd) - 1)) # after the first start, which makes the sample folder
    for name in $names; do
        open_tray_menu
        # Scripts > ~/Library/Scripts > Odd > the entry
        xdotool key Down Down Right Right
        sleep 0.3
        for _ in $(seq "$at"); do xdotool key Down; done
        xdotool key Right
        sleep 0.3
        for _ in $(seq "$i"); do xdotool key Down; done
        press $((i += 1)) "the run of entry $i of the odd names" Return
        check "entry $i ran its own file" test "$(tail -n 1 "$journal")" = "$name"
    done
    hostile_stop
    rm -rf "$odd"
}

# A start removes its own interrupted saves' leftovers, nothing the user keeps beside them.
hostile_settings_neighbours() {
    local kept
    write_hotkey_settings ""
    for kept in backup before old001 AbCdEf; do echo "user's $kept" >"$SETTINGS.$kept"; done
    echo "<?xml half a save" >"$SETTINGS.saving-QwErTy"
    hostile_start
    for kept in backup before old001 AbCdEf; do
        check "Trundle.plist.$kept survives a start" grep -qx "user's $kept" "$SETTINGS.$kept"
    done
    check "the leftover of an interrupted save is removed" test ! -e "$SETTINGS.saving-QwErTy"
    hostile_stop
    rm -f "$SETTINGS".*
}

# A start without XDG_RUNTIME_DIR finds the running copy and leaves; so does the reverse.
hostile_one_copy() {
    # Under logind's folder a start without the variable would meet the user's real Trundle.
    if [ -O "/run/user/$(id -u)" ]; then
        e2e_log "skipped: /run/user/$(id -u) is this user's"
        return 0
    fi
    write_hotkey_settings ""
    hostile_start env -u XDG_RUNTIME_DIR
    check "a start with XDG_RUNTIME_DIR beside one without leaves at once" second_start
    check "the running copy was asked for its window" log_has "A second start asks for the browser window."
    check "a start without XDG_RUNTIME_DIR leaves too" second_start env -u XDG_RUNTIME_DIR
    check "the lock is not in one start's runtime folder" test ! -e "$XDG_RUNTIME_DIR/trundle.lock"
    hostile_stop
}

hostile_renamed_binding() {
    make_script bound.sh "#!/bin/sh
echo bound >>\"$journal\""
    bind_keys 5 bound.sh
    hostile_start
    press 1 "the bound script's run" F5
    mv "$scripts/bound.sh" "$scripts/renamed.sh"
    wait_for 20 "the binding to follow the rename into the settings file" \
        grep -qF "$scripts/renamed.sh" "$SETTINGS"
    press 2 "the renamed script's run from its key" F5
    check "the log says the hot key followed" log_has "follows its script"
    hostile_stop
    rm -f "$scripts/renamed.sh"
}

# HOSTILE_CASES in the environment runs only those cases.
for name in ${HOSTILE_CASES:-sigchld_ignored tty_reader fifo output_holder lingering_holders \
    descriptors odd_names settings_neighbours one_copy renamed_binding}; do
    e2e_log "--- $name ---"
    "hostile_$name"
done
e2e_log "passed"
