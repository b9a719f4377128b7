"""Small helpers shared by the tools: a file-system observer and a progress
record for long-running work.

Only the names exist so far; their behaviour comes later.
"""
import hashlib
import os
import stat
import time

from watchdog.utils.dirsnapshot import DirectorySnapshot, DirectorySnapshotDiff


def _not_yet(what):
    raise NotImplementedError("kvt_handy.%s is not implemented yet" % what)


class FileSystemObserver:
    """Watches everything below a path from construction until close();
    afterwards `changed` tells whether anything there was created, deleted,
    modified or moved meanwhile.

    It compares two directory snapshots (paths, inodes, sizes and
    modification times).  File time stamps are coarse, so a file written just
    before the first snapshot could be rewritten with the same size and time
    stamp; the content of such recently written files is therefore compared
    too.  A path that does not exist is watched as an empty place: creating it
    counts as a change.  Usable as a context manager that closes on exit."""

    # Files modified less than this many seconds before the first snapshot
    # also have their content compared.
    RecentSeconds = 2.0

    def __init__(self, path):
        self.path = os.fspath(path)
        self.changed = False
        self.closed = False
        self._before = _snapshot(self.path)
        self._digests = _recent_file_digests(self._before, time.time() - self.RecentSeconds)

    def close(self):
        """Take the second snapshot and set `changed`; later calls keep the
        first result."""
        if self.closed:
            return
        after = _snapshot(self.path)
        before, digests = self._before, self._digests
        self._before = self._digests = None
        self.closed = True
        if before is None or after is None:
            self.changed = before is not after
            return
        diff = DirectorySnapshotDiff(before, after)
        self.changed = bool(
            diff.files_created or diff.files_deleted or diff.files_modified or diff.files_moved
            or diff.dirs_created or diff.dirs_deleted or diff.dirs_modified or diff.dirs_moved
            or any(_file_digest(path) != digest for path, digest in digests.items()))

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()
        return False


def _snapshot(path):
    try:
        return DirectorySnapshot(path, recursive=True)
    except FileNotFoundError:
        return None


def _recent_file_digests(snapshot, since):
    digests = {}
    if snapshot is not None:
        for path in snapshot.paths:
            info = snapshot.stat_info(path)
            if stat.S_ISREG(info.st_mode) and info.st_mtime >= since:
                digests[path] = _file_digest(path)
    return digests


def _file_digest(path):
    """SHA-256 of a file's content; None when it cannot be read."""
    digest = hashlib.sha256()
    try:
        with open(path, "rb") as file:
            for block in iter(lambda: file.read(1 << 16), b""):
                digest.update(block)
    except OSError:
        return None
    return digest.digest()


class Progress:
    """Progress of a piece of work, updated by the worker and read by a
    progress display: a name, the amount done, the total and a status."""

    def __init__(self, *args, **kwargs):
        _not_yet("Progress")
