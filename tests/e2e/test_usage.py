"""The usage screens and the log help screens as a user at the console pages
through them: one key per prompt, ESC, Ctrl-C or the end of input to leave."""

import os
import re
import select
import time
import unittest

from harness import EXE, WINE, KestroTestCase

PROMPT = " " * 31 + "RETURN TO CONTINUE"
BANNER_TOP = "\u2554"

# One text of each usage page, in the order of the pages.
USAGE_PAGE_LINES = [
    "Usage: kestro  (optional)source_dir  (optional)destination_dir  -[OPTIONS]\n",
    "MAX of 200 filetypes",
    "--flatten[=xx]",
    "Volume Shadow Copy Service",
    "[NO_COUNT=[OFF|]ON]",
    "SILENT=ON",
    "There are 3 ways to get logfile creations. \n",
    "-1 +  logfilename[[!;|]xx]: filename to create logging file(s).     \n",
    "kestro.ini  file syntax:  [LOGFILE=name[ [[!|;] [bitmask] keyword,keyword..]]]\n",
    "[OLDER=xxx]",
    "--overwrite",
    "--hashlog=file",
    "--VERIFY=hashlog",
    "C:\\program files | anyother | delimeted information | on the line",
    "--bypass=[path|file]",
    "\nIf KESTRO fails, test it with and without the --SHADOW_COPY option.\n",
    ".D[nnnnn]",
    "\n       kestro_base64, ",
]
FIRST_PAGE_END = "\n        The -p and -d are really mandatory\n"
BUILD_LINES = re.compile(
    r"\n {7}kestro_base64, (?P<stamp>\w{3} [ \d]\d \d{4}, \d\d:\d\d:\d\d)"
    r"\n {4}kestro_program64, (?P=stamp)\n {4}kestro_options64, (?P=stamp)\n$")

LOG_PAGE_LINES = [
    "There are 3 ways to get logfile creations. \n",
    "      For ALL logfiles use: \"logfilename!63\" or greater. Normal is !31\n",
    "Alternate -- (minusminus)  option to the -1 logfile\n\n",
    "the kestro.ini option\n\n",
]

# Quoted texts that once were broken across two lines on the screens that
# show them (the whole table of quoted texts is the unit test's).
WHOLE_ON_SCREEN = [
    ("usage", "can have up to 10 filetypes"),
    ("usage", "LOGFILENAME must be supplied elsewhere"),
    ("logs", "LOGFILENAME must be supplied elsewhere"),
]


def in_order(out, texts):
    """Whether each of `texts` stands in `out` after the one before it."""
    at = -1
    for text in texts:
        at = out.find(text, at + 1)
        if at < 0:
            return False
    return True


class UsageScreens(KestroTestCase):
    def assert_pages_shown(self, r, pages):
        """The first `pages` usage pages were shown, in order, each under its
        banner, and a prompt after each of them but the last page."""
        self.assertEqual(r.err.count(BANNER_TOP), pages, r)
        self.assertEqual(r.err.count(PROMPT), min(pages, 17), r)
        self.assertTrue(in_order(r.out, USAGE_PAGE_LINES[:pages]), r)
        for text in USAGE_PAGE_LINES[pages:]:
            self.assertNotIn(text, r.out)

    def test_return_seventeen_times_shows_all_pages_and_ends_with_0(self):
        for keys in (b"\n" * 17, b"abc\n" * 4 + b"\n"):  # a typed line answers one prompt per character
            with self.subTest(keys=keys):
                r = self.run_kestro(stdin=keys)
                self.assertEqual(r.code, 0, r)
                self.assert_pages_shown(r, 18)
                self.assertIn(FIRST_PAGE_END, r.out)
                self.assertRegex(r.out, BUILD_LINES)

    def test_quoted_texts_stand_whole_on_the_screens(self):
        shown = {"usage": self.run_kestro(stdin=b"\n" * 17).out, "logs": self.run_kestro("logs", stdin=b"\n" * 3).out}
        for screens, text in WHOLE_ON_SCREEN:
            self.assertIn(text, shown[screens], screens)

    def test_esc_ctrl_c_or_end_of_input_leave_with_6(self):
        cases = [
            ("ESC, then Return, on the first page", b"\x1b\n", 1),
            ("Ctrl-C on the fifth page", b"\n" * 4 + b"\x03\n", 5),
            ("end of input on the tenth page", b"\n" * 9, 10),
            ("ESC on the page before the last", b"\n" * 16 + b"\x1b", 17),
        ]
        for name, keys, pages in cases:
            with self.subTest(name):
                r = self.run_kestro(stdin=keys)
                self.assertEqual(r.code, 6, r)
                self.assert_pages_shown(r, pages)
                self.assertTrue(r.err.endswith(PROMPT), r)  # the prompt ends no line
                # Only the first page is closed with a line end when left.
                self.assertEqual(r.out.endswith(FIRST_PAGE_END + "\n"), pages == 1, r)
                self.assertNotIn("Processed", r.out)

    def test_unknown_or_incomplete_option_shows_the_same_screens(self):
        self.make_file("src/a.txt", "a")
        for args in (["-b"], ["-m", "-1"]):
            with self.subTest(args=args, keys="all pages"):
                r = self.run_kestro(self.wpath("src"), *args, stdin=b"\n" * 17)
                self.assertEqual(r.code, 0, r)
                self.assert_pages_shown(r, 18)
            with self.subTest(args=args, keys="ESC"):
                r = self.run_kestro(self.wpath("src"), *args, stdin=b"\n\x1b")
                self.assertEqual(r.code, 6, r)
                self.assert_pages_shown(r, 2)
                self.assertNotIn("Program Not completed", r.out)


class LogHelpScreens(KestroTestCase):
    def test_log_help_ends_with_6_read_or_left(self):
        for keys, pages in ((b"\n\n\n", 4), (b"\x1b", 1), (b"\n\x03", 2), (b"\n\n", 3)):
            with self.subTest(keys=keys):
                r = self.run_kestro("LoGs", stdin=keys)
                self.assertEqual(r.code, 6, r)
                self.assertTrue(r.out.startswith("\n\n\n" + LOG_PAGE_LINES[0]), r)
                self.assertEqual(r.err.count(PROMPT), min(pages, 3), r)
                self.assertNotIn(BANNER_TOP, r.err)
                self.assertTrue(in_order(r.out, LOG_PAGE_LINES[:pages]), r)
                for text in LOG_PAGE_LINES[pages:]:
                    self.assertNotIn(text, r.out)
                # The last page has no prompt, only three empty lines after it.
                self.assertEqual(r.out.endswith("LOGFILE=OFF   no logs from the INI file.\n\n\n\n"), pages == 4)


@unittest.skipIf(WINE, "Wine's console on a pseudo-terminal takes Ctrl-C as an interrupt of its own and ESC "
                       "as the start of a key sequence; the piped keys above cover kestro.exe")
class TerminalKeys(KestroTestCase):
    def run_on_terminal(self, keys):
        """Runs kestro without arguments on a pseudo-terminal, typing each key
        once its prompt is shown; returns the exit code and the prompts seen."""
        import pty

        pid, fd = pty.fork()
        if pid == 0:
            os.environ["KESTRO_PAUSE"] = "0"
            os.execv(EXE, [EXE])
        screen = b""
        deadline = time.time() + 60
        for typed, key in enumerate(keys):
            while screen.count(PROMPT.encode()) <= typed and time.time() < deadline:
                if select.select([fd], [], [], 0.1)[0]:
                    screen += os.read(fd, 65536)
            time.sleep(0.3)  # the prompt is shown just before the terminal is switched to keys
            os.write(fd, key)
        while time.time() < deadline:
            try:
                data = os.read(fd, 65536)
            except OSError:  # the program has ended
                break
            if not data:
                break
            screen += data
        _, status = os.waitpid(pid, 0)
        os.close(fd)
        return os.waitstatus_to_exitcode(status), screen.count(PROMPT.encode())

    def test_ctrl_c_and_esc_are_keys_of_the_prompt(self):
        for keys, code, prompts in (([b"\r", b"\x03"], 6, 2), ([b"\x1b"], 6, 1)):
            with self.subTest(keys=keys):
                self.assertEqual(self.run_on_terminal(keys), (code, prompts))


if __name__ == "__main__":
    unittest.main()
