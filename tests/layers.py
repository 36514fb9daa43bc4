#!/usr/bin/env python3
"""The include check: every #include "folder/..." under src/ names a folder
of the same layer or a lower one, in the order ARCHITECTURE.md gives. Prints
each include of a higher layer with its file and line and fails on any.

    layers.py SOURCE_DIR        checks SOURCE_DIR/src against SOURCE_DIR/ARCHITECTURE.md
    layers.py --self-test       checks that a made-up include of a higher layer is caught
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]*"')
MARKER = "Layers, bottom to top"


def read_layers(architecture_path):
    with open(architecture_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for i, line in enumerate(lines):
        if line.startswith(MARKER):
            for following in lines[i + 1:]:
                if "->" in following:
                    return [name.strip() for name in following.split("->")]
    raise SystemExit(f"{architecture_path}: no line of layers after '{MARKER}'")


def layer_of(relative_path, rank):
    """The layer of a file under src/: its first folder, or the top for main.cpp."""
    parts = relative_path.split(os.sep)
    if len(parts) == 1:
        return len(rank)  # src/main.cpp stands above every layer
    return rank.get(parts[0])


def violations(root):
    layers = [name for name in read_layers(os.path.join(root, "ARCHITECTURE.md")) if not name.endswith(".cpp")]
    rank = {name: i for i, name in enumerate(layers)}
    source = os.path.join(root, "src")
    found = []
    for folder, _, files in os.walk(source):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, source)
            own = layer_of(relative, rank)
            if own is None:
                found.append(f"src/{relative}: in a folder that is no layer of ARCHITECTURE.md")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    match = INCLUDE.match(line)
                    if not match or match.group(1) not in rank:
                        continue
                    if rank[match.group(1)] > own:
                        found.append(f"src/{relative}:{number}: includes {match.group(1)}/, a higher layer")
    return found


def self_test():
    with tempfile.TemporaryDirectory() as root:
        with open(os.path.join(root, "ARCHITECTURE.md"), "w") as f:
            f.write(f"{MARKER}:\n\nlow -> high -> main.cpp\n")
        for folder, text in (("low", '#include "high/b.h"\n'), ("high", '#include "low/a.h"\n')):
            os.makedirs(os.path.join(root, "src", folder))
            with open(os.path.join(root, "src", folder, "x.cpp"), "w") as f:
                f.write(text)
        with open(os.path.join(root, "src", "main.cpp"), "w") as f:
            f.write('#include "high/b.h"\n')
        found = violations(root)
    expected = ["src/low/x.cpp:1: includes high/, a higher layer"]
    if found != expected:
        print(f"self-test: expected {expected}, got {found}")
        return 1
    print("self-test: an include of a higher layer is caught")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print(__doc__)
        return 2
    found = violations(argv[1])
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) of a higher layer")
        return 1
    print("every include names its own layer or a lower one")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
