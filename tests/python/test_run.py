"""sql and run on real databases, against qdf sql and qdf run."""
import base64
import hashlib
import json
import os
import re
import signal
import subprocess
import sys
import time

import pytest
import twfile

from conftest import SOURCE, qdf

SALES = SOURCE / "examples/sales.qdf"
PARAMS = {"From": "2024-01-01", "MinAmount": 50}


def qdf_rows(doc_path, db, params):
    done = qdf("run", doc_path, "--db", db, "--format", "json",
               *[f"--param={k}={v}" for k, v in params.items()])
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout)


def as_json(value):
    return base64.b64encode(value).decode() if isinstance(value, bytes) else value


def check_same_rows(doc, db, params, tmp_path):
    if isinstance(doc, dict):
        path = tmp_path / "doc.qdf"
        twfile.save(doc, path)
        doc = path
    expected = qdf_rows(doc, db, params)
    rows = twfile.run(doc, db, params=params)
    assert rows.columns == expected["columns"]
    assert [d[0] for d in rows.description] == expected["columns"]
    assert [[as_json(v) for v in row] for row in rows] == expected["rows"]
    return expected


def test_rows_are_qdf_runs(sales_db, tmp_path):
    expected = check_same_rows(SALES, sales_db, PARAMS, tmp_path)
    assert expected["rows"]
    edited = {"flags": {"editedSQL": True}, "editedSQL":
              "SELECT 1, 2.5, NULL, 'x''y', X'00ff', <<P>> AS p"}
    check_same_rows(edited, sales_db, {"P": "ab"}, tmp_path)


def test_sql_is_qdf_sql(sales_db):
    text, values = twfile.sql(SALES, params=PARAMS, schema=sales_db)
    done = qdf("sql", SALES, "--schema", sales_db, *[f"--param={k}={v}" for k, v in PARAMS.items()])
    assert done.stdout.decode().startswith(text)
    assert values == ["2024-01-01", "2024-12-31", 50.0]
    schema = {"tables": {"ORDERS": {"ORDER_DATE": "DATE", "AMOUNT": "REAL"}}}
    assert twfile.sql(twfile.load(SALES), params=PARAMS, schema=schema)[1] == values
    assert twfile.sql(twfile.Document.open(SALES), dialect="postgresql")[1][2] == "100.00"


def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


# Documents and values that would write, reach outside or change the
# statement: each refused (or bound) on the real database, which stays as it
# was.
ATTACKS = [
    ("DELETE FROM ORDERS", {}, "would change the database"),
    ("SELECT 1; DROP TABLE ORDERS", {}, "more than one statement"),
    ("WITH x AS (DELETE FROM ORDERS RETURNING 1) SELECT * FROM x", {}, "would change"),
    ("SELECT * FROM ORDERS WHERE ORDER_NO = ?", {}, "placeholders of its own"),
    ("ATTACH DATABASE 'x.db' AS x", {}, "would change|only reads"),
    ("SELECT <<P>>", {"P": "1; DROP TABLE ORDERS"}, None),
    ("SELECT * FROM ORDERS WHERE CUSTOMER_NO = <<P>>", {"P": "1 OR 1=1"}, None),
    ("SELECT <<P>>", {"Q": "1"}, "no such parameter"),
    ("SELECT <<P>>", {}, "has no value"),
]


@pytest.mark.parametrize("text, params, refusal", ATTACKS, ids=lambda a: str(a)[:25])
def test_runs_never_write(text, params, refusal, sales_db, tmp_path):
    before = digest(sales_db)
    doc = {"flags": {"editedSQL": True}, "editedSQL": text}
    if refusal is None:
        rows = list(twfile.run(doc, sales_db, params=params))
        assert rows in ([(params["P"],)], [])
    else:
        with pytest.raises(twfile.SqlError, match=refusal):
            list(twfile.run(doc, sales_db, params=params))
    assert digest(sales_db) == before
    assert sorted(p.name for p in tmp_path.iterdir()) == ["sales.db"]


@pytest.mark.parametrize("db, refusal", [
    (lambda d: d / "missing.db", "no such database file"),
    (lambda d: d, "not a regular file"),
    (lambda d: (d / "text.db").write_text("no database") and d / "text.db", "."),
])
def test_databases_refused(db, refusal, tmp_path):
    path = db(tmp_path)
    with pytest.raises(twfile.SqlError, match=refusal):
        list(twfile.run(SALES, path))
    assert not (tmp_path / "missing.db").exists()


def test_rows_stream_and_close(sales_db):
    rows = twfile.run({"flags": {"editedSQL": True}, "editedSQL":
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                       "SELECT i FROM n"}, sales_db, timeout=5)
    assert [next(rows) for _ in range(3)] == [(1,), (2,), (3,)]
    rows.close()
    assert rows.fetchone() is None


def server():
    """The throwaway PostgreSQL server's settings, or None."""
    conn = os.environ.get("TWFILE_TEST_ODBC")
    if not conn:
        return None
    return dict(re.findall(r"(\w+)=([^;]*)", conn))


@pytest.fixture(scope="module")
def postgres_sales():
    """The example database on the throwaway server, and a role that may
    only read it: (its postgresql:// URI, its ODBC string, the password)."""
    s = server()
    if s is None:
        pytest.skip("TWFILE_TEST_ODBC is not set: no server")
    name = f"twfile_python_{os.getpid()}"
    role, password = name + "_user", os.urandom(8).hex()
    env = dict(os.environ, PGPASSWORD=s["PWD"])
    env.pop("LD_PRELOAD", None)
    psql = ["psql", "-q", "-v", "ON_ERROR_STOP=1", "-h", s["Server"], "-p", s["Port"],
            "-U", s["UID"]]

    def run_sql(database, text):
        subprocess.run(psql + ["-d", database, "-c", text], env=env, check=True,
                       capture_output=True)

    run_sql("postgres", f"CREATE DATABASE {name}")
    try:
        run_sql("postgres", f"CREATE ROLE {role} LOGIN PASSWORD '{password}'")
        run_sql(name, (SOURCE / "examples/sales.sql").read_text())
        run_sql(name, f"GRANT SELECT ON ALL TABLES IN SCHEMA public TO {role}")
        yield (f"postgresql://{role}:{password}@{s['Server']}:{s['Port']}/{name}",
               (f"odbc:Driver={s['Driver']};Server={s['Server']};Port={s['Port']};"
                f"UID={role};PWD={password};Database={name};"),
               password)
    finally:
        subprocess.run(psql + ["-d", "postgres", "-c", f"DROP DATABASE IF EXISTS {name} WITH (FORCE)"],
                       env=env, capture_output=True)
        subprocess.run(psql + ["-d", "postgres", "-c", f"DROP ROLE IF EXISTS {role}"], env=env,
                       capture_output=True)


def test_rows_on_postgresql(postgres_sales, tmp_path):
    uri, odbc, password = postgres_sales
    check_same_rows(SALES, uri, PARAMS, tmp_path)
    check_same_rows(SALES, odbc, PARAMS, tmp_path)
    with pytest.raises(twfile.SqlError) as raised:
        list(twfile.run({"flags": {"editedSQL": True}, "editedSQL": "SELECT nextval('x')"}, uri))
    assert password not in str(raised.value)


ENDLESS = {"flags": {"editedSQL": True}, "editedSQL":
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT count(*) FROM n"}


@pytest.mark.skipif(os.name != "posix", reason="SIGINT is sent the POSIX way")
@pytest.mark.parametrize("engine", ["sqlite", "postgresql"])
def test_ctrl_c_stops_a_statement_at_work(engine, sales_db, request):
    """A statement that never ends gives way to Ctrl-C as Python code does:
    KeyboardInterrupt, and the run's handler is Python's again after it."""
    db = request.getfixturevalue("postgres_sales")[0] if engine == "postgresql" else str(sales_db)
    script = (
        "import signal, sys, twfile\n"
        "before = signal.getsignal(signal.SIGINT)\n"
        "print('started', flush=True)\n"
        "try:\n"
        f"    list(twfile.run({ENDLESS!r}, sys.argv[1]))\n"
        "except KeyboardInterrupt:\n"
        "    print('interrupted', signal.getsignal(signal.SIGINT) is before, flush=True)\n"
    )
    child = subprocess.Popen([sys.executable, "-c", script, db],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "started\n"
        time.sleep(1)
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=60)
    finally:
        child.kill()
    assert out == "interrupted True\n", err
