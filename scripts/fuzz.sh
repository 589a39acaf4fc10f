#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds (default 30), all at once, from the seeds
# in fuzz/corpus. New inputs go to build-san/fuzz-run/, never into the repo. Fails on any finding;
# the input that broke a property is kept as build-san/fuzz-run/<target>-crash-*.
#   bash scripts/fuzz.sh 3600     # a longer run
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
targets=(buttondatafile wordfile stylesheetcolour uploadconfig)
[ -x "$top/build-san/fuzz/fuzz_uploadconfig" ] || "$top/scripts/sanitize.sh" --build-only
cmake --build "$top/build-san" --parallel "$(nproc)" > /dev/null
run="$top/build-san/fuzz-run"
mkdir -p "$run"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
pids=()
for t in "${targets[@]}"; do
    mkdir -p "$run/corpus-$t"
    "$top/build-san/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$run/$t-" "$run/corpus-$t" "$top/fuzz/corpus/$t" > "$run/$t.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
    t=${targets[$i]}
    if wait "${pids[$i]}"; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/$t.log")
        echo "fuzz_$t: ${runs:-?} executions in ${seconds} s, no finding"
    else
        failed=1
        echo "fuzz_$t: FINDING (log: $run/$t.log)"
        grep -E "property broken|ERROR|SUMMARY|runtime error" "$run/$t.log" | head -5 || true
    fi
done
exit $failed
