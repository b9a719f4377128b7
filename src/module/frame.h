// Internals of the module frame, shared by its own files only.
#pragma once

#include "module/kvt.h"

#include <string>
#include <vector>

namespace kvt::frame {

inline constexpr const char* kModuleName = "kvt_wxtools";
inline constexpr const char* kSourceFile = "wxtools.py";
// The most parameters any published callable has, its keyword dict included.
inline constexpr int kMaxArgs = 16;

// What binding does with a parameter once it has a value.
enum class Check {
    None,   // taken as it is
    Text,   // exactly str or None ("str" annotation)
    Class,  // exactly an instance of type, or None ("type" annotation)
    Float,  // converted with float semantics ("float" annotation)
};

struct Param {
    std::string name;
    std::string annotation;  // expression text, or empty
    std::string fallback;    // default's expression text, or empty
    Check check = Check::None;
    // The name as an interned text: made with the declaration, released with
    // the module's state, made again if a function outliving the module
    // binds a keyword after that.
    mutable PyObject* key = nullptr;
};

// A published callable: its parsed signature and its body.  Lives for the
// whole process (function objects point at it and may outlive the module).
struct Callable {
    Entry::Kind kind;
    int line;
    std::string name;            // bare name, "__on_ok"
    std::string qualname;        // "MultipleInputDialog.__on_ok"
    std::string traceback_name;  // "kvt_wxtools.MultipleInputDialog.__on_ok"
    std::vector<Param> params;
    std::string kwargs;          // name of the keyword dict parameter, or empty
    std::string returns;         // return annotation expression, or empty
    std::vector<std::string> locals;
    std::size_t required = 0;    // parameters without a default
    bool checked = false;        // some parameter has a conversion or a check
    std::size_t slots = 0;       // parameters, and the keyword dict when there is one
    bool plain = false;          // no keyword dict, no conversion, no check
    // The positional-count error texts made so far, by the count given
    // (released with the module's state).
    mutable PyObject* count_errors[kMaxArgs + 1] = {};
    Body body;
    const char* doc;
};

// Parses `entry.text` ("name(params) -> ret") into a Callable qualified by
// `class_name` (empty for module functions) and checks it against the body.
const Callable& declare(const Entry& entry, const std::string& class_name);

// Binds a call's arguments (positional ones, then one per name in `kwnames`) to `callable`'s parameters into `out` (one slot
// per parameter, then the keyword dict).  `defaults` holds the values of the
// trailing parameters that have defaults.  Raises the argument-error
// TypeErrors (returning false with the error set); conversions and text
// checks included.
bool bind(const Callable& callable, PyObject* defaults, PyObject* const* args, std::size_t nargs,
          PyObject* kwnames, py::object* out);

// The same for a call whose keywords come in a dict whose keys are all
// exactly str: each keyword parameter is looked up by its name.
bool bind_dict(const Callable& callable, PyObject* defaults, PyObject* const* args, std::size_t nargs,
               PyObject* kwargs, py::object* out);

// What releasing the module's state may do: drop its references (the
// interpreter still runs), or only forget its pointers (the interpreter has
// ended, and no C API call is allowed).
enum class Release { References, PointersOnly };

// The published-function type: made by the exec slot (a heap type, so that
// a finalized interpreter leaves nothing behind), released with the module.
extern PyTypeObject* function_type_object;
bool ready_function_type() noexcept;
void release_function_type(Release how) noexcept;
// Calls a published callable found by the module's own code, without an
// argument tuple (the vectorcall layout; see calls.h).
PyObject* call_direct(PyObject* self, PyObject* const* args, std::size_t nargs, PyObject* kwnames) noexcept;
#if PY_VERSION_HEX >= 0x03090000
// A published callable's vectorcall entry, set only while the module's own
// method call (detail::call_method) lets the interpreter find and call it:
// entered, it clears itself first, so every other call of the function goes
// through tp_call.  A function never keeps a vectorcall entry: with one, the
// interpreter would refuse `f(**{1: 2})` itself, before the binder could
// name the function in its refusal.
PyObject* armed_entry(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) noexcept;
#endif
// Creates the function object for `callable`: defaults and annotations are
// evaluated now, as a def statement does.
py::object make_function(const Callable& callable);

// The module's state: the module and its dict (borrowed), the built-ins,
// interned names, traceback codes, the type cache of method lookups, the
// per-callable caches and the function type.  It lives in static storage
// (one module per process) and belongs to the module object: set by the
// exec slot, visited by the module's traverse, released by its clear and
// free (or when the exec slot fails).
void set_module(PyObject* module, PyObject* builtins_dict) noexcept;
PyObject* module_object() noexcept;
int visit_state(visitproc visit, void* arg) noexcept;
void release_state(Release how) noexcept;
// Each file's share of it.
void release_calls(Release how) noexcept;      // calls.cpp
void release_callables(Release how) noexcept;  // binder.cpp

// Evaluates the body in source order; on failure the Python error is set and
// the failing entry's line is stored in `failed_line`.
bool run_body(int& failed_line) noexcept;

// Strips spaces and tabs at both ends of declaration text.
std::string trim(const std::string& s);

// Splits declaration text at top-level `stop` characters and trims each part.
std::vector<std::string> split_top_level(const std::string& text, char stop);

// The built-ins that class creation uses, looked up by the exec slot.
struct Builtins {
    PyObject* property = nullptr;
    PyObject* staticmethod = nullptr;
};
Builtins& builtins() noexcept;

}  // namespace kvt::frame
