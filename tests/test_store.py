"""The parameter store: merging what others changed since a load, the
folder's lock, crashed saves, durability, names and deep trees."""
import copy
import errno
import fcntl
import os
import pickle
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unicodedata

import pytest

from harness import folder_entries
import kvt_paratree as pt
from kvt_paratree import (Parameter, ParameterBook, ParameterConflictError, ParameterDirectory,
                          ParameterFileError, ParameterLockError)

EXT = "." + ParameterBook.ExtName
TOOLS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools")


def book(value):
    return ParameterBook([("p", Parameter({"v": value}))])


def value(tree, *names):
    for name in names:
        tree = tree[name]
    return tree["p"]["v"]


@pytest.fixture
def stored(tmp_path):
    """A folder holding motion/{a,b}, c and empty/, and two trees loaded
    from it (this process's and "another process's")."""
    ParameterDirectory([("motion", ParameterDirectory([("a", book(1)), ("b", book(2))])),
                        ("c", book(3)), ("empty", ParameterDirectory())]).save(tmp_path)
    return tmp_path, ParameterDirectory.load(tmp_path), ParameterDirectory.load(tmp_path)


def test_a_save_keeps_what_others_changed_added_and_deleted(stored):
    folder, mine, theirs = stored
    theirs["motion"]["b"]["p"]["v"] = 20       # a book this tree never touches
    theirs["motion"]["new"] = book(9)          # added through the model: the index lists it
    del theirs["c"]                            # deleted
    theirs["extra"] = ParameterDirectory([("x", book(5))])
    theirs.save(folder)
    assert mine.changed_on_disk() == ["c" + EXT, "extra/", "extra/x" + EXT, "motion/",
                                      "motion/b" + EXT, "motion/new" + EXT]
    mine["motion"]["a"]["p"]["v"] = 10
    mine["motion"]["late"] = book(4)
    mine.save(folder)
    loaded = ParameterDirectory.load(folder)
    assert loaded["motion"].names() == ["a", "b", "late", "new"]  # this order, then theirs
    assert (value(loaded, "motion", "a"), value(loaded, "motion", "b")) == (10, 20)
    assert loaded.names() == ["motion", "empty", "extra"]          # c stays deleted
    # This tree still holds its old copies; refresh brings the others' work in.
    assert mine.refresh() == []
    assert mine == loaded and not mine.is_modified() and mine.changed_on_disk() == []


@pytest.mark.parametrize("theirs_do, mine_do, expected", [
    (lambda t: t["motion"]["a"]["p"].__setitem__("v", 100),
     lambda t: t["motion"]["a"]["p"].__setitem__("v", 200), ["motion/a" + EXT]),
    (lambda t: t["motion"].__delitem__("a"),
     lambda t: t["motion"]["a"]["p"].__setitem__("v", 200), ["motion/a" + EXT]),
    (lambda t: t["motion"]["a"]["p"].__setitem__("v", 100),
     lambda t: t["motion"].__delitem__("a"), ["motion/a" + EXT]),
    (lambda t: t.__delitem__("motion"),
     lambda t: t["motion"].__setitem__("z", book(0)), ["motion/"]),
    (lambda t: t["motion"].__setitem__("z", book(0)),
     lambda t: t.__delitem__("motion"), ["motion/"]),
], ids=["changed both", "deleted there, changed here", "changed there, deleted here",
        "folder deleted there, added to here", "folder added to there, deleted here"])
def test_changes_on_both_sides_are_refused_and_written_only_with_overwrite(stored, theirs_do,
                                                                          mine_do, expected):
    folder, mine, theirs = stored
    theirs_do(theirs)
    theirs.save(folder)
    mine_do(mine)
    before = folder_entries(folder)
    with pytest.raises(ParameterConflictError) as raised:
        mine.save(folder)
    assert raised.value.conflicts == expected and expected[0] in str(raised.value)
    assert isinstance(raised.value, ParameterFileError)
    assert folder_entries(folder) == before
    assert mine.refresh() == expected and mine.is_modified()   # the conflict stays here
    mine.save(folder, overwrite=True)
    assert ParameterDirectory.load(folder) == mine


def test_the_same_change_on_both_sides_is_no_conflict(stored):
    folder, mine, theirs = stored
    for tree in (theirs, mine):
        tree["motion"]["a"]["p"]["v"] = 7
    theirs.save(folder)
    mine.save(folder)
    assert value(ParameterDirectory.load(folder), "motion", "a") == 7


def test_a_tree_that_never_was_there_makes_the_folder_hold_exactly_it(stored):
    folder, _mine, theirs = stored
    (folder / "notes.txt").write_text("mine")
    theirs["late"] = book(1)
    theirs.save(folder)
    fresh = ParameterDirectory([("c", book(30))])
    assert fresh.is_modified() and fresh.source_path is None and fresh.changed_on_disk() == []
    fresh.save(folder)
    assert ParameterDirectory.load(folder) == fresh and (folder / "notes.txt").exists()
    assert fresh.source_path == str(folder) and not fresh.is_modified()
    # Copies remember no folder: saving one makes the folder hold exactly it.
    for copied in (copy.deepcopy(fresh), pickle.loads(pickle.dumps(fresh))):
        assert copied == fresh and copied.source_path is None and copied.is_modified()


def test_refresh_brings_in_outside_changes_and_keeps_edits_here(stored):
    folder, mine, theirs = stored
    theirs["motion"]["b"]["p"]["v"] = 20
    theirs["added"] = ParameterDirectory([("q", book(8))])
    del theirs["empty"]
    theirs.save(folder)
    mine["c"]["p"]["v"] = 30
    assert mine.refresh() == []
    assert value(mine, "motion", "b") == 20 and value(mine, "added", "q") == 8
    assert "empty" not in mine and value(mine, "c") == 30
    assert mine.is_modified() and mine.changed_on_disk() == []
    mine.save(folder)
    assert ParameterDirectory.load(folder) == mine and not mine.is_modified()
    shutil.rmtree(folder)
    assert "motion/a" + EXT in mine.changed_on_disk()
    mine.save(folder)                  # a folder gone as a whole gets the whole tree
    assert ParameterDirectory.load(folder) == mine


def test_a_second_save_waits_for_the_lock_and_a_timeout_names_the_folder(stored):
    folder, mine, theirs = stored
    holder = os.open(str(folder), os.O_RDONLY)
    fcntl.flock(holder, fcntl.LOCK_EX)
    try:
        started = time.monotonic()
        with pytest.raises(ParameterLockError) as raised:
            mine.save(folder, timeout=0.3)
        assert time.monotonic() - started >= 0.3 and str(folder) in str(raised.value)
        with pytest.raises(ParameterLockError):
            ParameterDirectory.load(folder, timeout=0.1)
        threading.Timer(0.2, os.close, [holder]).start()
        mine["c"]["p"]["v"] = 4
        mine.save(folder)                      # waits, then saves as if alone
    finally:
        try:
            os.close(holder)
        except OSError:
            pass
    assert value(ParameterDirectory.load(folder), "c") == 4


def test_threads_saving_into_one_folder_never_interleave(tmp_path):
    trees = [ParameterDirectory([("only_%d" % i, book(i))] + [("s%02d" % j, book(i)) for j in range(30)])
             for i in range(4)]
    errors = []

    def save(tree):
        try:
            tree.save(tmp_path, sync=False)
        except Exception as exc:
            errors.append(exc)
    threads = [threading.Thread(target=save, args=(tree,)) for tree in trees]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == [] and ParameterDirectory.load(tmp_path) in trees
    assert not any(name.startswith(".kvt-") or name.startswith(".paratree-save")
                   for name in os.listdir(tmp_path))


CRASHING_SAVE = """
import os, sys
import kvt_paratree as pt
new = pt.ParameterDirectory([("a", pt.ParameterBook()), ("sub", pt.ParameterDirectory([("n", pt.ParameterBook())]))])
real_replace, renames = os.replace, []
def replace(source, target):
    renames.append(target)
    if len(renames) == int(sys.argv[2]):
        os._exit(9)                      # dies here, as if killed
    real_replace(source, target)
os.replace = replace
new.save(sys.argv[1])
"""


@pytest.mark.parametrize("dies_at, expected", [(1, "old"), (2, "new"), (3, "new")],
                         ids=["before the commit", "after the commit", "while installing"])
def test_a_crashed_save_is_read_through_and_finished_by_the_next_save(tmp_path, dies_at, expected):
    old = ParameterDirectory([("a", book(1)), ("gone", book(2))])
    old.save(tmp_path)
    # Hidden files an earlier version left when it was killed.
    (tmp_path / ".a.para.0badf00d.tmp").write_text("{}")
    (tmp_path / ".gone.para.12345678.old").write_text("{}")
    process = subprocess.run([sys.executable, "-c", CRASHING_SAVE, str(tmp_path), str(dies_at)],
                             env=dict(os.environ, PYTHONPATH=os.path.dirname(TOOLS)))
    assert process.returncode == 9
    new = ParameterDirectory([("a", ParameterBook()),
                              ("sub", ParameterDirectory([("n", ParameterBook())]))])
    before = folder_entries(tmp_path)
    assert ParameterDirectory.load(tmp_path) == (old if expected == "old" else new)
    assert folder_entries(tmp_path) == before              # the load wrote nothing
    assert any(name.startswith(".kvt-") for name in os.listdir(tmp_path))
    ParameterDirectory([("a", ParameterBook())]).save(tmp_path)   # any later save clears it all
    assert sorted(os.listdir(tmp_path)) == [".paratree.json", "a" + EXT]


@pytest.mark.skipif(shutil.which("strace") is None, reason="needs strace")
def test_killed_saves_leave_the_old_or_the_new_tree_sample(tmp_path):
    sys.path.insert(0, TOOLS)
    try:
        import store_harness
    finally:
        sys.path.remove(TOOLS)
    # In memory where there is some: a killed save does not care, syncing does.
    work = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else str(tmp_path))
    reports = []
    try:
        assert store_harness.crash(30, 3, 1, work, report=reports.append, ends=1) == [], reports
        assert store_harness.concurrent(2, 20, work, report=reports.append) == [], reports
    finally:
        shutil.rmtree(work, ignore_errors=True)


@pytest.mark.skipif(shutil.which("strace") is None, reason="needs strace")
@pytest.mark.parametrize("sync", [True, False])
def test_a_save_syncs_its_files_and_every_changed_folder(tmp_path, sync):
    ParameterDirectory([("old", ParameterDirectory([("x", book(1))]))]).save(tmp_path)
    script = ("import kvt_paratree as pt; t = pt.ParameterDirectory.load(%r); del t['old']; "
              "t['new'] = pt.ParameterDirectory([('b', pt.ParameterBook())]); t.save(%r, sync=%r)"
              % (str(tmp_path), str(tmp_path), sync))
    log = tmp_path.parent / (tmp_path.name + ".log")
    subprocess.run(["strace", "-f", "-y", "-qq", "-e", "trace=fsync,fdatasync", "-o", str(log),
                    sys.executable, "-c", script], check=True,
                   env=dict(os.environ, PYTHONPATH=os.path.dirname(TOOLS)))
    synced = set(line.split("<", 1)[1].split(">", 1)[0] for line in log.read_text().splitlines()
                 if "fsync(" in line)
    if not sync:
        assert synced == set()
        return
    # The journal, each staged file (by its temporary name) and each folder
    # whose entries changed, the parent of the one made included.
    assert {str(tmp_path), str(tmp_path / "new")} <= synced
    assert len([p for p in synced if os.path.dirname(p) == str(tmp_path / "new")]) == 2
    assert str(tmp_path / pt.store.JournalName) in synced


def test_new_names_that_collide_or_hide_on_some_system_are_refused(tmp_path):
    root = ParameterDirectory([("Motor", book(1)), ("MOTOR", ParameterDirectory())])
    nfc = unicodedata.normalize("NFC", "Größe")
    root[nfc] = book(1)
    for name, rule in [("motor", "letter case"), (unicodedata.normalize("NFD", nfc), "Unicode form"),
                       ("a\u200bb", "format character"), ("bom\ufeff", "format character"),
                       ("x\u2028y", "line separator"), ("x\u2029y", "paragraph separator"),
                       ("bad\udce9", "surrogate"), ("end\u3000", "ends with a space"),
                       ("end\u00a0", "ends with a space"), ("n" * 251, "too long")]:
        with pytest.raises(ValueError, match=rule):
            root[name] = book(2)
    root["n" * 250] = book(3)            # 255 bytes with the extension: saved, short temporaries
    root["Motor"] = book(5)              # replacing a child under its own name is no twin
    del root["Motor"]
    root["motor"] = book(4)              # once the twin is gone the name is free
    root.save(tmp_path)
    assert ParameterDirectory.load(tmp_path) == root
    # Files already on disk under such names still load, and save back unchanged.
    for name in ("MOTOR", "zw\u200bsp"):
        (tmp_path / (name + EXT)).write_bytes((tmp_path / ("motor" + EXT)).read_bytes())
    loaded = ParameterDirectory.load(tmp_path)
    assert {"MOTOR", "motor", "zw\u200bsp"} <= set(loaded.names())
    assert copy.deepcopy(loaded) == loaded
    loaded.save(tmp_path)


def test_trees_up_to_the_depth_limit_work_and_deeper_ones_are_refused(tmp_path):
    limit = pt.MaxTreeDepth
    deep = ParameterDirectory([("b", book(1))])
    for _level in range(limit - 1):
        deep = ParameterDirectory([("d", deep)])
    root = ParameterDirectory([("d", deep)])
    assert root.depth() == limit
    root.save(tmp_path / "t", sync=False)
    loaded = ParameterDirectory.load(tmp_path / "t")
    assert loaded == root and loaded != ParameterDirectory([("d", deep), ("x", book(1))])
    with pytest.raises(ValueError, match="at most %d levels" % limit):
        ParameterDirectory()["d"] = root
    # One level more made by hand: the load refuses it, naming the folder.
    below = tmp_path / "t" / os.path.join(*["d"] * limit)
    ParameterDirectory().save(below / "d")
    with pytest.raises(ParameterFileError, match="more than %d levels" % limit):
        ParameterDirectory.load(tmp_path / "t")


def test_errors_name_a_file_or_folder_a_user_knows(tmp_path, monkeypatch):
    real_open = os.open

    def refuse_new_files(path, flags, *args, **kwargs):
        if flags & os.O_CREAT:
            raise PermissionError(errno.EACCES, "Permission denied")
        return real_open(path, flags, *args, **kwargs)
    monkeypatch.setattr(os, "open", refuse_new_files)
    for save, named in ((lambda: book(1).save(tmp_path / ("b" + EXT)), tmp_path),
                        (lambda: ParameterDirectory([("b", book(1))]).save(tmp_path), tmp_path)):
        with pytest.raises(PermissionError) as raised:
            save()
        assert raised.value.filename == str(named) and raised.value.filename2 is None
        assert not str(raised.value).endswith("None")
    monkeypatch.undo()
    assert os.listdir(tmp_path) == []
