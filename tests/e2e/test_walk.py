"""The tree walk end to end: which files the counting pass counts and the
copy pass hands over (the counting line and the Processed figure), the
counting figures, the keyboard stop and folder
links that lead back into the tree."""

import ctypes
import errno
import os
import pty
import re
import subprocess
import tty
import unittest

import harness
from harness import KestroTestCase


def counted(result):
    """(files, byte text) of the counting line on standard error."""
    match = re.search(r"\r(\d+) files to process, ([\d,]*)\n\n", result.err)
    return (int(match.group(1)), match.group(2)) if match else None


def processed(result):
    match = re.search(r"\n  Processed +(\d+) files\.", result.out)
    return int(match.group(1)) if match else None


class WalkTestCase(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/top.txt", b"12345")
        self.make_file("src/top.dat", b"1234567")
        self.make_file("src/A/a.txt", b"1" * 11)
        self.make_file("src/A/deep/d.txt", b"1" * 13)
        self.make_file("src/B/b.dat", b"1" * 17)
        self.make_file("src/NOTE.TXT/inner.txt", b"1" * 19)  # a folder named like a file

    def walk(self, *extra, stdin=b""):
        return self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-n", *extra, stdin=stdin)


class WhatTheWalkHandsOver(WalkTestCase):
    def test_whole_tree_is_counted_and_handed_over(self):
        result = self.walk()
        self.assertEqual(result.code, 0, result)
        self.assertIn("Counting files: ", result.err)
        self.assertEqual(counted(result), (6, "72"), result)
        self.assertEqual(processed(result), 6, result)

    def test_a_file_that_two_types_match_is_counted_and_handed_twice(self):
        result = self.walk("-f", "*.*", "*.TXT")
        self.assertEqual(counted(result), (10, "120"), result)
        self.assertEqual(processed(result), 10, result)  # the folder NOTE.TXT is never taken

    def test_excluded_files_are_counted_but_not_handed_over(self):
        result = self.walk("-x", "*.DAT")  # the names are upper-cased before matching
        self.assertEqual(counted(result), (6, "72"), result)
        self.assertEqual(processed(result), 4, result)

    def test_X_matches_names_as_they_are_written(self):
        result = self.walk("-X", "*.DAT", "t*")
        self.assertEqual(processed(result), 4, result)  # *.DAT misses b.dat; t* takes top.txt and top.dat

    def test_r_keeps_to_the_start_folder(self):
        result = self.walk("-r")
        self.assertEqual(counted(result), (2, "12"), result)
        self.assertEqual(processed(result), 2, result)

    def test_a_type_beginning_with_a_dash_ends_the_type_list(self):
        types = self.make_file("types.lst", b"*.TXT\n----\n*.DAT\n")
        result = self.walk("-F", harness.winpath(types))
        self.assertEqual(counted(result), (4, "48"), result)
        self.assertEqual(processed(result), 4, result)


class HandOverOrder(WalkTestCase):
    def listed(self, result):
        """The source files of the -n listing, relative to src, in order."""
        prefix = self.wpath("src") + "\\"
        return [line.strip()[len(prefix):] for line in result.out.splitlines() if line.startswith(prefix)]

    def test_subfolders_first_then_the_folders_own_files(self):
        order = self.listed(self.walk())
        self.assertCountEqual(order, ["top.txt", "top.dat", "A\\a.txt", "A\\deep\\d.txt", "B\\b.dat",
                                      "NOTE.TXT\\inner.txt"])
        self.assertEqual(sorted(order[-2:]), ["top.dat", "top.txt"])
        self.assertEqual(order.index("A\\a.txt"), order.index("A\\deep\\d.txt") + 1)

    def test_one_listing_per_type_in_list_order(self):
        order = self.listed(self.walk("-f", "*.*", "*.TXT"))
        self.assertEqual(len(order), 10)
        self.assertEqual(order[-1], "top.txt")  # the *.TXT listing follows the *.* one
        self.assertEqual(sorted(order[-3:-1]), ["top.dat", "top.txt"])
        self.assertEqual(order.count("A\\a.txt"), 2)
        self.assertNotIn("NOTE.TXT", order)


@unittest.skipIf(harness.WINE, "a folder the host will not list and a dangling link are made on the host, "
                                "and Wine's server, not the program, opens the folders")
class WhatTheWalkCannotReach(KestroTestCase):
    def test_a_folder_not_listed_and_a_dangling_link_are_said_on_the_error_stream_only(self):
        self.make_file("src/ok/f.txt", "f")
        self.make_file("src/locked/g.txt", "g")
        os.symlink(self.path("nowhere"), self.path("src", "dangling"))
        os.chmod(self.path("src", "locked"), 0)
        # A file type with a folder part makes the walk list by pattern, as
        # the Windows build always does, instead of reading folders whole.
        self.make_file("types.lst", "*.*\nnone\\*.none\n")
        said = ["\nCan't reach %s: %s\n" % (self.wpath("src", "dangling"), os.strerror(errno.ENOENT)),
                "\nCan't list folder %s: %s\n" % (self.wpath("src", "locked"), os.strerror(errno.EACCES))]
        cases = [([], "err"), (["-F", self.wpath("types.lst")], "err"),
                 (["-E", self.wpath("errors.txt")], "errors.txt"), (["-1", self.wpath("run.log!16")], "run_ERROR.log")]
        for options, stream in cases:
            r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", *options,
                                preexec_fn=without_root_rights)
            self.assertEqual(r.code, 0, (options, r))
            self.assertEqual(harness.files_below(self.path("dst")), ["ok/f.txt"], options)
            self.assertNotIn("Can't", r.out, options)
            text = r.err if stream == "err" else harness.log_text(self.path(stream)).decode()
            self.assertEqual([line for line in said if text.count(line) == 1], said, (options, text))


def without_root_rights():
    """In the child before the program starts: a run as root keeps no right
    to read folders it has no permission for, as any other user's run."""
    if os.geteuid() == 0:
        libc = ctypes.CDLL(None, use_errno=True)
        for capability in (1, 2):  # CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH
            libc.prctl(24, capability, 0, 0, 0)  # PR_CAPBSET_DROP: lost at the exec


class CountingFigures(KestroTestCase):
    def test_a_figure_at_every_thousand_files(self):
        for i in range(2100):
            self.make_file("src/f%04d" % i if i < 1500 else "src/sub/f%04d" % i)
        result = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-n")
        self.assertEqual(result.code, 0, result)
        self.assertIn("Counting files:    1000\b\b\b\b\b\b\b   2000\b\b\b\b\b\b\b\r2100 files to process, 0\n\n",
                      result.err)

    def test_no_figure_below_a_thousand(self):
        for i in range(999):
            self.make_file("src/f%04d" % i)
        result = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-n")
        self.assertIn("Counting files: \r999 files to process, 0\n\n", result.err)


class RedirectedInput(WalkTestCase):
    def test_keys_on_a_redirected_input_are_never_read(self):
        result = self.walk(stdin=b"\x1b\x03\x1b")
        self.assertEqual(result.code, 0, result)
        self.assertEqual(processed(result), 6, result)


@unittest.skipIf(harness.WINE, "the keyboard of a Wine console cannot be driven through a POSIX terminal")
class KeyboardStop(WalkTestCase):
    def run_with_keys(self, keys):
        """Runs kestro with a terminal as standard input on which `keys` are
        already typed (raw mode, so Ctrl+C arrives as the character 3).
        Returns the result and what is left unread on the terminal."""
        master, slave = pty.openpty()
        try:
            tty.setraw(slave)
            os.write(master, keys)
            environment = dict(os.environ, KESTRO_PAUSE="0")
            completed = subprocess.run([harness.EXE, self.wpath("src"), "-d", self.wpath("dst"), "-n"],
                                       stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       env=environment, cwd=self.tmp, timeout=60)
            os.set_blocking(slave, False)
            try:
                left = os.read(slave, 100)
            except BlockingIOError:
                left = b""
        finally:
            os.close(master)
            os.close(slave)
        return harness.Result(completed.returncode, completed.stdout.decode(), completed.stderr.decode()), left

    def test_escape_ends_the_run_with_reason_2(self):
        result, _ = self.run_with_keys(b"\x1b")
        self.assertEqual(result.code, 2, result)
        self.assertIn("Abnormal termination. Reason: USER_ABORTED", result.out)
        self.assertIsNone(counted(result))

    def test_ctrl_c_typed_as_a_key_ends_the_run_with_reason_2(self):
        result, _ = self.run_with_keys(b"\x03")
        self.assertEqual(result.code, 2, result)
        self.assertIn("USER_ABORTED", result.out)

    def test_other_keys_are_read_and_dropped(self):
        result, left = self.run_with_keys(b"xy")
        self.assertEqual(result.code, 0, result)
        self.assertEqual(processed(result), 6, result)
        self.assertEqual(left, b"")


@unittest.skipIf(harness.WINE, "the destination drive is mapped with KESTRO_DRIVES")
class FolderTimes(KestroTestCase):
    def test_M_leaves_every_source_folder_with_its_own_times(self):
        times = {"src": 1262304000, "src/A": 1293840000, "src/A/one": 1325376000, "src/A/two": 1356998400,
                 "src/A/two/three": 1388534400}
        # src and A hold only folders, so a subfolder is the last entry of their listings.
        for folder in ("src/A/one", "src/A/two/three"):
            self.make_file(folder + "/f.txt", b"x")
        for folder, mtime in sorted(times.items(), key=lambda item: -len(item[0])):
            os.utime(self.path(folder), (mtime, mtime))
        # A destination that shares no folder name with the source: -M's replication step then
        # reads no source times, and each folder's own times must survive its subfolders' walks.
        os.makedirs(self.path("drive_e"))
        drives = "C=/;E=" + self.path("drive_e")
        result = self.run_kestro(self.wpath("src"), "-d", "E:\\backup", "-M", env={"KESTRO_DRIVES": drives})
        self.assertEqual(result.code, 0, result)
        self.assertEqual(processed(result), 2, result)
        for folder, mtime in times.items():
            self.assertEqual(os.stat(self.path(folder)).st_mtime, mtime, folder)
        self.assertTrue(os.path.isfile(self.path("drive_e/backup/A/two/three/f.txt")))


class FolderLinks(WalkTestCase):
    def test_a_link_back_into_the_tree_does_not_make_the_walk_go_round(self):
        os.symlink(self.path("src"), self.path("src/A/up"))
        os.symlink(self.path("src/A"), self.path("src/B/toA"))
        result = self.walk()
        self.assertEqual(result.code, 0, result)
        # B\toA is walked like a folder; A\up and B\toA\up lead back to src and are skipped.
        self.assertEqual(processed(result), 8, result)


if __name__ == "__main__":
    unittest.main()
