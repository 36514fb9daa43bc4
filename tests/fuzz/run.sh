#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a share of a bounded time, starting
# from its corpus in the repository (new inputs go to a scratch folder, so the
# repository is left as it is). The targets run in lanes side by side, one
# target per lane at a time (KESTRO_FUZZ_LANES, by default the number of
# cores, at most 2), each for the same share as one after another. Fails on
# the first finding: no lane starts another target after it, its log is shown
# and the input that caused it is left in the current folder as crash-*,
# leak-* or timeout-*.
#   tests/fuzz/run.sh BUILD_DIR TOTAL_SECONDS
set -euo pipefail

build=${1:?build folder of the fuzz preset}
total=${2:-60}
targets=()
for target in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$target" ] && targets+=("$target")
done
(( ${#targets[@]} )) || { echo "no fuzz targets in $build/tests/fuzz" >&2; exit 1; }
seconds=$(( total / ${#targets[@]} ))
(( seconds >= 5 )) || seconds=5
cores=$(nproc 2>/dev/null || echo 1)
lanes=${KESTRO_FUZZ_LANES:-$(( cores < 2 ? cores : 2 ))}
(( lanes >= 1 )) || lanes=1
corpus_root="$(cd "$(dirname "$0")" && pwd)/corpus"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# One target; its statistics are shown when it ends, its log kept in the scratch folder.
run_target() {
    local target=$1 name
    name=$(basename "$target")
    mkdir -p "$scratch/$name" "$corpus_root/$name"
    local status=0
    "$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 -artifact_prefix="$PWD/" \
        -print_final_stats=1 "$scratch/$name" "$corpus_root/$name" >"$scratch/$name.log" 2>&1 || status=$?
    {
        echo "--- $name: $seconds s"
        grep -E '^stat::(number_of_executed_units|new_units_added)' "$scratch/$name.log" || true
    } >"$scratch/$name.out"
    cat "$scratch/$name.out"  # one write: the lanes' lines do not mix
    if [ "$status" -ne 0 ]; then
        echo "$name" >>"$scratch/failed"
        return 1
    fi
}

# Lane L runs targets L, L + lanes, L + 2 * lanes, ... while nothing is found.
run_lane() {
    local i
    for (( i = $1; i < ${#targets[@]}; i += lanes )); do
        [ -e "$scratch/failed" ] && return 0
        run_target "${targets[$i]}" || return 0
    done
}

pids=()
for (( lane = 0; lane < lanes; ++lane )); do
    run_lane "$lane" &
    pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done

if [ -f "$scratch/failed" ]; then
    while read -r name; do
        cat "$scratch/$name.log" >&2
        echo "$name found a fault" >&2
    done <"$scratch/failed"
    exit 1
fi
