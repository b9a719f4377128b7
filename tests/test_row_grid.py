"""RowGrid on a real wx.grid.Grid: rows and `objects` stay in step, cell texts
and colours come from get_info, `bg` and get_bg, and bulk methods use the
instance's per-row methods."""
import pytest
import wx
import wx.grid

import time

from harness import INPUT_SIMULATED, answer_message_box, call_modal, entry_of, flush_events
import kvt_wxtools as kvt

RED = wx.Colour(255, 0, 0)
BLUE = wx.Colour(0, 0, 255)


class Grid(wx.grid.Grid):
    """A grid that records the row deletions asked of it."""

    def __init__(self, parent, cols):
        super().__init__(parent)
        self.CreateGrid(0, cols)
        self.deleted = []

    def DeleteRows(self, *args):
        self.deleted.append(args)
        return super().DeleteRows(*args)



@pytest.fixture
def grid(frame):
    return Grid(frame, 2)


def texts(grid):
    return [[grid.GetCellValue(r, c) for c in range(grid.GetNumberCols())]
            for r in range(grid.GetNumberRows())]


def colours(grid, row):
    return [grid.GetCellBackgroundColour(row, c) for c in range(grid.GetNumberCols())]


class Item:
    def __init__(self, *values):
        self.values = list(values)


def info(item):
    return item.values


class Tag(str):
    """Text whose str() is not its own characters: cells must hold str()."""

    def __str__(self):
        return "<%s>" % str.__str__(self)


def test_new_grid_selects_rows_and_reports_nothing_selected(grid):
    rows = kvt.RowGrid(grid)
    assert grid.GetSelectionMode() == wx.grid.Grid.SelectRows
    assert rows.control is grid and rows.objects == [] and len(rows) == 0
    assert rows.GetSelection() is None and rows.GetSelectionIndex() == -1
    assert rows.GetSelections() == [] and rows.GetSelectionIndexes() == []


def test_rows_show_their_values_as_text(grid):
    rows = kvt.RowGrid(grid, info)
    rows.Append((1, Tag("2")))
    rows.Insert((3, 4), 0)              # non-text values are converted, as Append does
    rows.Append(Item(5.5, None, "extra"))   # values beyond the columns are not shown
    rows.Insert([True, Tag("x"), "y"], 1)   # lists and tuples are their own values
    assert texts(grid) == [["3", "4"], ["True", "<x>"], ["1", "<2>"], ["5.5", "None"]]
    assert rows.objects[0] == (3, 4) and len(rows) == 4


@pytest.mark.parametrize("method, args", [("Append", ()), ("Insert", (0,))])
def test_colours_from_bg_and_get_bg(grid, method, args):
    asked = []

    def get_bg(values):
        asked.append(values)
        return BLUE

    rows = kvt.RowGrid(grid, get_bg=get_bg)
    getattr(rows, method)((1, 2), *args, bg=RED)
    assert asked == [] and colours(grid, 0) == [RED, RED]
    getattr(rows, method)(["a", "b"], *args)
    new = 1 if method == "Append" else 0
    assert asked == [["a", "b"]] and colours(grid, new) == [BLUE, BLUE]
    assert colours(grid, 1 - new) == [RED, RED]


def test_get_bg_is_asked_again_while_it_answers_none(grid):
    asked = []
    answers = iter([None, RED])
    rows = kvt.RowGrid(grid, get_bg=lambda values: asked.append(values) or next(answers))
    rows.Append((1, 2))
    assert len(asked) == 2 and grid.GetCellBackgroundColour(0, 1) == RED


def test_bulk_methods_go_through_the_instance(grid):
    calls = []

    class Recording(kvt.RowGrid):
        def Append(self, item, bg=None):
            calls.append(("Append", item, bg))
            super().Append(item, bg)

        def Insert(self, item, index, bg=None):
            calls.append(("Insert", item, index, bg))
            super().Insert(item, index, bg)

        def Delete(self, index):
            calls.append(("Delete", index))
            super().Delete(index)

    rows = Recording(grid)
    rows.AppendItems([("x", 0), ("y", 0)], RED)
    rows.InsertItems(iter([("a", 1), ("b", 2), ("c", 3)]), 1)
    assert calls == [("Append", ("x", 0), RED), ("Append", ("y", 0), RED),
                     ("Insert", ("a", 1), 1, None), ("Insert", ("b", 2), 2, None),
                     ("Insert", ("c", 3), 3, None)]
    assert [o[0] for o in rows.objects] == ["x", "a", "b", "c", "y"]
    assert [t[0] for t in texts(grid)] == ["x", "a", "b", "c", "y"]

    del calls[:]
    grid.SelectRow(4)
    grid.SelectRow(1, addToSelected=True)
    rows.DeleteSelections()
    assert calls == [("Delete", 4), ("Delete", 1)]
    assert [o[0] for o in rows.objects] == ["x", "b", "c"]
    assert [t[0] for t in texts(grid)] == ["x", "b", "c"]


def test_selection_queries(grid):
    rows = kvt.RowGrid(grid)
    rows.AppendItems([("a", 0), ("b", 1), ("c", 2)])
    rows.SetSelection(2)
    rows.SetSelection(0)  # replaces the selection
    assert rows.GetSelectionIndexes() == [0]
    grid.SelectRow(2, addToSelected=True)
    assert rows.GetSelection() == ("a", 0) and rows.GetSelectionIndex() == 0
    assert rows.GetSelections() == [("a", 0), ("c", 2)]
    rows.ClearSelection()
    assert rows.GetSelectionIndexes() == [] and rows.GetSelection() is None


def test_clear_empties_the_same_list_and_skips_an_empty_grid(grid):
    rows = kvt.RowGrid(grid)
    objects = rows.objects
    rows.Clear()
    assert grid.deleted == []
    rows.AppendItems([(1, 2), (3, 4)])
    rows.Clear()
    assert grid.deleted == [(0, 2)] and grid.GetNumberRows() == 0
    assert rows.objects is objects and objects == []


def test_update_rewrites_chosen_rows_from_their_objects(grid):
    asked = []
    rows = kvt.RowGrid(grid, info, get_bg=lambda item: asked.append(item) or BLUE)
    items = [Item(r, "v%d" % r) for r in range(4)]
    rows.AppendItems(items, RED)
    for item in items:
        item.values = [str(item.values[0]) + "!", Tag("w"), "ignored"]

    rows.Update(2)
    assert [t[0] for t in texts(grid)] == ["0", "1", "2!", "3"] and asked == [items[2]]
    assert texts(grid)[2] == ["2!", "<w>"]
    assert colours(grid, 2) == [BLUE, BLUE] and colours(grid, 1) == [RED, RED]
    rows.Update([0, 3], bg=RED)
    assert [t[0] for t in texts(grid)] == ["0!", "1", "2!", "3!"] and len(asked) == 1
    items[1].values = ["short"]   # the second cell keeps its old text
    rows.Update()
    assert texts(grid)[1] == ["short", "v1"] and asked[1:] == items


def test_update_refuses_other_index_types_before_changing_anything(grid):
    rows = kvt.RowGrid(grid)
    rows.Update()   # an empty grid: nothing to do
    rows.Append(("a", "b"))
    grid.SetCellValue(0, 0, "changed")
    with pytest.raises(TypeError, match="^Unknown type of argument `index`$") as info:
        rows.Update("0")
    assert grid.GetCellValue(0, 0) == "changed"
    assert entry_of(info.value, "kvt_wxtools.RowGrid.Update").filename == "wxtools.py"


@pytest.mark.parametrize("method, args", [("Append", ()), ("Insert", (0,))])
def test_failed_fill_leaves_no_half_made_row(grid, method, args):
    rows = kvt.RowGrid(grid)
    rows.Append(("kept", "row"))

    def broken(item):
        raise RuntimeError("no info")

    for bad, error in [(("only one",), IndexError), (object(), TypeError)]:
        with pytest.raises(error) as caught:
            getattr(rows, method)(bad, *args)
        assert texts(grid) == [["kept", "row"]] and rows.objects == [("kept", "row")]
        assert entry_of(caught.value, "kvt_wxtools.RowGrid." + method).filename == "wxtools.py"
    rows = kvt.RowGrid(grid, broken)
    with pytest.raises(RuntimeError):
        getattr(rows, method)(Item(1, 2), *args)
    assert grid.GetNumberRows() == 1 and rows.objects == []


def test_bulk_call_stops_at_the_failing_item(grid):
    rows = kvt.RowGrid(grid)
    rows.AppendItems([("a", 0), ("z", 9)])
    with pytest.raises(IndexError):
        rows.InsertItems([("b", 1), ("c", 2), ("bad",), ("d", 3)], 1)
    assert [t[0] for t in texts(grid)] == [o[0] for o in rows.objects] == ["a", "b", "c", "z"]


def test_rows_added_behind_the_wrappers_back(grid):
    rows = kvt.RowGrid(grid)
    rows.Append((1, 2))
    grid.AppendRows(2)
    with pytest.raises(IndexError):   # the grid deletes the row, the list has none
        rows.Delete(2)
    assert grid.GetNumberRows() == 2 and rows.objects == [(1, 2)]
    with pytest.raises(IndexError):   # more rows than objects to pop
        rows.Clear()
    assert grid.GetNumberRows() == 0 and rows.objects == []


# ------------------------------------------------------- sorting, editing ---

class Part:
    def __init__(self, name, qty):
        self.name, self.qty = name, qty


def header_click(grid, col):
    """What a click on a column label sends the grid; True when the grid is
    left to sort by itself."""
    event = wx.grid.GridEvent(grid.GetId(), wx.grid.wxEVT_GRID_COL_SORT, grid, -1, col)
    processed = grid.GetEventHandler().ProcessEvent(event)
    return processed and event.IsAllowed()


@pytest.fixture
def parts(frame, grid):
    rows = kvt.RowGrid(grid, lambda p: (p.name, p.qty))
    made = [Part("bolt", 120), Part("nut", 9), Part("Washer", 1000), Part("axle", 9), Part("cap", "n/a")]
    rows.AppendItems(made)
    frame.Show()
    flush_events()
    return rows, made


def names(rows):
    shown = [t[0] for t in texts(rows.control)]
    assert shown == [p.name for p in rows.objects]   # row i shows objects[i]
    return shown


def test_header_clicks_sort_reverse_and_restore(parts):
    rows, made = parts
    grid, objects = rows.control, rows.objects
    grid.SetCellBackgroundColour(2, 0, RED)   # Washer's colour and selection move with it
    grid.SelectRow(2)
    # A real click on the second label (where the toolkit can simulate one,
    # else the event it sends); numbers by value, before texts.
    if INPUT_SIMULATED:
        labels = grid.GetGridColLabelWindow()
        simulator = wx.UIActionSimulator()
        simulator.MouseMove(labels.ClientToScreen((grid.GetColSize(0) + 10, grid.GetColLabelSize() // 2)))
        flush_events()
        simulator.MouseClick()
    else:
        header_click(grid, 1)
    deadline = time.monotonic() + 5
    while grid.GetSortingColumn() != 1 and time.monotonic() < deadline:
        flush_events()
    assert names(rows) == ["nut", "axle", "bolt", "Washer", "cap"] and grid.IsSortOrderAscending()
    assert grid.GetColLabelValue(1) == "B \u25b2"
    assert rows.GetSelection() is made[2] and grid.GetCellBackgroundColour(3, 0) == RED
    assert not header_click(grid, 1)   # reversed; equal cells keep their order
    assert names(rows) == ["cap", "Washer", "bolt", "nut", "axle"] and grid.GetColLabelValue(1) == "B \u25bc"
    header_click(grid, 1)
    assert rows.objects == made and rows.objects is objects and grid.GetSortingColumn() == wx.NOT_FOUND
    assert [grid.GetColLabelValue(c) for c in range(2)] == ["A", "B"]
    grid.SetColLabelValue(1, "Qty")
    header_click(grid, 1)
    header_click(grid, 0)   # case-blind texts; the mark moves to the new column
    assert names(rows) == ["axle", "bolt", "cap", "nut", "Washer"]
    assert [grid.GetColLabelValue(c) for c in range(2)] == ["A \u25b2", "Qty"]
    rows.EnableHeaderSort(False)
    header_click(grid, 1)
    assert names(rows)[0] == "axle" and grid.GetSortingColumn() == 0


def test_program_order_after_changes_while_sorted_and_sorting_in_code(parts):
    rows, made = parts
    rows.SortByColumn(0, descending=True)
    rows.Delete(1)              # nut
    rows.Append(Part("pin", 3))
    rows.Insert(made[0], 0)     # bolt a second time
    rows.RestoreOrder()         # what is left of the program's order, then the rest as shown
    assert names(rows) == ["bolt", "Washer", "axle", "cap", "bolt", "pin"]
    rows.SortBy(lambda p: p.name[-1], reverse=True)
    assert names(rows) == ["bolt", "bolt", "Washer", "cap", "pin", "axle"]
    with pytest.raises(IndexError, match=r"^col must be a column of the grid \(0 to 1\), not 2$"):
        rows.SortByColumn(2)
    with pytest.raises(TypeError, match="^key must be callable, not int$"):
        rows.SortBy(1)
    with pytest.raises(TypeError):   # Python's own comparison of the keys
        rows.SortBy(lambda p: p.qty)
    assert names(rows) == ["bolt", "bolt", "Washer", "cap", "pin", "axle"]
    rows.Clear()
    rows.Append(Part("new", 1))
    rows.RestoreOrder()
    assert names(rows) == ["new"]


def edit(grid, row, col, text):
    """Types `text` into the cell's editor and leaves it, as a user does;
    False when the grid opens no editor there."""
    grid.SetGridCursor(row, col)
    grid.EnableCellEditControl()
    if not grid.IsCellEditControlEnabled():
        return False
    editor = grid.GetCellEditor(row, col)
    editor.GetControl().SetValue(text)
    editor.DecRef()
    grid.DisableCellEditControl()
    return True


def test_edits_go_through_the_setter_and_the_row_shows_the_object(parts):
    rows, made = parts
    grid = rows.control
    assert not edit(grid, 0, 1, "999")   # read-only without a setter
    calls = []

    def setter(part, col, text):
        calls.append((part, col, text))
        if col == 0:
            part.name = text.strip().upper()
        else:
            part.qty = int(text)

    rows.SetCellSetter(setter)
    assert edit(grid, 0, 1, "999") and edit(grid, 1, 0, "  pin ")
    assert calls == [(made[0], 1, "999"), (made[1], 0, "  pin ")] and made[0].qty == 999
    assert texts(grid)[:2] == [["bolt", "999"], ["PIN", "9"]]
    # Refused: the old text back, the error's message to the user.
    assert call_modal(lambda: edit(grid, 0, 1, "lots"),
                      answer_message_box(wx.OK, message="invalid literal for int() with base 10: 'lots'"))
    assert texts(grid)[0] == ["bolt", "999"] and made[0].qty == 999
    rows.SetCellSetter(setter, columns=[1])
    assert not edit(grid, 1, 0, "zzz") and edit(grid, 1, 1, "7") and texts(grid)[1] == ["PIN", "7"]
    # An edit still open when the rows are sorted lands in its own row.
    grid.SetGridCursor(0, 1)
    grid.EnableCellEditControl()
    editor = grid.GetCellEditor(0, 1)
    editor.GetControl().SetValue("5")
    editor.DecRef()
    rows.SortByColumn(1)
    assert made[0].qty == 5 and texts(grid)[0] == ["bolt", "5"] and not grid.IsCellEditControlEnabled()
    rows.SetCellSetter(None)
    assert not edit(grid, 1, 1, "8")
    with pytest.raises(TypeError, match="^setter must be callable or None, not str$"):
        rows.SetCellSetter("qty")
