"""How parameter trees are kept on disk: the file format, loading, saving
(crash-atomic, durable, one writer at a time, merging what others changed)
and the errors a user sees.

Layout: a directory per `ParameterDirectory`, one UTF-8 JSON file
``<name>.para`` per book, and an index (`IndexFileName`) in every directory
keeping the display order of its children.

What is on the disk is not trusted.  A book or index that is not UTF-8, not
JSON, or not shaped like one fails the load with a `ParameterFileError`
naming the file.  Entries whose names a tree could not hold (path
separators, control and other refused characters, reserved device names,
hidden and temporary files) are not part of the tree: a load skips them and
a save leaves them alone.  File names that are not UTF-8 are kept as Python
keeps them (lone surrogates) and written back unchanged.

Links: the directory given to `load` or `save` may itself be a link.  Below
it, a book, directory or index that is a link is followed only while it
leads inside the tree: one that leads out of it, or back to a directory the
tree already holds, fails the load, and the save before anything is written,
with a `ParameterFileError` naming the link.  A book that is a link inside
the tree is replaced by a file of its own when its content changes, and
removing an entry that is a link removes only the link.

Saving a tree (`save_tree`):

- One writer at a time: the save holds an exclusive lock on the tree's
  folder (`flock` of the directory itself on POSIX, a lock file on Windows)
  for its whole duration; loads take a shared lock, so they never see a save
  half done.
- Crash-atomic: the save first writes and syncs a journal (`JournalName`)
  naming every folder it will make, every temporary file and the file it
  will replace, and every entry it will remove; then it makes the folders and
  temporary files; then it commits by renaming the journal to `CommitName`.
  Only after that are temporary files renamed over their targets and removed
  entries deleted.  A crash before the commit leaves the old tree (plus
  hidden files the journal names); a crash after it leaves a commit record
  from which the rest follows.  A load reads through either without writing
  (new files from a commit record, old files without one); the next save
  finishes or undoes the crashed one before doing anything else.
- Durable: with `sync` (the default) every file written and every directory
  whose entries changed is fsynced before the save returns.
- Merging: a tree remembers, per book and folder, what it loaded or last
  saved (`_State`).  A save into that same folder writes only what this tree
  changed since, keeps what others changed or added, and refuses (with
  `ParameterConflictError`, writing nothing) books and folders changed on
  both sides, unless `overwrite`.  A tree that does not remember the folder
  makes it hold exactly this tree, plus files the tree does not know.
"""
import errno
import hashlib
import json
import marshal
import os
import re
import stat
import time
from typing import Any, Dict, IO, Iterator, List, Optional, Set, Tuple, Type, TypeVar

from .model import (SCALAR_TYPES, MaxTreeDepth, Parameter, ParameterBook, ParameterDirectory,
                    all_stored_names, check_value, is_stored_name)

__all__ = ["ParameterFileError", "ParameterConflictError", "ParameterLockError", "IndexFileName",
           "JournalName", "CommitName"]

# The index file of a directory; its name holds a full stop, so no child's
# file or directory name can equal it.
IndexFileName = ".paratree.json"
# The journal of a save in progress (or crashed before its commit), and the
# same file once the save has committed; both live in the tree's folder.
JournalName = ".paratree-save.journal"
CommitName = ".paratree-save.commit"
# The lock file, where directories cannot be locked themselves (Windows).
LockFileName = ".paratree.lock"

_BOOK_FORMAT = "kvt-parameter-book"
_DIRECTORY_FORMAT = "kvt-parameter-directory"
_JOURNAL_FORMAT = "kvt-parameter-save"
_FORMAT_VERSION = 1

# Temporary files of a save: short names, so that a book whose file name
# is as long as the file system allows can still be saved.
_TEMPORARY = re.compile(r"\A\.kvt-[0-9a-f]{12}\.(tmp|old)\Z")
# What saves of earlier versions left beside a file when they were killed.
_OLD_LEFTOVER = re.compile(r"\A\..+\.[0-9a-f]{8}\.(tmp|old)\Z", re.DOTALL)

T = TypeVar("T")
Items = Tuple[str, ...]          # a folder's children as its index lists them
BookState = Tuple[bytes, bytes]  # digest of the file, digest of the book's content


class ParameterFileError(ValueError):
    """A book or index file that cannot be read (not UTF-8, not JSON, or not
    shaped like one), or a place of a tree that a link takes out of it.  The
    text names the file and what is wrong with it; `path` and `problem`
    hold both."""

    def __init__(self, path: str, problem: str) -> None:
        super().__init__("%s: %s" % (path, problem))
        self.path = path
        self.problem = problem


class ParameterConflictError(ParameterFileError):
    """A save that would overwrite changes made on disk since the tree's
    last load or save: `conflicts` lists the books ("a/b.para") and folders
    ("a/") changed on both sides, relative to the tree's folder `path`.
    Nothing was written."""

    def __init__(self, path: str, conflicts: List[str]) -> None:
        self.conflicts = sorted(conflicts)
        shown = ", ".join(self.conflicts[:20])
        if len(self.conflicts) > 20:
            shown += ", ... (%d more)" % (len(self.conflicts) - 20)
        super().__init__(path, "changed on disk and in this tree since it was loaded or saved, "
                         "so nothing was saved: %s" % shown)


class ParameterLockError(ParameterFileError):
    """The folder's lock could not be taken in time: another program is
    saving (or loading) the tree there."""

    def __init__(self, path: str, timeout: float) -> None:
        super().__init__(path, "the folder is locked by another save; gave up after %g s"
                         % timeout)


# --------------------------------------------------------------------------
# Small file helpers

def _os_error(exc: OSError, path: str) -> OSError:
    """The same error, naming `path` (a file a user knows) alone."""
    error = OSError(exc.errno, exc.strerror or str(exc), path)
    return error


# Digests only tell whether a file or a book changed (no security rests on
# them): SHA-1 is the quickest at hand, SHA-256 where a system refuses it.
try:
    _HASH = hashlib.sha1
    _HASH(b"")
except ValueError:  # pragma: no cover - systems that forbid SHA-1
    _HASH = hashlib.sha256


def _digest(data: bytes) -> bytes:
    return _HASH(data).digest()


def _read_bytes(path: str) -> bytes:
    with open(path, "rb") as file:
        return file.read()


def _fsync_directory(path: str) -> None:
    """Force a directory's entries to the disk, where the system can."""
    if os.name == "nt":
        return  # directories cannot be opened or synced there
    descriptor = os.open(path, os.O_RDONLY)
    try:
        os.fsync(descriptor)
    finally:
        os.close(descriptor)


def _join(root: str, relative: str) -> str:
    return os.path.join(root, *relative.split("/")) if relative else root


def _is_inside(real: str, root: str) -> bool:
    return real == root or real.startswith(root.rstrip(os.sep) + os.sep)


# --------------------------------------------------------------------------
# The lock

class _Lock:
    """An exclusive (save) or shared (load) lock on a tree's folder, held
    while in the `with` block; `timeout` seconds bound the wait.

    On POSIX the folder itself is locked with `flock`, so no file is made
    for it; flock locks belong to an open file, so two threads of one
    process exclude each other as two processes do.  Windows cannot open a
    directory: a hidden lock file in the folder is locked with `msvcrt`
    (always exclusively); a load finding none takes no lock."""

    def __init__(self, path: str, exclusive: bool, timeout: float) -> None:
        self.path, self.exclusive, self.timeout = path, exclusive, timeout
        self.descriptor = -1

    def __enter__(self) -> "_Lock":
        try:
            if os.name == "nt":
                lock_path = os.path.join(self.path, LockFileName)
                flags = os.O_RDWR | (os.O_CREAT if self.exclusive else 0)
                try:
                    self.descriptor = os.open(lock_path, flags, 0o666)
                except FileNotFoundError:
                    return self
            else:
                self.descriptor = os.open(self.path, os.O_RDONLY)
        except OSError as exc:
            raise _os_error(exc, self.path) from None
        deadline = time.monotonic() + max(self.timeout, 0.0)
        pause = 0.002
        while not _try_lock(self.descriptor, self.exclusive):
            if time.monotonic() >= deadline:
                os.close(self.descriptor)
                self.descriptor = -1
                raise ParameterLockError(self.path, self.timeout)
            time.sleep(pause)
            pause = min(pause * 2, 0.05)
        return self

    def __exit__(self, *exc: Any) -> None:
        if self.descriptor >= 0:
            os.close(self.descriptor)  # closing the file releases the lock
            self.descriptor = -1


def _try_lock(descriptor: int, exclusive: bool) -> bool:
    """Take the OS lock on an open file without waiting; False if taken."""
    try:
        if os.name == "nt":
            import msvcrt
            msvcrt.locking(descriptor, msvcrt.LK_NBLCK, 1)  # type: ignore[attr-defined]
        else:
            import fcntl
            fcntl.flock(descriptor, (fcntl.LOCK_EX if exclusive else fcntl.LOCK_SH) | fcntl.LOCK_NB)
    except OSError as exc:
        # (EDEADLK through getattr: older type checkers do not know it)
        if exc.errno in (errno.EAGAIN, errno.EACCES, errno.EWOULDBLOCK, getattr(errno, "EDEADLK", errno.EAGAIN)):
            return False
        raise
    return True


# --------------------------------------------------------------------------
# JSON files

def _json_kind(value: Any) -> str:
    return {dict: "an object", list: "an array", str: "a string", bool: "a boolean",
            int: "a number", float: "a number", type(None): "null"}.get(type(value), "missing")


class _DuplicateKey(Exception):
    pass


def _object_without_duplicates(pairs: List[Tuple[str, Any]]) -> Dict[str, Any]:
    data = dict(pairs)
    if len(data) != len(pairs):
        seen = set()  # type: Set[str]
        for key, _value in pairs:
            if key in seen:
                raise _DuplicateKey(key)
            seen.add(key)
    return data


# One decoder for every file: the duplicate-key check needs a hook, and
# json.loads would build a new decoder for each call with one.
_DECODER = json.JSONDecoder(object_pairs_hook=_object_without_duplicates)


def _parse_json(raw: bytes, path: str) -> Any:
    try:
        text = raw.decode("utf-8-sig")
    except UnicodeDecodeError as exc:
        raise ParameterFileError(path, "not UTF-8 text (byte 0x%02x at offset %d)"
                                 % (raw[exc.start], exc.start)) from None
    if not text.strip():
        raise ParameterFileError(path, "the file is empty")
    try:
        # A key given twice would silently lose one of the values.
        return _DECODER.decode(text)
    except json.JSONDecodeError as exc:
        raise ParameterFileError(path, "not valid JSON: %s at line %d column %d"
                                 % (exc.msg, exc.lineno, exc.colno)) from None
    except _DuplicateKey as exc:
        raise ParameterFileError(path, "the key %r appears twice in one object"
                                 % exc.args[0]) from None
    except RecursionError:
        raise ParameterFileError(path, "not valid JSON: nested too deeply") from None
    except ValueError as exc:  # an integer with more digits than int() converts
        raise ParameterFileError(path, "not readable: %s" % exc) from None


def _read_json(path: str) -> Any:
    return _parse_json(_read_bytes(path), path)


def _check_header(data: Any, path: str, expected: str) -> None:
    if type(data) is not dict:
        raise ParameterFileError(path, "expected a JSON object at the top, not %s"
                                 % _json_kind(data))
    found = data.get("format", expected)
    if found != expected:
        raise ParameterFileError(path, "format is %r, expected %r" % (found, expected))
    version = data.get("version", _FORMAT_VERSION)
    if type(version) is not int or version < 1:
        raise ParameterFileError(path, "invalid format version %r" % (version,))
    if version > _FORMAT_VERSION:
        raise ParameterFileError(path, "format version %d is newer than this program reads (%d)"
                                 % (version, _FORMAT_VERSION))


def _encode(data: Any, where: str) -> bytes:
    try:
        text = json.dumps(data, ensure_ascii=False, indent=4)
    except (TypeError, ValueError) as exc:
        raise ValueError("%s: cannot be stored: %s" % (where, exc)) from None
    try:
        return (text + "\n").encode("utf-8")
    except UnicodeEncodeError:
        # Texts holding lone surrogates (file names that were not UTF-8,
        # "\ud800" escapes read from a file) are written as JSON escapes,
        # which read back to the same text.
        return (json.dumps(data, ensure_ascii=True, indent=4) + "\n").encode("ascii")


# --------------------------------------------------------------------------
# Books

def _book_data(book: ParameterBook, where: str) -> Dict[str, Any]:
    parameters = {}
    for name, parameter in book._parameters.items():
        attributes = parameter._attributes
        for attribute, value in attributes.items():
            if type(value) not in SCALAR_TYPES:
                check_value(value, "%s, parameter %r, attribute %r" % (where, name, attribute))
        parameters[name] = {"descriptions": parameter._descriptions, "attributes": attributes}
    return {"format": _BOOK_FORMAT, "version": _FORMAT_VERSION, "parameters": parameters}


def _book_bytes(book: ParameterBook, where: str) -> bytes:
    return _encode(_book_data(book, where), where)


def _content_digest(book: ParameterBook) -> bytes:
    """A digest of what a book holds, cheap to take: tells whether the book
    changed since it was loaded.  marshal's version 0 writes every value
    by its type and value alone (no shared references, no interning marks),
    in C; values of other types than the plain ones fall back to a text form."""
    content = [[name, p._descriptions, p._attributes] for name, p in book._parameters.items()]
    try:
        return _digest(marshal.dumps(content, 0))
    except ValueError:
        return _digest(b"r" + repr(content).encode("utf-8", "surrogatepass"))


_PARAMETER_KEYS = frozenset(("descriptions", "attributes"))


def _parameter_from_data(data: Any, path: str, name: str) -> Parameter:
    where = "parameter %r" % name
    if type(data) is not dict:
        raise ParameterFileError(path, "%s must be a JSON object, not %s" % (where, _json_kind(data)))
    descriptions = data.get("descriptions", {})
    attributes = data.get("attributes", {})
    # The shape every saved parameter has, checked in few steps; anything
    # else is looked at closely for the message.
    if not (data.keys() <= _PARAMETER_KEYS and type(descriptions) is dict
            and type(attributes) is dict and "" not in descriptions
            and all(type(text) is str for text in descriptions.values())
            and all_stored_names(attributes)):
        _refuse_parameter(data, descriptions, attributes, path, where)
    for attribute, value in attributes.items():
        if type(value) not in SCALAR_TYPES:
            # Refused here rather than by the next save.
            try:
                check_value(value, "attribute %r of %s" % (attribute, where))
            except ValueError as exc:
                raise ParameterFileError(path, str(exc)) from None
    parameter = Parameter.__new__(Parameter)  # type: Parameter
    parameter._descriptions = descriptions
    parameter._attributes = attributes
    return parameter


def _refuse_parameter(data: Dict[str, Any], descriptions: Any, attributes: Any, path: str,
                      where: str) -> None:
    """Raise the error that tells what is wrong with a parameter's shape."""
    if not data.keys() <= _PARAMETER_KEYS:
        unknown = set(data) - _PARAMETER_KEYS
        raise ParameterFileError(path, "%s has unknown keys: %s" % (where, ", ".join(sorted(unknown))))
    if type(descriptions) is not dict:
        raise ParameterFileError(path, "descriptions of %s must be a JSON object, not %s"
                                 % (where, _json_kind(descriptions)))
    if type(attributes) is not dict:
        raise ParameterFileError(path, "attributes of %s must be a JSON object, not %s"
                                 % (where, _json_kind(attributes)))
    for local, text in descriptions.items():
        if not local or type(text) is not str:
            raise ParameterFileError(path, "description %r of %s must be a string with a "
                                     "non-empty locale" % (local, where))
    bad = next(a for a in attributes if not is_stored_name(a, False))
    raise ParameterFileError(path, "%s has an invalid attribute name %r" % (where, bad))


def _book_from_bytes(cls: Type[ParameterBook], raw: bytes, path: str) -> ParameterBook:
    data = _parse_json(raw, path)
    _check_header(data, path, _BOOK_FORMAT)
    unknown = set(data) - {"format", "version", "parameters"}
    if unknown:
        raise ParameterFileError(path, "unknown keys: %s" % ", ".join(sorted(unknown)))
    if "parameters" not in data:
        raise ParameterFileError(path, '"parameters" is missing')
    parameters = data["parameters"]
    if type(parameters) is not dict:
        raise ParameterFileError(path, '"parameters" must be a JSON object, not %s'
                                 % _json_kind(parameters))
    book = cls.__new__(cls)  # type: ParameterBook
    book._parameters = {}
    if not all_stored_names(parameters):
        bad = next(n for n in parameters if not is_stored_name(n, False))
        raise ParameterFileError(path, "invalid parameter name %r" % bad)
    for name, item in parameters.items():
        book._parameters[name] = _parameter_from_data(item, path, name)
    return book


def load_book(cls: Type[ParameterBook], path: Any) -> ParameterBook:
    path = os.fspath(path)
    return _book_from_bytes(cls, _read_bytes(path), path)


def save_book(book: ParameterBook, path: Any, sync: bool) -> None:
    """Write one book file atomically (a temporary file beside it renamed
    over it); unchanged content is not rewritten."""
    path = os.fspath(path)
    data = _book_bytes(book, path)
    if _holds(path, data):
        return
    folder = os.path.dirname(path) or os.curdir
    temporary = _stage(folder, path, data, sync)
    try:
        try:
            os.replace(temporary, path)
        except OSError as exc:
            raise _os_error(exc, path) from None
    except BaseException:
        _unlink_quietly(temporary)
        raise
    if sync:
        # The new book is in place (its content synced): a failure to sync
        # the folder's entry is not a failed save, as after a tree's commit.
        try:
            _fsync_directory(folder)
        except OSError:
            pass


def _holds(path: str, data: bytes) -> bool:
    """Whether the file `path` already holds exactly `data`."""
    try:
        with open(path, "rb") as file:
            return os.fstat(file.fileno()).st_size == len(data) and file.read() == data
    except OSError:
        return False


def _unlink_quietly(path: str) -> None:
    try:
        os.unlink(path)
    except OSError:
        pass


def _temporary_name(folder: str, kind: str = "tmp") -> str:
    """A free hidden name in `folder` for a temporary ("tmp") or kept-aside
    ("old") file: short, so that it fits wherever its target's name does."""
    while True:
        candidate = os.path.join(folder, ".kvt-%s.%s" % (os.urandom(6).hex(), kind))
        if not os.path.lexists(candidate):
            return candidate


def _stage(folder: str, target: str, data: bytes, sync: bool,
           temporary: Optional[str] = None) -> str:
    """Write `data` to a new temporary file in `folder` (the given name, or a
    free one), with the permissions of `target` if it exists.  A folder that
    cannot be written is named as the folder; other failures name `target`."""
    if temporary is None:
        temporary = _temporary_name(folder)
    try:
        descriptor = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL
                             | getattr(os, "O_BINARY", 0), 0o666)
    except OSError as exc:
        if exc.errno in (errno.EACCES, errno.EPERM, errno.EROFS):
            raise _os_error(exc, folder) from None
        raise _os_error(exc, target) from None
    try:
        try:
            with os.fdopen(descriptor, "wb") as file:
                file.write(data)
                file.flush()
                if sync:
                    os.fsync(file.fileno())
            try:
                mode = stat.S_IMODE(os.stat(target).st_mode)
            except FileNotFoundError:
                pass
            else:
                os.chmod(temporary, mode)
        except OSError as exc:
            raise _os_error(exc, target) from None
    except BaseException:
        _unlink_quietly(temporary)
        raise
    return temporary


# --------------------------------------------------------------------------
# Directory contents

class _View:
    """How a crashed save's journal changes what a load sees: files a
    committed save replaced are read from its temporary files, entries it
    removed are gone; folders an uncommitted save made are not there."""

    def __init__(self) -> None:
        self.substitutes = {}  # type: Dict[str, str]
        self.hidden = set()  # type: Set[str]

    def added_in(self, folder: str) -> List[Tuple[str, str]]:
        """(name, path) of files the committed save adds to `folder`."""
        return [(os.path.basename(target), target) for target in self.substitutes
                if os.path.dirname(target) == folder and not os.path.lexists(target)]


_NO_VIEW = _View()


def _outside_link(path: str, root: Optional[str]) -> Optional[str]:
    """The real path of `path` if it is a link leading outside `root`."""
    if root is not None and os.path.islink(path):
        real = os.path.realpath(path)
        if not _is_inside(real, root):
            return real
    return None


def _scan(path: str, root: Optional[str] = None, tolerant: bool = False,
          view: _View = _NO_VIEW, stray: Optional[List[str]] = None
          ) -> Tuple[List[Tuple[str, str, str]], Optional[List[Tuple[str, str]]]]:
    """The stored children of the directory `path` as (name, kind, path)
    triples, kind "book" or "directory", in display order, and the (name,
    kind) entries its index lists (None without an index).

    Books are the files named ``<valid name>.<ExtName>``.  Sub-directories
    with valid names belong to the tree when the index lists them or they
    hold an index of their own; in a directory without an index (one made by
    hand) every such sub-directory does.  Children the index lists come first,
    in its order; the others follow sorted, directories first.  Entries the
    index lists but that are gone are skipped; other entries are not part of
    the tree.  A child or index that is a link leading outside `root` is
    refused with a `ParameterFileError`.  A `tolerant` reading (when saving
    over a directory) takes an unreadable index for an empty one, so that
    saving repairs it, and lists links leading outside the tree (the save
    refuses to write through them and removes only the link itself).
    Hidden files that crashed saves left are added to `stray`."""
    suffix = "." + ParameterBook.ExtName
    books, directories = {}, {}  # type: Dict[str, str], Dict[str, str]
    hidden = view.hidden
    with os.scandir(path) as entries:
        for entry in entries:
            name = entry.name
            if entry.path in hidden:
                continue
            if entry.is_dir():
                if is_stored_name(name, True):
                    directories[name] = entry.path
            elif name.endswith(suffix) and entry.is_file():
                stem = name[:-len(suffix)]
                if is_stored_name(stem, True):
                    books[stem] = entry.path
            elif stray is not None and name.startswith(".") and (
                    _TEMPORARY.match(name) or _OLD_LEFTOVER.match(name)):
                stray.append(entry.path)
    if view.substitutes:
        for name, target in view.added_in(path):
            if name.endswith(suffix) and is_stored_name(name[:-len(suffix)], True):
                books[name[:-len(suffix)]] = target
    index_path = os.path.join(path, IndexFileName)
    listed = None
    if index_path not in hidden:
        # Read rather than tested first: a failure to look at an index that
        # is there must fail the save, not make the folder look unindexed.
        try:
            outside = _outside_link(index_path, root)
            if outside is not None:
                raise ParameterFileError(index_path, "a link to %s, outside the parameter tree %s"
                                         % (outside, root))
            listed = _read_index(index_path, view)
        except (FileNotFoundError, IsADirectoryError, NotADirectoryError):
            listed = None
        except ParameterFileError:
            if not tolerant:
                raise
            listed = []
    members = []
    seen = set()
    for name, kind in listed or ():
        found = (books if kind == "book" else directories).get(name)
        if found is not None:
            members.append((name, kind, found))
            seen.add((name, kind))
    for name in sorted(directories):
        if (name, "directory") not in seen and (listed is None or _has_index(directories[name], view)):
            members.append((name, "directory", directories[name]))
    for name in sorted(books):
        if (name, "book") not in seen:
            members.append((name, "book", books[name]))
    if not tolerant:
        for _name, _kind, member_path in members:
            outside = _outside_link(member_path, root)
            if outside is not None:
                raise ParameterFileError(member_path, "a link to %s, outside the parameter tree "
                                         "%s; links are only followed inside the tree"
                                         % (outside, root))
    return members, listed


def _has_index(folder: str, view: _View) -> bool:
    index_path = os.path.join(folder, IndexFileName)
    if index_path in view.hidden:
        return False
    return index_path in view.substitutes or os.path.isfile(index_path)


def _read_index(path: str, view: _View = _NO_VIEW) -> List[Tuple[str, str]]:
    data = _read_json(view.substitutes.get(path, path))
    _check_header(data, path, _DIRECTORY_FORMAT)
    items = data.get("items")
    if type(items) is not list:
        raise ParameterFileError(path, '"items" must be a JSON array, not %s' % _json_kind(items))
    listed, seen = [], set()
    for item in items:
        if type(item) is not str:
            raise ParameterFileError(path, "items must be strings, not %s" % _json_kind(item))
        name, kind = (item[:-1], "directory") if item.endswith("/") else (item, "book")
        if not is_stored_name(name, True):
            raise ParameterFileError(path, "invalid item name %r" % item)
        if (name, kind) in seen:
            raise ParameterFileError(path, "item %r is listed twice" % item)
        seen.add((name, kind))
        listed.append((name, kind))
    return listed


def _item(name: str, kind: str) -> str:
    return name + "/" if kind == "directory" else name


def _book_file(name: str) -> str:
    return name + "." + ParameterBook.ExtName


# --------------------------------------------------------------------------
# What a tree remembers of its folder

class _State:
    """What a tree loaded from or last saved to its folder: for every book
    (by relative path, "a/b.para") the digest of its file and of its
    content, and for every folder ("" for the root, "a/") the children the
    disk listed and the children the tree held, in order.  Two digests per
    book tell a change on disk from a change in the tree even where a file
    was not written by this program."""

    __slots__ = ("source", "real", "books", "folders")

    def __init__(self, source: str, real: str) -> None:
        self.source, self.real = source, real
        self.books = {}  # type: Dict[str, BookState]
        self.folders = {}  # type: Dict[str, Tuple[Items, Items]]


def _same_folder(state: Optional[_State], real: str) -> bool:
    return state is not None and state.real == real


# --------------------------------------------------------------------------
# The journal of a save

def _journal_paths(root: str) -> Tuple[str, str]:
    return os.path.join(root, JournalName), os.path.join(root, CommitName)


def _read_journal(path: str) -> Optional[Dict[str, List[Any]]]:
    """The journal at `path`, or None when there is none; {} when a crash
    cut it short while it was written (nothing else had happened then)."""
    try:
        data = json.loads(_read_bytes(path).decode("utf-8"))
    except FileNotFoundError:
        return None
    except (ValueError, UnicodeDecodeError):
        return {}
    # json gives plain dicts only, so isinstance is as strict here
    if not isinstance(data, dict) or data.get("format") != _JOURNAL_FORMAT:
        return {}
    return data


class _Journal:
    """The steps of one save, as its journal lists them (paths relative to
    the tree's folder): folders made, files staged ([temporary, target,
    kept-aside old file or None]), entries removed ([path, kept-aside
    name]) and folders that removing them may leave empty."""

    def __init__(self, root: str, data: Dict[str, List[Any]]) -> None:
        self.root = root
        self.made = [_join(root, p) for p in data.get("made", ())]
        self.files = [(_join(root, t), _join(root, p), None if o is None else _join(root, o))
                      for t, p, o in data.get("files", ())]
        self.removed = [(_join(root, p), _join(root, o)) for p, o in data.get("removed", ())]
        self.emptied = [_join(root, p) for p in data.get("emptied", ())]

    def committed_view(self) -> _View:
        """A committed save: the new files, wherever they are now."""
        view = _View()
        for temporary, target, _old in self.files:
            if os.path.lexists(temporary):
                view.substitutes[target] = temporary
        view.hidden.update(path for path, _old in self.removed)
        view.hidden.update(self.emptied)
        return view

    def pending_view(self) -> _View:
        """A save that had not committed (or was being undone): the old
        files, wherever they are now."""
        view = _View()
        for temporary, target, old in self.files:
            if old is not None and os.path.lexists(old):
                view.substitutes[target] = old
            elif old is None and not os.path.lexists(temporary):
                view.hidden.add(target)
        for path, old in self.removed:
            if os.path.lexists(old) and not os.path.lexists(path):
                view.substitutes[path] = old
        view.hidden.update(self.made)
        return view

    def install(self) -> None:
        """Rename every staged file over its target and move every removed
        entry aside (`undo` puts each back)."""
        for temporary, target, _old in self.files:
            try:
                os.replace(temporary, target)
            except OSError as exc:
                raise _os_error(exc, target) from None
        for path, old in self.removed:
            try:
                os.rename(path, old)
            except FileNotFoundError:
                continue
            except OSError as exc:
                raise _os_error(exc, path) from None

    def finish(self) -> Set[str]:
        """After a commit: whatever of the installation is left, then the
        old files are deleted and emptied folders removed.  Returns the
        folders whose entries changed; raises if something could not be
        done (the commit record then stays for the next save)."""
        changed = set()  # type: Set[str]
        failed = None  # type: Optional[OSError]
        for temporary, target, _old in self.files:
            if os.path.lexists(temporary):
                try:
                    os.replace(temporary, target)
                except OSError as exc:
                    failed = exc
            changed.add(os.path.dirname(target))
        for path, old in self.removed + [(o, o) for _t, _p, o in self.files if o is not None]:
            try:
                os.unlink(path if path != old and os.path.lexists(path) else old)
                if path != old and os.path.lexists(old):
                    os.unlink(old)
            except FileNotFoundError:
                pass
            except OSError as exc:
                failed = exc
            changed.add(os.path.dirname(path))
        for folder in self.emptied:
            try:
                os.rmdir(folder)
            except FileNotFoundError:
                pass
            except OSError as exc:
                # A folder still holding files the tree does not know stays.
                if exc.errno not in (errno.ENOTEMPTY, errno.EEXIST):
                    failed = exc
                continue
            changed.add(os.path.dirname(folder))
        if failed is not None:
            raise failed
        return set(folder for folder in changed if os.path.isdir(folder))

    def undo(self) -> None:
        """Before a commit (or after a failed installation, once the commit
        record is withdrawn): put every old file back and remove what the
        save made.  Each step may already have been done."""
        failures = []  # type: List[str]
        for temporary, target, old in reversed(self.files):
            try:
                if old is not None and os.path.lexists(old):
                    if not _same_file(old, target):
                        os.replace(old, target)
                    if os.path.lexists(old):  # a second link to the file in place
                        os.unlink(old)
                elif old is None and not os.path.lexists(temporary) and os.path.lexists(target):
                    os.unlink(target)
            except OSError as exc:
                failures.append("%s: %s" % (target, exc.strerror))
            try:
                if os.path.lexists(temporary):
                    os.unlink(temporary)
            except OSError as exc:
                failures.append("%s: %s" % (temporary, exc.strerror))
        for path, old in reversed(self.removed):
            try:
                if os.path.lexists(old) and not os.path.lexists(path):
                    os.rename(old, path)
            except OSError as exc:
                failures.append("%s: %s" % (path, exc.strerror))
        for folder in reversed(self.made):
            try:
                os.rmdir(folder)
            except FileNotFoundError:
                pass
            except OSError as exc:
                failures.append("%s: %s" % (folder, exc.strerror))
        if failures:
            raise OSError(errno.EIO, "could not undo an unfinished save (%s)"
                          % "; ".join(failures[:5]), self.root)


def _same_file(first: str, second: str) -> bool:
    try:
        return os.path.samestat(os.lstat(first), os.lstat(second))
    except OSError:
        return False


def _journal_view(root: str) -> _View:
    """What a load must see of a crashed save (read without writing)."""
    journal_path, commit_path = _journal_paths(root)
    committed = _read_journal(commit_path)
    if committed:
        return _Journal(root, committed).committed_view()
    pending = _read_journal(journal_path)
    if pending:
        return _Journal(root, pending).pending_view()
    return _View()


def _recover(root: str, sync: bool) -> None:
    """Finish a save that crashed after its commit, or undo one that crashed
    before it; run with the folder's exclusive lock held."""
    journal_path, commit_path = _journal_paths(root)
    committed = _read_journal(commit_path)
    if committed is not None:
        changed = _Journal(root, committed).finish()
        if sync:
            for folder in sorted(changed):
                _fsync_directory(folder)
        os.unlink(commit_path)
        _sync_folder(root, sync)
    pending = _read_journal(journal_path)
    if pending is not None:
        _Journal(root, pending).undo()
        os.unlink(journal_path)
        _sync_folder(root, sync)


def _sync_folder(folder: str, sync: bool) -> None:
    if sync:
        try:
            _fsync_directory(folder)
        except OSError as exc:
            raise _os_error(exc, folder) from None



# --------------------------------------------------------------------------
# Loading

def load_tree(cls: Type[ParameterDirectory], path: Any, timeout: float) -> ParameterDirectory:
    """The tree stored in the directory `path`.  Loading never writes: it
    holds a shared lock on the folder (so no save is half done meanwhile) and
    reads through the journal a crashed save left.

    `path` itself may be a link; the tree's bounds are the directory it
    leads to.  A book, directory or index below it that is a link leading
    outside those bounds fails the load with a `ParameterFileError` naming
    the link, and so does a link that leads back to a directory the tree
    already holds, and a tree deeper than `MaxTreeDepth`."""
    path = os.fspath(path)
    if not os.path.isdir(path):
        os.stat(path)  # FileNotFoundError for a missing path
        raise NotADirectoryError(errno.ENOTDIR, "not a parameter directory", path)
    root = os.path.realpath(path)
    with _Lock(path, False, timeout):
        view = _journal_view(path)
        state = _State(path, root)
        tree = cls()
        seen = set()  # type: Set[str]
        pending = [("", path, tree, 0)]  # type: List[Tuple[str, str, ParameterDirectory, int]]
        while pending:
            relative, folder, directory, depth = pending.pop()
            real = os.path.realpath(folder)
            if real in seen:
                raise ParameterFileError(folder, "the directory is already part of the tree "
                                         "(reached again through a link)")
            seen.add(real)
            if depth > MaxTreeDepth:
                raise ParameterFileError(folder, "the tree is more than %d levels deep"
                                         % MaxTreeDepth)
            members, _listed = _scan(folder, root, view=view)
            children = directory._children
            items = []
            below = []
            for name, kind, child_path in members:
                items.append(_item(name, kind))
                if kind == "book":
                    raw = _read_bytes(view.substitutes.get(child_path, child_path))
                    book = _book_from_bytes(ParameterBook, raw, child_path)
                    children[name] = book
                    state.books[relative + _book_file(name)] = (_digest(raw), _content_digest(book))
                else:
                    child = cls()
                    children[name] = child
                    below.append((relative + name + "/", child_path, child, depth + 1))
            state.folders[relative] = (tuple(items), tuple(items))
            pending.extend(reversed(below))
    object.__setattr__(tree, "_store", state)
    return tree


# --------------------------------------------------------------------------
# Saving

class _Plan:
    """What one save does: folders to make (parents first), files to write
    (target, bytes), entries to remove, folders that removing them may leave
    empty (deepest last, removed in reverse), and the conflicts found."""

    def __init__(self, root: str, real: str) -> None:
        self.root, self.real = root, real
        self.made = []  # type: List[str]
        self.files = []  # type: List[Tuple[str, bytes]]
        self.removed = []  # type: List[str]
        self.emptied = []  # type: List[str]
        self.conflicts = []  # type: List[str]
        self.seen = set()  # type: Set[str]

    def relative(self, path: str) -> str:
        return os.path.relpath(path, self.root).replace(os.sep, "/")

    def write(self, target: str, data: bytes, disk: Optional[bytes]) -> None:
        """Plan writing `data` to `target` unless it holds that already
        (`disk`: the digest of what it holds, None if nothing)."""
        if os.path.isdir(target):
            raise IsADirectoryError(errno.EISDIR, "a directory is in the way of a parameter "
                                    "book or index", target)
        if os.path.islink(target) and not _is_inside(os.path.realpath(target), self.real):
            raise ParameterFileError(target, "a link to %s, outside the parameter tree %s; links "
                                     "are only followed inside the tree"
                                     % (os.path.realpath(target), self.real))
        if disk is None or disk != _digest(data):
            self.files.append((target, data))

    def remove(self, member_path: str, kind: str) -> None:
        """Plan the removal of a stored book or directory: a link is removed
        itself, never what it leads to; a directory loses its books,
        sub-directories and index and goes only if nothing else is left."""
        pending = [(member_path, kind)]
        while pending:
            path, kind = pending.pop()
            if kind == "book" or os.path.islink(path):
                self.removed.append(path)
                continue
            members, _listed = _scan(path, self.real, tolerant=True)
            pending.extend((p, k) for _n, k, p in members)
            index_path = os.path.join(path, IndexFileName)
            if os.path.lexists(index_path):
                self.removed.append(index_path)
            self.emptied.append(path)


def _disk_digest(path: Optional[str]) -> Optional[bytes]:
    if path is None:
        return None
    try:
        return _digest(_read_bytes(path))
    except (FileNotFoundError, IsADirectoryError):
        return None
    except OSError as exc:
        raise _os_error(exc, path) from None


def _changed_below(relative: str, state: _State, books: Dict[str, Optional[bytes]],
                   folders: Dict[str, Items], tree_side: bool) -> bool:
    """Whether anything below the folder `relative` differs from `state`:
    `books` maps each book below to its digest (content digests for the
    tree's side, file digests for the disk's), `folders` each folder to its
    children."""
    which = 1 if tree_side else 0
    for key, value in books.items():
        if key.startswith(relative):
            known = state.books.get(key)
            if known is None or known[which] != value:
                return True
    for key, known in state.books.items():
        if key.startswith(relative) and key not in books:
            return True
    for key, items in folders.items():
        if key.startswith(relative):
            known_items = state.folders.get(key)
            if known_items is None or known_items[which] != items:
                return True
    return any(key.startswith(relative) and key not in folders for key in state.folders)


def _tree_contents(tree: ParameterDirectory, relative: str
                   ) -> Tuple[Dict[str, Optional[bytes]], Dict[str, Items]]:
    books = {}  # type: Dict[str, Optional[bytes]]
    folders = {}  # type: Dict[str, Items]
    for names, directory in tree.walk():
        prefix = relative + "".join(n + "/" for n in names)
        items = []
        for name, child in directory._children.items():
            if isinstance(child, ParameterBook):
                books[prefix + _book_file(name)] = _content_digest(child)
                items.append(name)
            else:
                items.append(name + "/")
        folders[prefix] = tuple(items)
    return books, folders


def _disk_contents(path: str, relative: str, real: str
                   ) -> Tuple[Dict[str, Optional[bytes]], Dict[str, Items]]:
    books = {}  # type: Dict[str, Optional[bytes]]
    folders = {}  # type: Dict[str, Items]
    pending = [(path, relative)]
    while pending:
        folder, prefix = pending.pop()
        if _outside_link(folder, real) is not None:
            folders[prefix] = ()  # what a link out of the tree leads to is not the tree's
            continue
        try:
            members, _listed = _scan(folder, real, tolerant=True)
        except OSError:
            continue
        folders[prefix] = tuple(_item(n, k) for n, k, _p in members)
        for name, kind, member_path in members:
            if kind == "book":
                books[prefix + _book_file(name)] = _disk_digest(member_path)
            else:
                pending.append((member_path, prefix + name + "/"))
    return books, folders


def _plan_save(tree: ParameterDirectory, path: str, real: str, state: Optional[_State],
               overwrite: bool, new_state: _State) -> _Plan:
    """Decide, folder by folder, what the save writes and removes, and fill
    `new_state` with what the tree will remember."""
    plan = _Plan(path, real)
    # Each folder to do, and whether it is written whole, as this tree holds
    # it (a folder deleted on disk that this tree changed, with `overwrite`).
    pending = [("", path, tree, False)]  # type: List[Tuple[str, str, ParameterDirectory, bool]]
    while pending:
        relative, folder, directory, whole = pending.pop()
        merging = state is not None and not whole
        try:
            exists = stat.S_ISDIR(os.stat(folder).st_mode)
        except FileNotFoundError:
            exists = False
        except OSError as exc:
            raise _os_error(exc, folder) from None
        if not exists and os.path.lexists(folder):
            raise NotADirectoryError(errno.ENOTDIR, "a file is in the way of a parameter "
                                     "directory", folder)
        folder_real = os.path.realpath(folder)
        if not _is_inside(folder_real, real):
            raise ParameterFileError(folder, "a link to %s, outside the parameter tree %s; links "
                                     "are only followed inside the tree" % (folder_real, real))
        if folder_real in plan.seen:
            raise ParameterFileError(folder, "the same directory as another directory of the "
                                     "tree (through a link)")
        plan.seen.add(folder_real)
        members = []  # type: List[Tuple[str, str, str]]
        listed = None  # type: Optional[List[Tuple[str, str]]]
        stray = []  # type: List[str]
        if exists:
            members, listed = _scan(folder, real, tolerant=True, stray=stray)
            plan.removed.extend(stray)
        else:
            plan.made.append(folder)
        on_disk = {(n, k): p for n, k, p in members}
        tree_items = tuple(_item(n, "directory" if isinstance(c, ParameterDirectory) else "book")
                           for n, c in directory._children.items())
        disk_items = tuple(_item(n, k) for n, k, _p in members)
        known = state.folders.get(relative) if merging and state is not None else None
        known_listing = set(_item(n, k) for n, k in listed or ())
        present = set()  # type: Set[str]
        keys = [(n, "directory" if isinstance(c, ParameterDirectory) else "book")
                for n, c in directory._children.items()]
        keys += [(n, k) for n, k, _p in members if (n, k) not in set(keys)]
        if known is not None:
            keys += [(i[:-1], "directory") if i.endswith("/") else (i, "book")
                     for i in known[1] + known[0]]
        done = set()  # type: Set[Tuple[str, str]]
        for name, kind in keys:
            if (name, kind) in done:
                continue
            done.add((name, kind))
            child = directory._children.get(name)
            if child is not None and isinstance(child, ParameterDirectory) != (kind == "directory"):
                child = None
            disk_path = on_disk.get((name, kind))
            item = _item(name, kind)
            if kind == "book":
                key = relative + _book_file(name)
                target = os.path.join(folder, _book_file(name))
                disk = _disk_digest(disk_path)
                content = None if child is None else _content_digest(child)  # type: ignore[arg-type]
                if merging:
                    base = state.books.get(key) if state is not None else None
                    tree_changed = (content is None) != (base is None) or (
                        base is not None and content != base[1])
                    disk_changed = (disk is None) != (base is None) or (
                        base is not None and disk != base[0])
                else:
                    base, tree_changed, disk_changed = None, True, False
                if not tree_changed:
                    if disk_path is not None:
                        present.add(item)
                    if base is not None:
                        new_state.books[key] = base
                    continue
                data = None
                if child is not None:
                    data = _book_bytes(child, target)  # type: ignore[arg-type]
                if disk_changed and not overwrite:
                    if data is not None and disk is not None and _digest(data) == disk:
                        present.add(item)
                        new_state.books[key] = (disk, content)  # type: ignore[assignment]
                    elif data is not None or disk is not None:
                        plan.conflicts.append(key)
                    continue
                if data is not None:
                    plan.write(target, data, disk)
                    present.add(item)
                    new_state.books[key] = (_digest(data), content)  # type: ignore[assignment]
                elif disk_path is not None:
                    if merging or item in known_listing:
                        plan.remove(disk_path, kind)
                    else:
                        present.add(item)  # put there by hand: not the tree's
            else:
                key = relative + name + "/"
                child_path = os.path.join(folder, name)
                in_base = known is not None and (item in known[0] or item in known[1])
                if child is not None and disk_path is not None:
                    pending.append((key, disk_path, child, whole))  # type: ignore[arg-type]
                    present.add(item)
                elif child is not None:
                    if merging and in_base and state is not None:
                        # Deleted on disk: gone unless this tree changed it.
                        books, folders = _tree_contents(child, key)  # type: ignore[arg-type]
                        if not _changed_below(key, state, books, folders, True):
                            _keep_state(state, new_state, key)
                            continue
                        if not overwrite:
                            plan.conflicts.append(key)
                            continue
                        pending.append((key, child_path, child, True))  # type: ignore[arg-type]
                    else:
                        pending.append((key, child_path, child, whole))  # type: ignore[arg-type]
                    present.add(item)
                elif disk_path is not None:
                    if merging:
                        if not in_base:
                            present.add(item)  # added by someone else
                            _keep_state(state, new_state, key)
                            continue
                        books, folders = _disk_contents(disk_path, key, real)
                        if (not overwrite and state is not None
                                and _changed_below(key, state, books, folders, False)):
                            plan.conflicts.append(key)
                            continue
                        plan.remove(disk_path, kind)
                    elif item in known_listing:
                        plan.remove(disk_path, kind)
                    else:
                        present.add(item)
        # The folder's index: the tree's order where the tree changed it,
        # else the disk's; children only one side has keep their place.
        tree_changed_listing = known is None or known[1] != tree_items
        first, second = (tree_items, disk_items) if tree_changed_listing else (disk_items, tree_items)
        order = []  # type: List[str]
        for item in first + second:
            if item in present and item not in order:
                order.append(item)
        if not merging:
            order = [item for item in tree_items if item in present]
        if tree_changed_listing or order != list(disk_items) or not exists or listed is None:
            index_path = os.path.join(folder, IndexFileName)
            data = _encode({"format": _DIRECTORY_FORMAT, "version": _FORMAT_VERSION,
                            "items": order}, index_path)
            if not _holds(index_path, data):
                plan.write(index_path, data, None)
        if known is not None and not tree_changed_listing:
            new_state.folders[relative] = known
        else:
            new_state.folders[relative] = (tuple(order), tree_items)
    return plan


def _keep_state(state: Optional[_State], new_state: _State, relative: str) -> None:
    """Carry over what the tree remembered below the folder `relative`."""
    if state is None:
        return
    for key, value in state.books.items():
        if key.startswith(relative):
            new_state.books[key] = value
    for key, items in state.folders.items():
        if key.startswith(relative):
            new_state.folders[key] = items


def save_tree(tree: ParameterDirectory, path: Any, sync: bool, overwrite: bool,
              timeout: float) -> None:
    """Make the directory `path` hold this tree (see the module's text).

    Everything is encoded and checked first; a link out of the tree, a file
    in the way, a conflict or a lock not taken in time fail the save before
    anything is written.  A save that raises leaves the folder as it was; one
    that returns has committed (and, with `sync`, is on the disk).  The model
    is never changed by a save; it then remembers the folder."""
    path = os.fspath(path)
    depth = tree.depth()
    if depth > MaxTreeDepth:
        raise ValueError("the tree is %d levels deep; a tree may be at most %d levels deep"
                         % (depth, MaxTreeDepth))
    made_root = _make_root(path)
    try:
        with _Lock(path, True, timeout):
            _recover(path, sync)
            real = os.path.realpath(path)
            # A folder that is gone as a whole was not "changed by others":
            # saving there makes it hold this tree, as into any new folder.
            state = tree._store if _same_folder(tree._store, real) and not made_root else None
            new_state = _State(path, real)
            plan = _plan_save(tree, path, real, state, overwrite, new_state)
            if plan.conflicts:
                raise ParameterConflictError(path, plan.conflicts)
            _carry_out(plan, sync)
    except BaseException:
        for folder in reversed(made_root):
            try:
                os.rmdir(folder)
            except OSError:
                pass
        raise
    if made_root and sync:
        for folder in made_root:
            try:
                _fsync_directory(os.path.dirname(folder) or os.curdir)
            except OSError:
                pass
    object.__setattr__(tree, "_store", new_state)


def _make_root(path: str) -> List[str]:
    """Make the tree's folder and its missing parents; returns those made."""
    missing = []
    folder = path.rstrip(os.sep) or path
    while folder and not os.path.lexists(folder):
        missing.append(folder)
        parent = os.path.dirname(folder)
        if parent == folder:
            break
        folder = parent
    made = []  # type: List[str]
    try:
        for folder in reversed(missing):
            try:
                os.mkdir(folder)
            except OSError as exc:
                raise _os_error(exc, folder) from None
            made.append(folder)
    except BaseException:
        for folder in reversed(made):
            try:
                os.rmdir(folder)
            except OSError:
                pass
        raise
    if not missing and not os.path.isdir(path):
        raise NotADirectoryError(errno.ENOTDIR, "a file is in the way of a parameter directory",
                                 path)
    return made


def _carry_out(plan: _Plan, sync: bool) -> None:
    """Carry out a save: journal, staged files and old files kept aside,
    commit, installation, tidying.  Raises, with the folder as it was, when
    anything before the end of the installation fails."""
    if not (plan.made or plan.files or plan.removed):
        return
    root = plan.root
    files = []  # type: List[List[Optional[str]]]
    for target, _data in plan.files:
        folder = os.path.dirname(target)
        old = _temporary_name(folder, "old") if os.path.lexists(target) else None
        files.append([_temporary_name(folder, "tmp"), target, old])
    removed = [[path, _temporary_name(os.path.dirname(path), "old")] for path in plan.removed]
    relative = plan.relative
    data = {"format": _JOURNAL_FORMAT, "version": _FORMAT_VERSION,
            "made": [relative(p) for p in plan.made],
            "files": [[relative(t), relative(p), None if o is None else relative(o)]  # type: ignore
                      for t, p, o in files],
            "removed": [[relative(p), relative(o)] for p, o in removed],
            "emptied": [relative(p) for p in reversed(plan.emptied)]}  # type: Dict[str, Any]
    journal_path, commit_path = _journal_paths(root)
    journal = _Journal(root, data)
    _write_new(journal_path, root, json.dumps(data).encode("ascii"), sync)
    committed = False
    try:
        for folder in plan.made:
            try:
                os.mkdir(folder)
            except OSError as exc:
                raise _os_error(exc, folder) from None
        for (temporary, target, old), (_target, content) in zip(journal.files, plan.files):
            _stage(os.path.dirname(target), target, content, sync, temporary)
            if old is not None:
                _keep_aside(target, old)
        if sync:
            for folder in sorted(set(os.path.dirname(p) for p in plan.made)
                                 | set(os.path.dirname(t) for t, _p, _o in journal.files)):
                _sync_folder(folder, sync)
        try:
            os.replace(journal_path, commit_path)
        except OSError as exc:
            raise _os_error(exc, root) from None
        committed = True
        _sync_folder(root, sync)
        journal.install()
    except BaseException:
        # Withdraw the commit (if made) before putting old files back, so
        # that a crash meanwhile is undone, never finished, by the next save.
        try:
            if committed:
                os.replace(commit_path, journal_path)
            journal.undo()
            os.unlink(journal_path)
            _sync_folder(root, sync)
        except OSError:
            pass  # the journal stays: the next save undoes the rest
        raise
    # Installed: every load sees the new tree.  What is left only deletes
    # hidden old files; a failure there is not reported, and the commit
    # record stays so that the next save into this folder finishes it.
    try:
        changed = journal.finish()
        if sync:
            for folder in sorted(changed):
                _fsync_directory(folder)
        os.unlink(commit_path)
        _sync_folder(root, sync)
    except OSError:
        pass


def _keep_aside(target: str, old: str) -> None:
    """Keep the old file of `target` under the hidden name `old`: as a
    second hard link, so `target` is never missing, or, where the file
    system has no hard links, by renaming it."""
    try:
        if _LINK_KEEPS_SYMLINKS:
            os.link(target, old, follow_symlinks=False)
        else:
            os.link(target, old)
        return
    except OSError as exc:
        if exc.errno not in _NO_HARD_LINKS:
            raise _os_error(exc, target) from None
    try:
        os.rename(target, old)
    except OSError as exc:
        raise _os_error(exc, target) from None


# Errors of os.link meaning that the file system cannot make hard links.
_NO_HARD_LINKS = frozenset(getattr(errno, name) for name in
                           ("EPERM", "EOPNOTSUPP", "ENOTSUP", "ENOSYS", "EXDEV", "EMLINK", "EACCES")
                           if hasattr(errno, name))
_LINK_KEEPS_SYMLINKS = os.link in os.supports_follow_symlinks


def _write_new(path: str, folder: str, data: bytes, sync: bool) -> None:
    """Write a new file (the journal) and, with `sync`, force it and its
    directory entry to the disk.  Failures name the folder."""
    try:
        descriptor = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL
                             | getattr(os, "O_BINARY", 0), 0o666)
    except OSError as exc:
        raise _os_error(exc, folder) from None
    try:
        with os.fdopen(descriptor, "wb") as file:
            file.write(data)
            file.flush()
            if sync:
                os.fsync(file.fileno())
        if sync:
            _fsync_directory(folder)
    except BaseException as exc:
        _unlink_quietly(path)
        if isinstance(exc, OSError):
            raise _os_error(exc, folder) from None
        raise



# --------------------------------------------------------------------------
# Comparing a tree with its folder

def _tree_side(tree: ParameterDirectory) -> Tuple[Dict[str, Optional[bytes]], Dict[str, Items]]:
    return _tree_contents(tree, "")


def is_modified(tree: ParameterDirectory) -> bool:
    state = tree._store  # type: Optional[_State]
    if state is None:
        return len(tree) > 0
    books, folders = _tree_side(tree)
    return _changed_below("", state, books, folders, True)


def _differences(state: _State, books: Dict[str, Optional[bytes]], folders: Dict[str, Items],
                 which: int) -> List[str]:
    changed = set()
    for key in set(books) | set(state.books):
        known = state.books.get(key)
        if key not in books or known is None or known[which] != books[key]:
            changed.add(key)
    for key in set(folders) | set(state.folders):
        known_items = state.folders.get(key)
        if key not in folders or known_items is None or known_items[which] != folders[key]:
            if key:
                changed.add(key)
            elif key not in folders:
                changed.add(key)
    return sorted(changed)


def changed_on_disk(tree: ParameterDirectory) -> List[str]:
    state = tree._store  # type: Optional[_State]
    if state is None:
        return []
    if not os.path.isdir(state.source):
        return sorted(k for k in set(state.books) | set(state.folders) if k)
    with _Lock(state.source, False, 10.0):
        books, folders = _disk_contents_viewed(state.source, state.real)
    changed = _differences(state, books, folders, 0)
    return [key for key in changed if key]


def _disk_contents_viewed(path: str, real: str
                          ) -> Tuple[Dict[str, Optional[bytes]], Dict[str, Items]]:
    # A crashed save's leftovers are read through, as a load reads them.
    view = _journal_view(path)
    if not (view.hidden or view.substitutes):
        return _disk_contents(path, "", real)
    books = {}  # type: Dict[str, Optional[bytes]]
    folders = {}  # type: Dict[str, Items]
    pending = [(path, "")]
    while pending:
        folder, prefix = pending.pop()
        members, _listed = _scan(folder, real, tolerant=True, view=view)
        folders[prefix] = tuple(_item(n, k) for n, k, _p in members)
        for name, kind, member_path in members:
            if kind == "book":
                books[prefix + _book_file(name)] = _disk_digest(
                    view.substitutes.get(member_path, member_path))
            else:
                pending.append((member_path, prefix + name + "/"))
    return books, folders


def refresh(tree: ParameterDirectory) -> List[str]:
    """Bring into `tree` what changed on disk where the tree did not change;
    returns the sorted conflicts, left as they are."""
    state = tree._store  # type: Optional[_State]
    if state is None:
        return []
    disk = load_tree(ParameterDirectory, state.source, 10.0)
    disk_state = disk._store  # type: _State
    tree_books, tree_folders = _tree_side(tree)
    listing_changed = set(key for key, items in tree_folders.items()
                          if key not in state.folders or state.folders[key][1] != items)
    changed = _differences(state, _file_digests(disk_state), _listings(disk_state), 0)
    conflicts = []  # type: List[str]
    settled = []  # type: List[str]   # folders dealt with as a whole

    def under(key: str) -> bool:
        return any(key.startswith(folder) for folder in settled)

    # Folders added or deleted on disk, shallow ones first.
    for key in sorted((k for k in changed if k.endswith("/")), key=lambda k: (k.count("/"), k)):
        if under(key):
            continue
        parent_key, name = _split_folder(key)
        parent = _directory_at(tree, parent_key)
        if key in disk_state.folders and key not in state.folders:
            if key in tree_folders:
                continue  # added on both sides: merged book by book
            if parent is None:
                conflicts.append(parent_key)
            else:
                _adopt(parent, name, _directory_at(disk, key))
                _keep_state(disk_state, state, key)
            settled.append(key)
        elif key not in disk_state.folders and key in state.folders:
            settled.append(key)
            if key in tree_folders and _changed_below(key, state, tree_books, tree_folders, True):
                conflicts.append(key)
                continue
            if parent is not None and name in parent._children:
                del parent[name]
            for gone in [k for k in state.books if k.startswith(key)]:
                del state.books[gone]
            for gone in [k for k in state.folders if k.startswith(key)]:
                del state.folders[gone]
    # Books.
    for key in changed:
        if key.endswith("/") or under(key):
            continue
        folder_key, name = _split_book(key)
        known = state.books.get(key)
        mine = tree_books.get(key)
        tree_changed = (mine is None) != (known is None) or (known is not None and mine != known[1])
        theirs = disk_state.books.get(key)
        if tree_changed:
            if (mine is None and theirs is None) or (
                    theirs is not None and mine == theirs[1]):
                _set_state(state.books, key, theirs)
            else:
                conflicts.append(key)
            continue
        target = _directory_at(tree, folder_key)
        if target is None:
            conflicts.append(folder_key)
            continue
        if theirs is not None:
            _adopt(target, name, _directory_at(disk, folder_key)._children[name])  # type: ignore
        elif name in target._children:
            del target[name]
        _set_state(state.books, key, theirs)
    # Orders: a folder whose order the tree did not change follows the disk.
    for key, (disk_items, _items) in disk_state.folders.items():
        directory = _directory_at(tree, key)
        if directory is None:
            continue
        current = tuple(_item(n, "directory" if isinstance(c, ParameterDirectory) else "book")
                        for n, c in directory._children.items())
        if key in listing_changed:
            listing = state.folders.get(key)
            base = listing[1] if listing is not None else ()
            state.folders[key] = (disk_items, tuple(i for i in base if i in current)
                                  + tuple(i for i in current if i not in base and i in disk_items))
            continue
        order = [i for i in disk_items if i in current] + [i for i in current if i not in disk_items]
        children = directory._children
        ordered = [(i[:-1] if i.endswith("/") else i, children[i[:-1] if i.endswith("/") else i])
                   for i in order]
        children.clear()
        children.update(ordered)
        state.folders[key] = (disk_items, tuple(order))
    return sorted(set(conflicts))


def _adopt(directory: ParameterDirectory, name: str, child: Any) -> None:
    """Put a child read from the disk into `directory` as it is (its name
    may be one that only the disk may hold)."""
    directory._children[name] = child
    object.__setattr__(directory, "_keys", None)


def _set_state(books: Dict[str, BookState], key: str, value: Optional[BookState]) -> None:
    if value is None:
        books.pop(key, None)
    else:
        books[key] = value


def _split_book(key: str) -> Tuple[str, str]:
    folder, _slash, file_name = key.rpartition("/")
    return (folder + "/" if folder else ""), file_name[:-len("." + ParameterBook.ExtName)]


def _split_folder(key: str) -> Tuple[str, str]:
    trimmed = key[:-1]
    if "/" in trimmed:
        parent, name = trimmed.rsplit("/", 1)
        return parent + "/", name
    return "", trimmed


def _file_digests(state: _State) -> Dict[str, Optional[bytes]]:
    return {key: value[0] for key, value in state.books.items()}


def _listings(state: _State) -> Dict[str, Items]:
    return {key: value[0] for key, value in state.folders.items()}


def _directory_at(tree: ParameterDirectory, key: str) -> Optional[ParameterDirectory]:
    directory = tree
    for name in key.split("/"):
        if not name:
            continue
        child = directory._children.get(name)
        if not isinstance(child, ParameterDirectory):
            return None
        directory = child
    return directory
