// The translation lookup behind every text the module shows a person.
#include "module/kvt.h"

namespace kvt {

namespace {
constexpr const char* kDomain = "kvt_wxtools";
}

py::object tr(py::handle text) {
    py::object lookup = wx_attr("GetTranslation");
    PyObject* args[] = {text.ptr(), interned(kDomain).ptr()};
    return steal_result(PyObject_Vectorcall(lookup.ptr(), args, 2, nullptr));
}

py::object tr(const char* text) {
    return tr(steal_result(PyUnicode_FromString(text)));
}

py::object tr_default(py::handle value, const char* default_text) {
    if (PyUnicode_Check(value.ptr())) {
        py::object wanted = steal_result(PyUnicode_FromString(default_text));
        const int order = PyUnicode_Compare(value.ptr(), wanted.ptr());
        if (order == -1 && PyErr_Occurred()) throw_python_error();
        if (order == 0) return tr(wanted);
    }
    return py::reinterpret_borrow<py::object>(value);
}

void label_from_catalog(py::handle button, const char* text) {
    if (button.is_none()) return;
    py::object label = tr(text);
    if (label.equal(py::str(text))) return;
    call_method(button, "SetLabel", label);
}

}  // namespace kvt
