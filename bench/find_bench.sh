#!/bin/sh
# Directory-search benchmark: builds a tree of 100,000 files (100 folders of
# 1,000 files, half of them with names that need a generated 8.3 name) and
# times find_first/find_next walks over it with "*.*" and with "*.txt".
# Usage: bench/find_bench.sh [build-dir]   (default build/default)
set -e
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=${1:-$source_dir/build/default}
cmake --build "$build" --target kestro_core >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/find_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -I"$source_dir/src" "$here/find_bench.cpp" "$build/libkestro_core.a" -lpthread -o "$work/find_bench"
python3 - "$work/tree" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(100):
    folder = os.path.join(root, "folder%03d" % d)
    os.makedirs(folder)
    for f in range(1000):
        name = ("F%05d.TXT" % f) if f % 2 else ("a long file name %05d.text" % f)
        if f % 10 == 0:
            name = name.replace("T", "D").replace("t", "d")
        with open(os.path.join(folder, name), "wb") as out:
            out.write(b"x" * (f % 7))
PY
echo "tree: $(find "$work/tree" -type f | wc -l) files in $(find "$work/tree" -mindepth 1 -type d | wc -l) folders"
"$work/find_bench" "$work/tree" "*.*" 5
"$work/find_bench" "$work/tree" "*.txt" 5
