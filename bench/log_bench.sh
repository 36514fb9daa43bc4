#!/bin/sh
# What the log set costs a run: a -n run over a tree of FILES files (100,000
# by default) without logs and with every log open (each file gets a LIST
# and a NOT_COPIED record), best wall time of a few runs, and the write
# calls the logs take per file (strace, when installed).
# Usage: bench/log_bench.sh [build-dir] [runs]   FILES (100000)
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=$(cd "${1:-$source_dir/build/default}" && pwd)
runs=${2:-3}
files=${FILES:-100000}
cmake --build "$build" --target kestro >/dev/null
kestro="$build/kestro"
work=$(mktemp -d "${TMPDIR:-/tmp}/log_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work/src" "$files" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
for i in range(files):
    folder = os.path.join(root, "d%03d" % (i // 1000))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file%06d.txt" % i), "wb") as out:
        out.write(b"x" * (i % 5))
PY
echo "tree: $files files"

best() {
    python3 - "$runs" "$@" <<'PY'
import subprocess, sys, time
runs = int(sys.argv[1]); command = sys.argv[2:]
best = None
for _ in range(runs):
    for name in ("logs",):
        subprocess.run(["rm", "-rf", name])
    start = time.perf_counter()
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, env={"KESTRO_PAUSE": "0", "PATH": "/usr/bin:/bin"})
    elapsed = time.perf_counter() - start
    best = elapsed if best is None or elapsed < best else best
print("%.3f" % best)
PY
}

cd "$work"
plain=$(best "$kestro" src -d dst -n)
logged=$(best "$kestro" src -d dst -n -1 "logs/run.log!ALL")
log_bytes=$(cat logs/* | wc -c)

writes="n/a"
if command -v strace >/dev/null 2>&1; then
    rm -rf logs
    KESTRO_PAUSE=0 strace -f -qq -e trace=write,writev -o "$work/trace" \
        "$kestro" src -d dst -n -1 "logs/run.log!ALL" >/dev/null 2>&1 </dev/null || true
    # Writes to descriptors other than standard output and error.
    writes=$(grep -E -c '^[0-9]+ +writev?\(([3-9]|[1-9][0-9]+),' "$work/trace" || true)
fi

python3 - "$files" "$plain" "$logged" "$log_bytes" "$writes" <<'PY'
import sys
files = int(sys.argv[1]); plain, logged = float(sys.argv[2]), float(sys.argv[3])
log_bytes = int(sys.argv[4]); writes = sys.argv[5]
print("kestro -n without logs          %7.3f s" % plain)
print("kestro -n with every log open   %7.3f s   %6.2f us per file more" % (logged, (logged - plain) / files * 1e6))
print("ratio with logs / without       %7.2f" % (logged / plain))
print("log bytes written               %9d   (%d per file)" % (log_bytes, log_bytes // files))
if writes != "n/a":
    print("write calls to the logs         %9d   (%.4f per file)" % (int(writes), int(writes) / files))
PY
