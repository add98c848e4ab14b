#!/usr/bin/env bash
# Runs every host test program of a build under valgrind's memcheck; any error or
# leak fails the run.
set -euo pipefail
build=${1:?build folder}
status=0
while IFS= read -r program; do
    if valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
        "$program" --gtest_brief=1 >"$program.valgrind.log" 2>&1; then
        echo "valgrind: $(basename "$program") clean"
    else
        tail -40 "$program.valgrind.log"
        echo "valgrind: $(basename "$program") FAILED" >&2
        status=1
    fi
done < <(find "$build/tests" -maxdepth 2 -type f -name '*_tests' -perm -u+x | sort)
exit $status
