#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one of the validators distributions run on what Trundle installs, and fails on any
# warning. Exits 77 (skipped) when the validator is not installed.
#   validate.sh metainfo FILE       appstreamcli validate (package appstream)
#   validate.sh desktop FILE...     desktop-file-validate (package desktop-file-utils)
#   validate.sh manual FILE         man --warnings (packages man-db and groff-base)
set -u
kind=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT

need() {
    command -v "$1" >/dev/null && return 0
    echo "SKIP: $1 is not installed (apt-get install $2)"
    exit 77
}

case "$kind" in
    metainfo)
        need appstreamcli appstream
        # Fails on errors and warnings; infos and pedantic hints are shown but pass.
        appstreamcli validate --no-net --pedantic "$@"
        exit $?
        ;;
    desktop)
        need desktop-file-validate desktop-file-utils
        # It exits 0 after warnings and hints: any line it prints fails the test.
        desktop-file-validate "$@" >"$out" 2>&1
        status=$?
        cat "$out"
        [ "$status" -eq 0 ] && [ ! -s "$out" ] || exit 1
        echo "desktop entries valid: $*"
        ;;
    manual)
        need man man-db
        # groff's warnings (unknown macros, lines it cannot fill) go to standard error.
        MANWIDTH=80 man --warnings -E UTF-8 -l "$1" >/dev/null 2>"$out"
        status=$?
        cat "$out"
        [ "$status" -eq 0 ] && [ ! -s "$out" ] || exit 1
        echo "manual page renders without warnings: $1"
        ;;
    *)
        echo "usage: $0 metainfo|desktop|manual FILE..." >&2
        exit 2
        ;;
esac
