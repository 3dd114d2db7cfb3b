#!/usr/bin/env bash
# Kestrin's one entry point on a Debian 12 machine (as root):
#   ./kestrin.sh run [switches] TEXT   build, then search the Wine prefix's registry (reports in build/reports)
#   ./kestrin.sh test                  build, then run every test
#   ./kestrin.sh bench [MODE] [ROUNDS] build, then time a search against a plain walk (MODE regex: /R against plain text)
#   ./kestrin.sh bench large [KEYS] [MODE] [ROUNDS]   the same on a large synthetic registry
#   ./kestrin.sh bench hive [KEYS] [ROUNDS]            kestrin-find /H against reglookup | grep
#   ./kestrin.sh bench replay [KEYS] [ROUNDS]          that hive dirty, with a megabyte of logs, against it clean
#   ./kestrin.sh bench offline [ROUNDS]                kestrin-find /O on an offline Windows against /H of its hives
#   ./kestrin.sh bench json [KEYS] [ROUNDS]            kestrin-find /J writing to a file, /dev/null and a terminal
#   ./kestrin.sh bench-switches        build, then time kestrin-find's /N /D and /S
#   ./kestrin.sh dist                  build, then pack build/dist/Kestrin-<version>-win64.zip
#   ./kestrin.sh gui                   build, then start the dialog program on this display
#   ./kestrin.sh fuzz SECONDS          fuzz the hive reader, the log replay and the offline planner natively, SECONDS each (in build/fuzz)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=$ROOT/build
export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=-all
# No prompts for Wine's .NET and HTML engines while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

PACKAGES=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
          xvfb xauth x11-utils imagemagick locales googletest python3 fonts-wine
          python3-hivex libregf-utils clang libclang-rt-14-dev reglookup libboost1.81-dev)
LOCALES=(en_US.UTF-8 ru_RU.UTF-8 ja_JP.UTF-8)

log() { printf '== %s\n' "$*" >&2; }

install_packages() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        log "installing ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Wine takes its ANSI code page from the locale; without the generated locale
# non-ASCII command-line arguments arrive garbled. Generated here, they exist
# for the programs this script starts; the script's own shell never switches
# to them (see wine_detached).
generate_locales() {
    local wanted=0
    for name in "${LOCALES[@]}"; do
        if ! locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}"; then
            sed -i -E "s/^# *(${name} UTF-8)/\\1/" /etc/locale.gen
            grep -q "^${name} UTF-8" /etc/locale.gen || echo "${name} UTF-8" >> /etc/locale.gen
            wanted=1
        fi
    done
    if ((wanted)); then log "generating locales"; locale-gen >/dev/null; fi
}

build() {
    log "building"
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j"$(nproc)" -- --no-print-directory >/dev/null
}

# Everything below that starts the Wine server or a program under Wine keeps
# its standard streams away from the caller's. The server and Wine's
# background programs (services, drivers, the desktop) inherit the streams of
# whatever started them and outlive it: handed the caller's pipe
# (`./kestrin.sh run ... 2>&1 | less`), they would hold it open, and the
# reader would wait for ever.
prepare_prefix() {
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        log "making the Wine prefix $WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w </dev/null >/dev/null 2>&1
        if ! "$ROOT/tests/support/prepare-prefix.sh" </dev/null >"$BUILD/prepare-prefix.log" 2>&1; then
            cat "$BUILD/prepare-prefix.log" >&2
            return 1
        fi
    fi
}

# A persistent server makes each process start cheap. It answers 2 when one
# already runs, which is as good.
start_server() { wineserver -p </dev/null >/dev/null 2>&1 || true; }

# Wine's desktop takes the display of the server's first window for the
# server's whole life, so the tests get a server of their own that starts
# after the display.
restart_server() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    start_server
}

# Runs a Windows program under Wine in the locale given by LC_ALL (English by
# default) with its output going through files, then passes that output on.
# The locale goes to Wine through env: were it set on the function, bash
# would switch its own locale too, and a bash that started before the locales
# were generated cannot find them ("setlocale: LC_ALL: cannot change locale").
wine_detached() {
    local out err status=0
    out=$(mktemp) err=$(mktemp)
    env LC_ALL="${LC_ALL:-en_US.UTF-8}" wine "$@" </dev/null >"$out" 2>"$err" || status=$?
    cat "$err" >&2
    cat "$out"
    rm -f "$out" "$err"
    return "$status"
}

setup() { install_packages; generate_locales; build; prepare_prefix; }

start_display() {
    if [[ -z ${DISPLAY:-} ]]; then
        export DISPLAY=:97
        Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        XVFB_PID=$!
        trap 'kill $XVFB_PID 2>/dev/null || true; wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
    fi
}

# The file after each /H or /H:KEY, the folder after /O and the report's
# place after /F (but "-", no report), given as a Linux path relative to the
# caller's folder or absolute (/mnt/win/Windows/System32/config/SOFTWARE,
# /mnt/win), becomes the Windows path that Wine maps to it; a Windows path
# (C:\..., \\...) stays as it is. The result is in the array HIVE_ARGS.
hive_paths() {
    HIVE_ARGS=()
    local arg after_h=0 path
    for arg in "$@"; do
        if ((after_h)) && [[ ! $arg =~ ^([A-Za-z]:|\\\\) && $arg != - ]]; then
            path=$arg
            [[ $path == /* ]] || path=$PWD/$path
            arg=$(wine_detached winepath.exe -w "$path" 2>/dev/null)
            arg=${arg%$'\r'}
        fi
        HIVE_ARGS+=("$arg")
        after_h=0
        [[ ${arg,,} == /h || ${arg,,} == /h:* || ${arg,,} == /o || ${arg,,} == /f ]] && after_h=1
    done
    return 0
}

# Runs a Windows program like wine_detached, but passes its standard output
# and error on while it runs: they still go through files (see above), which
# tail follows until the program ends. The output stays in the file OUT.
# Ctrl+C is the program's alone (a started job would ignore it): it stops the
# search and ends the report, while this script and tail wait for it.
wine_streamed() {
    local out=$1 err pid status=0 follower
    shift
    err=$(mktemp)
    trap '' INT
    (trap - INT; exec env LC_ALL="${LC_ALL:-en_US.UTF-8}" wine "$@" </dev/null >"$out" 2>"$err") &
    pid=$!
    tail -s 0.1 -c +1 -f --pid="$pid" "$err" >&2 &
    follower=$!
    tail -s 0.1 -c +1 -f --pid="$pid" "$out"
    wait "$pid" || status=$?
    wait "$follower" || true
    trap - INT
    rm -f "$err"
    return "$status"
}

# Reports stay in build/reports unless /F places them; the run ends with
# kestrin-find's own exit code.
cmd_run() {
    setup
    start_server
    hive_paths "$@"
    set -- "${HIVE_ARGS[@]}"
    mkdir -p "$BUILD/reports"
    cd "$BUILD/reports"
    local out report status=0
    out=$(mktemp)
    wine_streamed "$out" "$BUILD/bin/kestrin-find.exe" "$@" || status=$?
    # With /J standard output holds the JSON Lines, not the report's path.
    local arg json=0
    for arg in "$@"; do [[ ${arg,,} == /j ]] && json=1; done
    report=$(head -n 1 "$out")
    rm -f "$out"
    report=${report%$'\r'}
    ((json)) && return "$status"
    if [[ -n $report ]]; then
        local unix_path
        unix_path=$(wine_detached winepath.exe -u "$report" 2>/dev/null)
        log "report: $unix_path"
        cat "$unix_path"
        echo
    elif ((status == 0 || status == 2)); then
        log "nothing was found"
    fi
    # 2 means the search ran to its end but some keys could not be read: a
    # finished run, whose unreadable keys are listed in ExcludeKeys.txt (or,
    # with /H, told above as damage).
    ((status != 2)) || log "some keys could not be read: see above, or $BUILD/reports/ExcludeKeys.txt"
    return "$status"
}

cmd_test() {
    setup
    start_display
    restart_server
    cd "$BUILD"
    ctest --output-on-failure --timeout 900
}

# MODE is search (the default: the search in one process), process (whole
# kestrin-find.exe processes against a plain-walk process), exclude (a
# 500-entry exclusion list against an empty one) or regex (kestrin-find /R
# with a plain word against the plain-text search, whole processes, then
# (x+x+)+y against a plain word on keys it gives up on). "large" first fills a
# prefix of its own with a synthetic tree of KEYS keys (default 400000, kept
# between runs) and times there; MODE defaults to process.
cmd_bench() {
    setup
    if [[ ${1:-} == hive ]]; then
        bench_hive "${2:-400000}" "${3:-5}"
        return
    fi
    if [[ ${1:-} == replay ]]; then
        bench_replay "${2:-400000}" "${3:-5}"
        return
    fi
    if [[ ${1:-} == offline ]]; then
        bench_offline "${2:-5}"
        return
    fi
    if [[ ${1:-} == json ]]; then
        bench_json "${2:-400000}" "${3:-5}"
        return
    fi
    if [[ ${1:-} == large ]]; then
        local keys=${2:-400000}
        shift $(($# < 2 ? $# : 2))
        export WINEPREFIX=$BUILD/bench-prefix
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            log "making the Wine prefix $WINEPREFIX"
            wineboot -i >/dev/null 2>&1
            wineserver -w
        fi
        # The server holds the big registry in memory between the runs.
        start_server
        trap 'wineserver -k 2>/dev/null || true' EXIT
        log "filling $WINEPREFIX with $keys keys"
        wine_detached "$BUILD/bin/kestrin-bench.exe" build-registry "$keys"
        (($#)) || set -- process
    else
        start_server
    fi
    wine_detached "$BUILD/bin/kestrin-bench.exe" "$@"
}

# kestrin-find /K /V /N /D /H on a hive of KEYS keys (made once by
# bench/make_bench_hive.py and kept in build/bench-hive) against reglookup
# dumping it into grep, ROUNDS times each.
bench_hive() {
    local keys=$1 rounds=$2
    make_bench_hive "$keys"
    start_server
    python3 "$ROOT/bench/hive_bench.py" "$BUILD/bin/kestrin-find.exe" "$BENCH_HIVE" Microsoft "$rounds"
}

# kestrin-find /J /N on the same hive, a hit in every key, its lines written
# to a file, to /dev/null and to a terminal, ROUNDS times each.
bench_json() {
    make_bench_hive "$1"
    start_server
    python3 "$ROOT/bench/json_bench.py" "$BUILD/bin/kestrin-find.exe" "$BENCH_HIVE" DisplayName "$2"
}

# The benchmark's hive of KEYS keys, made once and kept: its path in BENCH_HIVE.
make_bench_hive() {
    BENCH_HIVE=$BUILD/bench-hive/bench-$1.hiv
    if [[ ! -f $BENCH_HIVE ]]; then
        mkdir -p "$BUILD/bench-hive"
        log "writing a hive of $1 keys"
        python3 "$ROOT/bench/make_bench_hive.py" "$1" "$BENCH_HIVE" >&2
    fi
}

# That hive made dirty, with about a megabyte of its pages in LOG1 and LOG2
# (bench/make_dirty_bench.py, kept beside it): its replay against reading
# the logs once, and kestrin-find /K /V /N /D /H on it against the clean
# hive, ROUNDS times each (kestrin-bench replay).
bench_replay() {
    local keys=$1 rounds=$2 dirty
    make_bench_hive "$keys"
    dirty=$BUILD/bench-hive/dirty-$keys
    [[ -f $dirty/BENCH ]] || python3 "$ROOT/bench/make_dirty_bench.py" "$BENCH_HIVE" "$dirty" >&2
    start_server
    wine_detached "$BUILD/bin/kestrin-bench.exe" replay "Z:${BENCH_HIVE//\//\\}" "Z:${dirty//\//\\}\\BENCH" "$rounds"
}

# kestrin-find /K /V /N /D /O on an offline Windows whose SOFTWARE holds
# 400000 keys (written once into build/bench-offline) against one
# kestrin-find given the same hive files with /H:KEY, ROUNDS times each.
bench_offline() {
    start_server
    python3 "$ROOT/bench/offline_bench.py" "$BUILD/bin/kestrin-find.exe" "$BUILD/bench-offline" Microsoft "$1"
}

cmd_bench_switches() {
    setup
    start_server
    wine_detached "$BUILD/bin/kestrin-switch-bench.exe" "$@"
}

cmd_dist() {
    install_packages
    build
    (cd "$BUILD" && cpack -G ZIP >/dev/null)
    ls "$BUILD"/dist/Kestrin-*-win64.zip
}

# The dialog program on the desktop this terminal belongs to, with its reports
# in build/reports. Never a private display: a window nobody sees is no use.
cmd_gui() {
    if [[ -z ${DISPLAY:-} ]]; then
        echo "kestrin.sh gui: no display (DISPLAY is not set); run it from a desktop session" >&2
        return 1
    fi
    setup
    start_server
    mkdir -p "$BUILD/reports"
    cd "$BUILD/reports"
    log "reports go to $BUILD/reports"
    wine_detached "$BUILD/bin/Kestrin.exe"
}

# The hive reader and the log replay under libFuzzer with AddressSanitizer
# and UBSan, built for Linux in build/fuzz, SECONDS each; see
# tests/hive/fuzz/run-fuzz.sh.
cmd_fuzz() {
    install_packages
    "$ROOT/tests/hive/fuzz/run-fuzz.sh" "$ROOT" "$BUILD/fuzz" "${1:-60}"
}

case ${1:-} in
    run) shift; cmd_run "$@" ;;
    test) shift; cmd_test "$@" ;;
    bench) shift; cmd_bench "$@" ;;
    bench-switches) shift; cmd_bench_switches "$@" ;;
    dist) shift; cmd_dist "$@" ;;
    gui) shift; cmd_gui "$@" ;;
    fuzz) shift; cmd_fuzz "$@" ;;
    *) echo "usage: $0 run [switches] TEXT | test | bench [large [KEYS]] [MODE] [ROUNDS] | bench hive|replay|json [KEYS] [ROUNDS] | bench offline [ROUNDS] | bench-switches | dist | gui | fuzz SECONDS" >&2; exit 64 ;;
esac
