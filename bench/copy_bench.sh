#!/usr/bin/env bash
# Times kestro against cp -a and rsync -a on the same trees: a full copy of
# a tree of many small files and a few large ones, and an update in which
# nothing changed. Prints the times and the ratios to the two targets:
#   full copy        kestro / cp -a          at most 1.1
#   no-change update kestro / rsync -a       at most 0.5
#
# Usage: bench/copy_bench.sh [kestro binary]   (default build/default/kestro)
# Sizes: SMALL_FILES (100000), FILES_PER_DIR (1000), LARGE_FILES (4),
#        LARGE_MB (64), RUNS (3: the best of each is kept), WORK (a temp dir).
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
# Runs "$@" RUNS times after `prepare` and prints the best wall time.
best_of() {
    local prepare=$1; shift
    local best=""
    for _ in $(seq "$RUNS"); do
        eval "$prepare"
        sync
        local t0 t1
        t0=$(now)
        "$@" >/dev/null 2>&1
        t1=$(now)
        best=$(python3 -c "import sys; a=float(sys.argv[1]); b=sys.argv[2]; print(a if b=='' or a<float(b) else b)" \
               "$(python3 -c "print($t1-$t0)")" "$best")
    done
    echo "$best"
}

run_kestro() { KESTRO_PAUSE=0 "$kestro" -p "$src" -d "$1" -m </dev/null; }

fresh() { rm -rf "$work/$1"; }

kestro_full=$(best_of "fresh k" run_kestro "$work/k")
cp_full=$(best_of "fresh c" cp -a "$src" "$work/c")
rsync_full=$(best_of "fresh r" rsync -a "$src/" "$work/r/")

# The update runs find every file up to date.
kestro_update=$(best_of ":" run_kestro "$work/k")
rsync_update=$(best_of ":" rsync -a "$src/" "$work/r/")

# A check that the copy is whole before any figure is believed.
if ! diff -rq "$src" "$work/k" >/dev/null; then
    echo "kestro's copy differs from the source: figures not valid" >&2
    exit 1
fi

python3 - "$kestro_full" "$cp_full" "$rsync_full" "$kestro_update" "$rsync_update" <<'PY'
import sys
kf, cf, rf, ku, ru = map(float, sys.argv[1:])
print()
print("%-30s %9s" % ("", "seconds"))
print("%-30s %9.3f" % ("kestro full copy", kf))
print("%-30s %9.3f" % ("cp -a full copy", cf))
print("%-30s %9.3f" % ("rsync -a full copy", rf))
print("%-30s %9.3f" % ("kestro no-change update", ku))
print("%-30s %9.3f" % ("rsync -a no-change update", ru))
print()
print("full copy:        kestro / cp -a    = %.2f   (target <= 1.10) %s" % (kf / cf, "met" if kf / cf <= 1.10 else "NOT met"))
print("full copy:        kestro / rsync -a = %.2f" % (kf / rf))
print("no-change update: kestro / rsync -a = %.2f   (target <= 0.50) %s" % (ku / ru, "met" if ku / ru <= 0.50 else "NOT met"))
PY
