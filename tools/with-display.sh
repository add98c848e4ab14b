#!/usr/bin/env bash
# Runs a command with a private virtual X display, started and stopped here.
set -euo pipefail
for n in $(seq 91 140); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do
        [[ -e /tmp/.X11-unix/X$n ]] && break
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$xvfb" 2>/dev/null; then
        trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
        DISPLAY=":$n" "$@"
        exit $?
    fi
done
echo "with-display: no free X display" >&2
exit 1
