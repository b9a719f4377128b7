// The one function type of every published callable.  Towards callers it
// behaves as a Python function: it binds as a method when read through an
// instance (also when wx looks up an overridden virtual), carries the usual
// function attributes, and its __code__ lets inspect show the signature.
#include "module/frame.h"

#include <structmember.h>

#include <cstring>
#include <new>
#include <type_traits>

namespace kvt::frame {

namespace {

struct FunctionObject {
    PyObject_HEAD
    const Callable* callable;
    PyObject* name;
    PyObject* qualname;
    PyObject* module;
    PyObject* doc;
    PyObject* defaults;     // tuple, or nullptr when no parameter has one
    PyObject* annotations;  // dict
    PyObject* globals;
    PyObject* code;
    PyObject* dict;
    PyObject* weakrefs;
    PyObject* owner;  // the module that made it, kept alive as a built-in function keeps its module
#if PY_VERSION_HEX >= 0x03090000
    vectorcallfunc vectorcall;  // null but while armed (see armed_entry)
#endif
};

FunctionObject* as_function(PyObject* self) { return reinterpret_cast<FunctionObject*>(self); }

// The bound arguments of one call: one object per parameter (and the keyword
// dict), made and released only for the slots the callable has.
class Slots {
public:
    explicit Slots(std::size_t n) : n_(n) {
        for (std::size_t k = 0; k < n_; ++k) new (storage_ + k * sizeof(py::object)) py::object();
    }
    ~Slots() {
        for (std::size_t k = 0; k < n_; ++k) data()[k].~object();
    }
    Slots(const Slots&) = delete;
    Slots& operator=(const Slots&) = delete;
    py::object* data() { return std::launder(reinterpret_cast<py::object*>(storage_)); }

private:
    alignas(py::object) unsigned char storage_[sizeof(py::object) * kMaxArgs];
    std::size_t n_;
};

// The caller's arguments as the body's parameters, without taking new
// references: a caller keeps its arguments alive for the call (the
// vectorcall contract), and a body only reads its parameters (they are
// const).  A py::object is exactly its one PyObject* (checked below).
const py::object* borrowed(PyObject* const* args) { return reinterpret_cast<const py::object*>(args); }
static_assert(sizeof(py::object) == sizeof(PyObject*) && alignof(py::object) == alignof(PyObject*) &&
                  std::is_standard_layout<py::object>::value,
              "a py::object is one PyObject*");

// The body's result as an owned reference (None for an empty result).  The
// result is made in place and its reference handed on, so no destructor
// runs on an emptied handle: that would be one more out-of-line call on
// every call.
PyObject* run_body(const Callable& c, const py::object* bound, Line& at) {
    alignas(py::object) unsigned char storage[sizeof(py::object)];
    PyObject* result = (new (storage) py::object(c.body(bound, at)))->ptr();
    return result ? result : Py_NewRef(Py_None);
}

// Runs the body on arguments already bound.
PyObject* run_bound(const Callable& c, const py::object* bound) {
    PyObject* result = nullptr;
    Line at(c.line + 1);
    try {
        result = run_body(c, bound, at);
    } catch (...) {
        set_error_from_current_exception();
        add_traceback(c.traceback_name.c_str(), at.line());
    }
    return result;
}

// Runs one call: `bind_arguments(callable, out)` binds the arguments, then
// the body runs; the traceback entry is added on failure.
template <typename Binder>
PyObject* invoke(PyObject* self, Binder&& bind_arguments) {
    FunctionObject* f = as_function(self);
    const Callable& c = *f->callable;
    if (Py_EnterRecursiveCall(" while calling a Python object")) return nullptr;
    PyObject* result = nullptr;
    {
        Slots bound(c.slots);
        bool arguments_bound = false;
        Line at(c.line + 1);
        try {
            if (bind_arguments(c, f->defaults, bound.data())) {
                arguments_bound = true;
                result = run_body(c, bound.data(), at);
            } else {
                add_traceback(c.traceback_name.c_str(), c.line);
            }
        } catch (...) {
            set_error_from_current_exception();
            add_traceback(c.traceback_name.c_str(), arguments_bound ? at.line() : c.line);
        }
    }
    Py_LeaveRecursiveCall();
    return result;
}

// A call with positional arguments and keyword names (vectorcall layout).
PyObject* invoke_vector(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const Callable& c = *as_function(self)->callable;
    if (!kwnames && c.plain && static_cast<std::size_t>(nargs) == c.slots) {
        // Every parameter given by position, none converted or checked:
        // nothing to bind; the body reads the caller's arguments.
        if (Py_EnterRecursiveCall(" while calling a Python object")) return nullptr;
        PyObject* result = run_bound(c, borrowed(args));
        Py_LeaveRecursiveCall();
        return result;
    }
    return invoke(self, [&](const Callable& c, PyObject* defaults, py::object* out) {
        return bind(c, defaults, args, static_cast<std::size_t>(nargs), kwnames, out);
    });
}

bool keys_are_exact_text(PyObject* kwargs) {
    Py_ssize_t pos = 0;
    PyObject *key, *value;
    while (PyDict_Next(kwargs, &pos, &key, &value))
        if (!PyUnicode_CheckExact(key)) return false;
    return true;
}

// Every call from outside arrives here with an argument tuple and a keyword
// dict.  The type takes no vectorcall on purpose: the interpreter would then
// refuse a non-text keyword itself, without the callable's name, before the
// binder could report it.
PyObject* function_call(PyObject* self, PyObject* args, PyObject* kwargs) {
    const Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    const Py_ssize_t nkw = kwargs ? PyDict_GET_SIZE(kwargs) : 0;
    if (nkw == 0) return invoke_vector(self, &PyTuple_GET_ITEM(args, 0), nargs, nullptr);
    if (keys_are_exact_text(kwargs)) {
        // Plain text keywords (every call written with name=value): bound
        // straight from the dict.
        return invoke(self, [&](const Callable& c, PyObject* defaults, py::object* out) {
            return bind_dict(c, defaults, &PyTuple_GET_ITEM(args, 0), static_cast<std::size_t>(nargs), kwargs, out);
        });
    }
    PyObject* kwnames = PyTuple_New(nkw);
    PyObject** stack = kwnames ? PyMem_New(PyObject*, static_cast<std::size_t>(nargs + nkw)) : nullptr;
    if (!stack) {
        Py_XDECREF(kwnames);
        return PyErr_NoMemory();
    }
    for (Py_ssize_t k = 0; k < nargs; ++k) stack[k] = PyTuple_GET_ITEM(args, k);
    Py_ssize_t pos = 0, k = 0;
    PyObject *key, *value;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
        PyTuple_SET_ITEM(kwnames, k, Py_NewRef(key));
        // Held for the call: binding may run a key's own comparison code,
        // which could change the caller's dict under us.
        stack[nargs + k++] = Py_NewRef(value);
    }
    PyObject* result = invoke_vector(self, stack, nargs, kwnames);
    for (Py_ssize_t j = nargs; j < nargs + nkw; ++j) Py_DECREF(stack[j]);
    PyMem_Free(stack);
    Py_DECREF(kwnames);
    return result;
}

PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

PyObject* function_repr(PyObject* self) {
    return PyUnicode_FromFormat("<function %U at %p>", as_function(self)->qualname, self);
}

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    FunctionObject* f = as_function(self);
#if PY_VERSION_HEX >= 0x03090000
    Py_VISIT(Py_TYPE(self));
#endif
    Py_VISIT(f->module);
    Py_VISIT(f->doc);
    Py_VISIT(f->defaults);
    Py_VISIT(f->annotations);
    Py_VISIT(f->globals);
    Py_VISIT(f->code);
    Py_VISIT(f->dict);
    Py_VISIT(f->owner);
    return 0;
}

// Breaks reference cycles.  The name and qualified name are texts, which
// take part in no cycle, so they stay: a function cleared by the collector
// may still be read (by a weakref callback during the collection) and keeps
// its name, repr and a usable, if empty, set of defaults and annotations.
int function_clear(PyObject* self) {
    FunctionObject* f = as_function(self);
    Py_CLEAR(f->module);
    Py_CLEAR(f->doc);
    Py_CLEAR(f->defaults);
    Py_CLEAR(f->annotations);
    Py_CLEAR(f->globals);
    Py_CLEAR(f->code);
    Py_CLEAR(f->dict);
    Py_CLEAR(f->owner);
    return 0;
}

void function_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    if (as_function(self)->weakrefs) PyObject_ClearWeakRefs(self);
    function_clear(self);
    Py_CLEAR(as_function(self)->name);
    Py_CLEAR(as_function(self)->qualname);
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);  // instances of a heap type hold a reference to it
}

// __name__ and __qualname__ accept only text, as on Python functions.
int set_text(PyObject*& slot, PyObject* value, const char* what) {
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
        return -1;
    }
    Py_XSETREF(slot, Py_NewRef(value));
    return 0;
}

PyObject* get_name(PyObject* self, void*) { return Py_NewRef(as_function(self)->name); }
int set_name(PyObject* self, PyObject* value, void*) { return set_text(as_function(self)->name, value, "__name__"); }
PyObject* get_qualname(PyObject* self, void*) { return Py_NewRef(as_function(self)->qualname); }
int set_qualname(PyObject* self, PyObject* value, void*) {
    return set_text(as_function(self)->qualname, value, "__qualname__");
}
PyObject* get_defaults(PyObject* self, void*) {
    PyObject* d = as_function(self)->defaults;
    return Py_NewRef(d ? d : Py_None);
}
PyObject* get_none(PyObject*, void*) { Py_RETURN_NONE; }
PyObject* get_annotations(PyObject* self, void*) {
    PyObject*& annotations = as_function(self)->annotations;
    if (!annotations) annotations = PyDict_New();  // cleared by the collector: a new empty dict, as Python's own
    return Py_XNewRef(annotations);
}
int set_annotations(PyObject* self, PyObject* value, void*) {
    if (!value || !PyDict_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__annotations__ must be set to a dict object");
        return -1;
    }
    Py_XSETREF(as_function(self)->annotations, Py_NewRef(value));
    return 0;
}

// Pickled and copied by reference, as Python functions are: the qualified
// name is looked up in the module again.
PyObject* function_reduce(PyObject* self, PyObject*) { return Py_NewRef(as_function(self)->qualname); }

PyMethodDef function_methods[] = {
    {"__reduce__", function_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef function_getset[] = {
    {KVT_NAME("__name__"), get_name, set_name, nullptr, nullptr},
    {KVT_NAME("__qualname__"), get_qualname, set_qualname, nullptr, nullptr},
    {KVT_NAME("__defaults__"), get_defaults, nullptr, nullptr, nullptr},
    {KVT_NAME("__kwdefaults__"), get_none, nullptr, nullptr, nullptr},
    {KVT_NAME("__closure__"), get_none, nullptr, nullptr, nullptr},
    {KVT_NAME("__annotations__"), get_annotations, set_annotations, nullptr, nullptr},
    {KVT_NAME("__dict__"), PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef function_members[] = {
    {KVT_NAME("__module__"), T_OBJECT, offsetof(FunctionObject, module), 0, nullptr},
    {KVT_NAME("__doc__"), T_OBJECT, offsetof(FunctionObject, doc), 0, nullptr},
    {KVT_NAME("__globals__"), T_OBJECT, offsetof(FunctionObject, globals), READONLY, nullptr},
    {KVT_NAME("__code__"), T_OBJECT, offsetof(FunctionObject, code), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

// A code object carrying the callable's file, first line, name and variables:
// what inspect and tracebacks read of a function.
py::object make_code(const Callable& c) {
    PyCodeObject* empty = PyCode_NewEmpty(kSourceFile, c.name.c_str(), c.line);
    if (!empty) throw_python_error();
    py::object code = py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(empty));
    py::list names;
    for (const Param& p : c.params) names.append(py::str(p.name));
    if (!c.kwargs.empty()) names.append(py::str(c.kwargs));
    for (const std::string& l : c.locals) names.append(py::str(l));
    const int flags = CO_OPTIMIZED | CO_NEWLOCALS | (c.kwargs.empty() ? 0 : CO_VARKEYWORDS);
#if PY_VERSION_HEX >= 0x03080000
    py::dict changes;
    changes["co_argcount"] = c.params.size();
    changes["co_posonlyargcount"] = 0;
    changes["co_kwonlyargcount"] = 0;
    changes["co_nlocals"] = py::len(names);
    changes["co_varnames"] = py::tuple(names);
    changes["co_flags"] = flags;
#if PY_VERSION_HEX >= 0x030B0000
    changes["co_qualname"] = py::str(c.qualname);  // code objects know it from 3.11 on
#endif
    return code.attr("replace")(**changes);
#else
    // Before 3.8 a code object can only be made whole.
    PyCodeObject* made = PyCode_New(static_cast<int>(c.params.size()), 0, static_cast<int>(py::len(names)), 0, flags,
                                    empty->co_code, empty->co_consts, empty->co_names, py::tuple(names).ptr(),
                                    empty->co_freevars, empty->co_cellvars, empty->co_filename, empty->co_name,
                                    c.line, empty->co_lnotab);
    if (!made) throw_python_error();
    return py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(made));
#endif
}

}  // namespace

PyTypeObject* function_type_object = nullptr;

// Counts one level of depth (invoke_vector's own recursion check), so a
// runaway recursion through the module's calls alone still ends in
// RecursionError.
PyObject* call_direct(PyObject* self, PyObject* const* args, std::size_t nargs, PyObject* kwnames) noexcept {
    return invoke_vector(self, args, static_cast<Py_ssize_t>(nargs), kwnames);
}

#if PY_VERSION_HEX >= 0x03090000
PyObject* armed_entry(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) noexcept {
    as_function(self)->vectorcall = nullptr;
    return invoke_vector(self, args, PyVectorcall_NARGS(nargsf), kwnames);
}
#endif

bool ready_function_type() noexcept {
    if (function_type_object) return true;
    static PyType_Slot slots[] = {
        {Py_tp_call, reinterpret_cast<void*>(function_call)},
        {Py_tp_descr_get, reinterpret_cast<void*>(function_descr_get)},
        {Py_tp_repr, reinterpret_cast<void*>(function_repr)},
        {Py_tp_traverse, reinterpret_cast<void*>(function_traverse)},
        {Py_tp_clear, reinterpret_cast<void*>(function_clear)},
        {Py_tp_dealloc, reinterpret_cast<void*>(function_dealloc)},
        {Py_tp_methods, function_methods},
        {Py_tp_getset, function_getset},
        {Py_tp_members, function_members},
        {0, nullptr},
    };
    unsigned int flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_METHOD_DESCRIPTOR;
#ifdef Py_TPFLAGS_IMMUTABLETYPE
    flags |= Py_TPFLAGS_IMMUTABLETYPE;  // as a static type was (3.10+)
#endif
    static PyType_Spec spec = {"kvt_wxtools.function", static_cast<int>(sizeof(FunctionObject)), 0, flags, slots};
    PyObject* type = PyType_FromSpec(&spec);
    if (!type) return false;
    PyTypeObject* t = reinterpret_cast<PyTypeObject*>(type);
    // Error texts name an object's type by tp_name; ours reads "function", as
    // for Python's own functions, on every version (__module__ stays ours).
    t->tp_name = std::strchr(spec.name, '.') + 1;
    // Set before any instance exists: each is read at each use.
    t->tp_dictoffset = offsetof(FunctionObject, dict);
    t->tp_weaklistoffset = offsetof(FunctionObject, weakrefs);
#if PY_VERSION_HEX >= 0x03090000
    t->tp_vectorcall_offset = offsetof(FunctionObject, vectorcall);
    t->tp_flags |= Py_TPFLAGS_HAVE_VECTORCALL;
#endif
    function_type_object = t;
    return true;
}

void release_function_type(Release how) noexcept {
    PyTypeObject* type = function_type_object;
    function_type_object = nullptr;
    // Functions still alive hold the type themselves.
    if (how == Release::References) Py_XDECREF(type);
}

}  // namespace kvt::frame

namespace kvt::frame {

py::object make_function(const Callable& c) {
    // As a def statement does: defaults first, then annotations.
    py::object defaults = py::none();
    if (c.required < c.params.size()) {
        py::tuple values(c.params.size() - c.required);
        for (std::size_t k = c.required; k < c.params.size(); ++k) values[k - c.required] = evaluate(c.params[k].fallback);
        defaults = std::move(values);
    }
    py::dict annotations;
    for (const Param& p : c.params)
        if (!p.annotation.empty()) annotations[py::str(p.name)] = evaluate(p.annotation);
    if (!c.returns.empty()) annotations["return"] = evaluate(c.returns);
    py::object code = make_code(c);

    if (!function_type_object) raise(PyExc_SystemError, "kvt_wxtools is not initialised");
    PyObject* self = PyType_GenericAlloc(function_type_object, 0);
    if (!self) throw_python_error();
    py::object result = py::reinterpret_steal<py::object>(self);
    FunctionObject* f = as_function(self);
    f->callable = &c;
    f->name = py::str(c.name).release().ptr();
    f->qualname = py::str(c.qualname).release().ptr();
    f->module = py::str(kModuleName).release().ptr();
    f->doc = c.doc ? py::str(c.doc).release().ptr() : Py_NewRef(Py_None);
    f->defaults = defaults.is_none() ? nullptr : defaults.release().ptr();
    f->annotations = annotations.release().ptr();
    f->globals = module_dict().release().ptr();
    f->code = code.release().ptr();
    f->owner = Py_XNewRef(module_object());
    return result;
}

}  // namespace kvt::frame
