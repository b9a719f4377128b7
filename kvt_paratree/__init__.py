"""Parameter trees: directories hold parameter books, books hold named
parameters, parameters hold typed attributes and per-locale descriptions.

`model` holds the objects, their names and equality; `store` keeps trees on
disk (file format, crash-atomic and durable saves, the folder's lock, and
the merge of changes others made since a tree was loaded).  Every public
name of both is here.
"""
from .model import (InvalidNameCharacters, MaxFileNameBytes, MaxTreeDepth, Parameter,
                    ParameterBook, ParameterDirectory)
from .store import (IndexFileName, ParameterConflictError, ParameterFileError,
                    ParameterLockError)

__all__ = ["Parameter", "ParameterBook", "ParameterDirectory", "InvalidNameCharacters",
           "ParameterFileError", "IndexFileName", "ParameterConflictError", "ParameterLockError",
           "MaxTreeDepth", "MaxFileNameBytes"]
