#!/usr/bin/env bash
# Runs the record's Windows test program under Wine with a drive letter mapped to
# a fresh temporary folder, so that "\ZAVIDAR.CFG" on that drive lands there.
# Usage: with_record_drive.sh <letter> <program>
#
# Two runs: first with the folder writable (every test but the read-only drive's),
# then with the folder made immutable, which refuses new files even to root (the
# tests run as root, for whom a folder without write permission is still writable),
# for the read-only drive's tests only. The program finds the drive in
# TW_RECORD_DRIVE, such as "R:", and TW_RECORD_DRIVE_READ_ONLY=1 in the second run.
# The drive also holds links\to-driver, a Unix symbolic link to the Driver folder of
# links\package, which a Windows program under Wine cannot make itself.
set -euo pipefail
letter=$1
program=$2
source "$(dirname "$0")/../../tools/wine-drive.sh"
source "$(dirname "$0")/../../tools/test-program.sh"
export TW_MACHINE_OFFERS="$TW_MACHINE_OFFERS drive"

readOnlySuite='ConfigRecordOnReadOnlyDrive.*'
# Each start is judged by its closing line (tools/test-program.sh): any failure
# fails the run, and otherwise a skip in either shows it as skipped.
run_both() {
    export TW_RECORD_DRIVE=$TW_DRIVE
    mkdir -p "$TW_DRIVE_FOLDER/links/package/Driver/x86"
    ln -s package/Driver "$TW_DRIVE_FOLDER/links/to-driver"
    local first=0 second=0
    tw_test_program "$TW_WINE" "$program" --gtest_filter="-$readOnlySuite" || first=$?
    if ! chattr +i "$TW_DRIVE_FOLDER"; then
        echo "with_record_drive: cannot make $TW_DRIVE_FOLDER read-only (chattr +i)" >&2
        return 1
    fi
    TW_RECORD_DRIVE_READ_ONLY=1 TW_MACHINE_OFFERS="$TW_MACHINE_OFFERS read-only-drive" tw_test_program "$TW_WINE" "$program" \
        --gtest_filter="$readOnlySuite" || second=$?
    ((first != 1 && second != 1)) || return 1
    ((first == 0 && second == 0)) || return 77
}
tw_with_drive "$letter" --temp run_both
