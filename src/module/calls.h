// Calls from the module's own code into Python: `f(args...)`,
// `obj.name(args...)`, `f(name=value, ...)` and a method read now for a call
// made later.  Included by module/kvt.h, which every part includes.
//
// Every form goes through one primitive, detail::vectorcall(), whose contract
// holds for all of them:
//
//  - Arguments.  `args` holds the positional arguments, then the values of
//    the keywords named by `kwnames` (a tuple of texts, or null), in the
//    vectorcall layout.  They are borrowed: the caller keeps them alive.
//  - The spare slot.  args[-1] always exists and belongs to the caller, and
//    the callee may overwrite it for the duration of the call
//    (PY_VECTORCALL_ARGUMENTS_OFFSET): a bound method puts its self there
//    instead of copying the arguments.  It is put back before the call
//    returns, so the front ends simply reserve one slot in front of their
//    stack array.
//  - The result is a new reference, or null with the Python error set; the
//    front ends below own it (a py::object) or throw PythonError.
//  - Published callables (the module's own function type), also bound as
//    methods, are entered directly: no argument tuple is made for them.
//
// `obj.name(...)` (call_method) is the interpreter's own method call, once
// the module knows what the type holds under the name (cached on the type's
// version tag): a published callable found there is entered without an
// argument tuple too (frame::armed_entry).  A method read now for a call
// made later (Method) is found by detail::lookup_method, as the
// interpreter's own `obj.name(...)` finds it: a function found on the type
// is called unbound with `obj` in front, anything else as it was read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvt {

namespace detail {
// A direct-mapped cache in front of the table of interned names: a literal's
// address picks its slot, so the usual lookup is one compare.
struct InternSlot {
    const char* literal;
    PyObject* text;
};
// A power of two (the slot is a mask of the address), comfortably above the
// few hundred distinct literals the module reads, so collisions stay rare.
inline constexpr std::size_t kInternSlots = 512;
extern InternSlot intern_cache[kInternSlots];
inline std::size_t intern_slot(const char* literal) {
    const auto address = reinterpret_cast<std::uintptr_t>(literal);
    // Folds the bits above the slot index (log2 of kInternSlots) into it, so
    // literals a multiple of the table size apart still spread.
    return (address ^ (address >> 9)) & (kInternSlots - 1);
}
PyObject* intern_slow(const char* literal);  // makes the name and fills its slot

// The primitive (see the contract above): `f(*args[:nargs], **kw)`.
PyObject* vectorcall(PyObject* f, PyObject** args, std::size_t nargs, PyObject* kwnames) noexcept;

// `obj.name` as a method call reads it: the callable, and whether it was
// found unbound (a function on the type), so that `obj` must go in front of
// the arguments (returns 1), or as a ready callable (0).  On error the
// callable is null and the error is set.  `name` is an interned text.
int lookup_method(PyObject* obj, PyObject* name, PyObject** callable) noexcept;

// `obj.name(*args[1:nargs])` with args[0] = obj (and args[-1] spare).
PyObject* call_method(PyObject* name, PyObject** args, std::size_t nargs) noexcept;
}  // namespace detail

// The interned text object for a string literal (cached by its address, so
// only ever pass literals):
// `obj.attr(interned("Name"))` reads an attribute without making a new text.
inline py::handle interned(const char* literal) {
    const detail::InternSlot& slot = detail::intern_cache[detail::intern_slot(literal)];
    if (slot.literal == literal) return slot.text;
    return detail::intern_slow(literal);
}

// Owns `result`; throws when it is null (the error is then set).
inline py::object steal_result(PyObject* result) {
    if (!result) throw_python_error();
    return py::reinterpret_steal<py::object>(result);
}

// `obj.name`, through PyObject_GetAttr rather than the type's slot: that also
// gives an AttributeError the name and object that the "Did you mean" hint
// reads.
inline py::object get_attr(py::handle obj, const char* literal) {
    return steal_result(PyObject_GetAttr(obj.ptr(), interned(literal).ptr()));
}

// `f(args...)`.
template <typename... A>
py::object call(py::handle f, A&&... args) {
    PyObject* stack[] = {nullptr, py::handle(args).ptr()...};
    return steal_result(detail::vectorcall(f.ptr(), stack + 1, sizeof...(A), nullptr));
}

// `obj.name(args...)`.
template <typename... A>
py::object call_method(py::handle obj, const char* literal, A&&... args) {
    PyObject* stack[] = {nullptr, obj.ptr(), py::handle(args).ptr()...};
    return steal_result(detail::call_method(interned(literal).ptr(), stack + 1, 1 + sizeof...(A)));
}

// One keyword argument of call_keywords: its name (a literal) and value.
struct Keyword {
    const char* name;
    py::handle value;
};
inline Keyword kw(const char* literal, py::handle value) { return Keyword{literal, value}; }

// `f(name=value, ...)` with each keyword given as kw("name", value); the
// names are interned once, and no argument dict is made on our side.
template <typename... K>
py::object call_keywords(py::handle f, K... keywords) {
    constexpr std::size_t n = sizeof...(K);
    const char* names[] = {keywords.name...};
    PyObject* stack[] = {nullptr, keywords.value.ptr()...};
    py::object kwnames = steal_result(PyTuple_New(n));
    for (std::size_t k = 0; k < n; ++k)
        PyTuple_SET_ITEM(kwnames.ptr(), k, py::handle(interned(names[k])).inc_ref().ptr());
    return steal_result(detail::vectorcall(f.ptr(), stack + 1, 0, kwnames.ptr()));
}

// `obj.name` read now for a call made later, as `obj.name(args...)` reads
// the method before it computes the arguments -- without making a bound
// method when the name is a function of the type.
class Method {
public:
    Method(py::handle obj, const char* literal) {
        PyObject* callable = nullptr;
        const int unbound = detail::lookup_method(obj.ptr(), interned(literal).ptr(), &callable);
        callable_ = steal_result(callable);
        if (unbound) self_ = py::reinterpret_borrow<py::object>(obj);
    }
    template <typename... A>
    py::object operator()(A&&... args) const {
        // self in front when the callable was found unbound; the slot before
        // the first argument stays spare either way.
        PyObject* stack[] = {nullptr, self_.ptr(), py::handle(args).ptr()...};
        const std::size_t skip = self_ ? 1 : 2;
        return steal_result(detail::vectorcall(callable_.ptr(), stack + skip, 2 + sizeof...(A) - skip, nullptr));
    }

private:
    py::object callable_;
    py::object self_;  // set when the callable was found unbound
};

}  // namespace kvt
