"""The parameter-tree editor panel inside its dialog: building the tree view
from a stored tree, the grid and buttons following the selection, loading,
saving, the file-system check around the copy commands, and the dialog."""
import os

import pytest
import wx

from harness import (answer_message_box, call_modal, entry_of, flush_events, shown_message_boxes)
import kvt_wxtools
from kvt_handy import FileSystemObserver
from kvt_paratree import Parameter, ParameterBook, ParameterDirectory

DIRECTORY, BOOK = 0, 1
NOT_LOADED = "Please load an parameter directory first."
ROW_BUTTONS = ["ui_%s_parameter_button" % n for n in ("edit", "rename", "delete", "view", "copy")]


def sample_tree():
    """Children deliberately out of alphabetical order, two levels deep."""
    root = ParameterDirectory()
    root["zeta"] = ParameterBook([("speed", Parameter({"max": 3}, {"en": "Top speed"})),
                                  ("angle", Parameter(descriptions={"en": "Tilt"}))])
    alpha = ParameterDirectory()
    alpha["inner"] = ParameterDirectory({"deep": ParameterBook()})
    alpha["b1"] = ParameterBook({"gain": Parameter()})
    root["alpha"] = alpha
    return root


@pytest.fixture
def stored(tmp_path):
    path = str(tmp_path / "machine")
    sample_tree().save(path)
    return path


@pytest.fixture
def editor(made):
    """Opens a ParameterTreeDialog; returns its panel (the dialog is destroyed
    after the test)."""
    def open_editor(*args):
        dialog = kvt_wxtools.ParameterTreeDialog(None, *args)
        made.append(dialog)
        children = dialog.GetChildren()
        assert len(children) == 1 and isinstance(children[0], kvt_wxtools.ParameterTreeEditorPanel)
        return children[0]
    return open_editor


def shape(tree, item=None):
    """(label, image, children) of an item and everything below it."""
    item = tree.GetRootItem() if item is None else item
    children = []
    child, cookie = tree.GetFirstChild(item)
    while child.IsOk():
        children.append(shape(tree, child))
        child, cookie = tree.GetNextChild(item, cookie)
    return (tree.GetItemText(item), tree.GetItemImage(item), children)


def find(tree, *labels):
    item = tree.GetRootItem()
    for label in labels:
        child, cookie = tree.GetFirstChild(item)
        while tree.GetItemText(child) != label:
            child, cookie = tree.GetNextChild(item, cookie)
            assert child.IsOk(), "no item %r" % (labels,)
        item = child
    return item


def grid_rows(grid):
    return [(grid.GetCellValue(r, 0), grid.GetCellValue(r, 1)) for r in range(grid.GetNumberRows())]


def buttons(panel):
    return [getattr(panel, "ui_%s_parameter_button" % n).IsEnabled()
            for n in ("add", "edit", "delete", "rename", "view", "copy")]


def fake_dir_dialog(monkeypatch, code, path):
    """Replaces wx.DirDialog with a stand-in answering `code` and `path`;
    returns the list of the stand-ins made."""
    made = []

    class FakeDirDialog:
        def __init__(self, parent):
            self.parent, self.destroyed = parent, False
            made.append(self)

        def ShowModal(self):
            return code

        def GetPath(self):
            return path

        def Destroy(self):
            self.destroyed = True
    monkeypatch.setattr(wx, "DirDialog", FakeDirDialog)
    return made


EXPECTED_SHAPE = ("machine", DIRECTORY, [
    ("zeta", BOOK, []),
    ("alpha", DIRECTORY, [("inner", DIRECTORY, [("deep", BOOK, [])]), ("b1", BOOK, [])])])


# --------------------------------------------------------------------------
# Construction and the tree view

def test_dialog_with_a_path_shows_the_stored_tree(editor, stored):
    panel = editor(stored)
    dialog = panel.GetParent()
    assert dialog.GetTitle() == "Parameter Tree Editor"
    assert panel.ui_tree_path.GetValue() == stored and panel.root_path == stored
    assert panel.root == sample_tree()
    tree = panel.ui_tree
    # The model's order at every level, not sorted.
    assert shape(tree) == EXPECTED_SHAPE
    # Every item carries its own model object.
    root = panel.root
    assert tree.GetItemData(tree.GetRootItem()) is root
    assert tree.GetItemData(find(tree, "alpha")) is root["alpha"]
    assert tree.GetItemData(find(tree, "alpha", "inner", "deep")) is root["alpha"]["inner"]["deep"]
    assert tree.GetItemData(find(tree, "zeta")) is root["zeta"]
    assert panel.ui_book.GetNumberRows() == 0


def test_dialog_without_a_path_is_an_empty_editor(editor):
    panel = editor()
    assert panel.root is None and panel.root_path == "" and panel.ui_tree_path.GetValue() == ""
    assert not panel.ui_tree.GetRootItem().IsOk()
    with pytest.raises(TypeError, match="Argument 'path' has incorrect type"):
        kvt_wxtools.ParameterTreeDialog(None, b"x")


class FalsyDirectory(ParameterDirectory):
    """A directory that is false while it has no entries."""
    __slots__ = ()

    def __bool__(self):
        return len(self) > 0


@pytest.mark.parametrize("directory", [FalsyDirectory(), sample_tree()], ids=["no entries", "filled"])
def test_panel_shows_the_directory_object_it_is_given(frame, tmp_path, directory):
    # Nothing exists at the path: the object is used, the path is not read.
    path = str(tmp_path / "elsewhere")
    panel = kvt_wxtools.ParameterTreeEditorPanel(frame, path, directory)
    assert panel.root is directory and panel.root_path == path
    assert panel.ui_tree_path.GetValue() == path
    assert panel.ui_tree.GetItemData(panel.ui_tree.GetRootItem()) is directory
    assert shape(panel.ui_tree)[0] == "elsewhere"
    # Without a path the object is ignored.
    empty = kvt_wxtools.ParameterTreeEditorPanel(frame, "", directory)
    assert empty.root is None and not empty.ui_tree.GetRootItem().IsOk()


def test_root_label_is_the_last_path_component(editor, stored):
    panel = editor(stored + os.sep)
    assert shape(panel.ui_tree)[0] == ""
    assert [label for label, _image, _children in shape(panel.ui_tree)[2]] == ["zeta", "alpha"]


def test_load_failure_destroys_the_dialog_and_names_the_line(tmp_path):
    with pytest.raises(FileNotFoundError) as info:
        kvt_wxtools.ParameterTreeDialog(None, str(tmp_path / "missing"))
    assert entry_of(info.value, "kvt_wxtools.ParameterTreeEditorPanel.__init__").lineno == 1102
    assert entry_of(info.value, "kvt_wxtools.ParameterTreeDialog.__init__").lineno == 1412
    flush_events()
    assert [w for w in wx.GetTopLevelWindows() if not w.IsBeingDeleted()] == []


@pytest.mark.parametrize("name, valid", [
    (None, False), ("", False), ("gain", True), ("two words", True), ("a.b", False),
    ("a/b", False), ("a\\b", False), ("tab\there", False), ("增益", True)])
def test_is_valid_name(name, valid):
    assert kvt_wxtools.ParameterTreeEditorPanel.is_valid_name(name) is valid


# --------------------------------------------------------------------------
# Selection, grid and buttons

def test_selection_drives_the_grid_and_the_buttons(editor, stored):
    panel = editor(stored)
    tree, grid = panel.ui_tree, panel.ui_book
    tree.SelectItem(find(tree, "zeta"))
    assert grid_rows(grid) == [("speed", "Top speed"), ("angle", "Tilt")]
    assert buttons(panel) == [True] + [False] * 5
    # Selecting a row enables the five row buttons; clearing disables them.
    grid.SelectRow(1)
    assert buttons(panel) == [True] * 6
    grid.ClearSelection()
    assert buttons(panel) == [True] + [False] * 5
    grid.SelectRow(0)
    # Another book: the grid is refilled, not appended to; row buttons stay.
    tree.SelectItem(find(tree, "alpha", "b1"))
    assert grid_rows(grid) == [("gain", "")]
    assert buttons(panel) == [True] * 6
    # An empty book: an empty grid, adding allowed.
    tree.SelectItem(find(tree, "alpha", "inner", "deep"))
    assert grid_rows(grid) == [] and buttons(panel)[0]
    # A directory, then the root: empty grid, all six disabled.
    tree.SelectItem(find(tree, "zeta"))
    tree.SelectItem(find(tree, "alpha"))
    assert grid_rows(grid) == [] and buttons(panel) == [False] * 6
    tree.SelectItem(find(tree, "zeta"))
    tree.SelectItem(tree.GetRootItem())
    assert grid_rows(grid) == [] and buttons(panel) == [False] * 6


def test_selected_tree_item_path_lists_labels_below_the_root(editor, stored):
    panel = editor(stored)
    tree = panel.ui_tree
    item_path = panel._ParameterTreeEditorPanel__get_selected_tree_item_path
    assert item_path(tree.GetRootItem()) == []
    assert item_path(find(tree, "zeta")) == ["zeta"]
    assert item_path(find(tree, "alpha", "inner", "deep")) == ["alpha", "inner", "deep"]


# --------------------------------------------------------------------------
# Loading

def test_load_directory_replaces_the_tree_and_empties_the_grid(editor, stored, tmp_path):
    other = str(tmp_path / "other")
    ParameterDirectory({"only": ParameterBook()}).save(other)
    panel = editor(stored)
    panel.ui_tree.SelectItem(find(panel.ui_tree, "zeta"))
    assert panel.ui_book.GetNumberRows() == 2
    panel.load_directory(other)
    assert panel.root == ParameterDirectory({"only": ParameterBook()})
    assert panel.root_path == other
    assert shape(panel.ui_tree) == ("other", DIRECTORY, [("only", BOOK, [])])
    assert panel.ui_book.GetNumberRows() == 0
    assert panel.ui_tree_path.GetValue() == stored   # only the load button shows the new path


def test_failed_load_leaves_everything_as_it_was(editor, stored, tmp_path):
    panel = editor(stored)
    root = panel.root
    with pytest.raises(FileNotFoundError):
        panel.load_directory(str(tmp_path / "missing"))
    assert panel.root is root and panel.root_path == stored
    assert shape(panel.ui_tree) == EXPECTED_SHAPE
    with pytest.raises(TypeError, match="Argument 'directory' has incorrect type"):
        panel.load_directory(os.fsencode(stored))


@pytest.mark.parametrize("code, path", [(wx.ID_OK, "chosen"), (wx.ID_CANCEL, "chosen"), (wx.ID_OK, "")])
def test_on_load_loads_what_the_directory_dialog_chose(editor, stored, tmp_path, monkeypatch, code, path):
    chosen = str(tmp_path / "chosen")
    sample_tree().save(chosen)
    dialogs = fake_dir_dialog(monkeypatch, code, chosen if path else "")
    panel = editor()
    panel.on_load(None)
    assert len(dialogs) == 1 and dialogs[0].parent is panel and dialogs[0].destroyed
    if code == wx.ID_OK and path:
        assert panel.root_path == chosen and panel.ui_tree_path.GetValue() == chosen
        assert shape(panel.ui_tree)[0] == "chosen" and panel.root == sample_tree()
    else:
        assert panel.root is None and panel.ui_tree_path.GetValue() == ""


# --------------------------------------------------------------------------
# Saving

@pytest.mark.parametrize("command", ["on_save", "on_save_to"])
def test_saving_with_nothing_loaded_only_asks_to_load(editor, monkeypatch, command):
    dialogs = fake_dir_dialog(monkeypatch, wx.ID_OK, "/nowhere")
    panel = editor()
    call_modal(lambda: getattr(panel, command)(None),
               answer_message_box(wx.OK, message=NOT_LOADED, caption="Info"))
    assert dialogs == []


def test_save_writes_the_tree_where_it_was_loaded(editor, stored):
    panel = editor(stored)
    panel.root["alpha"]["b1"]["gain"]["level"] = 7
    del panel.root["zeta"]
    call_modal(lambda: panel.on_save(None),
               answer_message_box(wx.OK, message="Save parameter to %s success." % stored, caption="Info"))
    assert ParameterDirectory.load(stored) == panel.root
    assert "zeta" not in ParameterDirectory.load(stored)


def test_save_to_writes_elsewhere_and_save_still_goes_home(editor, stored, tmp_path, monkeypatch):
    other = str(tmp_path / "copy")
    panel = editor(stored)
    cancelled = fake_dir_dialog(monkeypatch, wx.ID_CANCEL, other)
    panel.on_save_to(None)
    assert cancelled[0].destroyed and not os.path.exists(other) and shown_message_boxes() == []
    fake_dir_dialog(monkeypatch, wx.ID_OK, other)
    call_modal(lambda: panel.on_save_to(None),
               answer_message_box(wx.OK, message="Save parameter to %s success." % other))
    assert ParameterDirectory.load(other) == sample_tree()
    assert panel.root_path == stored and panel.ui_tree_path.GetValue() == stored
    panel.root["added"] = ParameterBook()
    call_modal(lambda: panel.on_save(None),
               answer_message_box(wx.OK, message="Save parameter to %s success." % stored))
    assert "added" in ParameterDirectory.load(stored)
    assert "added" not in ParameterDirectory.load(other)


def file_in_the_way(path):
    with open(path, "w") as f:
        f.write("not a directory")
    with pytest.raises(Exception) as info:
        sample_tree().save(path)
    return "Exception raised while saving parameter directory: " + str(info.value)


def test_save_failures_are_reported_and_change_nothing(editor, stored, tmp_path, monkeypatch):
    blocked = str(tmp_path / "blocked")
    message = file_in_the_way(blocked)
    fake_dir_dialog(monkeypatch, wx.ID_OK, blocked)
    panel = editor(stored)
    root = panel.root
    call_modal(lambda: panel.on_save_to(None),
               answer_message_box(wx.OK, message=message, caption="Error"))
    # The loaded directory itself replaced by a file: saving there fails too.
    os.rename(stored, str(tmp_path / "moved"))
    message = file_in_the_way(stored)
    call_modal(lambda: panel.on_save(None),
               answer_message_box(wx.OK, message=message, caption="Error"))
    assert panel.root is root and panel.root_path == stored


# --------------------------------------------------------------------------
# The file-system check around the copy commands

RELOAD = "Parameter tree is changed in file system. Do you want to reload it?"


def check_of(panel):
    return panel._ParameterTreeEditorPanel__change_parameter_tree_out_of_control


def add_book_on_disk(path):
    tree = ParameterDirectory.load(path)
    tree["fresh"] = ParameterBook()
    tree.save(path)


def test_check_runs_the_command_and_asks_only_when_the_disk_changed(editor, stored):
    ran = []
    check_of(editor())(ran.append, "event")   # nothing loaded: not run at all
    assert ran == []
    panel = editor(stored)
    root = panel.root
    check_of(panel)(ran.append, "event")
    assert ran == ["event"] and shown_message_boxes() == [] and panel.root is root


@pytest.mark.parametrize("answer", [wx.YES, wx.NO])
def test_check_offers_a_reload_after_a_change_on_disk(editor, stored, answer):
    panel = editor(stored)
    root = panel.root
    panel.ui_tree.SelectItem(find(panel.ui_tree, "zeta"))
    call_modal(lambda: check_of(panel)(lambda _event: add_book_on_disk(stored), None),
               answer_message_box(answer, message=RELOAD, caption="Confirm"))
    if answer == wx.YES:
        assert panel.root is not root and "fresh" in panel.root
        assert [c[0] for c in shape(panel.ui_tree)[2]] == ["zeta", "alpha", "fresh"]
        assert panel.ui_book.GetNumberRows() == 0
    else:
        assert panel.root is root and "fresh" not in root
    assert panel.ui_tree_path.GetValue() == stored


def test_check_closes_the_observer_when_the_command_fails(editor, stored, monkeypatch):
    observers = []

    class Recording(FileSystemObserver):
        def __init__(self, path):
            super().__init__(path)
            observers.append(self)

    monkeypatch.setattr(kvt_wxtools, "_FSObserver", Recording)
    panel = editor(stored)

    def failing(_event):
        add_book_on_disk(stored)
        raise ValueError("copy failed")

    with pytest.raises(ValueError, match="copy failed") as info:
        check_of(panel)(failing, None)
    assert entry_of(info.value, "kvt_wxtools.ParameterTreeEditorPanel.__change_parameter_tree_out_of_control"
                    ).lineno == 1363
    assert len(observers) == 1 and observers[0].closed
    assert shown_message_boxes() == []


# --------------------------------------------------------------------------
# Commands: the cases where the panel behaves more soundly than a literal
# reading (the full command behaviour is tested elsewhere)

class FakeCopyDialog:
    made = []

    def __init__(self, parent, para_path, para):
        self.args = (parent, list(para_path), para)
        FakeCopyDialog.made.append(self)

    def ShowModal(self):
        return wx.ID_CANCEL

    def Destroy(self):
        pass


@pytest.mark.parametrize("labels, expected", [
    ((), ["machine"]), (("zeta",), ["zeta"]), (("alpha", "inner", "deep"), ["alpha", "inner", "deep"])])
def test_copying_a_tree_item_names_the_copy_after_the_item(editor, stored, monkeypatch, labels, expected):
    FakeCopyDialog.made = []
    monkeypatch.setattr(kvt_wxtools, "ParaTreeCopyDialog", FakeCopyDialog, raising=False)
    panel = editor(stored)
    item = find(panel.ui_tree, *labels)
    panel.ui_tree.SelectItem(item)
    panel.on_copy_tree_item(None)
    (dialog,) = FakeCopyDialog.made
    assert dialog.args == (panel, expected, panel.ui_tree.GetItemData(item))


def test_adding_a_parameter_needs_a_selected_book(editor, stored):
    panel = editor(stored)
    panel.ui_tree.SelectItem(find(panel.ui_tree, "alpha"))
    panel.ui_add_parameter_button.Enable()   # as if its state lagged behind
    before = panel.root == sample_tree()
    call_modal(lambda: panel.on_add_parameter(None),
               answer_message_box(wx.OK, message="Please select a parameter book first.", caption="Error"))
    assert before and panel.root == sample_tree()
    assert len(shown_message_boxes()) == 1   # no name was asked for


def test_editing_without_a_selected_row_does_nothing(editor, stored, monkeypatch):
    opened = []
    monkeypatch.setattr(kvt_wxtools, "ParameterEditorDialog", lambda *a: opened.append(a), raising=False)
    panel = editor(stored)
    panel.ui_tree.SelectItem(find(panel.ui_tree, "zeta"))
    panel.on_edit_parameter(None)
    assert opened == [] and shown_message_boxes() == []


def test_deleting_parameters_leaves_the_row_buttons_matching_the_selection(editor, stored):
    panel = editor(stored)
    panel.ui_tree.SelectItem(find(panel.ui_tree, "zeta"))
    panel.ui_book.SelectRow(0)
    assert buttons(panel) == [True] * 6
    panel.on_delete_parameter(None)
    assert grid_rows(panel.ui_book) == [("angle", "Tilt")]
    assert panel.root["zeta"].names() == ["angle"]
    assert buttons(panel) == [True] + [False] * 5
