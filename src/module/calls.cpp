// Interned names, method lookup and the one call primitive (the contract is
// stated in module/calls.h).
#include "module/frame.h"

#include <unordered_map>

namespace kvt {

namespace {
// The interned names, keyed by the literal's address: bodies pass string
// literals, so each name is made once and its hash is cached in the object.
// Owned by the module (released when it is freed).
std::unordered_map<const char*, PyObject*>* g_interned = nullptr;

// What a type's attribute lookup found for a name: the object in the first
// dict along the MRO that holds the name (borrowed from that dict), or null.
// Keyed on the type's version tag, as the interpreter's own type cache is:
// while the tag stays, no dict along the MRO has changed, so the object is
// still there.  Direct-mapped; a power of two above the (type, name) pairs a
// busy window calls methods of.
struct TypeSlot {
    unsigned int version;  // 0: empty
    PyObject* name;
    PyObject* found;
};
constexpr std::size_t kTypeSlots = 256;
TypeSlot g_type_cache[kTypeSlots];

std::size_t type_slot(unsigned int version, PyObject* name) {
    // Versions are handed out in sequence; the name's address is aligned to
    // 16 bytes on 64-bit systems (8 on 32-bit), so its lowest bits carry
    // nothing.
    return (version ^ (reinterpret_cast<std::uintptr_t>(name) >> 4)) & (kTypeSlots - 1);
}

// Looks `name` (an exact text) up along the type's MRO.  Returns 1 with the
// object found (borrowed, null when none), 0 when it can't be told here (a
// type whose dict lives elsewhere), -1 with the error set.
KVT_NOINLINE int type_lookup_slow(PyTypeObject* tp, PyObject* name, PyObject** found, unsigned int version) {
    PyObject* mro = tp->tp_mro;
    if (!mro) return 0;
    PyObject* descr = nullptr;
    for (Py_ssize_t k = 0, n = PyTuple_GET_SIZE(mro); k < n && !descr; ++k) {
        PyObject* dict = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, k))->tp_dict;
        if (!dict) return 0;  // a built-in type whose dict lives elsewhere (3.12+)
        descr = PyDict_GetItemWithError(dict, name);
        if (!descr && PyErr_Occurred()) return -1;
    }
    // A key's own comparison may have changed a type on the way: then the
    // tag has changed too, and the answer is not kept.
    if (version != 0 && kvt_type_version(tp) == version)
        g_type_cache[type_slot(version, name)] = TypeSlot{version, name, descr};
    *found = descr;
    return 1;
}

inline int type_lookup(PyTypeObject* tp, PyObject* name, PyObject** found) {
    const unsigned int version = kvt_type_version(tp);
    const TypeSlot& slot = g_type_cache[type_slot(version, name)];
    if (version != 0 && slot.version == version && slot.name == name) {
        *found = slot.found;
        return 1;
    }
    return type_lookup_slow(tp, name, found, version);
}

bool generic_lookup(PyTypeObject* tp, PyObject* name) {
    return tp->tp_getattro == PyObject_GenericGetAttr && PyUnicode_CheckExact(name);
}

// Whether `descr`, found on the type of `obj` (generic attribute lookup), is
// what `obj.name(...)` calls unbound, as the interpreter's own method call
// finds it: a descriptor that binds like a function, not shadowed by an
// attribute of the instance.  Returns 1 with a new reference in `found`; 0
// when not (the caller then reads the attribute in full); -1 with the error
// set.  (Reading the instance's dict may make one where the interpreter kept
// the attributes without: invisible to Python code.)
int unbound_method(PyObject* obj, PyObject* name, PyObject* descr, PyObject** found) {
    if (!descr || !(Py_TYPE(descr)->tp_flags & Py_TPFLAGS_METHOD_DESCRIPTOR)) return 0;
    Py_INCREF(descr);  // the instance's dict may run code that changes the type's
    PyTypeObject* tp = Py_TYPE(obj);
    if (tp->tp_dictoffset != 0 || (tp->tp_flags & Py_TPFLAGS_MANAGED_DICT)) {
        PyObject* dict = PyObject_GenericGetDict(obj, nullptr);
        PyObject* own = dict ? PyDict_GetItemWithError(dict, name) : nullptr;
        Py_XDECREF(dict);
        if (own || PyErr_Occurred()) {
            Py_DECREF(descr);
            return own ? 0 : -1;
        }
    }
    *found = descr;
    return 1;
}

// lookup_method's second half: Python's own attribute read, so instance
// attributes, descriptors and __getattr__ all count; a method bound to `obj`
// itself is taken apart again, so that published callables are entered
// directly.
int read_method(PyObject* obj, PyObject* name, PyObject** callable) {
    PyObject* found = PyObject_GetAttr(obj, name);
    *callable = found;
    if (found && PyMethod_Check(found) && PyMethod_GET_SELF(found) == obj) {
        *callable = Py_NewRef(PyMethod_GET_FUNCTION(found));
        Py_DECREF(found);
        return 1;
    }
    return 0;
}
}  // namespace

namespace detail {

InternSlot intern_cache[kInternSlots];

PyObject* intern_slow(const char* literal) {
    if (!g_interned) g_interned = new std::unordered_map<const char*, PyObject*>();
    auto* table = g_interned;
    PyObject* text;
    auto found = table->find(literal);
    if (found != table->end()) {
        text = found->second;
    } else {
        text = PyUnicode_InternFromString(literal);
        if (!text) throw_python_error();
        try {
            table->emplace(literal, text);
        } catch (...) {
            Py_DECREF(text);
            throw;
        }
    }
    intern_cache[intern_slot(literal)] = InternSlot{literal, text};
    return text;
}

PyObject* vectorcall(PyObject* f, PyObject** args, std::size_t nargs, PyObject* kwnames) noexcept {
    PyTypeObject* const ours = frame::function_type_object;
    if (Py_IS_TYPE(f, ours)) return frame::call_direct(f, args, nargs, kwnames);
    if (PyMethod_Check(f) && Py_IS_TYPE(PyMethod_GET_FUNCTION(f), ours)) {
        // A published callable bound to an instance: self goes in front, in
        // the spare slot.
        PyObject* const saved = args[-1];
        args[-1] = PyMethod_GET_SELF(f);
        PyObject* result = frame::call_direct(PyMethod_GET_FUNCTION(f), args - 1, nargs + 1, kwnames);
        args[-1] = saved;
        return result;
    }
    return PyObject_Vectorcall(f, args, nargs | PY_VECTORCALL_ARGUMENTS_OFFSET, kwnames);
}

int lookup_method(PyObject* obj, PyObject* name, PyObject** callable) noexcept {
    *callable = nullptr;
    PyTypeObject* tp = Py_TYPE(obj);
    if (generic_lookup(tp, name)) {
        PyObject* descr = nullptr;
        const int known = type_lookup(tp, name, &descr);
        const int unbound = known > 0 ? unbound_method(obj, name, descr, callable) : known;
        if (unbound != 0) return unbound > 0 ? 1 : 0;
    }
    return read_method(obj, name, callable);
}

namespace {
// call_method's general path: the method looked up, then called.
KVT_NOINLINE PyObject* lookup_and_call(PyObject* name, PyObject** args, std::size_t nargs) {
    PyObject* callable = nullptr;
    const int unbound = lookup_method(args[0], name, &callable);
    if (!callable) return nullptr;
    // Bound: args[0] is no longer an argument and becomes the spare slot.
    PyObject* result = unbound ? vectorcall(callable, args, nargs, nullptr)
                               : vectorcall(callable, args + 1, nargs - 1, nullptr);
    Py_DECREF(callable);
    return result;
}
}  // namespace

PyObject* call_method(PyObject* name, PyObject** args, std::size_t nargs) noexcept {
#if PY_VERSION_HEX >= 0x03090000
    PyTypeObject* tp = Py_TYPE(args[0]);
    if (tp->tp_getattro == PyObject_GenericGetAttr) {
        // Unless the type holds a published callable under the name, the
        // interpreter's own method call is the cheapest: it reads the
        // instance's attributes where it keeps them and makes no bound
        // method.  (It would hand a published callable an argument tuple.)
        // The names are interned texts, so the type's answer can be cached.
        PyObject* descr = nullptr;
        const int known = type_lookup(tp, name, &descr);
        if (known < 0) return nullptr;
        if (known > 0 && !(descr && Py_IS_TYPE(descr, frame::function_type_object)))
            return PyObject_VectorcallMethod(name, args, nargs | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr);
    }
#endif
    return lookup_and_call(name, args, nargs);
}

}  // namespace detail

namespace frame {
void release_calls(Release how) noexcept {
    for (detail::InternSlot& slot : detail::intern_cache) slot = detail::InternSlot{nullptr, nullptr};
    for (TypeSlot& slot : g_type_cache) slot = TypeSlot{0, nullptr, nullptr};
    std::unordered_map<const char*, PyObject*>* table = g_interned;
    g_interned = nullptr;
    if (table && how == Release::References)
        for (auto& entry : *table) Py_DECREF(entry.second);
    delete table;
}
}  // namespace frame

}  // namespace kvt
