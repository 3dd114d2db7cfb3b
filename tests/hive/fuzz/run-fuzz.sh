#!/usr/bin/env bash
# Builds the hive fuzzer in FUZZ_BUILD and runs it for SECONDS:
#   run-fuzz.sh SOURCE_ROOT FUZZ_BUILD SECONDS
# The corpus starts from the reader tests' hives and the regression files
# (every input that ever crashed it, all replayed first) and grows in
# FUZZ_BUILD/corpus between runs. A crash leaves its input in
# FUZZ_BUILD/artifacts and fails; copy it into tests/hive/fuzz-regressions.
set -euo pipefail
root=$1 build=$2 seconds=$3
regressions=$root/tests/hive/fuzz-regressions

cmake -S "$root/tests/hive/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 -- --no-print-directory >/dev/null
python3 "$root/tests/hive/make_test_hives.py" "$build/seeds"
mkdir -p "$build/corpus" "$build/artifacts" "$regressions"
rm -f "$build"/seeds/*.expected "$build"/seeds/*.offsets

# The regression files alone first, so that an old crash is named as such.
if compgen -G "$regressions/*" >/dev/null; then
    "$build/hive-fuzz" -runs=0 "$regressions" 2>"$build/regressions.log" || {
        cat "$build/regressions.log" >&2
        echo "run-fuzz.sh: a regression file in $regressions crashes the reader again" >&2
        exit 1
    }
fi
# Exit 1 with the crash's input in artifacts/ when it finds one.
"$build/hive-fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/" "$build/corpus" "$build/seeds" 2>"$build/fuzz.log" || {
    tail -n 60 "$build/fuzz.log" >&2
    echo "run-fuzz.sh: the reader crashed; the input is in $build/artifacts: add it to $regressions" >&2
    exit 1
}
grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/fuzz.log" || true
echo "run-fuzz.sh: no crash in $seconds s"
