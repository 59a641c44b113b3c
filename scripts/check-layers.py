#!/usr/bin/env python3
"""Checks that every #include of the library goes down its layers.

Each layer may include only itself and the layers before it in LAYERS (its
public headers under include/twfile/<layer>/ and its private ones under
src/<layer>/). Headers at the top of include/twfile/ (export.h, version.h)
are below every layer; the umbrella twfile.h is for applications only.
The command-line tool keeps one file per command: each row of the command
table in tools/qdf/main.cpp has its tools/qdf/commands/<name>.cpp, and what
the commands share (the other files of tools/qdf) does not include the
table, which sits above them.
The programs built on the library (tools/, examples/) include its public
headers only, never a private one under src/.
Usage: check-layers.py [project-root]
"""
import pathlib
import re
import sys

LAYERS = ["platform", "framework", "host", "file", "query", "condition", "join", "module", "sql"]
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def layer_of_include(name):
    parts = name.split("/")
    if parts[0] == "twfile":
        if len(parts) == 2:
            return len(LAYERS) if parts[1] == "twfile.h" else -1
        parts = parts[1:]
    if len(parts) >= 2 and parts[0] in LAYERS:
        return LAYERS.index(parts[0])
    return None  # the standard library or the system


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = []
    files = 0
    for base in (root / "src", root / "include" / "twfile"):
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".h", ".cpp") or path.parent == base:
                continue
            layer = path.relative_to(base).parts[0]
            if layer not in LAYERS:
                problems.append(f"{path}: not in a layer")
                continue
            files += 1
            own = LAYERS.index(layer)
            for name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                target = layer_of_include(name)
                if target is not None and target > own:
                    problems.append(f"{path}: {layer} includes {name}")
    tool = root / "tools" / "qdf"
    rows = re.findall(r'^\s*\{"([a-z-]+)",', (tool / "main.cpp").read_text(encoding="utf-8"), re.M)
    if not rows:
        problems.append(f"{tool / 'main.cpp'}: no command table found")
    for name in rows:
        if not (tool / "commands" / f"{name}.cpp").exists():
            problems.append(f"{tool}: command {name} has no commands/{name}.cpp")
    for path in sorted(tool.glob("*")):
        if path.suffix in (".h", ".cpp") and path.name not in ("main.cpp", "command_table.h"):
            if "command_table.h" in INCLUDE.findall(path.read_text(encoding="utf-8")):
                problems.append(f"{path}: a shared file includes the command table")
    # Programs over the library see what an installed library offers.
    for base in (root / "tools", root / "examples"):
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                if name.split("/")[0] in LAYERS:
                    problems.append(f"{path}: includes the library's private header {name}")
    for problem in problems:
        print(problem)
    print(f"layers: {files} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
