"""Copies on copy workers change nothing a user can see: the same runs with
KESTRO_COPY_THREADS=1 and =4, each on a fresh copy of the same trees at the
same place, give the same screen and standard error (times masked), the same
bytes in every log and the same destination tree (data, times, attributes)."""

import hashlib
import os
import random
import re
import shutil
import stat
import time
import unittest

import harness
from harness import KestroTestCase, WINE

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC

LOG = "{logs}\\run.txt|ALL"
HASH_LOG = "{logs}\\hash.log"

# (what the run shows, its arguments after -p src -d dst). Listings are left
# out: they copy nothing and always run on one thread. Every run sees the
# same trees: updates of older copies, newer and equal copies, a protected
# copy, a folder where a copy should go, names with '~', names shared between
# folders, a file that two types match (handed twice) and a large file.
RUNS = [
    ("update with every log", ["-m", "-z", "-f", "*.*", "*.txt", "-1", LOG]),
    ("flattening with duplicate names renamed", ["-m", "-z", "--flatten", "--nodupe", "-1", LOG]),
    ("flattening over names already there", ["-m", "-z", "--flatten", "-A", "-1", LOG]),
    ("hashing with a hash log", ["-m", "-z", "-h", "-H", HASH_LOG, "--SHA1", "-1", LOG]),
    ("hashing the source only", ["-m", "-hs", "-H", HASH_LOG, "-1", LOG]),
    ("protected copies replaced", ["-m", "-z", "-O", "-1", LOG]),
    ("access times given back, folder times kept", ["-m", "-z", "-R", "-M", "-1", LOG]),
    ("no counting pass, access times compared, narrow names", ["-m", "-i", "-ta", "-w", "40"]),
]

TIME_MASKS = [
    (rb"\d+ hrs\. +\d+ mins\. +\d+ secs\.", b"<elapsed>"),
    (rb"(Started|Finished) [^\n]*", rb"\1 <time>"),
    # The creation time is the host's (a file's birth) on POSIX.
    (rb"\d{4}/\d\d/\d\d\|\d\d:\d\d:\d\dc\|", b"<created>|"),
]


def masked(data, since_ns):
    """`data` with the times that differ from run to run masked: those above,
    and access times of the logs' records that are reads of the run itself
    (the clock's time, which may pass a minute's end between two runs)."""
    for pattern, replacement in TIME_MASKS:
        data = re.sub(pattern, replacement, data)

    def access_time(match):
        shown = time.mktime(time.strptime(match.group(1).decode(), "%Y/%m/%d|%H:%M:%S"))
        return b"<read by the run>a|" if shown >= since_ns // 10**9 - 1 else match.group(0)

    return re.sub(rb"(\d{4}/\d\d/\d\d\|\d\d:\d\d:\d\d)a\|", access_time, data)


def dos_attributes(path):
    """The attribute text of user.DOSATTRIB (its creation time left out)."""
    try:
        return os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False).split(b"\0")[0]
    except (OSError, AttributeError):
        return None


def tree_state(folder, since_ns):
    """Every entry below `folder`: folders by name, files with their data,
    write and access times, mode and attributes. An access time after
    `since_ns` is a read of the run itself (a hash of a copy that failed),
    whose time is the clock's."""
    state = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs:
            state[os.path.relpath(os.path.join(root, name), folder)] = "folder"
        for name in files:
            full = os.path.join(root, name)
            st = os.lstat(full)
            if stat.S_ISREG(st.st_mode):
                with open(full, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
            else:
                digest = "special"
            accessed = st.st_atime_ns if st.st_atime_ns < since_ns else "read by the run"
            state[os.path.relpath(full, folder)] = (digest, st.st_mtime_ns, accessed,
                                                    stat.S_IMODE(st.st_mode), dos_attributes(full))
    return state


class SameRecordsWithWorkers(KestroTestCase):
    def build_trees(self):
        """The trees of every run, at the same place each time."""
        data = random.Random(7).randbytes(3 << 20)
        for d in range(3):
            for i in range(30):
                name = "src/d%d/sub%d/f%02d.txt" % (d, i % 2, i)
                self.make_file(name, data[d:d + 97 * i + d], mtime=NEW + i, atime=NEW + 1000 + i)
            self.make_file("src/d%d/same.dat" % d, b"same name %d" % d, mtime=NEW + d, atime=NEW)
        # More small files than four workers keep in flight, so that the walk
        # waits for them to drain.
        for i in range(160):
            self.make_file("src/many/m%03d.txt" % i, data[i:i + 50], mtime=NEW + i, atime=NEW)
        self.make_file("src/big/large.bin", data, mtime=NEW, atime=NEW)
        self.make_file("src/t/abcdefghij.txt", b"long name", mtime=NEW, atime=NEW)
        self.make_file("src/t/abcdef~1.txt", b"tilde name", mtime=NEW, atime=NEW)
        self.make_file("src/t/~x.txt", b"tilde first", mtime=NEW, atime=NEW)
        # What the destination holds already.
        self.make_file("dst/d0/sub0/f00.txt", b"older copy", mtime=OLD, atime=OLD)
        self.make_file("dst/d0/sub0/f02.txt", b"newer copy", mtime=NEW + 5000, atime=OLD)
        self.make_file("dst/d0/sub1/f01.txt", b"same time", mtime=NEW + 1, atime=OLD)
        self.make_file("dst/same.dat", b"flattened before", mtime=OLD, atime=OLD)
        protected = self.make_file("dst/d1/sub0/f00.txt", b"protected copy", mtime=OLD, atime=OLD)
        os.chmod(protected, 0o444)
        os.makedirs(self.path("dst", "d1", "sub1", "f01.txt"))  # a folder in the copy's way
        if not WINE:
            os.mkfifo(self.path("src", "d2", "sub0", "pipe.txt"))  # a source that cannot be read
            os.utime(self.path("src", "d2", "sub0", "pipe.txt"), (NEW, NEW))
        os.makedirs(self.path("logs"))

    def clear(self):
        for name in ("src", "dst", "logs"):
            path = self.path(name)
            for root, dirs, files in os.walk(path):
                for entry in dirs + files:
                    os.chmod(os.path.join(root, entry), stat.S_IRWXU, follow_symlinks=False)
            shutil.rmtree(path, ignore_errors=True)

    def run_with(self, threads, args):
        self.clear()
        self.build_trees()
        started = time.time_ns() - 10**9
        given = [a.replace("{logs}", self.wpath("logs")) for a in args]
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), *given,
                            env={"KESTRO_COPY_THREADS": str(threads)})
        logs = {}
        for name in sorted(os.listdir(self.path("logs"))):
            logs[name] = masked(harness.log_text(self.path("logs", name)), started)
        return {
            "exit code": r.code,
            "screen": masked(r.out.encode(), started),
            "standard error": masked(r.err.encode(), started),
            "logs": logs,
            "destination": tree_state(self.path("dst"), started),
        }

    def test_runs_with_four_workers_match_runs_with_one(self):
        for label, args in RUNS:
            with self.subTest(label):
                one = self.run_with(1, args)
                four = self.run_with(4, args)
                self.assertEqual(one["exit code"], 0, label)
                self.assertIn(self.wpath("src").encode(), one["screen"], label)  # it got to the files
                for part in one:
                    self.assertEqual(one[part], four[part], "%s: %s differs" % (label, part))


if __name__ == "__main__":
    unittest.main()
