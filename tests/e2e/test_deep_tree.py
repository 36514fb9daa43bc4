"""A tree far deeper than a recursive walk could go in the stack a console
program gets (1 MB): kestro walks and copies it under that stack limit,
every level of it, the deepest file byte for byte. The tree's paths are
longer than the host takes whole, so it is made and read one folder at a
time, relative to the folder above. 5,000 levels (a walk that recursed
ended in SIGSEGV there); KESTRO_DEEP_TREE_DEPTH sets another depth."""

import os
import re
import resource
import subprocess
import unittest

import harness
from harness import KestroTestCase

DEPTH = int(os.environ.get("KESTRO_DEEP_TREE_DEPTH", "5000"))
STACK = 1024 * 1024
DEEPEST = b"the bottom of the tree\n" * 40


def one_megabyte_stack():
    resource.setrlimit(resource.RLIMIT_STACK, (STACK, STACK))


def make_chain(root, depth, data):
    """Folders d/d/.../d `depth` deep below `root`, with deep.txt holding
    `data` at the bottom."""
    fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    try:
        for _ in range(depth):
            os.mkdir("d", dir_fd=fd)
            below = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = below
        out = os.open("deep.txt", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd)
        os.write(out, data)
        os.close(out)
    finally:
        os.close(fd)


def read_at_bottom(root, depth, name):
    """The bytes of `name` at the bottom of the chain below `root`; None when
    some level is missing."""
    try:
        fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    except FileNotFoundError:
        return None
    try:
        for _ in range(depth):
            below = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = below
        inner = os.open(name, os.O_RDONLY, dir_fd=fd)
        with os.fdopen(inner, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None
    finally:
        os.close(fd)


def figure(result, label):
    match = re.search(r"\n  %s +(\d+) files" % label, result.out)
    return int(match.group(1)) if match else None


@unittest.skipIf(harness.WINE, "the stack limit is the host process's; Wine gives its threads stacks of its own")
class DeepTree(KestroTestCase):
    def setUp(self):
        super().setUp()
        self.make_file("src/top.txt", b"top")
        make_chain(self.path("src"), DEPTH, DEEPEST)

    def tearDown(self):
        # The tree is too deep for the harness's own clean-up.
        subprocess.run(["rm", "-rf", self.path("src"), self.path("dst")], check=False)
        super().tearDown()

    def test_a_tree_thousands_of_levels_deep_is_walked_and_copied_in_a_small_stack(self):
        result = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), "-m", preexec_fn=one_megabyte_stack,
                                 timeout=600)
        self.assertEqual(result.code, 0, result.err[-2000:])
        self.assertEqual(re.search(r"\r(\d+) files to process", result.err).group(1), "2")
        self.assertEqual(figure(result, "Processed"), 2, result.out[-2000:])
        self.assertEqual(figure(result, "Copied"), 2, result.out[-2000:])
        self.assertEqual(self.read("dst/top.txt"), b"top")
        self.assertEqual(read_at_bottom(self.path("dst"), DEPTH, "deep.txt"), DEEPEST)

        # A second run finds every copy up to date.
        again = self.run_kestro(self.wpath("src"), "-d", self.wpath("dst"), preexec_fn=one_megabyte_stack,
                                timeout=600)
        self.assertEqual(again.code, 0, again.err[-2000:])
        self.assertEqual(figure(again, "Copied"), 0, again.out[-2000:])


if __name__ == "__main__":
    unittest.main()
