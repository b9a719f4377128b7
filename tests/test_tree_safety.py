"""Working safely in the tree editor, through the real windows: the unsaved
changes prompt, the modified mark, save conflicts, copies into the loaded
tree, undo and redo of every command, rename and view, the find filter, the
keyboard, and the mends (multi-row delete, long values)."""
import copy
import os
import time

import pytest
import wx

from harness import (INPUT_SIMULATED, NotReady, answer_message_box, answer_text_entry, call, call_modal,
                     click, end_modal, flush_events, modal_window, needs_simulated_input,
                     shown_message_boxes)
from test_tree_commands import (CHARS, FakeCopyDialog, FakeObserver, box_texts, editor,  # noqa: F401
                                error, in_dialog, notice, press)
import kvt_wxtools
from kvt_paratree import Parameter, ParameterBook, ParameterDirectory

PROMPT = "The parameter tree has changes that are not saved.\n\nSave them first?"


def on_disk(editor):
    return ParameterDirectory.load(editor.path)


def delete_rows(editor, *rows, labels=("book1",)):
    editor.select(*labels)
    editor.select_rows(*rows)
    press(editor.panel.ui_delete_parameter_button)


def key(code, modifiers=wx.MOD_NONE, focus=None):
    """Action: press a key, as a keyboard does, into the focused window."""
    def action():
        if focus is not None:
            focus().SetFocus()
        wx.UIActionSimulator().Char(code, modifiers)
    return action


def press_keys(editor, *codes, focus=None):
    for code in codes:
        code, modifiers = code if isinstance(code, tuple) else (code, wx.MOD_NONE)
        (focus or editor.panel.ui_tree).SetFocus()
        flush_events()
        wx.UIActionSimulator().Char(code, modifiers)
        for _ in range(5):
            flush_events()


def labels(editor, item=None, depth=0):
    tree = editor.tree
    item = item or tree.GetRootItem()
    out = ["  " * depth + tree.GetItemText(item)]
    child, cookie = tree.GetFirstChild(item)
    while child.IsOk():
        out += labels(editor, child, depth + 1)
        child, cookie = tree.GetNextChild(item, cookie)
    return out


def model_labels(directory, name, depth=0):
    out = ["  " * depth + name]
    for child_name, child in directory.items():
        if isinstance(child, ParameterDirectory):
            out += model_labels(child, child_name, depth + 1)
        else:
            out.append("  " * (depth + 1) + child_name)
    return out


# --------------------------------------------------------------------------
# Unsaved changes: the mark and the prompt

def test_close_asks_and_each_answer_does_what_it_says(editor, monkeypatch):
    dialog, panel = editor.dialog, editor.panel
    assert not panel.is_modified() and panel.ui_modified_mark.GetLabel() == ""
    delete_rows(editor, 0)
    assert panel.is_modified() and panel.ui_modified_mark.GetLabel() == "* modified"
    dialog.Hide()
    # Cancel keeps the dialog open; a save that fails keeps it open too.
    monkeypatch.setattr(ParameterDirectory, "save", lambda *a, **k: (_ for _ in ()).throw(OSError("disk full")))
    result = call_modal(dialog.ShowModal,
                        call(dialog.Close), answer_message_box(wx.ID_CANCEL, message=PROMPT),
                        key(wx.WXK_ESCAPE, focus=lambda: editor.tree) if INPUT_SIMULATED else call(dialog.Close),
                        answer_message_box(wx.ID_YES, message=PROMPT),
                        answer_message_box(wx.OK, message="Exception raised while saving parameter "
                                                          "directory: disk full"),
                        wait_open(dialog), call(dialog.Close),
                        answer_message_box(wx.ID_NO, message=PROMPT))
    # "Don't save" closes and writes nothing.
    assert result == wx.ID_CANCEL
    assert "p0" in on_disk(editor)["book1"]
    monkeypatch.undo()
    # "Save" writes, then closes.
    result = call_modal(dialog.ShowModal, call(dialog.Close),
                        answer_message_box(wx.ID_YES, message=PROMPT),
                        answer_message_box(wx.OK, message="Save parameter to %s success." % editor.path))
    assert result == wx.ID_CANCEL and "p0" not in on_disk(editor)["book1"]
    assert not panel.is_modified()


def wait_open(dialog):
    def action():
        if not dialog.IsModal() or len(shown_message_boxes()) < 3 or modal_window() is not dialog:
            raise NotReady("the dialog alone")
    return action


def test_calls_from_code_never_ask_and_an_unchanged_tree_closes_at_once(editor):
    dialog = editor.dialog
    dialog.Hide()
    assert call_modal(dialog.ShowModal, call(dialog.Close)) == wx.ID_CANCEL
    delete_rows(editor, 1)
    assert call_modal(dialog.ShowModal, end_modal(wx.ID_OK)) == wx.ID_OK
    assert box_texts() == []


def test_a_change_made_from_code_is_known_and_asked_about(editor):
    editor.panel.root["book1"]["new"] = Parameter()
    assert editor.panel.is_modified()
    editor.panel._modified_checked_at = 0.0
    editor.panel.ui_modified_mark.UpdateWindowUI()
    assert editor.panel.ui_modified_mark.GetLabel() == "* modified"


def test_load_over_changes_asks_first_and_cancel_opens_nothing(editor):
    delete_rows(editor, 0)
    press(editor.panel.ui_load_button, answer_message_box(wx.ID_CANCEL, message=PROMPT))
    assert box_texts() == [PROMPT] and editor.panel.root_path == editor.path


# --------------------------------------------------------------------------
# Save conflicts and copies into the loaded tree

def test_save_lists_conflicts_and_keeps_what_changed_only_outside(editor):
    delete_rows(editor, 0)
    other = on_disk(editor)
    other["book1"]["p5"].description = "theirs"
    other["outside"] = ParameterBook()
    other.save(editor.path)
    conflict = ("These books and folders were changed here and also on disk since the tree was "
                "loaded:\n\nbook1.para\n\nOverwrite them on disk with the versions here? "
                "Everything else changed on disk is kept.")
    press(editor.panel.ui_save_button, answer_message_box(wx.ID_NO, message=conflict))
    assert len(box_texts()) == 1 and on_disk(editor)["book1"]["p5"].description == "theirs"
    assert editor.panel.is_modified()
    press(editor.panel.ui_save_button, answer_message_box(wx.ID_YES, message=conflict),
          notice("Save parameter to %s success." % editor.path))
    stored = on_disk(editor)
    assert "p0" not in stored["book1"] and stored["book1"]["p5"].description == "d5"
    assert "outside" in stored and not editor.panel.is_modified()


class WritingCopyDialog(FakeCopyDialog):
    """The copy dialog writes a parameter into the loaded tree's alpha/inner."""
    log = []

    def ShowModal(self):
        book_path = os.path.join(self.panel_path, "alpha", "inner.para")
        book = ParameterBook.load(book_path)
        book["copied"] = Parameter()
        book.save(book_path)
        return wx.ID_OK


@pytest.mark.parametrize("reload", [True, False])
def test_copy_into_the_loaded_tree_loses_nothing_either_way(editor, monkeypatch, reload):
    observer = type("Observer", (FakeObserver,), {"log": [], "changes": True})
    monkeypatch.setattr(kvt_wxtools, "_FSObserver", observer)
    monkeypatch.setattr(kvt_wxtools, "ParaTreeCopyDialog",
                        type("D", (WritingCopyDialog,), {"panel_path": editor.path}))
    delete_rows(editor, 0)                        # an unsaved edit of book1
    editor.select("book1")
    press(editor.panel.ui_copy_tree_item_button, answer_message_box(
        wx.YES if reload else wx.NO,
        message="Parameter tree is changed in file system. Do you want to reload it?"))
    root = editor.panel.root
    assert "p0" not in root["book1"]              # the edit is kept either way
    assert ("copied" in root["alpha"]["inner"]) == reload
    press(editor.panel.ui_save_button, notice("Save parameter to %s success." % editor.path))
    stored = on_disk(editor)
    assert "copied" in stored["alpha"]["inner"] and "p0" not in stored["book1"]


# --------------------------------------------------------------------------
# Undo and redo

def test_every_command_undoes_and_redoes_to_any_depth(editor):
    panel = editor.panel
    states = [copy.deepcopy(panel.root)]

    def done():
        flush_events()
        states.append(copy.deepcopy(panel.root))

    editor.select()
    press(panel.ui_add_directory_button, answer_text_entry("gamma")); done()
    press(panel.ui_add_book_button, answer_text_entry("notes")); done()
    editor.select("book1")
    press(panel.ui_add_parameter_button, answer_text_entry("fresh"),
          in_dialog("ParameterEditorDialog", lambda d: d.EndModal(wx.ID_OK))); done()
    editor.select_rows(1)
    # A whole editor session is one step, kept even after Cancel.
    press(panel.ui_edit_parameter_button, in_dialog("ParameterEditorDialog", lambda d: (
        d.parameter.__setitem__("speed", 3), d.parameter.set_description("zwei", "de"),
        d.EndModal(wx.ID_CANCEL)))); done()
    editor.select_rows(2)
    press(panel.ui_rename_parameter_button, answer_text_entry("p2b")); done()
    delete_rows(editor, 3, 5); done()
    editor.select("alpha", "inner")
    press(panel.ui_delete_tree_item_button, answer_message_box(wx.YES)); done()
    editor.select()
    press(panel.ui_delete_tree_item_button, answer_message_box(wx.YES)); done()
    assert len(states) == 9 and all(a != b for a, b in zip(states, states[1:]))

    def keys_or_button(code, button):
        # (the buttons where the toolkit cannot simulate keys)
        press_keys(editor, code) if INPUT_SIMULATED else press(button)

    for state in reversed(states[:-1]):
        keys_or_button((ord("Z"), wx.MOD_CONTROL), panel.ui_undo_button)
        assert panel.root == state
        assert labels(editor) == model_labels(panel.root, os.path.basename(editor.path))
    assert not panel.is_modified() and not panel.ui_undo_button.IsEnabled()
    for state, code in zip(states[1:], [(ord("Y"), wx.MOD_CONTROL),
                                        (ord("Z"), wx.MOD_CONTROL | wx.MOD_SHIFT)] * 4):
        keys_or_button(code, panel.ui_redo_button)
        assert panel.root == state
    assert panel.is_modified() and not panel.ui_redo_button.IsEnabled()
    assert box_texts().count(PROMPT) == 0


def test_undo_puts_things_back_in_place_and_selects_them(editor):
    delete_rows(editor, 1, 4)
    press(editor.panel.ui_undo_button)
    assert [r[0] for r in editor.rows()] == ["p%d" % i for i in range(6)]
    assert editor.grid.GetSelectedRows() and editor.row_buttons_enabled() == [True] * 5
    editor.select("alpha")
    press(editor.panel.ui_delete_tree_item_button, answer_message_box(wx.YES))
    press(editor.panel.ui_undo_button)
    assert editor.children() == ["alpha", "book1", "beta"] and editor.children("alpha") == ["inner", "sub"]
    assert editor.tree.GetItemText(editor.tree.GetSelection()) == "alpha"


# --------------------------------------------------------------------------
# Rename and view

@pytest.mark.parametrize("typed, text", [
    ("a/b", "Parameter name `a/b` is invalid. It may be has invalid characters: `%s`." % CHARS),
    ("p3", "Parameter name `p3` already exists. Please choose another one."),
])
def test_rename_refuses_as_adding_does(editor, typed, text):
    editor.select("book1")
    editor.select_rows(1)
    press(editor.panel.ui_rename_parameter_button, answer_text_entry(typed), error(text))
    assert editor.panel.root["book1"].names() == ["p%d" % i for i in range(6)]


@needs_simulated_input
def test_rename_keeps_the_place_and_the_object(editor):
    editor.select("book1")
    editor.select_rows(2)
    parameter = editor.panel.root["book1"]["p2"]
    call_modal(lambda: press_keys(editor, wx.WXK_F2, focus=editor.grid), answer_text_entry("middle"))
    assert editor.panel.root["book1"].names()[2] == "middle"
    assert editor.panel.root["book1"]["middle"] is parameter and editor.rows()[2][0] == "middle"


def test_view_shows_types_values_and_every_description(editor):
    parameter = editor.panel.root["book1"]["p1"]
    for name, value in [("n", 3), ("x", 2.5), ("on", True), ("s", "t" * 1000), ("l", [1])]:
        parameter[name] = value
    parameter.set_description("eins", "de")
    editor.select("book1")
    editor.select_rows(1)
    seen = {}

    def look(dialog):
        grid = dialog.ui_attributes
        seen["attributes"] = [tuple(grid.GetCellValue(r, c) for c in range(3))
                              for r in range(grid.GetNumberRows())]
        grid = dialog.ui_descriptions
        seen["descriptions"] = [(grid.GetCellValue(r, 0), grid.GetCellValue(r, 1))
                                for r in range(grid.GetNumberRows())]
        dialog.EndModal(wx.ID_CANCEL)

    press(editor.panel.ui_view_parameter_button, in_dialog("ParameterViewDialog", look))
    assert seen["attributes"] == [("n", "int", "3"), ("x", "float", "2.5"), ("on", "bool", "True"),
                                  ("s", "str", "t" * 300 + "\u2026"), ("l", "json", "[1]")]
    assert seen["descriptions"] == [("en", "d1"), ("de", "eins")]


def test_attribute_rename_in_the_parameter_editor(editor):
    parameter = Parameter({"a": 1, "b": 2, "c": 3})
    dialog = kvt_wxtools.ParameterEditorDialog(None, "motor", parameter)
    try:
        dialog.ui_attributes.SelectRow(1)
        flush_events()
        call_modal(click(dialog.ui_rename_button), answer_text_entry("a"), answer_message_box(
            wx.OK, message="Attribute name `a` already exists.\nPlease choose another one."))
        call_modal(click(dialog.ui_rename_button), answer_text_entry("bee"))
        assert parameter.items() == [("a", 1), ("bee", 2), ("c", 3)]
        assert dialog.ui_attributes.GetCellValue(1, 0) == "bee"
    finally:
        dialog.Destroy()


# --------------------------------------------------------------------------
# Find, keyboard, mends

@needs_simulated_input
def test_find_narrows_the_tree_and_clearing_restores_it_with_the_selection(editor):
    full = labels(editor)
    editor.select("alpha", "inner")
    press_keys(editor, (ord("F"), wx.MOD_CONTROL))
    assert wx.Window.FindFocus() in (editor.panel.ui_find, *editor.panel.ui_find.GetChildren())
    for text, shown in [("FIRST", ["tree", "  alpha", "    inner"]),   # a description
                        ("p3", ["tree", "  book1"]),                     # a parameter name
                        ("be", ["tree", "  beta"]),                      # a directory name
                        ("nowhere", ["tree"])]:
        editor.panel.ui_find.SetValue(text)
        flush_events()
        assert labels(editor) == shown
    # Escape in a find field that holds text clears it; the editor stays open.
    press_keys(editor, wx.WXK_ESCAPE, focus=editor.panel.ui_find)
    assert editor.panel.ui_find.GetValue() == "" and editor.dialog.IsShown()
    editor.panel.ui_find.SetValue("")
    flush_events()
    assert labels(editor) == full
    assert editor.tree.GetItemText(editor.tree.GetSelection()) == "inner"


@needs_simulated_input
def test_keys_save_delete_and_edit(editor):
    editor.select("book1")
    editor.select_rows(0)
    press_keys(editor, wx.WXK_DELETE, focus=editor.grid)
    assert editor.panel.root["book1"].names()[0] == "p1"
    call_modal(lambda: press_keys(editor, (ord("S"), wx.MOD_CONTROL)),
               notice("Save parameter to %s success." % editor.path))
    assert "p0" not in on_disk(editor)["book1"]
    editor.select_rows(0)
    call_modal(lambda: press_keys(editor, wx.WXK_RETURN, focus=editor.grid),
               in_dialog("ParameterEditorDialog", lambda d: d.EndModal(wx.ID_CANCEL)))
    editor.select("beta")
    call_modal(lambda: press_keys(editor, wx.WXK_DELETE), answer_message_box(
        wx.YES, message="Do you really want to delete Parameter Directory `beta`?"))
    assert "beta" not in editor.panel.root


def test_deleting_a_block_of_rows_raises_nothing_and_disables_the_row_buttons(editor):
    editor.select("book1")
    editor.grid.SelectBlock(1, 0, 3, 1)           # what a click and a shift-click make
    flush_events()
    press(editor.panel.ui_delete_parameter_button)
    flush_events()
    assert editor.panel.root["book1"].names() == ["p0", "p4", "p5"]
    assert editor.grid.GetSelectedRows() == [] and editor.row_buttons_enabled() == [False] * 5


def test_a_huge_value_opens_at_once_and_stays_whole():
    value = "x" * (50 << 20)
    parameter = Parameter({"blob": value, "n": 1})
    parameter.description = "y" * 1000
    started = time.monotonic()
    dialog = kvt_wxtools.ParameterEditorDialog(None, "big", parameter)
    elapsed = time.monotonic() - started
    try:
        assert elapsed < 1.0
        assert dialog.ui_attributes.GetCellValue(0, 1) == "x" * 300 + "\u2026"
        assert parameter["blob"] is value
    finally:
        dialog.Destroy()
