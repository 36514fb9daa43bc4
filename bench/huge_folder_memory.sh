#!/bin/sh
# Memory of one huge folder: builds a folder of FILES empty files (1,000,000
# by default; names like file_0000001.dat, which need generated short names)
# and prints kestro's peak resident memory, in total and per entry, for
#   read whole   kestro SRC -d DST -n -x *   the walk that reads each folder
#                                           whole (on POSIX), every file
#                                           excluded so that no copy runs
#   by pattern   the same under ulimit -v 1048576 (1 GB of address space),
#                where kestro lists by pattern instead; it must still end
#                with exit code 0
# The folder is removed at the end.
# Usage: bench/huge_folder_memory.sh [kestro binary]   (default build/default/kestro)
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
kestro=${1:-$here/build/default/kestro}
FILES=${FILES:-1000000}
work=$(mktemp -d "${TMPDIR:-/tmp}/huge_folder.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work/src" "$FILES" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder)
fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
for i in range(count):
    os.close(os.open("file_%07d.dat" % i, os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd))
os.close(fd)
PY
echo "folder: $FILES empty files"

mkdir "$work/empty"

# Peak resident kilobytes and exit code of one run: "KB CODE".
peak() {
    (cd "$work" && KESTRO_PAUSE=0 /usr/bin/time -f "%M %x" -o "$work/time.out" "$@" </dev/null >/dev/null 2>&1) || true
    cat "$work/time.out" | tail -1
}

# The peak of the same run on an empty folder is subtracted for the figure
# per entry.
report() {
    set -- "$1" $2 $3
    python3 -c "import sys; label, kb, code, base, files = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), int(sys.argv[6])
print('%-12s peak RSS %7.1f MB (empty folder %5.1f MB), %4.0f bytes per entry, exit code %s' % (label, kb / 1024, base / 1024, (kb - base) * 1024 / files, code))" \
        "$1" "$2" "$3" "$4" "$5" "$FILES"
}

whole() { peak "$kestro" "$1" -d dst -n -x '*'; }
limited() { peak sh -c 'ulimit -v 1048576 && exec "$0" "$1" -d dst -n -x "*"' "$kestro" "$1"; }
report "read whole" "$(whole src)" "$(whole empty)"
report "by pattern" "$(limited src)" "$(limited empty)"
