#!/bin/sh
# Tree-walk benchmark: builds a tree of 100,000 files (1,000 folders three
# levels deep, 100 files each) and times kestro's walk against find.
#   walk-only  kestro SRC -d DST -n -x *   the counting pass and the copy
#              pass (on POSIX the copy pass reuses what the counting pass
#              read) with every file excluded, so the copy engine never
#              runs: the cost of the walk itself
#   listing    kestro SRC -d DST -n         the same plus the -n listing line
#                                           of every file
# Baselines: find -type f (names only) and find -printf with size and time
# (one stat per entry, as a find record needs). Ratios are per run of kestro.
# Usage: bench/walk_bench.sh [build-dir] [runs]   (default build/default, 3)
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=$(cd "${1:-$source_dir/build/default}" && pwd)
runs=${2:-3}
cmake --build "$build" --target kestro >/dev/null
kestro="$build/kestro"
work=$(mktemp -d "${TMPDIR:-/tmp}/walk_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work/src" <<'PY'
import os, sys
root = sys.argv[1]
for a in range(10):
    for b in range(10):
        for c in range(10):
            folder = os.path.join(root, "level%d" % a, "sub%d" % b, "leaf%d" % c)
            os.makedirs(folder)
            for f in range(100):
                with open(os.path.join(folder, "file%03d.txt" % f), "wb") as out:
                    out.write(b"x" * (f % 5))
PY
files=$(find "$work/src" -type f | wc -l)
folders=$(find "$work/src" -mindepth 1 -type d | wc -l)
echo "tree: $files files in $folders folders"

# Best of $runs wall-clock seconds of a command (its output discarded).
best() {
    python3 - "$runs" "$@" <<'PY'
import subprocess, sys, time
runs = int(sys.argv[1]); command = sys.argv[2:]
best = None
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, env={"KESTRO_PAUSE": "0", "PATH": "/usr/bin:/bin"})
    elapsed = time.perf_counter() - start
    best = elapsed if best is None or elapsed < best else best
print("%.3f" % best)
PY
}

cd "$work"
find_names=$(best find src -type f)
find_stat=$(best find src -printf "%s %T@\n")
walk_only=$(best "$kestro" src -d dst -n -x "*")
listing=$(best "$kestro" src -d dst -n)

# The counts must be right for the figures to mean anything.
"$kestro" src -d dst -n -x "*" </dev/null 2>"$work/err" >"$work/out"
tr '\r' '\n' <"$work/err" | grep "files to process"

python3 - "$files" "$find_names" "$find_stat" "$walk_only" "$listing" <<'PY'
import sys
files = int(sys.argv[1])
find_names, find_stat, walk_only, listing = map(float, sys.argv[2:])
print("find -type f (names only)      %7.3f s" % find_names)
print("find -printf size and time     %7.3f s" % find_stat)
print("kestro walk-only (both passes) %7.3f s   %6.2f us per file" % (walk_only, walk_only / files * 1e6))
print("kestro -n listing              %7.3f s" % listing)
print("ratio walk-only / find names   %7.2f" % (walk_only / find_names))
print("ratio walk-only / find stat    %7.2f" % (walk_only / find_stat))
PY
