# Type information for the kvt_wxtools extension module.
#
# Every class and function the module publishes is declared here with the
# parameter names, order and defaults it has at run time.  Parameters typed
# `str` accept exactly `str` at run time (a subclass is refused with
# TypeError); wx has no type information of its own that mypy reads, so the wx
# classes below are whatever the type checker makes of `wx` (usually Any).
#
# The docstrings here are the module's documentation: editors show them, and
# the HTML reference (docs/reference/) is built from them.  The module's own
# run-time `__doc__` values are left as they are.
import datetime as datetime
from typing import Any, Callable, Generic, Iterable, Sequence, TypeVar, overload

import wx as wx
import wx.adv
import wx.grid
from wx.lib.embeddedimage import PyEmbeddedImage as PyEmbeddedImage

from kvt_handy import Progress as _Progress
from kvt_paratree import Parameter as _Parameter
from kvt_paratree import ParameterBook as _ParameterBook
from kvt_paratree import ParameterDirectory as _ParameterDirectory
from kvt_paratreeui import CopyDialog as _CopyDialog
from kvt_paratreeui import ParameterViewDialog as _ParameterViewDialog
from kvt_paratreeui import DescriptionEditorDialog as _DescriptionEditorDialog
from kvt_paratreeui import ParameterEditorDialog as _ParameterEditorDialog
from kvt_paratreeui import ParameterTreeEditorPanel as _ParameterTreeEditorPanel
from kvt_paratreeui import ScalarEditorDialog as _ScalarEditorDialog

_T = TypeVar("_T")

__test__: dict[str, Any]

def wx_datetime_2_py_datetime(dt: wx.DateTime) -> datetime.datetime:
    """Converts a ``wx.DateTime`` to a naive ``datetime.datetime``.

    Whole seconds only (milliseconds are dropped), no time zone; wx's months
    counted from 0 become ``datetime``'s months counted from 1.  An invalid
    date raises what ``datetime.datetime`` raises for it.
    """

class AutoPopupComboBox:
    """Opens a ``wx.ComboBox``'s list while the user types.

    As soon as the typed text, with the caret at its end, begins one of the
    combo's items (case-sensitive), the list drops down; the text itself is
    left as typed.  Deleting characters never opens the list.  The object
    binds itself to the combo's ``wx.EVT_TEXT``, and that binding keeps it
    alive; there is no need to hold a reference.
    """
    old_value: str
    """The combo's text at the previous text event ("" at first)."""
    control: wx.ComboBox
    """The combo box, as passed."""
    def __init__(self, combo_box: wx.ComboBox) -> None:
        """Attaches to `combo_box`, which stays the caller's."""
    def on_text_changed(self, event: wx.CommandEvent) -> None:
        """Handler of the combo's ``wx.EVT_TEXT``: opens the list when the
        text grew, the caret is at its end and an item starts with it."""

class TrueOrFalseDialog(wx.Dialog):
    """A question with two buttons.

    ``ShowModal()`` returns ``wx.ID_OK`` for the first button (also Enter:
    it is the default button) and ``wx.ID_CANCEL`` for the second one or
    when the dialog is closed.
    """
    def __init__(self, parent: wx.Window | None, title: str, question: str,
                 true: str = "Yes", false: str = "No") -> None:
        """Builds the dialog; `true` and `false` are the labels of the two
        buttons and must be ``str`` or None (``TypeError`` otherwise)."""

class ChooseOneButtonDialog(wx.Dialog):
    """A question with one button per choice, in a row.

    Pressing a choice button ends the run with ``wx.ID_OK`` and records which
    one it was; read it with :meth:`GetSelectedIndex` and
    :meth:`GetSelectedString`.
    """
    def __init__(self, parent: wx.Window | None, title: str, question: str,
                 choices: Iterable[str], default: int | None = 0) -> None:
        """Builds one button per label of `choices` (at least one), in
        order; the button at position `default` is the default button (-1 or
        None: none).  No choices, or a `default` that is not one of their
        positions, is refused with ``ValueError`` or ``TypeError``."""
    def OnChoose(self, event: wx.CommandEvent) -> None:
        """Handler of every choice button: records the pressed button and
        ends the run with ``wx.ID_OK``."""
    def GetSelectedIndex(self) -> int:
        """The position of the pressed button in `choices`, or -1 when the
        dialog ended without a choice."""
    def GetSelectedString(self) -> str:
        """The label of the pressed button, or "" when the dialog ended
        without a choice."""

class WaitForDialog(wx.Dialog):
    """A message that waits for something the caller can only poll.

    While the dialog is shown, `callback` is called every `interval`
    milliseconds with no arguments.  Its answer decides: ``True`` itself (not
    1 or another true value) ends the run and ``ShowModal()`` returns 0; a
    ``str`` replaces the message and the dialog re-fits to it; anything else
    lets the wait go on.  Closing the window ends the run with
    ``wx.ID_CANCEL``.  An exception from the callback is reported by wx and
    the wait goes on.  The timer stops when the run ends, however it ends,
    and when the dialog is destroyed.
    """
    callback: Callable[[], object]
    """The callable polled while the dialog is shown."""
    interval: int
    """The polling period in milliseconds, read when the dialog is shown."""
    def __init__(self, parent: wx.Window | None, title: str, text: str, callback: Callable[[], object],
                 interval: int = 100, font_size: int | None = None) -> None:
        """Builds the dialog showing `text`; an int `font_size` shows it in
        that many points (anything else keeps the default font).  A
        `callback` that is not callable is refused with ``TypeError``."""
    def on_close(self, _event: wx.CloseEvent) -> None:
        """Handler of the window's close: ends the run with
        ``wx.ID_CANCEL``."""
    def on_timer_refresh(self, _event: wx.TimerEvent) -> None:
        """Handler of the timer: one call of `callback` and what its answer
        asks for."""
    def on_show(self, event: wx.ShowEvent) -> None:
        """Handler of showing the dialog: starts polling every `interval`
        milliseconds."""

class AutoCloseMessageBox(WaitForDialog):
    """A message that closes itself after `timeout` seconds.

    ``ShowModal()`` returns 0 when the time is up and ``wx.ID_CANCEL`` when
    the user closed the box first.  Time is counted in ticks of
    :attr:`CheckInterval` seconds, not read from the clock: the default 2
    seconds end at the 20th tick.
    """
    CheckInterval: float
    """Seconds per tick (0.1); the timer runs every 100 ms."""
    def __init__(self, parent: wx.Window | None, title: str, text: str, timeout: float = 2.0,
                 font_size: int | None = None) -> None:
        """Builds the box; `timeout` is converted to a float (an int is
        accepted, ``TypeError`` for what has no float form); `title` and
        `text` must be ``str`` or None."""
    def counter(self) -> bool:
        """The box's own poll: counts one tick and answers whether the
        timeout is reached."""

class SingleChoiceTimeoutDialog(wx.Dialog):
    """A choice list that takes the current choice by itself after a time.

    The title counts down in tenths of a second ("Choose 5.0", "Choose 4.9",
    ...), counted in 100 ms ticks; at zero the dialog ends with ``wx.ID_OK``
    and the selected choice.  Any selection change by the user stops the
    countdown for good and restores the plain caption.  OK and a double click
    end the run with ``wx.ID_OK``, Cancel and closing the window with
    ``wx.ID_CANCEL``.  With ``timeout=0`` (or less) it is a plain choice
    dialog.  Read the answer with :meth:`GetSelection` or
    :meth:`GetSelectionIndex` after ``ShowModal()`` returned.
    """
    def __init__(self, parent: wx.Window | None, message: str, caption: str, choices: Sequence[Any],
                 timeout: float = 5, selection: int = 0) -> None:
        """Builds the dialog showing `message` above `choices` with the
        entry at `selection` preselected (none when the position is out of
        range); `timeout` is in seconds."""
    def GetSelectionIndex(self) -> int:
        """The position of the selected choice, or -1 when none is
        selected."""
    def GetSelection(self) -> Any:
        """The selected element of `choices`, or None when none is
        selected."""
    def OnCloseDialog(self, _event: wx.CloseEvent) -> None:
        """Handler of the window's close: stops the countdown and ends the
        run with ``wx.ID_CANCEL``."""
    def OnTimerEvent(self, _event: wx.TimerEvent) -> None:
        """Handler of the countdown tick: counts 0.1 s down and ends the run
        with ``wx.ID_OK`` at zero."""
    def OnShowHandler(self, event: wx.ShowEvent) -> None:
        """Handler of showing the dialog: starts the countdown and shows the
        seconds left in the title."""
    def OnSelectionChanged(self, _event: wx.CommandEvent) -> None:
        """Handler of a selection change: stops the countdown and restores
        the plain caption."""
    def OnChoicesBoxDClick(self, _event: wx.CommandEvent) -> None:
        """Handler of a double click on a choice: ends the run with
        ``wx.ID_OK``."""

class MultipleInputDialog(wx.Dialog):
    """Asks for several named texts at once: one labelled text box per field.

    ``ShowModal()`` returns ``wx.ID_OK`` after OK and ``wx.ID_CANCEL`` after
    Cancel, Escape or closing the window.  Only OK copies the texts, as
    typed, into the field table; a caller's dict given as `fields` is that
    table and so receives them.
    """
    def __init__(self, parent: wx.Window | None, fields: str | list[str] | dict[str, str],
                 title: str = "Input") -> None:
        """Builds one row per field: `fields` is one name, a list of names
        (empty defaults; a repeated name gives one row) or a dict of name to
        default text, whose order is the order of the rows; anything else is
        refused with ``TypeError``.  Each field is wide enough to show its
        default whole."""
    def get(self, field: str) -> str:
        """The text of `field`: what was typed when OK was pressed, the
        default before.  ``KeyError`` for a name that is not a field."""
    @property
    def fields(self) -> dict[str, str]:
        """The field table, name to text: the caller's own dict when one was
        passed."""
    def _MultipleInputDialog__on_ok(self, _event: wx.CommandEvent) -> None: ...

class DatePicker:
    """Reads and sets the date of a date control as ``datetime.date``.

    Wraps a ``wx.adv.DatePickerCtrl`` or ``wx.adv.CalendarCtrl`` that the
    caller made; it keeps no date of its own, every read asks the control.
    """
    control: wx.adv.DatePickerCtrl | wx.adv.CalendarCtrl
    """The wrapped control, as passed."""
    def __init__(self, control: wx.adv.DatePickerCtrl | wx.adv.CalendarCtrl) -> None:
        """Wraps `control`, which stays the caller's; any other kind of
        control is refused with ``TypeError``."""
    @overload
    @staticmethod
    def Convert(date: datetime.date) -> wx.DateTime:
        """Converts either way between ``wx.DateTime`` and the standard
        library's dates.

        A ``wx.DateTime`` gives the ``datetime.date`` of its day (the time of
        day is dropped); a ``datetime.date`` or ``datetime.datetime`` (any
        object with `year`, `month` and `day`) gives a new ``wx.DateTime`` at
        midnight of that day.
        """
    @overload
    @staticmethod
    def Convert(date: wx.DateTime) -> datetime.date: ...
    def GetValue(self) -> datetime.date:
        """The control's date."""
    def GetDate(self) -> datetime.date:
        """The same as :meth:`GetValue`."""
    def SetValue(self, date: datetime.date) -> None:
        """Sets the control to `date` (a ``datetime.date`` or
        ``datetime.datetime``; its time is ignored)."""

def _simple_get_info(obj: _T) -> _T: ...

class ComboList(Generic[_T]):
    """Keeps the list :attr:`objects` in step with the entries of a list box.

    Wraps a ``wx.ListBox`` (or any control with the same item methods) that
    the caller made, and never creates, re-parents or destroys it.  Entry *i*
    of the control shows ``get_info(objects[i])``; add and remove objects
    through this wrapper, and ask for the selection as objects.  Every change
    is made in the control first, so a failing control call leaves
    :attr:`objects` as it was.  The type parameter is the type of the
    objects::

        people: ComboList[Person] = ComboList(box, lambda p: p.name)
        chosen = people.GetSelection()          # Person | None

    The selection queries accept what the control's ``GetSelection()``
    answers: a position (-1 for none) or a list of positions.
    """
    control: Any
    """The wrapped control, as passed."""
    objects: list[_T]
    """The objects, one per entry, in the control's order.  The list object is
    never replaced (:meth:`Clear` empties it in place)."""
    @overload
    def __init__(self: ComboList[str], control: Any) -> None:
        """Wraps `control`, which should be empty.  `get_info_method` turns
        an object into the text of its entry; by default the objects are
        shown as they are, so they should be ``str``."""
    @overload
    def __init__(self, control: Any, get_info_method: Callable[[_T], str]) -> None: ...
    def _ComboList__GetInfo(self, obj: _T) -> str: ...
    def __len__(self) -> int:
        """The number of objects."""
    def Append(self, obj: _T) -> None:
        """Adds `obj` as the last entry."""
    def AppendItems(self, objects: Iterable[_T]) -> None:
        """Adds each of `objects` as the last entry, in order."""
    def Insert(self, obj: _T, index: int) -> None:
        """Inserts `obj` as the entry at position `index`."""
    def InsertItems(self, objects: Iterable[_T], index: int) -> None:
        """Inserts `objects`, in order, from position `index` on."""
    def Delete(self, index: int) -> None:
        """Removes the entry and the object at position `index`."""
    def DeleteSelections(self) -> None:
        """Removes every selected entry (read with the control's
        ``GetSelections()``), the highest position first."""
    def Clear(self) -> None:
        """Removes every entry and empties :attr:`objects` in place."""
    def GetSelection(self) -> _T | None:
        """The selected object (the first one of several), or None when
        nothing is selected."""
    def GetSelections(self) -> list[_T]:
        """The selected objects, in the control's order."""
    def GetSelectionIndex(self) -> int:
        """The position of the selected entry (the first one of several), or
        -1."""
    def GetSelectionIndexes(self) -> list[int]:
        """The positions of the selected entries."""
    def GetObject(self, index: int) -> _T | None:
        """The object at position `index`, or None when there is none."""
    def SetSelection(self, index: int) -> None:
        """Selects the entry at position `index` (-1: none)."""
    def ClearSelection(self) -> None:
        """Selects nothing."""

class RowGrid(Generic[_T]):
    """Keeps the list :attr:`objects` in step with the rows of a grid.

    Wraps a ``wx.grid.Grid`` that already has its columns; it never creates,
    re-parents or destroys it.  `get_info_method` turns an object into its
    row values (every value is shown as its ``str``; values beyond the
    grid's columns are not shown); without one, the objects are the row
    values themselves (lists or tuples).  A cell colour comes from the `bg`
    argument of a call, else from `get_bg`, which is called with the row
    values when a row is added and with the object when :meth:`Update`
    rewrites it.  The type parameter is the type of the objects::

        parts: RowGrid[Part] = RowGrid(grid, lambda p: (p.name, p.stock))
        part = parts.GetSelection()             # Part | None

    A row is complete or not there: when get_info, get_bg or the grid fails
    while a row is filled, the row leaves the grid and :attr:`objects` again
    and the error goes on.  Rows can be sorted by header clicks or from code
    (:attr:`objects` is reordered in step, the same list object), and cells
    are read-only until the program gives a setter
    (:meth:`SetCellSetter`).
    """
    control: wx.grid.Grid
    """The wrapped grid, as passed."""
    objects: list[_T]
    """The objects, one per row, in the grid's order.  The list object is
    never replaced."""
    @overload
    def __init__(self: RowGrid[Sequence[Any]], control: wx.grid.Grid, get_info_method: None = None,
                 get_bg: Callable[[Any], Any] | None = None) -> None:
        """Wraps `control`, which should have no rows, and turns the grid's
        own editing off.  `get_info_method` gives an object's row values
        (None: the object is its row values); `get_bg`, when given, gives a
        row's cell colour (see the class)."""
    @overload
    def __init__(self, control: wx.grid.Grid, get_info_method: Callable[[_T], Sequence[Any]],
                 get_bg: Callable[[Any], Any] | None = None) -> None: ...
    def _RowGrid__GetInfo(self, item: _T) -> Sequence[Any]: ...
    def __len__(self) -> int:
        """The number of objects."""
    def Clear(self) -> None:
        """Deletes every row and empties :attr:`objects` in place."""
    def Append(self, item: _T, bg: Any = None) -> None:
        """Adds `item` as the last row; `bg`, when given, colours its cells
        instead of `get_bg`."""
    def AppendItems(self, items: Iterable[_T], bg: Any = None) -> None:
        """Adds each of `items` as the last row, in order; a failing item
        stops it with the items before it in place."""
    def Insert(self, item: _T, index: int, bg: Any = None) -> None:
        """Inserts `item` as the row at position `index`."""
    def InsertItems(self, items: Iterable[_T], index: int, bg: Any = None) -> None:
        """Inserts `items`, in order, from row `index` on."""
    def Delete(self, index: int) -> None:
        """Deletes the row and the object at position `index`."""
    def DeleteSelections(self) -> None:
        """Deletes every selected row, the highest first."""
    def GetSelections(self) -> list[_T]:
        """The objects of the selected rows, in the grid's order."""
    def GetSelection(self) -> _T | None:
        """The object of the first selected row, or None."""
    def GetSelectionIndex(self) -> int:
        """The first selected row, or -1."""
    def GetSelectionIndexes(self) -> list[int]:
        """The selected rows, as the grid's ``GetSelectedRows()`` gives
        them."""
    def ClearSelection(self) -> None:
        """Selects nothing."""
    def SetSelection(self, index: int) -> None:
        """Selects row `index` alone."""
    def Update(self, index: int = -1, bg: Any = None) -> None:
        """Rewrites rows from their objects, after the objects changed.

        `index` is one row, a list or tuple of rows, or -1 for every row
        (``TypeError`` for anything else).  The colour is `bg` when given,
        else `get_bg` of the object.  Rows are neither added nor removed.
        """
    def SortByColumn(self, col: int, descending: bool = False) -> None:
        """Sorts the rows by the texts of column `col`, as clicks on its
        header do: numbers by value and before other texts, which sort
        without regard to case; equal cells keep their order.  The
        column's label shows the direction."""
    def SortBy(self, key: Callable[[_T], Any], reverse: bool = False) -> None:
        """Sorts the rows by `key` of their objects (a stable sort); no
        column shows a direction."""
    def RestoreOrder(self) -> None:
        """Puts the rows back in the order the program gave (rows added while
        sorted follow, in the order shown)."""
    def EnableHeaderSort(self, enable: bool = True) -> None:
        """Turns sorting by header clicks on or off."""
    def SetCellSetter(self, setter: Callable[[_T, int, str], object] | None,
                      columns: Iterable[int] | None = None) -> None:
        """Lets the user edit cells (of `columns` only, when given; None
        makes the grid read-only again).

        ``setter(obj, column, text)`` receives the row's object, the column
        and the new text and changes the object; the row is then rewritten
        from the object.  When the setter raises, the cell gets its old text
        back and the user sees the error's message.
        """

class COMPortList(ComboList[str]):
    """A :class:`ComboList` filled with the machine's serial ports.

    At construction the control gets the device names that pyserial
    reports (for example "COM3" or "/dev/ttyUSB0"), in its order, and the
    first one is selected; without ports the control stays empty.
    :meth:`Rescan` reads them again.
    """
    def __init__(self, control: Any) -> None:
        """Fills `control`, which should be empty, with the port names."""
    def Rescan(self) -> None:
        """Reads the ports again, keeping the selected port when it is still
        there (else the first port is selected)."""

class MB:
    """Message boxes in one call: error, notice, yes/no and a line of input.

    A namespace of static methods, never instantiated.  Each box is modal and
    returns once the user closed it; it needs a running ``wx.App``.
    `message` and `title` must be ``str`` or None (``TypeError`` otherwise).
    """
    @staticmethod
    def Error(message: str, title: str = "Error") -> None:
        """Shows `message` with an error icon and an OK button."""
    @staticmethod
    def Notice(message: str, title: str = "Info") -> None:
        """Shows `message` with an information icon and an OK button."""
    @staticmethod
    def Confirm(message: str, title: str = "Confirm") -> int:
        """Asks a yes/no question: returns ``wx.YES`` or ``wx.NO`` (compare
        with those, not with ``wx.ID_YES``)."""
    # The entered text converted by `value_type` (the text itself by
    # default), or None when the dialog was cancelled or the conversion failed.
    @overload
    @staticmethod
    def Input(message: str, value_type: type[str] = str, title: str = "Input Dialog",
              default: object = None) -> str | None:
        """Asks for one line of text and returns it converted by `value_type`.

        The text goes to `value_type` exactly as entered (not stripped).
        Returns None after Cancel, and after a text that the conversion
        refuses, once the user has seen "Invalid input format.".  A
        `default` that is not None is shown in the field as its ``str``.
        `value_type` must be a class (``str`` by default, ``int``,
        ``float``, ...) or None.
        """
    @overload
    @staticmethod
    def Input(message: str, value_type: type[_T], title: str = "Input Dialog",
              default: object = None) -> _T | None: ...
    @overload
    @staticmethod
    def Input(message: str, value_type: None, title: str = "Input Dialog",
              default: object = None) -> None: ...

class SimpleInputDialog(wx.Dialog):
    """One line of text in a large font, optionally masked for passwords.

    ``ShowModal()`` returns ``wx.ID_OK`` or ``wx.ID_CANCEL``; the text stays
    readable with :meth:`GetInputString` until the dialog is destroyed.
    Unlike :meth:`MB.Input` it converts nothing.
    """
    def __init__(self, parent: wx.Window | None, message: str = "请输入信息：", title: str = "请输入",
                 password: bool = False) -> None:
        """Builds the dialog with the prompt `message` and the caption
        `title` (both ``str`` or None); a true `password` masks the typed
        characters."""
    def GetInputString(self, strip: bool = True) -> str:
        """The typed text, without leading and trailing white space unless
        `strip` is false."""
    def __del__(self) -> None:
        """Does nothing; the caller destroys the dialog."""

def window_fit_layout(window: wx.TopLevelWindow, center: bool = True, maximize: bool = False) -> None:
    """Lays out `window` and fits it to its sizer, then centres it (on its
    parent, or on the screen) and/or maximises it.  No window (None), or a
    window without a sizer, is refused with ``TypeError`` or
    ``ValueError``."""

class SimpleApp(wx.App):
    """The ``wx.App`` that :func:`run_wxapp` runs: its start-up makes one
    window of the given class and shows it."""
    dialog_return_code: int | None
    """What the dialog's ``ShowModal()`` returned; None for a frame."""
    def __init__(self, _class: type[wx.Frame] | type[wx.Dialog], **kwargs: Any) -> None:
        """Starts the application; `kwargs` go to the window class as
        keyword arguments when the application starts up."""
    def OnInit(self) -> bool:
        """Makes the window: a frame is shown (the main loop then runs until
        it closes), a dialog is shown modally, its result kept in
        :attr:`dialog_return_code`, and destroyed.  ``TypeError`` for a class
        that makes neither."""

_the_app: SimpleApp | None

def app() -> SimpleApp | None:
    """The :class:`SimpleApp` that :func:`run_wxapp` is running with a frame,
    or None (also while a dialog class runs)."""
def run_wxapp(_class: type[wx.Frame] | type[wx.Dialog], **kwargs: Any) -> int | None:
    """Runs a whole wx application around one frame or dialog class.

    ``_class(**kwargs)`` is made when the application starts.  A frame is
    shown and the main loop runs until it closes, then None is returned; a
    dialog is shown modally and destroyed, and what its ``ShowModal()``
    returned is returned (``wx.ID_OK``, ``wx.ID_CANCEL``, ...).
    """

_directory_icon: PyEmbeddedImage
_book_icon: PyEmbeddedImage

class ParameterScalarAttributeEditorDialog(_ScalarEditorDialog):
    """Edits one attribute value of a parameter: its type and its text.

    The type is one of int, float, str, bool (a true/false choice) or JSON
    (for lists, dicts and None); the value is typed as text, on one line or
    several for str and JSON.  OK converts the text to the chosen type and
    leaves it in :attr:`value` (``ShowModal()`` returns ``wx.ID_OK``); a
    text that does not convert is reported and the dialog stays open.
    """
    ValueClasses: list[type]
    """The scalar types in the order of the type choice: int, float, str,
    bool; the position after them is JSON."""
    value: Any
    """The value: the given one at first, the converted text after OK."""
    def __init__(self, parent: wx.Window | None, name: str, value: Any = None) -> None:
        """Builds the dialog for the attribute `name` (shown only) with the
        type and text of `value`."""
    def on_multiline_state_changed(self, event: wx.CommandEvent | None) -> None:
        """Switches between the one-line and the multi-line text box,
        keeping the text."""
    def on_ok(self, event: wx.CommandEvent) -> None:
        """Converts the text to the chosen type into :attr:`value` and ends
        the run with ``wx.ID_OK``, or reports why it cannot."""
    def on_type_changed(self, event: wx.CommandEvent | None) -> None:
        """Shows the controls that fit the chosen type."""
    @property
    def type_is_bool(self) -> bool:
        """Whether bool is chosen."""
    @property
    def type_is_json(self) -> bool:
        """Whether JSON is chosen."""
    @property
    def type_is_str(self) -> bool:
        """Whether str is chosen."""

class DescriptionEditorDialog(_DescriptionEditorDialog):
    """Lists a parameter's descriptions, one per locale, and edits them.

    Each accepted edit is written into the parameter at once, so closing the
    dialog by any means keeps it.
    """
    def __init__(self, parent: wx.Window | None, parameter: _Parameter) -> None:
        """Builds the dialog for `parameter`, which it edits in place."""
    def _edit_row(self, row: int) -> None:
        """Asks for a new text of the description in grid row `row` and
        stores it."""
    def on_edit(self, _event: wx.CommandEvent) -> None:
        """Edits the description of the one selected row."""
    def on_select_changed(self, event: wx.grid.GridRangeSelectEvent) -> None:
        """Enables the buttons that fit the selected rows."""

class ParameterEditorDialog(_ParameterEditorDialog):
    """Edits one parameter: its attributes and its descriptions.

    Attributes are added, edited and deleted through
    :class:`ParameterScalarAttributeEditorDialog`, descriptions through
    :class:`DescriptionEditorDialog`.  Each change applies to the parameter
    at once; after Cancel the caller decides whether to keep it.
    """
    def __init__(self, parent: wx.Window | None, name: str, parameter: _Parameter | None = None) -> None:
        """Builds the dialog for the parameter `name`: `parameter` is edited
        in place, or a new empty one when it is None."""
    @property
    def parameter(self) -> _Parameter:
        """The parameter being edited."""
    def on_select_attribute(self, event: wx.grid.GridRangeSelectEvent) -> None:
        """Enables the buttons that fit the selected attribute rows."""
    def on_add(self, _event: wx.CommandEvent) -> None:
        """Asks for a new attribute's name and value and adds it."""
    def on_edit(self, event: wx.CommandEvent) -> None:
        """Edits the value of the selected attribute."""
    def on_edit_descriptions(self, event: wx.CommandEvent) -> None:
        """Opens the description editor, then shows the new description."""
    def on_delete(self, event: wx.CommandEvent) -> None:
        """Deletes the selected attributes after the user confirmed."""
    def on_rename(self, _event: wx.CommandEvent) -> None:
        """Renames the selected attribute, with the same name checks and
        messages as adding one; its place and value are kept."""
    def on_attributes_key(self, event: wx.KeyEvent) -> None:
        """Keys on the attribute grid: Delete deletes, F2 renames, Enter
        edits the selected attribute."""

class ParaTreeCopyDialog(_CopyDialog):
    """Copies one item of a parameter tree to a place on disk.

    A parameter goes into an existing book file, a book or a directory into
    a chosen directory, under its own name or a new valid one; an existing
    target is overwritten only when "Overwrite" is ticked.  The dialog
    writes the copy itself and ends with ``wx.ID_OK`` after a successful
    copy; every refusal leaves it open.
    """
    def __init__(self, parent: wx.Window | None, para_path: list[str],
                 para: _Parameter | _ParameterBook | _ParameterDirectory) -> None:
        """Builds the dialog for `para`, whose names in the tree, from the
        first level down to itself, are `para_path` (not empty)."""
    def _ParaTreeCopyDialog__select_directory(self) -> str: ...
    def _ParaTreeCopyDialog__select_file(self) -> str: ...
    def on_browse(self, event: wx.CommandEvent) -> None:
        """Lets the user choose the target: a book file for a parameter, a
        directory otherwise."""
    def on_confirm(self, event: wx.CommandEvent) -> None:
        """Writes the copy, or tells the user why it does not."""

class ParameterTreeEditorPanel(_ParameterTreeEditorPanel):
    """The parameter-tree editor as a panel that any window can hold.

    A tree of the directories and books of a :class:`kvt_paratree.ParameterDirectory`
    (each item carrying its model object as item data) beside a grid of the
    selected book's parameters, with buttons to load, save, add, delete,
    edit and copy.  Edits change the model in place; nothing reaches the
    disk before "Save" (to the loaded directory) or "Save to...".
    """
    _ImageDirectory: int
    _ImageBook: int
    root: _ParameterDirectory | None
    """The tree being edited, or None while nothing is loaded."""
    root_path: str
    """The directory the tree was loaded from ("" before)."""
    @staticmethod
    def is_valid_name(name: str) -> bool:
        """Whether `name` may name a directory, book or parameter: not empty
        or None, and free of every character of
        ``kvt_paratree.InvalidNameCharacters``."""
    def __init__(self, parent: wx.Window | None, path: str = "",
                 parameter_directory: _ParameterDirectory | None = None) -> None:
        """Builds the panel.  With a non-empty `path` it shows
        `parameter_directory` when one is given, else the tree loaded from
        `path` (its errors propagate); with an empty `path` the tree stays
        empty."""
    def on_load(self, _event: wx.CommandEvent) -> None:
        """Asks for a directory and loads it."""
    def on_save_to(self, _event: wx.CommandEvent) -> None:
        """Asks for a directory and saves the tree there; a later "Save"
        still writes to the loaded directory."""
    def on_save(self, _event: wx.CommandEvent) -> None:
        """Saves the tree to the directory it was loaded from and reports
        the result."""
    def _ParameterTreeEditorPanel__clear_book(self) -> None: ...
    def _show_parameters_of_book(self, book: _ParameterBook) -> None:
        """Adds one grid row per parameter of `book`."""
    def on_tree_sel_changed(self, _event: wx.TreeEvent) -> None:
        """Shows the selected book's parameters and enables the buttons that
        fit the selection."""
    def on_add_directory(self, _event: wx.CommandEvent) -> None:
        """Asks for a name and adds a directory below the selected one."""
    def on_add_book(self, _event: wx.CommandEvent) -> None:
        """Asks for a name and adds a book to the selected directory."""
    def on_delete_tree_item(self, _event: wx.CommandEvent) -> None:
        """Deletes the selected directory or book after the user confirmed;
        the root item clears the whole tree."""
    def on_add_parameter(self, _event: wx.CommandEvent) -> None:
        """Asks for a name, edits a new parameter and adds it to the
        selected book."""
    def on_edit_parameter(self, event: wx.CommandEvent) -> None:
        """Edits the selected parameter."""
    def on_delete_parameter(self, event: wx.CommandEvent) -> None:
        """Deletes the selected parameters from the book."""
    def on_select_parameter(self, event: wx.grid.GridRangeSelectEvent) -> None:
        """Enables the parameter buttons when rows are selected."""
    def load_directory(self, directory: str) -> None:
        """Loads the tree stored in `directory` and shows it; on failure the
        exception propagates and the panel keeps its tree."""
    def _refresh_tree_view(self) -> None:
        """Rebuilds the tree control from :attr:`root`."""
    def _construct_tree_branch(self, parameter_directory: _ParameterDirectory, ui_item_id: int) -> None:
        """Adds the children of `parameter_directory` below the tree item
        `ui_item_id`, depth first."""
    def _ParameterTreeEditorPanel__get_selected_tree_item_path(self, item_id: wx.TreeItemId) -> list[str]: ...
    def _ParameterTreeEditorPanel__change_parameter_tree_out_of_control(
            self, event_handler: Callable[[wx.Event], object], event: wx.Event) -> None: ...
    def _ParameterTreeEditorPanel__on_copy_parameter(self, event: wx.CommandEvent) -> None: ...
    def on_copy_parameter(self, event: wx.CommandEvent) -> None:
        """Copies the selected parameter with :class:`ParaTreeCopyDialog`;
        offers to reload when the disk changed meanwhile."""
    def _ParameterTreeEditorPanel__on_copy_tree_item(self, event: wx.CommandEvent) -> None: ...
    def on_copy_tree_item(self, event: wx.CommandEvent) -> None:
        """Copies the selected directory or book with
        :class:`ParaTreeCopyDialog`; offers to reload when the disk changed
        meanwhile."""
    history: wx.CommandProcessor
    """The undo history: every change made through the editor is one
    command that Ctrl+Z undoes and Ctrl+Y redoes."""
    def is_modified(self) -> bool:
        """Whether the tree differs from what was last loaded or saved,
        whether changed through the editor or by code that changed
        :attr:`root`."""
    def _update_state(self) -> None: ...
    def on_update_modified_mark(self, event: wx.UpdateUIEvent) -> None:
        """Shows or hides the "modified" mark beside the path."""
    def _apply_steps(self, steps: list[tuple[Any, ...]], forward: bool) -> None: ...
    def on_undo(self, event: wx.CommandEvent | None) -> None:
        """Undoes the last change made through the editor."""
    def on_redo(self, event: wx.CommandEvent | None) -> None:
        """Redoes the last undone change."""
    def _save_tree(self, overwrite: bool = False) -> bool: ...
    def ask_to_save_changes(self) -> bool:
        """When the tree is modified, asks Save / Don't save / Cancel; returns
        whether the caller may go on (saved, or the user chose not to)."""
    def on_rename_parameter(self, event: wx.CommandEvent | None) -> None:
        """Renames the selected parameter, with the same name checks and
        messages as adding one."""
    def on_view_parameter(self, event: wx.CommandEvent | None) -> None:
        """Shows the selected parameter read-only in
        :class:`ParameterViewDialog`."""
    def on_key(self, event: wx.KeyEvent) -> None:
        """The editor's keys: Ctrl+S saves, Delete deletes, F2 renames, Enter
        edits, Ctrl+F finds, Ctrl+Z / Ctrl+Y undo and redo."""
    def _apply_filter(self) -> None: ...
    def on_find(self, event: wx.CommandEvent) -> None:
        """Narrows the tree to the directories and books whose names,
        parameter names or descriptions contain the find text."""
    def on_find_cancel(self, event: wx.CommandEvent) -> None:
        """Clears the find text and shows the whole tree again, keeping the
        selection."""

class _TreeEdit(wx.Command):
    steps: list[tuple[Any, ...]]
    def __init__(self, panel: ParameterTreeEditorPanel, name: str, steps: list[tuple[Any, ...]]) -> None: ...
    def Do(self) -> bool: ...
    def Undo(self) -> bool: ...

class ParameterViewDialog(_ParameterViewDialog):
    """Shows one parameter read-only: its attributes with their types and
    values, and its descriptions per locale."""
    def __init__(self, parent: wx.Window | None, name: str, parameter: _Parameter) -> None:
        """Builds the view of the parameter `name`."""

class ParameterTreeDialog(wx.Dialog):
    """The parameter-tree editor in a dialog of its own: one
    :class:`ParameterTreeEditorPanel`, titled "Parameter Tree Editor".
    Closing it (close box, Escape, ``Close()``) with unsaved changes asks
    first; ``EndModal`` and ``Destroy`` never ask."""
    def __init__(self, parent: wx.Window | None, path: str = "") -> None:
        """Builds the editor; a non-empty `path` is loaded at once (its
        errors propagate), an empty one leaves the tree empty for "Load..."."""
    def on_close(self, event: wx.CloseEvent) -> None:
        """Asks about unsaved changes before the dialog closes; a cancel or a
        failed save keeps it open."""
    def on_key(self, event: wx.KeyEvent) -> None:
        """Escape clears the find field when it holds text; otherwise it
        closes the dialog as the close box does."""

class ProgressDialog(wx.Dialog):
    """Follows a :class:`kvt_handy.Progress` until the work ends.

    Shows the work's name, "count / total" and a gauge, polling every
    `interval` seconds; the work itself runs elsewhere, usually in a thread
    of the caller's.  The run ends by itself when the work ends:
    ``wx.ID_OK`` when it is Done, ``wx.ID_CANCEL`` when it failed or was
    cancelled.  Closing the dialog while the work runs (close box, Escape,
    ``Close()``, ``EndModal``) ends it with ``wx.ID_CANCEL`` and cancels the
    progress, so the worker's next ``advance()`` or ``update()`` returns
    False.  The dialog grows when its texts outgrow it.
    """
    def __init__(self, parent: wx.Window | None, progress: _Progress, interval: float = 0.2) -> None:
        """Builds the dialog (title "进度") for `progress`; `interval` is
        converted to a float.  A progress object without `name`, `progress`,
        `subtotal`, `status` and `Status` is refused with ``TypeError``."""
    def on_refresh(self, event: wx.TimerEvent) -> None:
        """Handler of the timer: shows the progress and ends the run when the
        work has ended."""
