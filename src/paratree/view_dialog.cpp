// ParameterViewDialog: one parameter shown read-only -- its attributes with
// their types and (shortened) values, and its description in each locale.
#include "module/kvt.h"
#include "paratree/names.h"

namespace kvt {
namespace {

// The type's name as the attribute editor offers it.
py::str type_name(py::handle value) {
    if (PyBool_Check(value.ptr())) return py::str("bool");
    if (PyLong_Check(value.ptr())) return py::str("int");
    if (PyFloat_Check(value.ptr())) return py::str("float");
    if (PyUnicode_Check(value.ptr())) return py::str("str");
    return py::str("json");
}

void add_row(py::handle grid, std::initializer_list<py::object> cells) {
    call_method(grid, "AppendRows", py::int_(1));
    py::object row = call_method(grid, "GetNumberRows") - py::int_(1);
    int column = 0;
    for (const py::object& cell : cells) call_method(grid, "SetCellValue", row, py::int_(column++), cell);
}

// 4201
py::object ParameterViewDialog___init__(py::handle self, py::handle parent, py::handle name, py::handle parameter,
                                        Line& at) {
    at(4202);
    call(get_attr(global("_ParameterViewDialog"), "__init__"), self, parent);
    at(4203);
    call_method(get_attr(self, "ui_name"), "SetValue", name);
    at(4204);
    py::object attributes = get_attr(self, "ui_attributes");
    for (py::handle pair : call_method(parameter, "items")) {
        auto [attribute, value] = unpack_pair(pair);
        add_row(attributes, {py::reinterpret_borrow<py::object>(attribute), type_name(value),
                             cell_text(steal_result(PyObject_Str(value.ptr())))});
        at(4204);
    }
    at(4205);
    py::object descriptions = get_attr(self, "ui_descriptions");
    for (py::handle pair : call_method(call_method(parameter, "all_descriptions"), "items")) {
        auto [local, text] = unpack_pair(pair);
        add_row(descriptions, {py::reinterpret_borrow<py::object>(local), cell_text(text)});
        at(4205);
    }
    return py::none();
}

Register definitions{
    class_(1404, "ParameterViewDialog(_ParameterViewDialog)",
           {
               method<ParameterViewDialog___init__>(
                   4201, "__init__(self, parent, name: str, parameter: _Parameter)", "attribute value local text"),
           }),
};

}  // namespace
}  // namespace kvt
