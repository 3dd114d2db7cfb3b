#!/bin/sh
# Runs the dialog tests that look at the layout once at each display scale
# users commonly have (100%, 150%, 200%), then puts the prefix back at 96 DPI
# for the tests after it.
#   tests/ui/dpi-run.sh WINE-RUN TEST-PROGRAM
here=$(cd "$(dirname "$0")" && pwd)
trap '"$here/set-dpi.sh" 96' EXIT
status=0
for dpi in 96 144 192; do
    echo "== at $dpi DPI"
    "$here/set-dpi.sh" "$dpi" || exit 1
    KESTRIN_DPI=$dpi "$@" --gtest_filter='DpiLayoutTest.*:AboutBoxHere.*' || status=1
done
exit $status
