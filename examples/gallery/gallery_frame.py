"""The gallery window: one button per dialog, the data-bound controls on
sample objects, and the parameter-tree editor on a copy of the sample tree.

Every button's handler can also be called directly (`frame.on_mb_confirm()`),
returns what the window it opened returned, and writes that to the log at
the bottom of the window and to the status bar."""
import datetime
import os
import threading
import time

import wx
import wx.adv
import wx.grid

import kvt_handy
import kvt_wxtools
from kvt_handy import Progress
from kvt_paratree import ParameterBook

import gallery_samples as samples

BORDER = 4


class Tool:
    """A gallery button: its key (the handler is `on_<key>`), its label and a
    short explanation shown beside it.  `native` marks the tools that open a
    native message box rather than a wx dialog."""

    def __init__(self, key, label, explanation, native=False):
        self.key = key
        self.label = label
        self.explanation = explanation
        self.native = native

    def __repr__(self):
        return "<Tool %s>" % self.key


DIALOG_GROUPS = [
    ("Message boxes: MB", [
        Tool("mb_error", "MB.Error", "An error box with an OK button", native=True),
        Tool("mb_notice", "MB.Notice", "An information box with an OK button", native=True),
        Tool("mb_confirm", "MB.Confirm", "A Yes/No question: wx.YES or wx.NO", native=True),
        Tool("mb_input_str", "MB.Input (str)", "A text entry; returns the text or None"),
        Tool("mb_input_int", "MB.Input (int)", "Converted by int; a bad number is refused"),
        Tool("mb_input_float", "MB.Input (float)", "Converted by float"),
    ]),
    ("Input dialogs", [
        Tool("simple_input", "SimpleInputDialog", "One line of text"),
        Tool("password_input", "SimpleInputDialog (password)", "The same, text hidden"),
        Tool("multiple_input", "MultipleInputDialog", "A form of named fields"),
    ]),
    ("Button dialogs", [
        Tool("true_or_false", "TrueOrFalseDialog", "A question with two labelled answers"),
        Tool("choose_one_button", "ChooseOneButtonDialog", "One button per choice"),
    ]),
    ("Timed dialogs", [
        Tool("single_choice_timeout", "SingleChoiceTimeoutDialog",
             "A list that counts down, then picks"),
        Tool("auto_close", "AutoCloseMessageBox", "Closes itself after 3 s"),
        Tool("wait_for", "WaitForDialog", "Polls a callback until done"),
        Tool("progress", "ProgressDialog", "A worker thread's Progress"),
    ]),
]

TREE_TOOLS = [
    Tool("tree_editor", "ParameterTreeDialog", "The parameter-tree editor on the working copy"),
    Tool("parameter_editor", "ParameterEditorDialog",
         "One parameter (vision/camera: exposure), saved back on OK"),
]


def all_tools():
    """Every tool that opens a window, in the order of the window."""
    return [tool for _title, tools in DIALOG_GROUPS for tool in tools] + TREE_TOOLS


# The language choice: None keeps the texts as they are written in the
# module (no catalog); the others load the module's catalog.
LANGUAGES = [(None, "As written (no catalog)"), ("en", "English"), ("zh_CN", "中文 (简体)")]


def set_language(code):
    """Load the module's catalog for `code`, or drop every catalog for None."""
    if code is None:
        wx.Translations.Set(None)
    elif not kvt_handy.load_translations(code):
        raise ValueError("no catalog for language %r" % code)


class GalleryFrame(wx.Frame):
    """The gallery's main window.

    `tree_dir`: the folder holding the working copy of the sample tree (a
    temporary folder when None).  `screenshots`: a folder; when given, the
    frame opens every window in turn, saves a picture of each there and
    closes itself.  `outcome`: a dict that receives the screenshot results
    under "written" and "failed"."""

    def __init__(self, parent=None, tree_dir=None, screenshots=None, outcome=None, language=None):
        super().__init__(parent, title="kvt_wxtools gallery")
        if language is not None:
            set_language(language)
        self.outcome = {} if outcome is None else outcome
        self.tree = samples.WorkingTree(tree_dir)
        self.buttons = {}
        self.last_result = None

        root = wx.Panel(self)
        self.notebook = wx.Notebook(root)
        self.notebook.AddPage(self._dialogs_page(self.notebook), "Dialogs")
        self.notebook.AddPage(self._controls_page(self.notebook), "Data-bound controls")
        self.notebook.AddPage(self._tree_page(self.notebook), "Parameter trees")
        self.log_text = wx.TextCtrl(root, size=wx.Size(-1, 110),
                                    style=wx.TE_MULTILINE | wx.TE_READONLY | wx.TE_DONTWRAP)
        sizer = wx.BoxSizer(wx.VERTICAL)
        sizer.Add(self._language_bar(root, language), 0, wx.EXPAND | wx.ALL, BORDER)
        sizer.Add(self.notebook, 1, wx.EXPAND | wx.ALL, BORDER)
        sizer.Add(wx.StaticText(root, label="What the windows returned:"), 0, wx.LEFT | wx.RIGHT, BORDER + 2)
        sizer.Add(self.log_text, 0, wx.EXPAND | wx.ALL, BORDER)
        root.SetSizer(sizer)
        self.CreateStatusBar()
        self.SetStatusText("Press a button to open its window.")
        best = sizer.GetMinSize()
        self.SetClientSize(wx.Size(max(best.width, 960), max(best.height, 680)))
        self.Bind(wx.EVT_CLOSE, self.on_close)
        self.Centre(wx.BOTH)

        self.tour = None
        if screenshots is not None:
            import gallery_tour
            self.tour = gallery_tour.ScreenshotTour(self, screenshots, self.outcome)
            self.tour.start()

    # ------------------------------------------------------------------
    # Pages

    def _language_bar(self, parent, language):
        bar = wx.BoxSizer(wx.HORIZONTAL)
        bar.Add(wx.StaticText(parent, label="Language of the module's windows:"), 0,
                wx.ALIGN_CENTER_VERTICAL | wx.RIGHT, BORDER)
        self.language_choice = wx.Choice(parent, choices=[label for _, label in LANGUAGES])
        self.language_choice.SetSelection([code for code, _ in LANGUAGES].index(language))
        self.language_choice.Bind(wx.EVT_CHOICE, self.on_language)
        bar.Add(self.language_choice, 0, wx.ALIGN_CENTER_VERTICAL)
        return bar

    def on_language(self, event=None):
        """Switch the catalog; windows opened from now on use it."""
        code, label = LANGUAGES[self.language_choice.GetSelection()]
        set_language(code)
        self.log("Language: %s (for the windows opened from now on)" % label)

    def _button(self, parent, tool):
        button = wx.Button(parent, label=tool.label)
        button.Bind(wx.EVT_BUTTON, getattr(self, "on_" + tool.key))
        self.buttons[tool.key] = button
        return button

    def _tool_rows(self, parent, tools):
        grid = wx.FlexGridSizer(2, BORDER, 3 * BORDER)
        grid.AddGrowableCol(1)
        for tool in tools:
            grid.Add(self._button(parent, tool), 0, wx.EXPAND)
            grid.Add(wx.StaticText(parent, label=tool.explanation), 0, wx.ALIGN_CENTER_VERTICAL)
        return grid

    def _dialogs_page(self, notebook):
        page = wx.Panel(notebook)
        columns = wx.BoxSizer(wx.HORIZONTAL)
        halves = [wx.BoxSizer(wx.VERTICAL), wx.BoxSizer(wx.VERTICAL)]
        for i, (title, tools) in enumerate(DIALOG_GROUPS):
            box = wx.StaticBoxSizer(wx.VERTICAL, page, title)
            box.Add(self._tool_rows(box.GetStaticBox(), tools), 0, wx.EXPAND | wx.ALL, BORDER)
            halves[0 if i in (0, 2) else 1].Add(box, 0, wx.EXPAND | wx.ALL, BORDER)
        for half in halves:
            columns.Add(half, 1, wx.EXPAND)
        page.SetSizer(columns)
        return page

    def _controls_page(self, notebook):
        page = wx.Panel(notebook)
        sizer = wx.BoxSizer(wx.VERTICAL)
        top = wx.BoxSizer(wx.HORIZONTAL)
        top.Add(self._people_box(page), 2, wx.EXPAND | wx.ALL, BORDER)
        top.Add(self._parts_box(page), 3, wx.EXPAND | wx.ALL, BORDER)
        bottom = wx.BoxSizer(wx.HORIZONTAL)
        bottom.Add(self._date_box(page), 1, wx.EXPAND | wx.ALL, BORDER)
        bottom.Add(self._combo_box(page), 1, wx.EXPAND | wx.ALL, BORDER)
        bottom.Add(self._ports_box(page), 1, wx.EXPAND | wx.ALL, BORDER)
        sizer.Add(top, 1, wx.EXPAND)
        sizer.Add(bottom, 0, wx.EXPAND)
        page.SetSizer(sizer)
        return page

    def _command_column(self, parent, commands):
        column = wx.BoxSizer(wx.VERTICAL)
        for key, label in commands:
            button = wx.Button(parent, label=label)
            button.Bind(wx.EVT_BUTTON, getattr(self, "on_" + key))
            self.buttons[key] = button
            column.Add(button, 0, wx.EXPAND | wx.BOTTOM, BORDER)
        return column

    def _people_box(self, page):
        box = wx.StaticBoxSizer(wx.VERTICAL, page, "ComboList on a wx.ListBox")
        parent = box.GetStaticBox()
        row = wx.BoxSizer(wx.HORIZONTAL)
        self.people_box = wx.ListBox(parent, size=wx.Size(200, 150))
        self.people = kvt_wxtools.ComboList(self.people_box, samples.Person.label)
        self.people.AppendItems(samples.people())
        self._more_people = samples.more_people()
        self.people_box.Bind(wx.EVT_LISTBOX, lambda event: self._log_person_selection())
        row.Add(self.people_box, 1, wx.EXPAND | wx.RIGHT, BORDER)
        row.Add(self._command_column(parent, [
            ("person_add", "Append"), ("person_insert", "Insert above"),
            ("person_delete", "Delete selected"), ("person_select_next", "Select next"),
            ("person_clear", "Clear")]), 0)
        box.Add(row, 1, wx.EXPAND | wx.ALL, BORDER)
        return box

    def _parts_box(self, page):
        box = wx.StaticBoxSizer(wx.VERTICAL, page, "RowGrid on a wx.grid.Grid")
        parent = box.GetStaticBox()
        row = wx.BoxSizer(wx.HORIZONTAL)
        self.parts_grid = wx.grid.Grid(parent, size=wx.Size(430, 150))
        self.parts_grid.CreateGrid(0, len(samples.PART_COLUMNS))
        self.parts_grid.SetRowLabelSize(0)
        for col, (label, width) in enumerate(zip(samples.PART_COLUMNS, (110, 160, 50, 90))):
            self.parts_grid.SetColLabelValue(col, label)
            self.parts_grid.SetColSize(col, width)
        self.parts = kvt_wxtools.RowGrid(self.parts_grid, samples.Part.row, samples.part_colour)
        self.parts.AppendItems(samples.parts())
        # Name, quantity and price can be edited in the grid; the part number stays.
        self.parts.SetCellSetter(self.set_part_cell, columns=[1, 2, 3])
        self._more_parts = samples.more_parts()
        row.Add(self.parts_grid, 1, wx.EXPAND | wx.RIGHT, BORDER)
        row.Add(self._command_column(parent, [
            ("part_add", "Append"), ("part_insert", "Insert above"),
            ("part_delete", "Delete selected"), ("part_select_next", "Select next"),
            ("part_use_one", "Use one (Update)"), ("part_sort_value", "Sort by stock value")]), 0)
        box.Add(row, 1, wx.EXPAND | wx.ALL, BORDER)
        box.Add(wx.StaticText(parent, label="Rows with %d or fewer in stock are shaded.  Click a header to sort (again: reverse,\n"
                              "a third time: as added); double-click a name, quantity or price to edit it."
                              % samples.LOW_STOCK), 0, wx.ALL, BORDER)
        return box

    def _date_box(self, page):
        box = wx.StaticBoxSizer(wx.VERTICAL, page, "DatePicker on a wx.adv.DatePickerCtrl")
        parent = box.GetStaticBox()
        self.date_ctrl = wx.adv.DatePickerCtrl(parent, style=wx.adv.DP_DROPDOWN | wx.adv.DP_SHOWCENTURY)
        self.date_picker = kvt_wxtools.DatePicker(self.date_ctrl)
        self.date_picker.SetValue(datetime.date(2024, 5, 17))
        self.date_ctrl.Bind(wx.adv.EVT_DATE_CHANGED, self.on_date_read)
        box.Add(self.date_ctrl, 0, wx.EXPAND | wx.ALL, BORDER)
        box.Add(self._command_column(parent, [("date_read", "GetValue"), ("date_today", "SetValue(today)")]),
                0, wx.EXPAND | wx.ALL, BORDER)
        return box

    def _combo_box(self, page):
        box = wx.StaticBoxSizer(wx.VERTICAL, page, "AutoPopupComboBox on a wx.ComboBox")
        parent = box.GetStaticBox()
        self.combo = wx.ComboBox(parent, choices=[p.name for p in samples.parts()]
                                 + ["Capacitor 10u 0805", "Resistor 4k7 0603", "Timer IC DIP-8"])
        kvt_wxtools.AutoPopupComboBox(self.combo)
        self.combo.Bind(wx.EVT_COMBOBOX, lambda event: self.log("Combo box: chose %r" % self.combo.GetValue()))
        box.Add(self.combo, 0, wx.EXPAND | wx.ALL, BORDER)
        hint = wx.StaticText(parent, label='Type "Res", "Cap" or "Timer": the list opens\n'
                                           "as soon as the text begins an item.")
        box.Add(hint, 0, wx.ALL, BORDER)
        return box

    def _ports_box(self, page):
        box = wx.StaticBoxSizer(wx.VERTICAL, page, "COMPortList on a wx.ListBox")
        parent = box.GetStaticBox()
        self.ports_box = wx.ListBox(parent, size=wx.Size(-1, 60))
        self.ports_hint = wx.StaticText(parent, label="")
        box.Add(self.ports_box, 1, wx.EXPAND | wx.ALL, BORDER)
        box.Add(self.ports_hint, 0, wx.ALL, BORDER)
        box.Add(self._command_column(parent, [("ports_rescan", "Rescan")]), 0, wx.ALL, BORDER)
        self._scan_ports()
        return box

    def _tree_page(self, notebook):
        page = wx.Panel(notebook)
        sizer = wx.BoxSizer(wx.VERTICAL)
        intro = wx.StaticText(page, label=(
            "The sample tree holds the settings of a pick-and-place cell. The editor works on a copy,\n"
            "so the sample stays as shipped; \"Save\" in the editor writes to the copy."))
        sizer.Add(intro, 0, wx.ALL, 2 * BORDER)
        paths = wx.FlexGridSizer(2, BORDER, 2 * BORDER)
        paths.AddGrowableCol(1)
        for label, value in (("Sample tree:", shown_path(self.tree.sample)),
                             ("Working copy:", shown_path(self.tree.path))):
            paths.Add(wx.StaticText(page, label=label), 0, wx.ALIGN_CENTER_VERTICAL)
            text = wx.TextCtrl(page, value=value, style=wx.TE_READONLY)
            paths.Add(text, 1, wx.EXPAND)
        sizer.Add(paths, 0, wx.EXPAND | wx.ALL, 2 * BORDER)
        box = wx.StaticBoxSizer(wx.VERTICAL, page, "Parameter trees")
        box.Add(self._tool_rows(box.GetStaticBox(), TREE_TOOLS), 0, wx.EXPAND | wx.ALL, BORDER)
        box.Add(self._command_column(box.GetStaticBox(), [("tree_reset", "Reset the working copy")]),
                0, wx.ALL, BORDER)
        sizer.Add(box, 0, wx.EXPAND | wx.ALL, BORDER)
        keys = wx.StaticBoxSizer(wx.VERTICAL, page, "Keys in the editor")
        keys.Add(wx.StaticText(keys.GetStaticBox(), label=(
            "Ctrl+S save    Ctrl+Z undo    Ctrl+Y / Ctrl+Shift+Z redo    Ctrl+F find\n"
            "Delete delete    F2 rename    Enter edit    Escape close (asks about unsaved changes)")),
            0, wx.ALL, BORDER)
        sizer.Add(keys, 0, wx.EXPAND | wx.ALL, BORDER)
        sizer.Add(wx.StaticText(page, label="Books in the working copy:"), 0, wx.LEFT | wx.TOP, 2 * BORDER)
        self.tree_summary = wx.TextCtrl(page, style=wx.TE_MULTILINE | wx.TE_READONLY | wx.TE_DONTWRAP)
        sizer.Add(self.tree_summary, 1, wx.EXPAND | wx.ALL, BORDER)
        page.SetSizer(sizer)
        self._show_tree_summary()
        return page

    # ------------------------------------------------------------------
    # Reporting

    def log(self, text):
        """Report `text` in the log and the status bar."""
        self.log_text.AppendText(("\n" if self.log_text.GetLastPosition() else "") + text)
        self.SetStatusText(text.splitlines()[0] if text else "")

    def returned(self, what, result, shown=None):
        """Log what a window returned (as `shown`, default its repr) and hand
        it back."""
        self.last_result = result
        self.log("%s returned %s" % (what, repr(result) if shown is None else shown))
        return result

    # ------------------------------------------------------------------
    # Message boxes

    def on_mb_error(self, event=None):
        return self.returned("MB.Error", kvt_wxtools.MB.Error(
            "Could not open /dev/ttyUSB0: the port is in use.", "Serial port"))

    def on_mb_notice(self, event=None):
        return self.returned("MB.Notice", kvt_wxtools.MB.Notice("Calibration saved.", "Vision"))

    def on_mb_confirm(self, event=None):
        answer = kvt_wxtools.MB.Confirm("Move all axes to their home position?", "Homing")
        return self.returned("MB.Confirm", answer, "%s (%r)" % (code_name(answer), answer))

    def on_mb_input_str(self, event=None):
        return self.returned("MB.Input(str)", kvt_wxtools.MB.Input(
            "Operator name:", str, "Log in", default="Ann Lee"))

    def on_mb_input_int(self, event=None):
        return self.returned("MB.Input(int)", kvt_wxtools.MB.Input(
            "Boards in this batch (a whole number):", int, "Batch size", default=25))

    def on_mb_input_float(self, event=None):
        return self.returned("MB.Input(float)", kvt_wxtools.MB.Input(
            "Nozzle Z offset in mm:", float, "Z offset", default=0.5))

    # ------------------------------------------------------------------
    # Dialogs the caller creates, shows and destroys

    def _show(self, dialog, read):
        """Show `dialog` modally; return (code, read(dialog)) and destroy it."""
        try:
            code = dialog.ShowModal()
            return code, read(dialog)
        finally:
            dialog.Destroy()

    def on_simple_input(self, event=None):
        dialog = kvt_wxtools.SimpleInputDialog(self, "Label for the new batch:", "New batch")
        code, text = self._show(dialog, lambda d: d.GetInputString())
        return self.returned("SimpleInputDialog", (code_name(code), text))

    def on_password_input(self, event=None):
        dialog = kvt_wxtools.SimpleInputDialog(self, "Service password:", "Service mode", password=True)
        code, text = self._show(dialog, lambda d: d.GetInputString(False))
        # The text itself is not logged: only how long it was.
        return self.returned("SimpleInputDialog(password=True)",
                             (code_name(code), "%d characters" % len(text)))

    def on_multiple_input(self, event=None):
        fields = {"Host": "192.168.0.20", "Port": "502", "Unit id": "1"}
        dialog = kvt_wxtools.MultipleInputDialog(self, fields, "Controller address")
        code, _ = self._show(dialog, lambda d: None)
        return self.returned("MultipleInputDialog", (code_name(code), fields))

    def on_true_or_false(self, event=None):
        dialog = kvt_wxtools.TrueOrFalseDialog(
            self, "Safety door", "The safety door is open.\nContinue at reduced speed?",
            true="Continue", false="Stop")
        code, _ = self._show(dialog, lambda d: None)
        return self.returned("TrueOrFalseDialog", code_name(code))

    def on_choose_one_button(self, event=None):
        dialog = kvt_wxtools.ChooseOneButtonDialog(
            self, "Nozzle", "Which nozzle is fitted?", ["N1 (0402)", "N2 (0603)", "N3 (SOIC)"], default=1)
        code, chosen = self._show(dialog, lambda d: (d.GetSelectedIndex(), d.GetSelectedString()))
        return self.returned("ChooseOneButtonDialog", (code_name(code),) + chosen)

    def on_single_choice_timeout(self, event=None):
        dialog = kvt_wxtools.SingleChoiceTimeoutDialog(
            self, "Job to run (starts when the countdown ends):", "Start",
            ["board-a.job", "board-b.job", "test-pattern.job"], timeout=10, selection=0)
        code, chosen = self._show(dialog, lambda d: (d.GetSelectionIndex(), d.GetSelection()))
        return self.returned("SingleChoiceTimeoutDialog", (code_name(code),) + chosen)

    def on_auto_close(self, event=None):
        dialog = kvt_wxtools.AutoCloseMessageBox(
            self, "Saved", "Job saved.\nThis box closes by itself.", timeout=3.0, font_size=12)
        code, _ = self._show(dialog, lambda d: None)
        return self.returned("AutoCloseMessageBox", code_name(code))

    def on_wait_for(self, event=None):
        steps = ["Homing the X axis...", "Homing the Y axis...", "Homing the Z axis...",
                 "Checking the end stops..."]
        started = time.monotonic()

        def poll():
            # Done after about three seconds; until then, say what is going on.
            elapsed = time.monotonic() - started
            if elapsed >= 3.0:
                return True
            return steps[min(int(elapsed / 0.75), len(steps) - 1)]

        dialog = kvt_wxtools.WaitForDialog(self, "Homing", steps[0], poll, interval=200, font_size=14)
        code, _ = self._show(dialog, lambda d: None)
        return self.returned("WaitForDialog", code_name(code))

    def on_progress(self, event=None):
        progress = Progress("Calibrating camera", subtotal=40)

        def work():
            try:
                for _ in range(40):
                    time.sleep(0.075)
                    if not progress.advance():
                        return      # cancelled: the dialog was closed
                progress.finish()
            except Exception as e:
                progress.fail(e)

        worker = threading.Thread(target=work, name="gallery-calibration", daemon=True)
        worker.start()
        dialog = kvt_wxtools.ProgressDialog(self, progress, interval=0.1)
        try:
            # Closing the dialog early cancels the Progress: the worker's
            # next advance() returns False and it stops.
            code, _ = self._show(dialog, lambda d: None)
        finally:
            worker.join()
        name, done, total, status = progress.snapshot()
        return self.returned("ProgressDialog", (code_name(code), "%d / %d" % (done, total), status.name))

    # ------------------------------------------------------------------
    # Parameter trees

    def on_tree_editor(self, event=None):
        dialog = kvt_wxtools.ParameterTreeDialog(self, self.tree.path)
        code, _ = self._show(dialog, lambda d: None)
        self._show_tree_summary()
        return self.returned("ParameterTreeDialog", code_name(code))

    def on_parameter_editor(self, event=None):
        path = self.tree.book_path("vision", "camera")
        try:
            book = ParameterBook.load(path)
            parameter = book["exposure"]
        except (OSError, ValueError, KeyError) as e:
            kvt_wxtools.MB.Error("Cannot read the exposure parameter from %s:\n%s" % (path, e))
            return self.returned("ParameterEditorDialog", None)
        dialog = kvt_wxtools.ParameterEditorDialog(self, "exposure", parameter)
        code, _ = self._show(dialog, lambda d: None)
        # The dialog edits the parameter in place; only OK keeps the edits.
        if code == wx.ID_OK:
            book.save(path)
            self._show_tree_summary()
        return self.returned("ParameterEditorDialog", (code_name(code), dict(parameter.items())))

    def on_tree_reset(self, event=None):
        self.tree.reset()
        self._show_tree_summary()
        self.log("The working copy holds the sample tree again.")

    def _show_tree_summary(self):
        self.tree_summary.SetValue(self.tree.summary())

    # ------------------------------------------------------------------
    # ComboList

    def _log_people(self, what):
        self.log("%s: objects %s; list box %s" % (
            what, [p.name for p in self.people.objects], self.people_box.GetStrings()))

    def _log_person_selection(self):
        person = self.people.GetSelection()
        self.log("ComboList.GetSelection() -> %s at %d"
                 % (person.label() if person else None, self.people.GetSelectionIndex()))

    def on_person_add(self, event=None):
        self.people.Append(next(self._more_people))
        self._log_people("Append")

    def on_person_insert(self, event=None):
        index = max(self.people.GetSelectionIndex(), 0)
        self.people.Insert(next(self._more_people), index)
        self.people.SetSelection(index)
        self._log_people("Insert at %d" % index)

    def on_person_delete(self, event=None):
        index = self.people.GetSelectionIndex()
        if index < 0:
            self.log("Select a person first.")
            return
        self.people.Delete(index)
        self._log_people("Delete %d" % index)

    def on_person_select_next(self, event=None):
        if not len(self.people):
            self.log("The list is empty.")
            return
        self.people.SetSelection((self.people.GetSelectionIndex() + 1) % len(self.people))
        self._log_person_selection()

    def on_person_clear(self, event=None):
        self.people.Clear()
        self._log_people("Clear")

    # ------------------------------------------------------------------
    # RowGrid

    def _log_parts(self, what):
        self.log("%s: objects %s; %d grid rows" % (
            what, [p.number for p in self.parts.objects], self.parts_grid.GetNumberRows()))

    def on_part_add(self, event=None):
        self.parts.Append(next(self._more_parts))
        self._log_parts("Append")

    def on_part_insert(self, event=None):
        index = max(self.parts.GetSelectionIndex(), 0)
        self.parts.Insert(next(self._more_parts), index)
        self.parts.SetSelection(index)
        self._log_parts("Insert at %d" % index)

    def on_part_delete(self, event=None):
        indexes = self.parts.GetSelectionIndexes()
        if not indexes:
            self.log("Select a row first.")
            return
        self.parts.DeleteSelections()
        self._log_parts("DeleteSelections %s" % indexes)

    def on_part_select_next(self, event=None):
        if not len(self.parts):
            self.log("The grid is empty.")
            return
        self.parts.SetSelection((self.parts.GetSelectionIndex() + 1) % len(self.parts))
        part = self.parts.GetSelection()
        self.log("RowGrid.GetSelection() -> %s (%d in stock)" % (part.number, part.quantity))

    def on_part_use_one(self, event=None):
        index = self.parts.GetSelectionIndex()
        if index < 0:
            self.log("Select a row first.")
            return
        part = self.parts.objects[index]
        if part.quantity == 0:
            self.log("%s is out of stock." % part.number)
            return
        part.quantity -= 1
        self.parts.Update(index)
        self.log("Update(%d): %s has %d left" % (index, part.number, part.quantity))

    def on_part_sort_value(self, event=None):
        self.parts.SortBy(lambda part: part.quantity * part.unit_price, reverse=True)
        self._log_parts("SortBy(stock value, reverse=True)")

    def set_part_cell(self, part, col, text):
        """RowGrid's setter: writes an edited cell to its Part; a refusal
        (ValueError) is shown to the user and the cell keeps its old text."""
        if col == 1:
            if not text.strip():
                raise ValueError("A part needs a name.")
            part.name = text.strip()
        elif col == 2:
            if not text.strip().isdigit():
                raise ValueError("The quantity must be a whole number of 0 or more, not %r." % text)
            part.quantity = int(text)
        elif col == 3:
            try:
                price = float(text)
            except ValueError:
                raise ValueError("The unit price must be a number, not %r." % text) from None
            if price < 0:
                raise ValueError("The unit price must not be negative.")
            part.unit_price = price
        self.log("Edited %s: %s" % (part.number, samples.PART_COLUMNS[col]))

    # ------------------------------------------------------------------
    # Date picker, serial ports

    def on_date_read(self, event=None):
        date = self.date_picker.GetValue()
        self.log("DatePicker.GetValue() -> %r (%s)" % (date, date.strftime("%A")))
        return date

    def on_date_today(self, event=None):
        self.date_picker.SetValue(datetime.date.today())
        return self.on_date_read()

    def _scan_ports(self):
        self.ports = kvt_wxtools.COMPortList(self.ports_box)
        self._show_ports_hint()

    def _show_ports_hint(self):
        if len(self.ports):
            self.ports_hint.SetLabel("%d port(s); %s is selected." % (len(self.ports), self.ports.GetSelection()))
        else:
            self.ports_hint.SetLabel("No serial ports on this machine.\nPlug in an adapter and rescan.")

    def on_ports_rescan(self, event=None):
        self.ports.Rescan()
        self._show_ports_hint()
        self.log("COMPortList: %s" % (self.ports.objects or "no serial ports found"))

    # ------------------------------------------------------------------

    def on_close(self, event):
        if self.tour is not None:
            self.tour.stop()
        self.tree.close()
        event.Skip()


def code_name(code):
    """The name of a wx return code, for the log."""
    for name in ("ID_OK", "ID_CANCEL", "ID_YES", "ID_NO", "YES", "NO", "OK", "CANCEL"):
        if code == getattr(wx, name):
            return "wx." + name
    return repr(code)


def shown_path(path):
    """`path` relative to the current folder when it lies below it."""
    relative = os.path.relpath(path)
    return path if relative.startswith(os.pardir) else relative
