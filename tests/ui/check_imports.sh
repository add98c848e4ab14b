#!/usr/bin/env bash
# The installer must start on a clean Windows: it may import only from DLLs that
# every Windows has. Prints the imports and fails on any other.
set -euo pipefail
exe=$1
allowed='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|advapi32|version|winmm|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
mapfile -t dlls < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
(( ${#dlls[@]} > 0 )) || { echo "no imports found in $exe" >&2; exit 1; }
status=0
for dll in "${dlls[@]}"; do
    if [[ ${dll,,} =~ $allowed ]]; then
        echo "system DLL: $dll"
    else
        echo "not a system DLL: $dll" >&2
        status=1
    fi
done
exit $status
