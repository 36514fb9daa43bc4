#!/usr/bin/env bash
# How near kestro is to the least its system calls cost. Times a full copy
# of a tree of small files with kestro (one worker), with a bare program that
# makes exactly the calls kestro's copy makes for each file and nothing else
# (bench/copy_floor.cpp, "nameless": O_TMPFILE, copy, attribute record,
# times, link), with the same program creating each copy under its name at
# once ("named"), and with cp -a; then a no-change update with kestro (its
# default workers), with the bare program looking at each file and its copy
# once (statx), on one thread and on one a core, and with rsync -a. Prints
# wall and CPU time (user + system, all threads) and each one's ratio to
# cp -a or rsync -a: the nameless floor is as near as one worker that keeps
# a cut copy nameless can come to cp -a.
#
# Usage: bench/copy_floor.sh [kestro binary]   (default build/default/kestro)
# Sizes: SMALL_FILES (30000), FILES_PER_DIR (1000), RUNS (3, the tools taking
#        turns; best and median shown), WORK (a temp dir on the disk to
#        measure; nothing is removed until the end, see copy_bench.sh).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
kestro=${1:-$here/build/default/kestro}
SMALL_FILES=${SMALL_FILES:-30000}
FILES_PER_DIR=${FILES_PER_DIR:-1000}
RUNS=${RUNS:-3}

source "$here/bench/bench_common.sh"
require_kestro_and_tools "$kestro" cp rsync c++ python3

work=${WORK:-$(mktemp -d /tmp/kestro-floor.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
floor=$work/copy_floor
c++ -std=c++20 -O2 -o "$floor" "$here/bench/copy_floor.cpp"

echo "Building the tree: $SMALL_FILES small files ($FILES_PER_DIR a folder) in $work"
make_small_files "$work/src" "$SMALL_FILES" "$FILES_PER_DIR"
sync

# "wall cpu" of one run of "$@", after the dirty pages of earlier runs are
# written out, so that no run pays for another's writes.
timed() {
    sync
    python3 - "$@" <<'PY'
import os, subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL, env=dict(os.environ, KESTRO_PAUSE="0"))
_, status, usage = os.wait4(child.pid, 0)
wall = time.monotonic() - start
if status != 0:
    sys.exit("%s failed" % sys.argv[1])
print("%.4f %.4f" % (wall, usage.ru_utime + usage.ru_stime))
PY
}

cores=$(nproc)
[ "$cores" -gt 4 ] && cores=4
declare -a k n m c
for i in $(seq "$RUNS"); do
    k+=("$(KESTRO_COPY_THREADS=1 timed "$kestro" -p "$work/src" -d "$work/k$i" -m)")
    n+=("$(timed "$floor" nameless "$work/src" "$work/n$i")")
    m+=("$(timed "$floor" named "$work/src" "$work/m$i")")
    c+=("$(timed cp -a "$work/src" "$work/c$i")")
done
rsync -a "$work/src/" "$work/r/"
declare -a ku u1 uc ru
for i in $(seq "$RUNS"); do
    ku+=("$(timed "$kestro" -p "$work/src" -d "$work/k1" -m)")
    u1+=("$(timed "$floor" update "$work/src" "$work/k1" 1)")
    uc+=("$(timed "$floor" update "$work/src" "$work/k1" "$cores")")
    ru+=("$(timed rsync -a "$work/src/" "$work/r/")")
done
for copy in "$work/k1" "$work/n1" "$work/m1"; do
    if ! diff -rq "$work/src" "$copy" >/dev/null; then
        echo "$copy differs from the source: figures not valid" >&2
        exit 1
    fi
done

python3 - "$cores" "${k[*]}" "${n[*]}" "${m[*]}" "${c[*]}" "${ku[*]}" "${u1[*]}" "${uc[*]}" "${ru[*]}" <<'PY'
import statistics, sys
def runs(arg):
    values = [float(x) for x in arg.split()]
    return values[0::2], values[1::2]
cores = sys.argv[1]
k, n, m, c, ku, u1, uc, ru = (runs(arg) for arg in sys.argv[2:])
def table(peer, rows):
    peer_wall, peer_cpu = rows[-1][1]
    print()
    print("%-36s %17s %17s   ratio to %s (wall, CPU; medians)" % ("", "wall best/median", "CPU best/median", peer))
    for label, (wall, cpu) in rows:
        print("%-36s %8.3f %8.3f %8.3f %8.3f   %.2f  %.2f" % (
            label, min(wall), statistics.median(wall), min(cpu), statistics.median(cpu),
            statistics.median(wall) / statistics.median(peer_wall), statistics.median(cpu) / statistics.median(peer_cpu)))
table("cp -a", [("kestro full copy, 1 worker", k), ("floor, nameless (kestro's calls)", n),
                ("floor, named at once", m), ("cp -a full copy", c)])
table("rsync -a", [("kestro no-change update", ku), ("floor update, 1 thread", u1),
                   ("floor update, %s threads" % cores, uc), ("rsync -a no-change update", ru)])
PY
