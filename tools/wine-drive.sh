#!/usr/bin/env bash
# A drive letter of the project's Wine prefix mapped to a folder for as long as a
# command runs. Each letter is held with a lock file next to the prefix
# ($WINEPREFIX.drive-<letter>.lock), so that no two runs share a letter, whether
# they come from another build tree, a test script or the Python harness.
#
#   wine-drive.sh LETTERS FOLDER|--temp COMMAND [ARGUMENTS...]
#
# LETTERS are the letters the caller may take ("r", or "tuv"): the run takes the
# first free one, and waits while all are held. --temp maps a fresh folder under
# /tmp, removed afterwards with whatever read-only or immutable entries the run
# left in it. The command finds the drive in TW_DRIVE ("R:") and the folder in
# TW_DRIVE_FOLDER; its exit status is the script's.
#
# Sourced, the file defines tw_with_drive with the same arguments, so that a
# function of the sourcing script can be the command.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# How long a run waits for a letter before it gives up.
TW_DRIVE_WAIT_SECONDS=${TW_DRIVE_WAIT_SECONDS:-1800}

tw_with_drive() {
    local letters=${1,,} folder=$2
    shift 2
    tw_wine_prefix
    (
        local letter= lock fd waited=0
        while [[ -z $letter ]]; do
            for ((i = 0; i < ${#letters}; i++)); do
                exec {fd}>"$WINEPREFIX.drive-${letters:i:1}.lock"
                if flock -n "$fd"; then
                    letter=${letters:i:1}
                    break
                fi
                exec {fd}>&-
            done
            if [[ -z $letter ]]; then
                if ((waited >= TW_DRIVE_WAIT_SECONDS)); then
                    echo "wine-drive: drives ${letters^^} stayed in use for $waited s" >&2
                    exit 1
                fi
                sleep 1
                ((waited += 1))
            fi
        done

        local temporary=
        if [[ $folder == --temp ]]; then
            folder=$(mktemp -d /tmp/tw-drive-$letter.XXXXXX)
            temporary=$folder
        fi
        local link=$WINEPREFIX/dosdevices/$letter:
        # The link goes before the lock is released (when the subshell ends).
        trap 'rm -f "$link"
              if [[ -n $temporary ]]; then
                  chattr -R -i "$temporary" 2>/dev/null || true
                  chmod -R u+w "$temporary" 2>/dev/null || true
                  rm -rf "$temporary"
              fi' EXIT
        trap 'exit 129' HUP
        trap 'exit 130' INT
        trap 'exit 143' TERM
        ln -sfn "$(cd "$folder" && pwd)" "$link"
        export TW_DRIVE="${letter^^}:" TW_DRIVE_FOLDER=$folder
        # In a subshell of its own, so that traps the command sets leave ours alone.
        ("$@")
    )
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -euo pipefail
    (($# >= 3)) || { echo "usage: wine-drive.sh LETTERS FOLDER|--temp COMMAND..." >&2; exit 2; }
    tw_with_drive "$@"
fi
