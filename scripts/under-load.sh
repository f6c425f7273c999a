#!/usr/bin/env bash
# under-load.sh [-n HOGS] COMMAND...: runs COMMAND while HOGS processes (two
# by default) keep the cores busy, as on a machine shared with other work.
# The hogs are ended by their ids however COMMAND ends; exits with its status.
#
#   scripts/under-load.sh scripts/test-all.sh
#   scripts/under-load.sh ctest --preset win64 -R gui_tests
set -euo pipefail
hogs=2
if [ "${1:-}" = -n ]; then
    hogs=$2
    shift 2
fi
[ $# -gt 0 ] || { echo "usage: under-load.sh [-n HOGS] COMMAND..." >&2; exit 2; }

pids=()
end_hogs() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    pids=()
}
trap end_hogs EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 "$hogs"); do
    sha256sum /dev/zero >/dev/null 2>&1 &
    pids+=($!)
done
echo "under-load: $hogs CPU hogs running (ids ${pids[*]})" >&2
status=0
"$@" || status=$?
exit "$status"
