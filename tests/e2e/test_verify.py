"""--VERIFY=: a backup checked later against the hash log its copies wrote:
the verdict of each file (OK, CHANGED, MISSING, UNREADABLE), the records that
count (the destination's, the last of a path, SHA-1 where recorded), lines
that are no records, the logs of -1, the exit codes, and -n, -f, -x and the
size options narrowing what is checked."""

import hashlib
import os
import re
import signal
import subprocess
import unittest

import harness
from harness import KestroTestCase

NEW = 1577836800  # 2020-01-01 00:00:00 UTC
VERIFY_FAILED = 17
FILES = {"a.txt": b"alpha", os.path.join("sub", "b.txt"): b"beta", "c.bin": bytes(range(256)) * 400}


def write(path, mode, data):
    with open(path, mode) as f:
        f.write(data)


def md5(data):
    return hashlib.md5(data).hexdigest().upper()


class VerifyCase(KestroTestCase):
    def backup(self, *hash_options, files=FILES, only=True):
        """Copies `files` from src to dst (with `only`, none of the others src
        holds), appending to hash.log."""
        for name, data in files.items():
            self.make_file(os.path.join("src", name), data, mtime=NEW)
        types = ["-f"] + sorted({os.path.basename(n) for n in files}) if only else []
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "-A", *hash_options, "-H",
                            self.wpath("hash.log"), *types)
        self.assertEqual(r.code, 0, r)

    def verify(self, *options, log="hash.log"):
        return self.run_kestro("--VERIFY=" + self.wpath(log), *options)

    def summary(self, ok, changed=0, missing=0, unreadable=0):
        return ("\n\n Verified against %s\n   OK            %9d files\n   CHANGED       %9d files\n"
                "   MISSING       %9d files\n   UNREADABLE    %9d files\n"
                % (self.wpath("hash.log"), ok, changed, missing, unreadable))

    def append_to_log(self, text):
        with open(self.path("hash.log"), "ab") as f:
            f.write(text.encode())

    def hash_log(self):
        return harness.log_text(self.path("hash.log")).decode()


class CleanBackup(VerifyCase):
    def test_every_file_as_recorded_ends_with_0(self):
        self.backup("-h")
        r = self.verify()
        self.assertEqual(r.code, 0, r)
        self.assertIn("\n Started ", r.out)
        self.assertIn("--VERIFY=" + self.wpath("hash.log"), r.out)
        self.assertIn(self.summary(3), r.out)
        self.assertIn("\n 3 of 3 files:    %s of %s bytes\n" % ("{:,}".format(102409), "{:,}".format(102409)), r.out)
        self.assertNotRegex(r.out, r"\n(CHANGED|MISSING|UNREADABLE) +\w:\\|no record")
        self.assertNotIn("Program Not completed", r.out)


class Faults(VerifyCase):
    def test_each_fault_is_named_and_ends_the_run_with_its_reason(self):
        # Root reads every file: a folder, or a FIFO, in place of a file is
        # what no one can read as a file.
        damages = [
            ("a changed byte", "a.txt", "CHANGED", lambda p: write(p, "wb", b"alphA")),
            ("a longer file", "c.bin", "CHANGED", lambda p: write(p, "ab", b"\0")),
            ("a missing file", os.path.join("sub", "b.txt"), "MISSING", os.remove),
            ("a missing folder", os.path.join("sub", "b.txt"), "MISSING",
             lambda p: (os.remove(p), os.rmdir(os.path.dirname(p)))),
            ("a folder in its place", "a.txt", "UNREADABLE", lambda p: (os.remove(p), os.mkdir(p))),
        ]
        if not harness.WINE:
            damages.append(("a FIFO in its place", "c.bin", "UNREADABLE", lambda p: (os.remove(p), os.mkfifo(p))))
        for what, name, verdict, damage in damages:
            with self.subTest(what):
                self.tearDown()
                self.setUp()
                self.backup("-h")
                damage(self.path("dst", name))
                r = self.verify("-1", self.wpath("logs", "run.log!8"))
                self.assertEqual(r.code, VERIFY_FAILED, r)
                shown = self.wpath("dst", name)
                if verdict == "UNREADABLE":
                    self.assertRegex(r.out, "\nUNREADABLE %s: [^\n]+\n" % re.escape(shown))
                else:
                    self.assertIn("\n%-10s %s\n" % (verdict, shown), r.out)
                counts = {"CHANGED": (2, 1, 0, 0), "MISSING": (2, 0, 1, 0), "UNREADABLE": (2, 0, 0, 1)}[verdict]
                self.assertIn(self.summary(*counts), r.out)
                self.assertTrue(r.out.endswith("\n\nProgram Not completed VERIFY_FAILED"), r)
                # The NOT_COPIED log takes the fault, the default log the summary.
                not_copied = harness.log_text(self.path("logs", "run_NOT_COPIED.log")).decode()
                self.assertRegex(not_copied, "^FILES NOT COPIED\n%s\\| %s(: [^\n]+)?\n$" % (re.escape(shown), verdict))
                default_log = harness.log_text(self.path("logs", "run.log")).decode()
                self.assertIn(self.summary(*counts), default_log)
                self.assertIn("\nABNORMAL TERMINATION\n", default_log)

    def test_a_hash_log_that_cannot_be_opened_ends_with_3(self):
        r = self.verify(log="no such log")
        self.assertEqual(r.code, 3, r)
        self.assertIn("Can't open hash log %s" % self.wpath("no such log"), r.err)


class Records(VerifyCase):
    def test_mixed_modes_check_the_copy_or_the_lone_source_and_sha1_where_recorded(self):
        self.backup("-hs", files={"a.txt": b"alpha"})
        self.backup("-hd", "--SHA", files={"b.txt": b"beta"})
        self.backup("-h", "--SHA", files={"c.txt": b"gamma"})
        self.backup("-h", files={"d.txt": b"delta"})
        log = self.hash_log()
        self.assertIn("|[OK]", log)
        r = self.verify()
        self.assertEqual(r.code, 0, r)
        self.assertIn(self.summary(4), r.out)

        # The -hs record is the source's; the others are the copies'.
        for side, name, data in (("src", "a.txt", b"alphA"), ("dst", "b.txt", b"betA"), ("dst", "d.txt", b"deltA")):
            self.make_file(os.path.join(side, name), data)
        self.make_file(os.path.join("dst", "a.txt"), b"changed, but never recorded")
        self.make_file(os.path.join("src", "c.txt"), b"changed, but not the copy")
        r = self.verify()
        self.assertEqual(r.code, VERIFY_FAILED, r)
        self.assertIn(self.summary(1, 3), r.out)
        for side, name in (("src", "a.txt"), ("dst", "b.txt"), ("dst", "d.txt")):
            self.assertIn("\nCHANGED    %s\n" % self.wpath(side, name), r.out)

    def test_a_sha1_that_differs_is_a_change_even_when_the_md5_agrees(self):
        self.backup("-h", "--SHA", files={"c.txt": b"gamma"})
        sha1 = hashlib.sha1(b"gamma").hexdigest().upper()
        with open(self.path("hash.log"), "rb") as f:
            log = f.read()
        with open(self.path("hash.log"), "wb") as f:
            f.write(log.replace(sha1.encode(), b"0" * 40))
        r = self.verify()
        self.assertEqual(r.code, VERIFY_FAILED, r)
        self.assertIn("\nCHANGED    %s\n" % self.wpath("dst", "c.txt"), r.out)

    def test_the_last_record_of_a_path_counts_and_is_checked_once(self):
        self.backup("-h", files={"a.txt": b"first"})
        self.backup("-h", files={"a.txt": b"second"})
        self.assertEqual(self.hash_log().count(self.wpath("dst", "a.txt")), 2)
        r = self.verify()
        self.assertEqual(r.code, 0, r)
        self.assertIn(self.summary(1), r.out)
        self.assertIn("\n 1 of 1 files:", r.out)

        # A last record whose digest is a failure text: the file is not recorded.
        self.append_to_log("\n%s  | - ERROR - FILE POSSIBLY LOCKED - " % self.wpath("dst", "a.txt"))
        r = self.verify()
        self.assertEqual(r.code, 0, r)
        self.assertIn(self.summary(0), r.out)
        self.assertIn("   not recorded          1 files (a failure text in place of the digest)\n", r.out)

    def test_garbage_and_a_truncated_last_line_are_named_and_counted(self):
        self.backup("-h")
        log = self.hash_log()
        self.append_to_log("\nthis line is garbage | [OK]\n\n%s  | %s" % (self.wpath("src", "x.txt"), md5(b"x")[:20]))
        lines = self.hash_log().split("\n")
        r = self.verify()
        self.assertEqual(r.code, 0, r)
        self.assertIn(self.summary(3), r.out)
        self.assertIn("   not records           2 lines of the hash log\n", r.out)
        self.assertIn("\nLine %d of %s is no record: this line is garbage | [OK]\n" % (
            lines.index("this line is garbage | [OK]") + 1, self.wpath("hash.log")), r.out)
        self.assertIn("\nLine %d of %s is no record: %s  | %s\n" % (
            len(lines), self.wpath("hash.log"), self.wpath("src", "x.txt"), md5(b"x")[:20]), r.out)
        self.assertEqual(len(log.split("\n")) + 3, len(lines))

    def test_a_source_list_copy_is_checked_at_the_copy(self):
        self.make_file("src/a.bin", b"listed")
        with open(self.path("list.txt"), "w") as f:
            f.write(self.wpath("src", "a.bin") + "\n")
        r = self.run_kestro("-S", self.wpath("list.txt"), "-d", self.wpath("dst"), "-m", "-h", "-H",
                            self.wpath("hash.log"))
        self.assertEqual(r.code, 0, r)
        copy = self.wpath("dst") + self.wpath("src", "a.bin")[2:]
        r = self.verify("-n")
        self.assertEqual(r.code, 0, r)
        self.assertIn("\n%s \n" % copy, r.out)
        self.assertNotIn("\n%s \n" % self.wpath("src", "a.bin"), r.out)
        r = self.verify()
        self.assertEqual(r.code, 0, r)
        self.assertIn(self.summary(1), r.out)


class Interrupt(VerifyCase):
    def test_ctrl_c_ends_with_2_after_a_prefix_of_the_log(self):
        files = {"f%04d.txt" % i: b"%d" % i for i in range(3000)}
        self.backup("-hd", files=files, only=False)
        environment = dict(os.environ, KESTRO_PAUSE="0", WINEDEBUG="-all")
        command = (["wine", harness.EXE] if harness.WINE else [harness.EXE])
        process = subprocess.Popen(command + ["--VERIFY=" + self.wpath("hash.log")], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=environment)
        # Once the first files are reported, the screen is no longer read:
        # the run is held in a write long before its end when Ctrl+C comes.
        out = b""
        while b"\n 100 of 3000 files:" not in out and process.poll() is None:
            out += process.stdout.read1(4096)
        process.send_signal(signal.SIGINT)
        rest, _ = process.communicate(timeout=60)
        out = (out + rest).decode().replace("\r\n", "\n")
        self.assertEqual(process.returncode, 2, out[-2000:])
        self.assertTrue(out.endswith("Program Not completed USER_ABORTED"), out[-2000:])
        self.assertNotIn("Verified against", out)
        reported = [int(n) for n in re.findall(r"\n (\d+) of 3000 files:", out)]
        self.assertEqual(reported, list(range(1, len(reported) + 1)))
        self.assertLess(len(reported), 3000)


class Narrowing(VerifyCase):
    def test_n_lists_and_f_x_and_sizes_narrow_what_is_checked(self):
        self.backup("-h")
        os.remove(self.path("dst", "a.txt"))  # a check would find it missing
        cases = [
            ("-n", ["-n"], ["a.txt", os.path.join("sub", "b.txt"), "c.bin"], 0),
            ("-f", ["-n", "-f", "*.txt"], ["a.txt", os.path.join("sub", "b.txt")], 0),
            ("-x", ["-n", "-x", "A.*"], [os.path.join("sub", "b.txt"), "c.bin"], 0),
            ("-G", ["-n", "-G", "1000"], ["a.txt", "c.bin"], 0),  # a missing file is checked whatever its size
            ("-l", ["-n", "-l", "30"], ["a.txt"], 0),  # the copies keep the sources' write time of 2020
            ("-g", ["-n", "-g", "30"], ["a.txt", os.path.join("sub", "b.txt"), "c.bin"], 0),
            ("-x checked", ["-x", "*.TXT"], ["c.bin"], 0),
            ("-L checked", ["-L", "10"], ["a.txt", os.path.join("sub", "b.txt")], VERIFY_FAILED),
        ]
        for what, options, listed, code in cases:
            with self.subTest(what):
                r = self.verify(*options)
                self.assertEqual(r.code, code, r)
                shown = [self.wpath("dst", name) for name in listed]
                if "-n" in options:
                    self.assertEqual(sorted(re.findall(r"^(.*) $", r.out, re.M)[-len(listed):]), sorted(shown), r)
                    self.assertIn("\n\n %d files would be verified against %s\n" % (len(listed),
                                                                                   self.wpath("hash.log")), r.out)
                    self.assertNotIn("MISSING ", r.out)
                else:
                    self.assertIn("\n %d of %d files:" % (len(listed), len(listed)), r.out)
                    self.assertEqual("MISSING    %s" % self.wpath("dst", "a.txt") in r.out, "a.txt" in listed, r)


if __name__ == "__main__":
    unittest.main()
