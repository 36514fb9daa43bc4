#!/usr/bin/env bash
# Counts the system calls per file of a full copy, of a no-change update and
# of an update that replaces every copy, kestro against cp -a and rsync -a,
# on a small tree (strace -f): a steadier figure than wall time on a shared
# machine. Start-up calls are included.
# Usage: bench/syscall_count.sh [kestro binary]   FILES (2000)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
kestro=${1:-$here/build/default/kestro}
FILES=${FILES:-2000}
for tool in strace cp rsync python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: the count needs it" >&2; exit 2; }
done
work=$(mktemp -d /tmp/kestro-calls.XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$work/src" "$FILES" <<'PY'
import os, sys
src, files = sys.argv[1], int(sys.argv[2])
payload = os.urandom(8000)
for i in range(files):
    folder = os.path.join(src, "d%02d" % (i // 1000))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%06d.dat" % i), "wb") as f:
        f.write(payload[: 100 + i % 7900])
PY
# Total system calls of "$@" per file of the tree.
# Counted from the full trace: the -c summary leaves out calls strace has no
# name for (getxattrat on older straces).
calls() {
    strace -f -qq -o "$work/trace" "$@" >/dev/null 2>&1 </dev/null || true
    grep -v -e 'resumed>' -e '+++ exited' -e '--- SIG' "$work/trace" | wc -l |
        awk -v n="$FILES" '{printf "%.1f", $1 / n}'
}
printf "%-30s %s\n" "" "calls per file"
printf "%-30s %s\n" "kestro full copy" "$(calls env KESTRO_PAUSE=0 "$kestro" -p "$work/src" -d "$work/k" -m)"
printf "%-30s %s\n" "cp -a full copy" "$(calls cp -a "$work/src" "$work/c")"
printf "%-30s %s\n" "kestro no-change update" "$(calls env KESTRO_PAUSE=0 "$kestro" -p "$work/src" -d "$work/k" -m)"
rsync -a "$work/src/" "$work/r/"
printf "%-30s %s\n" "rsync -a no-change update" "$(calls rsync -a "$work/src/" "$work/r/")"
# Every source made newer: each copy is replaced.
find "$work/src" -type f -exec touch {} +
printf "%-30s %s\n" "kestro replacing every copy" "$(calls env KESTRO_PAUSE=0 "$kestro" -p "$work/src" -d "$work/k" -m)"
printf "%-30s %s\n" "rsync -a replacing every copy" "$(calls rsync -a "$work/src/" "$work/r/")"
