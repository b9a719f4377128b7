"""Small helpers shared by the tools: a file-system observer and a progress
record for long-running work.

Only the names exist so far; their behaviour comes later.
"""


def _not_yet(what):
    raise NotImplementedError("kvt_handy.%s is not implemented yet" % what)


class FileSystemObserver:
    """Watches everything below a path from construction until close();
    afterwards `changed` tells whether anything there changed meanwhile."""

    def __init__(self, path):
        _not_yet("FileSystemObserver")


class Progress:
    """Progress of a piece of work, updated by the worker and read by a
    progress display: a name, the amount done, the total and a status."""

    def __init__(self, *args, **kwargs):
        _not_yet("Progress")
