"""The parameter-tree model: round trips, order, names, bad files and safe
saving."""
import copy
import json
import os
import pickle

import pytest

import kvt_paratree as pt
from kvt_paratree import (InvalidNameCharacters, Parameter, ParameterBook, ParameterDirectory,
                          ParameterFileError)

EXT = "." + ParameterBook.ExtName


def typed(value):
    """`value` with the type of every part spelled out, so that 1 == 1.0 and
    True == 1 do not hide a changed type."""
    if isinstance(value, list):
        return ["list", [typed(v) for v in value]]
    if isinstance(value, dict):
        return ["dict", [[k, typed(v)] for k, v in value.items()]]
    return [type(value).__name__, value]


def tree_files(path):
    """Every file below `path` with its bytes."""
    found = {}
    for folder, _dirs, files in os.walk(path):
        for name in files:
            full = os.path.join(folder, name)
            with open(full, "rb") as file:
                found[os.path.relpath(full, path)] = file.read()
    return found


def sample_tree():
    gain = Parameter({"value": 1.5, "steps": 3}, {"en": "Gain", "zh_CN": "增益"})
    book = ParameterBook([("gain", gain), ("offset", Parameter({"value": -2}))])
    root = ParameterDirectory()
    root.motors = ParameterDirectory([("axis", ParameterBook([("speed", Parameter({"v": 10}))]))])
    root.amplifier = book
    return root


VALUES = [0, -7, 2 ** 70, 1.0, -0.0, 1.5e-300, float("inf"), "", "text with \"quotes\"\n",
          "Grüße 中文 ✓", True, False, None, [], {}, [1, 2.0, "3", None, True, [False]],
          {"a": {"b": [1.0, {"c": None}]}, "空": ""}]


@pytest.mark.parametrize("value", VALUES, ids=repr)
def test_values_come_back_with_their_exact_type(tmp_path, value):
    book = ParameterBook({"p": Parameter({"v": value})})
    book.save(tmp_path / ("b" + EXT))
    loaded = ParameterBook.load(tmp_path / ("b" + EXT))
    assert typed(loaded["p"]["v"]) == typed(value)


def test_tree_round_trip_keeps_order_unicode_and_descriptions(tmp_path):
    root = ParameterDirectory()
    root["zeta"] = ParameterBook()
    root["参数"] = ParameterDirectory([("b", ParameterBook()), ("a", ParameterDirectory())])
    root["alpha"] = ParameterBook([("Zoom", Parameter({"z": 1, "a": 2}, {"zh_CN": "缩放", "en": "Zoom"})),
                                   ("Grüße", Parameter({"ключ": "значение"}))])
    root["Mid dir"] = ParameterDirectory()
    root.save(tmp_path)
    loaded = ParameterDirectory.load(tmp_path)
    assert loaded == root
    assert loaded.names() == ["zeta", "参数", "alpha", "Mid dir"]
    assert loaded["参数"].names() == ["b", "a"]
    alpha = loaded["alpha"]
    assert alpha.names() == ["Zoom", "Grüße"]
    assert alpha["Zoom"].names() == ["z", "a"]
    assert list(alpha["Zoom"].all_descriptions().items()) == [("zh_CN", "缩放"), ("en", "Zoom")]
    assert alpha["Zoom"].description == "Zoom"
    # Human-readable: indented, non-ASCII written as it is.
    raw = (tmp_path / ("alpha" + EXT)).read_bytes().decode("utf-8")
    assert "缩放" in raw and "\n    " in raw and "\\u" not in raw


def test_description_rules():
    p = Parameter()
    assert p.all_descriptions() == {"en": ""} and p.description == ""
    p.set_description("说明", "zh_CN")
    assert p.description == "" and p.get_description("zh_CN") == "说明"
    p.description = "Text"
    assert p.get_description("en") == "Text" and p.get_description("fr") == ""
    only_chinese = Parameter(descriptions={"zh_CN": "只有中文"})
    assert only_chinese.description == "只有中文"
    p.all_descriptions()["en"] = "changed"  # a copy, not the parameter's own
    assert p.description == "Text"
    with pytest.raises(TypeError):
        p.set_description(None, "en")


def test_container_protocols():
    root = sample_tree()
    book = root["amplifier"]
    assert len(root) == 2 and list(root) == ["motors", "amplifier"] and "motors" in root
    assert len(book) == 2 and "gain" in book.names() and list(book) == ["gain", "offset"]
    assert book["gain"]["value"] == 1.5 and len(book["gain"]) == 2
    del book["offset"]
    del root["motors"]
    assert root.names() == ["amplifier"] and book.names() == ["gain"]
    assert repr(root) == "<ParameterDirectory: 'amplifier'>"
    assert repr(book) == "<ParameterBook: 'gain'>"
    assert repr(book["gain"]) == ("Parameter({'value': 1.5, 'steps': 3}, "
                                  "descriptions={'en': 'Gain', 'zh_CN': '增益'})")
    # Order is part of the content.
    assert ParameterBook([("a", Parameter()), ("b", Parameter())]) != \
        ParameterBook([("b", Parameter()), ("a", Parameter())])
    # Empty model objects are still true: "parameter or a new one" keeps them.
    assert all(bool(o) for o in (Parameter(), ParameterBook(), ParameterDirectory()))


def test_children_named_like_members_never_hide_them(tmp_path):
    d = ParameterDirectory()
    books = {}
    for name in ("items", "save", "load", "names", "_children", "__init__"):
        books[name] = ParameterBook()
        setattr(d, name, books[name])
    d.sub = ParameterDirectory()
    assert d.names() == ["items", "save", "load", "names", "_children", "__init__", "sub"]
    assert [child for _name, child in d.items()][:6] == list(books.values())
    assert d["items"] is books["items"] and d.sub is d["sub"]
    d.save(tmp_path)
    assert ParameterDirectory.load(tmp_path) == d
    assert copy.deepcopy(d) == d and pickle.loads(pickle.dumps(d)) == d
    del d.save
    assert "save" not in d and callable(d.save)
    with pytest.raises(TypeError):
        d.other = 5
    with pytest.raises(ValueError, match="would contain itself"):
        d.sub.loop = d


REFUSED = sorted(set(c for c in InvalidNameCharacters if c.isprintable())) + [
    "\n", "\x00", "\x1f", ".", "..", "../escape", "a/b", "x" + EXT]


@pytest.mark.parametrize("name", [""] + ["bad%sname" % c for c in REFUSED] + REFUSED,
                         ids=repr)
def test_every_invalid_name_is_refused_everywhere(name):
    d, book, p = ParameterDirectory(), ParameterBook(), Parameter()
    attempts = [lambda: setattr(d, name, ParameterBook()), lambda: d.__setitem__(name, ParameterDirectory()),
                lambda: book.__setitem__(name, Parameter()), lambda: p.__setitem__(name, 1)]
    for attempt in attempts:
        with pytest.raises(ValueError, match="name"):
            attempt()
    assert len(d) == len(book) == len(p) == 0


@pytest.mark.parametrize("name", ["CON", "nul", "Lpt1", "trailing "])
def test_names_windows_cannot_store_are_refused_for_files_only(name):
    with pytest.raises(ValueError, match="Windows"):
        ParameterDirectory()[name] = ParameterBook()
    p = Parameter({name: 1})  # parameter and attribute names are not file names
    assert ParameterBook({name: p}).names() == [name]


@pytest.mark.parametrize("value", [(1, 2), {1, 2}, object(), {1: "int key"}, [("nested", "tuple")],
                                   b"bytes"], ids=repr)
def test_values_that_would_not_come_back_are_refused(value):
    with pytest.raises(TypeError):
        Parameter()["v"] = value


def test_unstorable_value_added_later_fails_the_save_before_anything_is_written(tmp_path):
    root = sample_tree()
    root.save(tmp_path)
    before = tree_files(tmp_path)
    values = [1]
    root["amplifier"]["gain"]["list"] = values
    root["new"] = ParameterBook()
    values.append((1, 2))  # changed behind the model's back
    with pytest.raises(TypeError, match="list"):
        root.save(tmp_path)
    assert tree_files(tmp_path) == before


def write(path, data):
    path.write_bytes(data if isinstance(data, bytes) else json.dumps(data).encode())
    return path


GOOD_BOOK = {"format": "kvt-parameter-book", "version": 1,
             "parameters": {"p": {"descriptions": {"en": "x"}, "attributes": {"a": [1, 2]}}}}
BAD_BOOKS = [
    (b"{\"parameters\": {", "not valid JSON"),
    (json.dumps(GOOD_BOOK).encode()[:40], "not valid JSON"),
    (b"", "empty"),
    (b"\xef\xbb\xbf{\"parameters\": {\"p\": {\"descriptions\": {\"en\": \"caf\xe9\"}}}}", "not UTF-8"),
    (b"[1, 2]", "JSON object at the top"),
    ({"parameters": []}, '"parameters" must be a JSON object'),
    ({"parameters": {"p": []}}, "parameter 'p' must be a JSON object"),
    ({"parameters": {"p": {"attributes": [1]}}}, "attributes of parameter 'p'"),
    ({"parameters": {"p": {"descriptions": {"en": 3}}}}, "description 'en'"),
    ({"parameters": {"p": {"colour": 1}}}, "unknown keys: colour"),
    ({"parameters": {"../p": {}}}, "invalid parameter name '../p'"),
    ({"parameters": {"p": {"attributes": {"a.b": 1}}}}, "invalid attribute name 'a.b'"),
    ({"format": "something else", "parameters": {}}, "format is 'something else'"),
    ({"version": 2, "parameters": {}}, "version 2 is newer"),
    (b"[" * 100000, "nested too deeply"),
]


@pytest.mark.parametrize("content, problem", BAD_BOOKS, ids=[p for _c, p in BAD_BOOKS])
def test_bad_book_files_name_the_file_and_the_problem(tmp_path, content, problem):
    path = write(tmp_path / ("b" + EXT), content)
    with pytest.raises(ParameterFileError) as raised:
        ParameterBook.load(path)
    assert str(raised.value).startswith(str(path) + ": ") and problem in str(raised.value)
    # The same file inside a tree fails the tree's load with the book's name.
    with pytest.raises(ValueError, match="^" + str(path)):
        ParameterDirectory.load(tmp_path)


def test_bad_index_fails_load_but_saving_repairs_it(tmp_path):
    sample_tree().save(tmp_path)
    index = write(tmp_path / pt.IndexFileName, {"items": ["amplifier", "a/b"]})
    with pytest.raises(ParameterFileError, match="^%s: invalid item name 'a/b'" % index):
        ParameterDirectory.load(tmp_path)
    sample_tree().save(tmp_path)
    assert ParameterDirectory.load(tmp_path) == sample_tree()


def test_missing_and_wrong_kind_of_paths(tmp_path):
    with pytest.raises(FileNotFoundError):
        ParameterDirectory.load(tmp_path / "missing")
    with pytest.raises(FileNotFoundError):
        ParameterBook.load(tmp_path / ("missing" + EXT))
    with pytest.raises(NotADirectoryError):
        ParameterDirectory.load(write(tmp_path / "file", b"x"))


def test_hand_made_tree_loads_sorted_without_writing(tmp_path):
    write(tmp_path / ("b" + EXT), GOOD_BOOK)
    write(tmp_path / ("a" + EXT), {"parameters": {}})
    (tmp_path / "sub" / "deeper").mkdir(parents=True)
    write(tmp_path / "sub" / "deeper" / ("c" + EXT), GOOD_BOOK)
    write(tmp_path / "notes.txt", b"not a book")
    write(tmp_path / ("two.dots" + EXT), b"not a book either")
    (tmp_path / ".hidden").mkdir()
    before = {p: os.stat(os.path.join(tmp_path, p)).st_mtime_ns for p in tree_files(tmp_path)}
    loaded = ParameterDirectory.load(tmp_path)
    assert loaded.names() == ["sub", "a", "b"]
    assert loaded["sub"]["deeper"]["c"]["p"]["a"] == [1, 2]
    assert {p: os.stat(os.path.join(tmp_path, p)).st_mtime_ns for p in tree_files(tmp_path)} == before
    assert sorted(os.listdir(tmp_path)) == sorted([".hidden", "a" + EXT, "b" + EXT, "notes.txt",
                                                   "sub", "two.dots" + EXT])


def test_index_gives_order_and_the_disk_gives_membership(tmp_path):
    sample_tree().save(tmp_path)
    (tmp_path / ("amplifier" + EXT)).unlink()  # listed, gone
    write(tmp_path / ("extra" + EXT), GOOD_BOOK)  # there, not listed
    assert ParameterDirectory.load(tmp_path).names() == ["motors", "extra"]


def test_save_removes_what_the_tree_dropped_and_keeps_foreign_files(tmp_path):
    root = sample_tree()
    root["gone"] = ParameterBook()
    root["old"] = ParameterDirectory([("inner", ParameterDirectory([("x", ParameterBook())]))])
    root["kept_dir"] = ParameterDirectory([("y", ParameterBook())])
    root.save(tmp_path)
    foreign = {"notes.txt": b"mine", "data.json": b"{}", os.path.join("images", "pic" + EXT): b"?",
               os.path.join("kept_dir", "readme.txt"): b"keep me"}
    for name, data in foreign.items():
        os.makedirs(os.path.dirname(tmp_path / name), exist_ok=True)
        write(tmp_path / name, data)
    del root["gone"], root["old"], root["kept_dir"]
    root.save(tmp_path)
    files = tree_files(tmp_path)
    assert not any(p.startswith(("gone", "old", os.path.join("kept_dir", "y"))) for p in files)
    assert not (tmp_path / "old").exists()
    assert {name: files[name] for name in foreign} == foreign
    assert ParameterDirectory.load(tmp_path) == root


def test_save_refuses_a_file_in_the_way_before_writing(tmp_path):
    write(tmp_path / "motors", b"a file where a directory goes")
    with pytest.raises(NotADirectoryError):
        sample_tree().save(tmp_path)
    assert tree_files(tmp_path) == {"motors": b"a file where a directory goes"}
    (tmp_path / ("b" + EXT)).mkdir()
    with pytest.raises(IsADirectoryError):
        ParameterBook().save(tmp_path / ("b" + EXT))
    assert [p.name for p in tmp_path.iterdir() if p.name.endswith(".tmp")] == []


class _FailingFile:
    """A file that writes half of the data, then fails like a full disk."""

    def __init__(self, file):
        self.file = file

    def write(self, data):
        self.file.write(data[:len(data) // 2])
        raise OSError(28, "No space left on device")

    def __getattr__(self, name):
        return getattr(self.file, name)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.file.close()


@pytest.mark.parametrize("failure", ["rename", "write"])
def test_failed_save_leaves_old_files_intact(tmp_path, monkeypatch, failure):
    root = sample_tree()
    root.save(tmp_path)
    before = tree_files(tmp_path)
    root["amplifier"]["gain"]["value"] = 99
    if failure == "rename":
        def refuse(*args):
            raise PermissionError(13, "Permission denied")
        monkeypatch.setattr(os, "replace", refuse)
        expected = PermissionError
    else:
        real_fdopen = os.fdopen
        monkeypatch.setattr(os, "fdopen", lambda *a, **k: _FailingFile(real_fdopen(*a, **k)))
        expected = OSError
    with pytest.raises(expected):
        root.save(tmp_path)
    with pytest.raises(expected):
        root["amplifier"].save(tmp_path / ("amplifier" + EXT))
    monkeypatch.undo()
    assert tree_files(tmp_path) == before  # no temporary file left either
    assert ParameterDirectory.load(tmp_path) == sample_tree()


def test_saving_keeps_permissions_and_rewrites_only_changed_files(tmp_path):
    root = sample_tree()
    root.save(tmp_path)
    book = tmp_path / ("amplifier" + EXT)
    os.chmod(book, 0o640)
    stamps = {p: os.stat(tmp_path / p).st_ino for p in tree_files(tmp_path)}
    root["amplifier"]["gain"]["value"] = 2.5
    root.save(tmp_path)
    assert os.stat(book).st_mode & 0o777 == 0o640
    changed = {p for p in tree_files(tmp_path) if os.stat(tmp_path / p).st_ino != stamps[p]}
    assert changed == {"amplifier" + EXT}


def test_saving_into_a_directory_that_is_not_a_tree_keeps_what_was_there(tmp_path):
    (tmp_path / "Music" / "empty").mkdir(parents=True)
    kept = [write(tmp_path / "Music" / ("song" + EXT), GOOD_BOOK),
            write(tmp_path / ("notes" + EXT), GOOD_BOOK), tmp_path / "Music" / "empty"]
    sample_tree().save(tmp_path)
    assert all(path.exists() for path in kept)
    assert ParameterDirectory.load(tmp_path).names() == ["motors", "amplifier", "notes"]


def test_save_removes_what_was_deleted_but_keeps_what_others_added(tmp_path):
    # A hand-made tree: no index anywhere.
    write(tmp_path / ("a" + EXT), GOOD_BOOK)
    write(tmp_path / ("b" + EXT), GOOD_BOOK)
    (tmp_path / "sub").mkdir()
    write(tmp_path / "sub" / ("c" + EXT), GOOD_BOOK)
    root = ParameterDirectory.load(tmp_path)
    # Written by someone else while the tree is open in the editor.
    write(tmp_path / ("late" + EXT), GOOD_BOOK)
    ParameterDirectory([("x", ParameterBook())]).save(tmp_path / "copied")
    del root["a"], root["sub"]
    root.save(tmp_path)
    assert not (tmp_path / ("a" + EXT)).exists() and not (tmp_path / "sub").exists()
    assert ParameterDirectory.load(tmp_path).names() == ["b", "copied", "late"]
    # A tree replaced by a new empty one after loading (clearing everything).
    ParameterDirectory().save(tmp_path)
    assert ParameterDirectory.load(tmp_path).names() == []


def test_nothing_is_removed_when_a_later_write_fails(tmp_path, monkeypatch):
    root = sample_tree()
    root.save(tmp_path)
    del root["motors"]["axis"]
    real_replace = os.replace
    root_index = str(tmp_path / pt.IndexFileName)

    def replace(source, target):
        if str(target) == root_index:
            raise OSError(28, "No space left on device")
        real_replace(source, target)
    monkeypatch.setattr(os, "replace", replace)
    root["new"] = ParameterBook()
    with pytest.raises(OSError):
        root.save(tmp_path)
    assert (tmp_path / "motors" / ("axis" + EXT)).exists()
    monkeypatch.undo()
    root.save(tmp_path)  # the removal is still known and done now
    assert not (tmp_path / "motors" / ("axis" + EXT)).exists()
    assert ParameterDirectory.load(tmp_path) == root


@pytest.mark.parametrize("place", ["missing folder", "directory in the way"])
def test_write_errors_name_the_target_not_a_temporary_file(tmp_path, place):
    if place == "missing folder":
        target = tmp_path / "missing" / ("b" + EXT)
    else:
        target = tmp_path / ("b" + EXT)
        target.mkdir()
    with pytest.raises(OSError) as raised:
        ParameterBook().save(target)
    assert raised.value.filename == str(target) and ".tmp" not in str(raised.value)
    assert [p.name for p in tmp_path.iterdir() if p.name.endswith(".tmp")] == []
