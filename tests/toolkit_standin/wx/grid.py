"""Stand-in for wx.grid: a grid of text cells kept in memory, with the
toolkit's checks on positions and cell values."""
from wx._core import Colour, Control, PyEventBinder, _check

for _name in ("EVT_GRID_RANGE_SELECTED EVT_GRID_RANGE_SELECT EVT_GRID_SELECT_CELL "
              "EVT_GRID_CELL_LEFT_DCLICK EVT_GRID_CELL_CHANGED EVT_GRID_LABEL_LEFT_CLICK "
              "EVT_GRID_COL_SORT EVT_GRID_EDITOR_SHOWN").split():
    globals()[_name] = PyEventBinder(_name)

_WHITE = Colour(255, 255, 255)


class Grid(Control):
    SelectCells, SelectRows, SelectColumns = 0, 1, 2

    def __init__(self, parent=None, id=-1, *args, **kwargs):
        Control.__init__(self, parent, id, *args, **kwargs)
        self._rows = []          # one list of [value, colour] per row
        self._cols = 0
        self._labels = []
        self._selected = set()
        self._mode = Grid.SelectCells

    def CreateGrid(self, numRows, numCols, selmode=0):
        self._cols = numCols
        self._labels = [""] * numCols
        self._rows = [self._row() for _ in range(numRows)]
        self._mode = selmode
        return True

    # Sorting indicator and cell editor: state only, nothing is drawn.
    _sorting, _ascending, _editing = -1, True, False

    def GetSortingColumn(self):
        return self._sorting

    def IsSortOrderAscending(self):
        return self._ascending

    def SetSortingColumn(self, col, ascending=True):
        self._sorting, self._ascending = col, ascending

    def UnsetSortingColumn(self):
        self._sorting = -1

    def IsCellEditControlEnabled(self):
        return self._editing

    def DisableCellEditControl(self):
        self._editing = False

    def _row(self):
        return [["", _WHITE] for _ in range(self._cols)]

    def _cell(self, row, col):
        _check(0 <= row < len(self._rows) and 0 <= col < self._cols, "invalid cell coordinates")
        return self._rows[row][col]

    def GetNumberRows(self):
        return len(self._rows)

    def GetNumberCols(self):
        return self._cols

    def AppendRows(self, numRows=1, updateLabels=True):
        self._rows.extend(self._row() for _ in range(numRows))
        return True

    def InsertRows(self, pos=0, numRows=1, updateLabels=True):
        _check(0 <= pos <= len(self._rows), "invalid row position")
        self._rows[pos:pos] = [self._row() for _ in range(numRows)]
        self._selected = {r + numRows if r >= pos else r for r in self._selected}
        return True

    def DeleteRows(self, pos=0, numRows=1, updateLabels=True):
        _check(0 <= pos and pos + numRows <= len(self._rows), "invalid row position")
        del self._rows[pos:pos + numRows]
        self._selected = {r - numRows if r >= pos + numRows else r for r in self._selected
                          if not pos <= r < pos + numRows}
        return True

    def SetCellValue(self, row, col, s):
        if not isinstance(s, str):
            raise TypeError("Grid.SetCellValue(): argument 3 has unexpected type %r"
                            % type(s).__name__)
        self._cell(row, col)[0] = s

    def GetCellValue(self, row, col):
        return self._cell(row, col)[0]

    def SetCellBackgroundColour(self, row, col, colour):
        self._cell(row, col)[1] = _WHITE if colour is None else colour

    def GetCellBackgroundColour(self, row, col):
        return self._cell(row, col)[1]

    def SetColLabelValue(self, col, value):
        self._labels[col] = value

    def GetColLabelValue(self, col):
        return self._labels[col]

    def SetSelectionMode(self, mode):
        self._mode = mode

    def GetSelectionMode(self):
        return self._mode

    def SelectRow(self, row, addToSelected=False):
        _check(0 <= row < len(self._rows), "invalid row")
        if not addToSelected:
            self._selected = set()
        self._selected.add(row)

    def ClearSelection(self):
        self._selected = set()

    def GetSelectedRows(self):
        return sorted(self._selected)

    def IsInSelection(self, row, col):
        return row in self._selected

    def _nothing(self, *args, **kwargs):
        return None

    (SetColSize, SetRowLabelSize, SetColLabelSize, SetColLabelAlignment,
     SetDefaultCellAlignment, EnableEditing, AutoSizeColumns, AutoSizeColumn, ForceRefresh,
     SetReadOnly, SetDefaultColSize, EnableDragRowSize, SetMargins, SetRowLabelValue,
     BeginBatch, EndBatch, MakeCellVisible, SetGridCursor, EnableGridLines,
     SetCellAlignment) = (_nothing,) * 20
