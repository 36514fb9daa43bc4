"""Runs with the counting pass, whose folder readings the copy pass reuses
and whose destination look-ups run ahead on other threads, against runs with
-i, which read each folder only when the walk reaches it: on identical trees
both must hand over, copy and pass over exactly the same files, in the same
order."""

import os
import re
import shutil
import unittest

from harness import KestroTestCase

OLD = 1262304000  # 2010-01-01
MID = 1420070400  # 2015-01-01
NEW = 1577836800  # 2020-01-01


def copied_count(result):
    match = re.search(r"\n  Copied +(\d+) files", result.out)
    return int(match.group(1)) if match else None


def tree_state(root):
    """Every file below root with its bytes and write time."""
    state = {}
    for folder, _, files in os.walk(root):
        for name in files:
            full = os.path.join(folder, name)
            with open(full, "rb") as f:
                state[os.path.relpath(full, root)] = (f.read(), os.stat(full).st_mtime_ns)
    return state


class ReadAheadGivesTheSameRun(KestroTestCase):
    FOLDERS = 12
    FILES = 40

    def build(self, root):
        """A tree of FOLDERS x FILES files and a destination in which some
        copies are older, some newer, some as new, some missing, and one name
        is taken by a folder."""
        for f in range(self.FOLDERS):
            for n in range(self.FILES):
                name = "%s/src/d%02d/%s%03d.txt" % (root, f, "a" if n % 3 == 0 else "f", n)
                self.make_file(name, "data %d %d" % (f, n), mtime=MID)
                kind = (f * self.FILES + n) % 5
                target = name.replace("/src/", "/dst/", 1)
                if kind == 0:
                    self.make_file(target, "older", mtime=OLD)
                elif kind == 1:
                    self.make_file(target, "newer", mtime=NEW)
                elif kind == 2:
                    self.make_file(target, "same", mtime=MID)
                # kind 3 and 4: no copy yet
        self.make_file("%s/src/top.txt" % root, "top", mtime=MID)
        os.makedirs(self.path(root, "dst", "d03", "f004.txt"), exist_ok=True)
        os.makedirs(self.path(root, "dst", "d03", "f004.txt", "inside"), exist_ok=True)

    def screen_files(self, result, root):
        prefix = self.wpath(root, "src") + "\\"
        return [line.split()[0] for line in result.out.splitlines() if line.startswith(prefix)]

    def run_both(self, *extra):
        self.build("counted")
        self.build("uncounted")
        counted = self.run_kestro("-p", self.wpath("counted", "src"), "-d", self.wpath("counted", "dst"), "-m", *extra)
        uncounted = self.run_kestro("-p", self.wpath("uncounted", "src"), "-d", self.wpath("uncounted", "dst"), "-m",
                                    "-i", *extra)
        self.assertIn("files to process", counted.err, counted)
        self.assertEqual(counted.code, uncounted.code, (counted, uncounted))
        self.assertEqual(copied_count(counted), copied_count(uncounted), (counted, uncounted))
        strip = lambda names, root: [n[len(self.wpath(root)):] for n in names]
        self.assertEqual(strip(self.screen_files(counted, "counted"), "counted"),
                         strip(self.screen_files(uncounted, "uncounted"), "uncounted"))
        self.assertEqual(tree_state(self.path("counted", "dst")), tree_state(self.path("uncounted", "dst")))
        return counted

    def test_an_update_copies_only_older_and_missing_files(self):
        counted = self.run_both()
        # kinds 0, 3 and 4 of 480 files, and top.txt; the folder in the way fails.
        self.assertEqual(copied_count(counted), 480 * 3 // 5 + 1 - 1, counted)
        self.assertEqual(self.read("counted/dst/d00/f001.txt"), b"newer")
        self.assertEqual(self.read("counted/dst/d00/a000.txt"), b"data 0 0")

    def test_a_file_two_types_match_is_copied_once_then_found_up_to_date(self):
        counted = self.run_both("-f", "*.txt", "a*")
        self.assertEqual(copied_count(counted), 480 * 3 // 5 + 1 - 1, counted)
        # The second hand-over of each a*.txt copy finds the copy just made.
        self.assertEqual(counted.out.count(self.wpath("counted", "src", "d00", "a003.txt") + " "), 1, counted)

    def test_a_second_run_finds_everything_up_to_date(self):
        self.run_both()
        again = self.run_kestro("-p", self.wpath("counted", "src"), "-d", self.wpath("counted", "dst"), "-m")
        self.assertEqual(copied_count(again), 0, again)

    def test_excluded_and_single_folder_runs(self):
        self.run_both("-x", "A*")
        shutil.rmtree(self.path("counted"))
        shutil.rmtree(self.path("uncounted"))
        self.run_both("-r")


if __name__ == "__main__":
    unittest.main()
