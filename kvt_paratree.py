"""Parameter-tree model: directories hold parameter books, books hold named
parameters, parameters hold typed attributes and per-locale descriptions.

Only the names exist so far; loading, saving and editing come later.
"""

# Characters that may not appear in a directory, book or parameter name,
# because names become file and directory names on disk.
InvalidNameCharacters = ("/", "\\", ":", "*", "?", '"', "<", ">", "|")


def _not_yet(what):
    raise NotImplementedError("kvt_paratree.%s is not implemented yet" % what)


class Parameter:
    """A named parameter: typed attributes by name, plus a description text
    per locale."""

    def __init__(self, *args, **kwargs):
        _not_yet("Parameter")


class ParameterBook:
    """A parameter book: named parameters, stored together in one file."""

    def __init__(self, *args, **kwargs):
        _not_yet("ParameterBook")

    @classmethod
    def load(cls, path):
        _not_yet("ParameterBook.load")


class ParameterDirectory:
    """A parameter directory: named sub-directories and books, stored as a
    directory tree on disk."""

    def __init__(self, *args, **kwargs):
        _not_yet("ParameterDirectory")

    @classmethod
    def load(cls, path):
        _not_yet("ParameterDirectory.load")
