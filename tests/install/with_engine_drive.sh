#!/usr/bin/env bash
# Runs a Windows test program under Wine with a drive letter mapped to a fresh
# temporary folder, named to the program in TW_ENGINE_DRIVE (such as "I:"), so
# that a source root at a drive root can be installed from for real.
# Usage: with_engine_drive.sh <letter> <program> [arguments...]
set -euo pipefail
letter=${1,,}
shift
source "$(dirname "$0")/../../tools/wine-env.sh"
tw_wine_prefix

folder=$(mktemp -d /tmp/tw-engine-drive.XXXXXX)
link=$WINEPREFIX/dosdevices/$letter:
cleanup() {
    rm -f "$link"
    chmod -R u+w "$folder"
    rm -rf "$folder"
}
trap cleanup EXIT
ln -sfn "$folder" "$link"

status=0
TW_ENGINE_DRIVE="${letter^^}:" "$TW_WINE" "$@" || status=$?
exit $status
