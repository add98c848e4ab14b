#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time from its committed seed corpus.
# New inputs go to a working corpus under build/; a crash fails the run and leaves
# its input in build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-15}
mkdir -p build/fuzz/artifacts
summary=()
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    work=build/fuzz/corpus/$name
    mkdir -p "$work"
    log=build/fuzz/$name.log
    if ! "build/fuzz/fuzz/${name}_fuzz" -max_total_time="$seconds" -max_len=1200 \
        -artifact_prefix=build/fuzz/artifacts/"$name"- "$work" "$seeds" >"$log" 2>&1; then
        tail -40 "$log"
        echo "fuzz: $name failed" >&2
        exit 1
    fi
    runs=$(grep -oE 'Done [0-9]+ runs' "$log" | grep -oE '[0-9]+')
    summary+=("$name: $runs runs in ${seconds} s, no failure")
done
printf '%s\n' "${summary[@]}"
