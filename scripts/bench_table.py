#!/usr/bin/env python3
"""Prints the table of ratios from the JSON output of twfile_bench.

Every ratio is taken between two benchmarks of the same run, on the same data,
from the median of their repetitions (or the single run when there is only
one). Times are per item: per value written, per line, per condition.

    scripts/bench_table.py results.json [--time cpu|real]
"""
import argparse
import json
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(path, clock):
    """Maps each benchmark name to its median time per item in ns."""
    with open(path) as f:
        data = json.load(f)
    medians, singles = {}, {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            print(f"error in {b['name']}: {b.get('error_message', '')}", file=sys.stderr)
            continue
        name = b.get("run_name", b["name"])
        items = b.get("items", 1.0) or 1.0
        ns = b[f"{clock}_time"] * UNIT_NS[b.get("time_unit", "ns")] / items
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[name] = ns
        else:
            singles.setdefault(name, []).append(ns)
    for name, values in singles.items():
        if name not in medians:
            values.sort()
            medians[name] = values[len(values) // 2]
    return data.get("context", {}), medians


def peak_memory(path):
    """Maps each benchmark name to the largest max_rss_kib it reported."""
    with open(path) as f:
        data = json.load(f)
    peaks = {}
    for b in data["benchmarks"]:
        if "max_rss_kib" in b:
            name = b.get("run_name", b["name"])
            peaks[name] = max(peaks.get(name, 0), b["max_rss_kib"])
    return peaks


def counter_medians(path, counter):
    """Maps each benchmark name to the median of counter over its repetitions."""
    with open(path) as f:
        data = json.load(f)
    values = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if counter in b:
            name = b.get("run_name", b["name"])
            if b.get("run_type") == "aggregate":
                values[name] = [b[counter]]
                continue
            values.setdefault(name, []).append(b[counter])
    return {name: sorted(v)[len(v) // 2] for name, v in values.items() if v}


def qdf_json(table, path):
    """Adds qdf export and import against jq, their peak memory, and the corpus rate."""
    table.section("qdf export and import of 1.2 million list lines against jq . re-printing "
                  "export's output,\nCPU time of each process per line")
    jq, m = "qdf_json/jq/manual_time", "manual_time"
    table.ratio("jq . / qdf export", jq, f"qdf_json/export/{m}", 3)
    table.ratio("jq . / qdf import", jq, f"qdf_json/import/{m}", 1.5)
    wall = counter_medians(path, "wall_s")
    for op in ("export", "import"):
        a, b = wall.get(jq), wall.get(f"qdf_json/{op}/{m}")
        if a and b:
            table.note(f"real time, jq . / qdf {op} (no target: load moves it)",
                       f"{a:.2f} s / {b:.2f} s = {a / b:.2f}x")
    rss, size = peak_memory(path), counter_medians(path, "qdf_kib")
    for op in ("export", "import"):
        peak, kib = rss.get(f"qdf_json/{op}/{m}"), size.get(f"qdf_json/{op}/{m}")
        if peak and kib:
            table.check(f"peak memory of {op} / .qdf size (<= 2.5)", f"{peak / kib:.2f}x",
                        peak / kib <= 2.5)
    per_doc = table.times.get("qdf_json/lines/real_time")
    if per_doc:
        rate = 1e9 / per_doc
        table.check("export --lines -j 2, 10^5 documents: documents/s (>= 10000)",
                    f"{rate:,.0f}", rate >= 10000)


def flat_memory(table, rss, prefix):
    """Adds the check that the peak memory of prefix does not grow with the rows."""
    small, large = rss.get(f"{prefix}/100000/real_time"), rss.get(f"{prefix}/1000000/real_time")
    if small and large:
        table.check(f"{prefix.split('/')[-1]}: peak memory 10^6 / 10^5 rows (flat: <= 1.2)",
                    f"{large:.0f} / {small:.0f} KiB", large <= 1.2 * small)


def fmt_ns(ns):
    if ns is None:
        return "-"
    if ns >= 1e6:
        return f"{ns / 1e6:.1f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.2f} us"
    return f"{ns:.2f} ns"


class Table:
    def __init__(self, times):
        self.times = times
        self.rows = []
        self.missed = 0

    def section(self, title):
        self.rows.append((title,))

    def ratio(self, label, numerator, denominator, target=None, at_least=True):
        """Adds numerator time / denominator time; target is the bound."""
        a, b = self.times.get(numerator), self.times.get(denominator)
        value = a / b if a is not None and b else None
        self.rows.append(("row", label, fmt_ns(a), fmt_ns(b), value, target, at_least))

    def value(self, label, name, note=""):
        self.rows.append(("value", label, fmt_ns(self.times.get(name)), note))

    def check(self, label, shown, met):
        self.rows.append(("check", label, shown, met))

    def note(self, label, shown):
        self.rows.append(("note", label, shown))

    def print(self):
        header = f"{'':58} {'time a':>11} {'time b':>11} {'a / b':>8}  {'target':>8}  met"
        print(header)
        print("-" * len(header))
        for row in self.rows:
            if len(row) == 1:
                print(f"\n{row[0]}")
                continue
            kind, label = row[0], row[1]
            if kind == "note":
                print(f"  {label:56} {row[2]:>11}")
                continue
            if kind == "value":
                print(f"  {label:56} {row[2]:>11} {'':>11} {'':>8}  {row[3]:>8}")
            elif kind == "check":
                met = "yes" if row[3] else "NO"
                self.missed += not row[3]
                print(f"  {label:56} {row[2]:>11} {'':>11} {'':>8}  {'':>8}  {met}")
            else:
                _, label, a, b, value, target, at_least = row
                shown = f"{value:.2f}x" if value is not None else "-"
                bound, met = "", ""
                if target is not None:
                    bound = f"{'>=' if at_least else '<='} {target:g}"
                if target is not None and value is not None:
                    ok = value >= target if at_least else value <= target
                    met = "yes" if ok else "NO"
                    self.missed += not ok
                print(f"  {label:56} {a:>11} {b:>11} {shown:>8}  {bound:>8}  {met}")


def describe():
    print("a / b: the time per item of the first named over that of the second; a target")
    print("bounds the ratio from below (>=) or above (<=).")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results")
    parser.add_argument("--time", choices=("cpu", "real"), default="cpu")
    args = parser.parse_args()
    context, t = load(args.results, args.time)
    _, real = load(args.results, "real") if args.time != "real" else (None, t)

    # The SQL rows time two processes: only real time counts them.
    # The qdf_json rows hold the processes' CPU time as their manual time.
    t.update({name: ns for name, ns in real.items() if name.startswith(("sql/", "qdf_json/"))})
    table = Table(t)
    for kind in ("int32", "double"):
        p = f"typed/{kind}"
        table.section(f"Typed writes, 10^7 {kind} values, per value")
        table.ratio("fwrite per value / Write", f"{p}/fwrite", f"{p}/twfile", 2)
        table.ratio("ofstream::write per value / Write", f"{p}/ofstream", f"{p}/twfile", 2)
        table.ratio("Write / limit (memcpy, one write)", f"{p}/twfile", f"{p}/limit", 1.5, False)
        table.ratio("flush floor / limit (the flushes' system calls)", f"{p}/flush_floor",
                    f"{p}/limit")
        table.ratio("Write / flush floor", f"{p}/twfile", f"{p}/flush_floor")

    table.section("Text lines, 10^6 lines of 40 bytes, per line")
    table.ratio("fputs / WriteLine", "lines/write/fputs", "lines/write/twfile")
    table.ratio("WriteLine / limit (memcpy, one write)", "lines/write/twfile", "lines/write/limit")
    table.ratio("fgets / ReadLine(char*)", "lines/read/fgets", "lines/read/twfile_array", 1)
    table.ratio("std::getline / ReadLine(CString*)", "lines/read/getline",
                "lines/read/twfile_string", 1)
    table.ratio("ReadLine(char*) / limit (read, memchr)", "lines/read/twfile_array",
                "lines/read/limit", 2, False)
    table.ratio("ReadLine(CString*) / limit (read, memchr)", "lines/read/twfile_string",
                "lines/read/limit", 2, False)
    table.ratio("refill floor / limit (the refills' system calls)", "lines/read/refill_floor",
                "lines/read/limit")
    table.ratio("ReadLine(char*) / refill floor", "lines/read/twfile_array",
                "lines/read/refill_floor")
    table.ratio("ReadLine(CString*) / refill floor", "lines/read/twfile_string",
                "lines/read/refill_floor")

    sizes = (1000, 10000, 100000, 1000000)
    for op, verb in (("save", "SaveAs"), ("open", "Open")):
        table.section(f"Documents, {verb}, per line of the six lists")
        for n in sizes:
            table.value(f"{n:>9} lines", f"documents/{op}/lines:{n}")
        table.ratio("per line at 10^6 / per line at 10^4", f"documents/{op}/lines:1000000",
                    f"documents/{op}/lines:10000", 1.3, False)
        if op == "save":
            table.ratio("save floor: per line at 10^6 / per line at 10^4",
                        "documents/save_floor/lines:1000000", "documents/save_floor/lines:10000")
            for n in (10000, 1000000):
                table.ratio(f"SaveAs / save floor at {n} lines", f"documents/save/lines:{n}",
                            f"documents/save_floor/lines:{n}")
            table.ratio("as Open reads it: per line at 10^6 / per line at 10^4",
                        "documents/save_opened/lines:1000000", "documents/save_opened/lines:10000",
                        1.3, False)
    opened = real.get("documents/open/lines:1000000")
    if opened is not None:
        seconds = opened * 1e6 / 1e9
        table.check("Open of 10^6 lines under 1 s (real time)", f"{seconds:.3f} s", seconds < 1)
    table.section("Documents, edited SQL of 10^5 lines, per line")
    table.value("SaveAs", "documents/save_sql")
    table.value("Open", "documents/open_sql")

    if any(name.startswith("conditions/") for name in t):
        table.section("Conditions, per call")
        table.value("GetFullNameText", "conditions/full_name_text")
        table.value("UnParameteriseOperand, 4 parameters", "conditions/unparameterise")
        table.value("CTWFileQDFConditionList::Insert, per condition of 10^4",
                    "conditions/list_insert")

    if any(name.startswith("sql/") for name in t):
        table.section("qdf run --format csv and sqlite3 -csv, SELECT * FROM T, per row (real time)")
        for n in ("100000", "1000000"):
            table.ratio(f"qdf run / sqlite3 shell at {n} rows", f"sql/qdf_csv/{n}/real_time",
                        f"sql/sqlite3_csv/{n}/real_time", 1.5, False)
        flat_memory(table, peak_memory(args.results), "sql/qdf_csv")
        table.section("qdf run --format csv and psql --csv on PostgreSQL, "
                      "SELECT * FROM T, per row (real time)")
        if any(name.startswith("sql/psql_csv/") for name in t):
            rss = peak_memory(args.results)
            for n in ("100000", "1000000"):
                table.ratio(f"qdf run --db postgres: / psql at {n} rows",
                            f"sql/qdf_libpq_csv/{n}/real_time", f"sql/psql_csv/{n}/real_time",
                            1.0, False)
            flat_memory(table, rss, "sql/qdf_libpq_csv")
            for n in ("100000", "1000000"):
                table.ratio(f"psql with FETCH_COUNT=10000 / psql at {n} rows",
                            f"sql/psql_fetch_count_csv/{n}/real_time",
                            f"sql/psql_csv/{n}/real_time")
            for name, shown in (("sql/qdf_libpq_csv", "qdf run --db postgres:"),
                                ("sql/psql_csv", "psql"),
                                ("sql/psql_fetch_count_csv", "psql with FETCH_COUNT=10000")):
                for n in ("100000", "1000000"):
                    peak = rss.get(f"{name}/{n}/real_time")
                    if peak:
                        table.note(f"{shown}, peak memory at {n} rows", f"{peak:.0f} KiB")
            table.section("qdf run --format csv --db odbc: and psql --csv on PostgreSQL, "
                          "SELECT * FROM T, per row (real time)")
            for n in ("100000", "1000000"):
                table.ratio(f"qdf run / psql at {n} rows", f"sql/qdf_odbc_csv/{n}/real_time",
                            f"sql/psql_csv/{n}/real_time", 1.5, False)
            flat_memory(table, peak_memory(args.results), "sql/qdf_odbc_csv")
            for n in ("100000", "1000000"):
                table.ratio(f"driver floor (fetch, bound, no output) / psql at {n}",
                            f"sql/odbc_fetch_floor/{n}/real_time", f"sql/psql_csv/{n}/real_time")
            for n in ("100000", "1000000"):
                table.ratio(f"qdf run / driver floor at {n} rows", f"sql/qdf_odbc_csv/{n}/real_time",
                            f"sql/odbc_fetch_floor/{n}/real_time")
        else:
            table.section("  left out: no PostgreSQL server (TWFILE_BENCH_ODBC was not set)")

    if any(name.startswith("qdf_json/") for name in t):
        qdf_json(table, args.results)

    print(f"Times are medians of {args.time} time per item; "
          f"{context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz, "
          f"load {', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}.")
    describe()
    table.print()
    print(f"\n{table.missed} target(s) missed." if table.missed else "\nAll targets met.")


if __name__ == "__main__":
    main()
