// ParameterTreeDialog: a dialog sized to its content that holds one
// ParameterTreeEditorPanel, optionally loading a parameter directory at once.
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// 1406
py::object ParameterTreeDialog___init__(py::handle self, py::handle parent, py::handle path, Line& at) {
    at(1407);
    // The keyword values are read one by one, left to right.
    py::object init = get_attr(wx_attr("Dialog"), "__init__");
    py::object id = wx_attr("ID_ANY");
    py::object pos = wx_attr("DefaultPosition");
    py::object size = wx_attr("DefaultSize");
    init(self, parent, "id"_a = id, "title"_a = tr("Parameter Tree Editor"), "pos"_a = pos, "size"_a = size,
         "style"_a = wx_attr("DEFAULT_DIALOG_STYLE"));
    at(1409);
    py::object set_size_hints = get_attr(self, "SetSizeHints");
    py::object min_size = wx_attr("DefaultSize");
    call(set_size_hints, min_size, wx_attr("DefaultSize"));
    at(1411);
    py::object box_sizer = wx_attr("BoxSizer");
    py::object sizer = call(box_sizer, wx_attr("VERTICAL"));
    at(1412);
    py::object panel;
    // A dialog whose panel could not be made (the directory failed to load)
    // is never handed to the caller: it is destroyed rather than left as a
    // hidden top-level window that keeps the application alive.
    on_error(at, [&] { panel = call(global("ParameterTreeEditorPanel"), self, path); },
             [&] { call_method(self, "Destroy"); });
    at(1413);
    py::object add = get_attr(sizer, "Add");
    py::object expand = wx_attr("EXPAND");
    call(add, panel, py::int_(1), expand | wx_attr("ALL"), py::int_(5));
    at(1415);
    call_method(self, "SetSizer", sizer);
    at(1416);
    call_method(self, "Layout");
    at(1417);
    call_method(sizer, "Fit", self);
    at(1418);
    py::object centre = get_attr(self, "Centre");
    call(centre, wx_attr("BOTH"));
    // The close box, Escape and Close() come here; EndModal and Destroy
    // do not.
    at(4301);
    call_method(self, "Bind", wx_attr("EVT_CLOSE"), get_attr(self, "on_close"));
    call_method(self, "Bind", wx_attr("EVT_CHAR_HOOK"), get_attr(self, "on_key"));
    return py::none();
}

// 4309
py::object ParameterTreeDialog_on_key(py::handle self, py::handle event, Line& at) {
    // The dialog has no Cancel button for Escape to press: Escape closes
    // it as the close box does, unless it is pressed in a find field that
    // holds text, where it clears the filter first.
    at(4310);
    if (call_method(event, "GetKeyCode").equal(wx_attr("WXK_ESCAPE")) &&
        !truth(call_method(event, "HasAnyModifiers"))) {
        py::object focus = call_method(wx_attr("Window"), "FindFocus");
        if (!focus.is_none()) {
            py::object focus_parent = call_method(focus, "GetParent");
            for (py::handle child : call_method(self, "GetChildren")) {
                if (!is_instance(child, global("ParameterTreeEditorPanel"))) continue;
                py::object find = get_attr(child, "ui_find");
                if ((focus.is(find) || focus_parent.is(find)) && truth(call_method(find, "GetValue"))) {
                    call_method(child, "on_find_cancel", py::none());
                    return py::none();
                }
            }
        }
        at(4311);
        call_method(self, "Close");
        return py::none();
    }
    at(4312);
    call_method(event, "Skip");
    return py::none();
}

// 4303
py::object ParameterTreeDialog_on_close(py::handle self, py::handle event, Line& at) {
    at(4304);
    if (truth(call_method(event, "CanVeto"))) {
        for (py::handle child : call_method(self, "GetChildren")) {
            at(4305);
            if (is_instance(child, global("ParameterTreeEditorPanel")) &&
                !truth(call_method(child, "ask_to_save_changes"))) {
                at(4306);
                call_method(event, "Veto");
                return py::none();
            }
            at(4304);
        }
    }
    at(4307);
    call_method(event, "Skip");
    return py::none();
}

Register definitions{
    class_(1405, "ParameterTreeDialog(wx.Dialog)",
           {
               method<ParameterTreeDialog___init__>(1406, "__init__(self, parent, path: str = \"\")", "sizer panel"),
               method<ParameterTreeDialog_on_close>(4303, "on_close(self, event: wx.CloseEvent)", "child"),
               method<ParameterTreeDialog_on_key>(4309, "on_key(self, event: wx.KeyEvent)"),
           }),
};

}  // namespace
}  // namespace kvt
