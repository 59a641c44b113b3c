"""load and save against qdf export and import, file by file."""
import json

import pytest
import twfile

from conftest import DOCUMENTS, exported, qdf, qdf_messages


@pytest.mark.parametrize("path", DOCUMENTS, ids=lambda p: p.name)
def test_load_is_export_and_save_is_import(path, tmp_path):
    form, status = exported(path)
    if status == 0:
        assert twfile.load(path) == form
        utf8, utf8_status = exported(path, "--encoding", "utf-8")
        if utf8_status == 0:
            assert twfile.load(str(path), encoding="utf-8") == utf8
        else:
            with pytest.raises(twfile.Error, match="not valid UTF-8"):
                twfile.load(path, encoding="utf-8")
        # The bytes qdf import writes of the export: the file itself when
        # it is of the current version.
        imported = tmp_path / "imported.qdf"
        assert qdf("import", "-", "-o", imported, input=json.dumps(form).encode()).returncode == 0
        copy = tmp_path / "copy.qdf"
        for raw in (False, True):
            twfile.save(twfile.load(path, raw=raw), copy)
            assert copy.read_bytes() == imported.read_bytes()
    elif form is not None:
        # The read stopped at an error: raised, or given with it.
        with pytest.raises(twfile.Error) as raised:
            twfile.load(path)
        error = form["error"]
        assert (raised.value.number, raised.value.message, raised.value.line,
                raised.value.byte) == (error["number"], error["message"], error.get("line"),
                                       error.get("byte"))
        assert twfile.load(path, strict=False) == form


def test_texts_in_either_encoding(tmp_path):
    path = tmp_path / "texts.qdf"
    # Every byte but CR, LF and NUL survives cp1252; raw gives the bytes.
    text = bytes(b for b in range(1, 256) if b not in (10, 13)).decode("cp1252", "replace")
    legal = "".join(c for c in text if c != "\ufffd") + "\x81\x8d\x8f\x90\x9d"
    twfile.save({"database": legal, "tables": ["Straße", "naïve"]}, path)
    assert twfile.load(path)["database"] == legal
    assert twfile.load(path, raw=True)["tables"] == ["Straße".encode("cp1252"),
                                                    "naïve".encode("cp1252")]
    with pytest.raises(twfile.Error, match="not valid UTF-8"):
        twfile.load(path, encoding="utf-8")
    twfile.save({"tables": ["Straße"]}, path, encoding="utf-8")
    assert path.read_bytes().count("Straße".encode()) == 1


# Each refused form, written as JSON for qdf import: the same message.
REFUSED = [
    {"databse": "x"},
    {"tables": [1]},
    {"tables": ["A", ""]},
    {"flags": {"editedSQL": 3}},
    {"time": {"zone": 9999999999}},
    {"printer": {"strings": ["a"]}},
    {"database": "a\r\nb"},
    {"editedSQL": "SELECT 1\r\n}\r\n"},
    {"tables": ["€"], "database": "\u0100"},
    {"flags": {"readOnly": None}, "time": {"zone": 1.5}},
    {"printer": {"strings": ["a"] * 8, "property1": 2**40}},
    {"tables": [1], "databse": "x", "joins": "A = B"},
]


@pytest.mark.parametrize("form", REFUSED, ids=lambda f: json.dumps(f)[:30])
def test_save_refuses_what_import_refuses(form, tmp_path):
    target = tmp_path / "kept.qdf"
    target.write_bytes(b"not replaced")
    source = tmp_path / "form.json"
    source.write_text(json.dumps(form))
    done = qdf("import", source, "-o", target)
    assert done.returncode != 0
    with pytest.raises(twfile.Error) as raised:
        twfile.save(form, target)
    for line in raised.value.message.splitlines():
        assert line in qdf_messages(done)
    assert target.read_bytes() == b"not replaced"


@pytest.mark.parametrize("bad, error", [
    ({"tables": [object()]}, TypeError),
    ({1: "x"}, TypeError),
    ({"tables": ["\ud800"]}, twfile.Error),
    ({"tables": [b"\xff"]}, None),
])
def test_save_of_values_json_has_no_form_for(bad, error, tmp_path):
    path = tmp_path / "x.qdf"
    if error is None:
        twfile.save(bad, path)
        assert twfile.load(path, raw=True)["tables"] == [b"\xff"]
        with pytest.raises(twfile.Error):
            twfile.save(bad, path, encoding="utf-8")
        return
    with pytest.raises(error):
        twfile.save(bad, path)
    assert not path.exists()


@pytest.mark.parametrize("make, message", [
    (lambda d: d / "missing.qdf", "cannot open"),
    (lambda d: d, "cannot open"),
    (lambda d: (d / "text.qdf").write_text("hello\n") and d / "text.qdf",
     "not a query definition file"),
])
def test_load_refuses(make, message, tmp_path):
    with pytest.raises(twfile.Error, match=message) as raised:
        twfile.load(make(tmp_path))
    assert raised.value.number < 0
    # Nothing is left pending for the next call.
    assert twfile.check_condition("A.B = 1", "integer") == []


def test_save_refuses_a_folder_and_keeps_it(tmp_path):
    with pytest.raises(twfile.Error, match="not a regular file"):
        twfile.save({}, tmp_path)
    assert tmp_path.is_dir()


def test_save_of_a_current_file_gives_its_bytes(tmp_path):
    from conftest import SOURCE
    copy = tmp_path / "copy.qdf"
    twfile.save(twfile.load(SOURCE / "examples/sales.qdf"), copy)
    assert copy.read_bytes() == (SOURCE / "examples/sales.qdf").read_bytes()
