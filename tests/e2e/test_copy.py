"""The copy engine end to end: a full copy and its updates, the newer test,
protected destinations and -O, listings, existing-only copies, and copies
that fail or are cut off part-way."""

import hashlib
import os
import re
import resource
import shutil
import signal
import stat
import unittest

import harness
from harness import KestroTestCase

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC


def copied_count(result):
    match = re.search(r"\n  Copied +(\d+) files", result.out)
    return int(match.group(1)) if match else None


def leftovers(folder):
    found = []
    for root, _, files in os.walk(folder):
        found += [name for name in files if name.startswith("kestro-partial-")]
    return found


class FullCopyAndUpdate(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        self.make_file("src/sub/deeper/b.bin", os.urandom(300000), mtime=NEW, atime=NEW + 7)

    def copy(self, *extra):
        return self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", *extra)

    def test_tree_is_replicated_with_data_and_times(self):
        r = self.copy()
        self.assertEqual(r.code, 0, r)
        self.assertEqual(copied_count(r), 2, r)
        # Before anything reads the copy (which moves its access time).
        self.assertEqual(os.stat(self.path("dst", "a.txt")).st_atime, OLD + 5)
        for name in ("a.txt", os.path.join("sub", "deeper", "b.bin")):
            self.assertEqual(self.read(os.path.join("dst", name)), self.read(os.path.join("src", name)))
            s = os.stat(self.path("src", name))
            d = os.stat(self.path("dst", name))
            # Times travel as 100 ns units.
            self.assertEqual(d.st_mtime_ns // 100, s.st_mtime_ns // 100)
        self.assertIn("\nDirectory %s created\n\n" % self.wpath("dst", "sub", "deeper"), r.out)
        self.assertEqual(leftovers(self.path("dst")), [])

    def test_R_gives_the_source_its_access_time_back(self):
        self.copy("-R")
        self.assertEqual(os.stat(self.path("src", "a.txt")).st_atime, OLD + 5)
        self.assertEqual(os.stat(self.path("src", "sub", "deeper", "b.bin")).st_atime, NEW + 7)

    def test_screen_lines_of_a_copied_file(self):
        r = self.copy("-i")
        source = self.wpath("src", "a.txt")
        name_line = source[:65].ljust(65) + " \n"
        self.assertIn(name_line + "          5 ==> %s" % self.wpath("dst", "a.txt"), r.out)
        self.assertRegex(r.out, r"\n \d of 0 files:    [\d,]+ of  bytes\n")

    def test_a_huge_width_is_bounded_by_the_longest_path(self):
        r = self.copy("-w", "99999999999999")
        self.assertEqual(r.code, 0, r)
        source = self.wpath("src", "a.txt")
        self.assertIn("\n" + source.ljust(32767) + " \n", r.out)

    def test_update_copies_only_what_is_newer(self):
        self.copy()
        r = self.copy()
        self.assertEqual(copied_count(r), 0, r)
        self.assertIn("NOT processed      2 files\n", r.out)
        os.utime(self.path("src", "a.txt"), (NEW + 60, NEW + 60))
        r = self.copy()
        self.assertEqual(copied_count(r), 1, r)
        self.assertIn(self.wpath("dst", "a.txt"), r.out)
        self.assertNotIn(self.wpath("dst", "sub", "deeper", "b.bin"), r.out)

    def test_a_newer_destination_is_kept_unless_all_are_copied(self):
        self.make_file("dst/a.txt", "newer copy", mtime=NEW)
        r = self.copy()
        self.assertEqual(self.read("dst/a.txt"), b"newer copy")
        self.assertIn("NOT processed      1 files of which 1 files are newer\n", r.out)
        r = self.copy("-A")
        self.assertEqual(copied_count(r), 2, r)
        self.assertEqual(self.read("dst/a.txt"), b"alpha")

    def test_a_destination_differing_by_100ns_counts(self):
        self.copy()
        d = self.path("dst", "a.txt")
        os.utime(d, ns=(os.stat(d).st_atime_ns, OLD * 10**9 - 100))
        r = self.copy()
        self.assertEqual(copied_count(r), 1, r)

    def test_existing_only_copies_over_existing_files_alone(self):
        self.make_file("dst/a.txt", "old", mtime=OLD - 100)
        r = self.copy("-e")
        self.assertEqual(copied_count(r), 1, r)
        self.assertEqual(self.read("dst/a.txt"), b"alpha")
        self.assertFalse(os.path.exists(self.path("dst", "sub", "deeper", "b.bin")))


class Listing(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "alpha", mtime=OLD)
        self.make_file("src/sub/b.txt", "beta", mtime=OLD)

    def test_n_lists_source_names_and_creates_nothing(self):
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("\n%s \n" % self.wpath("src", "a.txt"), r.out)
        self.assertIn("\n%s \n" % self.wpath("src", "sub", "b.txt"), r.out)
        self.assertFalse(os.path.exists(self.path("dst")))
        self.assertEqual(copied_count(r), 0, r)

    def test_N_adds_size_and_destination_also_for_equal_times(self):
        self.make_file("dst/a.txt", "alpha", mtime=OLD)
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-N")
        self.assertIn("%s          5   ==>   %s\n" % (self.wpath("src", "a.txt"), self.wpath("dst", "a.txt")), r.out)
        self.assertIn("%s          4   ==>   %s\n" % (self.wpath("src", "sub", "b.txt"), self.wpath("dst", "sub", "b.txt")), r.out)
        self.assertFalse(os.path.exists(self.path("dst", "sub")))


class Protection(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "new data", mtime=NEW)
        self.target = self.make_file("dst/a.txt", "old data", mtime=OLD)
        os.chmod(self.target, 0o444)

    def copy(self, *extra):
        return self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", *extra)

    def test_read_only_destination_is_not_replaced_without_O(self):
        r = self.copy()
        self.assertIn("\n\n%s\nNOT COPIED (error) to %s " % (self.wpath("src", "a.txt"), self.wpath("dst", "a.txt")), r.out)
        self.assertEqual(self.read("dst/a.txt"), b"old data")
        self.assertEqual(copied_count(r), 0, r)
        self.assertIn("NOT processed      1 files\n", r.out)
        self.assertEqual(leftovers(self.path("dst")), [])

    def test_O_replaces_it_and_keeps_it_read_only(self):
        r = self.copy("-O")
        self.assertEqual(copied_count(r), 1, r)
        self.assertEqual(self.read("dst/a.txt"), b"new data")
        self.assertEqual(os.stat(self.target).st_mode & 0o222, 0)
        self.assertEqual(leftovers(self.path("dst")), [])

    def test_a_read_only_source_gives_a_writable_copy(self):
        os.chmod(self.target, 0o644)
        os.chmod(self.path("src", "a.txt"), 0o444)
        r = self.copy()
        self.assertEqual(copied_count(r), 1, r)
        self.assertNotEqual(os.stat(self.target).st_mode & 0o200, 0)


@unittest.skipIf(harness.WINE, "drive letters are mapped to folders by the POSIX layer only")
class FolderTimes(KestroTestCase):
    def test_M_gives_replicated_folders_their_source_times(self):
        self.make_file("work/sub/deep/a.txt", "a", mtime=NEW)
        for folder, when in (("work/sub/deep", OLD), ("work/sub", OLD + 100), ("work", OLD + 200)):
            os.utime(self.path(folder), (when, when))
        os.makedirs(self.path("backup", "work"))
        # E: is the backup folder: the destination E:\work shares its last
        # name with the start folder, so the chain below it is replicated.
        env = {"KESTRO_DRIVES": "C=/;E=%s" % self.path("backup")}
        r = self.run_kestro("-p", self.wpath("work"), "-d", "E:\\work", "-M", env=env)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(os.stat(self.path("backup", "work", "sub", "deep", "a.txt")).st_mtime, NEW)
        self.assertEqual(os.stat(self.path("backup", "work", "sub")).st_mtime, OLD + 100)
        self.assertEqual(os.stat(self.path("backup", "work")).st_mtime, OLD + 200)
        # The source folders keep their own times.
        self.assertEqual(os.stat(self.path("work", "sub", "deep")).st_mtime, OLD)
        self.assertEqual(os.stat(self.path("work")).st_mtime, OLD + 200)


def cut_off_past(size):
    """A write limit: the first write past `size` bytes ends the process
    (SIGXFSZ), as a kill in the middle of a copy would."""
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


class SparseFiles(KestroTestCase):
    SIZE = 64 << 20

    def make_sparse(self, relative):
        """A disk image with holes: data at its start and in its middle, a
        hole between them and one up to its end."""
        full = self.path(relative)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(b"head" * 1024)
            f.seek(20 << 20)
            f.write(os.urandom(1 << 20))
            f.truncate(self.SIZE)
        os.utime(full, (NEW, NEW))
        return full

    def test_holes_stay_holes_with_the_data_and_hashes_unchanged(self):
        source = self.make_sparse("src/disk.img")
        allocated = os.stat(source).st_blocks * 512
        with open(source, "rb") as f:
            data = f.read()
        digest = hashlib.md5(data).hexdigest().upper()
        with open(self.path("list.txt"), "w") as f:
            f.write(self.wpath("src", "disk.img") + "\n")
        into_list = os.path.join("dst4", os.path.relpath(source, "/"))
        cases = [
            ("dst1", ["-p", self.wpath("src"), "-d", self.wpath("dst1"), "-m"]),
            ("dst2", ["-p", self.wpath("src"), "-d", self.wpath("dst2"), "-m", "-h", "-H", self.wpath("hash.log")]),
            ("dst3", ["-p", self.wpath("src"), "-d", self.wpath("dst3"), "-m", "-A"]),  # over an older copy
            (into_list, ["-S", self.wpath("list.txt"), "-d", self.wpath("dst4"), "-m"]),
        ]
        self.make_file("dst3/disk.img", "an older copy", mtime=OLD)
        for copy, options in cases:
            r = self.run_kestro(*options)
            self.assertEqual(r.code, 0, (options, r))
            copy = harness.no_case(self.path(copy) if copy.startswith("dst4") else self.path(copy, "disk.img"))
            with open(copy, "rb") as f:
                self.assertTrue(f.read() == data, options)
            if harness.WINE:
                # Wine shows no sparse attribute and answers no
                # FSCTL_QUERY_ALLOCATED_RANGES: its copies are whole but allocated.
                continue
            if allocated >= self.SIZE:
                self.skipTest("the file system of the test folder keeps no holes")
            self.assertLessEqual(os.stat(copy).st_blocks * 512, allocated + (1 << 20), options)
        hashes = harness.log_text(self.path("hash.log")).decode()
        self.assertEqual(hashes.count(digest), 2, hashes)  # source and copy
        self.assertIn("|[OK]", hashes)


@unittest.skipIf(harness.WINE, "Wine's own server and files would run under the same file-size limit")
class CutOffCopies(KestroTestCase):
    def test_a_copy_cut_off_leaves_nothing_and_the_rerun_completes_it(self):
        data = os.urandom(1048576)
        for standing in (None, b"previous copy"):
            with self.subTest(destination=standing):
                self.make_file("src/a.bin", data, mtime=NEW)
                if standing is not None:
                    self.make_file("dst/a.bin", standing, mtime=OLD)
                args = ("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m")
                r = self.run_kestro(*args, preexec_fn=cut_off_past(262144))
                self.assertEqual(r.code, -signal.SIGXFSZ, r)
                self.assertEqual(leftovers(self.path("dst")), [])
                if standing is None:
                    self.assertFalse(os.path.exists(self.path("dst", "a.bin")))
                else:
                    self.assertEqual(self.read("dst/a.bin"), standing)
                r = self.run_kestro(*args)
                self.assertEqual((r.code, copied_count(r)), (0, 1), r)
                self.assertEqual(self.read("dst/a.bin"), data)
                self.assertEqual(leftovers(self.path("dst")), [])
                shutil.rmtree(self.path("dst"))


class PartialCopiesOfEarlierRuns(KestroTestCase):
    """What runs cut off where the host makes no nameless files (or older
    versions) left behind is removed by the next run that copies there."""

    def test_only_exact_partial_names_of_regular_files_in_folders_copied_into_go(self):
        self.make_file("src/a.txt", "new", mtime=NEW)
        self.make_file("elsewhere.txt", "keep me")
        removed = ["kestro-partial-1a2b3c-1.tmp", "kestro-partial-0-27.tmp", "kestro-partial-ff-3.tmp"]
        kept = ["kestro-partial-x-1.tmp", "kestro-partial-1-1.tmp.bak", "kestro-partial--1.tmp",
                "kestro-partial-1-.tmp", "my-kestro-partial-1-1.tmp", "KESTRO-PARTIAL-1-1.TMP"]
        for name in removed + kept:
            self.make_file(os.path.join("dst", name), b"\0" * 1000)
        os.chmod(self.path("dst", removed[2]), 0o444)
        os.makedirs(self.path("dst", "kestro-partial-2-2.tmp"))
        kept.append("kestro-partial-2-2.tmp")
        if not harness.WINE:  # Wine shows a link as the file it leads to
            os.symlink(self.path("elsewhere.txt"), self.path("dst", "kestro-partial-3-3.tmp"))
            kept.append("kestro-partial-3-3.tmp")
        # A folder nothing is copied into is left alone.
        self.make_file("dst/other/kestro-partial-4-4.tmp", b"x")

        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m")
        self.assertEqual((r.code, copied_count(r)), (0, 1), r)
        self.assertEqual(sorted(os.listdir(self.path("dst"))), sorted(kept + ["a.txt", "other"]))
        self.assertEqual(os.listdir(self.path("dst", "other")), ["kestro-partial-4-4.tmp"])
        self.assertEqual(self.read("elsewhere.txt"), b"keep me")


if __name__ == "__main__":
    unittest.main()
