"""The "--" options end to end: refused options and their exit reasons, input
files that cannot be opened, flattening into numbered folders with run-wide
renaming, --nodupe, bypassed folders, exclusion files, --dirs start folders,
the tilde-clash check, --list and the log name."""

import os
import re
import unittest

import harness
from harness import KestroTestCase, files_below

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC


def below_root(host_path):
    """The path of a host folder below its drive's root, as a relative host path."""
    return harness.winpath(host_path)[3:].replace("\\", os.sep)


class Refused(KestroTestCase):
    def test_illegal_long_options_end_with_reason_6(self):
        self.make_file("src/a.txt", "a")
        for option in ("exclude", "exclude=", "bypass", "logfile=", "width", "hash=Source", "md5=x",
                       "recurse=maybe", "reset=no", "silent=yes", "destination="):
            with self.subTest(option=option):
                r = self.run_kestro(self.wpath("src"), "--" + option, "-n")
                self.assertEqual(r.code, 6, r)
                self.assertIn("\nIllegal option: %s" % option, r.err)
                self.assertIn("Program Not completed ILLEGAL or INCOMPLETE OPTION", r.out)

    def test_unknown_words_are_accepted_and_change_nothing(self):
        self.make_file("src/a.txt", "a")
        r = self.run_kestro(self.wpath("src"), "--SHA256", "--zzz=1", "-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("a.txt", r.out)

    def test_input_files_that_cannot_be_opened_end_with_reason_3(self):
        self.make_file("src/a.txt", "a")
        missing = self.wpath("no-such-folder", "file.txt")
        for option, message in (("--list=", "\n\nCan't find source file to open\n"),
                                ("--dirs=", "\n\nCan't open dirs file %s\n" % missing),
                                ("--hashlog=", "\n\nCan't open hash log %s\n" % missing)):
            with self.subTest(option=option):
                r = self.run_kestro(self.wpath("src"), option + missing, "-d", self.wpath("dst"))
                self.assertEqual(r.code, 3, r)
                self.assertIn(message, r.err)
                self.assertFalse(os.path.exists(self.path("dst")))


class Flattening(KestroTestCase):
    def setUp(self):
        super().setUp()
        # Eight files of one name in eight folders.
        for i in range(8):
            self.make_file("src/s%d/x.txt" % i, "copy %d" % i, mtime=OLD)

    def test_numbered_folders_and_run_wide_rename_numbers(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-m", "--flatten=6", "--nodupe")
        self.assertEqual(r.code, 0, r)
        # Six copies fill the destination root, then 0001 begins; the rename
        # numbers go on across folders.
        self.assertEqual(files_below(self.path("dst")),
                         sorted(["x.txt"] + ["x[%04d].txt" % i for i in range(5)] +
                                [os.path.join("0001", "x.txt"), os.path.join("0001", "x[0005].txt")]))
        contents = sorted(self.read(os.path.join("dst", f)) for f in files_below(self.path("dst")))
        self.assertEqual(contents, sorted(("copy %d" % i).encode() for i in range(8)))

    def test_small_flatten_value_puts_everything_in_the_root(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-m", "--flatten", "--nodupe")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(len(files_below(self.path("dst"))), 8)
        self.assertFalse(os.path.isdir(self.path("dst", "0001")))


class NoDupeWithoutFlattening(KestroTestCase):
    def test_copies_over_newer_destinations_without_renaming(self):
        self.make_file("src/a.txt", "source", mtime=OLD)
        self.make_file("dst/a.txt", "newer destination", mtime=NEW)
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "--nodupe")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(files_below(self.path("dst")), ["a.txt"])
        self.assertEqual(self.read("dst/a.txt"), b"source")


class Selection(KestroTestCase):
    def test_bypass_by_folder_and_by_list_file(self):
        for name in ("keep/a.txt", "skip1/b.txt", "skip2/c.txt", "skip3/d.txt"):
            self.make_file("src/" + name, name)
        with open(self.path("bypass.txt"), "w", newline="") as f:
            f.write(self.wpath("src", "skip2") + "\r\n\r\n" + self.wpath("src", "skip3") + "\r\n")
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-m",
                            "--bypass=" + self.wpath("src", "skip1"), "--bypass=" + self.wpath("bypass.txt"),
                            "--logfile=" + self.wpath("logs", "run.log"))
        self.assertEqual(r.code, 0, r)
        # The empty line ends the list: skip3 is walked.
        self.assertEqual(files_below(self.path("dst")),
                         [os.path.join("keep", "a.txt"), os.path.join("skip3", "d.txt")])
        self.assertIn(b"  **** BYPASS DIRS option used\n", harness.log_text(self.path("logs", "run.log")))

    def test_exclusion_file_patterns_are_upper_cased(self):
        for name in ("a.txt", "b.tmp", "skipme.txt", "sub/c.TMP"):
            self.make_file("src/" + name, name)
        with open(self.path("exclude.txt"), "w", newline="") as f:
            f.write("*.tmp\r\nskip*\r\n")
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-m", "--exclude=" + self.wpath("exclude.txt"))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(files_below(self.path("dst")), ["a.txt"])


class DirsFile(KestroTestCase):
    def test_each_start_folder_is_mirrored_under_the_destination(self):
        self.make_file("one/a.txt", "a")
        self.make_file("one/sub/b.txt", "b")
        self.make_file("two/c.txt", "c")
        self.make_file("three/d.txt", "d")
        with open(self.path("dirs.txt"), "w", newline="") as f:
            f.write("%s | the first tree\r\n%s\r\n%s\r\n\r\n%s\r\n" % (
                self.wpath("one"), self.wpath("missing"), self.wpath("two"), self.wpath("three")))
        r = self.run_kestro("-d", self.wpath("dst"), "--dirs=" + self.wpath("dirs.txt"))
        self.assertEqual(r.code, 0, r)
        one, two = below_root(self.path("one")), below_root(self.path("two"))
        # The missing folder is dropped; the empty line ends the list.
        self.assertEqual(files_below(self.path("dst")),
                         sorted([os.path.join(one, "a.txt"), os.path.join(one, "sub", "b.txt"),
                                 os.path.join(two, "c.txt")]))
        self.assertNotIn("Counting files", r.err)  # --dirs skips the counting pass


class TildeCheck(KestroTestCase):
    def test_clashing_copy_gets_a_new_name_and_the_old_file_stays(self):
        self.make_file("src/AB~1.TXT", "new", mtime=NEW)
        self.make_file("dst/AB~1.TXT", "old", mtime=OLD)
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "--CHK_TILDE",
                            "--logfile=" + self.wpath("logs", "run.log") + "!32")
        self.assertEqual(r.code, 0, r)
        old = self.wpath("dst", "AB~1.TXT")
        match = re.search(r"\n\nDUPE_FILE: %s ==>   %s(\.D\[\d{5}\])\n" % (re.escape(old), re.escape(old)), r.out)
        self.assertIsNotNone(match, r)
        self.assertEqual(self.read("dst/AB~1.TXT"), b"old")
        self.assertEqual(self.read("dst/AB~1.TXT" + match.group(1)), b"new")
        renamed = self.read("logs/run_RENAMED_FILES.log")
        if harness.WINE:
            renamed = renamed.replace(b"\r\n", b"\n")
        self.assertEqual(renamed.decode(),
                         "FILES WHICH HAVE A SHORT FILENAME xxx~N AS LONG FILENAME AND HAVE BEEN RENAMED\n"
                         "Check Tilde Duplicate Names Used\n"
                         "\n%s |RENAMED TO:| %s%s\n\n" % (old, old, match.group(1)))

    def test_without_the_check_the_copy_is_updated_in_place(self):
        self.make_file("src/AB~1.TXT", "new", mtime=NEW)
        self.make_file("dst/AB~1.TXT", "old", mtime=OLD)
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "--CHK_TILDE=OFF")
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("DUPE_FILE", r.out)
        self.assertEqual(files_below(self.path("dst")), harness.as_listed("AB~1.TXT"))
        self.assertEqual(self.read("dst/AB~1.TXT"), b"new")


class LogNames(KestroTestCase):
    def test_log_masks_and_error_masks_waiting_for_a_log_name(self):
        self.make_file("src/a.txt", "a")
        cases = [
            (["--logfile={}!12"], ["run.log", "run_COPIED.log", "run_NOT_COPIED.log"]),
            (["--logfile={};list,dupe"], ["run.log", "run_LIST.log", "run_RENAMED_FILES.log"]),
            (["--logfile={}!LIST"], ["run.log"]),  # keywords are lower case
            (["--err=12", "--logfile={}"], ["run.log", "run_COPIED.log", "run_NOT_COPIED.log"]),
            (["--logs={}", "--error=list"], ["run.log", "run_LIST.log"]),
        ]
        for i, (options, expected) in enumerate(cases):
            with self.subTest(options=options):
                log = self.wpath("logs%d" % i, "run.log")
                r = self.run_kestro(self.wpath("src"), "-n", *[o.format(log) for o in options])
                self.assertEqual(r.code, 0, r)
                self.assertEqual(files_below(self.path("logs%d" % i)), harness.as_listed(*expected))


class SourceList(KestroTestCase):
    def test_list_option_copies_the_listed_files_into_a_new_destination(self):
        self.make_file("src/a.txt", "alpha")
        self.make_file("src/b.txt", "beta")
        with open(self.path("list.txt"), "w", newline="") as f:
            f.write(self.wpath("src", "a.txt") + "\r\n")
        r = self.run_kestro("-d", self.wpath("dst"), "--list=" + self.wpath("list.txt"))
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("Should I create the directory", r.out)
        self.assertEqual(files_below(self.path("dst")), [os.path.join(below_root(self.path("src")), "a.txt")])


if __name__ == "__main__":
    unittest.main()
