#!/bin/sh
# Takes the pictures docs/main-dialog.png and docs/about-box.png at 96 DPI
# (100%), and the same at 144 DPI (150%) as main-dialog-144.png and
# about-box-144.png: runs the poses program (ui_screenshot_poses.exe, built
# beside the dialog tests but never run by ctest) under an X display and, at
# each pose it announces, grabs that part of the screen. The prefix is left
# at 96 DPI.
#   tests/ui/screenshots.sh [BUILD_DIR [OUT_DIR]]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then exec "$root/tests/ui/with-display.sh" "$0" "$@"; fi
build=$(cd "${1:-$root/build}" && pwd)
out=$(mkdir -p "${2:-$root/docs}" && cd "${2:-$root/docs}" && pwd)
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}" WINEDEBUG=-all

poses=$(mktemp -d)
# The driver is a Windows program: it sees the folder through drive Z:.
KESTRIN_SCREENSHOTS="Z:$(echo "$poses" | tr / '\\')"
export KESTRIN_SCREENSHOTS

take_pictures() {
    while kill -0 "$1" 2>/dev/null; do
        for ready in "$poses"/*.ready; do
            [ -e "$ready" ] || continue
            name=$(basename "$ready" .ready)
            import -window root -crop "$(cat "$ready")" +repage "$out/$name.png"
            echo "took $out/$name.png"
            rm "$ready"
            touch "$poses/$name.done"
        done
        sleep 0.1
    done
}

pose_at() {
    "$root/tests/ui/set-dpi.sh" "$1"
    KESTRIN_SCREENSHOT_SUFFIX=$2 wine ./ui_screenshot_poses.exe &
    driver=$!
    take_pictures $driver
    wait $driver
}

trap 'rm -rf "$poses"; "$root/tests/ui/set-dpi.sh" 96' EXIT
cd "$build/bin"
pose_at 96 ""
pose_at 144 -144
