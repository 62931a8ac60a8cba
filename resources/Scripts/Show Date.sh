#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Shows today's date and the time: as a desktop notification when notify-send is there
# (package libnotify-bin), otherwise printed, which lands in Trundle's debug log.
# Changes nothing, so it is safe to run any number of times.

now=$(date '+%A, %e %B %Y, %H:%M')

if command -v notify-send >/dev/null 2>&1; then
    if notify-send --app-name=Trundle "Date and time" "$now" 2>/dev/null; then
        echo "Shown as a notification: $now"
        exit 0
    fi
    echo "notify-send could not show a notification (no notification service running?)."
else
    echo "notify-send is not installed (package libnotify-bin); printing the date instead."
fi
echo "$now"
exit 0
