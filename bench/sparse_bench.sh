#!/usr/bin/env bash
# Copies a sparse disk image with kestro and with cp -a and prints, for each,
# the space the copy takes on disk beside its size, and the time the copy
# took. A copy that keeps the holes takes about what the image's data takes.
#
# Usage: bench/sparse_bench.sh [kestro binary]   (default build/default/kestro)
# Sizes: IMAGE_GB (16: the image's size), DATA_MB (256: its data, in 64
#        pieces spread over it), RUNS (3 runs of each, the tools taking turns;
#        the best time is shown), WORK (a temp dir on the disk to measure).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
kestro=${1:-$here/build/default/kestro}
IMAGE_GB=${IMAGE_GB:-16}
DATA_MB=${DATA_MB:-256}
RUNS=${RUNS:-3}

source "$here/bench/bench_common.sh"
require_kestro_and_tools "$kestro" cp cmp python3

work=${WORK:-$(mktemp -d /tmp/kestro-sparse.XXXXXX)}
mkdir -p "$work/src"
trap 'rm -rf "$work"' EXIT
image=$work/src/disk.img

python3 - "$image" "$IMAGE_GB" "$DATA_MB" <<'PY'
import os, sys
path, image_gb, data_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
size, pieces = image_gb << 30, 64
piece = os.urandom((data_mb << 20) // pieces)
with open(path, "wb") as f:
    for i in range(pieces):
        f.seek(i * (size // pieces))
        f.write(piece)
    f.truncate(size)
PY
allocated() { echo $(( $(stat -c '%b * %B' "$1") )); }
if [ "$(allocated "$image")" -ge "$(stat -c %s "$image")" ]; then
    echo "The file system of $work keeps no holes: nothing to measure" >&2
    exit 2
fi

now() { date +%s.%N; }
# Wall time of one copy, after the dirty pages of earlier runs are written
# out, so that no run pays for another's writes.
timed() {
    sync
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    python3 -c "print($t1-$t0)"
}
run_kestro() { KESTRO_PAUSE=0 "$kestro" -p "$work/src" -d "$1" -m </dev/null; }

declare -a kestro_times cp_times
for i in $(seq "$RUNS"); do
    rm -rf "$work/k" "$work/c"
    kestro_times+=("$(timed run_kestro "$work/k")")
    cp_times+=("$(timed cp -a "$work/src" "$work/c")")
done
# The copies must hold the image's data before any figure is believed.
if ! cmp -s "$image" "$work/k/disk.img" || ! cmp -s "$image" "$work/c/disk.img"; then
    echo "a copy differs from the image: figures not valid" >&2
    exit 1
fi

best() { python3 -c "import sys; print('%.2f' % min(map(float, sys.argv[1:])))" "$@"; }
mib() { echo $(( $1 >> 20 )); }
echo "Sparse image of $IMAGE_GB GiB with $DATA_MB MiB of data in $work (best of $RUNS runs):"
printf '  %-8s %10s MiB allocated of %s MiB  %8s s\n' \
    source "$(mib "$(allocated "$image")")" "$(mib "$(stat -c %s "$image")")" - \
    kestro "$(mib "$(allocated "$work/k/disk.img")")" "$(mib "$(stat -c %s "$work/k/disk.img")")" \
        "$(best "${kestro_times[@]}")" \
    "cp -a" "$(mib "$(allocated "$work/c/disk.img")")" "$(mib "$(stat -c %s "$work/c/disk.img")")" \
        "$(best "${cp_times[@]}")"
