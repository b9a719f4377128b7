// The description editor of the parameter-tree editor: DescriptionEditorDialog.
//
// Lists a parameter's description in each locale (grid columns: locale, text)
// and rewrites one locale's text at a time through an input box.  Every
// accepted edit goes into the parameter at once; the dialog has no commit
// step, so however it is closed the edits made so far stay.
#include "module/kvt.h"
#include "paratree/names.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// 870
py::object DescriptionEditorDialog___init__(py::handle self, py::handle parent, py::handle parameter, Line& at) {
    at(871);
    call(get_attr(global("_DescriptionEditorDialog"), "__init__"), self, parent);
    at(872);
    py::object grid = get_attr(self, "ui_descriptions");
    call_method(grid, "SetSelectionMode", get_attr(get_attr(wx_attr("grid"), "Grid"), "SelectRows"));
    at(873);
    py::object descriptions = call_method(call_method(parameter, "all_descriptions"), "items");
    for (py::handle pair : py::iter(descriptions)) {
        auto [local, desc] = unpack_pair(pair);
        at(874);
        call_method(get_attr(self, "ui_descriptions"), "AppendRows", py::int_(1));
        at(875);
        // After any rows the grid already has.
        py::object row = call_method(get_attr(self, "ui_descriptions"), "GetNumberRows") - py::int_(1);
        at(876);
        call_method(get_attr(self, "ui_descriptions"), "SetCellValue", row, py::int_(0), local);
        at(877);
        call_method(get_attr(self, "ui_descriptions"), "SetCellValue", row, py::int_(1), cell_text(desc));
        at(873);
    }
    at(878);
    self.attr(interned("_DescriptionEditorDialog__parameter")) = parameter;
    return py::none();
}

// 882
py::object DescriptionEditorDialog__edit_row(py::handle self, py::handle row, Line& at) {
    at(883);
    py::object local = call_method(get_attr(self, "ui_descriptions"), "GetCellValue", row, py::int_(0));
    at(884);
    py::object desc = call_method(get_attr(self, "_DescriptionEditorDialog__parameter"), "get_description", local);
    at(885);
    // The box opens with the current text, to be corrected rather than retyped.
    py::object input = get_attr(global("MB"), "Input");
    py::object description = input(tr_format("Please input description for local `%s`.", local),
                                   "default"_a = desc);
    at(886);
    if (description.is_none()) {
        at(887);
        return py::none();
    }
    at(888);
    call_method(get_attr(self, "_DescriptionEditorDialog__parameter"), "set_description", description, local);
    // The cell follows only once the model has taken the text.
    at(889);
    call_method(get_attr(self, "ui_descriptions"), "SetCellValue", row, py::int_(1), cell_text(description));
    return py::none();
}

// 890
py::object DescriptionEditorDialog_on_edit(py::handle self, py::handle, Line& at) {
    at(891);
    py::object selected = call_method(get_attr(self, "ui_descriptions"), "GetSelectedRows");
    at(892);
    if (length(selected) > 1) {
        at(893);
        call_method(global("MB"), "Notice", tr("Only one description could be edited at one time."));
        at(894);
        return py::none();
    }
    at(895);
    // Nothing selected: nothing to edit.
    if (length(selected) == 0) {
        at(896);
        return py::none();
    }
    at(897);
    py::object row = selected[py::int_(0)];
    call_method(self, "_edit_row", row);
    return py::none();
}

// 898
py::object DescriptionEditorDialog_on_select_changed(py::handle self, py::handle, Line& at) {
    at(899);
    py::object selected = call_method(get_attr(self, "ui_descriptions"), "GetSelectedRows");
    at(900);
    call_method(get_attr(self, "ui_delete_button"), "Enable", py::bool_(length(selected) > 0));
    at(901);
    // One description is edited at a time.
    call_method(get_attr(self, "ui_edit_button"), "Enable", py::bool_(length(selected) == 1));
    return py::none();
}

Register definitions{
    class_(869, "DescriptionEditorDialog(_DescriptionEditorDialog)",
           {
               method<DescriptionEditorDialog___init__>(870, "__init__(self, parent, parameter: _Parameter)",
                                                        "local desc row"),
               method<DescriptionEditorDialog__edit_row>(882, "_edit_row(self, row: int)", "local desc description"),
               method<DescriptionEditorDialog_on_edit>(890, "on_edit(self, _event)", "selected"),
               method<DescriptionEditorDialog_on_select_changed>(898, "on_select_changed(self, event)", "selected"),
           }),
};

}  // namespace
}  // namespace kvt
