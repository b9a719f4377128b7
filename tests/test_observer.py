"""FileSystemObserver: whether anything below a path changed between its
construction and close()."""
import os

import pytest

from harness import run_python
from kvt_handy import FileSystemObserver


@pytest.fixture
def tree(tmp_path):
    (tmp_path / "sub" / "deeper").mkdir(parents=True)
    (tmp_path / "a.txt").write_text("alpha")
    (tmp_path / "sub" / "deeper" / "b.txt").write_text("beta")
    return tmp_path


def create_file(tree):
    (tree / "sub" / "deeper" / "new.txt").write_text("new")


def create_directory(tree):
    (tree / "sub" / "new").mkdir()


def delete_file(tree):
    (tree / "sub" / "deeper" / "b.txt").unlink()


def delete_directory(tree):
    (tree / "sub" / "deeper" / "b.txt").unlink()
    (tree / "sub" / "deeper").rmdir()


def modify_file(tree):
    (tree / "sub" / "deeper" / "b.txt").write_text("beta, longer")


def modify_keeping_size_and_time(tree):
    # Coarse time stamps (or a tool that restores them) can hide a rewrite.
    path = tree / "a.txt"
    before = os.stat(path)
    path.write_text("ALPHA")
    os.utime(path, ns=(before.st_atime_ns, before.st_mtime_ns))


def move_file(tree):
    os.rename(tree / "a.txt", tree / "sub" / "a.txt")


def read_only(tree):
    (tree / "a.txt").read_text()
    os.listdir(tree / "sub")


@pytest.mark.parametrize("action, changed", [
    (create_file, True), (create_directory, True), (delete_file, True), (delete_directory, True),
    (modify_file, True), (modify_keeping_size_and_time, True), (move_file, True),
    (read_only, False)], ids=lambda v: getattr(v, "__name__", str(v)))
def test_changes_below_the_path_are_seen(tree, action, changed):
    observer = FileSystemObserver(str(tree))
    assert observer.changed is False
    action(tree)
    observer.close()
    assert observer.changed is changed


def test_changes_beside_the_path_are_not_seen_and_close_is_final(tree):
    with FileSystemObserver(tree / "sub") as observer:
        (tree / "a.txt").write_text("changed outside")
    assert observer.changed is False
    create_file(tree)
    observer.close()
    assert observer.changed is False


def test_a_missing_path_counts_as_empty(tmp_path):
    observer = FileSystemObserver(tmp_path / "later")
    (tmp_path / "later").mkdir()
    observer.close()
    assert observer.changed is True
    with FileSystemObserver(tmp_path / "never") as observer:
        pass
    assert observer.changed is False


def test_links_are_followed_but_loops_are_walked_once(tree, tmp_path_factory):
    outside = tmp_path_factory.mktemp("outside")
    (outside / "shared.txt").write_text("shared")
    os.symlink(outside, tree / "linked")
    os.symlink("..", tree / "sub" / "up")
    os.symlink("..", tree / "sub" / "deeper" / "up")
    # Each loop multiplies a naive walk; run it where a hang fails the test.
    result = run_python("""
        from kvt_handy import FileSystemObserver
        observer = FileSystemObserver(%r)
        with open(%r, "w") as file:
            file.write("changed through the link")
        observer.close()
        report(observer.changed)
    """ % (str(tree), str(outside / "shared.txt")), timeout=20)
    assert result.rc == 0, result
    assert result.data is True
