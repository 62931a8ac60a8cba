#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the fuzz target for a while (default 300 s) from the seed corpus kept here.
# New inputs go to a working corpus in the build folder, so the seeds stay small; crashes are
# written to the build folder as crash-*.
#   tests/fuzz/run_fuzz.sh [build folder] [seconds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build-fuzz}" && pwd)
seconds=${2:-300}
work="$build/fuzz-corpus/addresses_and_escapes"
mkdir -p "$work"
cd "$build"
# -close_fd_mask=2: the debug log's lines go to /dev/null; reports still reach the terminal.
exec "$build/tests/fuzz/fuzz_addresses_and_escapes" -max_total_time="$seconds" -max_len=4096 \
    -close_fd_mask=2 -print_final_stats=1 "$work" "$here/corpus/addresses_and_escapes"
