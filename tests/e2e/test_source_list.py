"""Source-list mode (-S) end to end: listed files land below the destination
on their path below the drive's root, replacing what is there; exclusions,
age and size bounds, missing files, folders, lines that name no drive file,
the end of the list and the progress lines."""

import errno
import os
import resource
import signal
import stat
import threading
import unittest

import harness
from harness import KestroTestCase

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC


def below_root(host_path):
    """The path of a host file below its drive's root, as a relative host path."""
    return harness.winpath(host_path)[3:].replace("\\", os.sep)


class SourceListCase(KestroTestCase):
    def write_list(self, *lines):
        with open(self.path("list.txt"), "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in lines))

    def run_list(self, *extra):
        return self.run_kestro("-S", self.wpath("list.txt"), "-d", self.wpath("dst"), "-m", *extra)

    def dest(self, relative):
        """Host path where the file src/<relative> is copied to."""
        return os.path.join(self.path("dst"), below_root(self.path("src", relative)))


@unittest.skipIf(harness.WINE, "a named pipe made by the host")
class PipedLists(SourceListCase):
    """A list read from a pipe (kestro -S <(find ...)) is counted and then
    read again like a list file."""

    def through_pipe(self, text, *args, **kwargs):
        fifo = self.path("list.fifo")
        os.mkfifo(fifo)

        def feed():
            try:
                with open(fifo, "w") as f:
                    f.write(text)
            except BrokenPipeError:
                pass  # the program stopped reading

        writer = threading.Thread(target=feed)
        writer.start()
        try:
            return self.run_kestro(*args, timeout=60, **kwargs)
        finally:
            writer.join(timeout=60)

    def test_S_and_dirs_lists_read_from_a_pipe(self):
        self.make_file("src/a.txt", "a")
        self.make_file("src/sub/b.txt", "b")
        lines = "".join(self.wpath("src", name) + "\n" for name in ("a.txt", os.path.join("sub", "b.txt")))
        r = self.through_pipe(lines, "-S", self.wpath("list.fifo"), "-d", self.wpath("dst"), "-m")
        self.assertEqual(r.code, 0, r)
        self.assertIn("         2 of 2 files", r.err)
        for name in ("a.txt", os.path.join("sub", "b.txt")):
            with open(self.dest(name)) as f:
                self.assertEqual(f.read(), name[-5])
        os.remove(self.path("list.fifo"))
        r = self.through_pipe(self.wpath("src") + "\n", "-d", self.wpath("dirs"), "--dirs=" + self.wpath("list.fifo"))
        self.assertEqual(r.code, 0, r)
        self.assertIn("Copied             2 files", r.out)

    def test_a_piped_list_that_cannot_be_kept_says_what_failed(self):
        # The list is kept in the host's temporary folder, as long as it has
        # room; when that fails, the message says what failed there.
        self.make_file("src/a.txt", "a")
        line = self.wpath("src", "a.txt") + "\n"

        def small_files_only():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (4096, 4096))

        os.makedirs(self.path("tmp"))
        cases = [
            ({"TMPDIR": self.path("missing")}, None, "\n\nCan't make a temporary file for the list in %s: %s\n"
             % (self.path("missing"), os.strerror(errno.ENOENT))),
            ({"TMPDIR": self.path("tmp")}, small_files_only,
             "\n\nCan't store the list in a temporary file in %s: %s\n" % (self.path("tmp"), os.strerror(errno.EFBIG))),
        ]
        for environment, limits, said in cases:
            if os.path.exists(self.path("list.fifo")):
                os.remove(self.path("list.fifo"))
            r = self.through_pipe(line * 1000, "-S", self.wpath("list.fifo"), "-d", self.wpath("dst"), "-m",
                                  env=environment, preexec_fn=limits)
            self.assertEqual(r.code, 3, r)
            self.assertIn(said, r.err)
            self.assertNotIn("Can't find source file to open", r.err)
            self.assertEqual(os.listdir(self.path("tmp")), [])
        os.remove(self.path("list.fifo"))
        r = self.through_pipe(line * 1000, "-S", self.wpath("list.fifo"), "-d", self.wpath("dst"), "-m",
                              env={"TMPDIR": self.path("tmp")})
        self.assertEqual(r.code, 0, r)
        self.assertIn("Copied          1000 files", r.out)


class ListsThatCannotBeRead(SourceListCase):
    def test_a_list_that_is_missing_or_a_folder_ends_the_run_with_INPUT_FILE(self):
        os.makedirs(self.path("adir"))
        for name in ("adir", "missing.txt"):
            cases = [(["-S", self.wpath(name), "-m"], "\n\nCan't find source file to open\n"),
                     (["--list=" + self.wpath(name)], "\n\nCan't find source file to open\n"),
                     (["--dirs=" + self.wpath(name)], "\n\nCan't open dirs file %s\n" % self.wpath(name))]
            for options, said in cases:
                r = self.run_kestro(*options, "-d", self.wpath("dst"))
                self.assertEqual(r.code, 3, (options, r))
                self.assertIn(said, r.err, options)
                self.assertTrue(r.out.endswith("\n\nProgram Not completed INPUT_FILE"), (options, r))


class Copies(SourceListCase):
    def test_listed_files_replicate_their_drive_path_with_data_and_times(self):
        self.make_file("src/sub/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        self.make_file("src/b.bin", os.urandom(70000), mtime=NEW)
        self.make_file("src/unlisted.txt", "not named")
        # Text after '|' and the blanks before it are not part of the path.
        self.write_list(self.wpath("src", "sub", "a.txt") + "   | saved 2012", self.wpath("src", "b.bin"))
        r = self.run_list()
        self.assertEqual(r.code, 0, r)
        # Before anything reads the copy (which moves its access time).
        self.assertEqual(os.stat(self.dest("sub/a.txt")).st_atime, OLD + 5)
        for name in ("sub/a.txt", "b.bin"):
            self.assertEqual(self.read(self.dest(name)), self.read(os.path.join("src", name)))
            s, d = os.stat(self.path("src", name)), os.stat(self.dest(name))
            self.assertEqual(d.st_mtime_ns // 100, s.st_mtime_ns // 100)
        self.assertFalse(os.path.exists(self.dest("unlisted.txt")))
        self.assertIn("\n            5 %s\n  ==> %s\n" % (self.wpath("src", "sub", "a.txt"),
                                                        harness.winpath(self.dest("sub/a.txt"))), r.out)
        self.assertIn("\nDirectory %s created\n\n" % harness.winpath(os.path.dirname(self.dest("sub/a.txt"))), r.out)
        self.assertIn("         1 of 2 files,   5 bytes\n         2 of 2 files,   70,005 bytes\n", r.err)
        self.assertEqual([n for n in os.listdir(os.path.dirname(self.dest("b.bin"))) if "partial" in n], [])

    def test_older_and_newer_destinations_are_both_replaced(self):
        self.make_file("src/older.txt", "source one", mtime=NEW)
        self.make_file("src/newer.txt", "source two", mtime=OLD)
        os.makedirs(os.path.dirname(self.dest("older.txt")))
        self.make_file(self.dest("older.txt"), "stale copy, longer than the source", mtime=OLD)
        self.make_file(self.dest("newer.txt"), "newer copy", mtime=NEW)
        self.write_list(self.wpath("src", "older.txt"), self.wpath("src", "newer.txt"))
        r = self.run_list()
        self.assertEqual(r.code, 0, r)
        self.assertEqual(self.read(self.dest("older.txt")), b"source one")
        self.assertEqual(self.read(self.dest("newer.txt")), b"source two")
        self.assertEqual(os.stat(self.dest("newer.txt")).st_mtime, OLD)

    def test_M_gives_created_folders_their_source_folders_times(self):
        self.make_file("src/deep/m.txt", "m")
        os.utime(self.path("src", "deep"), (OLD, OLD))
        self.write_list(self.wpath("src", "deep", "m.txt"))
        # Excluded: the folder is still made, and no copy changes it afterwards.
        r = self.run_list("-M", "-x", "M.TXT")
        self.assertEqual(os.stat(os.path.dirname(self.dest("deep/m.txt"))).st_mtime, OLD, r)

    def test_an_empty_line_ends_the_list(self):
        self.make_file("src/first.txt", "1")
        self.make_file("src/second.txt", "2")
        self.write_list(self.wpath("src", "first.txt"), "", self.wpath("src", "second.txt"))
        r = self.run_list()
        self.assertTrue(os.path.exists(self.dest("first.txt")), r)
        self.assertFalse(os.path.exists(self.dest("second.txt")), r)
        self.assertNotIn("second.txt", r.out)

    def test_a_protected_destination_is_replaced_only_with_O(self):
        self.make_file("src/p.txt", "fresh data")
        os.makedirs(os.path.dirname(self.dest("p.txt")))
        self.make_file(self.dest("p.txt"), "protected copy")
        os.chmod(self.dest("p.txt"), stat.S_IRUSR)
        self.write_list(self.wpath("src", "p.txt"))
        r = self.run_list()
        self.assertIn("\nERROR: \\\\?\\%s | NOT COPIED to \\\\?\\%s" % (self.wpath("src", "p.txt"),
                                                                       harness.winpath(self.dest("p.txt"))), r.out)
        self.assertEqual(self.read(self.dest("p.txt")), b"protected copy")
        self.assertIn("         1 of 1 files,   0 bytes\n", r.err)
        r = self.run_list("-O")
        self.assertEqual(self.read(self.dest("p.txt")), b"fresh data", r)
        self.assertFalse(os.stat(self.dest("p.txt")).st_mode & stat.S_IWUSR)


class Skipped(SourceListCase):
    def test_exclusion_pattern_and_size_and_age_bounds_exclude(self):
        self.make_file("src/keep.txt", "x" * 100, mtime=NEW)
        self.make_file("src/skip.obj", "x" * 100, mtime=NEW)
        self.make_file("src/small.txt", "x", mtime=NEW)
        self.make_file("src/ancient.txt", "x" * 100, mtime=OLD)
        self.write_list(*(self.wpath("src", n) for n in ("keep.txt", "skip.obj", "small.txt", "ancient.txt")))
        days = (NEW - OLD) // 86400  # younger than this many days: only the 2020 files
        r = self.run_list("-x", "*.OBJ", "-G", "50", "-l", str(days))
        self.assertTrue(os.path.exists(self.dest("keep.txt")), r)
        for name in ("skip.obj", "small.txt", "ancient.txt"):
            self.assertIn("\nExcluding: \\\\?\\%s\n" % self.wpath("src", name), r.out)
            self.assertFalse(os.path.exists(self.dest(name)))
        self.assertIn("         1 of 4 files,   100 bytes\n", r.err)

    def test_missing_file_is_not_located_or_excluded_under_a_bound(self):
        self.make_file("src/here.txt", "h")
        missing = self.wpath("src", "gone", "missing.txt")
        self.write_list(missing, self.wpath("src", "here.txt"))
        r = self.run_list()
        self.assertIn("\n\\\\?\\%s ==> NOT LOCATED" % missing, r.out)
        # The folder is made before the file is looked for.
        self.assertTrue(os.path.isdir(os.path.dirname(self.dest("gone/missing.txt"))))
        self.assertIn("         1 of 2 files,   1 bytes\n", r.err)  # no progress for the missing one
        r = self.run_list("-G", "0")
        self.assertIn("\nExcluding: \\\\?\\%s\n" % missing, r.out)
        self.assertNotIn("NOT LOCATED", r.out)

    def test_a_listed_folder_is_not_processed(self):
        os.makedirs(self.path("src", "folder"))
        self.write_list(self.wpath("src", "folder"))
        r = self.run_list()
        self.assertIn("\n\\\\?\\%s ==> SOURCE IS DIRECTORY, NOT PROCESSED" % self.wpath("src", "folder"), r.out)
        self.assertFalse(os.path.exists(self.path("dst", below_root(self.path("src")))))

    def test_lines_naming_no_drive_file_are_reported_with_their_text(self):
        self.make_file("src/w.txt", "w")
        lines = ["\\\\server\\share\\x.txt", "relative\\y.txt", self.wpath("src", "*.txt")]
        self.write_list(*lines)
        r = self.run_list()
        for line in lines:
            self.assertIn("\n%s ==> NOT LOCATED" % line, r.out)
        self.assertEqual(os.listdir(self.path("dst")), [])

    def test_an_already_prefixed_line_is_taken_as_it_is(self):
        self.make_file("src/p.txt", "prefixed")
        self.write_list("\\\\?\\" + self.wpath("src", "p.txt"))
        r = self.run_list()
        self.assertEqual(self.read(self.dest("p.txt")), b"prefixed", r)

    def test_a_host_absolute_path_takes_its_drive_form(self):
        self.make_file("src/h.txt", "host form")
        self.make_file("src/ro.txt", "read-only source")
        os.chmod(self.path("src", "ro.txt"), stat.S_IRUSR)
        self.write_list(self.path("src", "h.txt"), self.wpath("src", "ro.txt"))
        r = self.run_list()
        self.assertEqual(self.read(self.dest("h.txt")), b"host form", r)
        self.assertIn("  ==> %s\n" % harness.winpath(self.dest("h.txt")), r.out)
        # The copy of a read-only source still gets the source's times, and
        # keeps its attributes as the whole-file copy gives them (a copy of
        # the tree walk loses read-only).
        self.assertEqual(os.stat(self.dest("ro.txt")).st_mtime_ns // 100,
                         os.stat(self.path("src", "ro.txt")).st_mtime_ns // 100)
        self.assertFalse(os.stat(self.dest("ro.txt")).st_mode & stat.S_IWUSR)

    def test_listing_only_creates_no_folder_and_the_copy_fails(self):
        self.make_file("src/n.txt", "n")
        os.makedirs(self.path("dst"))
        self.write_list(self.wpath("src", "n.txt"))
        r = self.run_list("-n")
        self.assertIn("NOT COPIED to", r.out)
        self.assertEqual(os.listdir(self.path("dst")), [])


if __name__ == "__main__":
    unittest.main()
