"""The walk that reads each folder once, ahead of the walk on other threads,
keeps the counting pass's readings for the copy pass and looks destinations
up ahead, against the walk that lists each folder by pattern when it reaches
it (a file type with a folder part, "./*.*", makes a run take that walk): on
identical trees both must hand over, copy and pass over the same files in the
same order and leave the same trees, also when the destination lies inside
the tree being read, or the tree inside the destination."""

import os
import re
import unittest

import harness
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


class SameRunEitherWalk(KestroTestCase):
    """Builds a scenario twice, under "reading" and "listing", and runs
    kestro on each with the same arguments: `{}` in an argument stands for
    the scenario's root in Windows form."""

    def run_both(self, build, *args, listing_types=("./*.*",), reading_types=("*.*",)):
        # kestro.exe always lists by pattern (the system's search brings whole
        # records), and the system there does not take "./" in a pattern.
        if harness.WINE:
            listing_types = reading_types
        results = {}
        for walk, types in (("reading", reading_types), ("listing", listing_types)):
            build(walk)
            root = self.wpath(walk)
            argv = [a.replace("{}", root) for a in args] + ["-f", *types]
            results[walk] = self.run_kestro(*argv)
        reading, listing = results["reading"], results["listing"]
        self.assertEqual(reading.code, listing.code, (reading, listing))
        self.assertEqual(copied_count(reading), copied_count(listing), (reading, listing))
        self.assertEqual(self.screen_files(reading, "reading"), self.screen_files(listing, "listing"),
                         (reading, listing))
        self.assertEqual(tree_state(self.path("reading")), tree_state(self.path("listing")))
        return reading

    def screen_files(self, result, walk):
        """The source paths the screen names, relative to the scenario."""
        prefix = self.wpath(walk) + "\\"
        return [line.split()[0][len(prefix):] for line in result.out.splitlines() if line.startswith(prefix)]


class UpdatesOfSeparateTrees(SameRunEitherWalk):
    FOLDERS = 12
    FILES = 40

    def build(self, walk):
        """A tree of FOLDERS x FILES files and a destination in which some
        copies are older, some newer, some as new, some missing, and one name
        is taken by a folder."""
        for f in range(self.FOLDERS):
            for n in range(self.FILES):
                name = "%s/src/d%02d/%s%03d.txt" % (walk, f, "a" if n % 3 == 0 else "f", n)
                self.make_file(name, "data %d %d" % (f, n), mtime=MID)
                kind = (f * self.FILES + n) % 5
                target = name.replace("/src/", "/dst/", 1)
                if kind == 0:
                    self.make_file(target, "older", mtime=OLD)
                elif kind == 1:
                    self.make_file(target, "newer", mtime=NEW)
                elif kind == 2:
                    self.make_file(target, "same", mtime=MID)
        self.make_file("%s/src/top.txt" % walk, "top", mtime=MID)
        os.makedirs(self.path(walk, "dst", "d03", "f004.txt", "inside"), exist_ok=True)

    def test_an_update_copies_only_older_and_missing_files(self):
        r = self.run_both(self.build, "-p", "{}\\src", "-d", "{}\\dst", "-m")
        # kinds 0, 3 and 4 of 480 files, and top.txt; the folder in the way fails.
        self.assertEqual(copied_count(r), 480 * 3 // 5 + 1 - 1, r)
        self.assertEqual(self.read("reading/dst/d00/f001.txt"), b"newer")
        self.assertEqual(self.read("reading/dst/d00/a000.txt"), b"data 0 0")

    def test_a_file_two_types_match_is_copied_once_then_found_up_to_date(self):
        r = self.run_both(self.build, "-p", "{}\\src", "-d", "{}\\dst", "-m",
                          listing_types=("./*.txt", "./a*"), reading_types=("*.txt", "a*"))
        self.assertEqual(copied_count(r), 480 * 3 // 5 + 1 - 1, r)
        self.assertEqual(r.out.count(self.wpath("reading", "src", "d00", "a003.txt") + " "), 1, r)
        # The run after finds everything up to date.
        again = self.run_kestro("-p", self.wpath("reading", "src"), "-d", self.wpath("reading", "dst"), "-m")
        self.assertEqual(copied_count(again), 0, again)

    def test_a_full_copy_gives_each_file_one_copy(self):
        def fresh(walk):
            for f in range(3):
                for n in range(30):
                    self.make_file("%s/src/d%d/%s%02d.txt" % (walk, f, "a" if n % 2 else "b", n), "x%d" % n, mtime=MID)
        # The second type takes the a-files again: their copies, just made in
        # folders this run created, are then found up to date.
        r = self.run_both(fresh, "-p", "{}\\src", "-d", "{}\\dst", "-m",
                          listing_types=("./*.txt", "./a*"), reading_types=("*.txt", "a*"))
        self.assertEqual(copied_count(r), 90, r)
        self.assertEqual(len(tree_state(self.path("reading", "dst"))), 90)

    def test_without_counting_with_exclusions_and_in_one_folder(self):
        self.run_both(self.build, "-p", "{}\\src", "-d", "{}\\dst", "-m", "-i")
        self.run_both(self.build, "-p", "{}\\src", "-d", "{}\\dst", "-m", "-x", "A*")
        self.run_both(self.build, "-p", "{}\\src", "-d", "{}\\dst", "-m", "-r", "-R")


class DriveRoots(KestroTestCase):
    @unittest.skipIf(os.environ.get("KESTRO_WINE") == "1", "the drive is mapped with KESTRO_DRIVES")
    def test_a_drive_root_with_files_and_no_folders_is_walked_by_either_walk(self):
        for walk, types in (("reading", ["*.*"]), ("listing", ["./*.*"])):
            self.make_file("%s/root/one.txt" % walk, "1")
            self.make_file("%s/root/two.txt" % walk, "2")
            drives = "C=/;E=" + self.path(walk, "root")
            r = self.run_kestro("-p", "E:\\", "-d", self.wpath(walk, "dst"), "-m", "-f", *types,
                                env={"KESTRO_DRIVES": drives})
            self.assertEqual(copied_count(r), 2, (walk, r))


class OverlappingTrees(SameRunEitherWalk):
    """Runs that write into the tree they read see what they wrote, as a walk
    that lists each folder when it reaches it does."""

    def previous_copies(self, walk):
        for s in "abcdegh":
            self.make_file("%s/X/%s/f.txt" % (walk, s), "new content " + s, mtime=NEW)
            self.make_file("%s/X/bak/%s/f.txt" % (walk, s), "old " + s, mtime=MID)

    def first_copy(self, walk):
        for s in "abcdegh":
            self.make_file("%s/X/%s/f.txt" % (walk, s), "new content " + s, mtime=NEW)
        os.makedirs(self.path(walk, "X", "bak"), exist_ok=True)

    def test_destination_inside_the_tree(self):
        r = self.run_both(self.previous_copies, "-p", "{}\\X", "-d", "{}\\X\\bak", "-m")
        self.assertEqual(r.code, 0, r)
        self.run_both(self.first_copy, "-p", "{}\\X", "-d", "{}\\X\\bak", "-m")
        self.run_both(self.previous_copies, "-p", "{}\\X", "-d", "{}\\X\\bak", "-m", "-R")
        self.run_both(self.previous_copies, "-p", "{}\\X", "-d", "{}\\X\\bak", "-m", "-i")

    def test_tree_inside_the_destination(self):
        def nested(walk):
            for s in "abc":
                self.make_file("%s/bak/old/%s/f.txt" % (walk, s), "from old " + s, mtime=NEW)
                self.make_file("%s/bak/old/old/%s/g.txt" % (walk, s), "deeper " + s, mtime=NEW)
        self.run_both(nested, "-p", "{}\\bak\\old", "-d", "{}\\bak", "-m")

    @unittest.skipIf(os.name != "posix" or os.environ.get("KESTRO_WINE") == "1", "folder links on POSIX")
    def test_a_link_from_the_tree_into_the_destination(self):
        def linked(walk):
            self.previous_copies(walk)
            os.makedirs(self.path(walk, "X", "c2"), exist_ok=True)
            os.symlink(self.path(walk, "X", "bak"), self.path(walk, "X", "c2", "into_bak"))
        self.run_both(linked, "-p", "{}\\X", "-d", "{}\\X\\bak", "-m")


if __name__ == "__main__":
    unittest.main()
