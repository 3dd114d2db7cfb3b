#!/bin/sh
# Takes the pictures docs/main-dialog.png and docs/about-box.png: runs the
# poses program (ui_screenshot_poses.exe, built beside the dialog tests but
# never run by ctest) under an X display and, at each pose it announces,
# grabs that part of the screen.
#   tests/ui/screenshots.sh [BUILD_DIR [OUT_DIR]]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then exec "$root/tests/ui/with-display.sh" "$0" "$@"; fi
build=$(cd "${1:-$root/build}" && pwd)
out=$(mkdir -p "${2:-$root/docs}" && cd "${2:-$root/docs}" && pwd)
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}" WINEDEBUG=-all

poses=$(mktemp -d)
trap 'rm -rf "$poses"' EXIT
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

cd "$build/bin"
wine ./ui_screenshot_poses.exe &
driver=$!
take_pictures $driver
wait $driver
