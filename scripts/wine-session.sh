# Sourced: a private Wine prefix and X display for one run.
#   wine_session_start  sets WINEPREFIX, DISPLAY, WINEDEBUG, WINEDLLOVERRIDES;
#                       with --keep-display an X display already set is used
#   wine_session_stop   ends wineserver and Xvfb, removes the prefix
WINE64=/usr/lib/wine/wine64

wine_session_xvfb() {
    # Xvfb takes the first free display number itself and writes it out once
    # it accepts connections: sessions started at the same moment by
    # different people never end up sharing one display.
    local number="$TNK_SESSION_DIR/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    TNK_XVFB_PID=$!
    for _ in $(seq 1 300); do
        grep -q '^[0-9]' "$number" 2>/dev/null && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$number")"
}

wine_session_start() {
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    TNK_SESSION_DIR=$(mktemp -d /tmp/tarnwick-wine.XXXXXX)
    export WINEPREFIX="$TNK_SESSION_DIR/prefix"
    TNK_XVFB_PID=""
    if [ "${1:-}" != --keep-display ] || [ -z "${DISPLAY:-}" ]; then
        wine_session_xvfb
    fi
    "$WINE64" wineboot -i </dev/null >/dev/null 2>&1 || true
    # Without a window manager, destroying a top-level window waits ~2 s
    # unless Wine manages no windows itself.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    # Start the session outside ctest, so that wineserver does not inherit
    # ctest's output pipe.
    /usr/lib/wine/wineserver64 -p 600 </dev/null >/dev/null 2>&1 || wineserver -p 600 </dev/null >/dev/null 2>&1 || true
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
    /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true
    [ -n "${TNK_XVFB_PID:-}" ] && kill "$TNK_XVFB_PID" 2>/dev/null || true
    [ -n "${TNK_SESSION_DIR:-}" ] && rm -rf "$TNK_SESSION_DIR"
}
