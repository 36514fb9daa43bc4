"""Bad values everywhere the program takes input: every option that takes a
value, every INI directive and every kind of list file, each given an empty
value, a huge one, bytes of every value and bytes that are not UTF-8. None may
crash or hang the program: each run ends with one of the program's own exit
codes, and option errors say so the documented way."""

import os
import unittest

import harness
from harness import KestroTestCase

# The exit codes a run with bad input may end with: a normal end (the value
# was taken or ignored), an input file that cannot be opened (3), a log that
# cannot be made (4), an illegal option (6).
DOCUMENTED_EXITS = {0, 3, 4, 6}

# A command-line argument holds at most 128 KiB on Linux; files get 1 MB.
VALUES = {
    "empty": b"",
    "huge": b"x" * 100000,
    "binary": bytes(range(1, 256)),
    "non-UTF-8": b"\xff\xfe\x80\xc3(\xed\xa0\x80abc\xf8\x88\x80\x80\x80",
}
FILE_VALUES = dict(VALUES, huge=b"y" * 1048576)

# Short options that take a value, with the way it is given.
SHORT_OPTIONS = ["-1", "-2", "-3", "-a", "-D", "-d", "-E", "-F", "-f", "-G", "-g", "-H", "-h", "-L", "-l",
                 "-p", "-S", "-T", "-W", "-w", "-X", "-x"]
LONG_OPTIONS = ["LOG", "ERR", "EXCLUDE", "DIRS", "BYPASS", "HASHLOG", "HASH", "FLAT", "WIDTH", "GREATER", "LESS",
                "OLDER", "NEWER", "DEST", "PATH", "ACCT", "LIST", "CHK_TILDE", "MAINT", "SHA1", "OVERWRITE",
                "NODUPE", "RESET", "SILENT", "SHADOW", "IGNORE", "OUT", "REC", "TIME", "DELIM"]
INI_DIRECTIVES = ["ACCT", "ACCOUNT", "LOGS", "LOG", "APPEND", "BYP", "CHK_TILDE", "CRC", "DELIM", "DES", "DISPL",
                  "HASH", "IMMED", "NO_COUNT", "LIST", "MAINT", "GREAT", "LESS", "MEMO", "MILITARY", "NAMEONLY",
                  "NODUPE", "YOUNG", "NEWER", "OLD", "OUTPUT", "PATHONLY", "PATH", "REC", "RESET", "SHA", "SILEN",
                  "TIME", "WIDTH", "ZULU"]
# An empty value: these take none (or an empty one) and the run goes on;
# every other option ends the run as an illegal or incomplete option.
EMPTY_IS_NO_VALUE = {"-f", "-h", "-p"}
LONG_EMPTY_TAKEN = {"HASH", "FLAT", "OLDER", "NEWER", "CHK_TILDE", "MAINT", "SHA1", "OVERWRITE", "NODUPE",
                    "RESET", "SILENT", "SHADOW", "IGNORE", "REC", "TIME"}
# List files and the option that reads each.
LIST_FILES = {"-F": "-F", "--exclude": "--exclude=", "--dirs": "--dirs=", "--bypass": "--bypass=@", "-S": "-S"}


@unittest.skipIf(harness.WINE, "the values are a POSIX host's argument bytes; a Windows command line holds "
                               "32,767 characters of UTF-16")
class BadInput(KestroTestCase):
    """With KESTRO_BAD_INPUT_RECORD set, each case and how it ended is
    appended to that file: the record of what was tried."""

    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "data")

    def run_case(self, description, *args, ini=None):
        if ini is not None:
            with open(self.path("QUENTARO.INI"), "wb") as f:
                f.write(b"[BASE]\r\n" + ini + b"\r\n")
        command = ["-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "-i"] + list(args)
        r = self.run_kestro(*command, timeout=60)
        self.assertIn(r.code, DOCUMENTED_EXITS, "%s\n%r" % (description, r))
        if r.code == 6 and "Program Not completed" in r.out:
            self.assertTrue(r.out.endswith("\n\nProgram Not completed ILLEGAL or INCOMPLETE OPTION"), r)
        if r.code == 3:
            self.assertTrue(r.out.endswith("\n\nProgram Not completed INPUT_FILE"), "%s\n%r" % (description, r))
        if r.code == 0:
            self.assertNotIn("Program Not completed", r.out)
        if os.path.exists(self.path("QUENTARO.INI")):
            os.remove(self.path("QUENTARO.INI"))
        record = os.environ.get("KESTRO_BAD_INPUT_RECORD")
        if record:
            last = (r.out.strip().splitlines() or [""])[-1][:70]
            first_error = (r.err.strip().splitlines() or [""])[-1][:70]
            with open(record, "a") as f:
                f.write("%s\t%d\t%s\t%s\n" % (description, r.code, last, first_error))
        return r

    def test_short_options(self):
        for option in SHORT_OPTIONS:
            for kind, value in VALUES.items():
                with self.subTest(option=option, value=kind):
                    r = self.run_case("%s %s" % (option, kind), option.encode() + value)
                    if not value:
                        self.assertEqual(r.code, 0 if option in EMPTY_IS_NO_VALUE else 6, r)
                    if value:
                        self.run_case("%s %s apart" % (option, kind), option, value)

    def test_long_options(self):
        for option in LONG_OPTIONS:
            for kind, value in VALUES.items():
                with self.subTest(option=option, value=kind):
                    r = self.run_case("--%s=%s" % (option, kind), b"--" + option.encode() + b"=" + value)
                    if not value and option not in LONG_EMPTY_TAKEN:
                        self.assertEqual(r.code, 6, r)
                        self.assertIn("\nIllegal option: %s=" % option, r.err)
                    elif not value:
                        self.assertEqual(r.code, 0, r)

    def test_ini_directives(self):
        for directive in INI_DIRECTIVES:
            for kind, value in FILE_VALUES.items():
                with self.subTest(directive=directive, value=kind):
                    self.run_case("INI %s=%s" % (directive, kind), ini=directive.encode() + b"=" + value)

    def test_list_files(self):
        for name, option in LIST_FILES.items():
            for kind, value in FILE_VALUES.items():
                with self.subTest(list=name, value=kind):
                    with open(self.path("list.txt"), "wb") as f:
                        f.write(value + b"\r\n" + value + b"\r\n")
                    listed = (option + self.wpath("list.txt")).encode()
                    if option in ("-F", "-S"):
                        self.run_case("%s file of %s" % (name, kind), option, self.wpath("list.txt"))
                    else:
                        self.run_case("%s file of %s" % (name, kind), listed)


if __name__ == "__main__":
    unittest.main()
