#!/usr/bin/env bash
# Times kestro against cp -a and rsync -a on the same trees: a full copy of
# a tree of many small files and a few large ones, and an update in which
# nothing changed. Prints the times and the ratios to the two targets:
#   full copy        kestro / cp -a          at most 1.1
#   no-change update kestro / rsync -a       at most 0.5
#
# Usage: bench/copy_bench.sh [kestro binary]   (default build/default/kestro)
# Sizes: SMALL_FILES (100000), FILES_PER_DIR (1000), LARGE_FILES (4),
#        LARGE_MB (64), RUNS (3 runs of each, the tools taking turns; the best
#        and the median are shown), WORK (a temp dir; it holds RUNS copies per
#        tool until the end, about 0.7 GB each at the default sizes).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
kestro=${1:-$here/build/default/kestro}
SMALL_FILES=${SMALL_FILES:-100000}
FILES_PER_DIR=${FILES_PER_DIR:-1000}
LARGE_FILES=${LARGE_FILES:-4}
LARGE_MB=${LARGE_MB:-64}
RUNS=${RUNS:-3}

missing=0
if [ ! -x "$kestro" ]; then
    echo "kestro binary not found at $kestro: build it first (cmake --workflow --preset default)" >&2
    missing=1
fi
for tool in cp rsync python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is not installed: the comparison needs it (apt-get install $tool)" >&2
        missing=1
    fi
done
[ "$missing" = 0 ] || exit 2

work=${WORK:-$(mktemp -d /tmp/kestro-bench.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
src=$work/src

echo "Building the tree: $SMALL_FILES small files ($FILES_PER_DIR a folder), $LARGE_FILES x ${LARGE_MB} MB in $work"
python3 - "$src" "$SMALL_FILES" "$FILES_PER_DIR" "$LARGE_FILES" "$LARGE_MB" <<'PY'
import os, random, sys
src, small, per_dir, large, large_mb = sys.argv[1], *map(int, sys.argv[2:])
rng = random.Random(7)
payload = os.urandom(16384)
for i in range(small):
    folder = os.path.join(src, "d%03d" % (i // per_dir))
    if i % per_dir == 0:
        os.makedirs(folder, exist_ok=True)
    size = rng.randint(100, 8000)
    with open(os.path.join(folder, "f%06d.dat" % i), "wb") as f:
        f.write(payload[:size])
os.makedirs(os.path.join(src, "large"), exist_ok=True)
chunk = os.urandom(1 << 20)
for i in range(large):
    with open(os.path.join(src, "large", "big%d.bin" % i), "wb") as f:
        for _ in range(large_mb):
            f.write(chunk)
PY
sync

now() { date +%s.%N; }
# Wall time of one run of "$@", after the dirty pages of earlier runs are
# written out, so that no run pays for another's writes.
timed() {
    sync
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    python3 -c "print($t1-$t0)"
}

run_kestro() { KESTRO_PAUSE=0 "$kestro" -p "$src" -d "$1" -m </dev/null; }

# Every full copy goes to a folder of its own and nothing is removed until
# the end: ext4 looks long for a free inode right after a large removal, and
# whichever tool ran next would pay for it. The tools take turns, so that a
# busy moment of this shared machine falls on all of them alike.
declare -a kestro_full cp_full rsync_full kestro_update rsync_update
for i in $(seq "$RUNS"); do
    kestro_full+=("$(timed run_kestro "$work/k$i")")
    cp_full+=("$(timed cp -a "$src" "$work/c$i")")
    rsync_full+=("$(timed rsync -a "$src/" "$work/r$i/")")
done
# The update runs find every file up to date.
for i in $(seq "$RUNS"); do
    kestro_update+=("$(timed run_kestro "$work/k1")")
    rsync_update+=("$(timed rsync -a "$src/" "$work/r1/")")
done

# A check that the copy is whole before any figure is believed.
if ! diff -rq "$src" "$work/k1" >/dev/null; then
    echo "kestro's copy differs from the source: figures not valid" >&2
    exit 1
fi

python3 - "${kestro_full[*]}" "${cp_full[*]}" "${rsync_full[*]}" "${kestro_update[*]}" "${rsync_update[*]}" <<'PY'
import statistics, sys
kf, cf, rf, ku, ru = ([float(x) for x in arg.split()] for arg in sys.argv[1:])
rows = [("kestro full copy", kf), ("cp -a full copy", cf), ("rsync -a full copy", rf),
        ("kestro no-change update", ku), ("rsync -a no-change update", ru)]
print()
print("%-28s %9s %9s   %s" % ("", "best", "median", "all runs (seconds)"))
for label, runs in rows:
    print("%-28s %9.3f %9.3f   %s" % (label, min(runs), statistics.median(runs), " ".join("%.3f" % r for r in runs)))
print()
def ratio(label, a, b, target=None):
    best, median = min(a) / min(b), statistics.median(a) / statistics.median(b)
    verdict = "" if target is None else "   (target <= %.2f: %s)" % (target, "met" if max(best, median) <= target else
                                                                    "met on best only" if best <= target else "NOT met")
    print("%-36s best %.2f   median %.2f%s" % (label, best, median, verdict))
ratio("full copy:        kestro / cp -a", kf, cf, 1.10)
ratio("full copy:        kestro / rsync -a", kf, rf)
ratio("no-change update: kestro / rsync -a", ku, ru, 0.50)
PY
