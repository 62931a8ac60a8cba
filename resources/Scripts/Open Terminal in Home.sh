#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Opens a terminal window in your home folder: the desktop's preferred terminal
# (x-terminal-emulator) when there is one, else xterm. The terminal is started in the
# background, so Trundle does not wait for it to close. Every run opens one more window.

cd "$HOME" || { echo "Cannot enter the home folder $HOME."; exit 0; }

for terminal in x-terminal-emulator xterm; do
    if command -v "$terminal" >/dev/null 2>&1; then
        nohup "$terminal" >/dev/null 2>&1 &
        echo "Started $terminal in $HOME."
        exit 0
    fi
done

echo "No terminal found: install one that provides x-terminal-emulator, or xterm."
exit 0
