#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the settings-loader fuzz target for a while (default 600 s) from the seed corpus in
# tests/data/settings-corpus and the unit tests' files in tests/data/settings. New inputs go to a working corpus in the build folder, so the
# seeds stay small; crashes are written to the build folder as crash-*. At the end libFuzzer
# prints its figures (executions, coverage, corpus).
#   tests/fuzz/run_fuzz_settings.sh [build folder] [seconds] [more libFuzzer options]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build-fuzz-settings}" && pwd)
seconds=${2:-600}
[ $# -gt 2 ] && shift 2 || set --
work="$build/fuzz-corpus/settings_loader"
mkdir -p "$work"
cd "$build"
# -close_fd_mask=2: the debug log's lines and the loader's messages about refused files go to
# /dev/null; libFuzzer's and the sanitizers' reports and broken properties still show.
# -max_len: 6 MiB, room for files that are deep, wide or slow only when they are large (the
# loader's limits are 64 levels, 200,000 values, 5,000 dictionary entries); libFuzzer still
# starts short and lets inputs grow. -timeout: a unit taking 20 s is a hang; -report_slow_units
# names every unit over 2 s.
exec "$build/tests/fuzz/fuzz_settings_loader" -max_total_time="$seconds" -max_len=6291456 \
    -timeout=20 -report_slow_units=2 -rss_limit_mb=4096 \
    -dict="$here/settings.dict" -close_fd_mask=2 -print_final_stats=1 "$@" \
    "$work" "$here/../data/settings-corpus" "$here/../data/settings"
