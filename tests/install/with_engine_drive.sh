#!/usr/bin/env bash
# Runs a Windows test program under Wine with a drive letter mapped to a fresh
# temporary folder, named to the program in TW_ENGINE_DRIVE (such as "I:"), so
# that a source root at a drive root can be installed from for real.
# Usage: with_engine_drive.sh <letter> <program> [arguments...]
set -euo pipefail
letter=$1
shift
source "$(dirname "$0")/../../tools/wine-drive.sh"

# A folder and a Unix symbolic link to it, for the test of links met under Wine,
# and a folder everyone may change, for the test of locking it.
run() {
    mkdir "$TW_DRIVE_FOLDER/link target"
    mkdir -m 777 "$TW_DRIVE_FOLDER/open folder"
    ln -s "link target" "$TW_DRIVE_FOLDER/folder link"
    TW_ENGINE_DRIVE=$TW_DRIVE "$TW_WINE" "$@"
}
tw_with_drive "$letter" --temp run "$@"
