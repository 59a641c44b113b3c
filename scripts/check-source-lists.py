#!/usr/bin/env python3
"""Checks that no CMake file finds sources with file(GLOB ...).

Source lists are written out, one name a line, so that a file added, moved
or left behind shows in the change that does it. A glob for anything else (a
folder of programs) is fine.
Usage: check-source-lists.py [project-root]
"""
import os
import pathlib
import re
import sys

GLOB = re.compile(r"file\s*\(\s*GLOB(?:_RECURSE)?\b([^)]*)\)", re.I | re.S)
SOURCE = re.compile(r"\.(c|cc|cpp|cxx|h|hh|hpp|hxx|in)\b", re.I)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = []
    for folder, subfolders, names in os.walk(root):
        # Build trees and hidden folders are not the project's.
        subfolders[:] = sorted(d for d in subfolders if not d.startswith((".", "build")))
        for name in sorted(names):
            if name != "CMakeLists.txt" and not name.endswith(".cmake"):
                continue
            path = pathlib.Path(folder, name)
            text = path.read_text(encoding="utf-8", errors="replace")
            for match in GLOB.finditer(text):
                if SOURCE.search(match.group(1)):
                    line = text.count("\n", 0, match.start()) + 1
                    problems.append(f"{path}:{line}: sources found by file(GLOB): list them")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
