#!/usr/bin/env bash
# A capture shown end to end: Tarnwick and the test page host run in a private
# Wine prefix, the mouse drags from the hand icon over the page (real X input
# through xdotool), and screenshots are saved on the way. With DISPLAY set it
# runs there, so a person can watch; without one in a private Xvfb display.
# Every process it starts is ended by its id, the prefix's wineserver with -k.
#
#   scripts/demo.sh BUILD_DIR    (scripts/run.sh --demo builds and calls it)
#
# Each scene is a function that leaves its pictures in $shots and its texts
# on stdout; a new scene is one more function and one more line in main.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo.sh BUILD_DIR}" && pwd)
shots="$build/demo"

# Generous: under Wine the first call into each remote object is slow, and
# the machine may be busy.
state_timeout=300
# Where the windows go, in screen pixels: the page host puts its frame at
# (100,100)-(500,430) and its page at (100,130); Tarnwick goes beside it.
page_left=100
page_top=130
app_x=530
app_y=100

# The programs started in the background: ids, and for each its command,
# output file and start time (an EPOCHREALTIME).
started=()
declare -A started_what started_out started_at
work=""
watched=""

# How each program the demo started has fared: still running or its exit
# status, the seconds since its start, and the end of its output.
report_started() {
    local pid status tenths
    for pid in "${started[@]}"; do
        status=running
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            status="ended with exit status $status"
        fi
        tenths=$(((${EPOCHREALTIME/./} - ${started_at[$pid]/./}) / 100000))
        echo "demo: ${started_what[$pid]}: $status, $((tenths / 10)).$((tenths % 10)) s after its start; its output:" >&2
        tail -n 20 "${started_out[$pid]}" 2>/dev/null | tr -d '\r' | sed 's/^/    /' >&2
    done
}

# Ends the demo with a reason, how its programs fared and a picture of the
# whole screen.
fail() {
    echo "demo: $*" >&2
    report_started
    if [ -d "$shots" ] && import -window root "$shots/failure.png" 2>/dev/null; then
        echo "demo: the screen at that moment: $shots/failure.png" >&2
    fi
    exit 1
}

end_started() {
    local pid
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    started=()
}

# Ends what a scene started (Tarnwick runs once per session), after a moment
# to look at its last state when someone watches. The next scene gets a
# fresh wineserver: nothing the ended processes left half done (a COM
# conversation cut off) can hold up its start.
end_scene() {
    if [ -n "$watched" ]; then
        sleep 5
    fi
    end_started
    /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver64 -w >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver64 -p 600 </dev/null >/dev/null 2>&1 || true
}

finish() {
    end_started
    if [ -n "${TNK_SESSION_DIR:-}" ]; then
        wine_session_stop
    fi
    if [ -n "$work" ]; then
        rm -rf "$work"
    fi
}

# Starts a Windows program in the background, remembering its id, command,
# output file and start time.
start_wine() {
    local out=$1 start=$EPOCHREALTIME
    shift
    "$WINE64" "$@" </dev/null >"$out" 2>&1 &
    started+=($!)
    started_what[$!]="${*##*/}"
    started_out[$!]=$out
    started_at[$!]=$start
}

reader() {
    "$WINE64" "$build/tests/support/demo_reader/demo_reader.exe" "$@" </dev/null |
        tr -d '\r'
    return "${PIPESTATUS[0]}"
}

# Waits until the text area holds what the arguments ask (see demo_reader)
# and prints it; fails with `what` when it never does.
shown_text() {
    local what=$1
    shift
    local text
    text=$(reader text "$@" --wait "$state_timeout") ||
        fail "$what did not show within $state_timeout s; the text area holds: $text"
    printf '%s\n' "$text"
}

glide() {
    local x0=$1 y0=$2 x1=$3 y1=$4 steps=${5:-12} i
    for i in $(seq 1 "$steps"); do
        xdotool mousemove $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
        sleep 0.05
    done
}

# A point of the demo page in screen pixels: page_x and page_y set.
page_at() {
    page_x=$((page_left + $1))
    page_y=$((page_top + $2))
}

# A screenshot of the page host and Tarnwick together, with an arrow where
# the pointer is (X screenshots leave the pointer out).
screenshot() {
    local file=$1 pointer_x=$2 pointer_y=$3
    local left=$((page_left - 20)) top=$((app_top - 20))
    local right=$((app_right + 20)) bottom=$((app_bottom + 20))
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$file"
    local x=$((pointer_x - left)) y=$((pointer_y - top))
    mogrify -fill white -stroke black -strokewidth 1 \
        -draw "polygon $x,$y $x,$((y + 17)) $((x + 4)),$((y + 13)) $((x + 7)),$((y + 20)) $((x + 10)),$((y + 19)) $((x + 7)),$((y + 12)) $((x + 12)),$((y + 12))" \
        "$file"
}

# Tarnwick in a folder of its own, with a tnk.cfg packed for that copy from
# the default configuration: the filter on, hiding off (so the window shows
# the text during the drag), wrapped lines, and capture from any program.
start_tarnwick() {
    local app="$work/app"
    mkdir -p "$app"
    cp "$build/src/app/tarnwick.exe" "$app/"
    sed -E 's|<option [^>]*>|<option anywindow="1" autowrap="1" filter="1" hideoc="0">|' \
        "$root/src/resources/default_config.xml" >"$work/demo.xml"
    grep -q 'filter="1"' "$work/demo.xml" || fail "no option element in the default configuration"
    "$build/host-tools/tools/tnkcfg/tnkcfg" pack "$work/demo.xml" --exe "$app/tarnwick.exe" \
        -o "$app/tnk.cfg" --force >/dev/null || fail "could not pack tnk.cfg"
    start_wine "$work/tarnwick.out" "$app/tarnwick.exe"
    local name a b c d
    while read -r name a b c d; do
        case $name in
            window) app_top=$b app_right=$c app_bottom=$d ;;
            icon) icon_x=$a icon_y=$b ;;
            blank) blank_x=$a blank_y=$b ;;
            plus) plus_x=$a plus_y=$b ;;
        esac
    done < <(reader place "$app_x" "$app_y" || fail "Tarnwick's window did not appear")
    [ -n "${plus_y:-}" ] || fail "Tarnwick's window did not appear"
    # The first click makes the window take the mouse, as a user's would.
    xdotool mousemove "$blank_x" "$blank_y"
    sleep 0.3
    xdotool click 1
}

# Starts one of the test hosts (page_host, accessible_host) with a page and
# waits for its ready line.
start_host() {
    local host=$1 page=$2
    local out="$work/$host.out"
    start_wine "$out" "$build/tests/support/$host/$host.exe" "$page"
    local pid=${started[-1]}
    for _ in $(seq 1 $((state_timeout * 5))); do
        grep -q "$host ready" "$out" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || fail "$host ended before it was ready"
        sleep 0.2
    done
    fail "$host did not show its windows within $state_timeout s"
}

start_page_host() {
    start_host page_host "$1"
}

# Scene: a drag over a page served through the browser's document
# interfaces, passing a frame and a table cell and ending on a paragraph that
# hides text in each of the ways the filter knows; then "+".
scene_page_capture() {
    start_page_host demo
    start_tarnwick

    xdotool mousemove "$icon_x" "$icon_y"
    sleep 0.3
    xdotool mousedown 1
    page_at 150 205
    glide "$icon_x" "$icon_y" "$page_x" "$page_y" 16
    shown_text "the frame's paragraph" --has "Text in a frame" >/dev/null
    local x=$page_x y=$page_y
    page_at 300 135
    glide "$x" "$y" "$page_x" "$page_y"
    shown_text "the table cell" --has "Second cell" >/dev/null
    x=$page_x y=$page_y
    page_at 200 65
    glide "$x" "$y" "$page_x" "$page_y"
    local dragging
    dragging=$(shown_text "the paragraph" --has "[display none]")
    screenshot "$shots/page-1-dragging.png" "$page_x" "$page_y"

    xdotool mouseup 1
    local released
    released=$(shown_text "the filtered text" --has "Visible words" --lacks "[display none]")
    screenshot "$shots/page-2-released.png" "$page_x" "$page_y"

    xdotool mousemove "$((plus_x + 3))" "$((plus_y + 4))"
    sleep 0.3
    xdotool click 1
    local enlarged
    enlarged=$(shown_text "the enclosing element" --has "Second cell")
    screenshot "$shots/page-3-enlarged.png" "$((plus_x + 3))" "$((plus_y + 4))"

    cat <<EOF
Dragging over the paragraph, Tarnwick shows all of its text, hidden parts too:
$(sed 's/^/    /' <<<"$dragging")
Released, with "Filter rubbish characters" on, the hidden parts are gone:
$(sed 's/^/    /' <<<"$released")
"+" widens the capture to the enclosing element, the page's body:
$(sed 's/^/    /' <<<"$enlarged")
EOF
    end_scene
}

# Scene: the same gesture over a program that is no browser page at all,
# read through its accessible objects ("Capture from any program"): a
# heading, then a passage hiding text in the ways such a program reports (an
# invisible object, a zero font size, text in its background colour).
scene_accessible_capture() {
    start_host accessible_host article
    start_tarnwick

    xdotool mousemove "$icon_x" "$icon_y"
    sleep 0.3
    xdotool mousedown 1
    page_at 200 25
    glide "$icon_x" "$icon_y" "$page_x" "$page_y" 16
    shown_text "the heading" --has "Hello accessible" >/dev/null
    local x=$page_x y=$page_y
    page_at 40 115
    glide "$x" "$y" "$page_x" "$page_y"
    local dragging
    dragging=$(shown_text "the passage" --has "ghost" --lacks "Hello accessible")
    screenshot "$shots/accessible-1-dragging.png" "$page_x" "$page_y"

    xdotool mouseup 1
    local released
    released=$(shown_text "the filtered passage" --has "Visible text" --lacks "ghost")
    screenshot "$shots/accessible-2-released.png" "$page_x" "$page_y"

    xdotool mousemove "$((plus_x + 3))" "$((plus_y + 4))"
    sleep 0.3
    xdotool click 1
    local enlarged
    enlarged=$(shown_text "the enclosing object" --has "Hello accessible")
    screenshot "$shots/accessible-3-enlarged.png" "$((plus_x + 3))" "$((plus_y + 4))"

    cat <<EOF
Over a program read through its accessible objects, the passage shows with
its hidden parts:
$(sed 's/^/    /' <<<"$dragging")
Released, with "Filter rubbish characters" on, they are gone:
$(sed 's/^/    /' <<<"$released")
"+" widens the capture to the program's document:
$(sed 's/^/    /' <<<"$enlarged")
EOF
    end_scene
}

main() {
    source "$root/scripts/wine-session.sh"
    # Someone at a terminal with a display set is watching.
    if [ -n "${DISPLAY:-}" ] && [ -t 1 ]; then
        watched=yes
    fi
    trap finish EXIT
    trap 'exit 130' INT TERM
    wine_session_start --keep-display
    work=$(mktemp -d /tmp/tarnwick-demo.XXXXXX)
    mkdir -p "$shots"
    rm -f "$shots"/*.png

    scene_page_capture
    scene_accessible_capture

    echo "Pictures:"
    ls "$shots"/*.png | sed 's/^/    /'
}

main
