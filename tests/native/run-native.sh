#!/usr/bin/env bash
# Builds the native tests in BUILD_DIR and runs them:
#   run-native.sh SOURCE_ROOT BUILD_DIR
set -euo pipefail
root=$1 build=$2

cmake -S "$root/tests/native" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j2 -- --no-print-directory >/dev/null
"$build/offline-plan-test"
