#!/usr/bin/env bash
# Runs every test of Tarnwick: the Linux tree natively, the Windows tree under
# Wine in a private prefix and X display, and a short libFuzzer run. Installs
# what a fresh Debian 12 machine lacks first. Ends with the time each stage
# took, also when one fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

stage_times=()

# The time since `start` (an EPOCHREALTIME), in seconds with one decimal.
elapsed() {
    local tenths=$(((${EPOCHREALTIME/./} - ${1/./}) / 100000))
    printf '%d.%d' $((tenths / 10)) $((tenths % 10))
}

# stage NAME COMMAND...: runs the command in this shell and notes its time.
stage() {
    local name=$1 start=$EPOCHREALTIME status=0
    shift
    echo "== $name"
    "$@" || status=$?
    stage_times+=("$(printf '%-32s %8s s' "$name" "$(elapsed "$start")")")
    return "$status"
}

finish() {
    local status=$?
    if [ -n "${TNK_SESSION_DIR:-}" ]; then
        wine_session_stop
    fi
    echo "== Stage times"
    printf '  %s\n' "${stage_times[@]}"
    printf '  %-32s %8s s\n' total "$(elapsed "$all_start")"
    exit "$status"
}
all_start=$EPOCHREALTIME
trap finish EXIT

configure_and_build() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

stage "Install check" "$root/scripts/install-deps.sh"

stage "Linux configure and build" configure_and_build linux
stage "Linux tests" ctest --preset linux

stage "Windows configure and build" configure_and_build win64
source "$root/scripts/wine-session.sh"
stage "Wine session start" wine_session_start
stage "Windows tests (under Wine)" ctest --preset win64
wine_session_stop
TNK_SESSION_DIR=""

stage "Fuzz build" configure_and_build fuzz
stage "Fuzz runs" "$root/scripts/run-fuzzers.sh" "$root/build/fuzz" 20
