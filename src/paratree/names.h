// The name rule that every name of a parameter tree follows (directories,
// books, parameters, attributes and copies) and the message that refuses a
// name breaking it.
#pragma once

#include "module/kvt.h"

namespace kvt {

// ParameterTreeEditorPanel.is_valid_name(name), read through the class at
// every use.
inline bool is_valid_name(py::handle name) {
    return truth(call_method(global("ParameterTreeEditorPanel"), "is_valid_name", name));
}

// "<kind> name `<name>` is invalid. It may be has invalid characters: `<chars>`."
inline py::object invalid_name_message(const char* kind, py::handle name) {
    return tr_format("%s name `%s` is invalid. It may be has invalid characters: `%s`.", tr(kind), name,
                     py::str(global("_InvalidNameCharacters")));
}

}  // namespace kvt

namespace kvt {

// What a grid cell shows of a text: the text itself, or for a long one its
// first few hundred characters and an ellipsis, so that a huge value never
// goes whole into a cell (the value itself stays as it is in the model).
// Anything but a str is handed on unchanged.
inline py::object cell_text(py::handle text_arg) {
    constexpr Py_ssize_t kShown = 300;
    py::object text = py::reinterpret_borrow<py::object>(text_arg);
    if (!PyUnicode_Check(text.ptr()) || PyUnicode_GET_LENGTH(text.ptr()) <= kShown) return text;
    py::object head = steal_result(PyUnicode_Substring(text.ptr(), 0, kShown));
    return steal_result(PyUnicode_Concat(head.ptr(), py::str("\u2026").ptr()));
}

}  // namespace kvt

namespace kvt {

// Puts `child` into `container` (a directory, a book or a parameter) under
// `name` at position `index` of its items() order (clamped to the end): the
// entries from there on are taken out and put back after it, which is the
// only way the model orders its entries.
inline void insert_at(py::handle container, py::handle name, py::handle child, Py_ssize_t index) {
    py::object items = call_method(container, "items");
    const Py_ssize_t n = length(items);
    if (index < 0 || index > n) index = n;
    py::list tail;
    for (Py_ssize_t k = index; k < n; ++k) {
        py::object pair = item(items, py::int_(k));
        auto [entry_name, entry] = unpack_pair(pair);
        tail.append(pair);
        if (PyObject_DelItem(container.ptr(), entry_name.ptr()) < 0) throw_python_error();
    }
    // The entries taken out go back in whatever happens to the new one: a
    // name the model refuses must not lose them.
    auto put_back = [&] {
        for (py::handle pair : tail) {
            auto [entry_name, entry] = unpack_pair(pair);
            if (PyObject_SetItem(container.ptr(), entry_name.ptr(), entry.ptr()) < 0) throw_python_error();
        }
    };
    on_error([&] {
        if (PyObject_SetItem(container.ptr(), name.ptr(), child.ptr()) < 0) throw_python_error();
    }, put_back);
    put_back();
}

// The position of `name` in `container`'s items() order, or -1.
inline Py_ssize_t index_of(py::handle container, py::handle name) {
    Py_ssize_t k = 0;
    for (py::handle pair : call_method(container, "items")) {
        auto [entry_name, entry] = unpack_pair(pair);
        if (entry_name.equal(name)) return k;
        ++k;
    }
    return -1;
}

// Renames the entry `old_name` of `container` to `new_name`, keeping its
// place in the order; the entry object stays the same.
inline void rename_in_place(py::handle container, py::handle old_name, py::handle new_name) {
    const Py_ssize_t index = index_of(container, old_name);
    py::object child = item(container, old_name);
    if (PyObject_DelItem(container.ptr(), old_name.ptr()) < 0) throw_python_error();
    on_error([&] { insert_at(container, new_name, child, index); },
             [&] { insert_at(container, old_name, child, index); });
}

}  // namespace kvt
