// The module frame shared by every part of kvt_wxtools: the module's globals,
// the published-function type, argument binding, traceback entries, class
// creation and the registry of definitions that the module body runs.
#pragma once

#include <pybind11/pybind11.h>

#include "module/compat.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace kvt {

// ---------------------------------------------------------------- errors ---

// Thrown when the Python error indicator is already set: the cheap way for
// the module's own code to unwind to the boundary that reports the error.
// (pybind11's own calls throw py::error_already_set; both are handled.)
struct PythonError {};

// Throws PythonError; call right after a C API function reported failure.
[[noreturn]] inline void throw_python_error() { throw PythonError{}; }

// Raises `type` with a printf-style message (PyErr_Format's conversions).
[[noreturn]] void raise(PyObject* type, const char* format, ...);

// Turns the exception being handled (inside a catch block) into the current
// Python error.  Every boundary towards the interpreter calls it, so that no
// C++ exception ever leaves the module.
void set_error_from_current_exception() noexcept;

// Adds a traceback entry named `funcname` with file "wxtools.py" and `line`
// to the Python error currently set.  Never fails: if the entry can't be made
// the original error is kept as it is.
void add_traceback(const char* funcname, int line) noexcept;

// Line numbers.  Tracebacks through the module show its callables as lines
// of a source file, "wxtools.py": each declaration has its line, and the
// numbers are published (callers' logs and tests read them).  In the part
// files, `// N` above a body is the line of its def statement, and at(N)
// inside marks the statement that runs now: an exception leaving the body
// is reported at the last line marked.
//
// `at` is the body's last parameter: the Line its call keeps on the C stack,
// handed on to the helpers that mark lines.  Nothing is shared between
// calls, so a thread or a greenlet that runs inside a call back into Python
// marks only its own lines.
class Line {
public:
    explicit Line(int line = 0) noexcept : line_(line) {}
    Line(const Line&) = delete;  // always passed by reference: a copy's marks would be lost
    Line& operator=(const Line&) = delete;
    void operator()(int line) noexcept { line_ = line; }
    int line() const noexcept { return line_; }

private:
    int line_;
};

// --------------------------------------------------------------- globals ---

// The module's dictionary (valid once the module body has started).
py::dict module_dict();

}  // namespace kvt

// Interned names and the call helpers: interned(), get_attr(), call(),
// call_method(), call_keywords(), kw() and Method.
#include "module/calls.h"

namespace kvt {

// Python's `obj[key]`, errors included; a list indexed by an int in range
// is read directly.
inline py::object item(py::handle obj, py::handle key) {
    if (PyList_CheckExact(obj.ptr()) && PyLong_CheckExact(key.ptr())) {
        int overflow = 0;
        const long k = PyLong_AsLongAndOverflow(key.ptr(), &overflow);
        if (!overflow && k >= 0 && k < PyList_GET_SIZE(obj.ptr()))
            return py::reinterpret_borrow<py::object>(PyList_GET_ITEM(obj.ptr(), k));
    }
    return steal_result(PyObject_GetItem(obj.ptr(), key.ptr()));
}

// Python's `value <op> n` (op: Py_LT, Py_GE, ...) for an integer n, errors
// included; an int is compared directly.
inline bool compare(py::handle value, int op, Py_ssize_t n) {
    if (PyLong_CheckExact(value.ptr())) {
        int overflow = 0;
        const long v = PyLong_AsLongAndOverflow(value.ptr(), &overflow);
        if (!overflow) {
            switch (op) {
            case Py_LT: return v < n;
            case Py_LE: return v <= n;
            case Py_EQ: return v == n;
            case Py_NE: return v != n;
            case Py_GT: return v > n;
            case Py_GE: return v >= n;
            }
        }
    }
    PyObject* number = PyLong_FromSsize_t(n);
    if (!number) throw_python_error();
    const int result = PyObject_RichCompareBool(value.ptr(), number, op);
    Py_DECREF(number);
    if (result < 0) throw_python_error();
    return result != 0;
}

// Python's `len(obj)`, errors included.
inline Py_ssize_t length(py::handle obj) {
    const Py_ssize_t n = PyObject_Size(obj.ptr());
    if (n < 0) throw_python_error();
    return n;
}

// Python's truth test (`if x:`), errors included.  (A py::object's own bool
// conversion only tells whether it holds a pointer.)
inline bool truth(py::handle value) {
    const int result = PyObject_IsTrue(value.ptr());
    if (result < 0) throw_python_error();
    return result != 0;
}

// Python's `isinstance(obj, cls)`, errors included.
bool is_instance(py::handle obj, py::handle cls);

// Python's `a, b = pair`: the two items of a two-item iterable, with
// Python's TypeError / ValueError texts for anything else.
std::pair<py::object, py::object> unpack_pair(py::handle pair);

// `try: body() except Exception as e:` -- returns the exception object when
// `body` raised an Exception (the error is then cleared), a null object when
// it raised nothing.  Exceptions outside Exception (KeyboardInterrupt,
// SystemExit) go on.
py::object fetch_exception_if(PyObject* cls);
template <typename F>
py::object catch_exception(F&& body) {
    try {
        body();
        return py::object();
    } catch (PythonError&) {
    } catch (py::error_already_set& e) {
        e.restore();
    }
    return fetch_exception_if(PyExc_Exception);
}

// Sets the saved error (type, value, traceback; references stolen) as the
// __context__ of the error now set, as Python does for an exception raised
// while another is handled; with no error now set, restores the saved one.
void chain_context(PyObject* type, PyObject* value, PyObject* traceback) noexcept;

// `try: body() except BaseException: cleanup(); raise` -- the body's error
// goes on after the cleanup, with the line it was raised on (the cleanup
// may mark its own lines; the body's is put back after it); an error of the
// cleanup goes on instead, with the cleanup's line and the body's error as
// its context.
// `at` is the line of the call that runs them; code that marks no lines
// leaves it out.
template <typename B, typename C>
void on_error(Line& at, B&& body, C&& cleanup) {
    try {
        body();
        return;
    } catch (...) {
        set_error_from_current_exception();
    }
    const int line = at.line();
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    try {
        cleanup();
    } catch (...) {
        set_error_from_current_exception();
        chain_context(type, value, traceback);
        throw_python_error();
    }
    at(line);
    PyErr_Restore(type, value, traceback);
    throw_python_error();
}
template <typename B, typename C>
void on_error(B&& body, C&& cleanup) {
    Line unmarked;
    on_error(unmarked, std::forward<B>(body), std::forward<C>(cleanup));
}

// Holds a window (a dialog) that must be destroyed before the scope is left.
// The usual path calls destroy() where the code destroys it, and its errors go
// on as any call's.  When an error leaves the scope first (ShowModal or a read
// of the result raised), the window is destroyed on the way out, so no hidden
// top-level window keeps the application alive; the error in flight goes on
// unchanged, with its line, and a failure of that Destroy is only reported
// (sys.unraisablehook).
class DestroyOnExit {
public:
    explicit DestroyOnExit(py::handle window) : window_(py::reinterpret_borrow<py::object>(window)) {}
    DestroyOnExit(const DestroyOnExit&) = delete;
    DestroyOnExit& operator=(const DestroyOnExit&) = delete;
    ~DestroyOnExit() {
        if (window_) destroy_quietly();
    }
    void destroy() {
        py::object window = std::move(window_);
        call_method(window, "Destroy");
    }

private:
    void destroy_quietly() noexcept;
    py::object window_;
};

// Reads a module global: the module dictionary, then the built-ins; raises
// NameError "name '...' is not defined" when neither has it.  Looked up at
// every use, so rebinding a global after import changes what bodies see.
py::object global(const char* literal);
py::object global(py::handle name);
void set_global(const char* name, py::handle value);
// Deletes a module global; NameError when it is not bound.
void del_global(const char* name);

// `wx.<name>`: the module global `wx` is looked up afresh at every use, so a
// rebinding of `wx` after import reaches every read.
inline py::object wx_attr(const char* literal) { return get_attr(global("wx"), literal); }

// ------------------------------------------------------------------ texts ---

// Every text shown to a person goes through these, so that a program that
// loads the "kvt_wxtools" catalog (kvt_handy.load_translations) sees it in
// its language: wx.GetTranslation(text, "kvt_wxtools").  Without a catalog,
// or for a text the catalog lacks, the text comes back exactly as given.
py::object tr(const char* text);
py::object tr(py::handle text);

// The translated `text` with each "%s" replaced by str() of the next
// argument (Python's `%`); without a catalog the same text as concatenating
// the pieces.
template <typename... A>
py::object tr_format(const char* text, A&&... args) {
    py::tuple values = py::make_tuple(std::forward<A>(args)...);
    return steal_result(PyUnicode_Format(tr(text).ptr(), values.ptr()));
}

// A text parameter's value: translated when it is the parameter's own
// default text (given or left out), as it is otherwise.
py::object tr_default(py::handle value, const char* default_text);

// Labels a standard button (wx.ID_OK, wx.ID_CANCEL; None is passed over)
// from the catalog when the catalog translates `text`: GTK draws a stock
// button's own label in the language of the process's C locale, whatever
// catalog wx has loaded.  Without such a translation the button keeps its
// stock label.
void label_from_catalog(py::handle button, const char* text);

// ------------------------------------------------------------ expressions ---

// Evaluates the small expressions that declarations are written in: names
// (looked up as globals), attribute reads, subscripts, calls, literal text,
// numbers, None/True/False, lists and the empty dictionary.  Used for
// defaults, annotations, bases, class attributes and module assignments, so
// that each is computed when its statement runs, as Python would.
py::object evaluate(const std::string& expression);

// -------------------------------------------------------------- callables ---

// A body receives its bound arguments (parameters in declaration order, then
// the keyword dictionary for callables that gather extra keywords) and the
// call's Line.
using Body = py::object (*)(const py::object* args, Line& at);

// Adapts `py::object f(py::handle, ..., Line& at)` to Body (a function that
// marks no lines leaves out `at`); its arity is checked against the declared
// signature when the definition runs.
template <auto F>
struct Adapt;
template <typename... A, py::object (*F)(A...)>
struct Adapt<F> {
    static constexpr bool marks = (std::is_same_v<A, Line&> || ...);
    static constexpr int arity = static_cast<int>(sizeof...(A)) - (marks ? 1 : 0);
    static py::object call(const py::object* args, Line& at) {
        return call(args, at, std::make_index_sequence<arity>{});
    }
    template <std::size_t... I>
    static py::object call(const py::object* args, [[maybe_unused]] Line& at, std::index_sequence<I...>) {
        if constexpr (marks)
            return F(py::handle(args[I])..., at);
        else
            return F(py::handle(args[I])...);
    }
};

// One entry of the module body: a callable, a class with its members, or a
// module-level statement ("import ...", "from ... import ...", "name = expr",
// or a class attribute "name = expr" inside a class).
struct Entry {
    enum Kind { Function, Method, StaticMethod, Property, Attribute, Class, Statement };
    Kind kind;
    int line;
    std::string text;            // signature, class header or statement
    Body body = nullptr;
    int arity = 0;
    std::string locals;          // the body's local names, for __code__
    const char* doc = nullptr;   // docstring, or none
    std::vector<Entry> members;  // a class's members in source order
};

// Declarations.  `signature` is written as in source: "name(a, b: str = \"x\",
// **kw) -> Ann"; `locals` lists the body's local variable names ("a b").
template <auto F>
Entry callable(Entry::Kind kind, int line, std::string signature, std::string locals, const char* doc) {
    return Entry{kind, line, std::move(signature), &Adapt<F>::call, Adapt<F>::arity, std::move(locals), doc, {}};
}
template <auto F>
Entry function(int line, std::string signature, std::string locals = "", const char* doc = nullptr) {
    return callable<F>(Entry::Function, line, std::move(signature), std::move(locals), doc);
}
template <auto F>
Entry method(int line, std::string signature, std::string locals = "", const char* doc = nullptr) {
    return callable<F>(Entry::Method, line, std::move(signature), std::move(locals), doc);
}
template <auto F>
Entry static_method(int line, std::string signature, std::string locals = "", const char* doc = nullptr) {
    return callable<F>(Entry::StaticMethod, line, std::move(signature), std::move(locals), doc);
}
template <auto F>
Entry property(int line, std::string signature, std::string locals = "", const char* doc = nullptr) {
    return callable<F>(Entry::Property, line, std::move(signature), std::move(locals), doc);
}
// A class attribute set in the class body: "CheckInterval = 0.1".
Entry attribute(int line, std::string assignment);
// A class statement: "Name(Base, ...)" or "Name".
Entry class_(int line, std::string header, std::vector<Entry> members);
// A module-level statement.
Entry statement(int line, std::string text);

// Adds definitions to the module body; each part of the module holds one
// static Register.  The body runs them sorted by line, whatever order the
// parts' registers were made in: as in a Python file, a statement sees only
// what lines above it defined, so a class must come after its bases (checked
// at import) and a default after the names it reads.
struct Register {
    Register(std::initializer_list<Entry> entries);
};

// Private member names are stored class-qualified, as Python does:
// mangle("MultipleInputDialog", "__on_ok") == "_MultipleInputDialog__on_ok".
std::string mangle(const std::string& class_name, const std::string& name);

}  // namespace kvt
