#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray menu where the desktop's tray shows status-notifier items: Qt then hands the menu to
# the tray over D-Bus (com.canonical.dbusmenu), and the tray opens it. A stand-in tray on a
# session bus of the test's own plays the desktop:
#   - folder entries are submenus before their folders are listed;
#   - a submenu lists its folder when the tray opens it, as the folder is then: a script added
#     after start is there, and clicking it runs it.
. "$(dirname "$0")/lib.sh"
e2e_setup
[ -n "${STATUSNOTIFIER_STANDIN:-}" ] || fail "STATUSNOTIFIER_STANDIN names no program"

start_private_bus session

"$STATUSNOTIFIER_STANDIN" watch >"$E2E_HOME/tray.log" 2>&1 &
E2E_PIDS="$E2E_PIDS $!"
wait_for 30 "the stand-in tray" grep -q serving "$E2E_HOME/tray.log"

scripts="$HOME/Library/Scripts"
mkdir -p "$scripts/Trundle Scripts" "$scripts/Sub"
printf '#!/bin/sh\n' >"$scripts/Sub/inner.sh"

"$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
TRUNDLE_PID=$!
E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
menu() { "$STATUSNOTIFIER_STANDIN" list "$@" 2>>"$E2E_HOME/tray.log"; }
menu_has() { # menu_has LINE TITLE...: the submenu reached through the titles holds LINE
    local line=$1
    shift
    menu "$@" | grep -qxF -- "$line"
}
wait_for 30 "Trundle's menu on the bus" menu_has $'Scripts\tsubmenu'
first_entry() { menu | head -n 1; }
check "the menu starts with Show Script Browser" test "$(first_entry)" = "Show Script Browser"

check "the script folders are submenus before they are listed" \
    menu_has $'/Library/Scripts\tsubmenu' Scripts
check "a folder inside is a submenu before it is listed" \
    menu_has $'Sub\tsubmenu' Scripts "~/Library/Scripts"

marker="$E2E_HOME/ran"
printf '#!/bin/sh\necho ran >"%s"\n' "$marker" >"$scripts/added later.sh"
chmod +x "$scripts/added later.sh"
check "a script added after start is in the menu when it opens again" \
    menu_has "added later.sh" Scripts "~/Library/Scripts"
"$STATUSNOTIFIER_STANDIN" click Scripts "~/Library/Scripts" "added later.sh" \
    2>>"$E2E_HOME/tray.log" ||
    fail "cannot click the added script"
wait_for 20 "the script added after start to run" test -f "$marker"
check "the folder's submenu lists its folder when opened" \
    menu_has "inner.sh" Scripts "~/Library/Scripts" Sub
stop_trundle TERM || fail "Trundle did not exit cleanly"
e2e_log "passed"
