#!/usr/bin/env python3
"""Checks that every #include of the library goes down its layers.

Each layer of the core may include only itself and the layers before it in
LAYERS (its public headers under include/twfile/<layer>/ and its private ones
under src/<layer>/). The libraries above the core (EXTENSIONS: the SQL layer,
the JSON form) may include the core and themselves, never each other. Headers
at the top of include/twfile/ (export.h, version.h) are below every layer;
the umbrella twfile.h is for applications only. A quoted include names its
layer's folder, so that nothing of the tools (commands.h, loading.h, ...) is
reached from the library.
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

LAYERS = ["platform", "framework", "host", "file", "query", "condition", "join", "module"]
EXTENSIONS = ["sql", "json"]
ALL = LAYERS + EXTENSIONS
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def layer_of_include(name):
    parts = name.split("/")
    if parts[0] == "twfile":
        if len(parts) == 2:
            return len(LAYERS) if parts[1] == "twfile.h" else -1
        parts = parts[1:]
    if len(parts) >= 2 and parts[0] in ALL:
        return parts[0]
    return None  # the standard library or the system


def may_include(own, target):
    """Whether a file of layer own may include a header of target (a layer
    name, -1 for the headers below every layer, len(LAYERS) for twfile.h)."""
    if target == -1 or target == own:
        return True
    if target == len(LAYERS) or target in EXTENSIONS:
        return False
    return own in EXTENSIONS or LAYERS.index(target) < LAYERS.index(own)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = []
    files = 0
    for base in (root / "src", root / "include" / "twfile"):
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".h", ".cpp") or path.parent == base:
                continue
            layer = path.relative_to(base).parts[0]
            if layer not in ALL:
                problems.append(f"{path}: not in a layer")
                continue
            files += 1
            for quote, name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                target = layer_of_include(name)
                if target is None and quote == '"':
                    problems.append(f"{path}: {layer} includes {name}, which is in no layer")
                elif target is not None and not may_include(layer, target):
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
            names = [name for _, name in INCLUDE.findall(path.read_text(encoding="utf-8"))]
            if "command_table.h" in names:
                problems.append(f"{path}: a shared file includes the command table")
    # Programs over the library see what an installed library offers.
    for base in (root / "tools", root / "examples"):
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for _, name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                if name.split("/")[0] in ALL:
                    problems.append(f"{path}: includes the library's private header {name}")
    for problem in problems:
        print(problem)
    print(f"layers: {files} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
