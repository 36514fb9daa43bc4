"""The log file set end to end, one test per log kind: which files a mask
opens and their headers, the default log's part of each run, the bytes of
the LIST, COPIED, NOT_COPIED and ERROR records, the -E file, the accounting
log of ACCT, and the runs that end because a log cannot be opened or written."""

import os
import re
import resource
import shutil
import signal
import stat
import subprocess
import time
import unittest

import harness
from harness import KestroTestCase, WINE

OLD = 1262304000  # 2010-01-01 00:00:00 UTC
NEW = 1577836800  # 2020-01-01 00:00:00 UTC

LIST_HEADER = b"FILES PROCESSED | SIZE | CREATED DATE-TIME | MODIFIED DATE-TIME | ACCESSED DATE-TIME |"
COPIED_HEADER = (b"FILES SUCCESSFULLY COPIED SIZE | SOURCE | Filler | DESTINATION | SOURCE CREATED DATE-TIME | "
                 b"MODIFIED DATE-TIME | ACCESSED DATE-TIME |\n")
NOT_COPIED_HEADER = b"FILES NOT COPIED"
RENAMED_HEADER = b"FILES WHICH HAVE A SHORT FILENAME xxx~N AS LONG FILENAME AND HAVE BEEN RENAMED\n"
ERROR_HEADER = b"FILES WHICH WERE NOT COPIED DUE TO SOME ERROR\n"
CREATED = rb"\d{4}/\d\d/\d\d\|\d\d:\d\d:\d\dc\|"  # the creation time is the host's to choose


def on_disk(text):
    """Log text as the build writes it: Windows' text mode ends lines with CR LF."""
    return text.replace(b"\n", b"\r\n") if WINE else text


def from_disk(data):
    return data.replace(b"\r\n", b"\n") if WINE else data


def utc_fields(seconds, letter):
    import time
    t = time.gmtime(seconds)
    return b"%04d/%02d/%02d|%02d:%02d:%02d%s|" % (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min,
                                                 t.tm_sec, letter)


class LogCase(KestroTestCase):
    def copy(self, log, *extra, **kwargs):
        return self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "-z", "-1", log,
                               *extra, **kwargs)

    def log_bytes(self, relative):
        return from_disk(self.read(relative))


class MaskOpensItsLogs(LogCase):
    def test_each_bit_opens_its_log_once_in_order_with_its_header(self):
        os.makedirs(self.path("src"))
        cases = [
            ("run.log!31", [("files", "run_LIST.log", LIST_HEADER),
                            ("copied", "run_COPIED.log", COPIED_HEADER),
                            ("not copied", "run_NOT_COPIED.log", NOT_COPIED_HEADER),
                            ("error", "run_ERROR.log", ERROR_HEADER)]),
            ("run!32", [("renamed", "run_RENAMED_FILES.LOG",
                         RENAMED_HEADER + b"Check Tilde Duplicate Names NOT CHECKED\n")]),
            ("run.txt|ALL", [("files", "run_LIST.txt", LIST_HEADER),
                             ("copied", "run_COPIED.txt", COPIED_HEADER),
                             ("not copied", "run_NOT_COPIED.txt", NOT_COPIED_HEADER),
                             ("renamed", "run_RENAMED_FILES.txt",
                              RENAMED_HEADER + b"Check Tilde Duplicate Names NOT CHECKED\n"),
                             ("error", "run_ERROR.txt", ERROR_HEADER)]),
            ("run.log;6", [("files", "run_LIST.log", LIST_HEADER), ("copied", "run_COPIED.log", COPIED_HEADER)]),
            ("run.log", []),
        ]
        for i, (value, expected) in enumerate(cases):
            folder = "logs%d" % i
            os.makedirs(self.path(folder))
            r = self.copy(self.wpath(folder, value))
            self.assertEqual(r.code, 0, r)
            announced = re.findall(r"\nopened (files|copied|not copied|renamed|error) list (\S+)", r.out)
            self.assertEqual(announced, [(kind, self.wpath(folder, name)) for kind, name, _ in expected], value)
            default = re.split(r"[!|;]", value)[0]
            self.assertEqual(sorted(os.listdir(self.path(folder))),
                             sorted([default] + [name for _, name, _ in expected]), value)
            for _, name, header in expected:
                # Nothing was copied: the header and the closing line end.
                self.assertEqual(self.read(os.path.join(folder, name)), on_disk(header + b"\n"), name)

    def test_a_log_named_twice_keeps_its_records_in_its_own_file(self):
        self.make_file("src/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        r = self.copy(self.wpath("logs", "run.log!2"), "-1", self.wpath("logs", "run.log!6"))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(re.findall(r"\nopened (\w+) list", r.out), ["files", "copied"])
        listed = self.log_bytes("logs/run_LIST.log")
        copied = self.log_bytes("logs/run_COPIED.log")
        self.assertTrue(listed.startswith(LIST_HEADER + b"\n" + self.wpath("src", "a.txt").encode() + b"| 5|"), listed)
        self.assertTrue(copied.startswith(COPIED_HEADER + b"             5 |"), copied)
        self.assertNotIn(b"| 5|", copied)

    def test_every_run_appends_after_what_earlier_runs_wrote(self):
        self.make_file("src/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        self.make_file("logs/run_LIST.log", on_disk(b"an earlier run\n"))
        self.copy(self.wpath("logs", "run.log!2"))
        self.copy(self.wpath("logs", "run.log!2"))
        listed = self.log_bytes("logs/run_LIST.log")
        self.assertTrue(listed.startswith(b"an earlier run\n" + LIST_HEADER), listed)
        self.assertEqual(listed.count(LIST_HEADER), 2)
        self.assertEqual(listed.count(b"a.txt| 5|"), 2)

    def test_a_log_that_cannot_be_opened_ends_the_run_with_OUTPUT_FILE(self):
        self.make_file("src/a.txt", "alpha")
        os.makedirs(self.path("logs", "run_COPIED.log"))  # a folder where the file should be
        r = self.copy(self.wpath("logs", "run.log!6"))
        self.assertEqual(r.code, 4, r)
        self.assertIn("\nopened files list %s" % self.wpath("logs", "run_LIST.log"), r.out)
        self.assertIn("\nCan't open log file %s\n\n  Processed " % self.wpath("logs", "run_COPIED.log"), r.out)
        self.assertTrue(r.out.endswith("\n\nProgram Not completed OUTPUT_FILE"), r)
        self.assertFalse(os.path.exists(self.path("dst", "a.txt")))
        self.assertIn(b"\nABNORMAL TERMINATION\n", self.log_bytes("logs/run.log"))

    def test_a_default_log_that_can_be_neither_opened_nor_created_ends_with_1(self):
        self.make_file("src/a.txt", "alpha")
        os.makedirs(self.path("logs", "run.log"))
        r = self.copy(self.wpath("logs", "run.log!6"))
        self.assertEqual(r.code, 1, r)
        self.assertIn("\nGeneric_64\n118\nerror opening %s\n" % self.wpath("logs", "run.log"), r.err)


class DefaultLog(LogCase):
    RUN_PART = (rb"\n\*{40}\n"
                rb"\n Started \w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4} GMT, \d\d:\d\d .* \(.*\)\n"
                rb" Command line: .* -1 (\S+) \n"
                rb"\nCount Files indicates: 1 files to process, approx 5 bytes\n"
                rb"\n Processed         1 files,            5 bytes: "
                rb"\n Copied            (\d) files,            (\d) bytes: "
                rb"\n\n Finished \w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4}\n"
                rb" Elapsed:  0 hrs\. 0 mins\. \d+ secs\.\n"
                rb"\*{53}\n")

    def test_each_run_adds_its_part_after_the_end_of_file_mark_is_cut(self):
        self.make_file("src/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        self.make_file("logs/run.log", on_disk(b"an earlier run\n") + b"\x1aafter the mark")
        for _ in range(2):
            r = self.copy(self.wpath("logs", "run.log"))
            self.assertEqual(r.code, 0, r)
        log = self.log_bytes("logs/run.log")
        self.assertTrue(log.startswith(b"an earlier run\n"), log)
        runs = re.fullmatch(b"an earlier run\n" + self.RUN_PART + self.RUN_PART, log)
        self.assertIsNotNone(runs, log)
        self.assertEqual(runs.groups()[1:3], (b"1", b"5"))  # the first run copies,
        self.assertEqual(runs.groups()[4:6], (b"0", b"0"))  # the second finds the copy up to date

    def test_a_short_default_log_is_not_examined(self):
        os.makedirs(self.path("src"))
        self.make_file("logs/run.log", b"1234\x1a678")
        self.copy(self.wpath("logs", "run.log"), "-i")
        self.assertTrue(self.read("logs/run.log").startswith(b"1234\x1a678" + on_disk(b"\n" + b"*" * 40)))

    def test_ACCT_keeps_the_accounting_log_with_header_and_statistics(self):
        self.make_file("src/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        runs = (("ON", "ACCT-ING"), (self.wpath("acct", "jobs.txt"), os.path.join("acct", "jobs.txt")))
        for i, (value, name) in enumerate(runs):
            r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst%d" % i), "-m",
                                env={"ACCT": value})
            self.assertEqual(r.code, 0, r)
            log = self.log_bytes(name)
            self.assertRegex(log, rb"^\n\*{40}\n\n Started .*\n Command line: .*\n\nCount Files indicates: 1 files")
            self.assertRegex(log, rb"\n Copied            1 files,            5 bytes: \n\n Finished .*\n"
                                  rb" Elapsed: .*\n\*{53}\n$")


class Records(LogCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "alpha", mtime=OLD, atime=OLD + 5)
        self.make_file("src/\u00dcber.txt", "ueber", mtime=NEW, atime=NEW + 9)

    def test_list_and_copied_records(self):
        r = self.copy(self.wpath("logs", "run.log!6"))
        self.assertEqual(r.code, 0, r)
        listed = self.log_bytes("logs/run_LIST.log")
        copied = self.log_bytes("logs/run_COPIED.log")
        self.assertTrue(listed.startswith(LIST_HEADER) and listed.endswith(b"|\n"), listed)
        self.assertTrue(copied.startswith(COPIED_HEADER) and copied.endswith(b"|\n\n"), copied)
        for name, size, times in (("a.txt", 5, (OLD, OLD + 5)), ("\u00dcber.txt", 5, (NEW, NEW + 9))):
            source = self.wpath("src", name)
            fields = CREATED + re.escape(utc_fields(times[0], b"m") + utc_fields(times[1], b"a"))
            # The LIST record names the source as it is; the COPIED record gives
            # each character above 127 as the first byte of its UTF-8 form.
            self.assertRegex(listed, b"\n" + re.escape(source.encode() + b"| %d|" % size) + fields)
            raw_source = source.encode().replace("\u00dc".encode(), b"\xc3")
            self.assertRegex(copied, b"\n" + re.escape(b"%14d |" % size + raw_source + b"| ==> |" +
                                                       self.wpath("dst", name).encode() + b"|") + fields + b"\n")

    def test_not_copied_records_give_each_reason(self):
        cases = [
            ("age", ["-e"], "dst", "reason: AGE Criteria"),
            ("size", ["-G", "100"], None, "reason: SIZE Criteria"),
            ("existing", ["-e"], None, "reason: CRITERIA: destination not previously existing"),
            ("listing", ["-n"], None, "reason: LISTING ONLY REQUESTED"),
            ("attributes", ["-ah"], None, "Attributes"),
            ("error", [], "read-only", "reason: ******** COPY ERROR *******"),
        ]
        for name, extra, destination, reason in cases:
            dst = self.path("dst", "a.txt")
            if os.path.exists(dst):
                os.chmod(dst, stat.S_IWUSR | stat.S_IRUSR)
                os.remove(dst)
            if destination:
                self.make_file("dst/a.txt", "newer", mtime=NEW)
                if destination == "read-only":
                    os.utime(dst, (OLD - 9, OLD - 9))
                    os.chmod(dst, stat.S_IRUSR)
            r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "-f", "a.txt",
                                "-1", self.wpath(name, "run.log!8"), *extra)
            self.assertEqual(r.code, 0, r)
            expected = NOT_COPIED_HEADER + b"\n\\\\?\\" + self.wpath("src", "a.txt").encode() + b"| " + \
                reason.encode() + b"\n"
            self.assertEqual(self.log_bytes(os.path.join(name, "run_NOT_COPIED.log")), expected, name)
            self.assertIn("\n NOT COPIED         1 files\n", r.out, name)
            newer = b" of which 1 files are newer" if name == "age" else b""
            self.assertIn(b"\n NOT COPIED         1 files " + newer + b"\n",
                          self.log_bytes(os.path.join(name, "run.log")), name)

    def test_source_list_mode_writes_its_short_records(self):
        with open(self.path("list.txt"), "w", newline="") as f:
            f.write(self.wpath("src", "a.txt") + "\r\n" + self.wpath("src", "gone.txt") + "\r\n")
        r = self.run_kestro("-S", self.wpath("list.txt"), "-d", self.wpath("dst"), "-m",
                            "-1", self.wpath("logs", "run.log!14"))
        self.assertEqual(r.code, 0, r)
        source, gone = (b"\\\\?\\" + self.wpath("src", name).encode() for name in ("a.txt", "gone.txt"))
        self.assertEqual(self.log_bytes("logs/run_LIST.log"), LIST_HEADER + b"\n" + source + b"|\n")
        self.assertEqual(self.log_bytes("logs/run_COPIED.log"), COPIED_HEADER + b"\n" + source + b"|\n")
        self.assertEqual(self.log_bytes("logs/run_NOT_COPIED.log"),
                         NOT_COPIED_HEADER + b"\n" + gone + b"| Not Copied: Reason: File NOT LOCATED\n")
        self.assertIn(" ==> NOT LOCATED\a", r.out)  # the bell, with the NOT_COPIED log open


class ErrorLogs(LogCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "alpha", mtime=NEW)
        self.make_file("dst/a.txt", "older", mtime=OLD)
        os.chmod(self.path("dst", "a.txt"), stat.S_IRUSR)
        self.failed = b"\n" + self.wpath("src", "a.txt").encode() + b" | NOT COPIED to " + \
            self.wpath("dst", "a.txt").encode()

    def test_error_log_of_the_mask_gets_the_failed_copies(self):
        r = self.copy(self.wpath("logs", "run.log!16"))
        self.assertEqual(r.code, 0, r)
        self.assertEqual(self.log_bytes("logs/run_ERROR.log"), ERROR_HEADER + self.failed + b"\n")

    def test_E_file_gets_header_failed_copies_and_totals(self):
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-E", self.wpath("err.log"))
        self.assertEqual(r.code, 0, r)
        log = self.log_bytes("err.log")
        self.assertRegex(log, rb"^\n\*{60}\n\n Started .* GMT, .*\)\n Command line: .* -E \S+ \n\n")
        self.assertTrue(log.endswith(self.failed + b"\n  Processed 1 files.   Copied 0 bytes in 0 files\n" +
                                     b"*" * 60 + b"\n\n"), log)

    def test_bit_16_makes_its_log_the_error_stream_unless_it_is_that_file_already(self):
        err, run_error = self.wpath("logs", "err.txt"), self.wpath("logs", "run_ERROR.log")
        cases = [
            # options; the error log announced; the file that gets the failed copy, and those that stay empty
            (["-E", err, "-1", self.wpath("logs", "run.log!16")], run_error, "run_ERROR.log", ["err.txt"]),
            (["-1", self.wpath("logs", "a.log!16"), "-1", self.wpath("logs", "run.log!16")], run_error,
             "run_ERROR.log", []),
            (["-E", run_error, "-1", self.wpath("logs", "run.log!16")], None, "run_ERROR.log", []),
            (["-1", self.wpath("logs", "run.log!16"), "-E", err], run_error, "err.txt", []),
        ]
        for options, announced, gets_records, empty in cases:
            if os.path.exists(self.path("logs")):
                shutil.rmtree(self.path("logs"))
            os.makedirs(self.path("logs"))
            r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), *options)
            self.assertEqual(r.code, 0, r)
            self.assertEqual(r.out.count("\nopened error list %s" % run_error), 1 if announced else 0, options)
            log = self.log_bytes(os.path.join("logs", gets_records))
            self.assertEqual(log.count(self.failed), 1, (options, log))
            if "-E" in options:
                self.assertIn(b"\n  Processed 1 files.   Copied 0 bytes in 0 files\n", log)
            for name in empty:
                self.assertEqual(self.read(os.path.join("logs", name)), b"", options)


class CopiesOntoTheRunsOwnFiles(LogCase):
    def test_a_destination_that_is_a_file_the_run_writes_is_not_copied(self):
        # Each source file's copy would land on a log, the hash log or the
        # error log of the run itself; beside it a file of the same name in
        # another folder is copied as usual.
        cases = [
            ("one.txt", ["-1", "dst/one.txt"]),
            ("run_LIST.log", ["-1", "dst/run.log!2"]),
            ("err.txt", ["-E", "dst/err.txt"]),
            ("hash.txt", ["-H", "dst/hash.txt"]),
        ]
        if not WINE:
            # Reached through a folder link, the log is the same file.
            cases.append(("one.txt", ["-1", "real/one.txt", "-d", self.wpath("link")]))
        for name, options in cases:
            for folder in ("src", "dst", "real", "other"):
                if os.path.exists(self.path(folder)):
                    shutil.rmtree(self.path(folder))
            os.makedirs(self.path("real"))
            os.makedirs(self.path("dst"))
            if not WINE and not os.path.lexists(self.path("link")):
                os.symlink("real", self.path("link"))
            self.make_file("src/" + name, "source text")
            self.make_file("src/sub/" + name, "another source")
            options = [self.wpath(o) if o.startswith(("dst/", "real/")) else o for o in options]
            destination = options[options.index("-d") + 1] if "-d" in options else self.wpath("dst")
            r = self.run_kestro("-p", self.wpath("src"), "-m", "-A", "-h", "-d", destination, *options)
            self.assertEqual(r.code, 0, (name, options, r))
            on_log = destination + "\\" + name
            self.assertIn("\nNOT COPIED (error) to %s  [HASH ERROR]" % on_log, r.out, (name, options))
            self.assertNotIn("%s [OK]" % on_log, r.out)
            self.assertIn(" ==> %s\\sub\\%s [OK]" % (destination, name), r.out)
            self.assertNotIn(b"source text", self.read(os.path.join("real" if "link" in destination else "dst",
                                                                    name)))
            self.assertRegex(r.out, r"\n  NOT processed      1 files\n")

    def test_a_source_list_copy_onto_the_runs_log_is_not_copied(self):
        self.make_file("src/a.txt", "source text")
        log = os.path.join(self.path("dst"), os.path.relpath(self.path("src", "a.txt"), "/"))
        os.makedirs(os.path.dirname(log))
        with open(self.path("list.txt"), "w") as f:
            f.write(self.wpath("src", "a.txt") + "\n")
        r = self.run_kestro("-S", self.wpath("list.txt"), "-d", self.wpath("dst"), "-m", "-1", harness.winpath(log))
        self.assertEqual(r.code, 0, r)
        self.assertNotIn(b"source text", self.read(log))


class RunsThatEndEarly(LogCase):
    def test_a_log_that_cannot_grow_is_said_once_and_the_run_ends_with_WRITE_ERROR(self):
        limit = 16384
        for i in range(40):
            self.make_file("src/file%02d-with-a-long-enough-name.txt" % i, "data")

        def small_files_only():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        # the log that fills up, the log option, further options, the room left in it
        cases = [("logs/run.log", "run.log", [], 150),  # opened again for each of its writings
                 ("logs/run_LIST.log", "run.log!2", [], 600),
                 ("logs/hash.txt", "run.log", ["-h", "-H", self.wpath("logs", "hash.txt")], 600),
                 ("logs/hash.txt", "run.log", ["-h", "--hashlog=" + self.wpath("logs", "hash.txt")], 600)]
        if WINE:
            # Wine's C runtime reports no failure of a write cut off by the
            # limit in a stream moved to its end, as the default log's is.
            cases = cases[1:]
        for full_log, log_value, options, room in cases:
            earlier = b"an earlier run\n" * ((limit - room) // 15)
            for folder in ("dst", "logs"):
                if os.path.exists(self.path(folder)):
                    for name in os.listdir(self.path(folder)):
                        os.remove(self.path(folder, name))
            self.make_file(full_log, earlier)
            r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m",
                                "-1", self.wpath("logs", log_value), *options, preexec_fn=small_files_only)
            self.assertEqual(r.code, 9, r)
            said = "\nCan't write log file %s\n" % harness.winpath(self.path(full_log))
            self.assertEqual(r.out.count(said), 1, r)
            self.assertIn("\nAbnormal termination. Reason: WRITE_ERROR\n", r.out)
            self.assertTrue(r.out.endswith("\n\nProgram Not completed WRITE_ERROR"), r)
            self.assertEqual(len(os.listdir(self.path("dst"))), 40)  # the copying went on
            self.assertTrue(self.read(full_log).startswith(earlier))
            if full_log != "logs/run.log":
                self.assertIn(b"\n Copied           40 files", self.read("logs/run.log"))

    @unittest.skipIf(WINE, "FIFOs and /dev/null are the host's")
    def test_a_fifo_is_a_log_that_cannot_be_opened_and_dev_null_one_that_discards(self):
        # None of these runs may wait for a reader: a hang fails by the timeout.
        self.make_file("src/a.txt", "alpha")
        os.mkfifo(self.path("fifo"))
        os.makedirs(self.path("logs"))
        os.mkfifo(self.path("logs", "run_LIST.log"))
        fifo = self.wpath("fifo")
        self.make_file("QUENTARO.INI", "[BASE]\r\nMEMO=%s\r\n" % fifo)
        cases = [
            # options, the INI file in the current folder, exit code, what is said
            (["-1", fifo], False, 1, "\nGeneric_64\n118\nerror opening %s\n" % fifo),
            (["-1", self.wpath("logs", "run.log!2")], False, 4,
             "\nCan't open log file %s\n" % self.wpath("logs", "run_LIST.log")),
            (["-h", "-H", fifo], False, 0, ""),
            (["-h", "--hashlog=" + fifo], False, 3, "\n\nCan't open hash log %s\n" % fifo),
            (["-E", fifo], False, 0, ""),
            (["-i"], True, 0, ""),
            (["-1", "/dev/null", "-h", "-H", "/dev/null", "-E", "/dev/null"], False, 0, ""),
        ]
        for options, ini, code, said in cases:
            if os.path.exists(self.path("dst")):
                shutil.rmtree(self.path("dst"))
            r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", *options,
                                cwd=self.tmp if ini else self.path("src"), timeout=60)
            self.assertEqual(r.code, code, (options, r))
            self.assertIn(said, r.out + r.err, options)
            self.assertNotIn("memo information", r.out, options)
            if code == 0:
                self.assertEqual(self.read("dst/a.txt"), b"alpha", options)
        self.assertTrue(stat.S_ISFIFO(os.stat(self.path("fifo")).st_mode))

    def test_ctrl_c_closes_every_log_once_after_its_lines(self):
        os.makedirs(self.path("src"))
        environment = dict(os.environ, KESTRO_PAUSE="0", WINEDEBUG="-all")
        command = (["wine", harness.EXE] if WINE else [harness.EXE])
        process = subprocess.Popen(
            command + [self.wpath("src"), "-d", self.wpath("out"), "-1", self.wpath("logs", "run.log!ALL")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment, cwd=self.tmp)
        deadline = time.time() + 30
        out = b""
        os.set_blocking(process.stdout.fileno(), False)
        while b"[Y/N]" not in out and time.time() < deadline:
            out += process.stdout.read() or b""
            time.sleep(0.05)
        process.send_signal(signal.SIGINT)
        os.set_blocking(process.stdout.fileno(), True)
        process.communicate(timeout=30)
        self.assertEqual(process.returncode, 2, out)
        for name, header in (("run_LIST.log", LIST_HEADER), ("run_COPIED.log", COPIED_HEADER),
                             ("run_NOT_COPIED.log", NOT_COPIED_HEADER), ("run_ERROR.log", ERROR_HEADER),
                             ("run_RENAMED_FILES.log", RENAMED_HEADER + b"Check Tilde Duplicate Names NOT CHECKED\n")):
            self.assertEqual(self.log_bytes(os.path.join("logs", name)), header + b"\n", name)
        self.assertRegex(self.log_bytes("logs/run.log"),
                         rb"(?s)^\n\*{40}\n\n Processed         0 files,            0 bytes: .*"
                         rb"\nABNORMAL TERMINATION\n\*{53}\n$")


if __name__ == "__main__":
    unittest.main()
