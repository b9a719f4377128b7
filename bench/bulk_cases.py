"""Bulk operations on real controls: the module's ComboList and RowGrid,
and the tree editor panel loading a stored tree, each against a plain Python
loop that makes the same wx calls in the same order.

Each case is a class with `module(n)` and `baseline(n)`, both returning the
seconds of the measured work only; building the controls and emptying them
again between runs is left out.
"""
import os
import shutil
import tempfile

import wx
import wx.grid
import kvt_paratree
import kvt_wxtools


class ListBoxAppend:
    """ComboList.AppendItems into a wx.ListBox."""
    name = "bulk/ComboList.AppendItems"
    size = 20_000

    def __init__(self, frame, stopwatch):
        # Single selection: on GTK an extended-selection list box makes
        # each Append cost time in proportion to the entries already there.
        self.control = wx.ListBox(frame)
        self.stopwatch = stopwatch
        self.items = {}

    def objects(self, n):
        if n not in self.items:
            self.items[n] = ["object %d" % k for k in range(n)]
        return self.items[n]

    def module(self, n):
        objects = self.objects(n)
        self.control.Clear()
        combo = kvt_wxtools.ComboList(self.control)
        elapsed = self.stopwatch(lambda: combo.AppendItems(objects))
        assert len(combo) == n == self.control.GetCount()
        return elapsed

    def baseline(self, n):
        objects = self.objects(n)
        control = self.control
        control.Clear()
        kept = []

        def run():
            for obj in objects:
                control.Append(obj)
                kept.append(obj)
        elapsed = self.stopwatch(run)
        assert control.GetCount() == n
        return elapsed

    def close(self):
        self.control.Clear()


class GridCase:
    """A wx.grid.Grid of four columns; rows are lists of four values."""
    columns = 4

    def __init__(self, frame, stopwatch):
        self.grid = wx.grid.Grid(frame)
        self.grid.CreateGrid(0, self.columns)
        self.stopwatch = stopwatch
        self.items = {}

    def rows(self, n):
        if n not in self.items:
            self.items[n] = [[k, "name %d" % k, k * 0.5, k % 2 == 0] for k in range(n)]
        return self.items[n]

    def empty(self):
        rows = self.grid.GetNumberRows()
        if rows:
            self.grid.DeleteRows(0, rows)

    def close(self):
        self.empty()


class GridAppend(GridCase):
    """RowGrid.AppendItems."""
    name = "bulk/RowGrid.AppendItems"
    size = 5_000

    def module(self, n):
        rows = self.rows(n)
        self.empty()
        row_grid = kvt_wxtools.RowGrid(self.grid)
        elapsed = self.stopwatch(lambda: row_grid.AppendItems(rows))
        assert self.grid.GetNumberRows() == n
        return elapsed

    def baseline(self, n):
        rows = self.rows(n)
        grid = self.grid
        self.empty()
        grid.SetSelectionMode(wx.grid.Grid.SelectRows)
        objects = []

        def run():
            for item in rows:
                row = len(objects)
                grid.AppendRows()
                objects.append(item)
                for col in range(grid.GetNumberCols()):
                    grid.SetCellValue(row, col, str(item[col]))
        elapsed = self.stopwatch(run)
        assert grid.GetNumberRows() == n
        return elapsed


class GridUpdate(GridCase):
    """RowGrid.Update() of every row; the grid is filled before timing."""
    name = "bulk/RowGrid.Update"
    size = 5_000

    def filled(self, n):
        self.empty()
        row_grid = kvt_wxtools.RowGrid(self.grid)
        row_grid.AppendItems(self.rows(n))
        return row_grid

    def module(self, n):
        row_grid = self.filled(n)
        return self.stopwatch(row_grid.Update)

    def baseline(self, n):
        objects = list(self.filled(n).objects)
        grid = self.grid

        def run():
            for row in range(len(objects)):
                item = objects[row]
                for col, content in enumerate(item):
                    if col >= grid.GetNumberCols():
                        break
                    grid.SetCellValue(row, col, str(content))
        return self.stopwatch(run)


# ------------------------------------------------------- tree editor ---

def make_tree(books, per_directory=10):
    """A tree of `books` books in directories of `per_directory` books each;
    every book holds two parameters."""
    root = kvt_paratree.ParameterDirectory()
    for k in range(books):
        directory_name = "directory_%04d" % (k // per_directory)
        if directory_name not in root:
            root[directory_name] = kvt_paratree.ParameterDirectory()
        book = kvt_paratree.ParameterBook()
        for j in range(2):
            book["parameter_%d" % j] = kvt_paratree.Parameter(
                {"count": k * 10 + j, "gain": 1.5, "unit": "mm"}, {"en": "Parameter %d" % j})
        root[directory_name]["book_%05d" % k] = book
    return root


class StoredTrees:
    """Generated trees saved into a temporary folder, one per size."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="kvt-bench-")
        self.paths = {}

    def path(self, books):
        if books not in self.paths:
            path = os.path.join(self.folder, "tree_%d" % books)
            make_tree(books).save(path)
            self.paths[books] = path
        return self.paths[books]

    def close(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def py_construct_tree_branch(panel, parameter_directory, ui_item_id):
    for name, item in parameter_directory.items():
        if isinstance(item, kvt_paratree.ParameterDirectory):
            new = panel.ui_tree.AppendItem(parent=ui_item_id, text=name, image=panel._ImageDirectory)
            py_construct_tree_branch(panel, item, new)
        else:
            new = panel.ui_tree.AppendItem(parent=ui_item_id, text=name, image=panel._ImageBook)
        panel.ui_tree.SetItemData(new, item)


def py_refresh_tree_view(panel):
    panel.ui_tree.DeleteAllItems()
    root_item = panel.ui_tree.AddRoot(text=os.path.basename(panel.root_path), image=panel._ImageDirectory)
    py_construct_tree_branch(panel, panel.root, root_item)
    panel.ui_tree.SetItemData(root_item, panel.root)


def py_load_directory(panel, directory):
    panel.root = kvt_paratree.ParameterDirectory.load(directory)
    panel.root_path = directory
    py_refresh_tree_view(panel)
    n = panel.ui_book.GetNumberRows()
    if n > 0:
        panel.ui_book.DeleteRows(pos=0, numRows=n)


class TreeCase:
    size = 5_000

    def __init__(self, frame, stopwatch, trees):
        self.panel = kvt_wxtools.ParameterTreeEditorPanel(frame, "", None)
        self.stopwatch = stopwatch
        self.trees = trees

    def count(self):
        return self.panel.ui_tree.GetCount()

    def close(self):
        self.panel.ui_tree.DeleteAllItems()


class TreeLoad(TreeCase):
    """The panel's load_directory (model load, tree view, cleared grid)."""
    name = "tree/editor load_directory"

    def module(self, n):
        path = self.trees.path(n)
        elapsed = self.stopwatch(lambda: self.panel.load_directory(path))
        assert self.count() == n + n // 10 + 1
        return elapsed

    def baseline(self, n):
        path = self.trees.path(n)
        elapsed = self.stopwatch(lambda: py_load_directory(self.panel, path))
        assert self.count() == n + n // 10 + 1
        return elapsed


class TreeView(TreeCase):
    """The panel's tree view rebuilt from an already loaded tree."""
    name = "tree/editor tree view"

    def prepare(self, n):
        path = self.trees.path(n)
        if getattr(self.panel, "root_path", None) != path:
            self.panel.load_directory(path)

    def module(self, n):
        self.prepare(n)
        return self.stopwatch(self.panel._refresh_tree_view)

    def baseline(self, n):
        self.prepare(n)
        return self.stopwatch(lambda: py_refresh_tree_view(self.panel))


class TreeUndo(TreeCase):
    """Undoing a book's deletion against the deletion itself (the Delete
    command with its question answered yes): a book in the middle of one
    directory of the tree, deleted and brought back in turns."""
    name = "tree/editor undo"

    def prepare(self, n):
        path = self.trees.path(n)
        if getattr(self.panel, "root_path", None) != path:
            self.panel.load_directory(path)
        kvt_wxtools.MB.Confirm = staticmethod(lambda *_args: wx.YES)
        directory = "directory_%04d" % (n // 20)
        self.book = (directory, sorted(self.panel.root[directory].names())[5])

    def select_book(self):
        tree = self.panel.ui_tree
        item = tree.GetRootItem()
        for label in self.book:
            child, cookie = tree.GetFirstChild(item)
            while tree.GetItemText(child) != label:
                child, cookie = tree.GetNextChild(item, cookie)
            item = child
        tree.SelectItem(item)

    def delete(self):
        self.panel.on_delete_tree_item(None)

    def module(self, n):
        self.prepare(n)
        self.select_book()
        self.delete()
        elapsed = self.stopwatch(self.panel.history.Undo)
        assert self.book[1] in self.panel.root[self.book[0]]
        return elapsed

    def baseline(self, n):
        self.prepare(n)
        self.select_book()
        elapsed = self.stopwatch(self.delete)
        assert self.book[1] not in self.panel.root[self.book[0]]
        self.panel.history.Undo()
        return elapsed

    def close(self):
        kvt_wxtools.MB.Confirm = _CONFIRM
        TreeCase.close(self)


_CONFIRM = kvt_wxtools.MB.__dict__["Confirm"]
