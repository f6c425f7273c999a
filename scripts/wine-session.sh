# Sourced: a private Wine prefix and X display for one run.
#   wine_session_start  sets WINEPREFIX, DISPLAY, WINEDEBUG, WINEDLLOVERRIDES;
#                       with --keep-display an X display already set is used.
#                       Fails, saying how the failing helper ended, after how
#                       long and what it printed, when the display or the
#                       prefix cannot be made.
#   wine_session_stop   ends wineserver and Xvfb, removes the prefix
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

# Far longer than a busy machine needs (Xvfb: under a second; a new prefix:
# 10 to 30 s), so that only a fault runs it out.
TNK_SESSION_LIMIT=300

# Says how a helper of the session ended: wine_session_report WHAT STATUS
# START LOG (START an EPOCHREALTIME).
wine_session_report() {
    local what=$1 status=$2 start=$3 log=$4
    local tenths=$(((${EPOCHREALTIME/./} - ${start/./}) / 100000))
    echo "wine session: $what (exit status $status after $((tenths / 10)).$((tenths % 10)) s); its output:" >&2
    tail -n 30 "$log" 2>/dev/null | sed 's/^/    /' >&2
}

wine_session_xvfb() {
    # Xvfb takes the first free display number itself and writes it out once
    # it accepts connections: sessions started at the same moment by
    # different people never end up sharing one display.
    local number="$TNK_SESSION_DIR/display" log="$TNK_SESSION_DIR/xvfb.log"
    local start=$EPOCHREALTIME
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >"$log" 2>&1 &
    TNK_XVFB_PID=$!
    for _ in $(seq 1 $((TNK_SESSION_LIMIT * 10))); do
        if grep -q '^[0-9]' "$number" 2>/dev/null; then
            export DISPLAY=":$(head -n 1 "$number")"
            return 0
        fi
        kill -0 "$TNK_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    local status=running
    if ! kill -0 "$TNK_XVFB_PID" 2>/dev/null; then
        status=0
        wait "$TNK_XVFB_PID" || status=$?
    fi
    wine_session_report "Xvfb gave no display" "$status" "$start" "$log"
    return 1
}

wine_session_start() {
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    TNK_SESSION_DIR=$(mktemp -d /tmp/tarnwick-wine.XXXXXX)
    export WINEPREFIX="$TNK_SESSION_DIR/prefix"
    TNK_XVFB_PID=""
    if [ "${1:-}" != --keep-display ] || [ -z "${DISPLAY:-}" ]; then
        wine_session_xvfb || return 1
    fi
    # The prefix is made before anything else runs in it: wineboot returns
    # once its registry and services are in place.
    local log="$TNK_SESSION_DIR/wineboot.log" start=$EPOCHREALTIME status=0
    timeout "$TNK_SESSION_LIMIT" "$WINE64" wineboot -i </dev/null >"$log" 2>&1 || status=$?
    if [ "$status" != 0 ]; then
        wine_session_report "wineboot -i failed" "$status" "$start" "$log"
        return 1
    fi
    # wineboot's own server ends a few seconds after its last program. The
    # session's server starts once it is gone and stays for 10 minutes
    # after the last program, outside ctest: started by a test, it and the
    # prefix's services would hold ctest's output pipe, and every test
    # program would start them anew.
    log="$TNK_SESSION_DIR/wineserver.log"
    start=$EPOCHREALTIME
    status=0
    timeout "$TNK_SESSION_LIMIT" "$WINESERVER" -w >"$log" 2>&1 || status=$?
    [ "$status" = 0 ] && { "$WINESERVER" -p 600 </dev/null >>"$log" 2>&1 || status=$?; }
    if [ "$status" != 0 ]; then
        wine_session_report "the session's wineserver did not start" "$status" "$start" "$log"
        return 1
    fi
    # Without a window manager, destroying a top-level window waits ~2 s
    # unless Wine manages no windows itself.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
    "$WINESERVER" -k >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true
    [ -n "${TNK_XVFB_PID:-}" ] && kill "$TNK_XVFB_PID" 2>/dev/null || true
    [ -n "${TNK_SESSION_DIR:-}" ] && rm -rf "$TNK_SESSION_DIR"
    TNK_SESSION_DIR=""
    TNK_XVFB_PID=""
}
