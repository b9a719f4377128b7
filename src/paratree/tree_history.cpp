// The undo history of the parameter-tree editor: _TreeEdit, the one kind of
// wx.Command that the panel's wx.CommandProcessor keeps.  An edit is a list
// of steps (entries put in or taken out of a directory or book, a
// parameter's content replaced, the whole tree replaced) that the panel
// applies forwards to redo and backwards to undo.
#include "module/kvt.h"

namespace kvt {
namespace {

// Runs the steps of `self` through its panel; reports a failure to the user
// and tells the processor that nothing was done.
py::object apply(py::handle self, bool forward) {
    py::object panel = call(get_attr(self, "_panel"));
    if (panel.is_none()) return py::bool_(false);
    py::object e = catch_exception([&] {
        call_method(panel, "_apply_steps", get_attr(self, "steps"), py::bool_(forward));
    });
    if (!e) return py::bool_(true);
    call_method(global("MB"), "Error",
                tr_format(forward ? "Could not redo the change: %s" : "Could not undo the change: %s", e));
    return py::bool_(false);
}

// 4101
py::object TreeEdit___init__(py::handle self, py::handle panel, py::handle name, py::handle steps, Line& at) {
    at(4102);
    call(get_attr(wx_attr("Command"), "__init__"), self, py::bool_(true), name);
    // The panel owns the history that owns this edit: a weak reference
    // keeps that from being a cycle through the toolkit.
    at(4103);
    self.attr(interned("_panel")) = steal_result(PyWeakref_NewRef(panel.ptr(), nullptr));
    at(4104);
    self.attr(interned("steps")) = steps;
    // The command that makes the edit has made it already; the processor's
    // first Do only takes note.
    at(4105);
    self.attr(interned("_made")) = py::bool_(true);
    return py::none();
}

// 4107
py::object TreeEdit_Do(py::handle self, Line& at) {
    at(4108);
    if (truth(get_attr(self, "_made"))) {
        self.attr(interned("_made")) = py::bool_(false);
        return py::bool_(true);
    }
    at(4109);
    return apply(self, true);
}

// 4111
py::object TreeEdit_Undo(py::handle self, Line& at) {
    at(4112);
    return apply(self, false);
}

Register definitions{
    class_(1403, "_TreeEdit(wx.Command)",
           {
               method<TreeEdit___init__>(4101, "__init__(self, panel, name: str, steps)"),
               method<TreeEdit_Do>(4107, "Do(self) -> bool"),
               method<TreeEdit_Undo>(4111, "Undo(self) -> bool"),
           }),
};

}  // namespace
}  // namespace kvt
