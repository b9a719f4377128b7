"""The parameter-tree model's load and save of a stored tree against the
standard json module loading and dumping the same documents (see
paratree_io.py for the plain-json twin)."""
import os
import shutil

import kvt_paratree

from paratree_io import plain_documents, plain_dump, plain_load


class ModelIO:
    size = 5_000

    def __init__(self, trees, stopwatch):
        self.trees = trees
        self.stopwatch = stopwatch
        self.loaded = {}

    def root(self, n):
        if n not in self.loaded:
            self.loaded[n] = kvt_paratree.ParameterDirectory.load(self.trees.path(n))
        return self.loaded[n]

    def target(self, side):
        path = os.path.join(self.trees.folder, "save_" + side)
        shutil.rmtree(path, ignore_errors=True)
        # Writes still being flushed would slow whichever side runs next.
        os.sync()
        return path

    def close(self):
        pass


class ModelLoad(ModelIO):
    name = "io/model load"

    def module(self, n):
        path = self.trees.path(n)
        os.sync()
        return self.stopwatch(lambda: kvt_paratree.ParameterDirectory.load(path))

    def baseline(self, n):
        path = self.trees.path(n)
        os.sync()
        return self.stopwatch(lambda: plain_load(path))


class ModelSave(ModelIO):
    name = "io/model save"
    sync = False

    def module(self, n):
        root, path = self.root(n), self.target("model")
        return self.stopwatch(lambda: root.save(path, sync=self.sync))

    def baseline(self, n):
        path = self.target("json")
        documents = plain_documents(self.root(n), path)
        return self.stopwatch(lambda: plain_dump(documents, self.sync))


class ModelSaveSynced(ModelSave):
    """The default, durable save (files and changed folders synced) against
    plain json writing the same files with the same syncs."""
    name = "io/model save synced"
    sync = True
