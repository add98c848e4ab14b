#!/usr/bin/env bash
# Runs the Win32 UI test program under Wine on the current X display and carries
# out what it asks of the X side: key presses through xdotool, window searches and
# screenshots through ImageMagick. Requests are files in ARTEFACTS/requests: the
# program writes N.req (one line: a verb and tab-separated arguments); the answer
# is N.done, holding the command's output.
#
#   run_ui_tests.sh INSTALLER_EXE ARTEFACTS PROGRAM
#
# Drive F: of the Wine prefix points at a fresh temporary folder while it runs, so
# that the record "\ZAVIDAR.CFG" the dialog writes lands there. F:\Linked is a Unix
# symbolic link to a folder there, which a Windows program under Wine cannot make.
set -euo pipefail
installer=$1 artefacts=$2 program=$3
source "$(dirname "$0")/../../tools/wine-drive.sh"
source "$(dirname "$0")/../../tools/test-program.sh"
export TW_MACHINE_OFFERS="$TW_MACHINE_OFFERS drive"
[[ -n ${DISPLAY:-} ]] || { echo "run_ui_tests: no X display (use tools/with-display.sh)" >&2; exit 1; }

rm -rf "$artefacts"
mkdir -p "$artefacts/requests"

serve() {
    local request=$1 verb a b
    IFS=$'\t' read -r verb a b <"$request" || true
    case $verb in
        shot) import -window root "$artefacts/$a.png" 2>&1 ;;
        # Windows whose name matches: their ids, one a line (none: empty).
        visible) xdotool search --onlyvisible --name "$a" 2>/dev/null || true ;;
        # Waits for the window, gives it the keyboard focus and presses the keys.
        key)
            local wid
            wid=$(timeout 30 xdotool search --sync --onlyvisible --name "$a" | head -1)
            xdotool windowfocus --sync "$wid"
            xdotool key --clearmodifiers --delay 50 $b 2>&1
            echo "pressed $b on $wid"
            ;;
        *) echo "unknown request: $verb" ;;
    esac
}

# Starts the program and serves its requests until it ends; its status, judged by
# its closing line (tools/test-program.sh), is ours.
# tw_with_drive runs it in a subshell of its own, whose exit ends the program too.
run_program() {
    local status=0
    mkdir "$TW_DRIVE_FOLDER/link-target"
    ln -s link-target "$TW_DRIVE_FOLDER/Linked"
    cd "$artefacts"
    TW_UI_INSTALLER=$installer TW_UI_ARTEFACTS=$artefacts tw_test_program "$TW_WINE" "$program" &
    pid=$!
    trap '[[ -z $pid ]] || kill "$pid" 2>/dev/null || true' EXIT
    while kill -0 "$pid" 2>/dev/null; do
        for request in requests/*.req; do
            [[ -e $request ]] || continue
            serve "$request" >"${request%.req}.out" 2>&1 || true
            mv "${request%.req}.out" "${request%.req}.done"
            rm -f "$request"
        done
        sleep 0.05
    done
    wait "$pid" || status=$?
    pid=
    return "$status"
}
tw_with_drive f --temp run_program
