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
// type without a dict), -1 with the error set.  Only asked for
// types read the generic way (generic_lookup), so only those have entries.
KVT_NOINLINE int type_lookup_slow(PyTypeObject* tp, PyObject* name, PyObject** found, unsigned int version) {
    PyObject* mro = tp->tp_mro;
    if (!mro) return 0;
    PyObject* descr = nullptr;
    for (Py_ssize_t k = 0, n = PyTuple_GET_SIZE(mro); k < n && !descr; ++k) {
        PyTypeObject* base = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, k));
#if PY_VERSION_HEX >= 0x030C0000
        // From 3.12 a built-in type's dict is kept by the interpreter rather
        // than in tp_dict; this reaches it too.
        PyObject* dict = PyType_GetDict(base);
#else
        PyObject* dict = Py_XNewRef(base->tp_dict);
#endif
        if (!dict) return PyErr_Occurred() ? -1 : 0;
        descr = PyDict_GetItemWithError(dict, name);
        Py_DECREF(dict);  // the type keeps its dict, and so what was found there, alive
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
    if (slot.version == version && slot.name == name) {
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
        const int own = dict ? PyDict_Contains(dict, name) : -1;
        Py_XDECREF(dict);
        if (own != 0) {
            Py_DECREF(descr);
            return own > 0 ? 0 : -1;
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
    // A type without a version tag yet gets one from the interpreter's own
    // read below; from then on its answers are cached.
    if (generic_lookup(tp, name) && kvt_type_version(tp) != 0) {
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

#if PY_VERSION_HEX >= 0x03090000
// `obj.name(...)` by the interpreter's own method call, once the type's
// answer is known: it reads the instance's attributes where it keeps them
// and makes no bound method.  A published callable found there is armed
// for that one call (see frame::armed_entry), so it too is entered without
// an argument tuple.
inline PyObject* interpreter_method_call(PyObject* name, PyObject* found, PyObject** args, std::size_t nargs) {
    const std::size_t nargsf = nargs | PY_VECTORCALL_ARGUMENTS_OFFSET;
    if (!found || !Py_IS_TYPE(found, frame::function_type_object))
        return PyObject_VectorcallMethod(name, args, nargsf, nullptr);
    auto* entry = reinterpret_cast<vectorcallfunc*>(reinterpret_cast<char*>(found) +
                                                    frame::function_type_object->tp_vectorcall_offset);
    Py_INCREF(found);  // the type's dict may let go of it during the call
    *entry = frame::armed_entry;
    PyObject* result = PyObject_VectorcallMethod(name, args, nargsf, nullptr);
    *entry = nullptr;
    Py_DECREF(found);
    return result;
}
#endif

// call_method when the type's answer is not cached: looked up (and cached),
// or, for types whose attributes are not read the generic way, read in full.
KVT_NOINLINE PyObject* call_method_uncached(PyObject* name, PyObject** args, std::size_t nargs) {
#if PY_VERSION_HEX >= 0x03090000
    PyTypeObject* tp = Py_TYPE(args[0]);
    if (generic_lookup(tp, name)) {
        PyObject* found = nullptr;
        const int known = type_lookup_slow(tp, name, &found, kvt_type_version(tp));
        if (known < 0) return nullptr;
        if (known > 0) return interpreter_method_call(name, found, args, nargs);
    }
#endif
    return lookup_and_call(name, args, nargs);
}
}  // namespace

PyObject* call_method(PyObject* name, PyObject** args, std::size_t nargs) noexcept {
#if PY_VERSION_HEX >= 0x03090000
    // The usual case, kept short: the type's answer for the name (an
    // interned text) is cached.  Only types read the generic way have
    // answers there, and an empty slot's name matches none.
    PyTypeObject* tp = Py_TYPE(args[0]);
    const unsigned int version = kvt_type_version(tp);
    const TypeSlot& slot = g_type_cache[type_slot(version, name)];
    if (slot.version == version && slot.name == name) return interpreter_method_call(name, slot.found, args, nargs);
#endif
    return call_method_uncached(name, args, nargs);
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
