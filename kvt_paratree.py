"""Parameter-tree model: directories hold parameter books, books hold named
parameters, parameters hold typed attributes and per-locale descriptions.

On disk a `ParameterDirectory` is a directory, each of its books a UTF-8 JSON
file named ``<book name>.<ParameterBook.ExtName>`` and each sub-directory a
directory of the same layout.  A small index file (`IndexFileName`) in every
directory keeps the display order of its children.  Attribute values are JSON
values: int, float, str, bool, list, dict and None come back with their exact
type.

Every file is written atomically (a temporary file in the same folder,
flushed, then renamed over the target), so an interrupted save never leaves a
half-written file; files whose content would not change are not rewritten.
Saving a tree is all or nothing: a save that raises leaves every file as it
was, one that returns has written the whole tree (see
`ParameterDirectory.save`).  Loading never writes.

What is on the disk is not trusted.  A book or index that is not UTF-8, not
JSON, or not shaped like one (wrong types, unknown or missing fields, a key
given twice, a number too long to convert, values nested deeper than a save
would accept) fails the load with a `ParameterFileError` naming the file.
Entries whose names a tree could not hold (path separators, control and
other refused characters, reserved device names, hidden and temporary
files) are not part of the tree: a load skips them and a save leaves them
alone.  File names that are not UTF-8 are kept as Python keeps them (lone
surrogates) and written back unchanged.

Links: the directory given to `load` or `save` may itself be a link; the
tree is what it leads to.  Below it, a book, directory or index that is a
link is followed only while it leads to a place inside the tree: one that
leads out of it, or back to a directory the tree already holds, fails the
load, and the save, before anything is written, with a `ParameterFileError`
naming the link.  A save never writes through a link out of the tree; a
book that is a link inside the tree is replaced by a file of its own when
its content changes, and removing an entry that is a link removes only the
link.
"""
import errno
import json
import os
import re
import stat

__all__ = ["Parameter", "ParameterBook", "ParameterDirectory", "InvalidNameCharacters",
           "ParameterFileError", "IndexFileName"]


class _NameCharacters(tuple):
    """The characters a name may not contain; its text form lists them
    readably for messages."""

    def __str__(self):
        return " ".join(c for c in self if c.isprintable()) + " and control characters"


# Names become file and directory names, so they may hold neither a path
# separator nor a character that Windows or Linux refuses in a file name.  The
# full stop separates a book's name from its extension and is the separator of
# dotted tree paths, so it is refused too.
InvalidNameCharacters = _NameCharacters(
    ("/", "\\", ":", "*", "?", '"', "<", ">", "|", ".") + tuple(chr(c) for c in range(32)))

# Names Windows reserves for devices, whatever the extension: refused for the
# names that become files or directories.
_RESERVED_FILE_NAMES = frozenset(
    ["CON", "PRN", "AUX", "NUL"] + ["COM%d" % i for i in range(1, 10)]
    + ["LPT%d" % i for i in range(1, 10)])

_INVALID_CHARACTER = re.compile("[%s]" % re.escape("".join(InvalidNameCharacters)))

# The index file of a directory; its name holds a full stop, so no child's
# file or directory name can equal it.
IndexFileName = ".paratree.json"

_BOOK_FORMAT = "kvt-parameter-book"
_DIRECTORY_FORMAT = "kvt-parameter-directory"
_FORMAT_VERSION = 1
# Deeper values than this are refused rather than risking a recursion error.
_MAX_VALUE_DEPTH = 200

# The books and sub-directories this process last loaded from or saved to
# each directory on disk, keyed by device and inode: (name, kind) pairs.
# Saving removes only entries known to belong to a tree (these and those the
# directory's index lists), never files that someone else put there, and a
# tree loaded from a directory and replaced by a new, empty one (the editor
# clearing everything) still removes what was loaded.
_known_entries = {}


class ParameterFileError(ValueError):
    """A book or index file that cannot be read (not UTF-8, not JSON, or not
    shaped like one), or a place of a tree that a link takes out of it.  The
    text names the file and what is wrong with it; `path` and `problem`
    hold both."""

    def __init__(self, path, problem):
        super().__init__("%s: %s" % (path, problem))
        self.path = path
        self.problem = problem


# --------------------------------------------------------------------------
# Names and values

def _check_name(name, kind, on_disk=False):
    """Refuse a name that is not a non-empty str free of the invalid
    characters; `on_disk` names (directories, books) must also be usable as
    file names on Windows."""
    if not isinstance(name, str):
        raise TypeError("%s name must be a str, not %s" % (kind, type(name).__name__))
    if not name:
        raise ValueError("%s name must not be empty" % kind)
    bad = _INVALID_CHARACTER.search(name)
    if bad:
        raise ValueError("%s name %r contains the invalid character %r (names may not contain %s)"
                         % (kind, name, bad.group(), InvalidNameCharacters))
    if on_disk:
        try:
            os.fsencode(name)
        except UnicodeEncodeError:
            raise ValueError("%s name %r cannot be a file name" % (kind, name)) from None
        if name.upper() in _RESERVED_FILE_NAMES:
            raise ValueError("%s name %r is reserved for a device on Windows" % (kind, name))
        if name.endswith(" "):
            raise ValueError("%s name %r ends with a blank, which Windows drops from file names"
                             % (kind, name))


def _is_valid_name(name, on_disk):
    try:
        _check_name(name, "", on_disk)
    except (TypeError, ValueError):
        return False
    return True


_SCALAR_TYPES = frozenset((int, float, str, bool, type(None)))


def _check_value(value, where, depth=0):
    """Refuse a value that would not come back from the file as it is: only
    int, float, str, bool, None, lists and dicts with str keys of those."""
    kind = type(value)
    if kind in _SCALAR_TYPES:
        return
    if depth >= _MAX_VALUE_DEPTH:
        raise ValueError("%s: the value is nested too deeply or contains itself" % where)
    if isinstance(value, list):
        for item in value:
            if type(item) not in _SCALAR_TYPES:
                _check_value(item, where, depth + 1)
    elif isinstance(value, dict):
        for key, item in value.items():
            if type(key) is not str:
                raise TypeError("%s: dict keys must be str, not %s" % (where, type(key).__name__))
            if type(item) not in _SCALAR_TYPES:
                _check_value(item, where, depth + 1)
    elif isinstance(value, (int, float, str)):
        return
    else:
        raise TypeError("%s: a value of type %s cannot be stored; use int, float, str, bool, "
                        "list, dict or None" % (where, kind.__name__))


def _pairs(source):
    """(key, value) pairs of a mapping or of an iterable of pairs."""
    items = getattr(source, "items", None)
    return list(items()) if items is not None else list(source)


def _short_names(names, limit=8):
    shown = ", ".join(names[:limit])
    if len(names) > limit:
        shown += ", ... (%d more)" % (len(names) - limit)
    return shown


# --------------------------------------------------------------------------
# Model

class Parameter:
    """A named parameter's content: attributes by name (in insertion order)
    and a description text per locale.

    `description` is the text of `DefaultLocal` (or, when that locale has
    none, of the first locale that has one).  A new parameter has an empty
    description in `DefaultLocal`, so that it has a description to edit."""

    DefaultLocal = "en"

    __slots__ = ("_attributes", "_descriptions")

    def __init__(self, attributes=None, descriptions=None):
        self._attributes = {}
        self._descriptions = {}
        if descriptions is None:
            self._descriptions[self.DefaultLocal] = ""
        else:
            for local, text in _pairs(descriptions):
                self.set_description(text, local)
        if attributes is not None:
            for name, value in _pairs(attributes):
                self[name] = value

    # Attributes
    def __getitem__(self, name):
        return self._attributes[name]

    def __setitem__(self, name, value):
        _check_name(name, "attribute")
        _check_value(value, "attribute %r" % name)
        self._attributes[name] = value

    def __delitem__(self, name):
        del self._attributes[name]

    def __contains__(self, name):
        return name in self._attributes

    def __iter__(self):
        return iter(list(self._attributes))

    def __len__(self):
        return len(self._attributes)

    def __bool__(self):
        # A parameter without attributes is still a parameter: callers that
        # test "parameter or a new one" must keep the object they were given.
        return True

    def get(self, name, default=None):
        return self._attributes.get(name, default)

    def items(self):
        """(name, value) pairs in insertion order (a snapshot: the parameter
        may be changed while they are walked)."""
        return list(self._attributes.items())

    def names(self):
        return list(self._attributes)

    # Descriptions
    @property
    def description(self):
        descriptions = self._descriptions
        text = descriptions.get(self.DefaultLocal)
        if text is None:
            text = next(iter(descriptions.values()), "")
        return text

    @description.setter
    def description(self, text):
        self.set_description(text)

    def all_descriptions(self):
        """A new dict from locale to description text, in insertion order."""
        return dict(self._descriptions)

    def get_description(self, local=None):
        """The description in `local` (default `DefaultLocal`); "" if none."""
        return self._descriptions.get(self.DefaultLocal if local is None else local, "")

    def set_description(self, text, local=None):
        if local is None:
            local = self.DefaultLocal
        if not isinstance(local, str) or not local:
            raise ValueError("locale must be a non-empty str, not %r" % (local,))
        if not isinstance(text, str):
            raise TypeError("description must be a str, not %s" % type(text).__name__)
        self._descriptions[local] = text

    def remove_description(self, local):
        del self._descriptions[local]

    # Comparison and display
    def __eq__(self, other):
        if not isinstance(other, Parameter):
            return NotImplemented
        return (list(self._attributes.items()) == list(other._attributes.items())
                and list(self._descriptions.items()) == list(other._descriptions.items()))

    __hash__ = None

    def __repr__(self):
        return "Parameter(%r, descriptions=%r)" % (self._attributes, self._descriptions)

    # File form
    def _to_data(self, where, parameter_name):
        attributes = self._attributes
        for name, value in attributes.items():
            if type(value) not in _SCALAR_TYPES:
                _check_value(value, "%s, parameter %r, attribute %r" % (where, parameter_name, name))
        return {"descriptions": self._descriptions, "attributes": attributes}

    @classmethod
    def _from_data(cls, data, path, name):
        where = "parameter %r" % name
        if type(data) is not dict:
            raise ParameterFileError(path, "%s must be a JSON object, not %s" % (where, _json_kind(data)))
        unknown = set(data) - {"descriptions", "attributes"}
        if unknown:
            raise ParameterFileError(path, "%s has unknown keys: %s" % (where, ", ".join(sorted(unknown))))
        descriptions = data.get("descriptions", {})
        attributes = data.get("attributes", {})
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
        for attribute, value in attributes.items():
            if not _is_valid_name(attribute, False):
                raise ParameterFileError(path, "%s has an invalid attribute name %r" % (where, attribute))
            if type(value) not in _SCALAR_TYPES:
                # Refused here rather than by the next save.
                try:
                    _check_value(value, "attribute %r of %s" % (attribute, where))
                except ValueError as exc:
                    raise ParameterFileError(path, str(exc)) from None
        parameter = cls.__new__(cls)
        parameter._descriptions = descriptions
        parameter._attributes = attributes
        return parameter


class ParameterBook:
    """Named parameters in display order, stored together in one file."""

    ExtName = "para"

    __slots__ = ("_parameters",)

    def __init__(self, parameters=None):
        self._parameters = {}
        if parameters is not None:
            for name, parameter in _pairs(parameters):
                self[name] = parameter

    def __getitem__(self, name):
        return self._parameters[name]

    def __setitem__(self, name, parameter):
        _check_name(name, "parameter")
        if not isinstance(parameter, Parameter):
            raise TypeError("a book holds Parameter objects, not %s" % type(parameter).__name__)
        self._parameters[name] = parameter

    def __delitem__(self, name):
        del self._parameters[name]

    def __contains__(self, name):
        return name in self._parameters

    def __iter__(self):
        return iter(list(self._parameters))

    def __len__(self):
        return len(self._parameters)

    def __bool__(self):
        return True

    def items(self):
        """(name, Parameter) pairs in display order (a snapshot)."""
        return list(self._parameters.items())

    def names(self):
        return list(self._parameters)

    def __eq__(self, other):
        if not isinstance(other, ParameterBook):
            return NotImplemented
        return list(self._parameters.items()) == list(other._parameters.items())

    __hash__ = None

    def __repr__(self):
        return "<ParameterBook: %s>" % _short_names([repr(n) for n in self._parameters])

    # File form
    def _encode(self, where):
        parameters = {name: parameter._to_data(where, name)
                      for name, parameter in self._parameters.items()}
        return _encode({"format": _BOOK_FORMAT, "version": _FORMAT_VERSION,
                        "parameters": parameters}, where)

    @classmethod
    def load(cls, path):
        """The book stored in the file `path`."""
        path = os.fspath(path)
        data = _read_json(path)
        _check_header(data, path, _BOOK_FORMAT)
        if set(data) - {"format", "version", "parameters"}:
            raise ParameterFileError(path, "unknown keys: %s" % ", ".join(
                sorted(set(data) - {"format", "version", "parameters"})))
        if "parameters" not in data:
            raise ParameterFileError(path, '"parameters" is missing')
        parameters = data["parameters"]
        if type(parameters) is not dict:
            raise ParameterFileError(path, '"parameters" must be a JSON object, not %s'
                                     % _json_kind(parameters))
        book = cls.__new__(cls)
        book._parameters = {}
        for name, item in parameters.items():
            if not _is_valid_name(name, False):
                raise ParameterFileError(path, "invalid parameter name %r" % name)
            book._parameters[name] = Parameter._from_data(item, path, name)
        return book

    def save(self, path, *, sync=False):
        """Write the book to the file `path` atomically (`sync` also forces
        the data to the disk before the rename)."""
        path = os.fspath(path)
        _write_if_changed(path, self._encode(path), sync)


class ParameterDirectory:
    """Named sub-directories and books in display order.

    Children are added by item or attribute assignment (``d["name"] = book``
    or ``d.name = book``) and read by item (``d["name"]``) or, where the name
    is not one of the directory's own members, by attribute.  A child named
    like a method (``items``, ``save``) never hides the method."""

    __slots__ = ("_children",)

    def __init__(self, children=None):
        object.__setattr__(self, "_children", {})
        if children is not None:
            for name, child in _pairs(children):
                self[name] = child

    def __getitem__(self, name):
        return self._children[name]

    def __setitem__(self, name, child):
        if isinstance(child, ParameterDirectory):
            _check_name(name, "directory", on_disk=True)
            if child is self or child._contains_directory(self):
                raise ValueError("directory %r would contain itself" % name)
        elif isinstance(child, ParameterBook):
            _check_name(name, "book", on_disk=True)
        else:
            raise TypeError("a directory holds ParameterDirectory and ParameterBook objects, "
                            "not %s" % type(child).__name__)
        self._children[name] = child

    def __delitem__(self, name):
        del self._children[name]

    # Attribute assignment adds a child; the directory's own members live in
    # slots and on the class, so children never replace them.
    def __setattr__(self, name, child):
        self[name] = child

    def __getattr__(self, name):
        # Only reached when normal lookup fails.  Special names are left to
        # Python's protocols (copy, pickle) and never read as children.
        if not (name.startswith("__") and name.endswith("__")):
            try:
                return object.__getattribute__(self, "_children")[name]
            except (KeyError, AttributeError):
                pass
        raise AttributeError("%r object has no attribute or child %r" % (type(self).__name__, name))

    def __delattr__(self, name):
        try:
            del self._children[name]
        except KeyError:
            raise AttributeError(name) from None

    def __reduce__(self):
        return (type(self), (list(self._children.items()),))

    def __contains__(self, name):
        return name in self._children

    def __iter__(self):
        return iter(list(self._children))

    def __len__(self):
        return len(self._children)

    def __bool__(self):
        return True

    def items(self):
        """(name, child) pairs in display order (a snapshot)."""
        return list(self._children.items())

    def names(self):
        return list(self._children)

    def _contains_directory(self, directory):
        pending = [self]
        while pending:
            for child in pending.pop()._children.values():
                if child is directory:
                    return True
                if isinstance(child, ParameterDirectory):
                    pending.append(child)
        return False

    def __eq__(self, other):
        if not isinstance(other, ParameterDirectory):
            return NotImplemented
        return list(self._children.items()) == list(other._children.items())

    __hash__ = None

    def __repr__(self):
        return "<ParameterDirectory: %s>" % _short_names(
            [repr(n) + ("/" if isinstance(c, ParameterDirectory) else "")
             for n, c in self._children.items()])

    # Loading
    @classmethod
    def load(cls, path):
        """The tree stored in the directory `path`.  Loading never writes.

        `path` itself may be a link; the tree's bounds are the directory it
        leads to.  A book, directory or index below it that is a link leading
        outside those bounds fails the load with a `ParameterFileError`
        naming the link, and so does a link that leads back to a directory
        the tree already holds."""
        path = os.fspath(path)
        if not os.path.isdir(path):
            os.stat(path)  # FileNotFoundError for a missing path
            raise NotADirectoryError(errno.ENOTDIR, "not a parameter directory", path)
        return cls._load(path, os.path.realpath(path), set())

    @classmethod
    def _load(cls, path, root, seen):
        real = os.path.realpath(path)
        if real in seen:
            raise ParameterFileError(path, "the directory is already part of the tree "
                                     "(reached again through a link)")
        seen.add(real)
        directory = cls()
        children = directory._children
        members = _members(path, root)
        for name, kind, child_path in members:
            if kind == "book":
                children[name] = ParameterBook.load(child_path)
            else:
                children[name] = cls._load(child_path, root, seen)
        _known_entries[_directory_key(path)] = frozenset((name, kind) for name, kind, _p in members)
        return directory

    # Saving
    def save(self, path, *, sync=False):
        """Make the directory `path` hold this tree: write every book and
        sub-directory, then remove the books and sub-directories that the
        tree no longer has, and leave every other file alone.

        Only entries known to belong to a tree are removed: those the
        directory's index lists (written by an earlier save) and those this
        process last loaded from or saved to that very directory.  Books and
        directories put there by hand or by other programs since, and
        whatever a directory held before a tree was first saved into it,
        stay.  Links follow the rules of `load`: the save refuses, before
        writing anything, a place below `path` that is a link leading out of
        the tree or to a directory another part of the tree is saved to.  A
        book that is a link inside the tree is replaced by a file when its
        content changes.

        The save is all or nothing.  Everything is encoded and checked
        first; then missing directories are made and every new or changed
        file is written to a temporary file beside its target (`sync` forces
        each to the disk); then the temporary files are renamed over their
        targets, the old files being kept aside under hidden names, and the
        entries to remove are moved aside as well.  The last of these moves
        is the commit point: a failure before it puts every old file back,
        removes the temporary files and the directories the save made and
        raises, so the directory holds exactly what it held before.  After
        it, only the files kept aside are deleted and emptied directories
        removed; a failure there is not raised (the tree is saved and every
        hidden leftover is outside it) and the next save retries the
        deletion.  The model itself is never changed by a save."""
        path = os.fspath(path)
        _remove_leftovers()
        plans = []
        self._prepare(path, os.path.realpath(path), set(), plans)
        _Save(sync).run(plans)
        for plan in plans:
            try:
                _known_entries[_directory_key(plan.path)] = plan.kept
            except OSError:
                pass  # the index written lists the same entries

    def _prepare(self, path, root, seen, plans):
        """Append to `plans` what saving this directory at `path` changes,
        parents before their sub-directories; nothing is written."""
        try:
            exists = stat.S_ISDIR(os.stat(path).st_mode)
        except FileNotFoundError:
            exists = False
        if not exists and os.path.lexists(path):
            raise NotADirectoryError(errno.ENOTDIR, "a file is in the way of a parameter directory",
                                     path)
        real = os.path.realpath(path)
        if not _is_inside(real, root):
            raise ParameterFileError(path, "a link to %s, outside the parameter tree %s; links are "
                                     "only followed inside the tree" % (real, root))
        if real in seen:
            raise ParameterFileError(path, "the same directory as another directory of the tree "
                                     "(through a link)")
        seen.add(real)
        plan = _Plan(path, exists)
        plans.append(plan)
        existing, known = [], set()
        if plan.exists:
            existing, listed = _scan(path, root, tolerant=True)
            known = set(listed or ()) | _known_entries.get(_directory_key(path), frozenset())
        order = []
        for name, child in self._children.items():
            child_path = os.path.join(path, name)
            if isinstance(child, ParameterDirectory):
                child._prepare(child_path, root, seen, plans)
                order.append(name + "/")
            else:
                file_path = child_path + "." + ParameterBook.ExtName
                plan.add_file(file_path, child._encode(file_path), root)
                order.append(name)
        index_path = os.path.join(path, IndexFileName)
        plan.add_file(index_path, _encode({"format": _DIRECTORY_FORMAT, "version": _FORMAT_VERSION,
                                           "items": order}, index_path), root)
        plan.kept = frozenset((name, "directory" if isinstance(child, ParameterDirectory) else "book")
                              for name, child in self._children.items())
        for name, kind, member_path in existing:
            if (name, kind) not in plan.kept and (name, kind) in known:
                plan.remove(member_path, kind, root)


class _Plan:
    """What a save changes in one directory: the files to write (only those
    whose content differs), the files to remove and the directories that
    removing them may leave empty (deepest first)."""

    __slots__ = ("path", "exists", "files", "removed", "emptied", "kept")

    def __init__(self, path, exists):
        self.path, self.exists = path, exists
        self.files, self.removed, self.emptied = [], [], []
        self.kept = frozenset()

    def add_file(self, target, data, root):
        if os.path.isdir(target):
            raise IsADirectoryError(errno.EISDIR, "a directory is in the way of a parameter "
                                    "book or index", target)
        if os.path.islink(target) and not _is_inside(os.path.realpath(target), root):
            raise ParameterFileError(target, "a link to %s, outside the parameter tree %s; links "
                                     "are only followed inside the tree"
                                     % (os.path.realpath(target), root))
        if not _holds(target, data):
            self.files.append((target, data))

    def remove(self, member_path, kind, root):
        """Plan the removal of a stored book or directory: a link is removed
        itself, never what it leads to; a directory loses its books,
        sub-directories and index and goes only if nothing else is left."""
        if kind == "book" or os.path.islink(member_path):
            self.removed.append(member_path)
            return
        members, _listed = _scan(member_path, root, tolerant=True)
        for _name, member_kind, path in members:
            self.remove(path, member_kind, root)
        index_path = os.path.join(member_path, IndexFileName)
        if os.path.lexists(index_path):
            self.removed.append(index_path)
        self.emptied.append(member_path)


# Errors of os.link meaning that the file system cannot make hard links; the
# old file is then renamed aside instead of linked.
_NO_HARD_LINKS = frozenset(getattr(errno, name) for name in
                           ("EPERM", "EOPNOTSUPP", "ENOTSUP", "ENOSYS", "EXDEV", "EMLINK", "EACCES")
                           if hasattr(errno, name))
_LINK_KEEPS_SYMLINKS = os.link in os.supports_follow_symlinks

# Hidden files and emptied directories whose deletion failed after a save
# had committed; every save tries again.
_leftovers = set()


class _Save:
    """The file operations of one save, with what undoes each of them."""

    def __init__(self, sync):
        self.sync = sync
        self.temporaries = []  # staged files not renamed over their targets yet
        self.created = []      # directories made by this save
        self.undo = []         # ("unlink", path) or ("replace", aside, target), in order done
        self.asides = []       # old files kept aside, deleted once the save has committed

    def run(self, plans):
        staged = []
        try:
            for plan in plans:
                if not plan.exists:
                    self.make_directory(plan.path)
                for target, data in plan.files:
                    staged.append((self.stage(target, data), target))
            for temporary, target in staged:
                self.install(temporary, target)
            for plan in plans:
                for path in plan.removed:
                    aside = _hidden_name(path, "old")
                    _with_target(os.rename, path, aside)
                    self.undo.append(("replace", aside, path))
                    self.asides.append(aside)
        except BaseException as exc:
            self.roll_back(exc)
            raise
        # Committed: what is left only tidies up hidden files.
        for aside in self.asides:
            _remove_leftover(aside)
        for plan in plans:
            for folder in plan.emptied:
                _remove_leftover(folder)

    def make_directory(self, path):
        """Make the directory `path` and its missing parents."""
        missing = []
        path = path.rstrip(os.sep) or path
        while path and not os.path.lexists(path):
            missing.append(path)
            parent = os.path.dirname(path)
            if parent == path:
                break
            path = parent
        for folder in reversed(missing):
            _with_target(os.mkdir, folder)
            self.created.append(folder)

    def stage(self, target, data):
        """Write `data` to a new temporary file beside `target`, with the
        permissions of `target` if it exists; returns the file's path."""
        while True:
            temporary = _hidden_name(target, "tmp")
            try:
                descriptor = _with_target(os.open, temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL
                                          | getattr(os, "O_BINARY", 0), 0o666, target=target)
            except FileExistsError:
                continue
            break
        self.temporaries.append(temporary)
        try:
            with os.fdopen(descriptor, "wb") as file:
                file.write(data)
                file.flush()
                if self.sync:
                    os.fsync(file.fileno())
        except OSError as exc:
            exc.filename, exc.filename2 = target, None
            raise
        try:
            mode = stat.S_IMODE(_with_target(os.stat, target).st_mode)
        except FileNotFoundError:
            pass
        else:
            _with_target(os.chmod, temporary, mode, target=target)
        return temporary

    def install(self, temporary, target):
        """Rename `temporary` over `target`, keeping the old file aside (as
        a second hard link where the file system allows it, so that `target`
        is never missing)."""
        replaced = False
        while True:
            aside = _hidden_name(target, "old")
            try:
                if _LINK_KEEPS_SYMLINKS:
                    os.link(target, aside, follow_symlinks=False)
                else:
                    os.link(target, aside)
                self.undo.append(("unlink", aside))
            except FileExistsError:
                continue
            except FileNotFoundError:
                break  # a new file
            except OSError as exc:
                if exc.errno not in _NO_HARD_LINKS:
                    exc.filename, exc.filename2 = target, None
                    raise
                try:
                    os.rename(target, aside)
                except FileNotFoundError:
                    break
                except OSError as exc:
                    exc.filename, exc.filename2 = target, None
                    raise
                self.undo.append(("replace", aside, target))
            replaced = True
            break
        _with_target(os.replace, temporary, target, target=target)
        self.temporaries.remove(temporary)
        if replaced:
            self.undo[-1] = ("replace", aside, target)
            self.asides.append(aside)
        else:
            self.undo.append(("unlink", target))

    def roll_back(self, exc):
        """Undo everything done so far, newest first; what cannot be undone
        is noted on the exception being raised."""
        failures = []
        for step in reversed(self.undo):
            try:
                if step[0] == "unlink":
                    os.unlink(step[1])
                else:
                    os.replace(step[1], step[2])
            except OSError as error:
                failures.append("could not undo %s of %s: %s" % (step[0], step[-1], error))
        for temporary in self.temporaries:
            try:
                os.unlink(temporary)
            except FileNotFoundError:
                pass
            except OSError as error:
                _leftovers.add(temporary)
                failures.append("could not remove %s: %s" % (temporary, error))
        for folder in reversed(self.created):
            try:
                os.rmdir(folder)
            except OSError as error:
                _leftovers.add(folder)
                failures.append("could not remove %s: %s" % (folder, error))
        if failures and hasattr(exc, "add_note"):
            for failure in failures:
                exc.add_note(failure)


def _with_target(function, *args, target=None):
    """Call an os function; an OSError names `target` (by default the first
    argument) rather than a temporary file."""
    try:
        return function(*args)
    except OSError as exc:
        exc.filename, exc.filename2 = args[0] if target is None else target, None
        raise


def _hidden_name(path, kind):
    """A free name beside `path` for a temporary or kept-aside file: it
    starts with a full stop and holds more, so it is never a tree entry."""
    folder, base = os.path.split(path)
    while True:
        candidate = os.path.join(folder, ".%s.%s.%s" % (base, os.urandom(4).hex(), kind))
        if not os.path.lexists(candidate):
            return candidate


def _remove_leftover(path):
    """Delete a kept-aside file or remove an emptied directory; directories
    still holding something stay, and a failure is retried by the next save."""
    try:
        if os.path.isdir(path) and not os.path.islink(path):
            os.rmdir(path)
        else:
            os.unlink(path)
    except FileNotFoundError:
        pass
    except OSError as exc:
        # A directory that still holds someone else's files stays for good;
        # one that holds a leftover of ours is tried again with it.
        inside = path.rstrip(os.sep) + os.sep
        if (exc.errno not in (errno.ENOTEMPTY, errno.EEXIST)
                or any(p.startswith(inside) for p in _leftovers)):
            _leftovers.add(path)
            return
    _leftovers.discard(path)


def _remove_leftovers():
    for path in sorted(_leftovers, reverse=True):  # files before their folders
        _remove_leftover(path)


def _is_inside(real, root):
    return real == root or real.startswith(root.rstrip(os.sep) + os.sep)


def _holds(path, data):
    """Whether the file `path` already holds exactly `data`: re-saving a
    tree rewrites only the files that changed."""
    try:
        with open(path, "rb") as file:
            return os.fstat(file.fileno()).st_size == len(data) and file.read() == data
    except OSError:
        return False


def _directory_key(path):
    info = os.stat(path)
    return info.st_dev, info.st_ino


# --------------------------------------------------------------------------
# Directory contents

def _outside_link(path, root):
    """The real path of `path` if it is a link leading outside `root`."""
    if root is not None and os.path.islink(path):
        real = os.path.realpath(path)
        if not _is_inside(real, root):
            return real
    return None


def _members(path, root=None):
    """The stored children of the directory `path` as (name, kind, path)
    triples, kind "book" or "directory", in display order; see `_scan`."""
    return _scan(path, root)[0]


def _scan(path, root=None, tolerant=False):
    """The stored children of the directory `path` and the (name, kind)
    entries its index lists (None without an index).

    Books are the files named ``<valid name>.<ExtName>``.  Sub-directories
    with valid names belong to the tree when the index lists them or they
    hold an index of their own; in a directory without an index (one made by
    hand) every such sub-directory does.  Children the index lists come first,
    in its order; the others follow sorted, directories first.  Entries the
    index lists but that are gone from the disk are skipped; other entries
    (names that could not be saved, hidden and temporary files, links that
    lead nowhere) are not part of the tree.  A child or index that is a link
    leading outside `root` is refused with a `ParameterFileError`.  A
    `tolerant` reading (when saving over a directory) takes an unreadable
    index for an empty one, so that saving repairs it, and lists links
    leading outside the tree (the save refuses to write through them and
    removes only the link itself)."""
    suffix = "." + ParameterBook.ExtName
    books, directories = {}, {}
    with os.scandir(path) as entries:
        for entry in entries:
            name = entry.name
            if entry.is_dir():
                if _is_valid_name(name, True):
                    directories[name] = entry.path
            elif name.endswith(suffix) and entry.is_file():
                stem = name[:-len(suffix)]
                if _is_valid_name(stem, True):
                    books[stem] = entry.path
    index_path = os.path.join(path, IndexFileName)
    listed = None
    if os.path.isfile(index_path):
        try:
            outside = _outside_link(index_path, root)
            if outside is not None:
                raise ParameterFileError(index_path, "a link to %s, outside the parameter tree %s"
                                         % (outside, root))
            listed = _read_index(index_path)
        except (ParameterFileError, OSError):
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
        if (name, "directory") not in seen and (
                listed is None or os.path.isfile(os.path.join(directories[name], IndexFileName))):
            members.append((name, "directory", directories[name]))
    for name in sorted(books):
        if (name, "book") not in seen:
            members.append((name, "book", books[name]))
    if not tolerant:
        for _name, _kind, member_path in members:
            outside = _outside_link(member_path, root)
            if outside is not None:
                raise ParameterFileError(member_path, "a link to %s, outside the parameter tree %s; "
                                         "links are only followed inside the tree" % (outside, root))
    return members, listed


def _read_index(path):
    data = _read_json(path)
    _check_header(data, path, _DIRECTORY_FORMAT)
    items = data.get("items")
    if type(items) is not list:
        raise ParameterFileError(path, '"items" must be a JSON array, not %s' % _json_kind(items))
    listed, seen = [], set()
    for item in items:
        if type(item) is not str:
            raise ParameterFileError(path, "items must be strings, not %s" % _json_kind(item))
        name, kind = (item[:-1], "directory") if item.endswith("/") else (item, "book")
        if not _is_valid_name(name, True):
            raise ParameterFileError(path, "invalid item name %r" % item)
        if (name, kind) in seen:
            raise ParameterFileError(path, "item %r is listed twice" % item)
        seen.add((name, kind))
        listed.append((name, kind))
    return listed


# --------------------------------------------------------------------------
# Files

def _json_kind(value):
    return {dict: "an object", list: "an array", str: "a string", bool: "a boolean",
            int: "a number", float: "a number", type(None): "null"}.get(type(value), "missing")


class _DuplicateKey(Exception):
    pass


def _object_without_duplicates(pairs):
    data = dict(pairs)
    if len(data) != len(pairs):
        seen = set()
        for key, _value in pairs:
            if key in seen:
                raise _DuplicateKey(key)
            seen.add(key)
    return data


# One decoder for every file: the duplicate-key check needs a hook, and
# json.loads would build a new decoder for each call with one.
_DECODER = json.JSONDecoder(object_pairs_hook=_object_without_duplicates)


def _read_json(path):
    with open(path, "rb") as file:
        raw = file.read()
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
        raise ParameterFileError(path, "the key %r appears twice in one object" % exc.args[0]) from None
    except RecursionError:
        raise ParameterFileError(path, "not valid JSON: nested too deeply") from None
    except ValueError as exc:  # an integer with more digits than int() converts
        raise ParameterFileError(path, "not readable: %s" % exc) from None


def _check_header(data, path, expected):
    if type(data) is not dict:
        raise ParameterFileError(path, "expected a JSON object at the top, not %s" % _json_kind(data))
    found = data.get("format", expected)
    if found != expected:
        raise ParameterFileError(path, "format is %r, expected %r" % (found, expected))
    version = data.get("version", _FORMAT_VERSION)
    if type(version) is not int or version < 1:
        raise ParameterFileError(path, "invalid format version %r" % (version,))
    if version > _FORMAT_VERSION:
        raise ParameterFileError(path, "format version %d is newer than this program reads (%d)"
                                 % (version, _FORMAT_VERSION))


def _encode(data, where):
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


def _write_if_changed(path, data, sync):
    """Write `data` to `path` unless the file already holds exactly that."""
    if not _holds(path, data):
        _write_atomic(path, data, sync)


def _write_atomic(path, data, sync):
    """Write `data` to `path` through a temporary file in the same folder,
    so that `path` holds either its old or its new content, never a part.
    A failure is reported against `path`, not the temporary file's name."""
    save = _Save(sync)
    try:
        temporary = save.stage(path, data)
        _with_target(os.replace, temporary, path, target=path)
    except BaseException as exc:
        save.roll_back(exc)
        raise
