"""Saving a tree while the file system fails at one step: for every step of
a save, the save either fails and leaves the disk exactly as it was (and the
model untouched), or it has committed and leaves the whole new tree."""
import copy
import errno
import os

import pytest

from harness import folder_entries
import kvt_paratree as pt
from kvt_paratree import Parameter, ParameterBook, ParameterDirectory

EXT = "." + ParameterBook.ExtName


class Injected(OSError):
    pass


class Faults:
    """Counts the file-system calls of the model and makes the k-th one
    fail (a write fails half-way, as on a full disk)."""

    OS_CALLS = ("open", "fdopen", "fsync", "chmod", "link", "replace", "rename", "unlink", "mkdir",
                "rmdir", "stat", "scandir")

    def __init__(self, fail_at=None, hard_links=True):
        self.fail_at, self.hard_links = fail_at, hard_links
        self.calls = []

    def step(self, name):
        self.calls.append(name)
        if len(self.calls) == self.fail_at:
            raise Injected(errno.EIO, "injected failure of %s" % name)

    def wrap(self, name, real):
        def call(*args, **kwargs):
            self.step(name)
            return real(*args, **kwargs)
        return call

    def __enter__(self):
        self.saved = {name: getattr(os, name) for name in self.OS_CALLS}
        for name, real in self.saved.items():
            setattr(os, name, self.wrap(name, real))
        real_fdopen, faults = self.saved["fdopen"], self

        class File:
            def __init__(self, file):
                self.file = file

            def write(self, data):
                if len(faults.calls) + 1 == faults.fail_at:
                    self.file.write(data[:len(data) // 2])
                faults.step("write")
                return self.file.write(data)

            def flush(self):
                faults.step("flush")
                self.file.flush()

            def fileno(self):
                return self.file.fileno()

            def __enter__(self):
                return self

            def __exit__(self, *exc):
                self.file.close()  # the descriptor is gone even when close fails
                faults.step("close")

        os.fdopen = lambda *a, **k: File(self.wrap("fdopen", real_fdopen)(*a, **k))
        real_link = self.saved["link"]
        if not self.hard_links:
            def no_link(*args, **kwargs):
                self.step("link")
                raise OSError(errno.EPERM, "Operation not permitted")
            os.link = no_link
        else:
            os.link = self.wrap("link", real_link)
        pt.store.open = self.wrap("read", open)
        return self

    def __exit__(self, *exc):
        for name, real in self.saved.items():
            setattr(os, name, real)
        del pt.store.open


def book(*names, value=1):
    return ParameterBook([(n, Parameter({"v": value, "list": [n, value]}, {"en": n})) for n in names])


def old_tree():
    return ParameterDirectory([
        ("motors", ParameterDirectory([("axis", book("speed")), ("spare", book("a", "b"))])),
        ("amplifier", book("gain", "offset")),
        ("gone", book("x")),
        ("old_dir", ParameterDirectory([("inner", ParameterDirectory([("deep", book("y"))]))])),
        ("kept_dir", ParameterDirectory([("z", book("z"))])),
    ])


def changed_tree():
    root = old_tree()
    root["amplifier"]["gain"]["v"] = 2.5                     # changed
    del root["gone"], root["old_dir"], root["kept_dir"]     # removed
    motors = root["motors"]
    motors["axis2"] = motors["axis"]                         # renamed
    del motors["axis"]
    root["new"] = book("n")                                  # added
    root["new_dir"] = ParameterDirectory([("inside", book("i"))])
    return root


def prepare_empty(path):
    path.mkdir()


def prepare_old_tree(path):
    old_tree().save(path)
    # Someone else's file inside a directory the tree drops: it stays.
    (path / "kept_dir" / "readme.txt").write_bytes(b"keep me")


def prepare_foreign(path):
    path.mkdir()
    (path / "notes.txt").write_bytes(b"mine")
    (path / "Music").mkdir()
    (path / "Music" / ("song" + EXT)).write_bytes(b'{"parameters": {}}')
    (path / ("amplifier" + EXT + ".bak")).write_bytes(b"an old copy")


SCENARIOS = {
    "first save into an empty folder": (prepare_empty, old_tree, ""),
    "first save into missing folders": (lambda path: None, old_tree, os.path.join("a", "b")),
    "re-save with changes": (prepare_old_tree, changed_tree, ""),
    "save beside unrelated files": (prepare_foreign, old_tree, ""),
}


def run_save(model, target, faults):
    with faults:
        model.save(target)


@pytest.mark.parametrize("scenario, hard_links",
                         [(name, True) for name in SCENARIOS] + [("re-save with changes", False)],
                         ids=list(SCENARIOS) + ["re-save without hard links"])
def test_a_failure_at_any_step_leaves_the_old_or_the_whole_new_tree(memory_folder, scenario, hard_links):
    prepare, make_model, below = SCENARIOS[scenario]

    def fresh(name):
        folder = memory_folder / name
        prepare(folder)
        return folder, os.path.join(folder, below) if below else str(folder)

    # A clean run gives the steps, the commit point and the expected result.
    reference, target = fresh("reference")
    clean = Faults(hard_links=hard_links)
    run_save(make_model(), target, clean)
    expected = folder_entries(reference)
    assert ParameterDirectory.load(target) == make_model()
    steps = len(clean.calls)
    commit = max(i for i, name in enumerate(clean.calls, 1) if name in ("replace", "rename"))
    assert {"mkdir", "write", "replace"} <= set(clean.calls[:commit])

    outcomes = set()
    for k in range(1, steps + 1):
        folder, target = fresh("run%d" % k)
        before = folder_entries(folder)
        model = make_model()
        model_before = copy.deepcopy(model)
        try:
            run_save(model, target, Faults(fail_at=k, hard_links=hard_links))
        except OSError as exc:
            # A save that raises has changed nothing.
            outcomes.add("failed")
            assert k <= commit, "step %d (%s) is after the commit point" % (k, clean.calls[k - 1])
            assert folder_entries(folder) == before, "step %d: %s" % (k, clean.calls[k - 1])
            assert exc.filename is None or ".tmp" not in exc.filename
        else:
            # A save that returns has saved everything (a failed check of
            # unchanged content only makes it rewrite a file).
            outcomes.add("committed" if k > commit else "absorbed")
            assert ParameterDirectory.load(target) == model
            # At most a hidden leftover that the next save removes.
            extra = set(folder_entries(folder)) - set(expected)
            assert all(os.path.basename(p.rstrip("/")).startswith(".") or p.endswith("/")
                       for p in extra), extra
        assert model == model_before
        # Whatever happened, the next save finishes the job.
        model.save(target)
        assert folder_entries(folder) == expected, "step %d: %s" % (k, clean.calls[k - 1])
        assert not (folder / pt.store.JournalName).exists()
        assert not (folder / pt.store.CommitName).exists()
    assert {"failed", "committed"} <= outcomes


def test_failures_after_the_commit_point_are_not_reported_and_are_tidied_later(memory_folder):
    prepare_old_tree(memory_folder)
    # Make the deletion of every kept-aside file fail once.
    real_unlink, failed = os.unlink, []

    def unlink(path, *args, **kwargs):
        if path.endswith(".old") and path not in failed:
            failed.append(path)
            raise OSError(errno.EBUSY, "Device or resource busy")
        real_unlink(path, *args, **kwargs)
    os.unlink = unlink
    try:
        root = changed_tree()
        root.save(memory_folder)  # no exception: the tree is saved
    finally:
        os.unlink = real_unlink
    assert failed and ParameterDirectory.load(memory_folder) == root
    # The commit record keeps what is left to do, for any process.
    assert (memory_folder / pt.store.CommitName).exists()
    assert all(os.path.exists(p) for p in failed)
    ParameterDirectory.load(memory_folder).save(memory_folder)  # the next save finishes it
    assert not any(os.path.exists(p) for p in failed)
    assert not (memory_folder / pt.store.CommitName).exists()
    assert not (memory_folder / "old_dir").exists()
    assert os.listdir(memory_folder / "kept_dir") == ["readme.txt"]


@pytest.mark.parametrize("exists", [True, False], ids=["replace a book", "new book"])
def test_single_book_save_fails_cleanly_at_every_step(memory_folder, exists):
    path = memory_folder / ("b" + EXT)
    if exists:
        book("old").save(path)
    clean = Faults()
    with clean:
        book("new").save(memory_folder / ("reference" + EXT))
    for k in range(1, len(clean.calls) + 1):
        before = folder_entries(memory_folder)
        try:
            with Faults(fail_at=k):
                book("new").save(path)
        except OSError as exc:
            assert exc.filename == str(path)
            assert folder_entries(memory_folder) == before
        else:
            assert ParameterBook.load(path) == book("new")
        if path.exists():
            path.unlink()
        if exists:
            book("old").save(path)
