"""The INI file end to end: the program's own INI file beside a copy of the
program, the shared QUENTARO.INI with its [BASE] section in the current
folder, the end of the settings, comments, long lines, the echo on the screen
and in the default log, and the command line applied after the INI file."""

import os
import shutil
import tempfile
import unittest

import harness
from harness import KestroTestCase, files_below


class IniCase(KestroTestCase):
    @classmethod
    def setUpClass(cls):
        # One copy of the program for the class, in a folder of its own.
        cls.bin = tempfile.mkdtemp(prefix="kestro-e2e-bin-")
        cls.program = os.path.join(cls.bin, os.path.basename(harness.EXE)) if harness.EXE else ""
        if harness.EXE:
            shutil.copy2(harness.EXE, cls.program)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.bin, ignore_errors=True)

    def tearDown(self):
        own = self.own_ini_path()
        if os.path.exists(own):
            os.remove(own)
        super().tearDown()

    def own_ini_path(self):
        return os.path.splitext(self.program)[0] + ".ini"

    def write(self, path, *lines):
        with open(path, "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in lines))

    def names(self, path):
        """A path as an INI line names it: the line is upper-cased, and only
        where names are told apart by case do they keep it."""
        return path.upper() if harness.WINE else path


class OwnIniFile(IniCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "a")
        self.make_file("src/sub/b.txt", "b")

    def test_settings_comments_end_of_settings_and_echo(self):
        long_line = "CRC=" + "x" * 255 + "RECURSE=OFF"  # 259 bytes, then a line of its own
        self.write(self.own_ini_path(),
                   "; the backup job",
                   "DEST=" + self.wpath("dst"),
                   "maintain=on",
                   "#PATHONLY=ON",
                   "LOGFILE=" + self.wpath("logs", "run.log") + "!list,cop",
                   "WIDTH",
                   long_line,
                   "",
                   "LIST_ONLY=ON")
        r = self.run_kestro(self.wpath("src"), exe=self.program)
        self.assertEqual(r.code, 0, r)
        # DEST and MAINTAIN applied, the tail of the long line too; LIST_ONLY
        # after the empty line was not.
        self.assertEqual(files_below(self.path("dst")), ["a.txt"])
        self.assertIn("\nMissing ini directive WIDTH", r.out)
        echo = ("\n DEST=%s\n MAINTAIN=ON\n LOGFILE=%s!LIST,COP\n WIDTH\n %s\n RECURSE=OFF"
                % (self.wpath("dst").upper(), self.wpath("logs", "run.log").upper(), long_line[:259].upper()))
        ini_used = harness.winpath(self.own_ini_path())
        self.assertIn('\nINI FILE USED: "%s" %s\n\n' % (ini_used, echo), r.out)
        self.assertIn("\n\nINI PROCESSED\n", r.err)
        self.assertIn((" INI_FILE%s\n END INI FILE\n" % echo).encode(), harness.log_text(self.path("logs", "run.log")))
        # The keywords are read in any case; the logs are named in capitals
        # where the name is upper-cased with the line.
        self.assertEqual(files_below(self.path("logs")), harness.as_listed("run.log", "run_COPIED.log", "run_LIST.log"))

    def test_command_line_comes_after_the_ini_file(self):
        self.write(self.own_ini_path(), "RECURSE=OFF", "DEST=" + self.wpath("dst"), "MAINTAIN=ON")
        r = self.run_kestro(self.wpath("src"), "--recurse", exe=self.program)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(files_below(self.path("dst")), ["a.txt", os.path.join("sub", "b.txt")])

    def test_own_ini_file_is_preferred_to_the_shared_one(self):
        self.write(self.own_ini_path(), "DEST=" + self.wpath("dst"), "MAINTAIN=ON")
        self.write(self.path("QUENTARO.INI"), "[BASE]", "LIST_ONLY=ON")
        r = self.run_kestro(self.wpath("src"), exe=self.program)
        self.assertEqual(r.code, 0, r)
        self.assertIn('INI FILE USED: "%s"' % harness.winpath(self.own_ini_path()), r.out)
        self.assertEqual(len(files_below(self.path("dst"))), 2)

    def test_echo_stops_at_its_buffer_but_lines_still_apply(self):
        lines = ["CRC=" + "y" * 250] * 1100 + ["RECURSE=OFF", "DEST=" + self.wpath("dst"), "MAINTAIN=ON"]
        self.write(self.own_ini_path(), *lines)
        r = self.run_kestro(self.wpath("src"), exe=self.program)
        self.assertEqual(r.code, 0, r)
        self.assertEqual(files_below(self.path("dst")), ["a.txt"])
        echo = r.out[r.out.index("INI FILE USED"):]
        self.assertLess(echo.count("\n CRC="), 1100)
        self.assertTrue("RECURSE=OFF" not in echo and "\n DEST=" not in echo, "lines echoed after the full buffer")
        self.assertLess(len(echo), 262144 + 1000)

    def test_missing_start_path_in_the_ini_file_ends_the_run(self):
        self.write(self.own_ini_path(), "PATH=" + self.wpath("nowhere"))
        r = self.run_kestro("-n", exe=self.program)
        self.assertEqual(r.code, 3, r)
        self.assertIn("\nCan't find a file or folder of the name %s\n" % self.names(self.wpath("nowhere")), r.err)

    def test_memo_typed_at_the_prompt_is_appended_to_the_memo_file(self):
        self.make_file("memo.out", "earlier memo\n")
        self.write(self.own_ini_path(), "MEMO=" + self.wpath("memo.out"))
        # A line of one character counts as blank; the second blank line in a row ends the memo.
        r = self.run_kestro(self.wpath("src"), "-n", exe=self.program, stdin=b"first\nx\nsecond\n\n\nnot memo\n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("\n\n\nInput up to 2000 characters of your memo information now.\n"
                      "End with two blank lines (carriage returns)\a\n\n\n", r.out)
        memo = self.read("memo.out")
        if harness.WINE:
            memo = memo.replace(b"\r\n", b"\n")
        self.assertEqual(memo, b"earlier memo\nfirst\n\nsecond\n\n")

    @unittest.skipIf(harness.WINE, "/dev/full is the host's")
    def test_a_memo_that_cannot_be_written_is_said_once_and_ends_with_WRITE_ERROR(self):
        self.write(self.own_ini_path(), "MEMO=/dev/full")
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", exe=self.program,
                            stdin=b"first\n\n\n")
        self.assertEqual(r.code, 9, r)
        self.assertEqual(r.out.count("\nCan't write memo file C:\\dev\\full\n"), 1, r)
        self.assertIn("\nAbnormal termination. Reason: WRITE_ERROR\n", r.out)
        self.assertEqual(files_below(self.path("dst")), ["a.txt", os.path.join("sub", "b.txt")])

    def test_memo_off_asks_for_nothing(self):
        self.make_file("memo.out", "")
        self.write(self.own_ini_path(), "MEMO=" + self.wpath("memo.out"), "MEMO=OFF")
        r = self.run_kestro(self.wpath("src"), "-n", exe=self.program, stdin=b"typed\n\n\n")
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("memo information", r.out)
        self.assertEqual(self.read("memo.out"), b"")


class SharedIniFile(IniCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "a")
        self.make_file("src/sub/b.txt", "b")

    def test_settings_run_from_the_base_line_to_the_next(self):
        self.write(self.path("QUENTARO.INI"),
                   "[OTHER]", "LIST_ONLY=ON",
                   "[BASE]", "DEST=" + self.wpath("dst"), "MAINTAIN=ON",
                   "[BASE]", "RECURSE=OFF")
        r = self.run_kestro(self.wpath("src"))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(files_below(self.path("dst")), ["a.txt", os.path.join("sub", "b.txt")])
        self.assertIn('\nINI FILE USED: "%s" \n DEST=%s\n MAINTAIN=ON\n\n'
                      % (self.wpath("QUENTARO.INI"), self.wpath("dst").upper()), r.out)

    def test_without_a_base_line_nothing_is_applied(self):
        self.write(self.path("QUENTARO.INI"), "DEST=" + self.wpath("dst"), "MAINTAIN=ON")
        r = self.run_kestro(self.wpath("src"), "-n")
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("INI FILE USED", r.out)
        self.assertNotIn("INI PROCESSED", r.err)
        self.assertFalse(os.path.exists(self.path("dst")))


if __name__ == "__main__":
    unittest.main()
