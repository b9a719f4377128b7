"""Small helpers shared by the tools: a file-system observer, a progress
record for long-running work, and the translation of the texts the tools show.
"""
import enum
import hashlib
import importlib.util
import os
import stat
import threading
import time
from typing import TYPE_CHECKING, Any, Dict, Optional, Tuple, Union

from watchdog.utils import dirsnapshot

# watchdog's snapshots carry type information in its newer releases only:
# they are used untyped, so that the same code checks against either.
_snapshots = dirsnapshot  # type: Any

if TYPE_CHECKING:
    from typing_extensions import Literal


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

    def __init__(self, path: "Union[str, os.PathLike[str]]") -> None:
        self.path = os.fspath(path)
        self.changed = False
        self.closed = False
        self._before = _snapshot(self.path)  # type: Any
        self._digests = _recent_file_digests(
            self._before, time.time() - self.RecentSeconds)  # type: Optional[Dict[str, Optional[bytes]]]

    def close(self) -> None:
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
        diff = _snapshots.DirectorySnapshotDiff(before, after)
        self.changed = bool(
            diff.files_created or diff.files_deleted or diff.files_modified or diff.files_moved
            or diff.dirs_created or diff.dirs_deleted or diff.dirs_modified or diff.dirs_moved
            or any(_file_digest(path) != digest for path, digest in (digests or {}).items()))

    def __enter__(self) -> "FileSystemObserver":
        return self

    def __exit__(self, *exc_info: object) -> "Literal[False]":
        self.close()
        return False


def _snapshot(path: str) -> Any:
    """Stat records of `path` and everything below it; None when `path` does
    not exist.  Links to directories are followed, as the parameter-tree
    model follows them, but every directory is walked once only: a link back
    up the tree or to a directory already seen is recorded as the link
    itself, so link loops can neither make the walk endless nor multiply it."""
    entered = set()

    def stat_once(entry_path: str) -> os.stat_result:
        try:
            info = os.stat(entry_path)
        except OSError:
            return os.lstat(entry_path)  # a dangling link is recorded as itself
        if stat.S_ISDIR(info.st_mode):
            key = (info.st_dev, info.st_ino)
            if key in entered:
                link = os.lstat(entry_path)
                if stat.S_ISLNK(link.st_mode):
                    return link
            entered.add(key)
        return info

    try:
        return _snapshots.DirectorySnapshot(path, recursive=True, stat=stat_once)
    except FileNotFoundError:
        return None


def _recent_file_digests(snapshot: Any, since: float) -> Dict[str, Optional[bytes]]:
    digests = {}  # type: Dict[str, Optional[bytes]]
    if snapshot is not None:
        for path in snapshot.paths:
            info = snapshot.stat_info(path)
            if stat.S_ISREG(info.st_mode) and info.st_mtime >= since:
                digests[path] = _file_digest(path)
    return digests


def _file_digest(path: str) -> Optional[bytes]:
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
    progress display: a name, the amount done, the total and a status.

    Every member may be read from one thread (the GUI's) while another one
    (the worker's) updates it: each change happens under a lock, so a reader
    never sees a count above the total or a half-made change, and counts
    added from several threads are never lost.  `snapshot()` reads all four
    members at once.

    The work starts `Running`.  It ends once, by `finish()` (`Done`),
    `fail()` (`Failed`) or `cancel()` (`Cancelled`); the first end wins, and
    after it the counts no longer change, so a worker told to stop by
    `cancel()` from another thread can see it in what `advance()` returns::

        progress = Progress("Copying", subtotal=len(files))
        for f in files:
            copy(f)
            if not progress.advance():
                break           # cancelled meanwhile
        progress.finish()
    """

    class Status(enum.Enum):
        """The state of the work: running, or how it ended."""
        Running = "running"
        Done = "done"
        Failed = "failed"
        Cancelled = "cancelled"

    def __init__(self, name: str = "", subtotal: int = 0) -> None:
        _check_name(name)
        _check_count("subtotal", subtotal)
        self._lock = threading.Lock()
        self._name = name
        self._progress = 0
        self._subtotal = subtotal
        self._status = Progress.Status.Running
        self._error = None  # type: object

    def __repr__(self) -> str:
        name, progress, subtotal, status = self.snapshot()
        return "<Progress %r %d / %d %s>" % (name, progress, subtotal, status.name)

    # -- reading -----------------------------------------------------------

    @property
    def name(self) -> str:
        """What the work is called, for display."""
        with self._lock:
            return self._name

    @property
    def progress(self) -> int:
        """The amount of work done so far (0 to `subtotal`)."""
        with self._lock:
            return self._progress

    @property
    def subtotal(self) -> int:
        """The total amount of work."""
        with self._lock:
            return self._subtotal

    @property
    def status(self) -> "Progress.Status":
        """`Status.Running` until the work ends, then how it ended."""
        with self._lock:
            return self._status

    @property
    def error(self) -> object:
        """What `fail()` was given (usually the exception), else None."""
        with self._lock:
            return self._error

    @property
    def running(self) -> bool:
        """True until the work has ended, however it ended."""
        return self.status is Progress.Status.Running

    def snapshot(self) -> "Tuple[str, int, int, Progress.Status]":
        """`(name, progress, subtotal, status)`, all read at one moment."""
        with self._lock:
            return self._name, self._progress, self._subtotal, self._status

    # -- the worker's side ---------------------------------------------------

    def advance(self, step: int = 1) -> bool:
        """Adds `step` to the amount done.  Returns False, changing nothing,
        once the work has ended (for example cancelled from elsewhere).
        Raises ValueError when the count would leave 0 to `subtotal`."""
        _check_int("step", step)
        with self._lock:
            if self._status is not Progress.Status.Running:
                return False
            _check_range(self._progress + step, self._subtotal)
            self._progress += step
            return True

    def update(self, progress: Optional[int] = None, subtotal: Optional[int] = None,
               name: Optional[str] = None) -> bool:
        """Sets any of the amount done, the total and the name at once.
        Returns False, changing nothing, once the work has ended.  Raises
        ValueError when the amount done would exceed the total."""
        if progress is not None:
            _check_count("progress", progress)
        if subtotal is not None:
            _check_count("subtotal", subtotal)
        if name is not None:
            _check_name(name)
        with self._lock:
            if self._status is not Progress.Status.Running:
                return False
            new_progress = self._progress if progress is None else progress
            new_subtotal = self._subtotal if subtotal is None else subtotal
            _check_range(new_progress, new_subtotal)
            self._progress, self._subtotal = new_progress, new_subtotal
            if name is not None:
                self._name = name
            return True

    # -- ending --------------------------------------------------------------

    def finish(self) -> bool:
        """Ends the work as `Done`.  True if this call ended it."""
        return self._end(Progress.Status.Done, None)

    def fail(self, error: object = None) -> bool:
        """Ends the work as `Failed`, keeping `error` (usually the exception
        that stopped it).  True if this call ended it."""
        return self._end(Progress.Status.Failed, error)

    def cancel(self) -> bool:
        """Ends the work as `Cancelled`; may be called from any thread, and
        the worker learns of it from `advance()`, `update()` or `running`.
        True if this call ended it."""
        return self._end(Progress.Status.Cancelled, None)

    def _end(self, status: "Progress.Status", error: object) -> bool:
        with self._lock:
            if self._status is not Progress.Status.Running:
                return False
            self._status = status
            self._error = error
            return True


def _check_int(what: str, value: object) -> None:
    # bool is an int to Python, but never a count.
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError("%s must be an int, not %s" % (what, type(value).__name__))


def _check_count(what: str, value: int) -> None:
    _check_int(what, value)
    if value < 0:
        raise ValueError("%s must not be negative, got %d" % (what, value))


def _check_range(progress: int, subtotal: int) -> None:
    if not 0 <= progress <= subtotal:
        raise ValueError("progress %d is outside 0 to %d" % (progress, subtotal))


def _check_name(name: object) -> None:
    if not isinstance(name, str):
        raise TypeError("name must be a str, not %s" % type(name).__name__)


# ------------------------------------------------------------ translations --

# The gettext domain of every text that kvt_wxtools and its sibling modules
# show a person, and of the catalogs that translate them.
TRANSLATION_DOMAIN = "kvt_wxtools"


def tr(text: str) -> str:
    """`text` in the language of the loaded kvt_wxtools catalog; exactly
    `text` when no catalog is loaded or the catalog lacks it."""
    import wx
    return str(wx.GetTranslation(text, TRANSLATION_DOMAIN))


def catalog_folder() -> str:
    """The folder holding the compiled catalogs (LANG/LC_MESSAGES/kvt_wxtools.mo),
    installed beside the kvt_wxtools extension module."""
    spec = importlib.util.find_spec("kvt_wxtools")
    if spec is None or spec.origin is None:
        raise ImportError("kvt_wxtools is not installed")
    return os.path.join(os.path.dirname(spec.origin), "kvt_wxtools_locale")


def load_translations(language: "str | None" = None) -> bool:
    """Loads the kvt_wxtools catalog into wx's translations, so that every
    window of kvt_wxtools and its siblings made afterwards shows its texts in
    `language`: "en" (English) or "zh_CN" (Simplified Chinese), or None for
    the language of the program's wx.Locale (else the user's preferred one).
    wx's own catalog of that language (stock buttons such as OK and Cancel)
    is loaded too.  Returns True when a kvt_wxtools catalog was loaded, False
    when there is none for the language (the texts then stay as they are).
    Call it on the GUI thread, after creating the wx.App (and the wx.Locale,
    if the program has one)."""
    import wx
    if language is not None and not isinstance(language, str):
        raise TypeError("language must be a str or None, not %s" % type(language).__name__)
    wx.FileTranslationsLoader.AddCatalogLookupPathPrefix(catalog_folder())
    translations = wx.Translations.Get()
    if translations is None:
        translations = wx.Translations()
        wx.Translations.Set(translations)  # wx owns it from now on
    if language is not None:
        translations.SetLanguage(language)
    translations.AddStdCatalog()
    return bool(translations.AddCatalog(TRANSLATION_DOMAIN))
