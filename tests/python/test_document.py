"""Document: members as attributes, live lists, saves, holds, threads."""
import threading

import pytest
import twfile

from conftest import SOURCE

SALES = SOURCE / "examples/sales.qdf"


@pytest.fixture
def copy(tmp_path):
    path = tmp_path / "sales.qdf"
    path.write_bytes(SALES.read_bytes())
    return path


def test_attributes_are_the_form_in_snake_case():
    with twfile.Document.open(SALES) as doc:
        form = twfile.load(SALES)
        assert doc.to_dict() == form
        assert doc.tables == form["tables"]
        assert doc.non_display_attributes == form["nonDisplayAttributes"]
        assert doc.flags.edited_sql is form["flags"]["editedSQL"]
        assert doc.dynamic_sort.sort1 == form["dynamicSort"]["sort1"]
        assert list(doc.printer.strings) == form["printer"]["strings"]
        assert doc.display.background_colour == form["display"]["backgroundColour"]
        assert doc.sections_read == form["sectionsRead"]


@pytest.mark.parametrize("edit, expected", [
    (lambda t: t.append("X"), ["A", "B", "C", "X"]),
    (lambda t: t.insert(1, "X"), ["A", "X", "B", "C"]),
    (lambda t: t.insert(-1, "X"), ["A", "B", "X", "C"]),
    (lambda t: t.insert(99, "X"), ["A", "B", "C", "X"]),
    (lambda t: t.__delitem__(0), ["B", "C"]),
    (lambda t: t.__delitem__(-1), ["A", "B"]),
    (lambda t: t.__setitem__(1, "X"), ["A", "X", "C"]),
    (lambda t: t.__setitem__(slice(0, 2), ["X"]), ["X", "C"]),
    (lambda t: t.__delitem__(slice(None, None, 2)), ["B"]),
    (lambda t: t.remove("B"), ["A", "C"]),
    (lambda t: t.extend(["X", "Y"]), ["A", "B", "C", "X", "Y"]),
    (lambda t: t.reverse(), ["C", "B", "A"]),
    (lambda t: t.clear(), []),
    (lambda t: t.__setitem__(slice(None), t), ["A", "B", "C"]),
    (lambda t: t.__iadd__(t), ["A", "B", "C", "A", "B", "C"]),
])
def test_lists_are_live(edit, expected):
    doc = twfile.Document()
    doc.tables = ["A", "B", "C"]
    edit(doc.tables)
    assert doc.tables == expected
    doc.tables = reversed(doc.tables)
    doc.tables = doc.tables
    assert doc.tables == expected[::-1]
    doc.tables.reverse()
    assert doc.to_dict()["tables"] == expected


@pytest.mark.parametrize("edit, error", [
    (lambda d: d.tables.__getitem__(3), IndexError),
    (lambda d: d.tables.__delitem__(-4), IndexError),
    (lambda d: d.tables.append(1), TypeError),
    (lambda d: setattr(d.flags, "edited_sql", 1), twfile.Error),
    (lambda d: setattr(d.time, "zone", 2 ** 40), twfile.Error),
    (lambda d: setattr(d.printer, "strings", ["a"]), ValueError),
    (lambda d: setattr(d.printer, "strings", ["a"] * 7 + [1]), twfile.Error),
    (lambda d: getattr(d.flags, "edited"), AttributeError),
    (lambda d: d.tables.append("\u0100"), twfile.Error),
])
def test_wrong_values_change_nothing(edit, error):
    doc = twfile.Document()
    doc.tables = ["A", "B", "C"]
    before = doc.to_dict()
    with pytest.raises(error):
        edit(doc)
    assert doc.to_dict() == before


def test_save_writes_back_and_holds_the_file(copy, tmp_path):
    with twfile.Document.open(copy, read_only=False) as doc:
        with pytest.raises(twfile.InUseError):
            twfile.Document.open(copy, read_only=False)
        with pytest.raises(twfile.InUseError):
            twfile.save(twfile.load(copy), copy)
        doc.tables[0] = "ORDERS_2024"
        doc.flags.edited_sql = True
        doc.save()
    form = twfile.load(copy)
    assert form["tables"][0] == "ORDERS_2024" and form["flags"]["editedSQL"] is True
    # Closed: another writer gets in.
    twfile.Document.open(copy, read_only=False).close()


def test_save_refusals(copy, tmp_path):
    with twfile.Document.open(copy) as doc:
        with pytest.raises(twfile.Error, match="read-only"):
            doc.save()
    with pytest.raises(twfile.Error, match="no file"):
        twfile.Document().save()
    with twfile.Document.open(copy, read_only=False) as doc:
        doc.tables.append("")
        with pytest.raises(twfile.Error, match="cannot carry"):
            doc.save()
    assert copy.read_bytes() == SALES.read_bytes()


def test_save_as_and_from_dict(tmp_path):
    doc = twfile.Document.from_dict(twfile.load(SALES))
    assert doc.file is None
    target = tmp_path / "new.qdf"
    doc.save_as(target)
    assert doc.file == str(target)
    doc.database = "OTHER"
    doc.save()
    doc.close()
    assert twfile.load(target)["database"] == "OTHER"
    with twfile.Document.open(target, read_only=False) as held:
        # The old file is let go, the new one held.
        with pytest.raises(twfile.InUseError):
            twfile.Document.open(target, read_only=False)
        moved = tmp_path / "moved.qdf"
        held.save_as(moved)
        twfile.Document.open(target, read_only=False).close()
        with pytest.raises(twfile.InUseError):
            twfile.save({}, moved)
    with pytest.raises(twfile.Error, match="did you mean 'tables'"):
        twfile.Document.from_dict({"tabels": []})


def test_read_errors_are_raised_with_their_place():
    with pytest.raises(twfile.Error) as raised:
        twfile.Document.open(SOURCE / "examples/damaged.qdf")
    assert raised.value.line is not None and raised.value.byte > 0


def test_threads_load_and_save_their_own_documents(tmp_path):
    failures = []

    def work(n):
        try:
            for i in range(30):
                path = tmp_path / f"doc{n}.qdf"
                twfile.save({"tables": [f"T{n}_{i}"], "database": f"D{n}"}, path)
                assert twfile.load(path)["tables"] == [f"T{n}_{i}"]
                try:
                    twfile.load(tmp_path / f"missing{n}.qdf")
                except twfile.Error as error:
                    assert f"missing{n}.qdf" in error.message
        except Exception as error:  # noqa: BLE001 - reported below
            failures.append(error)

    threads = [threading.Thread(target=work, args=(n,)) for n in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []


def test_one_document_shared_by_threads():
    doc = twfile.Document()

    def work(n):
        for i in range(200):
            doc.tables.append(f"T{n}")

    threads = [threading.Thread(target=work, args=(n,)) for n in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert sorted(doc.tables) == sorted(f"T{n}" for n in range(4) for _ in range(200))


def test_the_stub_names_what_the_module_has():
    import ast
    stub = ast.parse((SOURCE / "python/twfile.pyi").read_text())
    classes = {node.name: node for node in stub.body if isinstance(node, ast.ClassDef)}

    def names(body):
        found = {node.target.id for node in body if isinstance(node, ast.AnnAssign)}
        return found | {node.name for node in body if isinstance(node, ast.FunctionDef)
                        and not node.name.startswith("_")}

    public = {name for name in dir(twfile) if not name.startswith("_")}
    assert {name for name in names(stub.body) | set(classes) if not name.startswith("_")} \
        == public
    doc = twfile.Document()
    assert names(classes["Document"].body) == {n for n in dir(doc) if not n.startswith("_")}
    for group in ("flags", "time", "display", "printer", "dynamic_sort"):
        stubbed = classes["_" + group.title().replace("_", "")].body
        assert names(stubbed) - {"to_dict"} == set(getattr(doc, group).__dir__())
