"""The objects of a parameter tree: directories hold parameter books, books
hold named parameters, parameters hold typed attributes and per-locale
descriptions.  This module knows names, values and equality; how a tree is
kept on disk is in `store`.

Attribute values are JSON values: int, float, str, bool, list, dict (str
keys) and None, so that each comes back from the disk with its exact type.
Names become file names, JSON keys and parts of dotted paths, so the model
refuses the ones that would not survive that on every system (see
`check_name`); trees read from the disk keep whatever names they hold.
"""
import os
import re
import unicodedata
from typing import TYPE_CHECKING, Any, Dict, Iterator, List, Optional, Set, Tuple, Type, Union

__all__ = ["Parameter", "ParameterBook", "ParameterDirectory", "InvalidNameCharacters",
           "MaxTreeDepth", "MaxFileNameBytes"]


# What load and save accept as a folder or file: a text path or a path object.
_PathLike = Union[str, "os.PathLike[str]"]

if TYPE_CHECKING:
    _Characters = Tuple[str, ...]
else:
    _Characters = tuple


class _NameCharacters(_Characters):
    """The characters a name may not contain; its text form lists them
    readably for messages."""

    def __str__(self) -> str:
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

# The longest file name (in bytes of its UTF-8 form) that the common file
# systems take; a book's file name is its name plus "." and the extension.
MaxFileNameBytes = 255

# The deepest tree (levels of directories below the root) that is built,
# loaded or saved.  Deeper ones would exceed the path length of every common
# system long before this; the limit keeps walking them cheap and safe.
MaxTreeDepth = 256

# Deeper values than this are refused rather than risking a recursion error.
MAX_VALUE_DEPTH = 200

# Unicode categories refused in new names: lone surrogates (no file system
# stores them the same everywhere), format characters (invisible: zero-width
# space, byte-order mark) and line and paragraph separators.
_REFUSED_CATEGORIES = {"Cs": "a lone surrogate", "Cf": "an invisible format character",
                       "Zl": "a line separator", "Zp": "a paragraph separator"}


# --------------------------------------------------------------------------
# Names and values

def check_name(name: Any, kind: str, on_disk: bool = False, suffix: str = "") -> None:
    """Refuse a new name that is not a non-empty str free of the invalid
    characters.  `on_disk` names (directories, books, whose file name is the
    name plus `suffix`) must also be usable as file names on every system:
    no device name of Windows, no lone surrogate, format character (such as
    a zero-width space) or line or paragraph separator, no space of any kind
    at the end, and a file name within the file systems' length limit."""
    check_stored_name(name, kind, on_disk)
    if not on_disk:
        return
    for character in name:
        if ord(character) < 128:
            continue
        problem = _REFUSED_CATEGORIES.get(unicodedata.category(character))
        if problem is not None:
            raise ValueError("%s name %r contains %s (U+%04X), which names may not hold"
                             % (kind, name, problem, ord(character)))
    if name[-1].isspace():
        raise ValueError("%s name %r ends with a space (U+%04X); names may not end in a space"
                         % (kind, name, ord(name[-1])))
    size = len((name + suffix).encode("utf-8"))
    if size > MaxFileNameBytes:
        raise ValueError("%s name %r is too long: its file name would take %d bytes, more "
                         "than the %d that file systems allow" % (kind, name, size,
                                                                  MaxFileNameBytes))


def check_stored_name(name: Any, kind: str, on_disk: bool = False) -> None:
    """The rules every name read from the disk must follow: a non-empty str
    without invalid characters (and, for files, not a device name and not
    ending in a blank)."""
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
            name.encode("utf-8", "surrogateescape")
        except UnicodeEncodeError:
            raise ValueError("%s name %r cannot be a file name" % (kind, name)) from None
        if name.upper() in _RESERVED_FILE_NAMES:
            raise ValueError("%s name %r is reserved for a device on Windows" % (kind, name))
        if name.endswith(" "):
            raise ValueError("%s name %r ends with a blank, which Windows drops from file names"
                             % (kind, name))


def is_stored_name(name: str, on_disk: bool) -> bool:
    # Called for every name a load reads: the common case without a call
    # or an exception.
    if not on_disk:
        return type(name) is str and name != "" and _INVALID_CHARACTER.search(name) is None
    try:
        check_stored_name(name, "", on_disk)
    except (TypeError, ValueError):
        return False
    return True


def all_stored_names(names: Any) -> bool:
    """Whether every key of a dict read from JSON (so every one a str) is a
    valid name: one search over all of them, for the load's sake."""
    return "" not in names and _INVALID_CHARACTER.search("".join(names)) is None


def name_key(name: str) -> str:
    """The form under which file systems that ignore letter case or Unicode
    normalization (Windows, macOS) see a name."""
    return unicodedata.normalize("NFC", name).lower()


SCALAR_TYPES = frozenset((int, float, str, bool, type(None)))


def check_value(value: Any, where: str, depth: int = 0) -> None:
    """Refuse a value that would not come back from the file as it is: only
    int, float, str, bool, None, lists and dicts with str keys of those."""
    kind = type(value)
    if kind in SCALAR_TYPES:
        return
    if depth >= MAX_VALUE_DEPTH:
        raise ValueError("%s: the value is nested too deeply or contains itself" % where)
    if isinstance(value, list):
        for item in value:
            if type(item) not in SCALAR_TYPES:
                check_value(item, where, depth + 1)
    elif isinstance(value, dict):
        for key, item in value.items():
            if type(key) is not str:
                raise TypeError("%s: dict keys must be str, not %s" % (where, type(key).__name__))
            if type(item) not in SCALAR_TYPES:
                check_value(item, where, depth + 1)
    elif not isinstance(value, (int, float, str)):
        raise TypeError("%s: a value of type %s cannot be stored; use int, float, str, bool, "
                        "list, dict or None" % (where, kind.__name__))


def _pairs(source: Any) -> List[Tuple[Any, Any]]:
    """(key, value) pairs of a mapping or of an iterable of pairs."""
    items = getattr(source, "items", None)
    return list(items()) if items is not None else list(source)


def _short_names(names: List[str], limit: int = 8) -> str:
    shown = ", ".join(names[:limit])
    if len(names) > limit:
        shown += ", ... (%d more)" % (len(names) - limit)
    return shown


# --------------------------------------------------------------------------
# Objects

class Parameter:
    """A named parameter's content: attributes by name (in insertion order)
    and a description text per locale.

    `description` is the text of `DefaultLocal` (or, when that locale has
    none, of the first locale that has one).  A new parameter has an empty
    description in `DefaultLocal`, so that it has a description to edit."""

    DefaultLocal = "en"

    __slots__ = ("_attributes", "_descriptions")

    def __init__(self, attributes: Any = None, descriptions: Any = None) -> None:
        self._attributes = {}  # type: Dict[str, Any]
        self._descriptions = {}  # type: Dict[str, str]
        if descriptions is None:
            self._descriptions[self.DefaultLocal] = ""
        else:
            for local, text in _pairs(descriptions):
                self.set_description(text, local)
        if attributes is not None:
            for name, value in _pairs(attributes):
                self[name] = value

    # Attributes
    def __getitem__(self, name: str) -> Any:
        return self._attributes[name]

    def __setitem__(self, name: str, value: Any) -> None:
        if name not in self._attributes:
            check_name(name, "attribute")
        check_value(value, "attribute %r" % name)
        self._attributes[name] = value

    def __delitem__(self, name: str) -> None:
        del self._attributes[name]

    def __contains__(self, name: object) -> bool:
        return name in self._attributes

    def __iter__(self) -> Iterator[str]:
        return iter(list(self._attributes))

    def __len__(self) -> int:
        return len(self._attributes)

    def __bool__(self) -> bool:
        # A parameter without attributes is still a parameter: callers that
        # test "parameter or a new one" must keep the object they were given.
        return True

    def get(self, name: str, default: Any = None) -> Any:
        """The value of attribute `name`, or `default` when there is none."""
        return self._attributes.get(name, default)

    def items(self) -> List[Tuple[str, Any]]:
        """(name, value) pairs in insertion order (a snapshot: the parameter
        may be changed while they are walked)."""
        return list(self._attributes.items())

    def names(self) -> List[str]:
        """The attribute names in insertion order."""
        return list(self._attributes)

    # Descriptions
    @property
    def description(self) -> str:
        """The description in `DefaultLocal`, else the first one, else ""."""
        descriptions = self._descriptions
        if self.DefaultLocal in descriptions:
            return descriptions[self.DefaultLocal]
        return next(iter(descriptions.values()), "")

    @description.setter
    def description(self, text: str) -> None:
        self.set_description(text)

    def all_descriptions(self) -> Dict[str, str]:
        """A new dict from locale to description text, in insertion order."""
        return dict(self._descriptions)

    def get_description(self, local: Optional[str] = None) -> str:
        """The description in `local` (default `DefaultLocal`); "" if none."""
        return self._descriptions.get(self.DefaultLocal if local is None else local, "")

    def set_description(self, text: str, local: Optional[str] = None) -> None:
        """Sets the description in `local` (default `DefaultLocal`)."""
        if local is None:
            local = self.DefaultLocal
        if not isinstance(local, str) or not local:
            raise ValueError("locale must be a non-empty str, not %r" % (local,))
        if not isinstance(text, str):
            raise TypeError("description must be a str, not %s" % type(text).__name__)
        self._descriptions[local] = text

    def remove_description(self, local: str) -> None:
        """Removes the description in `local` (KeyError when there is none)."""
        del self._descriptions[local]

    # Comparison and display
    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Parameter):
            return NotImplemented
        return (list(self._attributes.items()) == list(other._attributes.items())
                and list(self._descriptions.items()) == list(other._descriptions.items()))

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        return "Parameter(%r, descriptions=%r)" % (self._attributes, self._descriptions)


class ParameterBook:
    """Named parameters in display order, stored together in one file."""

    ExtName = "para"

    __slots__ = ("_parameters",)

    def __init__(self, parameters: Any = None) -> None:
        self._parameters = {}  # type: Dict[str, Parameter]
        if parameters is not None:
            for name, parameter in _pairs(parameters):
                self[name] = parameter

    def __getitem__(self, name: str) -> Parameter:
        return self._parameters[name]

    def __setitem__(self, name: str, parameter: Parameter) -> None:
        if name not in self._parameters:
            check_name(name, "parameter")
        if not isinstance(parameter, Parameter):
            raise TypeError("a book holds Parameter objects, not %s" % type(parameter).__name__)
        self._parameters[name] = parameter

    def __delitem__(self, name: str) -> None:
        del self._parameters[name]

    def __contains__(self, name: object) -> bool:
        return name in self._parameters

    def __iter__(self) -> Iterator[str]:
        return iter(list(self._parameters))

    def __len__(self) -> int:
        return len(self._parameters)

    def __bool__(self) -> bool:
        return True

    def items(self) -> List[Tuple[str, Parameter]]:
        """(name, Parameter) pairs in display order (a snapshot)."""
        return list(self._parameters.items())

    def names(self) -> List[str]:
        """The parameter names in insertion order."""
        return list(self._parameters)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, ParameterBook):
            return NotImplemented
        return list(self._parameters.items()) == list(other._parameters.items())

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        return "<ParameterBook: %s>" % _short_names([repr(n) for n in self._parameters])

    @classmethod
    def load(cls, path: _PathLike) -> "ParameterBook":
        """The book stored in the file `path`."""
        from . import store
        return store.load_book(cls, path)

    def save(self, path: _PathLike, *, sync: bool = True) -> None:
        """Write the book to the file `path` atomically (`sync` also forces
        the data and the directory entry to the disk)."""
        from . import store
        store.save_book(self, path, sync)


Child = Union["ParameterDirectory", ParameterBook]


def _restore_directory(cls: "Type[ParameterDirectory]", children: List[Tuple[str, Child]]) -> "ParameterDirectory":
    """Rebuild a pickled or copied directory as it was, names included (a
    tree read from the disk may hold names that new ones may not)."""
    directory = cls()
    directory._children.update(children)
    return directory


class ParameterDirectory:
    """Named sub-directories and books in display order.

    Children are added by item or attribute assignment (``d["name"] = book``
    or ``d.name = book``) and read by item (``d["name"]``) or, where the name
    is not one of the directory's own members, by attribute.  A child named
    like a method (``items``, ``save``) never hides the method.

    A tree loaded from or saved to a folder remembers what that folder held
    (see `store`): `is_modified`, `changed_on_disk` and `refresh` tell and
    merge the differences, and the next `save` there writes only what this
    tree changed.  Copies and pickles of a tree are equal to it but remember
    no folder."""

    __slots__ = ("_children", "_keys", "_store")

    def __init__(self, children: Any = None) -> None:
        object.__setattr__(self, "_children", {})
        object.__setattr__(self, "_keys", None)
        object.__setattr__(self, "_store", None)
        if children is not None:
            for name, child in _pairs(children):
                self[name] = child

    if False:  # attribute types for type checkers; __setattr__ adds children
        _children = {}  # type: Dict[str, Child]
        _keys = None  # type: Optional[Dict[Tuple[bool, str], Set[str]]]
        _store = None  # type: Any

    def __getitem__(self, name: str) -> Child:
        return self._children[name]

    def __setitem__(self, name: str, child: Child) -> None:
        is_directory = isinstance(child, ParameterDirectory)
        if is_directory:
            if name not in self._children:
                check_name(name, "directory", on_disk=True)
            if child is self or child._contains_directory(self):  # type: ignore[union-attr]
                raise ValueError("directory %r would contain itself" % name)
            depth = child.depth() + 1  # type: ignore[union-attr]
            if depth > MaxTreeDepth:
                raise ValueError("directory %r is %d levels deep; a tree may be at most %d levels "
                                 "deep" % (name, depth, MaxTreeDepth))
        elif isinstance(child, ParameterBook):
            if name not in self._children:
                check_name(name, "book", on_disk=True, suffix="." + ParameterBook.ExtName)
        else:
            raise TypeError("a directory holds ParameterDirectory and ParameterBook objects, "
                            "not %s" % type(child).__name__)
        keys = self._name_keys()
        key = (is_directory, name_key(name))
        twins = keys.get(key)
        if twins and name not in twins:
            raise ValueError("%s name %r differs from its sibling %r only in letter case or "
                             "Unicode form, which Windows and macOS file systems do not tell "
                             "apart" % ("directory" if is_directory else "book", name,
                                        sorted(twins)[0]))
        old = self._children.get(name)
        if old is not None and isinstance(old, ParameterDirectory) != is_directory:
            self._forget_key(name, not is_directory)
        keys.setdefault(key, set()).add(name)
        self._children[name] = child

    def _name_keys(self) -> Dict[Tuple[bool, str], Set[str]]:
        keys = self._keys
        if keys is None:
            keys = {}
            for name, child in self._children.items():
                keys.setdefault((isinstance(child, ParameterDirectory), name_key(name)),
                                set()).add(name)
            object.__setattr__(self, "_keys", keys)
        return keys

    def _forget_key(self, name: str, is_directory: bool) -> None:
        keys = self._keys
        if keys is not None:
            key = (is_directory, name_key(name))
            names = keys.get(key)
            if names is not None:
                names.discard(name)
                if not names:
                    del keys[key]

    def __delitem__(self, name: str) -> None:
        child = self._children.pop(name)
        self._forget_key(name, isinstance(child, ParameterDirectory))

    # Attribute assignment adds a child; the directory's own members live in
    # slots and on the class, so children never replace them.
    def __setattr__(self, name: str, child: Any) -> None:
        self[name] = child

    def __getattr__(self, name: str) -> Any:
        # Only reached when normal lookup fails.  Special names are left to
        # Python's protocols (copy, pickle) and never read as children.
        if not (name.startswith("__") and name.endswith("__")):
            try:
                return object.__getattribute__(self, "_children")[name]
            except (KeyError, AttributeError):
                pass
        raise AttributeError("%r object has no attribute or child %r" % (type(self).__name__, name))

    def __delattr__(self, name: str) -> None:
        try:
            del self[name]
        except KeyError:
            raise AttributeError(name) from None

    def __reduce__(self) -> Tuple[Any, ...]:
        return (_restore_directory, (type(self), list(self._children.items())))

    def __contains__(self, name: object) -> bool:
        return name in self._children

    def __iter__(self) -> Iterator[str]:
        return iter(list(self._children))

    def __len__(self) -> int:
        return len(self._children)

    def __bool__(self) -> bool:
        return True

    def items(self) -> List[Tuple[str, Child]]:
        """(name, child) pairs in display order (a snapshot)."""
        return list(self._children.items())

    def names(self) -> List[str]:
        """The child names in display order."""
        return list(self._children)

    def walk(self) -> Iterator[Tuple[Tuple[str, ...], "ParameterDirectory"]]:
        """(names from this directory, directory) of this directory and every
        directory below it, parents before their children, without recursion."""
        pending = [((), self)]  # type: List[Tuple[Tuple[str, ...], ParameterDirectory]]
        while pending:
            names, directory = pending.pop()
            yield names, directory
            below = [(names + (name,), child) for name, child in directory._children.items()
                     if isinstance(child, ParameterDirectory)]
            pending.extend(reversed(below))

    def depth(self) -> int:
        """Levels of directories below this one (0 without sub-directories)."""
        return max(len(names) for names, _directory in self.walk())

    def _contains_directory(self, directory: "ParameterDirectory") -> bool:
        return any(found is directory for _names, found in self.walk())

    def __eq__(self, other: object) -> bool:
        # Walked with a list rather than by recursion: a tree of any depth
        # compares without exhausting the stack.
        if not isinstance(other, ParameterDirectory):
            return NotImplemented
        pending = [(self, other)]
        while pending:
            mine, theirs = pending.pop()
            if mine is theirs:
                continue
            if len(mine._children) != len(theirs._children):
                return False
            for (name, child), (other_name, other_child) in zip(mine._children.items(),
                                                                  theirs._children.items()):
                if name != other_name:
                    return False
                if isinstance(child, ParameterDirectory):
                    if not isinstance(other_child, ParameterDirectory):
                        result = child == other_child
                        if result is NotImplemented or not result:
                            return False
                    else:
                        pending.append((child, other_child))
                elif not child == other_child:
                    return False
        return True

    __hash__ = None  # type: ignore[assignment]

    def __repr__(self) -> str:
        return "<ParameterDirectory: %s>" % _short_names(
            [repr(n) + ("/" if isinstance(c, ParameterDirectory) else "")
             for n, c in self._children.items()])

    # The disk: see `store`.
    @classmethod
    def load(cls, path: _PathLike, *, timeout: float = 10.0) -> "ParameterDirectory":
        """The tree stored in the directory `path` (see `store.load_tree`)."""
        from . import store
        return store.load_tree(cls, path, timeout)

    def save(self, path: Any, *, sync: bool = True, overwrite: bool = False,
             timeout: float = 10.0) -> None:
        """Make the directory `path` hold this tree (see `store.save_tree`)."""
        from . import store
        store.save_tree(self, path, sync, overwrite, timeout)

    def is_modified(self) -> bool:
        """Whether this tree differs from what it last loaded from or saved
        to its folder (a tree that never was is modified unless empty)."""
        from . import store
        return store.is_modified(self)

    def changed_on_disk(self) -> List[str]:
        """The books ("a/b.para") and folders ("a/") that changed in this
        tree's folder since its last load or save, sorted."""
        from . import store
        return store.changed_on_disk(self)

    def refresh(self) -> List[str]:
        """Bring in what changed on disk and not here; returns the conflicts
        (changed on both sides), which stay as they are here."""
        from . import store
        return store.refresh(self)

    @property
    def source_path(self) -> Optional[str]:
        """The folder this tree was last loaded from or saved to, or None."""
        state = self._store
        return None if state is None else state.source
