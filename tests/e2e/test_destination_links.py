"""Folder links inside the destination tree on POSIX: a link is followed only
when the run's user or root owns it; one planted by anyone else, even swapped
in for a folder while the run goes on, never leads a copy, a folder made or a
folder time set outside the destination. The files below a refused link are
NOT COPIED (error), and the link is named once on the error stream."""

import os
import pwd
import shutil
import threading
import unittest

import harness
from harness import KestroTestCase

NEW = 1577836800  # 2020-01-01 00:00:00 UTC
UNNAMED_UID = 4242  # an owner with no user name


def second_user():
    """The uid of a user other than root, None when there is none to have."""
    try:
        return pwd.getpwnam("nobody").pw_uid
    except KeyError:
        return None


def everything_below(top):
    """Every entry below `top` (relative paths), links not followed."""
    found = []
    for root, dirs, files in os.walk(top):
        found += [os.path.relpath(os.path.join(root, n), top) for n in dirs + files]
    return sorted(found)


def state_of(top):
    """The entries below `top` and `top` itself, with their write times."""
    return {relative: os.lstat(os.path.join(top, relative)).st_mtime_ns
            for relative in everything_below(top) + ["."]}


@unittest.skipIf(harness.WINE, "Windows follows the links of its destination as it always has")
class LinkCase(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.other = second_user()
        if os.geteuid() != 0 or self.other is None:
            self.skipTest("giving a link another owner needs root and a second user")
        # Readable for a run as the second user.
        os.chmod(self.tmp, 0o755)
        for relative in ("sub/a.txt", "sub/deeper/b.txt"):
            self.make_file("src/" + relative, b"data of " + relative.encode(), mtime=NEW)
        os.makedirs(self.path("dst"))
        os.makedirs(self.path("outside"))
        self.outside_before = state_of(self.path("outside"))

    def plant_link(self, owner, name="sub"):
        """A link to outside/ at dst/<name>, owned by `owner` from the moment
        it has that name."""
        link, made = self.path("dst", name), self.path("planting")
        if os.path.lexists(made):  # left by a swap the run got in the way of
            os.unlink(made)
        os.symlink(self.path("outside"), made)
        os.chown(made, owner, owner, follow_symlinks=False)
        os.rename(made, link)
        return link

    def assert_outside_untouched(self, r):
        self.assertEqual(state_of(self.path("outside")), self.outside_before, r)

    def assert_refused(self, r, link, owner_shown, files):
        self.assertEqual(r.code, 0, r)  # as for any file not copied
        self.assert_outside_untouched(r)
        self.assertTrue(os.path.islink(link), r)
        for relative in files:
            source = self.wpath("src", *relative.split("/"))
            self.assertIn(source + "\nNOT COPIED (error) to ", r.out, r)
        named = "Link %s not followed: its owner %s is neither this run's user nor root" % (
            self.wpath("dst", "sub"), owner_shown)
        self.assertEqual(r.err.count(named), 1, r)


class TreeCopies(LinkCase):
    def test_a_link_of_another_user_is_refused_with_its_files_not_copied(self):
        # What lies beyond the link is not looked at: a copy there as new as
        # the source passes no file over.
        self.make_file("outside/a.txt", b"data of sub/a.txt", mtime=NEW)
        os.utime(self.path("outside"), ns=(0, 0))
        self.outside_before = state_of(self.path("outside"))
        link = self.plant_link(self.other)
        other_name = pwd.getpwuid(self.other).pw_name
        for extra in ((), ("-M",)):
            with self.subTest(extra=extra):
                r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", *extra)
                self.assert_refused(r, link, other_name, ["sub/a.txt", "sub/deeper/b.txt"])

    def test_links_of_the_runs_user_and_of_root_are_followed(self):
        # (the user the run executes as, the link's owner)
        cases = [(0, 0), (self.other, self.other), (self.other, 0)]
        for runner, owner in cases:
            with self.subTest(runner=runner, owner=owner):
                link = self.plant_link(owner)
                os.chown(self.path("dst"), runner, runner)
                os.chown(self.path("outside"), runner, runner)
                r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m",
                                    preexec_fn=lambda: (os.setgid(runner), os.setuid(runner)))
                self.assertEqual(r.code, 0, r)
                self.assertNotIn("not followed", r.err, r)
                self.assertEqual(everything_below(self.path("outside")), ["a.txt", "deeper", "deeper/b.txt"], r)
                self.assertEqual(self.read("outside/deeper/b.txt"), b"data of sub/deeper/b.txt")
                os.unlink(link)
                for name in ("deeper/b.txt", "a.txt"):
                    os.unlink(self.path("outside", name))
                os.rmdir(self.path("outside", "deeper"))

    def test_a_link_neither_of_the_runs_user_nor_of_root_is_refused(self):
        link = self.plant_link(UNNAMED_UID)
        for path in ("dst", "outside"):
            os.chown(self.path(path), self.other, self.other)
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m",
                            preexec_fn=lambda: (os.setgid(self.other), os.setuid(self.other)))
        self.assert_refused(r, link, str(UNNAMED_UID), ["sub/a.txt", "sub/deeper/b.txt"])

    def test_the_destination_root_itself_is_followed_whoever_owns_it(self):
        root_link = self.path("backup")
        os.symlink(self.path("dst"), root_link)
        os.chown(root_link, self.other, self.other, follow_symlinks=False)
        r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("backup"), "-m")
        self.assertEqual(r.code, 0, r)
        self.assertEqual(everything_below(self.path("dst")), ["sub", "sub/a.txt", "sub/deeper", "sub/deeper/b.txt"])


class ListedCopies(LinkCase):
    def test_the_source_list_refuses_a_link_of_another_user(self):
        # Listed files land below the destination on their path below the
        # drive's root: the link stands for its first folder.
        first = self.tmp.strip("/").split("/")[0]
        with open(self.path("list.txt"), "w") as f:
            f.write(self.wpath("src", "sub", "a.txt") + "\r\n")
        link = self.plant_link(self.other, first)
        r = self.run_kestro("-S", self.wpath("list.txt"), "-d", self.wpath("dst"), "-m")
        self.assertEqual(r.code, 0, r)
        self.assert_outside_untouched(r)
        self.assertTrue(os.path.islink(link), r)
        self.assertIn("NOT COPIED to", r.out, r)
        named = "Link %s not followed" % self.wpath("dst", first)
        self.assertEqual(r.err.count(named), 1, r)


class Races(LinkCase):
    def test_a_folder_swapped_for_a_link_during_the_run_never_leads_a_copy_outside(self):
        for folder in range(40):
            for number in range(25):
                self.make_file("src/swap/d%02d/f%02d.txt" % (folder, number), b"x" * 100, mtime=NEW)
        swap, parked = self.path("dst", "swap"), self.path("dst", "parked")
        os.makedirs(swap)
        done = threading.Event()
        swaps = [0]

        def put_folder_back():
            if os.path.islink(swap):
                os.unlink(swap)
            if os.path.isdir(parked):
                if os.path.isdir(swap):  # the run made it anew meanwhile
                    shutil.rmtree(swap)
                os.rename(parked, swap)

        def swap_in_loop():
            # The folder goes aside, a link of the other user takes its
            # place, and the folder comes back: over and over.
            while not done.is_set():
                try:
                    put_folder_back()
                    os.rename(swap, parked)
                    self.plant_link(self.other, "swap")
                    swaps[0] += 1
                    for _ in range(100):  # the link stands a moment
                        os.lstat(swap)
                except OSError:
                    pass

        helper = threading.Thread(target=swap_in_loop)
        helper.start()
        try:
            for _ in range(3):
                r = self.run_kestro("-p", self.wpath("src"), "-d", self.wpath("dst"), "-m", "-A", timeout=300)
                self.assertEqual(r.code, 0, r)
                self.assertEqual(everything_below(self.path("outside")), [], r)
        finally:
            done.set()
            helper.join()
        self.assertGreater(swaps[0], 0)


if __name__ == "__main__":
    unittest.main()
