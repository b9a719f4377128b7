"""Hostile and damaged files for the parameter-tree model: every damaged book
or index fails its load with a ParameterFileError naming the file, names on
disk that a tree cannot hold are left alone, and links never take a load or
a save out of the tree."""
import builtins
import json
import os
import shutil
import sys
import time

import pytest

from harness import folder_entries
import kvt_paratree as pt
from kvt_paratree import Parameter, ParameterBook, ParameterDirectory, ParameterFileError

EXT = "." + ParameterBook.ExtName
LONG = bool(os.environ.get("KVT_LONG_TESTS"))


def sample():
    return ParameterDirectory([
        ("motors", ParameterDirectory([("axis", ParameterBook([("speed", Parameter({"v": 10}))]))])),
        ("amp", ParameterBook([("gain", Parameter({"v": [1.5, {"k": None}]}, {"en": "Gain"}))])),
    ])


def load_error(path):
    with pytest.raises(ParameterFileError) as raised:
        ParameterDirectory.load(path)
    return raised.value


# ------------------------------------------------------------ damaged books

def test_every_damaged_copy_of_a_book_loads_or_fails_naming_the_file(memory_folder):
    """Each prefix of a book file, and the file with one byte overwritten at
    each place, either loads or raises ParameterFileError naming the file;
    never another exception."""
    tmp_path = memory_folder
    sample()["amp"].save(tmp_path / ("good" + EXT))
    good = (tmp_path / ("good" + EXT)).read_bytes()
    path = tmp_path / ("b" + EXT)
    damaged = [good[:cut] for cut in range(len(good))]
    damaged += [good[:i] + byte + good[i + 1:] for i in range(len(good))
                for byte in (b"\xff", b'"', b"{", b"]", b"\x00", b"9")]
    loaded = 0
    for data in damaged:
        path.write_bytes(data)
        try:
            ParameterBook.load(path)
            loaded += 1
        except ParameterFileError as exc:
            assert exc.path == str(path) and str(exc).startswith(str(path) + ": ")
    assert 0 < loaded < len(damaged) // 2


SHAPES = [
    ({"parameters": {"p": {}}, "format": ["kvt-parameter-book"]}, "format is ['kvt-parameter-book']"),
    ({"version": "1", "parameters": {}}, "invalid format version '1'"),
    ({"version": True, "parameters": {}}, "invalid format version True"),
    ({"format": "kvt-parameter-book"}, '"parameters" is missing'),
    ({"parameters": None}, '"parameters" must be a JSON object, not null'),
    ([{"parameters": {}}], "JSON object at the top, not an array"),
    ("a book", "JSON object at the top, not a string"),
    ({"parameters": {"p": {"descriptions": {"": "x"}}}}, "non-empty locale"),
    ({"parameters": {"p": {"attributes": {"": 1}}}}, "invalid attribute name ''"),
    ({"parameters": {"": {}}}, "invalid parameter name ''"),
    ({"parameters": {"p\x00": {}}}, "invalid parameter name 'p\\x00'"),
]


@pytest.mark.parametrize("data, problem", SHAPES, ids=[p for _d, p in SHAPES])
def test_wrongly_shaped_books(tmp_path, data, problem):
    path = tmp_path / ("b" + EXT)
    path.write_text(json.dumps(data))
    with pytest.raises(ParameterFileError) as raised:
        ParameterBook.load(path)
    assert str(raised.value) == "%s: %s" % (path, raised.value.problem) and problem in str(raised.value)


@pytest.mark.parametrize("text, problem", [
    ('{"parameters": {"p": {}, "p": {"attributes": {"a": 1}}}}', "the key 'p' appears twice"),
    ('{"parameters": {"p": {"attributes": {"a": 1, "a": 2}}}}', "the key 'a' appears twice"),
    pytest.param('{"parameters": {"p": {"attributes": {"n": %s}}}}' % ("9" * 5000), "not readable",
                 marks=pytest.mark.skipif(not hasattr(sys, "get_int_max_str_digits"),
                                          reason="this Python reads integers of any length (the "
                                          "value loads and saves back unchanged)")),
    ('{"parameters": {"p": {"attributes": {"deep": %s1%s}}}}' % ("[" * 300, "]" * 300),
     "nested too deeply"),
    ('{"a":' * 100000, "nested too deeply"),
], ids=["duplicate parameter", "duplicate attribute", "5000 digits", "deep value", "deep garbage"])
def test_books_that_would_lose_data_or_fail_later_are_refused(tmp_path, text, problem):
    """Rather than keep one of two values, or load a value the next save
    would refuse."""
    path = tmp_path / ("b" + EXT)
    path.write_text(text)
    with pytest.raises(ParameterFileError, match="^%s: .*%s" % (path, problem)):
        ParameterBook.load(path)


def test_lone_surrogates_read_from_a_file_come_back_the_same(tmp_path):
    path = tmp_path / ("b" + EXT)
    path.write_text('{"parameters": {"p\\ud800": {"attributes": {"a": "x\\udfff"}}}}')
    book = ParameterBook.load(path)
    book.save(tmp_path / ("copy" + EXT))
    again = ParameterBook.load(tmp_path / ("copy" + EXT))
    assert again == book and again["p\ud800"]["a"] == "x\udfff"


def test_huge_books_load_quickly_and_huge_garbage_fails_quickly(tmp_path):
    count = 600000 if LONG else 30000  # about 60 or 3 MB
    parameters = {"p%d" % i: {"descriptions": {"en": "parameter %d" % i},
                              "attributes": {"v": i, "l": [i, "x"]}} for i in range(count)}
    path = tmp_path / ("big" + EXT)
    path.write_text(json.dumps({"parameters": parameters}))
    start = time.monotonic()
    book = ParameterBook.load(path)
    assert len(book) == count and book["p%d" % (count - 1)]["l"] == [count - 1, "x"]
    assert time.monotonic() - start < 30
    path.write_bytes(b'{"parameters": {' + b'"p": 1, ' * (count * 10) + b"!")
    with pytest.raises(ParameterFileError, match="not valid JSON"):
        ParameterBook.load(path)


# -------------------------------------------------------- names on the disk

HAND_MADE = [b"back\\slash", b"ctrl\x01char", b"tab\there", b".", b"..", b"CON", b"trailing ",
             b"a:b", b'q"uote', b"two.dots", b" "]


def test_names_a_tree_cannot_hold_are_left_alone(tmp_path):
    folder = os.fsencode(tmp_path)
    for name in HAND_MADE:
        with open(os.path.join(folder, name + b".para"), "wb") as file:
            file.write(b'{"parameters": {}}')
        if name not in (b".", b".."):
            # Never read: a damaged book inside would fail the load.
            os.mkdir(os.path.join(folder, name))
            with open(os.path.join(folder, name, b"x.para"), "wb") as file:
                file.write(b"not even JSON")
    os.mkdir(tmp_path / "real")
    before = folder_entries(tmp_path)
    loaded = ParameterDirectory.load(tmp_path)
    assert loaded.names() == ["real"]
    loaded["real"]["new"] = ParameterBook()
    loaded.save(tmp_path)
    after = folder_entries(tmp_path)
    assert {k: after.get(k) for k in before} == before
    assert sorted(set(after) - set(before)) == [pt.IndexFileName, os.path.join("real", pt.IndexFileName),
                                                os.path.join("real", "new" + EXT)]


def test_a_name_that_is_not_utf8_on_disk_round_trips(tmp_path):
    name = os.path.join(os.fsencode(tmp_path), b"caf\xe9.para")
    with open(name, "wb") as file:
        file.write(b'{"parameters": {"p": {"attributes": {"v": 1}}}}')
    loaded = ParameterDirectory.load(tmp_path)
    assert loaded.names() == ["caf\udce9"]
    loaded["other"] = ParameterBook()
    loaded.save(tmp_path)
    assert ParameterDirectory.load(tmp_path) == loaded
    assert sorted(os.listdir(os.fsencode(tmp_path))) == [b".paratree.json", b"caf\xe9.para",
                                                         b"other.para"]
    with pytest.raises(ValueError, match="cannot be a file name"):
        loaded["\ud800"] = ParameterBook()


# -------------------------------------------------------------- the index

@pytest.mark.parametrize("items, problem", [
    (["../amp"], "invalid item name '../amp'"),
    (["/etc/passwd"], "invalid item name '/etc/passwd'"),
    (["motors/axis"], "invalid item name 'motors/axis'"),
    (["..//"], "invalid item name '..//'"),
    (["amp", "amp"], "item 'amp' is listed twice"),
    ([1], "items must be strings, not a number"),
    ({"amp": 1}, '"items" must be a JSON array, not an object'),
])
def test_hostile_index_fails_the_load_and_saving_repairs_it(tmp_path, items, problem):
    sample().save(tmp_path / "tree")
    (tmp_path / "outside").mkdir()
    (tmp_path / ("amp" + EXT)).write_bytes(b"outside the tree")
    index = tmp_path / "tree" / pt.IndexFileName
    index.write_text(json.dumps({"items": items}))
    error = load_error(tmp_path / "tree")
    assert error.path == str(index) and problem in str(error)
    sample().save(tmp_path / "tree")
    assert ParameterDirectory.load(tmp_path / "tree") == sample()
    assert (tmp_path / ("amp" + EXT)).read_bytes() == b"outside the tree"
    assert sorted(os.listdir(tmp_path)) == ["amp" + EXT, "outside", "tree"]


def test_index_entries_missing_from_the_disk_are_skipped(tmp_path):
    sample().save(tmp_path)
    index = tmp_path / pt.IndexFileName
    index.write_text(json.dumps({"items": ["ghost", "ghost_dir/", "amp", "motors/"]}))
    assert ParameterDirectory.load(tmp_path).names() == ["amp", "motors"]


def test_an_index_that_is_a_directory_is_left_alone(tmp_path):
    (tmp_path / pt.IndexFileName).mkdir()
    (tmp_path / pt.IndexFileName / "mine.txt").write_bytes(b"x")
    assert ParameterDirectory.load(tmp_path).names() == []
    with pytest.raises(IsADirectoryError):
        sample().save(tmp_path)
    assert folder_entries(tmp_path) == {pt.IndexFileName + "/": None,
                                     os.path.join(pt.IndexFileName, "mine.txt"): b"x"}


# -------------------------------------------------------------------- links

@pytest.fixture
def places(tmp_path):
    """A saved tree and, beside it, a folder that is not part of it."""
    tree, outside = tmp_path / "tree", tmp_path / "outside"
    sample().save(tree)
    outside.mkdir()
    ParameterBook([("secret", Parameter({"v": "outside"}))]).save(outside / ("secret" + EXT))
    ParameterDirectory([("x", ParameterBook())]).save(outside / "folder")  # with an index
    return tree, outside


@pytest.fixture
def opened(monkeypatch):
    """The real paths of the files and folders the model reads."""
    paths = []
    real_open, real_scandir = builtins.open, os.scandir

    def record_open(path, *args, **kwargs):
        paths.append(os.path.realpath(path))
        return real_open(path, *args, **kwargs)

    def record_scandir(path="."):
        paths.append(os.path.realpath(path))
        return real_scandir(path)
    monkeypatch.setattr(pt, "open", record_open, raising=False)
    monkeypatch.setattr(os, "scandir", record_scandir)
    return paths


LINKS = {
    "book": ("linked" + EXT, os.path.join("..", "outside", "secret" + EXT)),
    "absolute book": ("linked" + EXT, None),
    "directory": ("linked", os.path.join("..", "outside", "folder")),
    "index": (pt.IndexFileName, os.path.join("..", "outside", "secret" + EXT)),
    "deeper book": (os.path.join("motors", "linked" + EXT), os.path.join("..", "..", "outside",
                                                                         "secret" + EXT)),
}


@pytest.mark.parametrize("kind", list(LINKS))
def test_links_out_of_the_tree_are_refused_on_load_and_save(places, opened, kind):
    tree, outside = places
    name, target = LINKS[kind]
    if target is None:
        target = str(outside / ("secret" + EXT))
    link = tree / name
    if link.exists():
        link.unlink()
    os.symlink(target, link)
    before, outside_before = folder_entries(tree), folder_entries(outside)
    opened.clear()
    error = load_error(tree)
    assert error.path == str(link) and "outside the parameter tree" in str(error)
    root = sample()
    if kind != "index":
        parent = root["motors"] if kind == "deeper book" else root
        parent["linked"] = ParameterDirectory() if kind == "directory" else ParameterBook()
    with pytest.raises(ParameterFileError) as raised:
        root.save(tree)
    assert not [p for p in opened if p.startswith(str(outside))]
    assert raised.value.path == str(link)
    assert folder_entries(tree) == before and folder_entries(outside) == outside_before


def test_a_link_to_a_directory_of_the_same_tree_is_refused(places):
    tree, _outside = places
    os.symlink("motors", tree / "again")
    (tree / "motors" / "loop").symlink_to("..")
    for link in ("again", os.path.join("motors", "loop")):
        error = load_error(tree)
        assert "already part of the tree" in str(error)
        os.unlink(tree / link)
    assert ParameterDirectory.load(tree) == sample()
    os.symlink("motors", tree / "again")
    root = sample()
    root["again"] = ParameterDirectory([("axis", ParameterBook())])
    with pytest.raises(ParameterFileError, match="same directory as another"):
        root.save(tree)
    assert ParameterDirectory.load(tree / "motors") == sample()["motors"]


def test_links_inside_the_tree(places):
    tree, _outside = places
    os.symlink("amp" + EXT, tree / ("alias" + EXT))
    loaded = ParameterDirectory.load(tree)
    assert loaded["alias"] == loaded["amp"]
    # Unchanged, the link stays; changed, it becomes a file of its own and
    # what it led to keeps its content.
    loaded.save(tree)
    assert os.path.islink(tree / ("alias" + EXT))
    loaded["alias"]["gain"]["v"] = 2
    loaded.save(tree)
    assert not os.path.islink(tree / ("alias" + EXT))
    assert ParameterDirectory.load(tree) == loaded
    assert ParameterBook.load(tree / ("amp" + EXT)) == sample()["amp"]


def test_a_linked_tree_root_is_followed(places, tmp_path):
    tree, _outside = places
    os.symlink("tree", tmp_path / "shortcut")
    loaded = ParameterDirectory.load(tmp_path / "shortcut")
    assert loaded == sample()
    loaded["new"] = ParameterBook()
    loaded.save(tmp_path / "shortcut")
    assert os.path.islink(tmp_path / "shortcut") and (tree / ("new" + EXT)).is_file()


def test_removing_a_linked_entry_removes_only_the_link(places):
    tree, outside = places
    root = ParameterDirectory.load(tree)
    root["gone"] = ParameterDirectory()
    root.save(tree)
    shutil.rmtree(tree / "gone")
    os.symlink(outside / "folder", tree / "gone")  # swapped for a link by someone
    outside_before = folder_entries(outside)
    del root["gone"]
    root.save(tree)
    assert not os.path.lexists(tree / "gone") and folder_entries(outside) == outside_before
