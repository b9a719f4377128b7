// The one place where the module's source may differ by CPython version or
// by compiler.  Everything else is written against the current public C API
// (3.13) and standard C++17; this header supplies what older interpreters
// lack, under the same names.
#pragma once

#include <Python.h>

// ------------------------------------------------------------- compilers ---

// Keeps a rarely taken slow path out of line, so that the fast path it is
// split from stays small enough to inline.
#if defined(__GNUC__)
#define KVT_NOINLINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define KVT_NOINLINE __declspec(noinline)
#else
#define KVT_NOINLINE
#endif

// ------------------------------------------------------------- CPython ---

#if PY_VERSION_HEX < 0x030A0000  // 3.10 added the reference-returning helpers
static inline PyObject* Py_NewRef(PyObject* obj) {
    Py_INCREF(obj);
    return obj;
}
static inline PyObject* Py_XNewRef(PyObject* obj) {
    Py_XINCREF(obj);
    return obj;
}
#endif

#if PY_VERSION_HEX < 0x03090000  // 3.9: Py_IS_TYPE, Py_SET_REFCNT
#ifndef Py_IS_TYPE
#define Py_IS_TYPE(obj, type) (Py_TYPE(obj) == (type))
#endif
#endif

#ifndef PyDict_GET_SIZE
#define PyDict_GET_SIZE(d) PyDict_Size(d)
#endif

// Types whose instances bind like functions (3.8+); older interpreters bind
// through tp_descr_get instead, which gives the same result.
#ifndef Py_TPFLAGS_METHOD_DESCRIPTOR
#define Py_TPFLAGS_METHOD_DESCRIPTOR 0
#endif

// Instances whose dict the interpreter places itself (3.11+).
#ifndef Py_TPFLAGS_MANAGED_DICT
#define Py_TPFLAGS_MANAGED_DICT 0
#endif

// A type's version tag, or 0 when it has no valid one: the tag changes
// whenever the type or a base is modified, and a tag once given is not given
// to another type.  Up to 3.12 a modified type keeps its old number with the
// valid-tag flag cleared; from 3.13 on the flag is unused and the number is 0.
static inline unsigned int kvt_type_version(PyTypeObject* type) {
#if PY_VERSION_HEX < 0x030D0000
    if (!(type->tp_flags & Py_TPFLAGS_VALID_VERSION_TAG)) return 0;
#endif
    return type->tp_version_tag;
}

// Vectorcall: public from 3.9, provisional (underscored) in 3.8, emulated
// with an argument tuple and keyword dict before that.
#if PY_VERSION_HEX >= 0x03090000
// nothing to add
#elif PY_VERSION_HEX >= 0x03080000
#define PyObject_Vectorcall _PyObject_Vectorcall
#else
#define PY_VECTORCALL_ARGUMENTS_OFFSET ((size_t)1 << (8 * sizeof(size_t) - 1))
static inline PyObject* PyObject_Vectorcall(PyObject* callable, PyObject* const* args, size_t nargsf,
                                            PyObject* kwnames) {
    const Py_ssize_t nargs = (Py_ssize_t)(nargsf & ~PY_VECTORCALL_ARGUMENTS_OFFSET);
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    PyObject* tuple = PyTuple_New(nargs);
    if (!tuple) return NULL;
    for (Py_ssize_t k = 0; k < nargs; ++k) PyTuple_SET_ITEM(tuple, k, Py_NewRef(args[k]));
    PyObject* kwargs = NULL;
    if (nkw) {
        kwargs = PyDict_New();
        for (Py_ssize_t k = 0; kwargs && k < nkw; ++k) {
            if (PyDict_SetItem(kwargs, PyTuple_GET_ITEM(kwnames, k), args[nargs + k]) < 0) Py_CLEAR(kwargs);
        }
        if (!kwargs) {
            Py_DECREF(tuple);
            return NULL;
        }
    }
    PyObject* result = PyObject_Call(callable, tuple, kwargs);
    Py_DECREF(tuple);
    Py_XDECREF(kwargs);
    return result;
}
#endif

// Names in PyGetSetDef and PyMemberDef tables were `char*` before 3.7.
#if PY_VERSION_HEX < 0x03070000
#define KVT_NAME(text) const_cast<char*>(text)
#else
#define KVT_NAME(text) text
#endif
