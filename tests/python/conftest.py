"""What the module's tests share: the built qdf, the documents of the
project, and runs of qdf beside the module's calls."""
import json
import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("TWFILE_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
DOCUMENTS = sorted(SOURCE.glob("examples/*.qdf")) + sorted(SOURCE.glob("tests/data/**/*.qdf"))


def qdf(*args, input=None):
    """Runs the built qdf; its sanitizer runtime is its own, so the one
    preloaded for the interpreter is not passed on."""
    env = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS")}
    return subprocess.run([os.environ["TWFILE_QDF"], *map(str, args)], input=input,
                          capture_output=True, env=env, timeout=120)


def exported(path, *options):
    """qdf export's JSON of path and its exit status."""
    done = qdf("export", *options, path)
    return (json.loads(done.stdout) if done.stdout else None), done.returncode


def qdf_messages(done):
    """qdf's messages without their "qdf: FILE: " prefix."""
    return [line.split(": ", 2)[-1] for line in done.stderr.decode().splitlines()]


@pytest.fixture
def sales_db(tmp_path):
    """The example database, made with Python's sqlite3."""
    import sqlite3
    path = tmp_path / "sales.db"
    with sqlite3.connect(path) as db:
        db.executescript((SOURCE / "examples/sales.sql").read_text())
    db.close()
    return path
