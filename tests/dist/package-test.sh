#!/bin/sh
# The release archive as a user gets it: made by CPack from the build,
# unpacked into a folder of its own, and both programs run from there under
# Wine. The dialog program is worked by the dialog tests' driver, copied
# beside it so that it starts the unpacked copy: it opens the main dialog,
# leaves with Esc, and reads the version block.
# usage: package-test.sh BUILD_DIR VERSION
set -eu
build=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

cd "$build"
cpack -G ZIP -B "$work/out" >/dev/null
archive=$work/out/Kestrin-$version-win64.zip
[ -f "$archive" ] || fail "no $archive"
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
folder=$work/unpacked/Kestrin-$version-win64
[ "$(LC_ALL=C ls "$folder" | tr '\n' ' ')" = "Kestrin.exe README.txt kestrin-find.exe " ] ||
    fail "unexpected contents: $(ls "$folder")"
head -n 1 "$folder/README.txt" | grep -q "^Kestrin $version"$(printf '\r')'$' ||
    fail "README.txt does not begin with the version and CR LF"
[ "$(tr -d '\r' <"$folder/README.txt" | wc -l)" = "$(grep -c "$(printf '\r')$" "$folder/README.txt")" ] ||
    fail "README.txt has a line without CR LF"

# Wine's background programs inherit standard handles: files, never pipes.
mkdir "$work/cwd"
cd "$work/cwd"
status=0
wine "$folder/kestrin-find.exe" /K /W /C /S HKU HKEY_USERS </dev/null >"$work/out.txt" 2>"$work/err.txt" || status=$?
[ $status -eq 0 ] || [ $status -eq 2 ] || fail "kestrin-find exited with $status: $(cat "$work/err.txt")"
report=$(ls "$work"/cwd/Kestrin*.reg) || fail "no report in the current folder"
grep -q "$(basename "$report")" "$work/out.txt" || fail "stdout does not name the report: $(cat "$work/out.txt")"
grep -q '^\[HKEY_USERS\]' "$report" || fail "the report lacks the root's key line"

cp "$build/bin/ui_dialog_tests.exe" "$folder/"
"$here/../support/wine-run.sh" "$folder/ui_dialog_tests.exe" \
    --gtest_filter='StartupTest.MissingSettingsFileIsCreatedAndLeftAsItIsWithoutAClick:ResourceTest.VersionBlockAndManifestDescribeTheProgram' \
    >"$work/dialog.txt" 2>&1 || true
cat "$work/dialog.txt"
# A filter that matches nothing passes as well: both cases must have run.
grep -q 'PASSED  \] 2 tests' "$work/dialog.txt" || fail "the dialog program's checks did not pass"
