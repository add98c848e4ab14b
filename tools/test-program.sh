#!/usr/bin/env bash
# Runs one start of a GoogleTest program for ctest, on the host or under Wine, and
# judges it by its own closing line (tests/test_main.cpp), not by its exit code
# alone: under Wine a program killed by a signal ends with 0, and a killed, crashed
# or hung program prints no closing line.
#
#   test-program.sh COMMAND...      runs COMMAND (the program, or a runner and it)
#
# Exit status: 0 when the command ended with 0 and its closing line says that every
# test it started passed; 77 when they passed but some skipped (ctest's
# SKIP_RETURN_CODE, so that a skip shows as a skip); 1 otherwise.
#
# Sourced, the file defines tw_test_program with the same arguments and status,
# for runners that start a program more than once, and exports TW_MACHINE_OFFERS:
# what this machine was found to offer the tests (tests/machine_offers.h). A test
# that would skip for want of one of those fails instead.

tw_machine_offers() {
    local offers=() probe
    [[ $(id -u) -eq 0 ]] && offers+=(root)
    # The immutable flag stops root too; some file systems have none.
    probe=$(mktemp -p "$PWD" .tw-offers.XXXXXX 2>/dev/null) || probe=
    if [[ -n $probe ]]; then
        if chattr +i "$probe" 2>/dev/null; then
            chattr -i "$probe"
            offers+=(immutable)
        fi
        ln -s "$probe" "$probe.link" 2>/dev/null && offers+=(links)
        rm -f "$probe" "$probe.link"
    fi
    echo "${offers[*]}"
}
export TW_MACHINE_OFFERS=${TW_MACHINE_OFFERS-$(tw_machine_offers)}

tw_test_program() {
    local output status=0 closing passed failed skipped
    output=$(mktemp)
    "$@" 2>&1 | tee "$output"
    status=${PIPESTATUS[0]}
    closing=$(grep -aE '^tests: [0-9]+ passed, [0-9]+ failed, [0-9]+ skipped' "$output" | tail -1)
    rm -f "$output"
    if [[ -z $closing ]]; then
        echo "test-program: no closing line from ${*: -1} (exit $status): killed, crashed or hung" >&2
        return 1
    fi
    read -r passed failed skipped < <(echo "$closing" | tr -dc '0-9 \n' | tr -s ' ')
    if ((status != 0 || failed != 0 || passed + skipped == 0)); then
        echo "test-program: ${*: -1}: $closing, exit $status" >&2
        return 1
    fi
    if ((skipped != 0)); then
        echo "test-program: ${*: -1}: $skipped skipped" >&2
        return 77
    fi
    return 0
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -uo pipefail
    (($# >= 1)) || { echo "usage: test-program.sh COMMAND..." >&2; exit 2; }
    tw_test_program "$@"
fi
