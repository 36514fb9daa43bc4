#!/usr/bin/env bash
# Times kestro against cp -a and rsync -a on the same trees: a full copy of
# a tree of many small files and a few large ones (with one copy worker,
# KESTRO_COPY_THREADS=1, with the workers kestro chooses by default, and with
# one worker per core up to 4 where that is not the default), the large files
# alone, an update in which nothing changed, and the same update on a tree of
# the shape installed software has (many folders of a few files, a few
# levels deep), where the cost per folder shows. Prints the times and the
# ratios to the targets:
#   full copy        kestro (default workers) / cp -a   at most 0.50
#   full copy        kestro (1 worker) / cp -a          at most 0.85
#   large files      kestro (default workers) / cp -a   at most 0.65
#   no-change update kestro / rsync -a                  at most 0.30
#   the same on the tree of many folders                at most 0.40
#
# Usage: bench/copy_bench.sh [kestro binary]   (default build/default/kestro)
# Sizes: SMALL_FILES (100000), FILES_PER_DIR (1000), LARGE_FILES (4),
#        LARGE_MB (64), FOLDER_TREE_FILES (65536) in FOLDER_TREE_FOLDERS
#        (4512), RUNS (3 runs of each, the tools taking turns; the best
#        and the median are shown), WORK (a temp dir; it holds RUNS copies per
#        tool until the end, about 0.7 GB each at the default sizes), SETTLE
#        (seconds of waiting before the first timing, 0; see below: on ext4
#        run it six minutes after any large removal on the same disk).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
kestro=${1:-$here/build/default/kestro}
SMALL_FILES=${SMALL_FILES:-100000}
FILES_PER_DIR=${FILES_PER_DIR:-1000}
LARGE_FILES=${LARGE_FILES:-4}
LARGE_MB=${LARGE_MB:-64}
RUNS=${RUNS:-3}
FOLDER_TREE_FILES=${FOLDER_TREE_FILES:-65536}
FOLDER_TREE_FOLDERS=${FOLDER_TREE_FOLDERS:-4512}

source "$here/bench/bench_common.sh"
require_kestro_and_tools "$kestro" cp rsync python3

work=${WORK:-$(mktemp -d /tmp/kestro-bench.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
src=$work/src

echo "Building the tree: $SMALL_FILES small files ($FILES_PER_DIR a folder), $LARGE_FILES x ${LARGE_MB} MB in $work"
make_small_files "$src" "$SMALL_FILES" "$FILES_PER_DIR"
python3 - "$src" "$LARGE_FILES" "$LARGE_MB" <<'PY'
import os, sys
src, large, large_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
os.makedirs(os.path.join(src, "large"), exist_ok=True)
chunk = os.urandom(1 << 20)
for i in range(large):
    with open(os.path.join(src, "large", "big%d.bin" % i), "wb") as f:
        for _ in range(large_mb):
            f.write(chunk)
PY
echo "Building the tree of many folders: $FOLDER_TREE_FILES files in $FOLDER_TREE_FOLDERS folders"
python3 - "$work/folders" "$FOLDER_TREE_FOLDERS" "$FOLDER_TREE_FILES" <<'PY'
import os, random, sys
# Folders at most five levels deep, each made beside or below one of the
# last made (as packages lay out their files); a few folders hold many
# files, most a handful; sizes 100 bytes to 4 KB.
src, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(11)
payload = os.urandom(4096)
os.makedirs(src)
made = [(src, 0)]
while len(made) < folders:
    parent, depth = rng.choice([m for m in made[-40:] if m[1] < 5] or made[:1])
    path = os.path.join(parent, "dir%04d" % len(made))
    os.mkdir(path)
    made.append((path, depth + 1))
weights = [rng.paretovariate(1.2) for _ in made]
scale = files / sum(weights)
counts = [int(w * scale) for w in weights]
for i in range(files - sum(counts)):
    counts[i % len(counts)] += 1
for (path, _), count in zip(made, counts):
    for j in range(count):
        with open(os.path.join(path, "file%05d.txt" % j), "wb") as f:
            f.write(payload[:rng.randint(100, 4000)])
PY
sync
# ext4 without a journal passes over inodes freed in the last minute (six if
# their inode table is written to again) each time it makes a new one, at a
# great cost per file: right after large removals on the same file system
# (an earlier bench's trees) every tool is timed at several times its speed.
# SETTLE seconds of waiting before the first timing let them age.
if [ "${SETTLE:-0}" != 0 ]; then
    echo "Waiting $SETTLE s for inodes freed by earlier runs to age"
    sleep "$SETTLE"
fi

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

run_kestro() { KESTRO_PAUSE=0 "$kestro" -p "$2" -d "$1" -m </dev/null; }
one_worker() { KESTRO_COPY_THREADS=1 run_kestro "$@"; }
default_workers() { (unset KESTRO_COPY_THREADS; run_kestro "$@"); }
all_cores() { KESTRO_COPY_THREADS=$cores run_kestro "$@"; }

# What kestro chooses by default: a worker per core up to 4, one on a
# rotating disk (as the block device's queue says; a virtio disk's flag is
# only the kernel's default and counts as not rotating).
cores=$(nproc)
[ "$cores" -gt 4 ] && cores=4
device=$(stat -c '%Hd:%Ld' "$work" 2>/dev/null || true)
rotational=$(cat "/sys/dev/block/$device/queue/rotational" 2>/dev/null ||
             cat "$(readlink -f "/sys/dev/block/$device")/../queue/rotational" 2>/dev/null || echo 0)
case "$(readlink -f "/sys/dev/block/$device" 2>/dev/null)" in */virtio*) rotational=0 ;; esac
default=$cores
[ "$rotational" = 1 ] && default=1
echo "Cores: $(nproc); the work folder's disk is rotational: $([ "$rotational" = 1 ] && echo yes || echo no);" \
     "default copy workers: $default; load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# Every full copy goes to a folder of its own and nothing is removed until
# the end: ext4 looks long for a free inode right after a large removal, and
# whichever tool ran next would pay for it. The tools take turns, so that a
# busy moment of this shared machine falls on all of them alike.
declare -a kestro_full1 kestro_full kestro_fullc cp_full rsync_full kestro_large1 kestro_large cp_large
declare -a kestro_update rsync_update
for i in $(seq "$RUNS"); do
    kestro_full1+=("$(timed one_worker "$work/k1-$i" "$src")")
    kestro_full+=("$(timed default_workers "$work/k$i" "$src")")
    [ "$default" != "$cores" ] && kestro_fullc+=("$(timed all_cores "$work/kc$i" "$src")")
    cp_full+=("$(timed cp -a "$src" "$work/c$i")")
    rsync_full+=("$(timed rsync -a "$src/" "$work/r$i/")")
done
for i in $(seq "$RUNS"); do
    kestro_large1+=("$(timed one_worker "$work/l1-$i" "$src/large")")
    kestro_large+=("$(timed default_workers "$work/l$i" "$src/large")")
    cp_large+=("$(timed cp -a "$src/large" "$work/cl$i")")
done
# The update runs find every file up to date.
for i in $(seq "$RUNS"); do
    kestro_update+=("$(timed default_workers "$work/k1" "$src")")
    rsync_update+=("$(timed rsync -a "$src/" "$work/r1/")")
done
declare -a kestro_folders rsync_folders
default_workers "$work/kf" "$work/folders" >/dev/null 2>&1
rsync -a "$work/folders/" "$work/rf/"
for i in $(seq "$RUNS"); do
    kestro_folders+=("$(timed default_workers "$work/kf" "$work/folders")")
    rsync_folders+=("$(timed rsync -a "$work/folders/" "$work/rf/")")
done

# A check that the copy is whole before any figure is believed.
if ! diff -rq "$src" "$work/k1" >/dev/null || ! diff -rq "$src" "$work/k1-1" >/dev/null ||
    ! diff -rq "$work/folders" "$work/kf" >/dev/null; then
    echo "kestro's copy differs from the source: figures not valid" >&2
    exit 1
fi

echo "Load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$default" "$cores" "${kestro_full1[*]}" "${kestro_full[*]}" "${kestro_fullc[*]:-}" "${cp_full[*]}" \
    "${rsync_full[*]}" "${kestro_large1[*]}" "${kestro_large[*]}" "${cp_large[*]}" "${kestro_update[*]}" \
    "${rsync_update[*]}" "${kestro_folders[*]}" "${rsync_folders[*]}" <<'PY'
import statistics, sys
default, cores = sys.argv[1], sys.argv[2]
k1, kd, kc, cf, rf, l1, ld, cl, ku, ru, kf, rff = ([float(x) for x in arg.split()] for arg in sys.argv[3:])
rows = [("kestro full copy, 1 worker", k1), ("kestro full copy, default (%s)" % default, kd)]
if kc:
    rows.append(("kestro full copy, %s workers" % cores, kc))
rows += [("cp -a full copy", cf), ("rsync -a full copy", rf),
         ("kestro large files, 1 worker", l1), ("kestro large files, default", ld), ("cp -a large files", cl),
         ("kestro no-change update", ku), ("rsync -a no-change update", ru),
         ("kestro update, many folders", kf), ("rsync -a update, many folders", rff)]
print()
print("%-34s %9s %9s   %s" % ("", "best", "median", "all runs (seconds)"))
for label, runs in rows:
    print("%-34s %9.3f %9.3f   %s" % (label, min(runs), statistics.median(runs), " ".join("%.3f" % r for r in runs)))
print()
def ratio(label, a, b, target=None):
    best, median = min(a) / min(b), statistics.median(a) / statistics.median(b)
    verdict = "" if target is None else "   (target <= %.2f: %s)" % (target, "met" if max(best, median) <= target else
                                                                    "met on best only" if best <= target else "NOT met")
    print("%-48s best %.2f   median %.2f%s" % (label, best, median, verdict))
ratio("full copy:        kestro, 1 worker / cp -a", k1, cf, 0.85)
ratio("full copy:        kestro, default / cp -a", kd, cf, 0.50)
if kc:
    ratio("full copy:        kestro, %s workers / cp -a" % cores, kc, cf)
ratio("full copy:        kestro, default / rsync -a", kd, rf)
ratio("large files:      kestro, default / cp -a", ld, cl, 0.65)
ratio("large files:      kestro, default / 1 worker", ld, l1, 1.05)
ratio("no-change update: kestro / rsync -a", ku, ru, 0.30)
ratio("the same, many folders: kestro / rsync -a", kf, rff, 0.40)
PY
