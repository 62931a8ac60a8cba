#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray menu follows the script folder: each folder's submenu is filled when it opens, from
# the folder as it is then.
#   - a script added after start, and after its folder's submenu was shown once, can be chosen
#     and runs; one in a folder added after start too;
#   - with /usr linked into the script folder, start-up lists nothing of it: the program starts
#     and its menu works (the benchmark bench_startup_linked_tree measures how fast).
. "$(dirname "$0")/lib.sh"
e2e_setup

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts"
write_settings '<key>PreferencesDebugLoggingSettingKey</key><true/>'

# The position of NAME among the entries the menu keeps in FOLDER, sorted by name as Trundle
# sorts (links back to a folder above are left out).
menu_index() { # menu_index FOLDER NAME
    python3 - "$1" "$2" <<'PY'
import os, sys
sys.path.insert(0, os.environ["E2E_LIB_DIR"])
from nameorder import sorted_names
folder, name = sys.argv[1], sys.argv[2]
here = os.path.realpath(folder)
def kept(n):
    path = os.path.join(folder, n)
    real = os.path.realpath(path)
    leads_back = os.path.isdir(path) and (here == real or here.startswith(real.rstrip("/") + "/"))
    return not n.startswith(".") and os.path.exists(path) and not leads_back
print(sorted_names([n for n in os.listdir(folder) if kept(n)]).index(name))
PY
}
# Opens the tray menu and walks Scripts > ~/Library/Scripts > the entries named, in turn.
walk_menu() { # walk_menu NAME [NAME...] (each inside the folder before it)
    local folder=$scripts name step
    open_tray_menu
    xdotool key Down Down Right Right
    sleep 0.3
    for name in "$@"; do
        for step in $(seq "$(menu_index "$folder" "$name")"); do xdotool key Down; done
        folder="$folder/$name"
        if [ -d "$folder" ]; then xdotool key Right; sleep 0.3; fi
    done
    sleep 0.3
}
close_menu() {
    xdotool key Escape Escape Escape Escape
    wait_for 10 "the tray menu to close" eval '! popup_menu_shown'
}
script_that_marks() { # script_that_marks PATH MARKER
    printf '#!/bin/sh\necho ran >"%s"\n' "$2" >"$1"
    chmod +x "$1"
}

script_that_marks "$scripts/early.sh" "$E2E_HOME/early"
start_trundle
check "start-up lists nothing below the roots" eval '! log_has "Searching path:"'

# The user's folder is shown once before anything is added.
walk_menu early.sh
e2e_screenshot before-adding
check "opening a submenu lists its folder" log_has "Searching path: $scripts"
close_menu

script_that_marks "$scripts/late \$x.sh" "$E2E_HOME/late"
mkdir "$scripts/Added later"
ln -s .. "$scripts/Added later/back-to-parent"
script_that_marks "$scripts/Added later/inner.sh" "$E2E_HOME/inner"

walk_menu "late \$x.sh"
e2e_screenshot late-script
xdotool key Return
wait_for 20 "the script added after start to run" test -f "$E2E_HOME/late"

walk_menu "Added later" inner.sh
e2e_screenshot added-folder
xdotool key Return
wait_for 20 "the script in a folder added after start to run" test -f "$E2E_HOME/inner"
check "a link back to a parent folder is not followed" log_has \
    "Found a folder that leads back to one of its parents at: $scripts/Added later/back-to-parent (ignoring)"
check "nothing else ran" test ! -e "$E2E_HOME/early"
stop_trundle TERM || fail "Trundle did not exit cleanly"

# --- A big tree linked in: start-up does not walk it, the menu still works. ---
ln -s /usr "$scripts/usr"
: >"$TRUNDLE_LOG"
start_trundle
wait_for 20 "start-up to end" log_has "Started up!"
check "nothing of the linked tree was listed at start" eval '! log_has "Searching path: $scripts/usr"'
walk_menu usr
e2e_screenshot linked-usr
check "the linked folder is listed when its submenu opens" log_has "Searching path: $scripts/usr"
close_menu
walk_menu early.sh
xdotool key Return
wait_for 20 "a script chosen beside the linked tree to run" test -f "$E2E_HOME/early"
stop_trundle TERM || fail "Trundle did not exit cleanly"

e2e_log "passed"
