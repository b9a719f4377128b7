// How kvt_wxtools comes into being: the entry function, the create slot and
// the exec slot (multi-phase initialisation), and the module-level statements
// that bind its imports.
#include "module/frame.h"

#include <cstring>

namespace kvt {

// The imports, one statement a line; the module body runs them first.
static Register imports{
    statement(2, "import wx"),
    statement(3, "import wx.adv"),
    statement(4, "import wx.grid"),
    statement(5, "from wx import FileDialog as _FileDialog, DirDialog as _DirDialog"),
    statement(6, "import datetime"),
    statement(7, "from serial.tools.list_ports import comports as _comports"),
    statement(8, "from typing import Union as _Union, Dict as _Dict, List as _List"),
    statement(9, "from kvt_paratreeui import ParameterTreeEditorPanel as _ParameterTreeEditorPanel"),
    statement(10, "from kvt_paratreeui import ParameterEditorDialog as _ParameterEditorDialog"),
    statement(11, "from kvt_paratreeui import ScalarEditorDialog as _ScalarEditorDialog"),
    statement(12, "from kvt_paratreeui import DescriptionEditorDialog as _DescriptionEditorDialog"),
    statement(13, "from kvt_paratreeui import CopyDialog as _CopyDialog"),
    statement(14, "from kvt_paratree import Parameter as _Parameter, ParameterBook as _ParameterBook"),
    statement(15, "from kvt_paratree import ParameterDirectory as _ParameterDirectory"),
    statement(16, "from kvt_paratree import InvalidNameCharacters as _InvalidNameCharacters"),
    statement(17, "from kvt_handy import FileSystemObserver as _FSObserver, Progress as _Progress"),
    statement(18, "from wx.lib.embeddedimage import PyEmbeddedImage"),
    statement(19, "import os.path as _path"),
    statement(20, "import json as _json"),
    statement(21, "from typing import Optional as _Optional"),
    statement(22, "from kvt_paratreeui import ParameterViewDialog as _ParameterViewDialog"),
    // The last statement of the body.
    statement(1470, "__test__ = {}"),
};

namespace frame {

Builtins& builtins() noexcept {
    static Builtins b;
    return b;
}

namespace {

PyInterpreterState* g_interpreter = nullptr;

// The running interpreter's "major.minor", read off its version text.
std::string running_version() {
    const char* v = Py_GetVersion();
    std::size_t n = std::strspn(v, "0123456789");
    if (v[n] == '.') n += 1 + std::strspn(v + n + 1, "0123456789");
    return std::string(v, n);
}

PyObject* create_module(PyObject* spec, PyModuleDef*) {
    PyInterpreterState* current = PyThreadState_Get()->interp;
    if (!g_interpreter) g_interpreter = current;
    if (current != g_interpreter) {
        PyErr_SetString(PyExc_ImportError,
                        "Interpreter change detected - this module can only be loaded into one interpreter per process.");
        return nullptr;
    }
    if (PyObject* existing = module_object()) return Py_NewRef(existing);

    PyObject* name = PyObject_GetAttrString(spec, "name");
    if (!name) return nullptr;
    PyObject* module = PyModule_NewObject(name);
    Py_DECREF(name);
    if (!module) return nullptr;
    PyObject* dict = PyModule_GetDict(module);
    struct Copy {
        const char* from;
        const char* to;
        bool none_too;
    };
    static const Copy copies[] = {
        {"loader", "__loader__", true},
        {"origin", "__file__", true},
        {"parent", "__package__", true},
        {"submodule_search_locations", "__path__", false},
    };
    for (const Copy& c : copies) {
        PyObject* value = PyObject_GetAttrString(spec, c.from);
        if (!value) {
            if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
                PyErr_Clear();
                continue;
            }
            Py_DECREF(module);
            return nullptr;
        }
        const int rc = (c.none_too || value != Py_None) ? PyDict_SetItemString(dict, c.to, value) : 0;
        Py_DECREF(value);
        if (rc < 0) {
            Py_DECREF(module);
            return nullptr;
        }
    }
    return module;
}

// The steps before the body: version check, module state, sys.modules and
// the built-ins that class creation needs.
void prepare(PyObject* module) {
    const std::string compiled = std::to_string(PY_MAJOR_VERSION) + "." + std::to_string(PY_MINOR_VERSION);
    const std::string running = running_version();
    if (running != compiled &&
        PyErr_WarnFormat(PyExc_RuntimeWarning, 1, "compiletime version %s of module '%.100s' does not match runtime version %s",
                         compiled.c_str(), kModuleName, running.c_str()) < 0)
        throw_python_error();

    py::module_ builtins_module = py::module_::import("builtins");
    set_module(module, builtins_module.attr("__dict__").ptr());
    if (PyObject_SetAttrString(module, "__builtins__", builtins_module.ptr()) < 0) throw_python_error();

    py::dict modules = py::reinterpret_borrow<py::dict>(PySys_GetObject("modules"));
    if (!modules) raise(PyExc_RuntimeError, "lost sys.modules");
    if (!modules.contains(kModuleName)) modules[kModuleName] = py::handle(module);

    for (const char* name : {"property", "staticmethod", "range", "enumerate", "TypeError"}) (void)global(name);
    Builtins& b = builtins();
    Py_XSETREF(b.property, global("property").release().ptr());
    Py_XSETREF(b.staticmethod, global("staticmethod").release().ptr());

    if (!ready_function_type()) throw_python_error();
}

// Whether interpreter_ended is registered with the running interpreter.
bool g_exit_hook = false;

// Runs after Py_FinalizeEx, when no C API call is allowed.  The module was
// freed during the finalization and released its state then; this forgets
// only what is still pointed at after that (a module kept alive past the end,
// or a name made by a call that ran after the module was freed), so that a
// new interpreter in this process starts afresh.
void interpreter_ended() {
    release_state(Release::PointersOnly);
    g_interpreter = nullptr;
    g_exit_hook = false;
}

int exec_module(PyObject* module) {
    if (PyObject* existing = module_object()) {
        if (existing == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'kvt_wxtools' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    // Whatever a call made after an earlier module was freed left behind may
    // belong to an interpreter that has ended since: forgotten, not touched.
    release_state(Release::PointersOnly);
    int line = 1;
    bool ok = false;
    try {
        prepare(module);
        ok = run_body(line);
    } catch (...) {
        set_error_from_current_exception();
    }
    if (ok) {
        // Once per interpreter; with no room left among the exit hooks, only
        // the safety net is missing (see interpreter_ended).
        if (!g_exit_hook) g_exit_hook = Py_AtExit(interpreter_ended) == 0;
        return 0;
    }
    // The half-built module is released; a later import starts afresh.
    if (PyErr_Occurred()) {
        add_traceback("init kvt_wxtools", line);
    } else {
        PyErr_SetString(PyExc_ImportError, "init kvt_wxtools");
    }
    release_state(Release::References);
    return -1;
}

// The module owns the frame's state: the collector sees its references
// through the module, and it is released when the module is cleared or
// freed (only by the module it belongs to: a module object made from the
// spec but never run, or refused, owns none of it).
int traverse_module(PyObject* module, visitproc visit, void* arg) {
    return module == module_object() ? visit_state(visit, arg) : 0;
}

int clear_module(PyObject* module) {
    if (module == module_object()) release_state(Release::References);
    return 0;
}

void free_module(void* module) {
    if (module == module_object()) {
        release_state(Release::References);
        // Free for any interpreter to import anew.
        g_interpreter = nullptr;
    }
}

PyModuleDef_Slot slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(create_module)},
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#ifdef Py_mod_multiple_interpreters
    // Sub-interpreters that share the main one's GIL (those that embedding
    // programs make) may ask for the module: the first interpreter to import
    // it keeps it, and any other is refused by create_module with the
    // module's own text, as on every version.  Declaring the module not
    // supported would make Python refuse it in every sub-interpreter with a
    // text of its own, also where the module would be the only one; isolated
    // sub-interpreters (their own GIL, 3.12's default) are refused by Python
    // itself, since the per-interpreter GIL is not declared.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_SUPPORTED},
#endif
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    kModuleName,      // m_name
    nullptr,          // m_doc: the module has no docstring
    0,                // m_size: the state is the frame's, one module per process
    nullptr,          // m_methods: every function is made while the body runs
    slots,
    traverse_module,  // m_traverse
    clear_module,     // m_clear
    free_module,      // m_free
};

}  // namespace
}  // namespace frame
}  // namespace kvt

extern "C" PYBIND11_EXPORT PyObject* PyInit_kvt_wxtools() {
    return PyModuleDef_Init(&kvt::frame::definition);
}
