#!/usr/bin/env python3
"""The twfile module on the document of 1.2 million list lines that
bench/qdf_json.cpp measures qdf export and import on (the same lines):

  - twfile.load against json.loads of qdf export's output, the export
    counted: CPU time of each (the export's as its process's);
  - twfile.save of the loaded form against qdf import of the same JSON:
    CPU time;
  - peak memory (largest resident size) of a process that loads the
    document against one that json.loads the exported text.

Each measurement runs in a process of its own; the medians of --repetitions
runs are printed with their ratios and targets. Files go to a scratch
folder that is removed at the end.

  python3 bench/python_bench.py --qdf build/bench/tools/qdf/qdf \\
      --module build/bench/python [--repetitions 5]
"""
import argparse
import json
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile

LINES = 1_200_000

# One child's work: it prints {"cpu": seconds, "rss_kib": peak}.
CHILD = r"""
import json, os, resource, subprocess, sys, time
what, qdf, big, text, out = sys.argv[1:6]
def cpu():
    own = resource.getrusage(resource.RUSAGE_SELF)
    kids = resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + kids.ru_utime + kids.ru_stime
if what == "save":
    import twfile
    form = twfile.load(big)
start = cpu()
if what == "load":
    import twfile
    twfile.load(big)
elif what == "export+json.loads":
    json.loads(subprocess.run([qdf, "export", big], capture_output=True, check=True).stdout)
elif what == "json.loads":
    with open(text, "rb") as f:
        json.loads(f.read())
elif what == "save":
    twfile.save(form, out)
elif what == "import":
    subprocess.run([qdf, "import", text, "-o", out], check=True)
took = cpu() - start
print(json.dumps({"cpu": took,
                  "rss_kib": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss}))
"""


def make_document(path):
    """The lines bench/qdf_json.cpp makes, list by list."""
    import twfile
    tenth = LINES // 10
    form = {
        "database": "SALES",
        "tables": [f"SCHEMA{i % 4}.TABLE_{i:07d}_OF_THE_SALES_LEDGER" for i in range(tenth)],
        "nonDisplayAttributes": [f"TABLE_{i:07d}.ROW_ID_{i % 10} AS HIDDEN_KEY_{i:07d}"
                                 for i in range(tenth)],
        "joins": [f"TABLE_{i:07d}.ID = TABLE_{i + 1:07d}.PARENT_ID" for i in range(tenth)],
        "defaultValues": [f"Minimum {i}={i % 1000} (the smallest amount)" for i in range(tenth)],
        "conditions": [f"TABLE_{i:07d}.AMOUNT >= <<Minimum {i}>>" for i in range(tenth)]
        + [f"TABLE_{i:07d}.NAME LIKE 'A{i % 100}%' OR B" for i in range(tenth)],
        "attributes": [f"TABLE_{i // 4:07d}.ATTRIBUTE_{i % 10000:04d} AS COLUMN_{i:07d}"
                       for i in range(LINES - 6 * tenth)],
    }
    twfile.save(form, path)


def measure(what, args, paths):
    env = dict(os.environ, PYTHONPATH=args.module)
    done = subprocess.run([sys.executable, "-c", CHILD, what, args.qdf, *paths],
                          capture_output=True, env=env, check=True, text=True)
    return json.loads(done.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qdf", required=True)
    parser.add_argument("--module", required=True, help="the folder of the built module")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--make", help=argparse.SUPPRESS)
    args = parser.parse_args()
    sys.path.insert(0, args.module)
    if args.make:
        make_document(args.make)
        return
    scratch = tempfile.mkdtemp(prefix="twfile-python-bench.")
    try:
        big = os.path.join(scratch, "big.qdf")
        text = os.path.join(scratch, "big.json")
        # In a process of its own: a child's peak memory starts from the
        # size of the process that started it.
        subprocess.run([sys.executable, __file__, "--make", big, "--qdf", args.qdf, "--module",
                        args.module], check=True)
        with open(text, "wb") as f:
            subprocess.run([args.qdf, "export", big], stdout=f, check=True)
        paths = [big, text, os.path.join(scratch, "out.qdf")]
        kinds = ["load", "export+json.loads", "json.loads", "save", "import"]
        runs = {kind: [] for kind in kinds}
        # Interleaved, so that a slow spell of the machine falls on both sides.
        for _ in range(args.repetitions):
            for kind in kinds:
                runs[kind].append(measure(kind, args, paths))
        cpu = {k: statistics.median(r["cpu"] for r in v) for k, v in runs.items()}
        rss = {k: statistics.median(r["rss_kib"] for r in v) for k, v in runs.items()}
        size = os.path.getsize(big) / 1e6
        print(f"twfile module on {LINES:,} list lines ({size:.0f} MB .qdf), "
              f"medians of {args.repetitions} runs, CPU time")
        rows = [
            ("export + json.loads / twfile.load", cpu["export+json.loads"], cpu["load"], ">= 2"),
            ("twfile.save / qdf import (within 1.5x: >= 0.67)", cpu["import"], cpu["save"],
             ">= 0.67"),
        ]
        for name, peer, ours, target in rows:
            ratio = peer / ours
            met = ratio >= float(target.split()[-1])
            print(f"  {name:<50} {peer:6.2f} s {ours:6.2f} s {ratio:6.2f}x {target:>8}  "
                  f"{'yes' if met else 'NO'}")
        print(f"  peak memory: json.loads of the export {rss['json.loads'] / 1024:.0f} MiB, "
              f"twfile.load {rss['load'] / 1024:.0f} MiB: "
              f"{rss['load'] / rss['json.loads']:.2f}x (<= 1)  "
              f"{'yes' if rss['load'] <= rss['json.loads'] else 'NO'}")
        print(f"  (export + json.loads in one process peaks at "
              f"{rss['export+json.loads'] / 1024:.0f} MiB; json.loads alone takes "
              f"{cpu['json.loads']:.2f} s)")
    finally:
        shutil.rmtree(scratch)


if __name__ == "__main__":
    main()
