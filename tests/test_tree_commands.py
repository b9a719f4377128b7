"""The tree editor panel's commands, driven through the buttons of a real
ParameterTreeDialog on trees stored on disk: adding and deleting directories
and books, clearing the whole tree, adding, editing and deleting parameters,
and copying a parameter or a tree item under the file-system check."""
import os

import pytest
import wx

from harness import (NotReady, answer_message_box, answer_text_entry, call_modal, click,
                     end_modal, flush_events, modal_window, shown_message_boxes)
import kvt_wxtools
from kvt_paratree import InvalidNameCharacters, Parameter, ParameterBook, ParameterDirectory

CHARS = str(InvalidNameCharacters)


# --------------------------------------------------------------------------
# The tree under test and the editor around it

def write_tree(path):
    """tree/ holds alpha/ (the book inner with q1, the empty directory sub),
    the book book1 with p0..p5 and the empty directory beta, in that order."""
    inner = ParameterBook()
    inner["q1"] = Parameter()
    inner["q1"].description = "first"
    alpha = ParameterDirectory()
    alpha.inner = inner
    alpha.sub = ParameterDirectory()
    book1 = ParameterBook()
    for i in range(6):
        book1["p%d" % i] = Parameter()
        book1["p%d" % i].description = "d%d" % i
    root = ParameterDirectory()
    root.alpha = alpha
    root.book1 = book1
    root.beta = ParameterDirectory()
    root.save(path)


class Editor:
    """A shown ParameterTreeDialog and the panel inside it."""

    def __init__(self, path):
        self.path = path
        self.dialog = kvt_wxtools.ParameterTreeDialog(None, path)
        panels = [c for c in self.dialog.GetChildren()
                  if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel)]
        assert len(panels) == 1
        self.panel = panels[0]
        self.tree = self.panel.ui_tree
        self.grid = self.panel.ui_book
        self.dialog.Show()
        flush_events()

    def item(self, *labels):
        """The tree item reached from the root through `labels`."""
        item = self.tree.GetRootItem()
        for label in labels:
            child, cookie = self.tree.GetFirstChild(item)
            while child.IsOk() and self.tree.GetItemText(child) != label:
                child, cookie = self.tree.GetNextChild(item, cookie)
            assert child.IsOk(), "no tree item %r" % (labels,)
            item = child
        return item

    def children(self, *labels):
        parent = self.item(*labels)
        names = []
        child, cookie = self.tree.GetFirstChild(parent)
        while child.IsOk():
            names.append(self.tree.GetItemText(child))
            child, cookie = self.tree.GetNextChild(parent, cookie)
        return names

    def select(self, *labels):
        self.tree.SelectItem(self.item(*labels))
        flush_events()

    def select_rows(self, *rows):
        for i, row in enumerate(rows):
            self.grid.SelectRow(row, i > 0)
        flush_events()

    def rows(self):
        return [(self.grid.GetCellValue(r, 0), self.grid.GetCellValue(r, 1))
                for r in range(self.grid.GetNumberRows())]

    def row_buttons_enabled(self):
        p = self.panel
        return [b.IsEnabled() for b in (
            p.ui_edit_parameter_button, p.ui_delete_parameter_button,
            p.ui_rename_parameter_button, p.ui_view_parameter_button,
            p.ui_copy_parameter_button)]


@pytest.fixture
def editor(tmp_path):
    path = str(tmp_path / "tree")
    write_tree(path)
    made = Editor(path)
    yield made
    made.dialog.Destroy()


@pytest.fixture
def empty_editor():
    """An editor with nothing loaded: no tree item, so nothing selected."""
    dialog = kvt_wxtools.ParameterTreeDialog(None)
    panel = [c for c in dialog.GetChildren()
             if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel)][0]
    yield panel
    dialog.Destroy()


def press(button, *actions, timeout=5):
    """Click `button` while `actions` answer what it opens."""
    return call_modal(click(button), *actions, timeout=timeout)


def run(handler, *actions, timeout=5):
    """Call a command directly (for states its button does not allow)."""
    return call_modal(lambda: handler(None), *actions, timeout=timeout)


def error(text):
    return answer_message_box(wx.OK, message=text, caption="Error")


def notice(text):
    return answer_message_box(wx.OK, message=text, caption="Info")


def confirm(code, text):
    return answer_message_box(code, message=text, caption="Confirm")


def box_texts():
    return [box.message for box in shown_message_boxes()]


def in_dialog(class_name, function):
    """Action: call `function` with the innermost modal dialog once it is a
    modal `class_name`."""
    def action():
        dialog = modal_window(wx.Dialog)
        if type(dialog).__name__ != class_name or not dialog.IsModal():
            raise NotReady(class_name)
        function(dialog)
    return action


# --------------------------------------------------------------------------
# Adding a directory or a book

KINDS = {
    "directory": ("ui_add_directory_button", "Directory", ParameterDirectory, 0),
    "book": ("ui_add_book_button", "Book", ParameterBook, 1),
}


@pytest.mark.parametrize("kind", KINDS)
def test_add_without_a_selection_asks_for_a_directory(empty_editor, kind):
    button = getattr(empty_editor, KINDS[kind][0])
    press(button, notice("You must select a parameter directory item first."))
    assert len(box_texts()) == 1


@pytest.mark.parametrize("kind", KINDS)
def test_add_into_a_book_is_refused(editor, kind):
    button, title, _cls, _image = KINDS[kind]
    editor.select("book1")
    press(getattr(editor.panel, button), error(
        "Parameter %s only can be added into a directory. "
        "Select the parameter directory you want to use." % title))
    assert len(box_texts()) == 1
    assert editor.children("book1") == []


REFUSED_NAMES = [
    # typed, the error (None: silently nothing)
    (None, None),
    ("", "{T} name could not be empty."),
    (" \t ", "{T} name could not be empty."),
    ("a/b", "{T} name `a/b` is invalid. It may be has invalid characters: `%s`." % CHARS),
    # The name in the message is the stripped one.
    ("  x.y  ", "{T} name `x.y` is invalid. It may be has invalid characters: `%s`." % CHARS),
    # Directories and books share one name space.
    ("alpha", "{T} name `alpha` already exists.\nPlease choose another one."),
    ("book1", "{T} name `book1` already exists.\nPlease choose another one."),
    (" beta ", "{T} name `beta` already exists.\nPlease choose another one."),
]


@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("typed, text", REFUSED_NAMES,
                         ids=["cancel", "empty", "blanks", "slash", "dot-stripped",
                              "directory-taken", "book-taken", "taken-stripped"])
def test_add_refusals_leave_tree_and_model_unchanged(editor, kind, typed, text):
    button, title, _cls, _image = KINDS[kind]
    editor.select()
    before_model = editor.panel.root.names()
    before_tree = editor.children()
    prompt = "Please input %s name." % kind
    if typed is None:
        actions = [answer_text_entry("ignored", wx.ID_CANCEL, message=prompt)]
    else:
        actions = [answer_text_entry(typed, message=prompt), error(text.format(T=title))]
    press(getattr(editor.panel, button), *actions)
    assert len(box_texts()) == len(actions) - 1
    assert editor.panel.root.names() == before_model
    assert editor.children() == before_tree
    assert editor.tree.GetSelection() == editor.item()


@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("where, typed, name", [
    ((), "gamma", "gamma"),
    ((), "  gamma\t", "gamma"),
    # Names compare case-sensitively: a case twin of a sibling of the other
    # kind is a new name (twins of one kind collide on case-blind disks).
    ((), "CASE", "CASE"),
    (("alpha",), "book1", "book1"),   # only the selected directory's names count
    (("alpha", "sub"), "deep", "deep"),
])
def test_add_appends_a_new_child_to_model_and_tree_and_selects_it(editor, kind, where, typed,
                                                                  name):
    button, _title, cls, image = KINDS[kind]
    if name == "CASE":
        typed = name = "BOOK1" if kind == "directory" else "ALPHA"
    editor.select(*where)
    container = editor.tree.GetItemData(editor.item(*where))
    before = editor.children(*where)
    press(getattr(editor.panel, button), answer_text_entry(typed))
    flush_events()
    assert box_texts() == []
    child = container[name]
    assert type(child) is cls and child.items() == []
    assert container.names()[-1] == name
    assert editor.children(*where) == before + [name]
    new_item = editor.item(*where, name)
    assert editor.tree.GetItemData(new_item) is child
    assert editor.tree.GetItemImage(new_item) == image
    assert editor.tree.GetSelection() == new_item
    # The selection change has refreshed the parameter side.
    assert editor.rows() == []
    assert editor.panel.ui_add_parameter_button.IsEnabled() == (kind == "book")


def test_added_items_are_saved_with_the_tree(editor):
    editor.select("alpha")
    press(editor.panel.ui_add_directory_button, answer_text_entry("gamma"))
    press(editor.panel.ui_add_book_button, answer_text_entry("notes"))
    press(editor.panel.ui_save_button, notice("Save parameter to %s success." % editor.path))
    stored = ParameterDirectory.load(editor.path)
    assert stored["alpha"].names() == ["inner", "sub", "gamma"]
    assert type(stored["alpha"]["gamma"]["notes"]) is ParameterBook


# --------------------------------------------------------------------------
# Deleting a tree item, clearing the whole tree

def test_delete_without_a_selection_is_refused(empty_editor):
    press(empty_editor.ui_delete_tree_item_button,
          error("Please select the item you want to delete first."))
    assert len(box_texts()) == 1


@pytest.mark.parametrize("labels, kind", [
    (("book1",), "Book"), (("alpha",), "Directory"), (("alpha", "inner"), "Book"),
    (("alpha", "sub"), "Directory")])
def test_delete_declined_changes_nothing(editor, labels, kind):
    editor.select(*labels)
    model = editor.panel.root
    before = editor.children(*labels[:-1])
    press(editor.panel.ui_delete_tree_item_button, confirm(
        wx.NO, "Do you really want to delete Parameter %s `%s`?" % (kind, labels[-1])))
    assert len(box_texts()) == 1
    assert editor.children(*labels[:-1]) == before
    assert labels[-1] in editor.tree.GetItemData(editor.item(*labels[:-1]))
    assert editor.panel.root is model


@pytest.mark.parametrize("labels, kind", [
    (("book1",), "Book"), (("alpha",), "Directory"), (("alpha", "inner"), "Book"),
    (("alpha", "sub"), "Directory")])
def test_delete_removes_item_and_subtree_and_selects_the_parent(editor, labels, kind):
    editor.select(*labels)
    parent = editor.tree.GetItemData(editor.item(*labels[:-1]))
    siblings = [n for n in editor.children(*labels[:-1]) if n != labels[-1]]
    press(editor.panel.ui_delete_tree_item_button, confirm(
        wx.YES, "Do you really want to delete Parameter %s `%s`?" % (kind, labels[-1])))
    flush_events()
    assert labels[-1] not in parent and parent.names() == siblings
    assert editor.children(*labels[:-1]) == siblings
    assert editor.tree.GetSelection() == editor.item(*labels[:-1])
    # The parent is a directory: the grid is empty again.
    assert editor.rows() == []
    press(editor.panel.ui_save_button, notice("Save parameter to %s success." % editor.path))
    stored = ParameterDirectory.load(editor.path)
    assert labels[-1] not in (stored[labels[0]] if len(labels) == 2 else stored)


def test_clearing_declined_keeps_the_tree(editor):
    editor.select()
    model = editor.panel.root
    press(editor.panel.ui_delete_tree_item_button,
          confirm(wx.NO, "Do you really want to clear the whole parameter tree?"))
    assert editor.panel.root is model and editor.children() == ["alpha", "book1", "beta"]


def test_clearing_the_whole_tree_then_saving_writes_an_empty_tree_to_the_loaded_place(editor):
    editor.select("book1")
    assert len(editor.rows()) == 6
    editor.select()
    old_root = editor.panel.root
    # Rows left in the grid must go too.
    editor.grid.AppendRows(2)
    press(editor.panel.ui_delete_tree_item_button,
          confirm(wx.YES, "Do you really want to clear the whole parameter tree?"))
    flush_events()
    root_item = editor.tree.GetRootItem()
    assert editor.tree.GetCount() == 1
    assert editor.tree.GetItemText(root_item) == "tree"
    assert editor.tree.GetItemImage(root_item) == 0
    new_root = editor.panel.root
    assert new_root is not old_root and type(new_root) is ParameterDirectory
    assert new_root.items() == []
    assert editor.tree.GetItemData(root_item) is new_root
    assert editor.grid.GetNumberRows() == 0
    assert editor.panel.root_path == editor.path
    assert editor.panel.ui_tree_path.GetValue() == editor.path

    press(editor.panel.ui_save_button, notice("Save parameter to %s success." % editor.path))
    assert ParameterDirectory.load(editor.path).items() == []

    # The cleared tree takes new children as usual.
    editor.select()
    press(editor.panel.ui_add_book_button, answer_text_entry("fresh"))
    assert new_root.names() == ["fresh"] and editor.children() == ["fresh"]


# --------------------------------------------------------------------------
# Adding a parameter

def test_add_parameter_without_a_selection_is_refused(empty_editor):
    run(empty_editor.on_add_parameter, error("Please select a parameter book first."))
    assert len(box_texts()) == 1


@pytest.mark.parametrize("labels", [(), ("alpha",)])
def test_add_parameter_with_a_directory_selected_is_refused(editor, labels):
    editor.select(*labels)
    before = editor.tree.GetItemData(editor.item(*labels)).names()
    run(editor.panel.on_add_parameter, error("Please select a parameter book first."))
    assert len(box_texts()) == 1
    assert editor.tree.GetItemData(editor.item(*labels)).names() == before


@pytest.mark.parametrize("typed, text", [
    (None, None),
    ("", None),
    ("a.b", "Parameter name `a.b` is invalid. It may be has invalid characters: `%s`." % CHARS),
    (" x:y", "Parameter name ` x:y` is invalid. It may be has invalid characters: `%s`." % CHARS),
    ("p3", "Parameter name `p3` already exists. Please choose another one."),
], ids=["cancel", "empty", "invalid", "invalid-unstripped", "taken"])
def test_add_parameter_refusals(editor, typed, text):
    editor.select("book1")
    book = editor.panel.root["book1"]
    prompt = "Please input your preferred parameter name."
    if typed is None:
        actions = [answer_text_entry("p9", wx.ID_CANCEL, message=prompt)]
    else:
        actions = [answer_text_entry(typed, message=prompt)]
    if text is not None:
        actions.append(error(text))
    # No parameter editor may open: the run would time out waiting for it.
    press(editor.panel.ui_add_parameter_button, *actions, timeout=3)
    assert len(box_texts()) == len(actions) - 1
    assert book.names() == ["p%d" % i for i in range(6)]
    assert len(editor.rows()) == 6


@pytest.mark.parametrize("name", ["p9", " p 9 ", "P3"])
def test_add_parameter_ok_stores_the_edited_parameter_and_shows_it(editor, name):
    editor.select("book1")
    book = editor.panel.root["book1"]
    seen = []

    def edit(dialog):
        seen.append((dialog.ui_name.GetValue(), dialog.parameter, dialog.GetParent()))
        dialog.parameter.description = "new one"
        dialog.parameter["size"] = 3

    press(editor.panel.ui_add_parameter_button, answer_text_entry(name),
          in_dialog("ParameterEditorDialog", edit), end_modal(wx.ID_OK))
    [(shown_name, parameter, parent)] = seen
    assert shown_name == name and parent is editor.panel
    assert book.names()[-1] == name and book[name] is parameter and parameter["size"] == 3
    assert editor.rows()[-1] == (name, "new one") and len(editor.rows()) == 7
    assert box_texts() == []


def test_add_parameter_cancelled_stores_nothing(editor):
    editor.select("book1")
    book = editor.panel.root["book1"]
    press(editor.panel.ui_add_parameter_button, answer_text_entry("p9"),
          in_dialog("ParameterEditorDialog",
                    lambda d: setattr(d.parameter, "description", "dropped")),
          end_modal(wx.ID_CANCEL))
    assert "p9" not in book.names() and len(editor.rows()) == 6


# --------------------------------------------------------------------------
# Editing and deleting parameters

def test_edit_with_two_rows_selected_only_gives_notice(editor):
    editor.select("book1")
    editor.select_rows(1, 3)
    press(editor.panel.ui_edit_parameter_button,
          notice("Only one parameter could be edited one time."), timeout=3)
    assert len(box_texts()) == 1
    assert editor.rows()[1] == ("p1", "d1") and editor.rows()[3] == ("p3", "d3")


def test_edit_without_a_selected_row_does_nothing(editor):
    editor.select("book1")
    assert editor.grid.GetSelectedRows() == []
    assert run(editor.panel.on_edit_parameter, timeout=3) is None
    assert box_texts() == [] and len(editor.rows()) == 6


@pytest.mark.parametrize("code", [wx.ID_OK, wx.ID_CANCEL])
def test_edit_opens_the_parameter_and_always_rewrites_its_description(editor, code):
    editor.select("book1")
    editor.select_rows(3)
    book = editor.panel.root["book1"]
    original = book["p3"]
    seen = []

    def edit(dialog):
        seen.append((dialog.ui_name.GetValue(), dialog.parameter))
        dialog.parameter.description = "changed"

    press(editor.panel.ui_edit_parameter_button,
          in_dialog("ParameterEditorDialog", edit), end_modal(code))
    assert seen == [("p3", original)]
    # The dialog edits the stored object in place, kept whatever its result.
    assert book["p3"] is original and original.description == "changed"
    assert editor.rows()[3] == ("p3", "changed")
    assert [r[0] for r in editor.rows()] == ["p%d" % i for i in range(6)]


@pytest.mark.parametrize("order", [(2, 5), (5, 2)])
def test_delete_parameters_removes_every_selected_row_and_disables_row_buttons(editor, order):
    editor.select("book1")
    editor.select_rows(*order)
    assert editor.row_buttons_enabled() == [True] * 5
    press(editor.panel.ui_delete_parameter_button)
    flush_events()
    assert box_texts() == []
    names = ["p0", "p1", "p3", "p4"]
    assert editor.panel.root["book1"].names() == names
    assert editor.rows() == [(n, "d" + n[1]) for n in names]
    assert editor.row_buttons_enabled() == [False] * 5
    assert editor.panel.ui_add_parameter_button.IsEnabled()


def test_delete_parameters_without_selected_rows_does_nothing(editor):
    editor.select("book1")
    assert run(editor.panel.on_delete_parameter, timeout=3) is None
    assert box_texts() == [] and len(editor.panel.root["book1"].names()) == 6


# --------------------------------------------------------------------------
# Copying

class FakeObserver:
    """Stands in for the file-system observer; records what the panel does."""
    log = None
    changes = False

    def __init__(self, path):
        self.path = path
        self.changed = False
        self.log.append(("watch", path))

    def close(self):
        self.changed = self.changes
        self.log.append(("close",))


class FakeCopyDialog:
    """Stands in for the copy dialog; records its arguments and use."""
    log = None
    fail = None

    def __init__(self, parent, path, data):
        if self.fail is not None:
            raise self.fail
        self.log.append(("dialog", parent, list(path), data))

    def ShowModal(self):
        self.log.append(("show",))
        return wx.ID_CANCEL

    def Destroy(self):
        self.log.append(("destroy",))


@pytest.fixture
def fakes(monkeypatch):
    log = []
    observer = type("Observer", (FakeObserver,), {"log": log})
    dialog = type("CopyDialog", (FakeCopyDialog,), {"log": log})
    monkeypatch.setattr(kvt_wxtools, "_FSObserver", observer)
    monkeypatch.setattr(kvt_wxtools, "ParaTreeCopyDialog", dialog)
    return log, observer, dialog


def test_copy_commands_do_nothing_without_a_tree_path(editor, fakes):
    log = fakes[0]
    editor.panel.ui_tree_path.SetValue("")
    editor.select("book1")
    run(editor.panel.on_copy_parameter, timeout=2)     # no row: its notice is not shown either
    editor.select_rows(1)
    press(editor.panel.ui_copy_parameter_button, timeout=2)
    press(editor.panel.ui_copy_tree_item_button, timeout=2)
    assert log == [] and box_texts() == []


@pytest.mark.parametrize("rows", [(), (1, 4)])
def test_copy_parameter_needs_exactly_one_row(editor, rows):
    editor.select("book1")
    editor.select_rows(*rows)
    # The real observer: nothing changes on disk, so no reload question.
    run(editor.panel.on_copy_parameter, notice("请选中并只选中一个要复制的参数。"), timeout=3)
    assert len(box_texts()) == 1


@pytest.mark.parametrize("command, labels, row, expected_path", [
    ("parameter", ("alpha", "inner"), 0, ["alpha", "inner", "q1"]),
    ("parameter", ("book1",), 4, ["book1", "p4"]),
    ("tree", ("alpha", "inner"), None, ["alpha", "inner"]),
    ("tree", ("alpha", "sub"), None, ["alpha", "sub"]),
    ("tree", ("beta",), None, ["beta"]),
    ("tree", (), None, ["tree"]),
])
def test_copy_hands_the_item_path_and_object_to_the_copy_dialog_under_watch(
        editor, fakes, command, labels, row, expected_path):
    log = fakes[0]
    editor.select(*labels)
    data = editor.tree.GetItemData(editor.item(*labels))
    if command == "parameter":
        editor.select_rows(row)
        data = data[expected_path[-1]]
        button = editor.panel.ui_copy_parameter_button
    else:
        button = editor.panel.ui_copy_tree_item_button
    press(button)
    assert log == [("watch", editor.path), ("dialog", editor.panel, expected_path, data),
                   ("show",), ("destroy",), ("close",)]
    assert box_texts() == []


@pytest.mark.parametrize("answer", [wx.YES, wx.NO])
def test_reload_is_offered_when_the_disk_changed_during_a_copy(editor, fakes, answer):
    _log, observer, _dialog = fakes
    observer.changes = True
    # Changed on disk behind the editor's back; a reload must show it.
    stored = ParameterDirectory.load(editor.path)
    stored.extra = ParameterBook()
    stored.save(editor.path)
    editor.select("book1")
    model = editor.panel.root
    press(editor.panel.ui_copy_tree_item_button, confirm(
        answer, "Parameter tree is changed in file system. Do you want to reload it?"))
    flush_events()
    assert len(box_texts()) == 1
    if answer == wx.YES:
        assert editor.panel.root is not model and "extra" in editor.panel.root
        assert editor.children() == ["alpha", "book1", "beta", "extra"]
        assert editor.panel.ui_tree_path.GetValue() == editor.path
    else:
        assert editor.panel.root is model and editor.children() == ["alpha", "book1", "beta"]


def test_a_failing_copy_command_still_closes_the_watch_and_propagates(editor, fakes):
    log, observer, dialog = fakes
    observer.changes = True
    dialog.fail = RuntimeError("copy broke")
    editor.select("alpha")
    with pytest.raises(RuntimeError, match="copy broke"):
        run(editor.panel.on_copy_tree_item, timeout=3)
    # No reload question after a failure, although the fake reports a change.
    assert log == [("watch", editor.path), ("close",)] and box_texts() == []


def copy_dialog():
    dialog = modal_window(wx.Dialog)
    if type(dialog).__name__ != "ParaTreeCopyDialog" or not dialog.IsModal():
        raise NotReady("copy dialog")
    return dialog


def fill_copy_dialog(target, rename="", seen=None):
    """Action: note the copy dialog's source and type, then set its target
    and new name as a browse and typing would."""
    def fill(dialog):
        if seen is not None:
            seen.append((dialog.ui_source.GetValue(), dialog.ui_type.GetValue()))
        dialog.ui_rename.SetValue(rename)
        dialog.ui_target_path.SetValue(target)
        dialog.ui_confirm.Enable()
    return in_dialog("ParaTreeCopyDialog", fill)


@pytest.mark.parametrize("labels, source, kind, written", [
    (("alpha", "inner"), "alpha.inner", "ParameterBook", "inner.para"),
    (("alpha", "sub"), "alpha.sub", "ParameterDirectory", "sub"),
    ((), "tree", "ParameterDirectory", "tree"),
])
def test_copying_a_tree_item_elsewhere_uses_its_own_name(editor, tmp_path, labels, source, kind,
                                                         written):
    out = tmp_path / "out"
    out.mkdir()
    editor.select(*labels)
    data = editor.tree.GetItemData(editor.item(*labels))
    seen = []
    press(editor.panel.ui_copy_tree_item_button, fill_copy_dialog(str(out), seen=seen),
          click(lambda: copy_dialog().ui_confirm), notice("Copy parameter success."))
    assert seen == [(source, kind)]
    assert box_texts() == ["Copy parameter success."]
    loaded = (ParameterBook if kind == "ParameterBook" else ParameterDirectory).load(
        str(out / written))
    assert loaded == data


def test_copying_a_parameter_into_a_book_file(editor, tmp_path):
    target = str(tmp_path / "target.para")
    ParameterBook().save(target)
    editor.select("alpha", "inner")
    editor.select_rows(0)
    seen = []
    press(editor.panel.ui_copy_parameter_button, fill_copy_dialog(target, seen=seen),
          click(lambda: copy_dialog().ui_confirm), notice("Copy parameter success."))
    assert seen == [("alpha.inner.q1", "Parameter")]
    assert ParameterBook.load(target)["q1"].description == "first"


@pytest.mark.parametrize("answer", [wx.YES, wx.NO])
def test_copying_into_the_edited_tree_offers_a_reload(editor, answer):
    editor.select("alpha", "inner")
    model = editor.panel.root
    press(editor.panel.ui_copy_tree_item_button, fill_copy_dialog(editor.path, "copied"),
          click(lambda: copy_dialog().ui_confirm), notice("Copy parameter success."),
          confirm(answer, "Parameter tree is changed in file system. Do you want to reload it?"))
    flush_events()
    assert os.path.isfile(os.path.join(editor.path, "copied.para"))
    if answer == wx.YES:
        assert editor.panel.root is not model and "copied" in editor.children()
        assert editor.grid.GetNumberRows() == 0
    else:
        assert editor.panel.root is model and "copied" not in editor.children()


def test_a_cancelled_copy_asks_nothing(editor):
    editor.select("book1")
    editor.select_rows(2)
    press(editor.panel.ui_copy_parameter_button,
          in_dialog("ParaTreeCopyDialog", lambda d: None), end_modal(wx.ID_CANCEL))
    assert box_texts() == []
