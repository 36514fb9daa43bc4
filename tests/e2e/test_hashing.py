"""Hashing end to end: the screen verdict, the hash log's lines for -h, -hs
and -hd and the COPIED record's MD5 field, copies that fail or are cut short
(never verified from what was meant to be written), the source's access time
under -R, and source-list mode's MD5 lines."""

import hashlib
import os
import re
import resource
import signal
import stat
import unittest

import harness
from harness import KestroTestCase

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC
MD5_LOCKED = "- ERROR - FILE POSSIBLY LOCKED -"


def md5(data):
    return hashlib.md5(data).hexdigest().upper()


class HashingCase(KestroTestCase):
    def copy(self, *extra, **kwargs):
        return self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "-H", self.wpath("hash.log"),
                               *extra, **kwargs)

    def hash_log(self):
        # Windows' text mode ends lines with CR LF.
        with open(self.path("hash.log"), "rb") as f:
            data = f.read()
        return (data.replace(b"\r\n", b"\n") if harness.WINE else data).decode("utf-8")

    def both_sides(self, name, source_text, destination_text, verdict=True):
        """The -h line of src/<name>: source and copy, and the verdict when both are digests."""
        line = "\n\n%s  | %s |%s  | %s " % (self.wpath("src", name), source_text, self.wpath("dst", name),
                                           destination_text)
        if verdict:
            line += "|[%s]" % ("OK" if source_text == destination_text else "HASH ERROR")
        return line


class BothSides(HashingCase):
    def test_every_copy_is_verified_and_logged_on_one_line(self):
        files = {"a.txt": b"alpha", "empty.txt": b"", os.path.join("sub", "b.bin"): os.urandom(700000)}
        for name, data in files.items():
            self.make_file(os.path.join("src", name), data, mtime=NEW)
        r = self.copy("-h")
        self.assertEqual(r.code, 0, r)
        log = self.hash_log()
        for name, data in files.items():
            self.assertIn(" ==> %s [OK]\n" % self.wpath("dst", name), r.out)
            self.assertIn(self.both_sides(name, md5(data), md5(data)), log)
        self.assertEqual(len(log), sum(len(self.both_sides(n, md5(d), md5(d))) for n, d in files.items()))
        self.assertIn("D41D8CD98F00B204E9800998ECF8427E", log)

    def test_one_side_only(self):
        self.make_file("src/a.txt", b"alpha", mtime=NEW)
        cases = [
            ("-hs", "\n\n%s  | %s " % (self.wpath("src", "a.txt"), md5(b"alpha"))),
            ("-hd", "\n%s  | %s " % (self.wpath("dst", "a.txt"), md5(b"alpha"))),
        ]
        for option, line in cases:
            with self.subTest(option):
                if os.path.exists(self.path("dst")):
                    os.remove(self.path("dst", "a.txt"))
                if os.path.exists(self.path("hash.log")):
                    os.remove(self.path("hash.log"))
                r = self.copy(option)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(self.hash_log(), line)
                self.assertNotIn("[OK]", r.out)


class LongOptions(HashingCase):
    def test_hash_hashlog_and_sha_given_as_long_options(self):
        self.make_file("src/a.txt", b"alpha", mtime=NEW)
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "--hash=both",
                            "--hashlog=" + self.wpath("hash.log"), "--SHA1")
        self.assertEqual(r.code, 0, r)
        self.assertIn(" ==> %s [OK]\n" % self.wpath("dst", "a.txt"), r.out)
        sha1 = hashlib.sha1(b"alpha").hexdigest().upper()
        self.assertEqual(self.hash_log(), "\n\n%s  | %s  | %s |%s  | %s  | %s |[OK]" % (
            self.wpath("src", "a.txt"), md5(b"alpha"), sha1, self.wpath("dst", "a.txt"), md5(b"alpha"), sha1))


class CopiedLog(HashingCase):
    def test_the_source_md5_ends_each_line_of_the_copied_log_also_for_a_failed_copy(self):
        self.make_file("src/a.txt", b"alpha", mtime=NEW)
        self.make_file("src/b.txt", b"beta", mtime=NEW)
        self.make_file("dst/b.txt", b"old", mtime=OLD)
        os.chmod(self.path("dst", "b.txt"), 0o444)
        r = self.copy("-h", "-z", "-1", self.wpath("logs", "run.log!4"))
        copied = self.read("logs/run_COPIED.log")
        if harness.WINE:
            copied = copied.replace(b"\r\n", b"\n")
        # The record of the copied file ends with its MD5; the failed copy has
        # no record, only the field and the line end.
        record_end = re.escape(("|%s|" % self.wpath("dst", "a.txt")).encode()) + rb"(\d{4}/\d\d/\d\d\|\d\d:\d\d:\d\d[cma]\|){3}"
        self.assertRegex(copied, record_end + md5(b"alpha").encode() + rb"\|\n", r)
        self.assertIn(b"\n" + md5(b"beta").encode() + b"|\n", copied)


class FailedCopies(HashingCase):
    def test_a_failed_copy_is_hashed_as_it_stands(self):
        self.make_file("src/a.txt", b"new data", mtime=NEW)
        self.make_file("dst/a.txt", b"old data", mtime=OLD)
        os.chmod(self.path("dst", "a.txt"), 0o444)
        r = self.copy("-h")
        self.assertIn("NOT COPIED (error) to %s  [HASH ERROR]" % self.wpath("dst", "a.txt"), r.out)
        self.assertEqual(self.hash_log(), self.both_sides("a.txt", md5(b"new data"), md5(b"old data")))

    def test_a_copy_that_cannot_be_read_gets_the_failure_text_and_no_verdict(self):
        # A folder stands under the file's name: the copy fails, and the
        # folder opens but reads nothing; that is no digest of empty data.
        self.make_file("src/a.txt", b"", mtime=NEW)
        os.makedirs(self.path("dst", "a.txt"))
        os.utime(self.path("dst", "a.txt"), (OLD, OLD))
        r = self.copy("-h")
        self.assertIn("NOT COPIED (error) to %s  [HASH ERROR]" % self.wpath("dst", "a.txt"), r.out)
        self.assertEqual(self.hash_log(), self.both_sides("a.txt", md5(b""), MD5_LOCKED, verdict=False))


def limit_file_size():
    # Writes past 256 KiB fail (EFBIG) instead of ending the process.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (262144, 262144))


@unittest.skipIf(harness.WINE, "Wine's own server and files would run under the same file-size limit")
class CopiesCutShort(HashingCase):
    def test_a_copy_cut_short_is_never_verified(self):
        data = os.urandom(1048576)
        self.make_file("src/a.bin", data, mtime=NEW)
        self.make_file("src/b.bin", data, mtime=NEW)
        self.make_file("dst/b.bin", b"an older copy", mtime=OLD)
        r = self.copy("-h", preexec_fn=limit_file_size)
        for name in ("a.bin", "b.bin"):
            self.assertIn("NOT COPIED (error) to %s  [HASH ERROR]" % self.wpath("dst", name), r.out)
        self.assertFalse(os.path.exists(self.path("dst", "a.bin")))
        self.assertEqual(self.read("dst/b.bin"), b"an older copy")
        log = self.hash_log()
        self.assertIn(self.both_sides("a.bin", md5(data), MD5_LOCKED, verdict=False), log)
        self.assertIn(self.both_sides("b.bin", md5(data), md5(b"an older copy")), log)


class AccessTimes(HashingCase):
    def test_R_gives_the_source_its_access_time_back_after_hashing(self):
        self.make_file("src/a.txt", os.urandom(100000), mtime=NEW, atime=OLD)
        self.copy("-h")
        os.remove(self.path("dst", "a.txt"))
        if os.stat(self.path("src", "a.txt")).st_atime == OLD:
            self.skipTest("this file system does not move access times on reads")
        os.utime(self.path("src", "a.txt"), (OLD, NEW))
        r = self.copy("-h", "-R")
        self.assertIn("[OK]", r.out)
        self.assertEqual(os.stat(self.path("src", "a.txt")).st_atime, OLD)
        # The copy gets the source's times after hashing read it, too.
        self.assertEqual(os.stat(self.path("dst", "a.txt")).st_atime, OLD)


class SourceList(HashingCase):
    def test_listed_copies_are_verified_with_md5_lines(self):
        data = os.urandom(70000)
        self.make_file("src/a.bin", data)
        with open(self.path("list.txt"), "w") as f:
            f.write(self.wpath("src", "a.bin") + "\n")
        r = self.run_kestro("-S", self.wpath("list.txt"), "-d", self.wpath("dst"), "-m", "-h", "-H",
                            self.wpath("hash.log"))
        source = self.wpath("src", "a.bin")
        destination = self.wpath("dst") + source[2:]
        self.assertEqual(self.read(os.path.join("dst", source[3:].replace("\\", os.sep))), data)
        self.assertIn("\n  ==> %s\n [OK]" % destination, r.out)
        self.assertEqual(self.hash_log(), "\n\n\\\\?\\%s  %s \n\\\\?\\%s  %s " % (source, md5(data), destination,
                                                                               md5(data)))


if __name__ == "__main__":
    unittest.main()
