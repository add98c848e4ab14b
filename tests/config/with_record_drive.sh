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
set -euo pipefail
letter=${1,,}
program=$2
source "$(dirname "$0")/../../tools/wine-env.sh"
tw_wine_prefix

# One run at a time holds the letter, whichever build tree it comes from.
exec 8>"$WINEPREFIX.drive-$letter.lock"
flock 8

folder=$(mktemp -d /tmp/tw-record-drive.XXXXXX)
link=$WINEPREFIX/dosdevices/$letter:
cleanup() {
    rm -f "$link"
    chattr -i "$folder" 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT
ln -sfn "$folder" "$link"
export TW_RECORD_DRIVE="${letter^^}:"

readOnlySuite='ConfigRecordOnReadOnlyDrive.*'
"$TW_WINE" "$program" --gtest_filter="-$readOnlySuite"
if ! chattr +i "$folder"; then
    echo "with_record_drive: cannot make $folder read-only (chattr +i)" >&2
    exit 1
fi
TW_RECORD_DRIVE_READ_ONLY=1 "$TW_WINE" "$program" --gtest_filter="$readOnlySuite"
