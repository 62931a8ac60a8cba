#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists every script in your script folder (~/Library/Scripts) and its sub-folders, with a
# count at the end. The list goes to Trundle's debug log; nothing is changed.

folder="$HOME/Library/Scripts"

if [ ! -d "$folder" ]; then
    echo "There is no script folder at $folder yet."
    exit 0
fi

echo "Scripts in $folder:"
# Hidden files and folders (names starting with a dot) are left out, as in the browser.
find "$folder" -name '.*' -prune -o -type f -print | sort | {
    count=0
    while IFS= read -r path; do
        echo "  ${path#"$folder"/}"
        count=$((count + 1))
    done
    echo "$count script(s)."
}
exit 0
