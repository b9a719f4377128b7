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

int exec_module(PyObject* module) {
    if (PyObject* existing = module_object()) {
        if (existing == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'kvt_wxtools' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    int line = 1;
    bool ok = false;
    try {
        prepare(module);
        ok = run_body(line);
    } catch (...) {
        set_error_from_current_exception();
    }
    if (ok) return 0;
    // The half-built module is released; a later import starts afresh.
    if (PyErr_Occurred()) {
        add_traceback("init kvt_wxtools", line);
    } else {
        PyErr_SetString(PyExc_ImportError, "init kvt_wxtools");
    }
    set_module(nullptr, nullptr);
    return -1;
}

PyModuleDef_Slot slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(create_module)},
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    kModuleName,  // m_name
    nullptr,      // m_doc: the module has no docstring
    0,            // m_size: all state lives in the module dictionary
    nullptr,      // m_methods: every function is made while the body runs
    slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace frame
}  // namespace kvt

extern "C" PYBIND11_EXPORT PyObject* PyInit_kvt_wxtools() {
    return PyModuleDef_Init(&kvt::frame::definition);
}
