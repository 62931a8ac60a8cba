#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The platform layer's own X11 test, under a virtual X server with a window manager: raw release
# events, the active-window tracker and bring-to-front against real windows.
. "$(dirname "$0")/lib.sh"
e2e_setup
[ -n "${PLATFORM_X11_TEST:-}" ] || fail "PLATFORM_X11_TEST names no test program"
QT_QPA_PLATFORM=xcb "$PLATFORM_X11_TEST" || fail "the platform's X11 test failed"
e2e_log "passed"
