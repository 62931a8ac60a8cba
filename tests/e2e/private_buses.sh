#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The buses the tests run on start nothing that is installed on the machine: a run that starts no
# bus has none (not the desktop's it was started from), and every bus configuration of the tests
# refuses to activate each session service the machine has (a portal, a notification daemon such
# as mako or dunst, kglobalaccel), so none of them runs behind a test's back.
. "$(dirname "$0")/lib.sh"
e2e_setup_home

check "a run that starts no bus has no session bus" eval '! bus_answers session'

not_activated() { # not_activated NAME: the bus knows no service of that name
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.StartServiceByName "string:$1" uint32:0 2>&1 |
        grep -q 'org.freedesktop.DBus.Error.ServiceUnknown'
}
services=$(sed -n 's/^Name=//p' /usr/share/dbus-1/services/*.service 2>/dev/null | sort -u)
e2e_log "installed session services: $(echo $services)"
for config in "$(dirname "$0")"/../data/dbus/*.conf; do
    start_private_bus session "$config"
    for name in $services org.freedesktop.Notifications org.freedesktop.portal.Desktop; do
        check "$(basename "$config") does not start $name" not_activated "$name"
    done
done
e2e_log "passed"
