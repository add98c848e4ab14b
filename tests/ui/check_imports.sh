#!/usr/bin/env bash
# The installer runs elevated from wherever its package lies, where anyone may
# have put a DLL: it may import at load time only DLLs that Windows always takes
# from its system folder, its known DLLs (the KnownDLLs list of every Windows
# from 7 on). Any other DLL (winmm, comctl32, version, ...) would be looked for in
# the program's own folder first; the program loads such a DLL at run time from the
# system folder (common/system_library.h). Prints the imports and fails on any other.
set -euo pipefail
# objdump speaks the locale's language: the tests run under zh_CN.UTF-8 for Wine.
export LC_ALL=C
exe=$1
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comdlg32|shlwapi|imm32|msvcrt|rpcrt4|ws2_32)\.dll$'
mapfile -t dlls < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
(( ${#dlls[@]} > 0 )) || { echo "no imports found in $exe" >&2; exit 1; }
status=0
for dll in "${dlls[@]}"; do
    if [[ ${dll,,} =~ $allowed ]]; then
        echo "known DLL: $dll"
    else
        echo "not a known DLL of Windows: $dll" >&2
        status=1
    fi
done
exit $status
