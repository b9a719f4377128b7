"""Base windows of the parameter-tree editor: they create the controls, lay
them out and route every user action to a handler method.  The handlers here
only let the event go on (`event.Skip()`); the editor's subclasses define what
they do.

Each constructor takes only the parent window.  Nothing is created at import.
"""
import wx
import wx.grid

_BORDER = 5


def tr(text):
    """`text` through the tools' translation lookup (kvt_handy.tr), which is
    imported at the first use: importing this module needs only wx."""
    from kvt_handy import tr as translate
    return translate(text)


def _make_grid(parent, labels, widths):
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


def _read_only_text(parent, style=0):
    return wx.TextCtrl(parent, wx.ID_ANY, wx.EmptyString, wx.DefaultPosition, wx.DefaultSize,
                       wx.TE_READONLY | style)


def _ok_cancel_sizer(dialog, ok_label=None):
    """The standard OK and Cancel buttons; they end the modal run with
    wx.ID_OK and wx.ID_CANCEL unless a handler stops the event."""
    sizer = wx.StdDialogButtonSizer()
    ok = _stock_button(dialog, wx.ID_OK, "OK") if ok_label is None else wx.Button(dialog, wx.ID_OK, tr(ok_label))
    cancel = _stock_button(dialog, wx.ID_CANCEL, "Cancel")
    sizer.AddButton(ok)
    sizer.AddButton(cancel)
    sizer.Realize()
    return sizer, ok, cancel


def _stock_button(dialog, id, text):
    """A standard button, labelled from the catalog when the catalog
    translates `text`: GTK draws a stock button's own label in the language
    of the process's C locale, whatever catalog wx has loaded."""
    label = tr(text)
    return wx.Button(dialog, id) if label == text else wx.Button(dialog, id, label)


def _start_dialog(dialog, parent, title):
    """The dialogs' common start: a resizable dialog with default size hints."""
    wx.Dialog.__init__(dialog, parent, id=wx.ID_ANY, title=tr(title), pos=wx.DefaultPosition,
                       size=wx.DefaultSize, style=wx.DEFAULT_DIALOG_STYLE | wx.RESIZE_BORDER)
    dialog.SetSizeHints(wx.DefaultSize, wx.DefaultSize)


def _field_grid():
    """Two columns, labels and fields; the field column takes the spare width."""
    sizer = wx.FlexGridSizer(0, 2, 0, 0)
    sizer.AddGrowableCol(1)
    sizer.SetFlexibleDirection(wx.BOTH)
    sizer.SetNonFlexibleGrowMode(wx.FLEX_GROWMODE_SPECIFIED)
    return sizer


def _add_label(window, sizer, text):
    sizer.Add(wx.StaticText(window, wx.ID_ANY, tr(text)), 0, wx.ALL | wx.ALIGN_CENTER_VERTICAL, _BORDER)


def _fit(dialog, sizer):
    """The dialogs' common end: the sizer set, laid out, fitted and centred."""
    dialog.SetSizer(sizer)
    dialog.Layout()
    sizer.Fit(dialog)
    dialog.Centre(wx.BOTH)


class ParameterTreeEditorPanel(wx.Panel):
    """Panel with the directory tree, the parameter grid of the selected book,
    the tree path field and the tree and parameter command buttons."""

    def __init__(self, parent):
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
        main_sizer.Add(path_sizer, 0, wx.EXPAND, _BORDER)

        content_sizer = wx.BoxSizer(wx.HORIZONTAL)

        tree_sizer = wx.StaticBoxSizer(wx.StaticBox(self, wx.ID_ANY, tr("Directories and books")),
                                       wx.VERTICAL)
        tree_box = tree_sizer.GetStaticBox()
        tree_row = wx.BoxSizer(wx.HORIZONTAL)
        self.ui_tree = wx.TreeCtrl(tree_box, wx.ID_ANY, wx.DefaultPosition, wx.Size(240, 320),
                                   wx.TR_DEFAULT_STYLE | wx.TR_SINGLE)
        tree_row.Add(self.ui_tree, 1, wx.ALL | wx.EXPAND, _BORDER)
        tree_buttons = wx.BoxSizer(wx.VERTICAL)
        self.ui_add_directory_button = wx.Button(tree_box, wx.ID_ANY, tr("Add directory"))
        tree_buttons.Add(self.ui_add_directory_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_add_book_button = wx.Button(tree_box, wx.ID_ANY, tr("Add book"))
        tree_buttons.Add(self.ui_add_book_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_delete_tree_item_button = wx.Button(tree_box, wx.ID_ANY, tr("Delete"))
        tree_buttons.Add(self.ui_delete_tree_item_button, 0, wx.ALL | wx.EXPAND, _BORDER)
        self.ui_copy_tree_item_button = wx.Button(tree_box, wx.ID_ANY, tr("Copy to..."))
        tree_buttons.Add(self.ui_copy_tree_item_button, 0, wx.ALL | wx.EXPAND, _BORDER)
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
        self.ui_book.Bind(wx.grid.EVT_GRID_RANGE_SELECTED, self.on_select_parameter)
        self.ui_add_parameter_button.Bind(wx.EVT_BUTTON, self.on_add_parameter)
        self.ui_edit_parameter_button.Bind(wx.EVT_BUTTON, self.on_edit_parameter)
        self.ui_delete_parameter_button.Bind(wx.EVT_BUTTON, self.on_delete_parameter)
        self.ui_rename_parameter_button.Bind(wx.EVT_BUTTON, self.on_rename_parameter)
        self.ui_view_parameter_button.Bind(wx.EVT_BUTTON, self.on_view_parameter)
        self.ui_copy_parameter_button.Bind(wx.EVT_BUTTON, self.on_copy_parameter)

    # Virtual event handlers, override them in your derived class
    def on_load(self, event):
        event.Skip()

    def on_save(self, event):
        event.Skip()

    def on_save_to(self, event):
        event.Skip()

    def on_tree_sel_changed(self, event):
        event.Skip()

    def on_add_directory(self, event):
        event.Skip()

    def on_add_book(self, event):
        event.Skip()

    def on_delete_tree_item(self, event):
        event.Skip()

    def on_copy_tree_item(self, event):
        event.Skip()

    def on_select_parameter(self, event):
        event.Skip()

    def on_add_parameter(self, event):
        event.Skip()

    def on_edit_parameter(self, event):
        event.Skip()

    def on_delete_parameter(self, event):
        event.Skip()

    def on_rename_parameter(self, event):
        event.Skip()

    def on_view_parameter(self, event):
        event.Skip()

    def on_copy_parameter(self, event):
        event.Skip()


class ParameterEditorDialog(wx.Dialog):
    """Dialog that edits one parameter: its name and description (shown) and
    its attributes (a grid of name and value)."""

    def __init__(self, parent):
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
        self.ui_attributes.Bind(wx.grid.EVT_GRID_RANGE_SELECTED, self.on_select_attribute)
        self.ui_add_button.Bind(wx.EVT_BUTTON, self.on_add)
        self.ui_edit_button.Bind(wx.EVT_BUTTON, self.on_edit)
        self.ui_rename_button.Bind(wx.EVT_BUTTON, self.on_rename)
        self.ui_delete_button.Bind(wx.EVT_BUTTON, self.on_delete)

    # Virtual event handlers, override them in your derived class
    def on_edit_descriptions(self, event):
        event.Skip()

    def on_select_attribute(self, event):
        event.Skip()

    def on_add(self, event):
        event.Skip()

    def on_edit(self, event):
        event.Skip()

    def on_rename(self, event):
        event.Skip()

    def on_delete(self, event):
        event.Skip()


class ScalarEditorDialog(wx.Dialog):
    """Dialog that edits one attribute: shows its name, lets the user choose
    its type and enter its value as a line, as several lines, or for a bool
    as true or false."""

    def __init__(self, parent):
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
    def on_type_changed(self, event):
        event.Skip()

    def on_multiline_state_changed(self, event):
        event.Skip()

    def on_ok(self, event):
        event.Skip()


class DescriptionEditorDialog(wx.Dialog):
    """Dialog that lists a parameter's description in each locale and edits
    one at a time."""

    def __init__(self, parent):
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
        self.ui_descriptions.Bind(wx.grid.EVT_GRID_RANGE_SELECTED, self.on_select_changed)
        self.ui_edit_button.Bind(wx.EVT_BUTTON, self.on_edit)
        self.ui_delete_button.Bind(wx.EVT_BUTTON, self.on_delete)

    # Virtual event handlers, override them in your derived class
    def on_select_changed(self, event):
        event.Skip()

    def on_edit(self, event):
        event.Skip()

    def on_delete(self, event):
        event.Skip()


class CopyDialog(wx.Dialog):
    """Dialog that copies one parameter, book or directory of a tree to
    another book file or directory on disk: shows the source and its kind,
    takes an optional new name, a target chosen with Browse and whether
    existing items may be overwritten."""

    def __init__(self, parent):
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
    def on_browse(self, event):
        event.Skip()

    def on_confirm(self, event):
        event.Skip()
