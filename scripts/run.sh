#!/usr/bin/env bash
# Builds Tarnwick for Windows and starts it under Wine: on your display when
# DISPLAY is set; without one in a private virtual display, saving a
# screenshot of the window and saying where it is.
#
#   scripts/run.sh --demo   a capture shown end to end instead (scripts/demo.sh)
#
# TARNWICK_BUILD_DIR names another Windows build tree than build/win64.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${TARNWICK_BUILD_DIR:-$root/build/win64}

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || [ ! -x /usr/lib/wine/wine64 ]; then
    "$root/scripts/install-deps.sh"
fi
cmake --preset win64 -B "$build" >/dev/null
if [ "${1:-}" = --demo ]; then
    cmake --build "$build" --target tarnwick page_host accessible_host demo_reader -j "$(nproc)"
    exec "$root/scripts/demo.sh" "$build"
fi
cmake --build "$build" --target tarnwick -j "$(nproc)"
exe="$build/src/app/tarnwick.exe"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ]; then
    echo "Starting Tarnwick on $DISPLAY"
    exec /usr/lib/wine/wine64 "$exe"
fi

source "$root/scripts/wine-session.sh"
wine_session_start
trap wine_session_stop EXIT
"$WINE64" "$exe" </dev/null >/dev/null 2>&1 &
pid=$!
window=""
for _ in $(seq 1 60); do
    window=$(xdotool search --name 'Tarnwick' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.5
done
sleep 2
shot="$root/build/tarnwick-screenshot.png"
if [ -n "$window" ]; then
    import -window "$window" "$shot"
else
    import -window root "$shot"
fi
kill "$pid" 2>/dev/null || true
echo "No display: Tarnwick ran in a virtual display (Xvfb); screenshot saved to $shot"
