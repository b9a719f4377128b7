// The object row grid: RowGrid.
//
// RowGrid keeps `objects`, a Python list, in step with the rows of a
// wx.grid.Grid whose columns the caller has set up: one object per row.
// A new row is added to the grid and to `objects` before its cells are
// filled; when anything fails before the row is complete, the row is taken
// out of both again, so a failing call leaves no half-made row behind.
//
// The rows can be sorted (by a click on a column header, or in code), with
// `objects` reordered in step, and returned to the order the program gave.
// Cells are read-only unless the program gives a setter that writes an edit
// back to the row's object.
#include "module/kvt.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvt {
namespace {

using namespace pybind11::literals;

// range(count) needs an integer; the same TypeError when it isn't one.
Py_ssize_t as_count(py::handle value) {
    py::object index = steal_result(PyNumber_Index(value.ptr()));
    const Py_ssize_t n = PyLong_AsSsize_t(index.ptr());
    if (n == -1 && PyErr_Occurred()) throw_python_error();
    return n;
}

// Writes the cells of the freshly added `row` from `values`, one per grid
// column.  The colour starts as `bg`; without one, get_bg is asked with the
// row values and its answer is reused for the rest of the row (asked again
// only while it answers None).  `lines` are the source lines of the steps:
// the loop, the cell text, the colour test, the explicit colour, the get_bg
// test, the get_bg call and its colour.
void fill_row(py::handle self, py::handle row, py::handle values, py::handle bg, const int (&lines)[7], Line& at) {
    py::object color = py::reinterpret_borrow<py::object>(bg);
    at(lines[0]);
    const Py_ssize_t n = as_count(call_method(get_attr(self, "control"), "GetNumberCols"));
    for (Py_ssize_t k = 0; k < n; ++k) {
        py::int_ col(k);
        at(lines[1]);
        // Grid cells take only text, whatever the values are.
        Method set_value(get_attr(self, "control"), "SetCellValue");
        py::object value = item(values, col);
        // str(value): a str subclass too is turned into its str() text.
        set_value(row, col, py::str(py::handle(value)));
        at(lines[2]);
        if (!color.is_none()) {
            at(lines[3]);
            call_method(get_attr(self, "control"), "SetCellBackgroundColour", row, col, color);
        } else {
            at(lines[4]);
            if (!get_attr(self, "_RowGrid__GetBG").is_none()) {
                at(lines[5]);
                color = call(get_attr(self, "_RowGrid__GetBG"), values);
                at(lines[6]);
                call_method(get_attr(self, "control"), "SetCellBackgroundColour", row, col, color);
            }
        }
        at(lines[0]);
    }
}

void show_sort_column(py::handle self, Py_ssize_t column, bool ascending);

// Runs `body`, which completes the grid row `row` just added; if it fails,
// the row leaves the grid again, and `objects` loses the entry at `position`
// once `listed` says it was put there.  The body's error goes on.
template <typename B>
void or_take_row_back(py::handle self, py::handle row, const Py_ssize_t& position, const bool& listed,
                      B&& body, Line& at) {
    on_error(at, std::forward<B>(body), [&] {
        if (listed) call_method(get_attr(self, "objects"), "pop", py::int_(position));
        call_method(get_attr(self, "control"), "DeleteRows", row);
    });
}

// 491
py::object RowGrid___init__(py::handle self, py::handle control, py::handle get_info_method, py::handle get_bg,
                            Line& at) {
    at(492);
    self.attr(interned("control")) = control;
    at(493);
    py::object set_mode = get_attr(get_attr(self, "control"), "SetSelectionMode");
    call(set_mode, get_attr(get_attr(wx_attr("grid"), "Grid"), "SelectRows"));
    at(494);
    self.attr(interned("_RowGrid__get_info_method")) = get_info_method;
    at(495);
    self.attr(interned("_RowGrid__GetBG")) = get_bg;
    at(496);
    self.attr(interned("objects")) = py::list();
    // Read-only until the program gives a setter (SetCellSetter); header
    // clicks sort the rows until it turns that off (EnableHeaderSort).
    at(497);
    self.attr(interned("_RowGrid__setter")) = py::none();
    self.attr(interned("_RowGrid__editable")) = py::none();
    self.attr(interned("_RowGrid__header_sort")) = py::bool_(true);
    self.attr(interned("_RowGrid__program_order")) = py::none();
    call_method(get_attr(self, "control"), "EnableEditing", py::bool_(false));
    py::object grid_events = wx_attr("grid");
    Method bind(get_attr(self, "control"), "Bind");
    bind(get_attr(grid_events, "EVT_GRID_COL_SORT"), get_attr(self, "_RowGrid__OnColSort"));
    bind(get_attr(grid_events, "EVT_GRID_EDITOR_SHOWN"), get_attr(self, "_RowGrid__OnEditorShown"));
    bind(get_attr(grid_events, "EVT_GRID_CELL_CHANGED"), get_attr(self, "_RowGrid__OnCellChanged"));
    return py::none();
}

// 498
py::object RowGrid___GetInfo(py::handle self, py::handle item, Line& at) {
    at(499);
    // Lists and tuples are their own row values.
    if (PyList_Check(item.ptr()) || PyTuple_Check(item.ptr())) {
        at(500);
        return py::reinterpret_borrow<py::object>(item);
    }
    at(501);
    if (get_attr(self, "_RowGrid__get_info_method").is_none()) {
        at(502);
        return py::none();
    }
    at(503);
    return call(get_attr(self, "_RowGrid__get_info_method"), item);
}

// 504
py::object RowGrid___len__(py::handle self, Line& at) {
    at(505);
    return py::int_(length(get_attr(self, "objects")));
}

// 507
py::object RowGrid_Clear(py::handle self, Line& at) {
    at(508);
    py::object rows = call_method(get_attr(self, "control"), "GetNumberRows");
    at(509);
    if (rows > py::int_(0)) {
        at(510);
        call_method(get_attr(self, "control"), "DeleteRows", py::int_(0), rows);
    }
    // No rows, no order to go back to.
    self.attr(interned("_RowGrid__program_order")) = py::none();
    show_sort_column(self, -1, true);
    at(511);
    const Py_ssize_t count = as_count(rows);
    for (Py_ssize_t k = 0; k < count; ++k) {
        at(512);
        call_method(get_attr(self, "objects"), "pop");
        at(511);
    }
    return py::none();
}

// 514
py::object RowGrid_Append(py::handle self, py::handle item, py::handle bg, Line& at) {
    at(515);
    py::int_ row(length(self));
    at(516);
    call_method(get_attr(self, "control"), "AppendRows");
    bool listed = false;
    const Py_ssize_t position = PyLong_AsSsize_t(row.ptr());
    or_take_row_back(self, row, position, listed, [&] {
        at(517);
        call_method(get_attr(self, "objects"), "append", item);
        listed = true;
        at(518);
        py::object values = call_method(self, "_RowGrid__GetInfo", item);
        at(519);
        fill_row(self, row, values, bg, {520, 521, 522, 523, 524, 525, 526}, at);
    }, at);
    return py::none();
}

// 527
py::object RowGrid_AppendItems(py::handle self, py::handle items, py::handle bg, Line& at) {
    at(528);
    for (py::handle item : py::iter(items)) {
        at(529);
        call_method(self, "Append", item, bg);
        at(528);
    }
    return py::none();
}

// 531
py::object RowGrid_Insert(py::handle self, py::handle item, py::handle index, py::handle bg, Line& at) {
    at(532);
    call_method(get_attr(self, "control"), "InsertRows", index);
    bool listed = false;
    Py_ssize_t position = 0;
    or_take_row_back(self, index, position, listed, [&] {
        at(533);
        // Where list.insert puts the object: the index, clamped to the list.
        py::object objects = get_attr(self, "objects");
        const Py_ssize_t count = length(objects);
        position = PyNumber_AsSsize_t(index.ptr(), PyExc_IndexError);
        if (position == -1 && PyErr_Occurred()) throw_python_error();
        if (position < 0) position = position + count < 0 ? 0 : position + count;
        if (position > count) position = count;
        call_method(objects, "insert", index, item);
        listed = true;
        at(534);
        py::object values = call_method(self, "_RowGrid__GetInfo", item);
        at(535);
        fill_row(self, index, values, bg, {536, 537, 538, 539, 540, 541, 542}, at);
    }, at);
    return py::none();
}

// 543
py::object RowGrid_InsertItems(py::handle self, py::handle items, py::handle index, py::handle bg, Line& at) {
    py::object position = py::reinterpret_borrow<py::object>(index);
    at(544);
    for (py::handle item : py::iter(items)) {
        at(545);
        call_method(self, "Insert", item, position, bg);
        at(546);
        position = steal_result(PyNumber_InPlaceAdd(position.ptr(), py::int_(1).ptr()));
        at(544);
    }
    return py::none();
}

// 549
py::object RowGrid_Delete(py::handle self, py::handle index, Line& at) {
    at(550);
    call_method(get_attr(self, "control"), "DeleteRows", index);
    at(551);
    call_method(get_attr(self, "objects"), "pop", index);
    return py::none();
}

// 553
py::object RowGrid_DeleteSelections(py::handle self, Line& at) {
    at(554);
    py::object indexes = call_method(get_attr(self, "control"), "GetSelectedRows");
    at(555);
    // Highest row first: deleting it leaves the lower rows where they are.
    get_attr(indexes, "sort")("reverse"_a = true);
    at(556);
    for (py::handle idx : py::iter(indexes)) {
        at(557);
        call_method(self, "Delete", idx);
        at(556);
    }
    return py::none();
}

// 559
py::object RowGrid_GetSelections(py::handle self, Line& at) {
    at(560);
    py::object indexes = call_method(get_attr(self, "control"), "GetSelectedRows");
    at(561);
    py::list result;
    for (py::handle i : py::iter(indexes)) {
        py::object obj = get_attr(self, "objects")[i];
        result.append(obj);
    }
    return std::move(result);
}

// 566
py::object RowGrid_GetSelection(py::handle self, Line& at) {
    at(567);
    py::object indexes = call_method(get_attr(self, "control"), "GetSelectedRows");
    at(568);
    if (length(indexes) == 0) {
        at(569);
        return py::none();
    }
    at(570);
    py::object first = indexes[py::int_(0)];
    return get_attr(self, "objects")[first];
}

// 572
py::object RowGrid_GetSelectionIndex(py::handle self, Line& at) {
    at(573);
    py::object indexes = call_method(get_attr(self, "control"), "GetSelectedRows");
    at(574);
    if (length(indexes) == 0) {
        at(575);
        return py::int_(-1);
    }
    at(576);
    return indexes[py::int_(0)];
}

// 578
py::object RowGrid_GetSelectionIndexes(py::handle self, Line& at) {
    at(579);
    return call_method(get_attr(self, "control"), "GetSelectedRows");
}

// 581
py::object RowGrid_ClearSelection(py::handle self, Line& at) {
    at(582);
    call_method(get_attr(self, "control"), "ClearSelection");
    return py::none();
}

// 584
py::object RowGrid_SetSelection(py::handle self, py::handle index, Line& at) {
    at(585);
    // The row alone: it replaces the current selection.
    call_method(get_attr(self, "control"), "SelectRow", index);
    return py::none();
}

// 587
py::object RowGrid_Update(py::handle self, py::handle index, py::handle bg, Line& at) {
    py::object rows;
    at(588);
    if (PyList_Check(index.ptr()) || PyTuple_Check(index.ptr())) {
        at(589);
        rows = py::reinterpret_borrow<py::object>(index);
    } else {
        at(590);
        if (PyLong_Check(index.ptr())) {
            at(591);
            if (index.equal(py::int_(-1))) {
                at(592);
                py::handle range(reinterpret_cast<PyObject*>(&PyRange_Type));
                rows = call(range, py::int_(length(get_attr(self, "objects"))));
            } else {
                at(594);
                py::list one;
                one.append(index);
                rows = one;
            }
        } else {
            at(596);
            raise(PyExc_TypeError, "Unknown type of argument `index`");
        }
    }
    at(597);
    for (py::handle row : py::iter(rows)) {
        at(598);
        py::object item = get_attr(self, "objects")[row];
        at(599);
        py::object values = call_method(self, "_RowGrid__GetInfo", item);
        at(600);
        py::object color = py::reinterpret_borrow<py::object>(bg);
        at(601);
        Py_ssize_t k = 0;
        for (py::handle content : py::iter(values)) {
            py::int_ col(k++);
            at(602);
            // Values beyond the grid's columns are not shown.
            if (col >= call_method(get_attr(self, "control"), "GetNumberCols")) {
                at(603);
                break;
            }
            at(604);
            Method set_value(get_attr(self, "control"), "SetCellValue");
            set_value(row, col, py::str(content));
            at(605);
            if (!color.is_none()) {
                at(606);
                call_method(get_attr(self, "control"), "SetCellBackgroundColour", row, col, color);
            } else {
                at(607);
                if (!get_attr(self, "_RowGrid__GetBG").is_none()) {
                    at(608);
                    // Here get_bg is asked with the object itself.
                    color = call(get_attr(self, "_RowGrid__GetBG"), item);
                    at(609);
                    call_method(get_attr(self, "control"), "SetCellBackgroundColour", row, col, color);
                }
            }
            at(601);
        }
        at(597);
    }
    return py::none();
}

// ------------------------------------------------------------- sorting ---

// Puts the rows in the order `order` (old row positions, one per row): the
// cell texts and background colours move with their rows, `objects` is
// reordered in place (whoever holds the list keeps a valid one) and the
// selected rows stay selected.
void apply_order(py::handle self, const std::vector<Py_ssize_t>& order) {
    py::object control = get_attr(self, "control");
    py::object objects = get_attr(self, "objects");
    const Py_ssize_t n = static_cast<Py_ssize_t>(order.size());
    const Py_ssize_t cols = as_count(call_method(control, "GetNumberCols"));
    Method get_value(control, "GetCellValue"), get_colour(control, "GetCellBackgroundColour");
    std::vector<py::object> texts, colours;
    texts.reserve(n * cols);
    colours.reserve(n * cols);
    for (Py_ssize_t r = 0; r < n; ++r) {
        py::int_ row(r);
        for (Py_ssize_t c = 0; c < cols; ++c) {
            py::int_ col(c);
            texts.push_back(get_value(row, col));
            colours.push_back(get_colour(row, col));
        }
    }
    py::object before = steal_result(PySequence_List(objects.ptr()));
    if (PyList_GET_SIZE(before.ptr()) != n) raise(PyExc_RuntimeError, "the grid's rows and objects are out of step");
    py::list after(n);
    std::vector<Py_ssize_t> new_position(n);
    for (Py_ssize_t r = 0; r < n; ++r) {
        PyObject* obj = PyList_GET_ITEM(before.ptr(), order[r]);
        PyList_SET_ITEM(after.ptr(), r, Py_NewRef(obj));
        new_position[order[r]] = r;
    }
    py::object selected = call_method(control, "GetSelectedRows");

    call_method(control, "BeginBatch");
    on_error(
        [&] {
            Method set_value(control, "SetCellValue"), set_colour(control, "SetCellBackgroundColour");
            for (Py_ssize_t r = 0; r < n; ++r) {
                py::int_ row(r);
                for (Py_ssize_t c = 0; c < cols; ++c) {
                    py::int_ col(c);
                    set_value(row, col, texts[order[r] * cols + c]);
                    set_colour(row, col, colours[order[r] * cols + c]);
                }
            }
            if (PySequence_SetSlice(objects.ptr(), 0, PY_SSIZE_T_MAX, after.ptr()) < 0) throw_python_error();
            call_method(control, "ClearSelection");
            for (py::handle old_row : py::iter(selected)) {
                const Py_ssize_t k = PyLong_AsSsize_t(old_row.ptr());
                if (k >= 0 && k < n) call_method(control, "SelectRow", py::int_(new_position[k]), py::bool_(true));
            }
        },
        [&] { call_method(control, "EndBatch"); });
    call_method(control, "EndBatch");
}

// Finishes an edit in progress (through the setter) before the rows move,
// so that it lands in the row it was made in and sorts with its new text.
void finish_edit(py::handle self) {
    py::object control = get_attr(self, "control");
    if (truth(call_method(control, "IsCellEditControlEnabled"))) call_method(control, "DisableCellEditControl");
}

// The marks that the sorting column's label ends with while sorted.
const char* const kAscendingMark = " \u25b2";
const char* const kDescendingMark = " \u25bc";

// Makes `column` the grid's sorting column (-1: none) and shows its
// direction as a mark at the end of its label; the mark leaves the label of
// the column sorted before.  (Marks in the text rather than the grid's native
// labels: those make every added row cost twice as much.)
void show_sort_column(py::handle self, Py_ssize_t column, bool ascending) {
    py::object control = get_attr(self, "control");
    const Py_ssize_t cols = as_count(call_method(control, "GetNumberCols"));
    const py::str up(kAscendingMark), down(kDescendingMark);
    py::object before = call_method(control, "GetSortingColumn");
    const Py_ssize_t old = PyLong_AsSsize_t(before.ptr());
    if (old == -1 && PyErr_Occurred()) throw_python_error();
    if (old >= 0 && old < cols) {
        py::object label = call_method(control, "GetColLabelValue", before);
        if (truth(call_method(label, "endswith", py::make_tuple(up, down)))) {
            py::object plain = steal_result(PySequence_GetSlice(label.ptr(), 0, length(label) - length(up)));
            call_method(control, "SetColLabelValue", before, plain);
        }
    }
    if (column < 0) {
        call_method(control, "UnsetSortingColumn");
        return;
    }
    py::int_ col(column);
    call_method(control, "SetSortingColumn", col, py::bool_(ascending));
    py::object label = call_method(control, "GetColLabelValue", col);
    call_method(control, "SetColLabelValue", col,
                steal_result(PyUnicode_Concat(label.ptr(), (ascending ? up : down).ptr())));
}

// Remembers the program's order the first time the rows leave it.
void keep_program_order(py::handle self) {
    if (get_attr(self, "_RowGrid__program_order").is_none())
        self.attr(interned("_RowGrid__program_order")) =
            steal_result(PySequence_List(get_attr(self, "objects").ptr()));
}

// How a cell text sorts: numbers by value, before any other text, which
// sorts case-blind.
struct CellKey {
    bool number;
    double value;
    std::string text;
};

CellKey cell_key(py::handle text) {
    CellKey key{false, 0.0, {}};
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (!utf8) throw_python_error();
    std::string plain(utf8, static_cast<std::size_t>(size));
    const std::size_t first = plain.find_first_not_of(" \t");
    const std::size_t last = plain.find_last_not_of(" \t");
    if (first != std::string::npos) {
        const std::string trimmed = plain.substr(first, last - first + 1);
        char* end = nullptr;
        const double value = std::strtod(trimmed.c_str(), &end);
        if (end == trimmed.c_str() + trimmed.size() && std::isfinite(value)) {
            key.number = true;
            key.value = value;
            return key;
        }
    }
    py::object folded = call_method(text, "casefold");
    const char* folded_utf8 = PyUnicode_AsUTF8AndSize(folded.ptr(), &size);
    if (!folded_utf8) throw_python_error();
    key.text.assign(folded_utf8, static_cast<std::size_t>(size));
    return key;
}

bool key_less(const CellKey& a, const CellKey& b) {
    if (a.number != b.number) return a.number;
    if (a.number) return a.value < b.value;
    return a.text < b.text;  // UTF-8 bytes compare in code-point order
}

// 610
py::object RowGrid_SortByColumn(py::handle self, py::handle col, py::handle descending, Line& at) {
    at(611);
    py::object control = get_attr(self, "control");
    const Py_ssize_t cols = as_count(call_method(control, "GetNumberCols"));
    const Py_ssize_t column = as_count(col);
    if (column < 0 || column >= cols)
        raise(PyExc_IndexError, "col must be a column of the grid (0 to %zd), not %zd", cols - 1, column);
    const bool down = truth(descending);
    finish_edit(self);
    const Py_ssize_t n = length(get_attr(self, "objects"));
    std::vector<CellKey> keys;
    keys.reserve(n);
    Method get_value(control, "GetCellValue");
    for (Py_ssize_t r = 0; r < n; ++r) keys.push_back(cell_key(get_value(py::int_(r), col)));
    std::vector<Py_ssize_t> order(n);
    for (Py_ssize_t r = 0; r < n; ++r) order[r] = r;
    // Stable both ways: equal cells keep their order.
    std::stable_sort(order.begin(), order.end(), [&](Py_ssize_t a, Py_ssize_t b) {
        return down ? key_less(keys[b], keys[a]) : key_less(keys[a], keys[b]);
    });
    keep_program_order(self);
    apply_order(self, order);
    at(612);
    show_sort_column(self, column, !down);
    return py::none();
}

// 613
py::object RowGrid_SortBy(py::handle self, py::handle key, py::handle reverse, Line& at) {
    at(614);
    if (!PyCallable_Check(key.ptr()))
        raise(PyExc_TypeError, "key must be callable, not %s", Py_TYPE(key.ptr())->tp_name);
    // sorted(range(n), key=lambda r: keys[r], reverse=reverse): Python's own
    // comparisons of the keys, stable both ways.
    finish_edit(self);
    py::list keys;
    for (py::handle obj : py::iter(get_attr(self, "objects"))) keys.append(call(key, obj));
    const Py_ssize_t n = PyList_GET_SIZE(keys.ptr());
    py::handle range(reinterpret_cast<PyObject*>(&PyRange_Type));
    py::object sorted = global("sorted")(call(range, py::int_(n)), "key"_a = get_attr(keys, "__getitem__"),
                                         "reverse"_a = py::bool_(truth(reverse)));
    std::vector<Py_ssize_t> order;
    order.reserve(n);
    for (py::handle r : sorted) order.push_back(PyLong_AsSsize_t(r.ptr()));
    keep_program_order(self);
    apply_order(self, order);
    at(615);
    // Not a column's order: no header shows a direction.
    show_sort_column(self, -1, true);
    return py::none();
}

// 616
py::object RowGrid_RestoreOrder(py::handle self, Line& at) {
    at(617);
    py::object kept = get_attr(self, "_RowGrid__program_order");
    if (!kept.is_none()) {
        finish_edit(self);
        // The objects in the order the program gave them; objects added since
        // the first sort follow, in their present order.  Matched by identity,
        // so equal objects keep their own places.
        py::object objects = steal_result(PySequence_List(get_attr(self, "objects").ptr()));
        const Py_ssize_t n = PyList_GET_SIZE(objects.ptr());
        std::unordered_map<PyObject*, std::deque<Py_ssize_t>> rows_of;
        for (Py_ssize_t r = 0; r < n; ++r) rows_of[PyList_GET_ITEM(objects.ptr(), r)].push_back(r);
        std::vector<Py_ssize_t> order;
        order.reserve(n);
        std::vector<bool> placed(n, false);
        for (py::handle obj : kept) {
            auto found = rows_of.find(obj.ptr());
            if (found == rows_of.end() || found->second.empty()) continue;
            const Py_ssize_t r = found->second.front();
            found->second.pop_front();
            order.push_back(r);
            placed[r] = true;
        }
        for (Py_ssize_t r = 0; r < n; ++r)
            if (!placed[r]) order.push_back(r);
        apply_order(self, order);
        self.attr(interned("_RowGrid__program_order")) = py::none();
    }
    at(618);
    show_sort_column(self, -1, true);
    return py::none();
}

// 619
py::object RowGrid_EnableHeaderSort(py::handle self, py::handle enable, Line& at) {
    at(620);
    self.attr(interned("_RowGrid__header_sort")) = py::bool_(truth(enable));
    return py::none();
}

// A header click: ascending, then descending, then the program's order.
// The grid's own handling is vetoed; the sort is done here.
// 621
py::object RowGrid___OnColSort(py::handle self, py::handle event, Line& at) {
    at(622);
    // Turned off: left to the program's own handlers (none: no sorting).
    if (!truth(get_attr(self, "_RowGrid__header_sort"))) {
        call_method(event, "Skip");
        return py::none();
    }
    call_method(event, "Veto");
    py::object col = call_method(event, "GetCol");
    py::object control = get_attr(self, "control");
    if (call_method(control, "GetSortingColumn").not_equal(col)) {
        call_method(self, "SortByColumn", col);
    } else if (truth(call_method(control, "IsSortOrderAscending"))) {
        call_method(self, "SortByColumn", col, py::bool_(true));
    } else {
        call_method(self, "RestoreOrder");
    }
    return py::none();
}

// ------------------------------------------------------------- editing ---

// 623
py::object RowGrid_SetCellSetter(py::handle self, py::handle setter, py::handle columns, Line& at) {
    at(624);
    if (!setter.is_none() && !PyCallable_Check(setter.ptr()))
        raise(PyExc_TypeError, "setter must be callable or None, not %s", Py_TYPE(setter.ptr())->tp_name);
    py::object editable = py::none();
    if (!columns.is_none()) {
        editable = steal_result(PyFrozenSet_New(columns.ptr()));
        for (py::handle col : editable)
            if (!PyLong_Check(col.ptr()))
                raise(PyExc_TypeError, "columns must hold column numbers (int), not %s", Py_TYPE(col.ptr())->tp_name);
    }
    at(625);
    self.attr(interned("_RowGrid__setter")) = setter;
    self.attr(interned("_RowGrid__editable")) = editable;
    call_method(get_attr(self, "control"), "EnableEditing", py::bool_(!setter.is_none()));
    return py::none();
}

// 626
py::object RowGrid___OnEditorShown(py::handle self, py::handle event, Line& at) {
    at(627);
    py::object editable = get_attr(self, "_RowGrid__editable");
    if (!editable.is_none() && !editable.contains(call_method(event, "GetCol"))) {
        call_method(event, "Veto");
        return py::none();
    }
    call_method(event, "Skip");
    return py::none();
}

// An edit the user has made: the setter writes it to the row's object, and
// the row is rewritten from the object.  A setter that refuses (raises) gets
// the old text back into the cell and its message shown to the user.
// 628
py::object RowGrid___OnCellChanged(py::handle self, py::handle event, Line& at) {
    at(629);
    // The program's own handlers of the event see the edit too.
    call_method(event, "Skip");
    py::object control = get_attr(self, "control");
    py::object row = call_method(event, "GetRow");
    py::object col = call_method(event, "GetCol");
    py::object old_text = call_method(event, "GetString");
    py::object setter = get_attr(self, "_RowGrid__setter");
    if (setter.is_none()) {
        call_method(control, "SetCellValue", row, col, old_text);
        return py::none();
    }
    py::object obj = item(get_attr(self, "objects"), row);
    py::object new_text = call_method(control, "GetCellValue", row, col);
    at(630);
    py::object refused = catch_exception([&] { call(setter, obj, col, new_text); });
    if (refused) {
        at(631);
        call_method(control, "SetCellValue", row, col, old_text);
        py::object message = steal_result(PyObject_Str(refused.ptr()));
        if (!truth(message)) message = get_attr(py::type::handle_of(refused), "__name__");
        at(632);
        call_method(global("MB"), "Error", message);
        return py::none();
    }
    at(633);
    call_method(self, "Update", row);
    return py::none();
}

Register definitions{
    class_(490, "RowGrid",
           {
               method<RowGrid___init__>(491, "__init__(self, control, get_info_method=None, get_bg=None)"),
               method<RowGrid___GetInfo>(498, "__GetInfo(self, item)"),
               method<RowGrid___len__>(504, "__len__(self)"),
               method<RowGrid_Clear>(507, "Clear(self)", "rows _"),
               method<RowGrid_Append>(514, "Append(self, item, bg=None)", "row values color col"),
               method<RowGrid_AppendItems>(527, "AppendItems(self, items, bg=None)", "item"),
               method<RowGrid_Insert>(531, "Insert(self, item, index, bg=None)", "values color col"),
               method<RowGrid_InsertItems>(543, "InsertItems(self, items, index, bg=None)", "item"),
               method<RowGrid_Delete>(549, "Delete(self, index)"),
               method<RowGrid_DeleteSelections>(553, "DeleteSelections(self)", "indexes idx"),
               method<RowGrid_GetSelections>(559, "GetSelections(self)", "indexes"),
               method<RowGrid_GetSelection>(566, "GetSelection(self)", "indexes"),
               method<RowGrid_GetSelectionIndex>(572, "GetSelectionIndex(self)", "indexes"),
               method<RowGrid_GetSelectionIndexes>(578, "GetSelectionIndexes(self)"),
               method<RowGrid_ClearSelection>(581, "ClearSelection(self)"),
               method<RowGrid_SetSelection>(584, "SetSelection(self, index)"),
               method<RowGrid_Update>(587, "Update(self, index=-1, bg=None)", "rows row item values color col content"),
               method<RowGrid_SortByColumn>(610, "SortByColumn(self, col: int, descending: bool = False)"),
               method<RowGrid_SortBy>(613, "SortBy(self, key, reverse: bool = False)", "keys"),
               method<RowGrid_RestoreOrder>(616, "RestoreOrder(self)"),
               method<RowGrid_EnableHeaderSort>(619, "EnableHeaderSort(self, enable: bool = True)"),
               method<RowGrid___OnColSort>(621, "__OnColSort(self, event)", "col"),
               method<RowGrid_SetCellSetter>(623, "SetCellSetter(self, setter, columns=None)"),
               method<RowGrid___OnEditorShown>(626, "__OnEditorShown(self, event)"),
               method<RowGrid___OnCellChanged>(628, "__OnCellChanged(self, event)", "row col old_text obj new_text"),
           }),
};

}  // namespace
}  // namespace kvt
