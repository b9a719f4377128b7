// Unpacking of the (name, value) pairs that the model's items() yields, with
// the errors Python gives for `for a, b in pairs` on a wrong-sized item.
#pragma once

#include "module/kvt.h"

#include <utility>

namespace kvt {

inline std::pair<py::object, py::object> unpack_pair(py::handle item) {
    PyObject* it = PyObject_GetIter(item.ptr());
    if (it == nullptr) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) {
            PyErr_Clear();
            raise(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(item.ptr())->tp_name);
        }
        throw_python_error();
    }
    py::object iter = py::reinterpret_steal<py::object>(it);
    py::object values[2];
    for (int k = 0; k < 2; ++k) {
        PyObject* next = PyIter_Next(iter.ptr());
        if (next == nullptr) {
            if (PyErr_Occurred()) throw_python_error();
            raise(PyExc_ValueError, "not enough values to unpack (expected 2, got %d)", k);
        }
        values[k] = py::reinterpret_steal<py::object>(next);
    }
    PyObject* extra = PyIter_Next(iter.ptr());
    if (extra != nullptr) {
        Py_DECREF(extra);
        raise(PyExc_ValueError, "too many values to unpack (expected 2)");
    }
    if (PyErr_Occurred()) throw_python_error();
    return {std::move(values[0]), std::move(values[1])};
}

}  // namespace kvt
