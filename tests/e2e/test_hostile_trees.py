"""Hostile trees: names Windows cannot hold, special files, links and list
lines that climb out of their folders. Each case runs kestro on a source tree
and a destination tree, then checks that nothing outside the two trees
changed, that every source file was either copied byte for byte under its own
name or reported as not copied, and the exit code."""

import hashlib
import os
import socket
import stat
import unittest

import harness
from harness import KestroTestCase

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC

# Characters Windows forbids in a name, as kestro shows them: U+F000 plus the code.
FORBIDDEN = set('\\:*?"<>|') | {chr(c) for c in range(1, 32)}


def shown(relative):
    """A host path below a tree (bytes) as kestro shows it: stray bytes as
    U+FFFD, forbidden characters as their U+F0xx images, '/' as '\\'."""
    out = []
    for ch in relative.decode("utf-8", "surrogateescape"):
        if ch == "/":
            out.append("\\")
        elif ch in FORBIDDEN:
            out.append(chr(0xF000 + ord(ch)))
        elif 0xDC80 <= ord(ch) <= 0xDCFF:
            out.append("\ufffd")
        else:
            out.append(ch)
    return "".join(out)


def digest_at(name, dir_fd):
    with open(os.open(name, os.O_RDONLY, dir_fd=dir_fd), "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def snapshot(top, skipped):
    """Everything that can be seen of the entries below `top` (bytes paths)
    but the trees in `skipped`: kind, mode, write time, data, link target.
    Folders are read through descriptors: paths may be longer than the host
    takes at once."""
    state = {}
    for root, dirs, files, root_fd in os.fwalk(top):
        dirs[:] = [d for d in dirs if os.path.join(root, d) not in skipped]
        for name in dirs + files:
            st = os.lstat(name, dir_fd=root_fd)
            entry = (stat.S_IFMT(st.st_mode), stat.S_IMODE(st.st_mode), st.st_mtime_ns)
            if stat.S_ISREG(st.st_mode):
                entry += (digest_at(name, root_fd),)
            elif stat.S_ISLNK(st.st_mode):
                entry += (os.readlink(name, dir_fd=root_fd),)
            state[os.path.relpath(os.path.join(root, name), top)] = entry
    return state


def regular_file_digest(top, relative):
    """The digest of the regular file (not a link) at `relative` below `top`,
    None when there is none."""
    *folders, name = relative.split(b"/")
    fd = os.open(top, os.O_RDONLY | os.O_DIRECTORY)
    try:
        for folder in folders:
            inner = os.open(folder, os.O_RDONLY | os.O_DIRECTORY | os.O_NOFOLLOW, dir_fd=fd)
            os.close(fd)
            fd = inner
        if not stat.S_ISREG(os.lstat(name, dir_fd=fd).st_mode):
            return None
        return digest_at(name, fd)
    except OSError:
        return None
    finally:
        os.close(fd)


class HostileCase(KestroTestCase):
    """Source tree src/, destination tree out/dst/ (made beforehand, so that
    its making changes nothing outside it); out/ and the rest are outside."""

    def setUp(self):
        super().setUp()
        self.src = os.fsencode(self.path("src"))
        self.dst = os.fsencode(self.path("out", "dst"))
        os.makedirs(self.src)
        os.makedirs(self.dst)

    def put(self, relative, data=b"x", mtime=NEW, top=None):
        """A file below `top` (src by default); `relative` is bytes."""
        full = os.path.join(top or self.src, relative)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        os.utime(full, (mtime, mtime))
        return full

    def run_checked(self, *args, timeout=60):
        """Runs kestro and checks what every hostile run must keep: exit code
        0, nothing outside the destination changed (the source included)."""
        before = snapshot(os.fsencode(self.tmp), {self.dst})
        r = self.run_kestro(*args, timeout=timeout)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(snapshot(os.fsencode(self.tmp), {self.dst}), before, r)
        return r

    def run_tree(self, *extra, timeout=60):
        return self.run_checked("-p", self.wpath("src"), "-d", self.wpath("out", "dst"), *extra, timeout=timeout)

    def assert_each_file_copied_or_reported(self, r):
        for root, _, files, root_fd in os.fwalk(self.src):
            for name in files:
                relative = os.path.relpath(os.path.join(root, name), self.src)
                copy = regular_file_digest(self.dst, relative)
                if stat.S_ISREG(os.stat(name, dir_fd=root_fd).st_mode) and copy is not None:
                    self.assertEqual(copy, digest_at(name, root_fd), relative)
                else:
                    displayed = self.wpath("src") + "\\" + shown(relative)
                    self.assertIn(displayed + "\nNOT COPIED (error) to ", r.out, relative)


@unittest.skipIf(harness.WINE, "host names that Windows cannot hold exist on a POSIX host only")
class Names(HostileCase):
    def test_names_windows_cannot_hold_are_copied_under_their_own_names(self):
        # A name that reads as two levels up and a folder beside the destination.
        os.makedirs(self.path("secret"))
        self.put(b"s.txt", b"SECRET", top=os.fsencode(self.path("secret")))
        self.put(b"s.txt", b"victim", mtime=OLD, top=os.fsencode(self.path("out", "secret")))
        names = [b"..\\secret\\s.txt", b"a\\..\\..\\x/f.txt", b"report.txt", b"report?.txt", b"*",
                 b'q"<>|:.txt', b"tab\tand\x1fcontrol", b"caf\xe9/l.txt", b"caf\xc3\xa9/u.txt",
                 b"\xef\x81\x9c.txt"]
        for i, name in enumerate(names):
            self.put(name, b"data %d" % i, mtime=NEW if name != b"*" else OLD)
        r = self.run_tree("-m")
        self.assert_each_file_copied_or_reported(r)
        self.assertEqual(sorted(os.listdir(self.dst)),
                         sorted({n.split(b"/")[0] for n in names}))
        self.assertIn(self.wpath("out", "dst") + "\\report\uf03f.txt", r.out)
        self.assertIn(self.wpath("out", "dst") + "\\caf\ufffd\\l.txt", r.out)
        self.assertIn("Copied            %2d files" % len(names), r.out)
        # Nothing is newer than its copy now: wildcard names included.
        again = self.run_tree()
        self.assertNotIn("==>", again.out)


class ListLines(HostileCase):
    def test_a_line_that_climbs_out_lands_where_it_resolves_inside_the_destination(self):
        self.put(b"b/f.txt", b"listed")
        depth = self.path("src").count(os.sep) + 2  # more than enough to reach the root
        line = self.wpath("src") + "\\.." * depth + self.wpath("src", "b", "f.txt")[2:]
        with open(self.path("list.txt"), "w") as f:
            f.write(line + "\n")
        r = self.run_checked("-S", self.wpath("list.txt"), "-d", self.wpath("out", "dst"), "-m")
        landed = os.path.join(self.path("out", "dst"), self.wpath("src", "b", "f.txt")[3:].replace("\\", os.sep))
        with open(landed, "rb") as f:
            self.assertEqual(f.read(), b"listed", r)


@unittest.skipIf(harness.WINE, "FIFOs, sockets and device nodes in a tree are a POSIX host's case")
class SpecialFiles(HostileCase):
    def test_only_regular_files_are_copied_and_the_others_reported(self):
        self.put(b"regular.txt", b"regular")
        os.mkfifo(os.path.join(self.src, b"fifo"))
        listener = socket.socket(socket.AF_UNIX)
        self.addCleanup(listener.close)
        listener.bind(os.path.join(self.src, b"socket"))
        made = ["fifo", "socket"]
        # A node of /dev/zero (read without end) and of a block device.
        for name, kind, device in (("zero", stat.S_IFCHR, os.makedev(1, 5)), ("loop", stat.S_IFBLK, os.makedev(7, 0))):
            try:
                os.mknod(os.path.join(self.src, os.fsencode(name)), kind | 0o644, device)
                made.append(name)
            except PermissionError:
                pass
        # Hashing reads each file again, the special ones too unless refused:
        # they get the failure texts, never the digests of what they give.
        hash_log = os.path.join(self.dst, b"hash.log")
        for hashing in ([], ["-h"], ["-h", "-H", self.wpath("out", "dst", "hash.log"), "--SHA"]):
            r = self.run_tree("-m", *hashing, timeout=30)
            self.assert_each_file_copied_or_reported(r)
            self.assertEqual(sorted(os.listdir(self.dst)), [b"hash.log"] * ("-H" in hashing) + [b"regular.txt"], r)
            for name in made:
                self.assertIn(self.wpath("src", name) + "\nNOT COPIED (error) to " + self.wpath("out", "dst", name),
                              r.out)
            self.assertIn("Copied             1 files", r.out)
            os.remove(os.path.join(self.dst, b"regular.txt"))
        with open(hash_log, "rb") as f:
            hashes = f.read().decode()
        for name in made:
            self.assertIn("\n\n%s  | - ERROR - FILE POSSIBLY LOCKED -  | -- ERROR - FILE POSSIBLY LOCKED BY OS -- |"
                          % self.wpath("src", name), hashes, name)
        self.assertEqual(hashes.count("D41D8CD98F00B204E9800998ECF8427E"), 0, hashes)  # the digest of no data


@unittest.skipIf(harness.WINE, "Wine shows dot-names hidden")
class DotFiles(HostileCase):
    def test_a_backed_up_dot_file_takes_its_updates(self):
        self.put(b".bashrc", b"first", mtime=OLD)
        self.assertIn("Copied             1 files", self.run_tree().out)
        self.put(b".bashrc", b"second, longer", mtime=NEW)
        r = self.run_tree()
        self.assertNotIn("NOT COPIED", r.out)
        self.assert_each_file_copied_or_reported(r)
        self.assertEqual(self.read("out/dst/.bashrc"), b"second, longer")


@unittest.skipIf(harness.WINE, "Windows' own short names may alias another file")
class ShortNames(HostileCase):
    def test_a_name_like_a_generated_short_name_is_a_file_of_its_own(self):
        self.put(b"quarterly report.txt", b"report", mtime=OLD)
        self.run_tree()
        self.put(b"quarte~1.txt", b"a file of its own", mtime=NEW)
        r = self.run_tree()
        self.assert_each_file_copied_or_reported(r)
        self.assertEqual(self.read("out/dst/quarterly report.txt"), b"report")
        self.assertNotIn("==>", self.run_tree().out)

    def test_wildcards_still_match_generated_short_names(self):
        self.put(b"page.html", b"<html>")
        r = self.run_tree("-f", "*.htm")
        self.assertEqual(self.read("out/dst/page.html"), b"<html>", r)


@unittest.skipIf(harness.WINE, "symbolic links made by the host")
class DestinationLinks(HostileCase):
    def test_links_at_the_destination_never_change_what_they_lead_to(self):
        outside = os.fsencode(self.path("out"))
        os.chmod(self.put(b"protected.txt", b"read-only, elsewhere", mtime=OLD, top=outside), 0o444)
        self.put(b"writable.txt", b"writable, elsewhere", mtime=OLD, top=outside)
        for name in (b"protected.txt", b"writable.txt"):
            os.symlink(os.path.join(b"..", name), os.path.join(self.dst, name))
            self.put(name, b"source data " + name)
        os.symlink(b"../gone.txt", os.path.join(self.dst, b"dangling.txt"))
        self.put(b"dangling.txt", b"source data")
        for extra in ((), ("-O",)):
            r = self.run_tree(*extra)
            self.assert_each_file_copied_or_reported(r)
        # A link to a writable file is replaced by the copy itself.
        for name in ("writable.txt", "dangling.txt"):
            self.assertFalse(os.path.islink(self.path("out", "dst", name)), r)
            self.assertEqual(os.stat(self.path("out", "dst", name)).st_mtime, NEW)


def make_deep_folder(top, names):
    """Makes the folders `names` below `top` one level at a time (the whole
    path is longer than the host takes at once); returns a descriptor of the last."""
    fd = os.open(top, os.O_RDONLY | os.O_DIRECTORY)
    for name in names:
        os.mkdir(name, dir_fd=fd)
        inner = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
        os.close(fd)
        fd = inner
    return fd


@unittest.skipIf(harness.WINE, "a path longer than the POSIX host's PATH_MAX")
class LongPaths(HostileCase):
    def test_a_file_deeper_than_the_hosts_path_limit_is_copied(self):
        levels = [b"level%02d" % i + b"x" * 93 for i in range(45)]  # 4,500 bytes of folders
        folder = make_deep_folder(self.src, levels)
        with open(os.open(b"deep.txt", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=folder), "wb") as f:
            f.write(b"forty-five levels down")
        os.close(folder)
        self.put(b"top.txt", b"at the top")
        r = self.run_tree("-m")
        self.assert_each_file_copied_or_reported(r)
        self.assertIsNotNone(regular_file_digest(self.dst, b"/".join(levels + [b"deep.txt"])), r)


if __name__ == "__main__":
    unittest.main()
