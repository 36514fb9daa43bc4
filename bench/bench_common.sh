# Sourced by the bench scripts: the check of what a bench needs, and the tree
# of small files the copy benches time.

# Exits 2, naming each thing missing, when the kestro binary `$1` is not
# built or one of the tools named after it is not installed.
require_kestro_and_tools() {
    local kestro=$1 tool missing=0
    shift
    if [ ! -x "$kestro" ]; then
        echo "kestro binary not found at $kestro: build it first (cmake --workflow --preset default)" >&2
        missing=1
    fi
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$tool is not installed: the comparison needs it (apt-get install $tool)" >&2
            missing=1
        fi
    done
    [ "$missing" = 0 ] || exit 2
}

# make_small_files DIR COUNT PER_FOLDER: COUNT files of 100 bytes to 8 KB in
# folders of PER_FOLDER below DIR, the same sizes for the same numbers.
make_small_files() {
    python3 - "$1" "$2" "$3" <<'PY'
import os, random, sys
src, small, per_dir = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(7)
payload = os.urandom(16384)
for i in range(small):
    folder = os.path.join(src, "d%03d" % (i // per_dir))
    if i % per_dir == 0:
        os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%06d.dat" % i), "wb") as f:
        f.write(payload[:rng.randint(100, 8000)])
PY
}
