"""Run control end to end: the destination question, the statistics, the
exit reasons, the banner, the header and Ctrl+C."""

import os
import re
import shutil
import signal
import subprocess
import time
import unittest

import harness
from harness import KestroTestCase

STATS_RE = re.compile(
    r"\n  Processed  +(\d+) files\. +([\d,]+) bytes"
    r"\n  Copied +(\d+) files, +([\d,]+) bytes: \n"
    r"(  NOT processed.*\n)?"
    r"  Elapsed time:   \d+ hrs\. \d+ mins\. \d+ secs\.\n\n"
)


class DestinationQuestion(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "a")

    def test_yes_creates_the_destination_and_ends_normally(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out", "deep"), stdin=b"Y")
        self.assertEqual(r.code, 0, r)
        self.assertIn("%s Doesn't appear to exist.\a\nShould I create the directory [Y/N]" % self.wpath("out", "deep"), r.out)
        self.assertTrue(os.path.isdir(self.path("out", "deep")))
        self.assertIn("\nDirectory %s created\n\n" % self.wpath("out", "deep"), r.out)
        self.assertNotIn("Program Not completed", r.out)

    def test_lower_case_answer_counts(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), stdin=b"y")
        self.assertEqual(r.code, 0, r)
        self.assertTrue(os.path.isdir(self.path("out")))

    def test_no_ends_with_user_aborted_and_creates_nothing(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), stdin=b"n")
        self.assertEqual(r.code, 2, r)
        self.assertFalse(os.path.exists(self.path("out")))
        self.assertIn("\nAbnormal termination. Reason: USER_ABORTED\n\n", r.out)
        self.assertTrue(r.out.endswith("\n\nProgram Not completed USER_ABORTED"), r)

    def test_other_keys_repeat_the_question(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), stdin=b"x?Y")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(r.out.count("Should I create the directory [Y/N]"), 3, r)

    def test_end_of_input_counts_as_no(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), stdin=b"")
        self.assertEqual(r.code, 2, r)
        self.assertFalse(os.path.exists(self.path("out")))

    def test_a_file_in_the_way_is_asked_about_like_a_missing_folder(self):
        self.make_file("out", "not a folder")
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), stdin=b"N")
        self.assertEqual(r.code, 2, r)
        self.assertIn("Doesn't appear to exist.", r.out)

    def test_existing_folder_is_not_asked_about(self):
        os.makedirs(self.path("out"))
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"))
        self.assertEqual(r.code, 0, r)
        self.assertNotIn("Doesn't appear to exist", r.out)


class Statistics(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/a.txt", "a")
        os.makedirs(self.path("out"))

    def test_block_and_short_summary_with_a_destination(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"))
        self.assertEqual(r.code, 0, r)
        self.assertRegex(r.out, STATS_RE)
        self.assertRegex(r.out, r"\n Processed \d+ files:    Elapsed time:   0 hrs\. 0 mins\. \d+ secs\.\n\n$")
        self.assertNotIn("Abnormal termination", r.out)

    def test_positional_destination_shows_only_the_short_summary(self):
        r = self.run_kestro(self.wpath("src"), self.wpath("out"))
        self.assertEqual(r.code, 0, r)
        self.assertNotRegex(r.out, STATS_RE)
        self.assertIn("\n Processed ", r.out)

    def test_silent_environment_hides_header_and_statistics(self):
        for value in ("on", "xxONxx"):
            r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), env={"SILENT": value})
            self.assertEqual(r.code, 0, r)
            self.assertNotIn("Processed", r.out)
            self.assertNotIn("Started", r.out)

    def test_silent_without_on_changes_nothing(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), env={"SILENT": ""})
        self.assertRegex(r.out, STATS_RE)


class BannerAndHeader(KestroTestCase):
    def setUp(self):
        super().setUp()
        os.makedirs(self.path("src"))
        os.makedirs(self.path("out"))

    def test_banner_goes_to_standard_error_only(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"))
        self.assertNotIn("KESTRO64", r.out)
        self.assertTrue(r.err.startswith("\n" * 25 + " \u2554" + "\u2550" * 75 + "\u2557\n"), repr(r.err[:200]))
        self.assertIn(" \u2551" + " " * 33 + "KESTRO64" + " " * 34 + "\u2551\n", r.err)
        self.assertRegex(r.err, r"\u2551 +Ver\. \d\d\.\d\d\.[ \d]\d\.\d\d\.\d\d\u221a \(64 bit_unicode\) +\u2551\n")
        self.assertIn(" \u255a" + "\u2550" * 75 + "\u255d\n", r.err)

    @unittest.skipIf(harness.WINE, "Wine 8 cuts the zone names it takes from TZ to two letters (ES/ED)")
    def test_header_names_the_zone(self):
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), env={"TZ": "EST5EDT"})
        self.assertRegex(
            r.out,
            r"^\n Started \w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4} GMT, \d\d:\d\d EST \(EST/EDT:5\*\)\n"
            r".*kestro " + re.escape(self.wpath("src")) + " -d " + re.escape(self.wpath("out")) + r" \n\n",
        )
        r = self.run_kestro(self.wpath("src"), "-d", self.wpath("out"), env={"TZ": "UTC"})
        self.assertRegex(r.out, r"^\n Started .* GMT, \d\d:\d\d UTC \(UTC/:0 \)\n")


class NoArguments(KestroTestCase):
    def test_usage_is_shown(self):
        r = self.run_kestro()
        self.assertIn("Usage: kestro", r.out)
        self.assertIn(r.code, (0, 6))


class Interrupt(KestroTestCase):
    def test_ctrl_c_at_the_question_ends_with_statistics_and_reason_2(self):
        os.makedirs(self.path("src"))
        environment = dict(os.environ, KESTRO_PAUSE="0", WINEDEBUG="-all")
        command = (["wine", harness.EXE] if harness.WINE else [harness.EXE])
        process = subprocess.Popen(
            command + [self.wpath("src"), "-d", self.wpath("out")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment,
        )
        deadline = time.time() + 10
        # Wait until the program is at the question, then interrupt it.
        out = b""
        os.set_blocking(process.stdout.fileno(), False)
        while b"[Y/N]" not in out and time.time() < deadline:
            chunk = process.stdout.read()
            if chunk:
                out += chunk
            time.sleep(0.05)
        process.send_signal(signal.SIGINT)
        os.set_blocking(process.stdout.fileno(), True)
        rest, _ = process.communicate(timeout=10)
        out = (out + rest).decode().replace("\r\n", "\n")
        self.assertEqual(process.returncode, 2, out)
        self.assertIn("\nAbnormal termination. Reason: USER_ABORTED\n\n", out)
        self.assertTrue(out.endswith("Program Not completed USER_ABORTED"), out)

    def test_ctrl_c_during_a_copy_ends_with_statistics_of_a_prefix_of_the_walk(self):
        # Files of several sizes, the largest big enough to be caught mid-copy.
        sizes = [(i * 7919) % 60000 + 1 for i in range(1500)] + [8 << 20] * 3
        for i, size in enumerate(sizes):
            self.make_file("src/d%02d/f%04d.bin" % (i % 20, i), bytes([i % 251]) * size)
        # The walk order, from a run that only lists.
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("out"), "-n", "-1",
                            self.wpath("order", "run.log!2"))
        walk_order = re.findall(r"\n([^\n|]+)\| \d+\|", harness.log_text(self.path("order", "run_LIST.log")).decode())
        self.assertEqual(len(walk_order), len(sizes), r)
        # With several workers, files after one whose copy was cut off may
        # have been copied meanwhile: screen, log and statistics still stop
        # at the first file not done, as with one worker.
        for workers in (1, 4):
            if os.path.exists(self.path("out")):
                shutil.rmtree(self.path("out"))
            environment = dict(os.environ, KESTRO_PAUSE="0", WINEDEBUG="-all", KESTRO_COPY_THREADS=str(workers))
            command = (["wine", harness.EXE] if harness.WINE else [harness.EXE])
            log = self.wpath("logs%d" % workers, "run.log!2")
            process = subprocess.Popen(
                command + ["-p", self.wpath("src"), "-d", self.wpath("out"), "-m", "-1", log],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=environment,
                cwd=self.tmp,
            )
            out = b""
            os.set_blocking(process.stdout.fileno(), False)
            deadline = time.time() + 60
            # Interrupted once a few hundred files are done, well before the end.
            while out.count(b" files:    ") < 300 and time.time() < deadline and process.poll() is None:
                chunk = process.stdout.read()
                if chunk:
                    out += chunk
                time.sleep(0.01)
            process.send_signal(signal.SIGINT)
            os.set_blocking(process.stdout.fileno(), True)
            rest, _ = process.communicate(timeout=30)
            out = (out + rest).decode("utf-8", "replace").replace("\r\n", "\n")
            self.assertEqual(process.returncode, 2, out[-2000:])
            stats = STATS_RE.search(out)
            self.assertIsNotNone(stats, out[-2000:])
            processed, processed_bytes, copied, copied_bytes = (int(g.replace(",", "")) for g in stats.groups()[:4])
            listed = re.findall(r"\n([^\n|]+)\| \d+\|",
                                harness.log_text(self.path("logs%d" % workers, "run_LIST.log")).decode())
            # The file whose copy the interrupt cut off was listed as it was
            # reached, as with one worker; it is not counted and not copied.
            self.assertIn(listed, (walk_order[:processed], walk_order[:processed + 1]), workers)
            listed = listed[:processed]
            progress = [int(n) for n in re.findall(r"\n (\d+) of \d+ files:", out)]
            self.assertEqual(progress, list(range(1, processed + 1)), workers)
            prefix_bytes = sum(sizes[int(path[-8:-4])] for path in listed)
            self.assertEqual((processed, processed_bytes), (copied, copied_bytes), workers)
            self.assertEqual(copied_bytes, prefix_bytes, workers)
            copies = harness.files_below(self.path("out"))
            self.assertLess(len(copies), len(sizes), "the run ended before the interrupt")
            for copy in copies:
                self.assertEqual(os.path.getsize(harness.no_case(self.path("out", copy))),
                                 os.path.getsize(harness.no_case(self.path("src", copy))), copy)
            source = harness.winpath(self.path("src")) + "\\"
            recorded = harness.as_listed(*(path[len(source):].replace("\\", os.sep) for path in listed))
            if workers == 1:
                self.assertEqual(copies, recorded)
            else:
                self.assertTrue(set(recorded) <= set(copies), workers)

    @unittest.skipIf(harness.WINE, "where the program's thread waits is read from the host's /proc")
    def test_ctrl_c_and_sigterm_end_a_run_held_in_a_write(self):
        # Nobody reads the screen pipe: once it is full the main thread waits
        # in a write for ever, holding the screen stream.
        for i in range(2000):
            self.make_file("src/f%04d.txt" % i, "x")
        environment = dict(os.environ, KESTRO_PAUSE="0")
        for signal_number in (signal.SIGINT, signal.SIGTERM):
            if os.path.exists(self.path("out")):
                shutil.rmtree(self.path("out"))
            process = subprocess.Popen([harness.EXE, "-p", self.wpath("src"), "-d", self.wpath("out"), "-m"],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                       env=environment, cwd=self.tmp)
            try:
                wait_channel = "/proc/%d/task/%d/wchan" % (process.pid, process.pid)
                deadline = time.time() + 60
                while process.poll() is None and time.time() < deadline:
                    with open(wait_channel) as f:
                        if "pipe_write" in f.read():
                            break
                    time.sleep(0.02)
                self.assertIsNone(process.poll(), "the run ended before its screen pipe was full")
                process.send_signal(signal_number)
                self.assertEqual(process.wait(timeout=30), 2, signal_number)
            finally:
                if process.poll() is None:
                    process.kill()
                process.stdout.close()
                process.wait()


class ClosedScreen(KestroTestCase):
    @unittest.skipIf(harness.WINE, "Wine's console layer, not the program, meets the closed pipe")
    def test_a_closed_screen_pipe_does_not_stop_the_copy(self):
        for i in range(300):
            self.make_file("src/f%03d.txt" % i, "x" * i)
        environment = dict(os.environ, KESTRO_PAUSE="0")
        process = subprocess.Popen([harness.EXE, "-p", self.wpath("src"), "-d", self.wpath("dst"), "-m"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   env=environment, cwd=self.tmp)
        # Read a few lines, as `kestro ... | head -3` would, then close the pipe.
        for _ in range(3):
            process.stdout.readline()
        process.stdout.close()
        _, err = process.communicate(timeout=60)
        self.assert_no_sanitizer_report(err)
        self.assertEqual(process.returncode, 0, err)
        self.assertEqual(sorted(os.listdir(self.path("dst"))), sorted(os.listdir(self.path("src"))))
        self.assertEqual(self.read("dst/f299.txt"), b"x" * 299)


if __name__ == "__main__":
    unittest.main()
