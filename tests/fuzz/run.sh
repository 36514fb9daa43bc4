#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a share of a bounded time, starting
# from its corpus in the repository (new inputs go to a scratch folder, so the
# repository is left as it is). Fails on the first finding; the input that
# caused it is left in the current folder as crash-*, leak-* or timeout-*.
#   tests/fuzz/run.sh BUILD_DIR TOTAL_SECONDS
set -euo pipefail

build=${1:?build folder of the fuzz preset}
total=${2:-60}
targets=("$build"/tests/fuzz/fuzz_*)
seconds=$(( total / ${#targets[@]} ))
(( seconds >= 5 )) || seconds=5
corpus_root="$(cd "$(dirname "$0")" && pwd)/corpus"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for target in "${targets[@]}"; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "$scratch/$name" "$corpus_root/$name"
    echo "--- $name: $seconds s"
    status=0
    "$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 -artifact_prefix="$PWD/" \
        -print_final_stats=1 "$scratch/$name" "$corpus_root/$name" >"$scratch/$name.log" 2>&1 || status=$?
    grep -E '^stat::(number_of_executed_units|new_units_added)' "$scratch/$name.log" || true
    if [ "$status" -ne 0 ]; then
        cat "$scratch/$name.log" >&2
        echo "$name found a fault" >&2
        exit 1
    fi
done
