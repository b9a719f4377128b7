"""The gallery example: its buttons open their windows, its data-bound
controls stay in step with their objects, its editor works on a copy of the
sample tree, and its screenshot mode writes one picture per window."""
import os
import subprocess
import sys

from harness import (folder_entries, IMPORT_PATHS, PYTHON, REPO_ROOT, answer_message_box, answer_text_entry,
                     call_modal, click, end_modal, modal_window)

import pytest
import wx

import kvt_wxtools

GALLERY = os.path.join(REPO_ROOT, "examples", "gallery")
SAMPLE_TREE = os.path.join(REPO_ROOT, "examples", "sample_tree")
sys.path.insert(0, GALLERY)

import gallery_frame  # noqa: E402
import gallery_samples  # noqa: E402
import gallery_tour  # noqa: E402
from kvt_paratree import ParameterBook, ParameterDirectory  # noqa: E402


@pytest.fixture
def gallery(tmp_path):
    frame = gallery_frame.GalleryFrame(tree_dir=str(tmp_path / "tree"))
    try:
        yield frame
    finally:
        frame.Close(force=True)


# --------------------------------------------------------------------------
# Each button opens its window

def end_window_of(kind):
    def action():
        dialog = modal_window(wx.Dialog)
        assert isinstance(dialog, kind), dialog
        dialog.EndModal(wx.ID_CANCEL)
    return action


WINDOW_OF = {
    "mb_input_str": wx.TextEntryDialog, "mb_input_int": wx.TextEntryDialog,
    "mb_input_float": wx.TextEntryDialog,
    "simple_input": kvt_wxtools.SimpleInputDialog, "password_input": kvt_wxtools.SimpleInputDialog,
    "multiple_input": kvt_wxtools.MultipleInputDialog, "true_or_false": kvt_wxtools.TrueOrFalseDialog,
    "choose_one_button": kvt_wxtools.ChooseOneButtonDialog,
    "single_choice_timeout": kvt_wxtools.SingleChoiceTimeoutDialog,
    "auto_close": kvt_wxtools.AutoCloseMessageBox, "wait_for": kvt_wxtools.WaitForDialog,
    "progress": kvt_wxtools.ProgressDialog, "tree_editor": kvt_wxtools.ParameterTreeDialog,
    "parameter_editor": kvt_wxtools.ParameterEditorDialog,
}
CAPTIONS = {"mb_error": "Serial port", "mb_notice": "Vision", "mb_confirm": "Homing"}


@pytest.mark.parametrize("tool", gallery_frame.all_tools(), ids=lambda t: t.key)
def test_every_button_opens_its_window(gallery, tool):
    if tool.native:
        answer = answer_message_box(wx.ID_YES if tool.key == "mb_confirm" else wx.ID_OK,
                                    caption=CAPTIONS[tool.key])
    else:
        answer = end_window_of(WINDOW_OF[tool.key])
    # Pressed as a user presses it: through the button's event.
    call_modal(click(gallery.buttons[tool.key]), answer)
    assert gallery.log_text.GetValue().splitlines()[-1].startswith(tool.label.split(" ")[0])


def test_the_tool_list_covers_every_dialog_of_the_module():
    shown = set(WINDOW_OF.values()) - {wx.TextEntryDialog}
    published = {getattr(kvt_wxtools, name) for name in dir(kvt_wxtools)
                 if not name.startswith("_") and isinstance(getattr(kvt_wxtools, name), type)
                 and issubclass(getattr(kvt_wxtools, name), wx.Dialog)}
    # The editor's inner dialogs are reached from the editor itself.
    inner = {kvt_wxtools.ParameterScalarAttributeEditorDialog, kvt_wxtools.DescriptionEditorDialog,
             kvt_wxtools.ParaTreeCopyDialog, kvt_wxtools.ParameterViewDialog}
    assert published - inner == shown
    assert set(WINDOW_OF) | set(CAPTIONS) == {t.key for t in gallery_frame.all_tools()}


@pytest.mark.parametrize("key, typed, result, boxes", [
    ("mb_input_int", "12", 12, 0),
    ("mb_input_float", "0.75", 0.75, 0),
    ("mb_input_int", "twelve", None, 1),
])
def test_input_results_are_returned_and_logged(gallery, key, typed, result, boxes):
    actions = [answer_text_entry(typed)]
    if boxes:
        actions.append(answer_message_box(wx.ID_OK, message="Invalid input format."))
    assert call_modal(getattr(gallery, "on_" + key), *actions) == result
    assert gallery.log_text.GetValue().endswith("returned %r" % (result,))


def test_confirm_answer_is_logged_by_name(gallery):
    assert call_modal(gallery.on_mb_confirm, answer_message_box(wx.ID_NO)) == wx.NO
    assert gallery.GetStatusBar().GetStatusText() == "MB.Confirm returned wx.NO (8)"


def test_progress_follows_the_worker_to_the_end(gallery):
    code, fraction, status = call_modal(gallery.on_progress)
    assert (code, fraction, status) == ("wx.ID_OK", "40 / 40", "Done")


def test_closing_the_progress_dialog_stops_the_worker(gallery):
    code, fraction, status = call_modal(gallery.on_progress, end_modal(wx.ID_CANCEL))
    done, total = map(int, fraction.split(" / "))
    assert (code, status) == ("wx.ID_CANCEL", "Cancelled") and done < total
    assert not [t for t in __import__("threading").enumerate() if t.name == "gallery-calibration"]


# --------------------------------------------------------------------------
# Data-bound controls

def grid_rows(grid):
    return [tuple(grid.GetCellValue(r, c) for c in range(grid.GetNumberCols()))
            for r in range(grid.GetNumberRows())]


def test_list_box_buttons_keep_control_and_objects_in_step(gallery):
    people, box = gallery.people, gallery.people_box
    for key in ["person_add", "person_select_next", "person_select_next", "person_insert",
                "person_delete", "person_add", "person_select_next", "person_delete"]:
        click(gallery.buttons[key])()
        assert box.GetStrings() == [p.label() for p in people.objects]
        index = people.GetSelectionIndex()
        assert people.GetSelection() is (people.objects[index] if index >= 0 else None)
    assert len(people) == 5
    click(gallery.buttons["person_clear"])()
    assert box.GetCount() == 0 and people.objects == []
    click(gallery.buttons["person_delete"])()   # nothing selected: refused, nothing lost
    assert gallery.log_text.GetValue().endswith("Select a person first.")


def test_grid_buttons_keep_rows_objects_and_colours_in_step(gallery):
    parts, grid = gallery.parts, gallery.parts_grid
    for key in ["part_add", "part_select_next", "part_insert", "part_select_next",
                "part_delete", "part_add"]:
        click(gallery.buttons[key])()
        assert grid_rows(grid) == [tuple(map(str, p.row())) for p in parts.objects]
    # "Use one" rewrites the selected row from its object; the colour follows
    # the stock, although get_bg is then handed the object, not the values.
    index = [p.number for p in parts.objects].index("U-SOIC8-555")
    part = parts.objects[index]
    part.quantity = gallery_samples.LOW_STOCK + 1
    parts.SetSelection(index)
    white = grid.GetCellBackgroundColour(index, 0)
    click(gallery.buttons["part_use_one"])()
    assert grid.GetCellValue(index, 2) == str(gallery_samples.LOW_STOCK)
    assert grid.GetCellBackgroundColour(index, 0) != white
    assert grid.GetCellBackgroundColour(index, 0) == gallery_samples.part_colour(part)


def test_date_buttons_read_and_set_the_picker(gallery):
    import datetime
    assert gallery.on_date_read() == datetime.date(2024, 5, 17)
    assert gallery.on_date_today() == datetime.date.today()


# --------------------------------------------------------------------------
# Parameter trees

def test_the_editor_works_on_a_copy_of_the_sample(gallery, tmp_path):
    before = folder_entries(SAMPLE_TREE)
    assert ParameterDirectory.load(gallery.tree.path) == ParameterDirectory.load(SAMPLE_TREE)

    def panel():
        dialog = modal_window(kvt_wxtools.ParameterTreeDialog)
        return [c for c in dialog.GetChildren() if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel)][0]

    def select_a_book_and_delete_another():
        gallery_tour.show_a_book(modal_window(kvt_wxtools.ParameterTreeDialog))
        assert panel().ui_book.GetCellValue(0, 0) == "travel"
        del panel().root["motion"]["axes"]["Z"]

    call_modal(gallery.on_tree_editor, select_a_book_and_delete_another,
               click(lambda: panel().ui_save_button),
               answer_message_box(wx.ID_OK, message="Save parameter to %s success." % gallery.tree.path),
               end_modal(wx.ID_OK))
    assert "motion/axes/Z" not in gallery.tree_summary.GetValue()
    assert not os.path.exists(gallery.tree.book_path("motion", "axes", "Z"))

    def edit_exposure():
        modal_window(kvt_wxtools.ParameterEditorDialog).parameter["value"] = 9000
    call_modal(gallery.on_parameter_editor, edit_exposure, end_modal(wx.ID_OK))
    assert ParameterBook.load(gallery.tree.book_path("vision", "camera"))["exposure"]["value"] == 9000

    def edit_and_cancel():
        modal_window(kvt_wxtools.ParameterEditorDialog).parameter["value"] = 1
    call_modal(gallery.on_parameter_editor, edit_and_cancel, end_modal(wx.ID_CANCEL))
    assert ParameterBook.load(gallery.tree.book_path("vision", "camera"))["exposure"]["value"] == 9000

    gallery.on_tree_reset()
    assert ParameterDirectory.load(gallery.tree.path) == ParameterDirectory.load(SAMPLE_TREE)
    assert folder_entries(SAMPLE_TREE) == before


def test_working_tree_folders(tmp_path):
    temporary = gallery_samples.WorkingTree()
    assert os.path.isfile(os.path.join(temporary.path, "general.para"))
    temporary.close()
    assert not os.path.exists(os.path.dirname(temporary.path))

    # A folder that already holds a tree is used as it is, and a reset
    # leaves what is not the tree's alone.
    folder = tmp_path / "mine"
    first = gallery_samples.WorkingTree(str(folder))
    book = ParameterBook.load(first.book_path("general"))
    book["machine_name"]["value"] = "Cell 9"
    book.save(first.book_path("general"))
    (folder / "notes.txt").write_text("mine")
    second = gallery_samples.WorkingTree(str(folder))
    assert ParameterBook.load(second.book_path("general"))["machine_name"]["value"] == "Cell 9"
    second.reset()
    assert ParameterBook.load(second.book_path("general"))["machine_name"]["value"] == "Cell 3"
    assert (folder / "notes.txt").read_text() == "mine"
    second.close()
    assert folder.is_dir()


def test_sample_tree_is_what_the_generator_writes(tmp_path):
    sys.path.insert(0, os.path.join(REPO_ROOT, "examples"))
    try:
        import make_sample_tree
    finally:
        sys.path.pop(0)
    tree = make_sample_tree.build_tree()
    assert ParameterDirectory.load(SAMPLE_TREE) == tree
    kinds = set()

    def walk(directory):
        for child in directory._children.values():
            if isinstance(child, ParameterDirectory):
                walk(child)
            else:
                for _name, parameter in child.items():
                    assert set(parameter.all_descriptions()) == {"en", "zh"}
                    kinds.update(type(v) for _n, v in parameter.items())
    walk(tree)
    assert kinds == {int, float, str, bool, list, dict}


# --------------------------------------------------------------------------
# Pictures

def test_changed_area_finds_the_exact_rectangle():
    before = wx.Bitmap(wx.Image(40, 30))
    image = wx.Image(40, 30)
    image.SetRGB(wx.Rect(7, 5, 20, 11), 200, 10, 10)
    image.SetRGB(39, 29, 1, 0, 0)            # one faint pixel in the far corner
    assert gallery_tour.changed_area(before, wx.Bitmap(image)) == wx.Rect(7, 5, 33, 25)
    image.SetRGB(39, 29, 0, 0, 0)
    assert gallery_tour.changed_area(before, wx.Bitmap(image)) == wx.Rect(7, 5, 20, 11)
    assert gallery_tour.changed_area(before, before) is None


def test_screenshot_mode_writes_one_picture_per_window(tmp_path):
    before = folder_entries(SAMPLE_TREE)
    folder = tmp_path / "shots"
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(IMPORT_PATHS))
    proc = subprocess.run([PYTHON, GALLERY, "--screenshots", str(folder)], capture_output=True,
                          text=True, timeout=120, env=env, cwd=str(tmp_path))
    assert proc.returncode == 0, proc.stderr
    expected = [name for _kind, _what, name in gallery_tour.plan()]
    assert len(expected) == len(gallery_frame.all_tools()) + len(gallery_tour.PAGES)
    assert sorted(os.listdir(folder)) == expected
    assert proc.stdout.splitlines() == ["Screenshots in %s:" % folder] + ["  " + n for n in expected]
    for name in expected:
        image = wx.Image(str(folder / name))
        assert image.IsOk() and image.GetWidth() > 60 and image.GetHeight() > 40, name
        data = bytes(image.GetData())
        # The title bar and the window below it: many colours, not a plain area.
        assert len(set(data[i:i + 3] for i in range(0, len(data), 3 * 7))) > 8, name
    assert folder_entries(SAMPLE_TREE) == before

