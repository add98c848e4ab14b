#!/usr/bin/env bash
# The shipped program stays lean: stripped of symbols and under a size limit.
# Prints its size and fails when it grows past the limit or keeps symbols.
set -euo pipefail
# objdump speaks the locale's language: the tests run under zh_CN.UTF-8 for Wine.
export LC_ALL=C
exe=$1 limit=$2
size=$(stat -c %s "$exe")
echo "$exe: $size bytes (limit $limit)"
status=0
(( size < limit )) || { echo "larger than $limit bytes" >&2; status=1; }
# Read whole before it is searched: grep -q ending early could give objdump a
# SIGPIPE, which pipefail would report as a failure.
symbols=$(i686-w64-mingw32-objdump -t "$exe")
if ! grep -qx 'no symbols' <<<"$symbols"; then
    echo "the program keeps its symbol table" >&2
    status=1
fi
exit $status
