// The object row grid: RowGrid.
//
// RowGrid keeps `objects`, a Python list, in step with the rows of a
// wx.grid.Grid whose columns the caller has set up: one object per row.
// A new row is added to the grid and to `objects` before its cells are
// filled, so a failure while filling leaves the two still in step.
#include "module/kvt.h"

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
void fill_row(py::handle self, py::handle row, py::handle values, py::handle bg, const int (&lines)[7]) {
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

// 491
py::object RowGrid___init__(py::handle self, py::handle control, py::handle get_info_method, py::handle get_bg) {
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
    return py::none();
}

// 498
py::object RowGrid___GetInfo(py::handle self, py::handle item) {
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
py::object RowGrid___len__(py::handle self) {
    at(505);
    return py::int_(length(get_attr(self, "objects")));
}

// 507
py::object RowGrid_Clear(py::handle self) {
    at(508);
    py::object rows = call_method(get_attr(self, "control"), "GetNumberRows");
    at(509);
    if (rows > py::int_(0)) {
        at(510);
        call_method(get_attr(self, "control"), "DeleteRows", py::int_(0), rows);
    }
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
py::object RowGrid_Append(py::handle self, py::handle item, py::handle bg) {
    at(515);
    py::int_ row(length(self));
    at(516);
    call_method(get_attr(self, "control"), "AppendRows");
    at(517);
    call_method(get_attr(self, "objects"), "append", item);
    at(518);
    py::object values = call_method(self, "_RowGrid__GetInfo", item);
    at(519);
    fill_row(self, row, values, bg, {520, 521, 522, 523, 524, 525, 526});
    return py::none();
}

// 527
py::object RowGrid_AppendItems(py::handle self, py::handle items, py::handle bg) {
    at(528);
    for (py::handle item : py::iter(items)) {
        at(529);
        call_method(self, "Append", item, bg);
        at(528);
    }
    return py::none();
}

// 531
py::object RowGrid_Insert(py::handle self, py::handle item, py::handle index, py::handle bg) {
    at(532);
    call_method(get_attr(self, "control"), "InsertRows", index);
    at(533);
    call_method(get_attr(self, "objects"), "insert", index, item);
    at(534);
    py::object values = call_method(self, "_RowGrid__GetInfo", item);
    at(535);
    fill_row(self, index, values, bg, {536, 537, 538, 539, 540, 541, 542});
    return py::none();
}

// 543
py::object RowGrid_InsertItems(py::handle self, py::handle items, py::handle index, py::handle bg) {
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
py::object RowGrid_Delete(py::handle self, py::handle index) {
    at(550);
    call_method(get_attr(self, "control"), "DeleteRows", index);
    at(551);
    call_method(get_attr(self, "objects"), "pop", index);
    return py::none();
}

// 553
py::object RowGrid_DeleteSelections(py::handle self) {
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
py::object RowGrid_GetSelections(py::handle self) {
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
py::object RowGrid_GetSelection(py::handle self) {
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
py::object RowGrid_GetSelectionIndex(py::handle self) {
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
py::object RowGrid_GetSelectionIndexes(py::handle self) {
    at(579);
    return call_method(get_attr(self, "control"), "GetSelectedRows");
}

// 581
py::object RowGrid_ClearSelection(py::handle self) {
    at(582);
    call_method(get_attr(self, "control"), "ClearSelection");
    return py::none();
}

// 584
py::object RowGrid_SetSelection(py::handle self, py::handle index) {
    at(585);
    // The row alone: it replaces the current selection.
    call_method(get_attr(self, "control"), "SelectRow", index);
    return py::none();
}

// 587
py::object RowGrid_Update(py::handle self, py::handle index, py::handle bg) {
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
           }),
};

}  // namespace
}  // namespace kvt
