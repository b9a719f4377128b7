"""Base windows of the parameter-tree editor: they create the controls, lay
them out and route every user action to a handler method.  The handlers here
only let the event go on (`event.Skip()`); the editor's subclasses define what
they do.

Each constructor takes only the parent window.  Nothing is created at import.
"""
from typing import Optional, Sequence, Tuple

import wx
import wx.grid

_BORDER = 5
# A range of grid rows chosen: wxPython 4.0 has this event only under its old
# name, EVT_GRID_RANGE_SELECT.
_EVT_GRID_RANGE_SELECTED = getattr(wx.grid, "EVT_GRID_RANGE_SELECTED", None) or wx.grid.EVT_GRID_RANGE_SELECT


def tr(text: str) -> str:
    """`text` through the tools' translation lookup (kvt_handy.tr), which is
    imported at the first use: importing this module needs only wx."""
    from kvt_handy import tr as translate
    return translate(text)


def _tip(window: wx.Window, text: str) -> wx.Window:
    """Gives `window` a tooltip (the keyboard shortcuts are named there)."""
    window.SetToolTip(tr(text))
    return window


def _make_grid(parent: wx.Window, labels: Sequence[str], widths: Sequence[int]) -> wx.grid.Grid:
    """A read-only grid with one column per label and no rows: rows are
    filled and edited by the handlers, never typed into the cells."""
    grid = wx.grid.Grid(parent, wx.ID_ANY, wx.DefaultPosition, wx.DefaultSize, 0)
    grid.CreateGrid(0, len(labels))
    grid.EnableEditing(False)
    grid.EnableGridLines(True)
    grid.EnableDragGridSize(False)
    grid.SetMargins(0, 0)
    for column, (label, width) in enumerate(zip(labels, widths)):
        grid.SetColLabelValue(column, tr(label))
        grid.SetColSize(column, width)
    grid.EnableDragColMove(False)
    grid.EnableDragColSize(True)
    grid.SetColLabelAlignment(wx.ALIGN_CENTER, wx.ALIGN_CENTER)
    grid.EnableDragRowSize(False)
    grid.SetRowLabelSize(40)
    grid.SetDefaultCellAlignment(wx.ALIGN_LEFT, wx.ALIGN_TOP)
    grid.SetMinSize(wx.Size(sum(widths) + 60, 200))
    return grid


def _read_only_text(parent: wx.Window, style: int = 0) -> wx.TextCtrl:
    return wx.TextCtrl(parent, wx.ID_ANY, wx.EmptyString, wx.DefaultPosition, wx.DefaultSize,
                       wx.TE_READONLY | style)


def _ok_cancel_sizer(dialog: wx.Dialog, ok_label: Optional[str] = None
                     ) -> Tuple[wx.StdDialogButtonSizer, wx.Button, wx.Button]:
    """The standard OK and Cancel buttons; they end the modal run with
    wx.ID_OK and wx.ID_CANCEL unless a handler stops the event."""
    sizer = wx.StdDialogButtonSizer()
    ok = _stock_button(dialog, wx.ID_OK, "OK") if ok_label is None else wx.Button(dialog, wx.ID_OK, tr(ok_label))
    cancel = _stock_button(dialog, wx.ID_CANCEL, "Cancel")
    sizer.AddButton(ok)
    sizer.AddButton(cancel)
    sizer.Realize()
    return sizer, ok, cancel


def _stock_button(dialog: wx.Dialog, id: int, text: str) -> wx.Button:
    """A standard button, labelled from the catalog when the catalog
    translates `text`: GTK draws a stock button's own label in the language
    of the process's C locale, whatever catalog wx has loaded."""
    label = tr(text)
    return wx.Button(dialog, id) if label == text else wx.Button(dialog, id, label)


def _start_dialog(dialog: wx.Dialog, parent: Optional[wx.Window], title: str) -> None:
    """The dialogs' common start: a resizable dialog with default size hints."""
    wx.Dialog.__init__(dialog, parent, id=wx.ID_ANY, title=tr(title), pos=wx.DefaultPosition,
                       size=wx.DefaultSize, style=wx.DEFAULT_DIALOG_STYLE | wx.RESIZE_BORDER)
    dialog.SetSizeHints(wx.DefaultSize, wx.DefaultSize)


def _field_grid() -> wx.FlexGridSizer:
    """Two columns, labels and fields; the field column takes the spare width."""
    sizer = wx.FlexGridSizer(0, 2, 0, 0)
    sizer.AddGrowableCol(1)
    sizer.SetFlexibleDirection(wx.BOTH)
    sizer.SetNonFlexibleGrowMode(wx.FLEX_GROWMODE_SPECIFIED)
    return sizer


def _add_label(window: wx.Window, sizer: wx.Sizer, text: str) -> None:
    sizer.Add(wx.StaticText(window, wx.ID_ANY, tr(text)), 0, wx.ALL | wx.ALIGN_CENTER_VERTICAL, _BORDER)


def _fit(dialog: wx.Dialog, sizer: wx.Sizer) -> None:
    """The dialogs' common end: the sizer set, laid out, fitted and centred."""
    dialog.SetSizer(sizer)
    dialog.Layout()
    sizer.Fit(dialog)
    dialog.Centre(wx.BOTH)


class ParameterTreeEditorPanel(wx.Panel):  # type: ignore[misc]  # wx has no type information
    """Panel with the directory tree, the parameter grid of the selected book,
    the tree path field and the tree and parameter command buttons."""

    def __init__(self, parent: "Optional[wx.Window]") -> None:
        wx.Panel.__init__(self, parent, id=wx.ID_ANY, pos=wx.DefaultPosition,
                          size=wx.DefaultSize, style=wx.TAB_TRAVERSAL)

        main_sizer = wx.BoxSizer(wx.VERTICAL)

        path_sizer = wx.BoxSizer(wx.HORIZONTAL)
        _add_label(self, path_sizer, "Parameter directory:")
        self.ui_tree_path = _read_only_text(self)
        path_sizer.Add(self.ui_tree_path, 1, wx.ALL | wx.ALIGN_CENTER_VERTICAL, _BORDER)
        self.ui_load_button = wx.Button(self, wx.ID_ANY, tr("Load..."))
        path_sizer.Add(self.ui_load_button, 0, wx.ALL, _BORDER)
        self.ui_save_button = wx.Button(self, wx.ID_ANY, tr("Save"))
        path_sizer.Add(self.ui_save_button, 0, wx.ALL, _BORDER)
        self.ui_save_to_button = wx.Button(self, wx.ID_ANY, tr("Save to..."))
        path_sizer.Add(self.ui_save_to_button, 0, wx.ALL, _BORDER)
        # Shown while the tree differs from what was last loaded or saved.
        self.ui_modified_mark = wx.StaticText(self, wx.ID_ANY, "")
        self.ui_modified_mark.SetMinSize(wx.Size(90, -1))
        _tip(self.ui_modified_mark, "The tree has changes that are not saved yet")
        path_sizer.Add(self.ui_modified_mark, 0, wx.ALL | wx.ALIGN_CENTER_VERTICAL, _BORDER)
        self.ui_undo_button = _tip(wx.Button(self, wx.ID_ANY, tr("Undo")), "Undo the last change (Ctrl+Z)")
        path_sizer.Add(self.ui_undo_button, 0, wx.ALL, _BORDER)
        self.ui_redo_button = _tip(wx.Button(self, wx.ID_ANY, tr("Redo")),
                                   "Redo the change undone last (Ctrl+Y, Ctrl+Shift+Z)")
        path_sizer.Add(self.ui_redo_button, 0, wx.ALL, _BORDER)
        self.ui_undo_button.Enable(False)
        self.ui_redo_button.Enable(False)
        _tip(self.ui_load_button, "Load a parameter directory")
        _tip(self.ui_save_button, "Save to the loaded directory (Ctrl+S)")
        _tip(self.ui_save_to_button, "Save a copy of the tree to another directory")
        main_sizer.Add(path_sizer, 0, wx.EXPAND, _BORDER)

        content_sizer = wx.BoxSizer(wx.HORIZONTAL)

        tree_sizer = wx.StaticBoxSizer(wx.StaticBox(self, wx.ID_ANY, tr("Directories and books")),
                                       wx.VERTICAL)
        tree_box = tree_sizer.GetStaticBox()
        tree_row = wx.BoxSizer(wx.HORIZONTAL)
        tree_column = wx.BoxSizer(wx.VERTICAL)
        self.ui_find = wx.SearchCtrl(tree_box, wx.ID_ANY, wx.EmptyString)
        self.ui_find.ShowCancelButton(True)
        self.ui_find.SetDescriptiveText(tr("Find (Ctrl+F)"))
        _tip(self.ui_find, "Show only the directories and books whose names, parameter names "
                           "or descriptions contain this text (Ctrl+F)")
        tree_column.Add(self.ui_find, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_tree = wx.TreeCtrl(tree_box, wx.ID_ANY, wx.DefaultPosition, wx.Size(240, 320),
                                   wx.TR_DEFAULT_STYLE | wx.TR_SINGLE)
        tree_column.Add(self.ui_tree, 1, wx.ALL | wx.EXPAND, _BORDER)
        tree_row.Add(tree_column, 1, wx.EXPAND, _BORDER)
        tree_buttons = wx.BoxSizer(wx.VERTICAL)
        self.ui_add_directory_button = wx.Button(tree_box, wx.ID_ANY, tr("Add directory"))
        tree_buttons.Add(self.ui_add_directory_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_add_book_button = wx.Button(tree_box, wx.ID_ANY, tr("Add book"))
        tree_buttons.Add(self.ui_add_book_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_delete_tree_item_button = wx.Button(tree_box, wx.ID_ANY, tr("Delete"))
        tree_buttons.Add(self.ui_delete_tree_item_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_copy_tree_item_button = wx.Button(tree_box, wx.ID_ANY, tr("Copy to..."))
        tree_buttons.Add(self.ui_copy_tree_item_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        _tip(self.ui_delete_tree_item_button, "Delete the selected directory or book (Delete)")
        tree_row.Add(tree_buttons, 0, wx.EXPAND, _BORDER)
        tree_sizer.Add(tree_row, 1, wx.EXPAND, _BORDER)
        content_sizer.Add(tree_sizer, 2, wx.ALL | wx.EXPAND, _BORDER)

        book_sizer = wx.StaticBoxSizer(wx.StaticBox(self, wx.ID_ANY, tr("Parameters")), wx.VERTICAL)
        book_box = book_sizer.GetStaticBox()
        book_row = wx.BoxSizer(wx.HORIZONTAL)
        self.ui_book = _make_grid(book_box, ("Name", "Description"), (140, 240))
        book_row.Add(self.ui_book, 1, wx.ALL | wx.EXPAND, _BORDER)
        parameter_buttons = wx.BoxSizer(wx.VERTICAL)
        self.ui_add_parameter_button = wx.Button(book_box, wx.ID_ANY, tr("Add"))
        self.ui_edit_parameter_button = wx.Button(book_box, wx.ID_ANY, tr("Edit"))
        self.ui_delete_parameter_button = wx.Button(book_box, wx.ID_ANY, tr("Delete"))
        self.ui_rename_parameter_button = wx.Button(book_box, wx.ID_ANY, tr("Rename"))
        self.ui_view_parameter_button = wx.Button(book_box, wx.ID_ANY, tr("View"))
        self.ui_copy_parameter_button = wx.Button(book_box, wx.ID_ANY, tr("Copy to..."))
        _tip(self.ui_edit_parameter_button, "Edit the selected parameter (Enter)")
        _tip(self.ui_delete_parameter_button, "Delete the selected parameters (Delete)")
        _tip(self.ui_rename_parameter_button, "Rename the selected parameter (F2)")
        _tip(self.ui_view_parameter_button, "Show the selected parameter read-only")
        for button in (self.ui_add_parameter_button, self.ui_edit_parameter_button,
                       self.ui_delete_parameter_button, self.ui_rename_parameter_button,
                       self.ui_view_parameter_button, self.ui_copy_parameter_button):
            # Nothing to act on until a book (add) or a parameter (the others)
            # is selected.
            button.Enable(False)
            parameter_buttons.Add(button, 0, wx.ALL | wx.EXPAND, _BORDER)
        book_row.Add(parameter_buttons, 0, wx.EXPAND, _BORDER)
        book_sizer.Add(book_row, 1, wx.EXPAND, _BORDER)
        content_sizer.Add(book_sizer, 3, wx.ALL | wx.EXPAND, _BORDER)

        main_sizer.Add(content_sizer, 1, wx.EXPAND, _BORDER)

        self.SetSizer(main_sizer)
        self.Layout()
        main_sizer.Fit(self)

        # Connect events
        self.ui_load_button.Bind(wx.EVT_BUTTON, self.on_load)
        self.ui_save_button.Bind(wx.EVT_BUTTON, self.on_save)
        self.ui_save_to_button.Bind(wx.EVT_BUTTON, self.on_save_to)
        self.ui_tree.Bind(wx.EVT_TREE_SEL_CHANGED, self.on_tree_sel_changed)
        self.ui_add_directory_button.Bind(wx.EVT_BUTTON, self.on_add_directory)
        self.ui_add_book_button.Bind(wx.EVT_BUTTON, self.on_add_book)
        self.ui_delete_tree_item_button.Bind(wx.EVT_BUTTON, self.on_delete_tree_item)
        self.ui_copy_tree_item_button.Bind(wx.EVT_BUTTON, self.on_copy_tree_item)
        self.ui_book.Bind(_EVT_GRID_RANGE_SELECTED, self.on_select_parameter)
        self.ui_add_parameter_button.Bind(wx.EVT_BUTTON, self.on_add_parameter)
        self.ui_edit_parameter_button.Bind(wx.EVT_BUTTON, self.on_edit_parameter)
        self.ui_delete_parameter_button.Bind(wx.EVT_BUTTON, self.on_delete_parameter)
        self.ui_rename_parameter_button.Bind(wx.EVT_BUTTON, self.on_rename_parameter)
        self.ui_view_parameter_button.Bind(wx.EVT_BUTTON, self.on_view_parameter)
        self.ui_copy_parameter_button.Bind(wx.EVT_BUTTON, self.on_copy_parameter)
        self.ui_undo_button.Bind(wx.EVT_BUTTON, self.on_undo)
        self.ui_redo_button.Bind(wx.EVT_BUTTON, self.on_redo)
        self.ui_find.Bind(wx.EVT_TEXT, self.on_find)
        self.ui_find.Bind(wx.EVT_SEARCHCTRL_CANCEL_BTN, self.on_find_cancel)
        self.ui_book.Bind(wx.grid.EVT_GRID_CELL_LEFT_DCLICK, self.on_edit_parameter)
        self.Bind(wx.EVT_CHAR_HOOK, self.on_key)
        self.ui_modified_mark.Bind(wx.EVT_UPDATE_UI, self.on_update_modified_mark)

    # Virtual event handlers, override them in your derived class
    def on_undo(self, event: "wx.Event") -> None:
        event.Skip()

    def on_redo(self, event: "wx.Event") -> None:
        event.Skip()

    def on_find(self, event: "wx.Event") -> None:
        event.Skip()

    def on_find_cancel(self, event: "wx.Event") -> None:
        event.Skip()

    def on_key(self, event: "wx.Event") -> None:
        event.Skip()

    def on_update_modified_mark(self, event: "wx.Event") -> None:
        event.Skip()

    def on_load(self, event: "wx.Event") -> None:
        event.Skip()

    def on_save(self, event: "wx.Event") -> None:
        event.Skip()

    def on_save_to(self, event: "wx.Event") -> None:
        event.Skip()

    def on_tree_sel_changed(self, event: "wx.Event") -> None:
        event.Skip()

    def on_add_directory(self, event: "wx.Event") -> None:
        event.Skip()

    def on_add_book(self, event: "wx.Event") -> None:
        event.Skip()

    def on_delete_tree_item(self, event: "wx.Event") -> None:
        event.Skip()

    def on_copy_tree_item(self, event: "wx.Event") -> None:
        event.Skip()

    def on_select_parameter(self, event: "wx.Event") -> None:
        event.Skip()

    def on_add_parameter(self, event: "wx.Event") -> None:
        event.Skip()

    def on_edit_parameter(self, event: "wx.Event") -> None:
        event.Skip()

    def on_delete_parameter(self, event: "wx.Event") -> None:
        event.Skip()

    def on_rename_parameter(self, event: "wx.Event") -> None:
        event.Skip()

    def on_view_parameter(self, event: "wx.Event") -> None:
        event.Skip()

    def on_copy_parameter(self, event: "wx.Event") -> None:
        event.Skip()


class ParameterEditorDialog(wx.Dialog):  # type: ignore[misc]  # wx has no type information
    """Dialog that edits one parameter: its name and description (shown) and
    its attributes (a grid of name and value)."""

    def __init__(self, parent: "Optional[wx.Window]") -> None:
        _start_dialog(self, parent, "Parameter Editor")

        main_sizer = wx.BoxSizer(wx.VERTICAL)

        fields_sizer = _field_grid()
        _add_label(self, fields_sizer, "Name:")
        self.ui_name = _read_only_text(self)
        fields_sizer.Add(self.ui_name, 1, wx.ALL | wx.EXPAND, _BORDER)
        _add_label(self, fields_sizer, "Description:")
        description_sizer = wx.BoxSizer(wx.HORIZONTAL)
        self.ui_description = _read_only_text(self)
        description_sizer.Add(self.ui_description, 1, wx.ALL | wx.ALIGN_CENTER_VERTICAL, _BORDER)
        self.ui_edit_descriptions_button = wx.Button(self, wx.ID_ANY, tr("Descriptions..."))
        description_sizer.Add(self.ui_edit_descriptions_button, 0, wx.ALL, _BORDER)
        fields_sizer.Add(description_sizer, 1, wx.EXPAND, _BORDER)
        main_sizer.Add(fields_sizer, 0, wx.EXPAND, _BORDER)

        attributes_sizer = wx.StaticBoxSizer(wx.StaticBox(self, wx.ID_ANY, tr("Attributes")),
                                             wx.VERTICAL)
        attributes_box = attributes_sizer.GetStaticBox()
        self.ui_attributes = _make_grid(attributes_box, ("Attribute", "Value"), (160, 260))
        attributes_sizer.Add(self.ui_attributes, 1, wx.ALL | wx.EXPAND, _BORDER)
        attribute_buttons = wx.BoxSizer(wx.HORIZONTAL)
        self.ui_add_button = wx.Button(attributes_box, wx.ID_ANY, tr("Add"))
        attribute_buttons.Add(self.ui_add_button, 0, wx.ALL, _BORDER)
        self.ui_edit_button = wx.Button(attributes_box, wx.ID_ANY, tr("Edit"))
        self.ui_rename_button = wx.Button(attributes_box, wx.ID_ANY, tr("Rename"))
        self.ui_delete_button = wx.Button(attributes_box, wx.ID_ANY, tr("Delete"))
        _tip(self.ui_edit_button, "Edit the selected attribute (Enter)")
        _tip(self.ui_rename_button, "Rename the selected attribute (F2)")
        _tip(self.ui_delete_button, "Delete the selected attributes (Delete)")
        for button in (self.ui_edit_button, self.ui_rename_button, self.ui_delete_button):
            button.Enable(False)  # until attributes are selected
            attribute_buttons.Add(button, 0, wx.ALL, _BORDER)
        attributes_sizer.Add(attribute_buttons, 0, wx.EXPAND, _BORDER)
        main_sizer.Add(attributes_sizer, 1, wx.ALL | wx.EXPAND, _BORDER)

        buttons, self.ui_ok_button, self.ui_cancel_button = _ok_cancel_sizer(self)
        main_sizer.Add(buttons, 0, wx.ALL | wx.EXPAND, _BORDER)

        _fit(self, main_sizer)

        # Connect events
        self.ui_edit_descriptions_button.Bind(wx.EVT_BUTTON, self.on_edit_descriptions)
        self.ui_attributes.Bind(_EVT_GRID_RANGE_SELECTED, self.on_select_attribute)
        self.ui_add_button.Bind(wx.EVT_BUTTON, self.on_add)
        self.ui_edit_button.Bind(wx.EVT_BUTTON, self.on_edit)
        self.ui_rename_button.Bind(wx.EVT_BUTTON, self.on_rename)
        self.ui_delete_button.Bind(wx.EVT_BUTTON, self.on_delete)
        self.ui_attributes.Bind(wx.EVT_CHAR_HOOK, self.on_attributes_key)

    # Virtual event handlers, override them in your derived class
    def on_attributes_key(self, event: "wx.Event") -> None:
        event.Skip()

    def on_edit_descriptions(self, event: "wx.Event") -> None:
        event.Skip()

    def on_select_attribute(self, event: "wx.Event") -> None:
        event.Skip()

    def on_add(self, event: "wx.Event") -> None:
        event.Skip()

    def on_edit(self, event: "wx.Event") -> None:
        event.Skip()

    def on_rename(self, event: "wx.Event") -> None:
        event.Skip()

    def on_delete(self, event: "wx.Event") -> None:
        event.Skip()


class ScalarEditorDialog(wx.Dialog):  # type: ignore[misc]  # wx has no type information
    """Dialog that edits one attribute: shows its name, lets the user choose
    its type and enter its value as a line, as several lines, or for a bool
    as true or false."""

    def __init__(self, parent: "Optional[wx.Window]") -> None:
        _start_dialog(self, parent, "Attribute Editor")

        main_sizer = wx.BoxSizer(wx.VERTICAL)

        fields_sizer = _field_grid()
        fields_sizer.AddGrowableRow(2)

        _add_label(self, fields_sizer, "Name:")
        self.ui_name = _read_only_text(self)
        fields_sizer.Add(self.ui_name, 0, wx.ALL | wx.EXPAND, _BORDER)

        _add_label(self, fields_sizer, "Type:")
        # The entries' order matches the value classes int, float, str, bool;
        # the last one stands for lists and dicts written as JSON.
        self.ui_type = wx.Choice(self, wx.ID_ANY, wx.DefaultPosition, wx.DefaultSize,
                                 ["int", "float", "str", "bool", "json"], 0)
        self.ui_type.SetSelection(2)
        fields_sizer.Add(self.ui_type, 0, wx.ALL, _BORDER)

        value_label = wx.StaticText(self, wx.ID_ANY, tr("Value:"))
        fields_sizer.Add(value_label, 0, wx.ALL | wx.ALIGN_TOP, _BORDER)
        value_sizer = wx.BoxSizer(wx.VERTICAL)
        self.ui_bool_value = wx.Choice(self, wx.ID_ANY, wx.DefaultPosition, wx.DefaultSize,
                                       ["true", "false"], 0)
        self.ui_bool_value.SetSelection(0)
        self.ui_bool_value.Hide()  # shown while the type is bool
        value_sizer.Add(self.ui_bool_value, 0, wx.ALL, _BORDER)
        self.ui_value_single_line = wx.TextCtrl(self, wx.ID_ANY, wx.EmptyString,
                                                wx.DefaultPosition, wx.Size(300, -1), 0)
        value_sizer.Add(self.ui_value_single_line, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_value_multiline = wx.TextCtrl(self, wx.ID_ANY, wx.EmptyString,
                                              wx.DefaultPosition, wx.Size(300, 160),
                                              wx.TE_MULTILINE)
        self.ui_value_multiline.Hide()  # shown while multi-line text is chosen
        value_sizer.Add(self.ui_value_multiline, 1, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_multiline_string = wx.CheckBox(self, wx.ID_ANY, tr("Multi-line text"))
        value_sizer.Add(self.ui_multiline_string, 0, wx.ALL, _BORDER)
        fields_sizer.Add(value_sizer, 1, wx.EXPAND, _BORDER)

        main_sizer.Add(fields_sizer, 1, wx.ALL | wx.EXPAND, _BORDER)

        buttons, self.ui_ok_button, self.ui_cancel_button = _ok_cancel_sizer(self)
        main_sizer.Add(buttons, 0, wx.ALL | wx.EXPAND, _BORDER)

        _fit(self, main_sizer)

        # Connect events
        self.ui_type.Bind(wx.EVT_CHOICE, self.on_type_changed)
        self.ui_multiline_string.Bind(wx.EVT_CHECKBOX, self.on_multiline_state_changed)
        self.ui_ok_button.Bind(wx.EVT_BUTTON, self.on_ok)

    # Virtual event handlers, override them in your derived class
    def on_type_changed(self, event: "wx.Event") -> None:
        event.Skip()

    def on_multiline_state_changed(self, event: "wx.Event") -> None:
        event.Skip()

    def on_ok(self, event: "wx.Event") -> None:
        event.Skip()


class DescriptionEditorDialog(wx.Dialog):  # type: ignore[misc]  # wx has no type information
    """Dialog that lists a parameter's description in each locale and edits
    one at a time."""

    def __init__(self, parent: "Optional[wx.Window]") -> None:
        _start_dialog(self, parent, "Description Editor")

        main_sizer = wx.BoxSizer(wx.VERTICAL)

        self.ui_descriptions = _make_grid(self, ("Locale", "Description"), (100, 320))
        main_sizer.Add(self.ui_descriptions, 1, wx.ALL | wx.EXPAND, _BORDER)

        row_buttons = wx.BoxSizer(wx.HORIZONTAL)
        self.ui_edit_button = wx.Button(self, wx.ID_ANY, tr("Edit"))
        self.ui_delete_button = wx.Button(self, wx.ID_ANY, tr("Delete"))
        for button in (self.ui_edit_button, self.ui_delete_button):
            button.Enable(False)  # until a description is selected
            row_buttons.Add(button, 0, wx.ALL, _BORDER)
        main_sizer.Add(row_buttons, 0, wx.EXPAND, _BORDER)

        buttons, self.ui_ok_button, self.ui_cancel_button = _ok_cancel_sizer(self)
        main_sizer.Add(buttons, 0, wx.ALL | wx.EXPAND, _BORDER)

        _fit(self, main_sizer)

        # Connect events
        self.ui_descriptions.Bind(_EVT_GRID_RANGE_SELECTED, self.on_select_changed)
        self.ui_edit_button.Bind(wx.EVT_BUTTON, self.on_edit)
        self.ui_delete_button.Bind(wx.EVT_BUTTON, self.on_delete)

    # Virtual event handlers, override them in your derived class
    def on_select_changed(self, event: "wx.Event") -> None:
        event.Skip()

    def on_edit(self, event: "wx.Event") -> None:
        event.Skip()

    def on_delete(self, event: "wx.Event") -> None:
        event.Skip()


class CopyDialog(wx.Dialog):  # type: ignore[misc]  # wx has no type information
    """Dialog that copies one parameter, book or directory of a tree to
    another book file or directory on disk: shows the source and its kind,
    takes an optional new name, a target chosen with Browse and whether
    existing items may be overwritten."""

    def __init__(self, parent: "Optional[wx.Window]") -> None:
        _start_dialog(self, parent, "Copy")

        main_sizer = wx.BoxSizer(wx.VERTICAL)

        fields_sizer = _field_grid()

        _add_label(self, fields_sizer, "Source:")
        self.ui_source = _read_only_text(self)
        self.ui_source.SetMinSize(wx.Size(360, -1))
        fields_sizer.Add(self.ui_source, 1, wx.ALL | wx.EXPAND, _BORDER)

        _add_label(self, fields_sizer, "Type:")
        self.ui_type = _read_only_text(self)
        fields_sizer.Add(self.ui_type, 1, wx.ALL | wx.EXPAND, _BORDER)

        _add_label(self, fields_sizer, "Copy as:")
        self.ui_rename = wx.TextCtrl(self, wx.ID_ANY, wx.EmptyString)
        self.ui_rename.SetHint(tr("(the same name)"))
        fields_sizer.Add(self.ui_rename, 1, wx.ALL | wx.EXPAND, _BORDER)

        _add_label(self, fields_sizer, "Target:")
        target_sizer = wx.BoxSizer(wx.HORIZONTAL)
        self.ui_target_path = _read_only_text(self)
        target_sizer.Add(self.ui_target_path, 1, wx.ALL | wx.ALIGN_CENTER_VERTICAL, _BORDER)
        self.ui_browse_button = wx.Button(self, wx.ID_ANY, tr("Browse..."))
        target_sizer.Add(self.ui_browse_button, 0, wx.ALL, _BORDER)
        fields_sizer.Add(target_sizer, 1, wx.EXPAND, _BORDER)

        fields_sizer.Add((0, 0), 0, wx.ALL, _BORDER)
        self.ui_overwrite = wx.CheckBox(self, wx.ID_ANY, tr("Overwrite existing items"))
        fields_sizer.Add(self.ui_overwrite, 0, wx.ALL, _BORDER)

        main_sizer.Add(fields_sizer, 1, wx.ALL | wx.EXPAND, _BORDER)

        buttons, self.ui_confirm, self.ui_cancel_button = _ok_cancel_sizer(self, "Copy")
        self.ui_confirm.Enable(False)  # until a target has been chosen
        main_sizer.Add(buttons, 0, wx.ALL | wx.EXPAND, _BORDER)

        _fit(self, main_sizer)

        # Connect events
        self.ui_browse_button.Bind(wx.EVT_BUTTON, self.on_browse)
        self.ui_confirm.Bind(wx.EVT_BUTTON, self.on_confirm)

    # Virtual event handlers, override them in your derived class
    def on_browse(self, event: "wx.Event") -> None:
        event.Skip()

    def on_confirm(self, event: "wx.Event") -> None:
        event.Skip()


class ParameterViewDialog(wx.Dialog):  # type: ignore[misc]  # wx has no type information
    """Read-only view of one parameter: its name, its attributes with their
    types and values, and its description in each locale."""

    def __init__(self, parent: Optional[wx.Window]) -> None:
        _start_dialog(self, parent, "Parameter")

        main_sizer = wx.BoxSizer(wx.VERTICAL)

        fields_sizer = _field_grid()
        _add_label(self, fields_sizer, "Name:")
        self.ui_name = _read_only_text(self)
        fields_sizer.Add(self.ui_name, 1, wx.ALL | wx.EXPAND, _BORDER)
        main_sizer.Add(fields_sizer, 0, wx.EXPAND, _BORDER)

        attributes_sizer = wx.StaticBoxSizer(wx.StaticBox(self, wx.ID_ANY, tr("Attributes")),
                                             wx.VERTICAL)
        self.ui_attributes = _make_grid(attributes_sizer.GetStaticBox(), ("Attribute", "Type", "Value"),
                                        (140, 60, 240))
        attributes_sizer.Add(self.ui_attributes, 1, wx.ALL | wx.EXPAND, _BORDER)
        main_sizer.Add(attributes_sizer, 1, wx.ALL | wx.EXPAND, _BORDER)

        descriptions_sizer = wx.StaticBoxSizer(wx.StaticBox(self, wx.ID_ANY, tr("Descriptions")),
                                               wx.VERTICAL)
        self.ui_descriptions = _make_grid(descriptions_sizer.GetStaticBox(), ("Locale", "Description"),
                                          (100, 340))
        self.ui_descriptions.SetMinSize(wx.Size(500, 120))
        descriptions_sizer.Add(self.ui_descriptions, 1, wx.ALL | wx.EXPAND, _BORDER)
        main_sizer.Add(descriptions_sizer, 1, wx.ALL | wx.EXPAND, _BORDER)

        buttons = wx.StdDialogButtonSizer()
        self.ui_close_button = wx.Button(self, wx.ID_CANCEL, tr("Close"))
        buttons.AddButton(self.ui_close_button)
        buttons.Realize()
        main_sizer.Add(buttons, 0, wx.ALL | wx.EXPAND, _BORDER)

        _fit(self, main_sizer)
