#!/usr/bin/env bash
# The Windows side's tests (make test-win32), on a private X display.
#
# Where the kernel runs i386 code, every entry of the i686 build runs under Wine.
# Where qemu emulates i386 (tools/setup.sh), 32-bit Wine is not reliable enough
# for long test programs (qemu has crashed on plain instructions in them), so the
# unit test programs (label win32-unit) are built for x86-64 from the same
# sources and run under 64-bit Wine, while the shipped i686 program keeps every
# end-to-end run and check of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh
status=0
if tw_i386_emulated; then
    cmake --preset win64-tests >/dev/null
    cmake --build build/win64 -j"${JOBS:-2}"
    bash tools/with-display.sh ctest --test-dir build/win64 -L win32-unit --output-on-failure ||
        status=1
    bash tools/with-display.sh ctest --test-dir build/win32 -LE win32-unit --output-on-failure ||
        status=1
else
    bash tools/with-display.sh ctest --test-dir build/win32 --output-on-failure || status=1
fi
exit "$status"
