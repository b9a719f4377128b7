// The object list box: _simple_get_info and ComboList.
//
// ComboList keeps `objects`, a Python list, in step with the entries of an
// item-list control: every mutation changes the control first and `objects`
// second, so a failing control call leaves the list as it was.  The list
// object is never replaced; bulk operations go through the per-item methods
// of the instance so that a subclass's override applies to them too.
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// 391
py::object _simple_get_info(py::handle obj, Line& at) {
    at(392);
    return py::reinterpret_borrow<py::object>(obj);
}

// `objects.append(obj)`.  An exact list's `append` cannot be replaced, so it
// is done directly; any other object (a list subclass included) is asked
// through its own `append`.
void append_object(py::handle objects, py::handle obj) {
    if (PyList_CheckExact(objects.ptr())) {
        if (PyList_Append(objects.ptr(), obj.ptr()) < 0) throw_python_error();
        return;
    }
    call_method(objects, "append", obj);
}

// 396
py::object ComboList___init__(py::handle self, py::handle control, py::handle get_info_method, Line& at) {
    at(397);
    self.attr(interned("control")) = control;
    at(398);
    self.attr(interned("_ComboList__get_info_method")) = get_info_method;
    at(399);
    self.attr(interned("objects")) = py::list();
    return py::none();
}

// 401
py::object ComboList___GetInfo(py::handle self, py::handle obj, Line& at) {
    at(402);
    // The callable lives on the instance, so it is called unbound.
    return call(get_attr(self, "_ComboList__get_info_method"), obj);
}

// 404
py::object ComboList___len__(py::handle self, Line& at) {
    at(405);
    return py::int_(length(get_attr(self, "objects")));
}

// 407
py::object ComboList_Append(py::handle self, py::handle obj, Line& at) {
    at(408);
    Method append(get_attr(self, "control"), "Append");
    py::object info = call_method(self, "_ComboList__GetInfo", obj);
    append(info);
    at(409);
    append_object(get_attr(self, "objects"), obj);
    return py::none();
}

// 411
py::object ComboList_AppendItems(py::handle self, py::handle objects, Line& at) {
    at(412);
    for (py::handle obj : py::iter(objects)) {
        at(413);
        call_method(self, "Append", obj);
        at(412);
    }
    return py::none();
}

// 415
py::object ComboList_Insert(py::handle self, py::handle obj, py::handle index, Line& at) {
    at(416);
    py::object insert_items = get_attr(get_attr(self, "control"), "InsertItems");
    py::list texts;
    texts.append(call_method(self, "_ComboList__GetInfo", obj));
    call(insert_items, texts, index);
    at(417);
    call_method(get_attr(self, "objects"), "insert", index, obj);
    return py::none();
}

// 419
py::object ComboList_InsertItems(py::handle self, py::handle objects, py::handle index, Line& at) {
    at(420);
    Py_ssize_t i = 0;
    for (py::handle obj : py::iter(objects)) {
        at(421);
        py::object position = steal_result(PyNumber_Add(index.ptr(), py::int_(i).ptr()));
        call_method(self, "Insert", obj, position);
        ++i;
        at(420);
    }
    return py::none();
}

// 423
py::object ComboList_Delete(py::handle self, py::handle index, Line& at) {
    at(424);
    call_method(get_attr(self, "control"), "Delete", index);
    at(425);
    call_method(get_attr(self, "objects"), "pop", index);
    return py::none();
}

// 427
py::object ComboList_DeleteSelections(py::handle self, Line& at) {
    at(428);
    py::object indexes = steal_result(PySequence_List(call_method(get_attr(self, "control"), "GetSelections").ptr()));
    at(429);
    // Highest position first: deleting it leaves the lower positions valid.
    get_attr(indexes, "sort")("reverse"_a = true);
    at(430);
    for (py::handle idx : py::iter(indexes)) {
        at(431);
        call_method(self, "Delete", idx);
        at(430);
    }
    return py::none();
}

// 433
py::object ComboList_Clear(py::handle self, Line& at) {
    at(434);
    call_method(get_attr(self, "control"), "Clear");
    at(435);
    const Py_ssize_t count = length(get_attr(self, "objects"));
    at(436);
    // Emptied in place: whoever holds the list keeps a valid reference.
    for (Py_ssize_t k = 0; k < count; ++k) {
        at(437);
        call_method(get_attr(self, "objects"), "pop");
        at(436);
    }
    return py::none();
}

// The selection queries accept what the control's GetSelection() answers:
// an integer (single selection, -1 for none) or a list of positions.

// 439
py::object ComboList_GetSelection(py::handle self, Line& at) {
    at(440);
    py::object idx = call_method(get_attr(self, "control"), "GetSelection");
    at(441);
    if (PyList_Check(idx.ptr())) {
        at(442);
        if (!truth(idx)) {
            at(443);
            return py::none();
        }
        at(444);
        idx = idx[py::int_(0)];
    }
    at(445);
    if (idx < py::int_(0)) {
        at(446);
        return py::none();
    }
    at(447);
    return get_attr(self, "objects")[idx];
}

// 449
py::object ComboList_GetSelections(py::handle self, Line& at) {
    at(450);
    py::object idx = call_method(get_attr(self, "control"), "GetSelection");
    at(451);
    if (PyLong_Check(idx.ptr())) {
        at(452);
        if (idx.equal(py::int_(-1))) {
            at(453);
            idx = py::list();
        } else {
            at(455);
            py::list one;
            one.append(idx);
            idx = one;
        }
    }
    at(456);
    py::list result;
    for (py::handle i : py::iter(idx)) {
        py::object obj = get_attr(self, "objects")[i];
        result.append(obj);
    }
    return std::move(result);
}

// 461
py::object ComboList_GetSelectionIndex(py::handle self, Line& at) {
    at(462);
    py::object idx = call_method(get_attr(self, "control"), "GetSelection");
    at(463);
    if (PyList_Check(idx.ptr())) {
        at(464);
        if (!truth(idx)) {
            at(465);
            return py::int_(-1);
        }
        at(466);
        return idx[py::int_(0)];
    }
    at(467);
    return idx;
}

// 470
py::object ComboList_GetSelectionIndexes(py::handle self, Line& at) {
    at(471);
    py::object idx = call_method(get_attr(self, "control"), "GetSelection");
    at(472);
    if (PyLong_Check(idx.ptr())) {
        at(473);
        if (idx.equal(py::int_(-1))) {
            at(474);
            return py::list();
        }
        at(475);
        py::list one;
        one.append(idx);
        return std::move(one);
    }
    at(476);
    return idx;
}

// 478
py::object ComboList_GetObject(py::handle self, py::handle index, Line& at) {
    at(479);
    if (compare(index, Py_LT, 0) || compare(index, Py_GE, length(get_attr(self, "objects")))) {
        at(480);
        return py::none();
    }
    at(481);
    return item(get_attr(self, "objects"), index);
}

// 483
py::object ComboList_SetSelection(py::handle self, py::handle index, Line& at) {
    at(484);
    call_method(get_attr(self, "control"), "SetSelection", index);
    return py::none();
}

// 486
py::object ComboList_ClearSelection(py::handle self, Line& at) {
    at(487);
    call_method(self, "SetSelection", py::int_(-1));
    return py::none();
}

Register definitions{
    function<_simple_get_info>(391, "_simple_get_info(obj)"),
    class_(395, "ComboList",
           {
               method<ComboList___init__>(396, "__init__(self, control, get_info_method=_simple_get_info)"),
               method<ComboList___GetInfo>(401, "__GetInfo(self, obj)"),
               method<ComboList___len__>(404, "__len__(self)"),
               method<ComboList_Append>(407, "Append(self, obj)"),
               method<ComboList_AppendItems>(411, "AppendItems(self, objects)", "obj"),
               method<ComboList_Insert>(415, "Insert(self, obj, index)"),
               method<ComboList_InsertItems>(419, "InsertItems(self, objects, index)", "i obj"),
               method<ComboList_Delete>(423, "Delete(self, index)"),
               method<ComboList_DeleteSelections>(427, "DeleteSelections(self)", "indexes idx"),
               method<ComboList_Clear>(433, "Clear(self)", "count _"),
               method<ComboList_GetSelection>(439, "GetSelection(self)", "idx"),
               method<ComboList_GetSelections>(449, "GetSelections(self)", "idx"),
               method<ComboList_GetSelectionIndex>(461, "GetSelectionIndex(self)", "idx"),
               method<ComboList_GetSelectionIndexes>(470, "GetSelectionIndexes(self)", "idx"),
               method<ComboList_GetObject>(478, "GetObject(self, index)"),
               method<ComboList_SetSelection>(483, "SetSelection(self, index)"),
               method<ComboList_ClearSelection>(486, "ClearSelection(self)"),
           }),
};

}  // namespace
}  // namespace kvt
