#!/usr/bin/env bash
# Runs a Windows test program under Wine with a drive letter mapped to a fresh
# temporary folder, so that "\ZAVIDAR.CFG" on that drive lands in the folder.
# Usage: with_record_drive.sh <letter> <program> [arguments...]
# The program finds the drive in TW_RECORD_DRIVE, such as "R:".
set -euo pipefail
letter=${1,,}
shift
source "$(dirname "$0")/../../tools/wine-env.sh"
tw_wine_prefix

folder=$(mktemp -d /tmp/tw-record-drive.XXXXXX)
link=$WINEPREFIX/dosdevices/$letter:
cleanup() {
    rm -f "$link"
    chmod -R u+w "$folder"
    rm -rf "$folder"
}
trap cleanup EXIT
ln -sfn "$folder" "$link"

status=0
TW_RECORD_DRIVE="${letter^^}:" "$TW_WINE" "$@" || status=$?
exit $status
