#!/usr/bin/env bash
# Runs a Windows test program under Wine with a drive letter mapped to a fresh
# temporary folder, named to the program in TW_ENGINE_DRIVE (such as "I:"), so
# that a source root at a drive root can be installed from for real.
# The start is judged by its closing line (tools/test-program.sh).
# Usage: with_engine_drive.sh <letter> <program> [arguments...]
set -euo pipefail
letter=$1
shift
source "$(dirname "$0")/../../tools/wine-drive.sh"
source "$(dirname "$0")/../../tools/test-program.sh"
export TW_MACHINE_OFFERS="$TW_MACHINE_OFFERS drive"

# A folder and a Unix symbolic link to it, for the test of links met under Wine,
# a folder everyone may change, for the test of locking it, and a link "above"
# to "above one", which the test of a link pointed elsewhere during an
# installation below it points at "above two".
run() {
    mkdir "$TW_DRIVE_FOLDER/link target" "$TW_DRIVE_FOLDER/above one" "$TW_DRIVE_FOLDER/above two"
    mkdir -m 777 "$TW_DRIVE_FOLDER/open folder"
    ln -s "link target" "$TW_DRIVE_FOLDER/folder link"
    ln -s "above one" "$TW_DRIVE_FOLDER/above"
    local status=0
    TW_ENGINE_DRIVE=$TW_DRIVE TW_DRIVE_FOLDER=$TW_DRIVE_FOLDER tw_test_program "$TW_WINE" "$@" ||
        status=$?
    # Wine keeps a folder's access list as its mode: once the tests have locked
    # "open folder" (mode 777 before), others may no longer write it.
    local mode
    mode=$(stat -c %a "$TW_DRIVE_FOLDER/open folder")
    echo "open folder: mode $mode after the tests" >&2
    if [[ $mode != 777 ]] && (( 8#$mode & 8#002 )); then
        echo "open folder: others may still write it" >&2
        return 1
    fi
    return "$status"
}
tw_with_drive "$letter" --temp run "$@"
