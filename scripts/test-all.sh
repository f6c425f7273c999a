#!/usr/bin/env bash
# Runs every test of Tarnwick: the Linux tree natively, the Windows tree under
# Wine in a private prefix and X display, and a short libFuzzer run. Installs
# what a fresh Debian 12 machine lacks first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh"

echo "== Linux tree"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
ctest --preset linux

echo "== Windows tree (under Wine)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
source "$root/scripts/wine-session.sh"
wine_session_start
trap wine_session_stop EXIT
ctest --preset win64

echo "== Fuzzing (short run)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
"$root/scripts/run-fuzzers.sh" "$root/build/fuzz" 20
