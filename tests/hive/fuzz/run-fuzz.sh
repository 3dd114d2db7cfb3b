#!/usr/bin/env bash
# Builds the fuzzers in FUZZ_BUILD and runs each for SECONDS:
#   run-fuzz.sh SOURCE_ROOT FUZZ_BUILD SECONDS
# hive-fuzz takes any bytes as a hive file, deleted-fuzz too (its free space
# scanned, DeletedFuzz.cpp); log-fuzz as a dirty hive and its
# two logs (see LogFuzz.cpp); offline-fuzz as a profile list (OfflineFuzz.cpp). Each corpus starts from the tests' own files
# (the reader tests' hives; the replay tests' dirty hives and logs) and the
# target's regression files (every input that ever crashed it, all replayed
# first) and grows in FUZZ_BUILD/corpus/TARGET between runs. A crash leaves
# its input in FUZZ_BUILD/artifacts and fails; copy it into the target's
# regression folder.
set -euo pipefail
root=$1 build=$2 seconds=$3

cmake -S "$root/tests/hive/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 -- --no-print-directory >/dev/null
python3 "$root/tests/hive/make_test_hives.py" "$build/seeds/hive-fuzz"
rm -f "$build"/seeds/hive-fuzz/*.expected "$build"/seeds/hive-fuzz/*.offsets
# deleted-fuzz starts from the same hives, and one with deleted records.
mkdir -p "$build/seeds/deleted-fuzz"
cp "$build"/seeds/hive-fuzz/* "$build/seeds/deleted-fuzz/"
python3 "$root/tests/find/deleted_test.py" --seed "$build/seeds/deleted-fuzz/deleted.hiv"
python3 "$root/tests/hive/make_dirty.py" --seeds "$build/seeds/log-fuzz"
# The offline planner's seeds: profile lists as Windows writes them.
mkdir -p "$build/seeds/offline-fuzz"
printf '%s\n' 'S-1-5-21-1-1001|C:\Users\a' 'S-1-5-19|%SystemRoot%\ServiceProfiles\LocalService' \
    'S-1-5-18|%systemroot%\system32\config\systemprofile' 'S-1-5-21-1-1002|%SystemDrive%\Documents and Settings\B' |
    iconv -f UTF-8 -t UTF-16LE >"$build/seeds/offline-fuzz/profiles"

# fuzz TARGET REGRESSIONS DICTIONARY: the dictionary's signatures help
# mutations make structures rather than noise.
fuzz() {
    local target=$1 regressions=$2 dictionary=$3
    mkdir -p "$build/corpus/$target" "$build/artifacts" "$regressions"
    # The regression files alone first, so that an old crash is named as such.
    if compgen -G "$regressions/*" >/dev/null; then
        "$build/$target" -runs=0 "$regressions" 2>"$build/$target-regressions.log" || {
            cat "$build/$target-regressions.log" >&2
            echo "run-fuzz.sh: a regression file in $regressions crashes $target again" >&2
            exit 1
        }
    fi
    # Exit 1 with the crash's input in artifacts/ when it finds one.
    "$build/$target" -max_total_time="$seconds" -dict="$root/tests/hive/fuzz/$dictionary" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$build/corpus/$target" "$build/seeds/$target" \
        2>"$build/$target.log" || {
        tail -n 60 "$build/$target.log" >&2
        echo "run-fuzz.sh: $target crashed; the input is in $build/artifacts: add it to $regressions" >&2
        exit 1
    }
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$target.log" || true
    echo "run-fuzz.sh: no crash in $target in $seconds s"
}

fuzz hive-fuzz "$root/tests/hive/fuzz-regressions" hive.dict
fuzz log-fuzz "$root/tests/hive/log-fuzz-regressions" log.dict
fuzz deleted-fuzz "$root/tests/hive/deleted-fuzz-regressions" hive.dict
fuzz offline-fuzz "$root/tests/hive/offline-fuzz-regressions" offline.dict
