// Signatures of the published callables and the one argument binder that
// every call goes through.
#include "module/frame.h"

#include <algorithm>
#include <cstdarg>
#include <deque>

namespace kvt::frame {

namespace {

[[noreturn]] void bad_declaration(const Entry& entry, const char* what) {
    raise(PyExc_SystemError, "kvt_wxtools: %s in declaration at line %d: %s", what, entry.line, entry.text.c_str());
}

Param parse_param(const std::string& text) {
    Param p;
    const std::vector<std::string> head_default = split_top_level(text, '=');
    if (head_default.size() > 1) p.fallback = head_default[1];
    const std::vector<std::string> name_annotation = split_top_level(head_default[0], ':');
    p.name = name_annotation[0];
    if (name_annotation.size() > 1) p.annotation = name_annotation[1];
    if (p.annotation == "str") p.check = Check::Text;
    if (p.annotation == "type") p.check = Check::Class;
    if (p.annotation == "float") p.check = Check::Float;
    p.key = PyUnicode_InternFromString(p.name.c_str());
    if (!p.key) throw_python_error();
    return p;
}

// Never freed: function objects point at these for the rest of the process.
std::deque<Callable>& callables() {
    static auto* all = new std::deque<Callable>();
    return *all;
}

}  // namespace

// Callables stay (function objects outliving the module point at them);
// the Python objects they cache go with the module's state.
void release_callables(Release how) noexcept {
    for (Callable& c : callables()) {
        for (Param& p : c.params) {
            if (how == Release::References) Py_XDECREF(p.key);
            p.key = nullptr;
        }
        for (PyObject*& message : c.count_errors) {
            if (how == Release::References) Py_XDECREF(message);
            message = nullptr;
        }
    }
}

const Callable& declare(const Entry& entry, const std::string& class_name) {
    const std::string& text = entry.text;
    const std::size_t open = text.find('(');
    const std::size_t arrow = text.rfind("->");
    const std::size_t close = text.rfind(')', arrow == std::string::npos ? std::string::npos : arrow);
    if (open == std::string::npos || close == std::string::npos || close < open)
        bad_declaration(entry, "no parameter list");

    Callable c;
    c.kind = entry.kind;
    c.line = entry.line;
    c.name = trim(text.substr(0, open));
    c.qualname = class_name.empty() ? c.name : class_name + "." + c.name;
    c.traceback_name = std::string(kModuleName) + "." + c.qualname;
    if (arrow != std::string::npos && arrow > close) c.returns = trim(text.substr(arrow + 2));
    c.body = entry.body;
    c.doc = entry.doc;

    const std::string inside = trim(text.substr(open + 1, close - open - 1));
    if (!inside.empty()) {
        for (const std::string& item : split_top_level(inside, ',')) {
            if (item.compare(0, 2, "**") == 0) {
                c.kwargs = trim(item.substr(2));
                continue;
            }
            if (!c.kwargs.empty()) bad_declaration(entry, "parameter after **");
            c.params.push_back(parse_param(item));
        }
    }
    c.required = c.params.size();
    for (std::size_t k = 0; k < c.params.size(); ++k) {
        if (!c.params[k].fallback.empty()) {
            c.required = std::min(c.required, k);
        } else if (c.required < k) {
            bad_declaration(entry, "parameter without default after one with");
        }
    }
    for (const Param& p : c.params) c.checked |= p.check != Check::None;
    c.slots = c.params.size() + (c.kwargs.empty() ? 0 : 1);
    c.plain = c.kwargs.empty() && !c.checked;
    for (const std::string& name : split_top_level(entry.locals, ' '))
        if (!name.empty()) c.locals.push_back(name);

    const std::size_t slots = c.params.size() + (c.kwargs.empty() ? 0 : 1);
    if (static_cast<int>(slots) != entry.arity) bad_declaration(entry, "body arity differs from the signature");
    if (slots > static_cast<std::size_t>(kMaxArgs)) bad_declaration(entry, "too many parameters");
    callables().push_back(std::move(c));
    return callables().back();
}

namespace {

// Sets a TypeError and returns false: argument errors are common enough in
// callers' code that they are reported without unwinding.
bool type_error(const char* format, ...) {
    va_list vargs;
    va_start(vargs, format);
    PyErr_FormatV(PyExc_TypeError, format, vargs);
    va_end(vargs);
    return false;
}

bool argtuple_invalid(const Callable& c, std::size_t found) {
    // The text depends only on the callable and the count given, so each one
    // is made once and kept until the module's state is released.
    const bool cacheable = found <= static_cast<std::size_t>(kMaxArgs);
    PyObject* message = cacheable ? c.count_errors[found] : nullptr;
    if (!message) {
        const std::size_t total = c.params.size();
        const bool exact = c.required == total;
        const bool too_few = found < c.required;
        const std::size_t expected = too_few ? c.required : total;
        const char* more_or_less = exact ? "exactly" : too_few ? "at least" : "at most";
        message = PyUnicode_FromFormat("%.200s() takes %.8s %zd positional argument%.1s (%zd given)", c.name.c_str(),
              more_or_less, static_cast<Py_ssize_t>(expected), expected == 1 ? "" : "s",
              static_cast<Py_ssize_t>(found));
        if (!message) return false;
        if (!cacheable) {
            PyErr_SetObject(PyExc_TypeError, message);
            Py_DECREF(message);
            return false;
        }
        c.count_errors[found] = message;
    }
    PyErr_SetObject(PyExc_TypeError, message);
    return false;
}

bool names_param(PyObject* key, const Param& p) {
    return PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, p.name.c_str()) == 0;
}

// Conversions first, then the text and class checks, in declaration order.
bool convert_and_check(const Callable& c, py::object* out) {
    const std::size_t total = c.params.size();
    for (std::size_t k = 0; k < total; ++k) {
        if (c.params[k].check != Check::Float || PyFloat_CheckExact(out[k].ptr())) continue;
        const double value = PyFloat_AsDouble(out[k].ptr());
        if (value == -1.0 && PyErr_Occurred()) return false;
        out[k] = py::float_(value);
    }
    for (std::size_t k = 0; k < total; ++k) {
        const Param& p = c.params[k];
        PyObject* v = out[k].ptr();
        if (v == Py_None) continue;
        const char* expected = nullptr;
        if (p.check == Check::Text && !PyUnicode_CheckExact(v)) expected = "str";
        if (p.check == Check::Class && Py_TYPE(v) != &PyType_Type) expected = "type";
        if (expected)
            return type_error("Argument '%.200s' has incorrect type (expected %.200s, got %.200s)",
                  p.name.c_str(), expected, Py_TYPE(v)->tp_name);
    }
    return true;
}

// Fills the parameters still unbound from the defaults, then converts and checks.
bool finish_binding(const Callable& c, PyObject* defaults, py::object* out) {
    const std::size_t total = c.params.size();
    if (!c.kwargs.empty() && !out[total]) out[total] = py::dict();
    const std::size_t ndefaults = defaults ? static_cast<std::size_t>(PyTuple_GET_SIZE(defaults)) : 0;
    for (std::size_t k = 0; k < total; ++k) {
        if (out[k]) continue;
        if (k < total - ndefaults) {
            // Defaults cleared by the collector: the parameter has no value.
            return type_error("%.200s() missing 1 required positional argument: '%.200s'", c.name.c_str(), c.params[k].name.c_str());
        }
        out[k] = py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(defaults, k - (total - ndefaults)));
    }
    return c.checked ? convert_and_check(c, out) : true;
}

}  // namespace

bool bind(const Callable& c, PyObject* defaults, PyObject* const* args, std::size_t nargs, PyObject* kwnames,
          py::object* out) {
    const std::size_t total = c.params.size();
    // The usual call: every parameter given by position.
    if (!kwnames && nargs == total && c.kwargs.empty()) {
        for (std::size_t k = 0; k < total; ++k) out[k] = py::reinterpret_borrow<py::object>(args[k]);
        return c.checked ? convert_and_check(c, out) : true;
    }
    const std::size_t nkw = kwnames ? static_cast<std::size_t>(PyTuple_GET_SIZE(kwnames)) : 0;
    const char* name = c.name.c_str();

    // Callables of one parameter (or none) take their arguments positionally only.
    if (c.kwargs.empty() && total <= 1) {
        if (nkw) return type_error("%.200s() takes no keyword arguments", name);
        if (total == 0 && nargs != 0)
            return type_error("%.200s() takes no arguments (%zd given)", name, static_cast<Py_ssize_t>(nargs));
        if (total == 1 && nargs != 1)
            return type_error("%.200s() takes exactly one argument (%zd given)", name,
                  static_cast<Py_ssize_t>(nargs));
        if (total == 1) out[0] = py::reinterpret_borrow<py::object>(args[0]);
    } else {
        if (nargs > total) return argtuple_invalid(c, nargs);
        for (std::size_t k = 0; k < nargs; ++k) out[k] = py::reinterpret_borrow<py::object>(args[k]);
        if (nkw) {
            std::vector<bool> used(nkw, false);
            // The parameters after the positional ones, by keyword.
            for (std::size_t k = nargs; k < total; ++k) {
                for (std::size_t j = 0; j < nkw; ++j) {
                    if (!used[j] && names_param(PyTuple_GET_ITEM(kwnames, j), c.params[k])) {
                        out[k] = py::reinterpret_borrow<py::object>(args[nargs + j]);
                        used[j] = true;
                        break;
                    }
                }
                if (!out[k] && k < c.required) return argtuple_invalid(c, k);
            }
            // Every other keyword: a duplicate, unknown, or gathered into **kwargs.
            // A keyword naming a parameter is a duplicate whether that parameter
            // was filled positionally or by an earlier keyword of the same text
            // (two str keys, one a subclass with a hash of its own, can both be
            // in the caller's dict).
            py::dict extra;
            for (std::size_t j = 0; j < nkw; ++j) {
                if (used[j]) continue;
                PyObject* key = PyTuple_GET_ITEM(kwnames, j);
                if (!PyUnicode_Check(key)) return type_error("%.200s() keywords must be strings", name);
                for (std::size_t k = 0; k < total; ++k)
                    if (names_param(key, c.params[k]))
                        return type_error("%s() got multiple values for keyword argument '%U'", name, key);
                if (c.kwargs.empty())
                    return type_error("%s() got an unexpected keyword argument '%U'", name, key);
                if (PyDict_SetItem(extra.ptr(), key, args[nargs + j]) < 0) return false;
            }
            if (!c.kwargs.empty()) out[total] = std::move(extra);
        } else if (nargs < c.required) {
            return argtuple_invalid(c, nargs);
        }
        return finish_binding(c, defaults, out);
    }
    return c.checked ? convert_and_check(c, out) : true;
}

bool bind_dict(const Callable& c, PyObject* defaults, PyObject* const* args, std::size_t nargs, PyObject* kwargs,
               py::object* out) {
    // The same rules and errors, in the same order, as bind() with the
    // dict's keys as keyword names: with exactly-str keys, which are unique,
    // looking a parameter's name up in the dict finds the one key that the
    // name-by-name search would.
    const std::size_t total = c.params.size();
    const std::size_t nkw = static_cast<std::size_t>(PyDict_GET_SIZE(kwargs));
    const char* name = c.name.c_str();
    if (c.kwargs.empty() && total <= 1) return type_error("%.200s() takes no keyword arguments", name);
    if (nargs > total) return argtuple_invalid(c, nargs);
    for (std::size_t k = 0; k < nargs; ++k) out[k] = py::reinterpret_borrow<py::object>(args[k]);
    std::size_t used = 0;
    for (std::size_t k = nargs; k < total; ++k) {
        const Param& p = c.params[k];
        if (!p.key && !(p.key = PyUnicode_InternFromString(p.name.c_str()))) return false;
        PyObject* value = PyDict_GetItemWithError(kwargs, p.key);
        if (value) {
            out[k] = py::reinterpret_borrow<py::object>(value);
            ++used;
        } else if (PyErr_Occurred()) {
            return false;
        } else if (k < c.required) {
            return argtuple_invalid(c, k);
        }
    }
    if (used < nkw) {
        // Every other keyword: a duplicate, unknown, or gathered into **kwargs.
        py::dict extra;
        Py_ssize_t pos = 0;
        PyObject *key, *value;
        while (PyDict_Next(kwargs, &pos, &key, &value)) {
            bool is_keyword_parameter = false;
            for (std::size_t k = nargs; k < total && !is_keyword_parameter; ++k)
                is_keyword_parameter = names_param(key, c.params[k]);
            if (is_keyword_parameter) continue;
            for (std::size_t k = 0; k < nargs; ++k)
                if (names_param(key, c.params[k]))
                    return type_error("%s() got multiple values for keyword argument '%U'", name, key);
            if (c.kwargs.empty()) return type_error("%s() got an unexpected keyword argument '%U'", name, key);
            if (PyDict_SetItem(extra.ptr(), key, value) < 0) return false;
        }
        if (!c.kwargs.empty()) out[total] = std::move(extra);
    } else if (!c.kwargs.empty()) {
        out[total] = py::dict();
    }
    return finish_binding(c, defaults, out);
}

}  // namespace kvt::frame
