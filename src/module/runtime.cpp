// Errors, traceback entries, globals, declaration expressions, class creation
// and the registry that the module body runs.
#include "module/frame.h"

#include <frameobject.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>
#include <unordered_map>

namespace kvt {

namespace {
PyObject* g_module = nullptr;    // the module the state belongs to (borrowed)
PyObject* g_dict = nullptr;      // the module's dict (borrowed from g_module)
PyObject* g_builtins = nullptr;  // the builtins module's dict (strong)
}  // namespace

// ---------------------------------------------------------------- errors ---

void raise(PyObject* type, const char* format, ...) {
    va_list vargs;
    va_start(vargs, format);
    PyErr_FormatV(type, format, vargs);
    va_end(vargs);
    throw_python_error();
}

void set_error_from_current_exception() noexcept {
    try {
        throw;
    } catch (PythonError&) {
        // The error indicator is already set.
    } catch (py::error_already_set& e) {
        e.restore();
    } catch (py::builtin_exception& e) {
        e.set_error();
    } catch (std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (std::exception& e) {
        PyErr_Format(PyExc_SystemError, "kvt_wxtools: internal error: %s", e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "kvt_wxtools: unknown internal error");
    }
    if (!PyErr_Occurred())
        PyErr_SetString(PyExc_SystemError, "kvt_wxtools: error without an exception");
}

namespace {
// The empty code objects that name traceback entries, one per function name
// and line; `funcname` is a literal or a Callable's name (both live for the
// whole process), so its address is a stable key.  Owned by the module.
using TracebackCodes = std::map<std::pair<const char*, int>, PyCodeObject*>;
TracebackCodes* g_traceback_codes = nullptr;

PyCodeObject* traceback_code(const char* funcname, int line) {
    if (!g_traceback_codes) {
        g_traceback_codes = new (std::nothrow) TracebackCodes();
        if (!g_traceback_codes) return nullptr;
    }
    TracebackCodes* cache = g_traceback_codes;
    auto found = cache->find({funcname, line});
    if (found != cache->end()) return found->second;
    PyCodeObject* code = PyCode_NewEmpty(frame::kSourceFile, funcname, line);
    if (code) {
        try {
            cache->emplace(std::make_pair(funcname, line), code);
        } catch (...) {
            // No memory left to cache it: skip the entry, keep the error.
            Py_DECREF(code);
            return nullptr;
        }
    }
    return code;
}
}  // namespace

void add_traceback(const char* funcname, int line) noexcept {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyObject* globals = g_dict ? Py_NewRef(g_dict) : PyDict_New();  // a frame needs globals
    PyCodeObject* code = globals ? traceback_code(funcname, line) : nullptr;
    PyFrameObject* pyframe = code ? PyFrame_New(PyThreadState_Get(), code, globals, nullptr) : nullptr;
    if (!pyframe) {
        // Keep the error being reported, not the one that stopped the entry.
        PyErr_Clear();
        PyErr_Restore(type, value, tb);
    } else {
        // PyTraceBack_Here takes the error from the indicator; on failure it
        // leaves its own error there, so it gets its own references.
        Py_XINCREF(type);
        Py_XINCREF(value);
        Py_XINCREF(tb);
        PyErr_Restore(type, value, tb);
        if (PyTraceBack_Here(pyframe) < 0) {
            PyErr_Clear();
            PyErr_Restore(type, value, tb);
        } else {
            Py_XDECREF(type);
            Py_XDECREF(value);
            Py_XDECREF(tb);
        }
    }
    Py_XDECREF(pyframe);
    Py_XDECREF(globals);
}

// --------------------------------------------------------------- globals ---

namespace frame {
void set_module(PyObject* module, PyObject* builtins_dict) noexcept {
    Py_XINCREF(builtins_dict);
    Py_XSETREF(g_builtins, builtins_dict);
    g_module = module;
    g_dict = module ? PyModule_GetDict(module) : nullptr;
}
PyObject* module_object() noexcept { return g_module; }

int visit_state(visitproc visit, void* arg) noexcept {
    // The state's references that may take part in a cycle; the texts and
    // code objects it also holds can't.
    Py_VISIT(g_builtins);
    Py_VISIT(builtins().property);
    Py_VISIT(builtins().staticmethod);
    Py_VISIT(reinterpret_cast<PyObject*>(function_type_object));
    return 0;
}

void release_state(Release how) noexcept {
    const bool drop = how == Release::References;
    g_module = g_dict = nullptr;
    PyObject* builtins_dict = g_builtins;
    g_builtins = nullptr;
    Builtins b = builtins();
    builtins() = Builtins{};
    TracebackCodes* codes = g_traceback_codes;
    g_traceback_codes = nullptr;
    release_calls(how);
    release_callables(how);
    release_function_type(how);
    // Released last: a last reference may run Python code, which then finds
    // the state already empty rather than half torn down.
    if (drop) {
        Py_XDECREF(builtins_dict);
        Py_XDECREF(b.property);
        Py_XDECREF(b.staticmethod);
        if (codes)
            for (auto& entry : *codes) Py_DECREF(entry.second);
    }
    delete codes;
}
}  // namespace frame

py::dict module_dict() {
    if (!g_dict) raise(PyExc_SystemError, "kvt_wxtools is not initialised");
    return py::reinterpret_borrow<py::dict>(g_dict);
}

bool is_instance(py::handle obj, py::handle cls) {
    const int result = PyObject_IsInstance(obj.ptr(), cls.ptr());
    if (result < 0) throw_python_error();
    return result != 0;
}

std::pair<py::object, py::object> unpack_pair(py::handle pair) {
    if (PyTuple_CheckExact(pair.ptr()) && PyTuple_GET_SIZE(pair.ptr()) == 2) {
        return {py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(pair.ptr(), 0)),
                py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(pair.ptr(), 1))};
    }
    PyObject* it = PyObject_GetIter(pair.ptr());
    if (it == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw_python_error();
        PyErr_Clear();
        raise(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(pair.ptr())->tp_name);
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
    if (PyObject* extra = PyIter_Next(iter.ptr())) {
        Py_DECREF(extra);
        raise(PyExc_ValueError, "too many values to unpack (expected 2)");
    }
    if (PyErr_Occurred()) throw_python_error();
    return {std::move(values[0]), std::move(values[1])};
}

// The current error, normalised and cleared, when it is an instance of
// `cls` (with its traceback attached, as `except ... as e` binds it);
// otherwise the error stays set and is thrown on.
py::object fetch_exception_if(PyObject* cls) {
    if (!PyErr_ExceptionMatches(cls)) throw_python_error();
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb && value) PyException_SetTraceback(value, tb);
    Py_XDECREF(type);
    Py_XDECREF(tb);
    if (value == nullptr) raise(PyExc_SystemError, "exception lost while it was handled");
    return py::reinterpret_steal<py::object>(value);
}

void chain_context(PyObject* type, PyObject* value, PyObject* traceback) noexcept {
    if (type == nullptr) return;
    if (!PyErr_Occurred()) {
        PyErr_Restore(type, value, traceback);
        return;
    }
    PyErr_NormalizeException(&type, &value, &traceback);
    if (value != nullptr && traceback != nullptr) PyException_SetTraceback(value, traceback);
    Py_DECREF(type);
    Py_XDECREF(traceback);
    if (value == nullptr) return;
    PyObject *now_type, *now_value, *now_traceback;
    PyErr_Fetch(&now_type, &now_value, &now_traceback);
    PyErr_NormalizeException(&now_type, &now_value, &now_traceback);
    if (now_value != nullptr && now_value != value) {
        PyException_SetContext(now_value, value);  // steals `value`
    } else {
        Py_DECREF(value);
    }
    PyErr_Restore(now_type, now_value, now_traceback);
}

void DestroyOnExit::destroy_quietly() noexcept {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    {
        // Released before the error is restored: its last reference may run
        // Python code, which must not see the error in flight.
        py::object window = std::move(window_);
        try {
            call_method(window, "Destroy");
        } catch (...) {
            set_error_from_current_exception();
            PyErr_WriteUnraisable(window.ptr());
        }
    }
    PyErr_Restore(type, value, traceback);
}

py::object global(const char* literal) { return global(interned(literal)); }

py::object global(py::handle key) {
    if (!g_dict) raise(PyExc_SystemError, "kvt_wxtools is not initialised");
    PyObject* value = PyDict_GetItemWithError(g_dict, key.ptr());
    if (!value && !PyErr_Occurred() && g_builtins) value = PyDict_GetItemWithError(g_builtins, key.ptr());
    if (!value) {
        if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", key.ptr());
        throw_python_error();
    }
    return py::reinterpret_borrow<py::object>(value);
}

void set_global(const char* name, py::handle value) {
    if (PyDict_SetItemString(module_dict().ptr(), name, value.ptr()) < 0) throw_python_error();
}

void del_global(const char* name) {
    py::str key(name);
    if (PyDict_DelItem(module_dict().ptr(), key.ptr()) < 0) {
        if (!PyErr_ExceptionMatches(PyExc_KeyError)) throw_python_error();
        PyErr_Clear();
        raise(PyExc_NameError, "name '%U' is not defined", key.ptr());
    }
}

std::string mangle(const std::string& class_name, const std::string& name) {
    const bool is_private = name.size() > 2 && name.compare(0, 2, "__") == 0 &&
                            !(name.size() >= 4 && name.compare(name.size() - 2, 2, "__") == 0) &&
                            name.find('.') == std::string::npos;
    if (!is_private) return name;
    const std::size_t start = class_name.find_first_not_of('_');
    if (start == std::string::npos) return name;  // a class named only of underscores
    return "_" + class_name.substr(start) + name;
}

// ------------------------------------------------------------ expressions ---

namespace {

// Recursive-descent reader over one declaration expression.
class Reader {
public:
    explicit Reader(const std::string& text) : s_(text) {}

    py::object expression() {
        py::object value = atom();
        for (;;) {
            skip();
            if (eat('.')) {
                value = value.attr(py::str(name()));
            } else if (eat('[')) {
                std::vector<py::object> keys = list(']');
                if (keys.size() == 1) {
                    value = value[keys[0]];
                } else {
                    value = value[as_tuple(keys)];
                }
            } else if (eat('(')) {
                std::vector<py::object> args = list(')');
                PyObject* result = PyObject_Call(value.ptr(), as_tuple(args).ptr(), nullptr);
                if (!result) throw_python_error();
                value = py::reinterpret_steal<py::object>(result);
            } else {
                return value;
            }
        }
    }

    void finish() {
        skip();
        if (i_ != s_.size()) fail("unexpected text");
    }

    // Reads up to the next top-level `stop` character (outside brackets and
    // quotes) and returns the text read; used to split declarations.
    static std::vector<std::string> split(const std::string& text, char stop) {
        std::vector<std::string> parts;
        int depth = 0;
        char quote = 0;
        std::string part;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (quote) {
                if (c == '\\' && i + 1 < text.size()) {
                    part += c;
                    part += text[++i];
                    continue;
                }
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '(' || c == '[' || c == '{') {
                ++depth;
            } else if (c == ')' || c == ']' || c == '}') {
                --depth;
            } else if (c == stop && depth == 0) {
                parts.push_back(part);
                part.clear();
                continue;
            }
            part += c;
        }
        parts.push_back(part);
        return parts;
    }

private:
    [[noreturn]] void fail(const char* what) {
        raise(PyExc_SystemError, "kvt_wxtools: bad declaration expression (%s at %zd): %s", what,
              static_cast<Py_ssize_t>(i_), s_.c_str());
    }
    void skip() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    }
    bool eat(char c) {
        skip();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    std::string name() {
        skip();
        const std::size_t start = i_;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_')) ++i_;
        if (start == i_) fail("name expected");
        return s_.substr(start, i_ - start);
    }
    static py::tuple as_tuple(const std::vector<py::object>& items) {
        py::tuple t(items.size());
        for (std::size_t k = 0; k < items.size(); ++k) t[k] = items[k];
        return t;
    }
    std::vector<py::object> list(char close) {
        std::vector<py::object> items;
        if (eat(close)) return items;
        do {
            items.push_back(expression());
        } while (eat(','));
        if (!eat(close)) fail("closing bracket expected");
        return items;
    }
    py::object text_literal() {
        const char quote = s_[i_++];
        std::string out;
        while (i_ < s_.size() && s_[i_] != quote) {
            char c = s_[i_++];
            if (c == '\\' && i_ < s_.size()) {
                c = s_[i_++];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            out += c;
        }
        if (i_++ >= s_.size()) fail("unterminated text");
        PyObject* text = PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()), "strict");
        if (!text) throw_python_error();
        return py::reinterpret_steal<py::object>(text);
    }
    py::object number() {
        const std::size_t start = i_;
        if (s_[i_] == '-') ++i_;
        bool is_float = false;
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.')) {
            is_float |= s_[i_] == '.';
            ++i_;
        }
        const std::string digits = s_.substr(start, i_ - start);
        // Python's own parser: the C library's depends on the C locale, and
        // reads "0.1" as 0 where the decimal mark is a comma.
        PyObject* value = nullptr;
        if (is_float) {
            const double d = PyOS_string_to_double(digits.c_str(), nullptr, nullptr);
            if (!(d == -1.0 && PyErr_Occurred())) value = PyFloat_FromDouble(d);
        } else {
            value = PyLong_FromString(digits.c_str(), nullptr, 10);
        }
        if (!value) throw_python_error();
        return py::reinterpret_steal<py::object>(value);
    }
    py::object atom() {
        skip();
        if (i_ >= s_.size()) fail("expression expected");
        const char c = s_[i_];
        if (c == '"' || c == '\'') return text_literal();
        if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) return number();
        if (eat('[')) {
            std::vector<py::object> items = list(']');
            py::list l(items.size());
            for (std::size_t k = 0; k < items.size(); ++k) l[k] = items[k];
            return std::move(l);
        }
        if (eat('{')) {
            if (!eat('}')) fail("only the empty dictionary is supported");
            return py::dict();
        }
        const std::string id = name();
        if (id == "None") return py::none();
        if (id == "True") return py::bool_(true);
        if (id == "False") return py::bool_(false);
        return global(py::str(id));
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

}  // namespace

py::object evaluate(const std::string& expression) {
    Reader reader(expression);
    py::object value = reader.expression();
    reader.finish();
    return value;
}

namespace frame {
std::string trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    const std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> split_top_level(const std::string& text, char stop) {
    std::vector<std::string> parts = Reader::split(text, stop);
    for (auto& p : parts) p = trim(p);
    return parts;
}
}  // namespace frame

// ---------------------------------------------------------- declarations ---

Entry attribute(int line, std::string assignment) {
    return Entry{Entry::Attribute, line, std::move(assignment), nullptr, 0, "", nullptr, {}};
}

Entry class_(int line, std::string header, std::vector<Entry> members) {
    return Entry{Entry::Class, line, std::move(header), nullptr, 0, "", nullptr, std::move(members)};
}

Entry statement(int line, std::string text) {
    return Entry{Entry::Statement, line, std::move(text), nullptr, 0, "", nullptr, {}};
}

namespace {
// Allocated once and never freed: static destructors must not race the
// interpreter's own shutdown, and the entries hold no Python objects.
std::vector<Entry>& registry() {
    static auto* entries = new std::vector<Entry>();
    return *entries;
}
}  // namespace

Register::Register(std::initializer_list<Entry> entries) {
    for (const Entry& e : entries) registry().push_back(e);
}

// -------------------------------------------------------- running the body ---

namespace {

using frame::split_top_level;
using frame::trim;

// "import a.b", "import a.b as c", "from a import x as y, z".
void run_import(const std::string& text) {
    py::dict globals = module_dict();
    auto import = [&](const std::string& module, PyObject* fromlist) {
        py::str name(module);
        PyObject* m = PyImport_ImportModuleLevelObject(name.ptr(), globals.ptr(), nullptr, fromlist, 0);
        if (!m) throw_python_error();
        return py::reinterpret_steal<py::object>(m);
    };
    if (text.compare(0, 5, "from ") == 0) {
        const std::size_t at_import = text.find(" import ");
        const std::string module = trim(text.substr(5, at_import - 5));
        std::vector<std::pair<std::string, std::string>> names;  // (name, bound as)
        for (const std::string& item : split_top_level(text.substr(at_import + 8), ',')) {
            const std::size_t as = item.find(" as ");
            names.emplace_back(trim(item.substr(0, as)), trim(as == std::string::npos ? item : item.substr(as + 4)));
        }
        py::tuple fromlist(names.size());
        for (std::size_t k = 0; k < names.size(); ++k) fromlist[k] = py::str(names[k].first);
        py::object m = import(module, fromlist.ptr());
        for (const auto& [name, bound] : names) {
            py::str key(name);
            PyObject* value = PyObject_GetAttr(m.ptr(), key.ptr());
            if (!value) {
                if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_python_error();
                PyErr_Clear();
                raise(PyExc_ImportError, "cannot import name %S", key.ptr());
            }
            set_global(bound.c_str(), py::reinterpret_steal<py::object>(value));
        }
        return;
    }
    // "import a.b [as c]": without "as" the top package is bound under its own
    // name; with "as" the named submodule itself is bound.
    const std::string rest = trim(text.substr(7));
    const std::size_t as = rest.find(" as ");
    const std::string module = trim(rest.substr(0, as));
    py::object top = import(module, nullptr);
    if (as == std::string::npos) {
        set_global(module.substr(0, module.find('.')).c_str(), top);
        return;
    }
    py::object leaf = top;
    for (std::size_t dot = module.find('.'); dot != std::string::npos;) {
        const std::size_t next = module.find('.', dot + 1);
        leaf = leaf.attr(py::str(module.substr(dot + 1, next - dot - 1)));
        dot = next;
    }
    set_global(trim(rest.substr(as + 4)).c_str(), leaf);
}

// "name = expression", into the module dict or a class namespace.
std::pair<std::string, py::object> run_assignment(const std::string& text) {
    const std::size_t eq = text.find('=');
    return {trim(text.substr(0, eq)), evaluate(trim(text.substr(eq + 1)))};
}

// The most derived metaclass of `bases`, as a class statement chooses it.
py::object calculate_metaclass(const py::tuple& bases) {
    PyTypeObject* winner = &PyType_Type;
    for (py::handle base : bases) {
        PyTypeObject* t = Py_TYPE(base.ptr());
        if (PyType_IsSubtype(winner, t)) continue;
        if (PyType_IsSubtype(t, winner)) {
            winner = t;
            continue;
        }
        raise(PyExc_TypeError,
              "metaclass conflict: the metaclass of a derived class must be a (non-strict) subclass of the "
              "metaclasses of all its bases");
    }
    return py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(winner));
}

// Runs one entry; `line` follows the member being defined, for the error record.
void run_entry(const Entry& entry, int& line) {
    line = entry.line;
    switch (entry.kind) {
    case Entry::Statement:
        if (entry.text.compare(0, 7, "import ") == 0 || entry.text.compare(0, 5, "from ") == 0) {
            run_import(entry.text);
        } else {
            auto [name, value] = run_assignment(entry.text);
            set_global(name.c_str(), value);
        }
        return;
    case Entry::Function: {
        const frame::Callable& callable = frame::declare(entry, "");
        set_global(callable.name.c_str(), frame::make_function(callable));
        return;
    }
    case Entry::Class: {
        const std::size_t paren = entry.text.find('(');
        const std::string name = trim(entry.text.substr(0, paren));
        py::tuple bases(0);
        if (paren != std::string::npos) {
            const std::string inside = entry.text.substr(paren + 1, entry.text.rfind(')') - paren - 1);
            std::vector<py::object> items;
            for (const std::string& base : split_top_level(inside, ',')) items.push_back(evaluate(base));
            bases = py::tuple(items.size());
            for (std::size_t k = 0; k < items.size(); ++k) bases[k] = items[k];
        }
        py::object meta = calculate_metaclass(bases);
        py::object ns;
        if (py::hasattr(meta, "__prepare__")) {
            ns = meta.attr("__prepare__")(name, bases);
        } else {
            ns = py::dict();
        }
        ns["__module__"] = frame::kModuleName;
        ns["__qualname__"] = name;
        for (const Entry& member : entry.members) {
            line = member.line;
            if (member.kind == Entry::Attribute) {
                auto [attr, value] = run_assignment(member.text);
                ns[py::str(mangle(name, attr))] = value;
                continue;
            }
            const frame::Callable& callable = frame::declare(member, name);
            py::object f = frame::make_function(callable);
            const frame::Builtins& b = frame::builtins();
            if (member.kind == Entry::StaticMethod) f = py::reinterpret_borrow<py::object>(b.staticmethod)(f);
            if (member.kind == Entry::Property) f = py::reinterpret_borrow<py::object>(b.property)(f);
            ns[py::str(mangle(name, callable.name))] = f;
        }
        line = entry.line;
        set_global(name.c_str(), meta(name, bases, ns));
        return;
    }
    default:
        raise(PyExc_SystemError, "kvt_wxtools: misplaced declaration at line %d", entry.line);
    }
}

}  // namespace

namespace frame {

namespace {
// The body runs in line order, as Python runs a source file: a statement may
// use only what the lines above it defined.  A class's bases are evaluated
// when its statement runs, so a base declared further down would fail with a
// NameError that points at neither declaration; this says which one moves.
void check_class_order(const std::vector<const Entry*>& order) {
    std::map<std::string, int> classes;  // name -> line
    for (const Entry* e : order)
        if (e->kind == Entry::Class) classes.emplace(trim(e->text.substr(0, e->text.find('('))), e->line);
    for (const Entry* e : order) {
        const std::size_t paren = e->text.find('(');
        if (e->kind != Entry::Class || paren == std::string::npos) continue;
        const std::string inside = e->text.substr(paren + 1, e->text.rfind(')') - paren - 1);
        for (const std::string& base : split_top_level(inside, ',')) {
            auto found = classes.find(base);
            if (found != classes.end() && found->second >= e->line)
                raise(PyExc_SystemError, "kvt_wxtools: class at line %d derives from %s, declared below it at line %d",
                      e->line, base.c_str(), found->second);
        }
    }
}
}  // namespace

bool run_body(int& failed_line) noexcept {
    failed_line = 1;
    try {
        std::vector<const Entry*> order;
        for (const Entry& e : registry()) order.push_back(&e);
        std::stable_sort(order.begin(), order.end(),
                         [](const Entry* a, const Entry* b) { return a->line < b->line; });
        check_class_order(order);
        for (const Entry* e : order) run_entry(*e, failed_line);
        return true;
    } catch (...) {
        set_error_from_current_exception();
        return false;
    }
}

}  // namespace frame

}  // namespace kvt
