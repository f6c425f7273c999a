#!/usr/bin/env bash
# run-fuzzers.sh BUILD_DIR SECONDS: runs each fuzz target briefly from its seeds.
set -euo pipefail
build=$1
seconds=${2:-20}
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for target in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=$(mktemp -d)
    seeds="$root/tests/fuzz/seeds/${name#fuzz_}"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
    echo "-- $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" >"$corpus.log" 2>&1; then
        tail -40 "$corpus.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units' "$corpus.log" || true
    fi
    rm -rf "$corpus" "$corpus.log"
done
exit $status
