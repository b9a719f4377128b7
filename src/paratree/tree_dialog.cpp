// ParameterTreeDialog: a dialog sized to its content that holds one
// ParameterTreeEditorPanel, optionally loading a parameter directory at once.
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// 1406
py::object ParameterTreeDialog___init__(py::handle self, py::handle parent, py::handle path) {
    at(1407);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, "id"_a = wx_attr("ID_ANY"),
                                            "title"_a = "Parameter Tree Editor", "pos"_a = wx_attr("DefaultPosition"),
                                            "size"_a = wx_attr("DefaultSize"),
                                            "style"_a = wx_attr("DEFAULT_DIALOG_STYLE"));
    at(1409);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));
    at(1411);
    py::object sizer = call(wx_attr("BoxSizer"), wx_attr("VERTICAL"));
    at(1412);
    py::object panel;
    try {
        panel = call(global("ParameterTreeEditorPanel"), self, path);
    } catch (...) {
        // A dialog whose panel could not be made (the directory failed to
        // load) is never handed to the caller: destroy it instead of leaving
        // a hidden top-level window that keeps the application alive.
        set_error_from_current_exception();
        PyObject *type, *value, *tb;
        PyErr_Fetch(&type, &value, &tb);
        try {
            call_method(self, "Destroy");
        } catch (...) {
            set_error_from_current_exception();
            PyErr_Clear();
        }
        PyErr_Restore(type, value, tb);
        at(1412);
        throw_python_error();
    }
    at(1413);
    py::object add = get_attr(sizer, "Add");
    call(add, panel, py::int_(1), wx_attr("EXPAND") | wx_attr("ALL"), py::int_(5));
    at(1415);
    call_method(self, "SetSizer", sizer);
    at(1416);
    call_method(self, "Layout");
    at(1417);
    call_method(sizer, "Fit", self);
    at(1418);
    call_method(self, "Centre", wx_attr("BOTH"));
    return py::none();
}

Register definitions{
    class_(1405, "ParameterTreeDialog(wx.Dialog)",
           {
               method<ParameterTreeDialog___init__>(1406, "__init__(self, parent, path: str = \"\")", "sizer panel"),
           }),
};

}  // namespace
}  // namespace kvt
