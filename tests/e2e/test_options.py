"""The command line end to end: refused options and their exit reasons, the
start-path adjustment for a file, list files, the log and error-log options."""

import datetime
import os
import re
import unittest

from harness import KestroTestCase


class RefusedOptions(KestroTestCase):
    def test_option_errors_end_with_reason_6_and_their_message(self):
        cases = [
            (["-a"], "\n-a option needs a modifier [erhms]\n"),
            (["-DE"], "\n\nYou used a -D option and forgot to include the ':' after the destination drive\n"
                      "Please rerun the program with proper ':' after destination drive designation\n\n\a"),
            (["-D", "E"], "forgot to include the ':'"),
            (["-f", "*.c", "sub\\*.h"], "Can't have a \\ in the file type option\n"),
            (["-d"], ""),
            (["-d", "-m"], ""),
            (["-G", "-1"], ""),
            (["-L"], ""),
            (["-F"], ""),
            (["-H"], ""),
            (["-S"], ""),
            (["-t"], ""),
            (["-w"], "needs a value"),
            (["-x"], "needs a value"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = self.run_kestro(self.wpath(), *args)
                self.assertEqual(r.code, 6, r)
                self.assertIn(message, r.err)
                self.assertIn("Program Not completed ILLEGAL or INCOMPLETE OPTION", r.out)

    def test_unknown_letter_and_missing_log_name_show_the_usage(self):
        for args in (["-b"], ["-mq"], ["-1"], ["-1", "-A"], ["-E", "-m"], ["-g"], ["-x", "-m"],
                     ["-f", "*.c", "/b"]):
            with self.subTest(args=args):
                r = self.run_kestro(self.wpath(), *args)
                self.assertIn("Usage:", r.out, r)
                self.assertNotIn("Program Not completed", r.out)

    def test_logs_first_argument_ends_with_6_without_statistics(self):
        r = self.run_kestro("LoGs")
        self.assertEqual(r.code, 6, r)
        self.assertNotIn("Processed", r.out)

    def test_missing_source_list_ends_with_reason_3(self):
        r = self.run_kestro(self.wpath(), "-S", self.wpath("no-such-list"))
        self.assertEqual(r.code, 3, r)
        self.assertIn("\n\nCan't find source file to open\n", r.err)

    def test_long_options_are_accepted_in_place(self):
        self.make_file("src/a.txt", "a")
        r = self.run_kestro(self.wpath("src"), "--NOT_YET_KNOWN=1", "-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("a.txt", r.out)

    def test_wrong_hash_letter_is_reported_and_read_as_an_option(self):
        self.make_file("src/a.txt", "a")
        r = self.run_kestro(self.wpath("src"), "-hn")
        self.assertEqual(r.code, 0, r)
        self.assertIn("\nIncorrect -h option\n\nUse either -h or -hs of -hd\n", r.out)
        self.assertIn("a.txt", r.out)  # -n listed the file


class StartPaths(KestroTestCase):
    def test_missing_start_path_ends_with_reason_3(self):
        r = self.run_kestro(self.wpath("nothing-here"))
        self.assertEqual(r.code, 3, r)
        self.assertIn("\nCan't find a file or folder of the name %s\n"
                      "Please check the -p option and rerun program\n" % self.wpath("nothing-here"), r.err)

    def test_a_file_as_start_path_becomes_folder_and_file_type(self):
        self.make_file("data/REPORT.TXT", "r")
        self.make_file("data/other.txt", "o")
        r = self.run_kestro(self.wpath("data", "REPORT.TXT"), "-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("\nREPORT.TXT appears to be a file, not a folder.\nwill make the following adjustments\n"
                      "source directory=\\\\?\\%s\\\nnew file added=REPORT.TXT\n" % self.wpath("data"), r.out)
        self.assertIn("REPORT.TXT", r.out.split("new file added=REPORT.TXT")[1])
        self.assertNotIn("other.txt", r.out)

    def test_p_takes_every_following_path(self):
        self.make_file("one/a.txt", "a")
        self.make_file("two/b.txt", "b")
        self.make_file("three/c.txt", "c")
        r = self.run_kestro("-p", self.wpath("one"), self.wpath("two"), "-n", self.wpath("three"))
        self.assertEqual(r.code, 0, r)
        self.assertIn("a.txt", r.out)
        self.assertIn("b.txt", r.out)
        self.assertNotIn("c.txt", r.out)  # the first argument after an option ends the command line


class TypesFile(KestroTestCase):
    def test_types_file_selects_its_patterns(self):
        self.make_file("src/a.c", "a")
        self.make_file("src/b.h", "b")
        self.make_file("src/c.txt", "c")
        self.make_file("types.lst", "*.c\r\n*.h\n")
        r = self.run_kestro(self.wpath("src"), "-F", self.wpath("types.lst"), "-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("a.c", r.out)
        self.assertIn("b.h", r.out)
        self.assertNotIn("c.txt", r.out)

    def test_299_types_are_taken_and_300_refused(self):
        self.make_file("src/x.t0", "x")
        lines = "".join("*.t%d\n" % i for i in range(299))
        self.make_file("ok.lst", lines)
        r = self.run_kestro(self.wpath("src"), "-F", self.wpath("ok.lst"), "-n")
        self.assertEqual(r.code, 0, r)
        self.make_file("many.lst", lines + "*.last\n")
        r = self.run_kestro(self.wpath("src"), "-F", self.wpath("many.lst"), "-n")
        self.assertEqual(r.code, 3, r)
        self.assertIn("\nMaximum file types allowed for -F option in %s is 300" % self.wpath("many.lst"), r.err)

    def test_missing_or_binary_types_file(self):
        r = self.run_kestro(self.wpath(), "-F", "no-such.lst")
        self.assertEqual(r.code, 3, r)
        self.assertIn("\nCan't open file extention file no-such.lst", r.err)
        self.make_file("src/a.txt", "a")
        self.make_file("binary.lst", bytes(range(256)) * 40)
        r = self.run_kestro(self.wpath("src"), "-F", self.wpath("binary.lst"), "-n")
        self.assertEqual(r.code, 0, r)


class LogOptions(KestroTestCase):
    def test_log_folders_are_announced_once_each_when_created(self):
        self.make_file("src/a.txt", "a")
        self.make_file("file", "a file where a folder should be")
        cases = [
            (("a", "b", "c"), 0, ["Creating (log\\error) directory:  %s\n" % self.wpath("a"),
                                  "Creating (log\\error) directory:  %s\n" % self.wpath("a", "b"),
                                  "Creating (log) directory:  %s\n" % self.wpath("a", "b", "c")]),
            (("file", "x", "y"), 1, []),  # nothing can be made below a file
        ]
        for folders, code, announced in cases:
            r = self.run_kestro(self.wpath("src"), "-1", self.wpath(*folders, "run.log") + "!6", "-n")
            self.assertEqual(r.code, code, r)
            self.assertEqual(re.findall(r"Creating \(log[^\n]*\n", r.out), announced, r)
            self.assertEqual(os.path.isdir(self.path(*folders)), code == 0)

    def test_date_token_names_the_log_after_today(self):
        self.make_file("src/a.txt", "a")
        os.makedirs(self.path("logs"))
        r = self.run_kestro(self.wpath("src"), "-1" + self.wpath("logs", "MMDDrun.txt"), "-n")
        self.assertEqual(r.code, 0, r)
        today = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%d")
        names = os.listdir(self.path("logs"))
        self.assertIn(today + ".txt", names)  # the letters between token and '.' are dropped

    def test_error_log_option_opens_the_file_in_a_new_folder(self):
        self.make_file("src/a.txt", "a")
        self.make_file("errs/old.log", "earlier run\n")
        r = self.run_kestro(self.wpath("src"), "-E", self.wpath("errs", "new", "err.log"), "-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("Creating (log) directory:  %s\n" % self.wpath("errs", "new"), r.out)
        self.assertTrue(os.path.isfile(self.path("errs", "new", "err.log")))
        self.make_file("errs/err.log", "earlier run\n")
        r = self.run_kestro(self.wpath("src"), "-E" + self.wpath("errs", "err.log"), "-n")
        self.assertEqual(r.code, 0, r)
        self.assertTrue(self.read("errs/err.log").startswith(b"earlier run\n"))  # appended, never emptied


if __name__ == "__main__":
    unittest.main()
