#!/usr/bin/env bash
# Verification benchmark: kestro --VERIFY= against md5sum -c on the same
# backup. The backup is SMALL_FILES small files (1 to 8 KiB, in 100 folders)
# and one file of BIG_MB MB, copied by kestro with -hd, whose hash log is
# what --VERIFY= reads; md5sum -c reads a checksum file of the same copies.
# Every file is in the page cache for both (read once before the runs). The
# tools take turns; prints wall and processor seconds, best and median of
# RUNS runs, and the ratio of the medians against the target:
#   kestro --VERIFY= / md5sum -c     at most 1.2
# Pauses are off (KESTRO_PAUSE=0), as in the other benchmarks: the rate
# display's pause is no part of the work.
#
# Usage: bench/verify_bench.sh [build-dir]   (default build/default)
# Sizes: SMALL_FILES (20000), BIG_MB (256), RUNS (5), WORK (a temp dir).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build/default}
SMALL_FILES=${SMALL_FILES:-20000}
BIG_MB=${BIG_MB:-256}
RUNS=${RUNS:-5}

for tool in md5sum python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: the comparison needs it" >&2; exit 2; }
done

cmake --build "$build" --target kestro >/dev/null
kestro=$build/kestro
work=${WORK:-$(mktemp -d "${TMPDIR:-/tmp}/verify_bench.XXXXXX")}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

echo "Writing $SMALL_FILES small files and $BIG_MB MB to $work; load: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$work/src" "$SMALL_FILES" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(25)
for i in range(count):
    folder = os.path.join(root, "d%03d" % (i % 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.dat" % i), "wb") as f:
        f.write(os.urandom(random.randint(1024, 8192)))
PY
head -c $((BIG_MB * 1000000)) /dev/urandom >"$work/src/big.bin"

# The backup and its hash log, as a user makes them.
KESTRO_PAUSE=0 "$kestro" -p "$work/src" -d "$work/dst" -m -i -hd -H "$work/hash.log" </dev/null >/dev/null 2>&1
(cd "$work/dst" && find . -type f -print0 | xargs -0 md5sum >"$work/sums")
find "$work/dst" -type f -print0 | xargs -0 cat >/dev/null  # into the page cache for both tools
sync

python3 - "$work" "$RUNS" "$kestro" <<'PY'
import os, resource, statistics, subprocess, sys, time
work, runs, kestro = sys.argv[1], int(sys.argv[2]), sys.argv[3]
env = dict(os.environ, KESTRO_PAUSE="0")
tools = [
    ("kestro --VERIFY=", [kestro, "--VERIFY=" + os.path.join(work, "hash.log")], work),
    ("md5sum -c", ["md5sum", "-c", os.path.join(work, "sums")], os.path.join(work, "dst")),
]
def timed(command, cwd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    done = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    wall = time.perf_counter() - t0
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done
results = {label: [] for label, _, _ in tools}
for _ in range(runs):
    for label, command, cwd in tools:
        wall, cpu, done = timed(command, cwd)
        results[label].append((wall, cpu))
        # The figures count only when both found every file as recorded.
        if done.returncode != 0:
            print("%s failed (exit %d): figures not valid\n%s" % (label, done.returncode, done.stdout[-2000:]),
                  file=sys.stderr)
            sys.exit(1)
files = sum(1 for line in open(os.path.join(work, "sums")))
print("\n%d files, %.0f MB" % (files, sum(os.path.getsize(os.path.join(r, n))
                                           for r, _, names in os.walk(os.path.join(work, "dst")) for n in names) / 1e6))
print("%-20s %17s %17s" % ("", "wall best/median", "cpu best/median"))
for label, runs_ in results.items():
    walls, cpus = [w for w, _ in runs_], [c for _, c in runs_]
    print("%-20s %8.3f %8.3f %8.3f %8.3f" % (label, min(walls), statistics.median(walls), min(cpus),
                                            statistics.median(cpus)))
walls = {label: statistics.median([w for w, _ in runs_]) for label, runs_ in results.items()}
ratio = walls["kestro --VERIFY="] / walls["md5sum -c"]
print("\nkestro --VERIFY= / md5sum -c   wall %.2f (medians; target <= 1.20: %s)" %
      (ratio, "met" if ratio <= 1.2 else "NOT met"))
PY
