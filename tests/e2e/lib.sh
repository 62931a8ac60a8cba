# SPDX-License-Identifier: GPL-3.0-or-later
# Shared helpers of the end-to-end tests: a private virtual X server with a window manager that
# has a system tray, a throw-away home folder, and ways to start, drive and inspect Trundle.
#
# A test script sources this file, calls e2e_setup, and uses the functions below. Everything
# is torn down on exit. Environment:
#   TRUNDLE        the program to test (default: the build tree's app/trundle)
#   E2E_ARTIFACTS  where screenshots and logs are kept (default: ./e2e-artifacts)

set -eu

E2E_NAME=${E2E_NAME:-$(basename "$0" .sh)}
# Where nameorder.py is, for the helpers that find a name's place in a listing.
export E2E_LIB_DIR=${E2E_LIB_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}
TRUNDLE=${TRUNDLE:-trundle}
E2E_ARTIFACTS=${E2E_ARTIFACTS:-$PWD/e2e-artifacts}
mkdir -p "$E2E_ARTIFACTS"

E2E_PIDS=""
E2E_FAILED=0

e2e_log() { printf '[%s] %s\n' "$E2E_NAME" "$*" >&2; }

fail() {
    e2e_log "FAIL: $*"
    E2E_FAILED=1
    e2e_screenshot "failure" || true
    keep_logs
    [ -n "${TRUNDLE_LOG:-}" ] && [ -f "$TRUNDLE_LOG" ] && tail -n 40 "$TRUNDLE_LOG" >&2
    exit 1
}

# Keeps the logs of the run's programs (Trundle's, the buses', the desktop programs') beside the
# screenshots, as <run>-<name>.log: the run's folder is removed at exit.
keep_logs() {
    local log
    for log in "${E2E_HOME:-/nonexistent}"/*.log; do
        [ -f "$log" ] && cp "$log" "$E2E_ARTIFACTS/$E2E_NAME-$(basename "$log")"
    done
    return 0
}

check() { # check "description" command...
    local what=$1
    shift
    if "$@"; then e2e_log "ok: $what"; else fail "$what"; fi
}

# A sanitizer build writes its reports (memory errors, undefined behaviour, leaks at exit) to
# standard error, which is Trundle's log here. Any report fails the test, even one from a run
# that ended with status 0 or was stopped during the clean-up.
sanitizer_reports() {
    [ -n "${TRUNDLE_LOG:-}" ] && [ -f "$TRUNDLE_LOG" ] &&
        grep -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$TRUNDLE_LOG"
}

check_sanitizer_reports() {
    [ "${E2E_SANITIZER_REPORTED:-0}" -eq 0 ] && sanitizer_reports >/dev/null || return 0
    E2E_SANITIZER_REPORTED=1
    e2e_log "FAIL: a sanitizer reported an error in Trundle's log:"
    sed -n '/ERROR: \(AddressSanitizer\|LeakSanitizer\)\|runtime error:/,/^SUMMARY: /p' \
        "$TRUNDLE_LOG" | head -n 80 >&2
    return 1
}

e2e_cleanup() {
    local status=$? pid
    for pid in $E2E_PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $E2E_PIDS; do wait "$pid" 2>/dev/null || true; done
    check_sanitizer_reports || status=1
    [ -n "${E2E_HOME:-}" ] && rm -rf "$E2E_HOME"
    exit "$status"
}

# Takes a process the test has ended (and waited for) off the list the clean-up ends.
forget_pid() { E2E_PIDS=$(echo "$E2E_PIDS" | sed "s/ $1\b//"); }

# Polls a command every 50 ms until it succeeds; fails (returns 1) after about $1 seconds.
poll_until() { # poll_until seconds command...
    local tries=$(($1 * 20))
    shift
    while ! "$@" 2>/dev/null; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}

# Waits until a command succeeds; fails the test after $1 seconds.
wait_for() { # wait_for seconds "description" command...
    local seconds=$1 what=$2
    shift 2
    poll_until "$seconds" "$@" || fail "timed out waiting for: $what"
}

# The throw-away home, configuration and runtime folders, and the clean-up on exit.
e2e_setup_home() {
    trap e2e_cleanup EXIT
    E2E_HOME=$(mktemp -d "${TMPDIR:-/tmp}/trundle-e2e.XXXXXX")
    export HOME="$E2E_HOME/home"
    export XDG_CONFIG_HOME="$HOME/.config"
    export XDG_RUNTIME_DIR="$E2E_HOME/run"
    mkdir -p "$HOME/Library/Scripts" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    SETTINGS="$XDG_CONFIG_HOME/Trundle/Trundle.plist"
    TRUNDLE_LOG="$E2E_HOME/trundle.log"
    # No session bus but the test's own (start_private_bus): not the desktop's the tests were
    # started from, nor one that a D-Bus library would start with the system's services.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_HOME/no-session-bus"
    # The runs compare English titles, whatever language the machine is set to; LANGUAGE decides
    # the language of Trundle's texts before LC_ALL, LC_MESSAGES and LANG.
    export LANGUAGE=en
}

e2e_setup() {
    e2e_setup_home
    # An X11 session of its own, whatever session the tests are started from.
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
    export XDG_SESSION_TYPE=x11

    # A display of our own: Xvfb picks a free number and writes it to the pipe.
    local fifo="$E2E_HOME/displayfd"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >"$E2E_HOME/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    E2E_PIDS="$E2E_PIDS $!"
    local number
    read -r number <"$fifo" || fail "Xvfb did not start"
    export DISPLAY=":$number"

    [ -n "${E2E_NO_WM:-}" ] || start_window_manager
    e2e_log "display $DISPLAY ready"
}

# icewm, with its tray; e2e_setup starts it unless E2E_NO_WM is set.
start_window_manager() {
    icewm >"$E2E_HOME/icewm.log" 2>&1 &
    E2E_WM_PID=$!
    E2E_PIDS="$E2E_PIDS $!"
    wait_for 20 "the window manager" wm_running
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Writes the settings file with the given XML body inside the PreferencesGlobals dictionary.
write_settings() { # write_settings '<key>...</key><true/>...'
    mkdir -p "$(dirname "$SETTINGS")"
    cat >"$SETTINGS" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>PreferencesGlobals</key>
	<dict>
$1
	</dict>
</dict>
</plist>
PLIST
}

# Writes settings with these hot-key bindings and the debug log on (or off, with false).
write_hotkey_settings() { # write_hotkey_settings '<key>5</key><string>PATH</string>...' [false]
    write_settings "<key>PreferencesDebugLoggingSettingKey</key><${2:-true}/>
<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict>$1</dict>"
}

# Prints one value of the saved settings as JSON (python's plistlib reads the file).
settings_value() { # settings_value KEY
    python3 - "$SETTINGS" "$1" <<'PY'
import json, plistlib, sys
with open(sys.argv[1], "rb") as f:
    globals_ = plistlib.load(f)["PreferencesGlobals"]
print(json.dumps(globals_.get(sys.argv[2], "<missing>")))
PY
}

settings_keys() {
    python3 - "$SETTINGS" <<'PY'
import plistlib, sys
with open(sys.argv[1], "rb") as f:
    print(" ".join(sorted(plistlib.load(f)["PreferencesGlobals"])))
PY
}

start_trundle() {
    "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
    TRUNDLE_PID=$!
    E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
    wait_for 20 "Trundle's tray icon" tray_icon_window
}

# The X window of Trundle's tray icon, once it is docked in the window manager's tray.
tray_icon_window() {
    local window
    for window in $(xdotool search --classname '^trundle$' 2>/dev/null); do
        # Qt gives the icon's window an override type; the browser window and menus have others.
        if xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null |
            grep -q _KDE_NET_WM_WINDOW_TYPE_OVERRIDE; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

stop_trundle() { # stop_trundle [SIGNAL]
    kill "-${1:-TERM}" "$TRUNDLE_PID"
    local status=0
    wait "$TRUNDLE_PID" || status=$?
    forget_pid "$TRUNDLE_PID"
    check_sanitizer_reports || fail "Trundle's run was not clean"
    return "$status"
}

# Opens the tray icon's menu with a right click on the icon (a left click shows the browser).
# The menu reads: Show Script Browser, Scripts, Preferences…, About Trundle, Quit Trundle.
open_tray_menu() {
    local icon attempt tries
    # A click that comes while the menu chosen from a moment ago still holds the pointer is
    # taken by that menu: a second try then. TRAY_MENU_CLICKS counts the right clicks.
    for attempt in 1 2 3; do
        icon=$(tray_icon_window) || fail "no tray icon"
        xdotool mousemove --window "$icon" 8 8 click 3
        TRAY_MENU_CLICKS=$((${TRAY_MENU_CLICKS:-0} + 1))
        for tries in $(seq 30); do
            popup_menu_shown && return 0
            sleep 0.1
        done
        e2e_log "the tray menu did not open on try $attempt"
    done
    fail "the tray menu does not open"
}

# The position (1 is the first) of NAME in the tray submenu of FOLDER, from the debug lines of the
# folder's last listing (debug logging on), so in the menu's own order, whatever that is.
menu_position() { # menu_position FOLDER NAME
    awk -v searching="Searching path: $1" -v path="$1/$2" '
        index($0, searching) { n = 0; position = 0; next }
        /Found (folder|scriptfile) at: / {
            n++
            if (substr($0, length($0) - length(path) + 1) == path) position = n
        }
        END { print position }' "$TRUNDLE_LOG"
}

# Opens the tray menu at Scripts > ~/Library/Scripts > SUBFOLDER, for a picture of it.
open_tray_submenu() { # open_tray_submenu SUBFOLDER
    local scripts="$HOME/Library/Scripts" position
    open_tray_menu
    xdotool key Down Down Right Right
    sleep 0.5
    position=$(menu_position "$scripts" "$1")
    [ "$position" -gt 0 ] || fail "no $1 in the tray menu (is debug logging on?)"
    for _ in $(seq $((position - 1))); do xdotool key Down; done
    xdotool key Right
    sleep 0.5
}

# A Qt menu is an override-redirect window of Trundle's that is neither the tray icon nor a
# managed window.
popup_menu_shown() {
    local window
    for window in $(xdotool search --onlyvisible --classname '^trundle$' 2>/dev/null); do
        xwininfo -id "$window" | grep -q 'Override Redirect State: yes' || continue
        xprop -id "$window" _NET_WM_WINDOW_TYPE | grep -q _KDE_NET_WM_WINDOW_TYPE_OVERRIDE && continue
        return 0
    done
    return 1
}

# The browser window: Trundle's managed window titled "Trundle" (the tray icon is tiny).
browser_window() {
    local window
    for window in $(xdotool search --onlyvisible --name '^Trundle$' 2>/dev/null); do
        [ "$(xwininfo -id "$window" | awk '/Width:/ {print $2}')" -gt 100 ] && echo "$window" && return 0
    done
    return 1
}
panel_shown() { xdotool search --onlyvisible --name '^Running script$' >/dev/null 2>&1; }
panel_gone() { ! panel_shown; }

# Finds the rows of the browser window $BROWSER from the alternating row colours at its left
# edge: sets ROW_TOP (the first row's top) and ROW_HEIGHT, in window coordinates.
measure_rows() {
    local shot="$E2E_HOME/rows.png" geometry
    import -display "$DISPLAY" -window "$BROWSER" "$shot"
    geometry=$(convert "$shot" -crop "1x400+3+0" txt:- | python3 -c '
import sys
colours = [line.split()[2] for line in sys.stdin if not line.startswith("#")]
runs, start = [], 0
for y in range(1, len(colours) + 1):
    if y == len(colours) or colours[y] != colours[start]:
        runs.append((start, y - start, colours[start]))
        start = y
rows = [r for r in runs if r[2] in ("#FFFFFF", "#F7F7F7") and r[1] >= 10]
print(rows[0][0], rows[0][1])')
    read -r ROW_TOP ROW_HEIGHT <<<"$geometry"
    [ -n "$ROW_HEIGHT" ]
}
row_y() { echo $((ROW_TOP + $1 * ROW_HEIGHT + ROW_HEIGHT / 2)); }
# A point in the hot-key column of the browser window $BROWSER, the last, whatever its width.
hot_key_x() { echo $(($(xwininfo -id "$BROWSER" | awk '/Width:/ {print $2}') - 60)); }

# The row of an entry of an open top-level folder (the user's script folder): the folder's own
# row is 0, its entries follow sorted by name as Trundle sorts them (nameorder.py).
row_of() { # row_of FOLDER NAME
    python3 - "$1" "$2" <<'PY'
import os, sys
sys.path.insert(0, os.environ["E2E_LIB_DIR"])
from nameorder import sorted_names
folder, name = sys.argv[1], sys.argv[2]
kept = [n for n in os.listdir(folder) if not n.startswith(".") and os.path.exists(os.path.join(folder, n))]
print(1 + sorted_names(kept).index(name))
PY
}

# Opens the preferences window from the tray menu (Show Script Browser, Scripts, Preferences…) and
# waits until it has the focus; sets PREFS to its window.
pref_window() { xdotool search --onlyvisible --name '^Trundle Preferences$' 2>/dev/null | head -n 1 | grep .; }
window_active() { test "$(xdotool getactivewindow)" = "$1"; }
open_preferences() {
    open_tray_menu
    xdotool key Down Down Down Return
    wait_for 10 "the preferences window" pref_window
    PREFS=$(pref_window)
    wait_for 5 "the preferences window to take the focus" window_active "$PREFS"
}

# In the preferences window, which has the focus: past the Hot Keys box's check box into the
# browser, whose first row becomes current, open the top-level folder FOLDER with Right, go down to its
# entry NAME and open that script's hot-key pop-up with the space bar.
open_hot_key_popup() { # open_hot_key_popup FOLDER NAME
    local row
    row=$(row_of "$1" "$2")
    xdotool key Tab
    sleep 0.2
    xdotool key Right
    sleep 0.3
    for _ in $(seq "$row"); do xdotool key Down; done
    xdotool key space
    wait_for 5 "the hot-key pop-up" popup_menu_shown
}

e2e_screenshot() { # e2e_screenshot NAME [WINDOW]
    local file="$E2E_ARTIFACTS/$E2E_NAME-$1.png"
    import -display "$DISPLAY" -window "${2:-root}" "$file" 2>/dev/null && e2e_log "screenshot $file"
}

log_has() { grep -qF -- "$1" "$TRUNDLE_LOG"; }
log_count() { grep -cF -- "$1" "$TRUNDLE_LOG" || true; } # how many lines hold the text

# Hot-key counters. A test binds each shortcut ID in COUNTED_IDS to a script that appends a
# line to "$COUNTS/<id>" (bind_counting_scripts), with F7 (ID 7) as the sentinel: releases are
# handled one at a time in the order they happen, so once the script of a later F7 has run,
# every release before it has been dealt with.
COUNTS=""
COUNTED_IDS=""
SENTINELS=0

# Writes the scripts and prints the settings' bindings for them, but for the IDs named after the
# folder: their scripts are written and left unbound (the test binds them later, or uses the key
# or button for something else).
bind_counting_scripts() { # bind_counting_scripts FOLDER [UNBOUND_ID...]
    local folder=$1 id script bindings=""
    shift
    mkdir -p "$COUNTS"
    for id in $COUNTED_IDS; do
        script="$folder/hotkey-$id.sh"
        printf '#!/bin/sh\necho run >>"%s/%s"\n' "$COUNTS" "$id" >"$script"
        chmod +x "$script"
        case " $* " in *" $id "*) continue ;; esac
        bindings="$bindings<key>$id</key><string>$script</string>"
    done
    echo "$bindings"
}

# bind_counting_scripts, and settings with its bindings and the debug log on.
write_counting_settings() { # write_counting_settings FOLDER [UNBOUND_ID...]
    local bindings
    bindings=$(bind_counting_scripts "$@")
    write_hotkey_settings "$bindings"
}

count() { if [ -f "$COUNTS/$1" ]; then wc -l <"$COUNTS/$1"; else echo 0; fi; }
count_is() { test "$(count "$1")" -eq "$2"; }
# All counters as "id:count" for the ones that ran at all.
all_counts() {
    local id out=""
    for id in $COUNTED_IDS; do [ "$(count "$id")" -gt 0 ] && out="$out $id:$(count "$id")"; done
    echo "${out# }"
}
# Presses and releases keys; KEY_DELAY (ms, xdotool's 12 unless set) is split between the press
# and the release, and waited after each key.
press_keys() { xdotool key --delay "${KEY_DELAY:-12}" "$@"; }
# Presses F7 and waits until its script has run: every release before it has been handled.
sync_with_trundle() {
    SENTINELS=$((SENTINELS + 1))
    press_keys F7
    wait_for 20 "the sentinel F7 to run" count_is 7 "$SENTINELS"
}
# Presses F7 until its script has run once: for a road that can miss the first keys while it
# takes them (kglobalaccel takes them anew when the X keyboard map changes). Counts as a sentinel.
first_sentinel() {
    local tries
    for tries in $(seq 10); do
        press_keys F7
        poll_until 10 count_is 7 1 && break
    done
    count_is 7 1 || fail "no F7 reached Trundle in $tries presses"
    SENTINELS=1
}
expect_counts() { # expect_counts "description" "id:count ..."
    sync_with_trundle
    local want="$2"
    # The sentinel's own count is part of every expectation.
    want=$(echo "$want 7:$SENTINELS" | tr ' ' '\n' | sort -t: -k1,1n | tr '\n' ' ')
    want=${want% }
    check "$1 (runs: $(all_counts))" test "$(all_counts)" = "$want"
}

# A D-Bus daemon of the test's own, as the session or the system bus: exports
# DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS and waits until the bus answers. The
# configuration defaults to PRIVATE_BUS_CONFIG, which the test's CMake entry sets.
start_private_bus() { # start_private_bus session|system [CONFIG]
    local kind=$1 config=${2:-${PRIVATE_BUS_CONFIG:-}} socket
    socket=$(mktemp -u "$E2E_HOME/$1_bus.XXXXXX")
    [ -n "$config" ] || fail "PRIVATE_BUS_CONFIG names no bus configuration"
    dbus-daemon --config-file="$config" --nofork --address="unix:path=$socket" \
        >"$E2E_HOME/$kind-bus.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    if [ "$kind" = session ]; then
        export DBUS_SESSION_BUS_ADDRESS="unix:path=$socket"
    else
        export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket"
    fi
    wait_for 30 "the private $kind bus" bus_answers "$kind"
}
bus_answers() { dbus-send "--$1" --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetId >/dev/null; }

bus_name_owned() { # bus_name_owned NAME: on the session bus
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'
}

# The notification-server stand-in on the session bus, recording each Notify call as a line of
# $NOTIFICATIONS (NOTIFICATIONS_STANDIN names the program).
NOTIFICATIONS=""
start_notifications_standin() {
    [ -n "${NOTIFICATIONS_STANDIN:-}" ] || fail "NOTIFICATIONS_STANDIN names no program"
    NOTIFICATIONS="$E2E_HOME/notifications"
    "$NOTIFICATIONS_STANDIN" "$NOTIFICATIONS" >"$E2E_HOME/notifications.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    wait_for 30 "the notification server stand-in" bus_name_owned org.freedesktop.Notifications
}

# How many Notify calls the stand-in has recorded; whether one of them holds the text.
notification_count() { if [ -f "$NOTIFICATIONS" ]; then wc -l <"$NOTIFICATIONS"; else echo 0; fi; }
notified_of() { [ -f "$NOTIFICATIONS" ] && grep -qF -- "$1" "$NOTIFICATIONS"; }
# Trundle said once that global hot keys do not work: one notification and one log line.
check_said_once() { # check_said_once "description of the notification check"
    check "$1" test "$(notification_count)" -eq 1
    check "the log says it once" test "$(log_count 'Global hot keys are unavailable')" -eq 1
}

# The shortcuts-portal stand-in on the session bus, recording its calls to $PORTAL_CALLS
# (PORTAL_STANDIN names the program; options go to it). Sets PORTAL_PID.
PORTAL_CALLS=""
start_portal_standin() { # start_portal_standin [OPTIONS...]
    [ -n "${PORTAL_STANDIN:-}" ] || fail "PORTAL_STANDIN names no program"
    PORTAL_CALLS="$E2E_HOME/portal-calls"
    "$PORTAL_STANDIN" "$@" "$PORTAL_CALLS" >>"$E2E_HOME/portal.log" 2>&1 &
    PORTAL_PID=$!
    E2E_PIDS="$E2E_PIDS $PORTAL_PID"
    wait_for 30 "the portal stand-in" bus_name_owned org.freedesktop.portal.Desktop
}
stop_portal_standin() {
    kill "$PORTAL_PID"
    wait "$PORTAL_PID" 2>/dev/null || true
    forget_pid "$PORTAL_PID"
    wait_for 30 "the portal stand-in to leave the bus" eval '! bus_name_owned org.freedesktop.portal.Desktop'
}
# Makes the stand-in press (Activated) or release (Deactivated) a shortcut of its last session.
portal_signal() { # portal_signal Press|Release ID
    dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
        /org/freedesktop/portal/desktop "org.trundle.test.PortalStandIn.$1" "string:$2" >/dev/null
}
# How many BindShortcuts calls asked for exactly these shortcuts ("hotkey-5 F5 Run f5.sh", tab
# between the fields, shortcuts in order).
portal_binds() { # portal_binds "ID<TAB>TRIGGER<TAB>DESCRIPTION..."
    [ -f "$PORTAL_CALLS" ] || { echo 0; return; }
    grep -cP "^BindShortcuts\t[^\t]*\t\Q$1\E$" "$PORTAL_CALLS" || true
}
portal_calls_of() { # portal_calls_of METHOD: how many
    [ -f "$PORTAL_CALLS" ] || { echo 0; return; }
    grep -c "^$1	" "$PORTAL_CALLS" || true
}

# The global-shortcuts road of a KDE Plasma 5.27 desktop, the real programs on the test's
# session bus: kglobalaccel (which takes keys from the X server), the KDE portal backend and the
# portal frontend. Each is started here rather than activated by the bus, so the test knows and
# ends its processes; their logs are kept in $E2E_HOME/<name>.log with the shortcut categories on.
# kglobalaccel keeps its bindings in $XDG_CONFIG_HOME/kglobalshortcutsrc.
start_kde_portal() {
    local backend
    backend=$(sed -n 's/^Exec=//p' /usr/share/dbus-1/services/org.freedesktop.impl.portal.desktop.kde.service 2>/dev/null)
    [ -x "${backend:-}" ] || fail "xdg-desktop-portal-kde is not installed"
    [ -x /usr/libexec/xdg-desktop-portal ] || fail "xdg-desktop-portal is not installed"
    command -v kglobalaccel5 >/dev/null || fail "kglobalaccel5 is not installed"
    export XDG_CURRENT_DESKTOP=KDE
    # The KDE programs are X11 clients of the test's display, whatever Trundle is told.
    XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='kf.globalaccel*=true' \
        kglobalaccel5 >"$E2E_HOME/kglobalaccel.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    wait_for 30 "kglobalaccel on the bus" bus_name_owned org.kde.kglobalaccel
    XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='xdp-kde-GlobalShortcuts=true;xdp-kde-session=true' \
        "$backend" >"$E2E_HOME/portal-kde.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    wait_for 30 "the KDE portal backend on the bus" bus_name_owned org.freedesktop.impl.portal.desktop.kde
    G_MESSAGES_DEBUG=all /usr/libexec/xdg-desktop-portal --replace --verbose \
        >"$E2E_HOME/portal.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    wait_for 30 "the portal on the bus" bus_name_owned org.freedesktop.portal.Desktop
    # What the application asks the portal, message by message, arguments and all.
    dbus-monitor --session "interface='org.freedesktop.portal.GlobalShortcuts'" \
        >"$E2E_HOME/portal-calls.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    KGLOBALSHORTCUTS="$XDG_CONFIG_HOME/kglobalshortcutsrc"
}

# The components kglobalaccel keeps bindings for, one a line (a group's name without brackets).
kglobalaccel_components() {
    [ -f "$KGLOBALSHORTCUTS" ] && sed -n 's/^\[\([^]]*\)\]$/\1/p' "$KGLOBALSHORTCUTS"
}
# How many times kglobalaccel has taken a key from the X server for a portal session ("F5").
kglobalaccel_grabs() { grep -c "Registering key \"$1\"" "$E2E_HOME/kglobalaccel.log" || true; }
