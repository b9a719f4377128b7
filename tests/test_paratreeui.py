"""The base windows of the parameter-tree editor: their controls, initial
states, the handler each user action reaches, and how OK and Cancel end them."""
import pytest
import wx
import wx.grid

from harness import call, click, end_modal, run_modal, run_python
import kvt_paratreeui as ui

DIALOGS = [ui.ParameterEditorDialog, ui.ScalarEditorDialog, ui.DescriptionEditorDialog,
           ui.CopyDialog]



@pytest.fixture
def make():
    """Builds a base window (a panel goes into a frame) and destroys it after
    the test."""
    made = []

    def build(cls):
        if issubclass(cls, wx.Panel):
            made.append(wx.Frame(None))
            return cls(made[-1])
        made.append(cls(None))
        return made[-1]
    yield build
    for window in made:
        window.Destroy()


def recording(base):
    """A subclass of `base` whose handlers record their names instead of
    letting the event go on."""
    def init(self, parent):
        self.calls = []
        base.__init__(self, parent)

    namespace = {"__init__": init}
    for name in vars(base):
        if name.startswith("on_"):
            namespace[name] = lambda self, event, name=name: self.calls.append(name)
    return type("Recording" + base.__name__, (base,), namespace)


def grid_shape(grid):
    return grid.GetNumberCols(), grid.GetNumberRows()


def test_tree_panel_controls_and_initial_state(make):
    panel = make(ui.ParameterTreeEditorPanel)
    assert isinstance(panel.ui_tree, wx.TreeCtrl) and not panel.ui_tree.GetRootItem().IsOk()
    assert isinstance(panel.ui_book, wx.grid.Grid) and grid_shape(panel.ui_book) == (2, 0)
    assert panel.ui_tree_path.GetValue() == ""
    parameter_buttons = ["ui_%s_parameter_button" % n
                         for n in ("add", "edit", "delete", "rename", "view", "copy")]
    assert [getattr(panel, n).IsEnabled() for n in parameter_buttons] == [False] * 6
    assert all(getattr(panel, n).IsEnabled() for n in (
        "ui_load_button", "ui_save_button", "ui_save_to_button", "ui_add_directory_button",
        "ui_add_book_button", "ui_delete_tree_item_button", "ui_copy_tree_item_button"))


def test_parameter_editor_controls_and_initial_state(make):
    dialog = make(ui.ParameterEditorDialog)
    assert grid_shape(dialog.ui_attributes) == (2, 0)
    assert dialog.ui_name.GetValue() == dialog.ui_description.GetValue() == ""
    assert dialog.ui_add_button.IsEnabled() and dialog.ui_edit_descriptions_button.IsEnabled()
    assert not any(b.IsEnabled() for b in (dialog.ui_edit_button, dialog.ui_rename_button,
                                           dialog.ui_delete_button))


def test_scalar_editor_controls_and_initial_state(make):
    dialog = make(ui.ScalarEditorDialog)
    assert dialog.ui_type.GetItems() == ["int", "float", "str", "bool", "json"]
    assert dialog.ui_type.GetStringSelection() == "str"
    assert dialog.ui_bool_value.GetItems() == ["true", "false"]
    assert dialog.ui_bool_value.GetSelection() == 0
    assert not dialog.ui_multiline_string.IsChecked()
    # The layout matches the selected type: one line of text, the multi-line
    # choice offered, no true/false choice.
    assert [c.IsShown() for c in (dialog.ui_value_single_line, dialog.ui_value_multiline,
                                  dialog.ui_bool_value, dialog.ui_multiline_string)] == \
        [True, False, False, True]
    assert dialog.ui_value_multiline.IsMultiLine() and dialog.ui_value_single_line.IsSingleLine()
    assert dialog.ui_name.GetValue() == ""


def test_description_editor_controls_and_initial_state(make):
    dialog = make(ui.DescriptionEditorDialog)
    assert grid_shape(dialog.ui_descriptions) == (2, 0)
    assert not dialog.ui_edit_button.IsEnabled() and not dialog.ui_delete_button.IsEnabled()


def test_copy_dialog_controls_and_initial_state(make):
    dialog = make(ui.CopyDialog)
    texts = [dialog.ui_source, dialog.ui_type, dialog.ui_rename, dialog.ui_target_path]
    assert all(isinstance(t, wx.TextCtrl) and t.GetValue() == "" for t in texts)
    assert dialog.ui_rename.IsEditable() and not dialog.ui_source.IsEditable()
    assert isinstance(dialog.ui_overwrite, wx.CheckBox) and not dialog.ui_overwrite.IsChecked()
    assert not dialog.ui_confirm.IsEnabled() and dialog.ui_browse_button.IsEnabled()


def trigger(control):
    """Do to `control` what the user does to it."""
    if isinstance(control, wx.Button):
        control.Enable()
        click(control)()
    elif isinstance(control, wx.TreeCtrl):
        control.SelectItem(control.AppendItem(control.AddRoot("root"), "child"))
    elif isinstance(control, wx.grid.Grid):
        control.AppendRows(2)
        control.SelectRow(1)
    else:
        kind = wx.wxEVT_CHOICE if isinstance(control, wx.Choice) else wx.wxEVT_CHECKBOX
        event = wx.CommandEvent(kind, control.GetId())
        event.SetEventObject(control)
        control.GetEventHandler().ProcessEvent(event)


ACTIONS = [(ui.ParameterTreeEditorPanel, control, handler) for control, handler in [
    ("ui_load_button", "on_load"), ("ui_save_button", "on_save"),
    ("ui_save_to_button", "on_save_to"), ("ui_add_directory_button", "on_add_directory"),
    ("ui_add_book_button", "on_add_book"), ("ui_delete_tree_item_button", "on_delete_tree_item"),
    ("ui_copy_tree_item_button", "on_copy_tree_item"),
    ("ui_add_parameter_button", "on_add_parameter"),
    ("ui_edit_parameter_button", "on_edit_parameter"),
    ("ui_delete_parameter_button", "on_delete_parameter"),
    ("ui_copy_parameter_button", "on_copy_parameter"),
    ("ui_tree", "on_tree_sel_changed"), ("ui_book", "on_select_parameter")]] + [
    (ui.ParameterEditorDialog, "ui_attributes", "on_select_attribute"),
    (ui.ParameterEditorDialog, "ui_add_button", "on_add"),
    (ui.ParameterEditorDialog, "ui_edit_button", "on_edit"),
    (ui.ParameterEditorDialog, "ui_delete_button", "on_delete"),
    (ui.ParameterEditorDialog, "ui_edit_descriptions_button", "on_edit_descriptions"),
    (ui.ScalarEditorDialog, "ui_type", "on_type_changed"),
    (ui.ScalarEditorDialog, "ui_multiline_string", "on_multiline_state_changed"),
    (ui.ScalarEditorDialog, "ui_ok_button", "on_ok"),
    (ui.DescriptionEditorDialog, "ui_descriptions", "on_select_changed"),
    (ui.DescriptionEditorDialog, "ui_edit_button", "on_edit"),
    (ui.DescriptionEditorDialog, "ui_delete_button", "on_delete"),
    (ui.CopyDialog, "ui_browse_button", "on_browse"),
    (ui.CopyDialog, "ui_confirm", "on_confirm"),
]


@pytest.mark.parametrize("base, control, handler", ACTIONS,
                         ids=["%s.%s" % (b.__name__, c) for b, c, _h in ACTIONS])
def test_each_user_action_reaches_its_handler(make, base, control, handler):
    window = make(recording(base))
    trigger(getattr(window, control))
    assert window.calls and set(window.calls) == {handler}


OK_CANCEL = [(cls, button, code) for cls in DIALOGS for button, code in (
    ("ui_confirm" if cls is ui.CopyDialog else "ui_ok_button", wx.ID_OK),
    ("ui_cancel_button", wx.ID_CANCEL))]


@pytest.mark.parametrize("cls, button, code", OK_CANCEL,
                         ids=["%s.%s" % (c.__name__, b) for c, b, _code in OK_CANCEL])
def test_ok_and_cancel_end_the_modal_run(make, cls, button, code):
    dialog = make(cls)
    getattr(dialog, button).Enable()  # the copy button waits for a target
    assert run_modal(dialog, click(getattr(dialog, button))) == code


@pytest.mark.parametrize("base, button", [(ui.ScalarEditorDialog, "ui_ok_button"),
                                          (ui.CopyDialog, "ui_confirm")])
def test_a_handler_that_does_not_skip_keeps_the_dialog_open(make, base, button):
    dialog = make(recording(base))
    getattr(dialog, button).Enable()
    still_open = []
    code = run_modal(dialog, click(getattr(dialog, button)),
                     call(lambda: still_open.append(dialog.IsModal())), end_modal(wx.ID_CANCEL))
    assert code == wx.ID_CANCEL and still_open == [True] and dialog.calls


def test_importing_the_siblings_creates_no_window_or_app():
    result = run_python("""
        import wx, kvt_paratreeui, kvt_paratree, kvt_handy
        report([wx.GetApp() is None, len(wx.GetTopLevelWindows())])
    """)
    assert result.rc == 0, result
    assert result.data == [True, 0]


def assert_laid_out(window):
    """Every shown control has a size, lies inside its parent's client area
    and overlaps no shown sibling; controls in a static box are checked
    inside the box."""
    shown = [c for c in window.GetChildren() if c.IsShown() and not c.IsTopLevel()]
    width, height = window.GetClientSize()
    for control in shown:
        rect = control.GetRect()
        assert rect.width > 0 and rect.height > 0, control
        assert rect.x >= 0 and rect.y >= 0 and rect.right < width and rect.bottom < height, \
            (control, rect, (width, height))
    for i, first in enumerate(shown):
        for second in shown[i + 1:]:
            assert not first.GetRect().Intersects(second.GetRect()), (first, second)
    for box in shown:
        if isinstance(box, wx.StaticBox):
            assert_laid_out(box)


# A panel always needs a parent; the dialogs are built both ways.
BUILDS = [(cls, with_parent) for cls in DIALOGS for with_parent in (False, True)] + [
    (ui.ParameterTreeEditorPanel, True)]


@pytest.mark.parametrize("cls, with_parent", BUILDS, ids=[
    "%s-%s" % (c.__name__, "parent" if p else "no parent") for c, p in BUILDS])
def test_windows_build_with_or_without_a_parent_and_lay_out_their_controls(frame, cls, with_parent):
    window = cls(frame if with_parent else None)
    try:
        assert window.GetParent() is (frame if with_parent else None)
        assert_laid_out(window)
        # The editor's subclasses share these class names; a private member
        # here would collide with theirs.
        assert not [n for n in vars(window) if n.startswith("_%s__" % cls.__name__)]
    finally:
        window.Destroy()


def test_scalar_editor_reflows_for_each_value_view(make):
    dialog = make(ui.ScalarEditorDialog)
    views = {"int": (True, False, False, False), "str": (True, False, False, True),
             "multi-line str": (False, True, False, True), "bool": (False, False, True, False),
             "json": (False, True, False, False)}
    controls = (dialog.ui_value_single_line, dialog.ui_value_multiline, dialog.ui_bool_value,
                dialog.ui_multiline_string)
    for view, visible in views.items():
        for control, show in zip(controls, visible):
            control.Show(show)
        dialog.Layout()
        dialog.Fit()
        assert_laid_out(dialog)
