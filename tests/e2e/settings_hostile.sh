#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Settings files built to crash libplist: Trundle must start on its defaults all the same, keep
# the file aside as Trundle.plist.corrupt-<time> and say why. Two files: 3 MB of XML arrays
# nested with a newline inside every tag ("<array\n>"), and a 2 MB binary property list of
# arrays nested one inside the next. The time from the start to the tray icon is printed for
# information only; the waits are generous, for the sanitizer build.
. "$(dirname "$0")/lib.sh"
e2e_setup

folder=$(dirname "$SETTINGS")
mkdir -p "$folder"

tray_icon_shown() { tray_icon_window >/dev/null; }
corrupt_copy() { find "$folder" -maxdepth 1 -name 'Trundle.plist.corrupt-*' | head -n 1; }

# Starts Trundle on the settings file in place and checks that it came up on the defaults
# with the file kept aside, byte for byte, and the reason in its log.
start_on_hostile_file() { # start_on_hostile_file WHAT REASON
    local what=$1 reason=$2 started icon_at copy
    find "$folder" -maxdepth 1 -name 'Trundle.plist.corrupt-*' -delete
    cp "$SETTINGS" "$E2E_HOME/hostile.plist"
    : >"$TRUNDLE_LOG"
    started=$(date +%s.%N)
    "$TRUNDLE" >>"$TRUNDLE_LOG" 2>&1 &
    TRUNDLE_PID=$!
    E2E_PIDS="$E2E_PIDS $TRUNDLE_PID"
    wait_for 120 "Trundle's tray icon with the $what" tray_icon_shown
    icon_at=$(date +%s.%N)
    e2e_log "the $what: tray icon $(python3 -c "print(f'{$icon_at - $started:.2f}')") s after the start"
    check "Trundle is still running on the $what" kill -0 "$TRUNDLE_PID"
    copy=$(corrupt_copy)
    check "the $what was kept aside" test -n "$copy"
    check "the kept copy is the $what unchanged" cmp -s "$copy" "$E2E_HOME/hostile.plist"
    check "the log says why the $what was not used" \
        log_has "The settings file $SETTINGS $reason; it was kept as $copy. Starting with the default settings."
    stop_trundle TERM || fail "Trundle did not exit cleanly on SIGTERM after the $what"
    check "the defaults were saved over the $what" \
        test "$(settings_value PreferencesDebugLoggingSettingKey)" = false
}

python3 - "$SETTINGS" <<'PY'
import sys
body = b"<array\n>" * (3_000_000 // 8)
with open(sys.argv[1], "wb") as f:
    f.write(b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n' + body)
PY
start_on_hostile_file "deep XML file" "is nested more than 64 levels deep"

# Object i is a one-element array holding object i + 1; references and offsets of 4 bytes.
python3 - "$SETTINGS" <<'PY'
import struct, sys
count = 2_000_000 // 9
objects = [b"\xa1" + (i + 1).to_bytes(4, "big") for i in range(count - 1)] + [b"\x09"]
offsets, position = [], 8
for o in objects:
    offsets.append(position)
    position += len(o)
with open(sys.argv[1], "wb") as f:
    f.write(b"bplist00" + b"".join(objects) + b"".join(o.to_bytes(4, "big") for o in offsets)
            + b"\0" * 6 + bytes([4, 4]) + struct.pack(">QQQ", count, 0, position))
PY
start_on_hostile_file "deep binary file" "is nested more than 64 levels deep"

e2e_log "passed"
