#!/usr/bin/env bash
# Runs every fuzz target for FUZZ_SECONDS (default 60) seconds, one after the other, from its
# seed corpus in fuzz/corpus/<target> (read only) and its working corpus in
# build/fuzz/corpus/<target>, which grows from run to run. Findings go to
# build/fuzz/artifacts/<target>/, the fuzzer's output to build/fuzz/logs/<target>.log.
# Usage: fuzz/run.sh [target...]   (default: all of them)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(c2k b2k usr rtf tags answers)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for t in "${targets[@]}"; do
    mkdir -p "$build/corpus/$t" "$build/artifacts/$t" "$build/logs"
    log="$build/logs/$t.log"
    echo "== fuzz_$t: ${seconds}s"
    nice -n 19 "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/" \
        "$build/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1
    status=$?
    grep -E '^#[0-9]+.*(DONE|pulse)' "$log" | tail -1
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log"
    if [ $status -ne 0 ]; then
        echo "fuzz_$t: FINDING (exit $status), see $log and $build/artifacts/$t/"
        failed=1
    fi
done
exit $failed
