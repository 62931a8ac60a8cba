#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line of the program itself: --help and --version answer without a display and
# without starting anything, a mistake exits 1 and names the option, and Qt's own options are
# let through to QApplication.
#   commandline.sh PROGRAM VERSION
set -u
program=$1
version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0

# run ARGUMENTS...: runs the program with no display at all; status in $status, output in files.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" >"$out/stdout" 2>"$out/stderr"
    status=$?
}
fail() {
    echo "FAIL: $*"
    echo "  stdout: $(cat "$out/stdout")"
    echo "  stderr: $(cat "$out/stderr")"
    failures=$((failures + 1))
}
expect_status() { [ "$status" -eq "$1" ] || fail "$2: status $status, expected $1"; }
stdout_has() { grep -q -e "$1" "$out/stdout" || fail "$2: standard output lacks '$1'"; }
stderr_has() { grep -q -e "$1" "$out/stderr" || fail "$2: standard error lacks '$1'"; }
stdout_empty() { [ ! -s "$out/stdout" ] || fail "$1: standard output is not empty"; }
stderr_empty() { [ ! -s "$out/stderr" ] || fail "$1: standard error is not empty"; }

for option in --help -h; do
    run "$option"
    expect_status 0 "$option"
    stdout_has "^Usage: trundle \[options\]" "$option"
    stdout_has "--version" "$option"
    stdout_has "--background" "$option"
    stdout_has "Trundle.plist" "$option"
    stderr_empty "$option"
    # Qt's options are accepted but are not Trundle's to document.
    ! grep -q -e "platform" "$out/stdout" || fail "$option: the help lists Qt's -platform"
done

for option in --version -v; do
    run "$option"
    expect_status 0 "$option"
    [ "$(cat "$out/stdout")" = "Trundle $version" ] || fail "$option: expected 'Trundle $version'"
    stderr_empty "$option"
done

# A display that does not exist: had the program made its QApplication first, it would abort.
env DISPLAY=:4242 "$program" --version >"$out/stdout" 2>"$out/stderr"
status=$?
expect_status 0 "--version with an unreachable display"
stdout_has "^Trundle $version\$" "--version with an unreachable display"

for option in --bogus -bogus; do
    run "$option"
    expect_status 1 "$option"
    stderr_has "Unknown option 'bogus'" "$option"
    stderr_has "trundle --help" "$option"
    stdout_empty "$option"
done

run somefile
expect_status 1 "a positional argument"
stderr_has "somefile" "a positional argument"

run --version --bogus
expect_status 1 "--version with an unknown option"
stdout_empty "--version with an unknown option"

# Qt's own options, in each of the forms Qt takes, pass the parser.
run -platform offscreen -style fusion --reverse -v
expect_status 0 "Qt's options with a value as the next argument"
stdout_has "^Trundle $version\$" "Qt's options with a value as the next argument"
run -platform=offscreen --display=:0 -sync --version
expect_status 0 "Qt's options with an equals sign"
run -platform
expect_status 1 "-platform without its value"
stderr_has "platform" "-platform without its value"

# Without a display it says so in one sentence, instead of Qt's abort; --background is an
# option of its own and takes no value.
for arguments in "" "--background" "-background"; do
    # shellcheck disable=SC2086 # the empty row is no argument at all
    run $arguments
    expect_status 1 "no display ($arguments)"
    stderr_has "graphical desktop session" "no display ($arguments)"
done
run --background=yes
expect_status 1 "--background with a value"
stderr_has "background" "--background with a value"

if [ "$failures" -gt 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "command line: all checks passed"
