// The parameter editor of the parameter-tree editor: ParameterEditorDialog.
//
// Shows one parameter (name, description, and its attributes as a grid of
// name and value text) and adds, edits and deletes attributes.  Every change
// goes into the held parameter at once; the caller decides by the return code
// whether to keep that object.
#include "module/kvt.h"
#include "paratree/names.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

py::object held_parameter(py::handle self) { return get_attr(self, "_ParameterEditorDialog__parameter"); }

// Python's str(value): the value's own text, also for a str subclass that
// defines one (a str subclass passed to py::str is kept as it is).
py::object text_of(py::handle value) { return steal_result(PyObject_Str(value.ptr())); }

// 905
py::object ParameterEditorDialog___init__(py::handle self, py::handle parent, py::handle name,
                                          py::handle parameter_arg, Line& at) {
    py::object parameter = py::reinterpret_borrow<py::object>(parameter_arg);
    at(906);
    call(get_attr(global("_ParameterEditorDialog"), "__init__"), self, parent);
    at(907);
    py::object grid = get_attr(self, "ui_attributes");
    call_method(grid, "SetSelectionMode", get_attr(get_attr(wx_attr("grid"), "Grid"), "SelectRows"));
    at(908);
    // Only a missing parameter is replaced: a given one is edited in place,
    // whatever its truth value, so the caller's object sees every change.
    if (parameter.is_none()) {
        at(909);
        parameter = call(global("_Parameter"));
    }
    at(910);
    self.attr(interned("_ParameterEditorDialog__parameter")) = parameter;
    at(911);
    call_method(get_attr(self, "ui_name"), "SetValue", name);
    at(912);
    py::object description_field = get_attr(self, "ui_description");
    call_method(description_field, "SetValue", get_attr(parameter, "description"));
    at(913);
    // Counted here: the grid starts with no rows.
    py::object row = py::int_(0);
    at(914);
    for (py::handle pair : py::iter(call_method(parameter, "items"))) {
        auto [attribute_name, value] = unpack_pair(pair);
        at(915);
        call_method(get_attr(self, "ui_attributes"), "AppendRows", py::int_(1));
        at(916);
        call_method(get_attr(self, "ui_attributes"), "SetCellValue", row, py::int_(0), attribute_name);
        at(917);
        // The value's str() text: True shows as True, a list in list notation.
        py::object attributes = get_attr(self, "ui_attributes");
        call_method(attributes, "SetCellValue", row, py::int_(1), cell_text(text_of(value)));
        at(918);
        row = steal_result(PyNumber_InPlaceAdd(row.ptr(), py::int_(1).ptr()));
        at(914);
    }
    return py::none();
}

// 923
py::object ParameterEditorDialog_parameter(py::handle self, Line& at) {
    at(924);
    return held_parameter(self);
}

// 926
py::object ParameterEditorDialog_on_select_attribute(py::handle self, py::handle, Line& at) {
    at(927);
    py::object selected = call_method(get_attr(self, "ui_attributes"), "GetSelectedRows");
    at(928);
    py::bool_ enabled(length(selected) > 0);
    at(929);
    call_method(get_attr(self, "ui_edit_button"), "Enable", enabled);
    at(930);
    call_method(get_attr(self, "ui_rename_button"), "Enable", enabled);
    at(931);
    call_method(get_attr(self, "ui_delete_button"), "Enable", enabled);
    return py::none();
}

// 932
py::object ParameterEditorDialog_on_add(py::handle self, py::handle, Line& at) {
    at(933);
    py::object attribute_name =
        call_method(global("MB"), "Input", tr("Please input your preferred attribute name."));
    at(934);
    if (attribute_name.is_none()) {
        at(935);
        return py::none();
    }
    at(936);
    // Not trimmed: a name of blanks is judged by the name rule below.
    if (attribute_name.equal(py::str(""))) {
        at(937);
        call_method(global("MB"), "Error", tr("Attribute name could not be empty."));
        at(938);
        return py::none();
    }
    at(939);
    if (!is_valid_name(attribute_name)) {
        at(940);
        py::object error = get_attr(global("MB"), "Error");
        call(error, invalid_name_message("Attribute", attribute_name));
        at(942);
        return py::none();
    }
    at(943);
    for (py::handle pair : py::iter(call_method(held_parameter(self), "items"))) {
        auto [name, entry] = unpack_pair(pair);
        at(944);
        // Exact and case-sensitive, as the model keys its attributes.
        if (name.equal(attribute_name)) {
            at(945);
            py::object error = get_attr(global("MB"), "Error");
            call(error, tr_format("Attribute name `%s` already exists.\nPlease choose another one.", attribute_name));
            at(946);
            return py::none();
        }
        at(943);
    }
    at(947);
    py::object dlg = call(global("ParameterScalarAttributeEditorDialog"), self, attribute_name);
    DestroyOnExit destroy_dlg(dlg);
    at(948);
    py::object ret_code = call_method(dlg, "ShowModal");
    at(949);
    py::object value = get_attr(dlg, "value");
    at(950);
    destroy_dlg.destroy();
    at(951);
    if (ret_code.equal(wx_attr("ID_OK"))) {
        at(952);
        held_parameter(self)[attribute_name] = value;
        at(953);
        call_method(get_attr(self, "ui_attributes"), "AppendRows", py::int_(1));
        at(954);
        py::object row = call_method(get_attr(self, "ui_attributes"), "GetNumberRows") - py::int_(1);
        at(955);
        call_method(get_attr(self, "ui_attributes"), "SetCellValue", row, py::int_(0), attribute_name);
        at(956);
        py::object grid = get_attr(self, "ui_attributes");
        call_method(grid, "SetCellValue", row, py::int_(1), cell_text(text_of(value)));
    }
    return py::none();
}

// 959
py::object ParameterEditorDialog_on_edit(py::handle self, py::handle, Line& at) {
    at(960);
    py::object selected = call_method(get_attr(self, "ui_attributes"), "GetSelectedRows");
    at(961);
    if (length(selected) > 1) {
        at(962);
        call_method(global("MB"), "Notice", tr("Only one attribute could be edited one time."));
        at(963);
        return py::none();
    }
    at(964);
    // Nothing selected: nothing to edit.
    if (length(selected) == 0) {
        return py::none();
    }
    at(965);
    py::object row = selected[py::int_(0)];
    at(966);
    py::object name = call_method(get_attr(self, "ui_attributes"), "GetCellValue", row, py::int_(0));
    at(967);
    py::object value = held_parameter(self)[name];
    at(968);
    // Opens with the attribute's current value and type; the name stays.
    py::object dlg = call(global("ParameterScalarAttributeEditorDialog"), self, name, value);
    DestroyOnExit destroy_dlg(dlg);
    at(969);
    py::object retc_code = call_method(dlg, "ShowModal");
    at(970);
    value = get_attr(dlg, "value");
    at(971);
    destroy_dlg.destroy();
    at(972);
    if (retc_code.equal(wx_attr("ID_OK"))) {
        at(973);
        held_parameter(self)[name] = value;
        at(974);
        py::object grid = get_attr(self, "ui_attributes");
        call_method(grid, "SetCellValue", row, py::int_(1), cell_text(text_of(value)));
    }
    return py::none();
}

// 975
py::object ParameterEditorDialog_on_edit_descriptions(py::handle self, py::handle, Line& at) {
    at(976);
    py::object editor_class = global("DescriptionEditorDialog");
    py::object dlg = call(editor_class, self, held_parameter(self));
    DestroyOnExit destroy_dlg(dlg);
    at(977);
    // The descriptions are already stored, however the editor was closed.
    call_method(dlg, "ShowModal");
    at(978);
    destroy_dlg.destroy();
    at(979);
    py::object description_field = get_attr(self, "ui_description");
    call_method(description_field, "SetValue", get_attr(held_parameter(self), "description"));
    return py::none();
}

// 981
py::object ParameterEditorDialog_on_delete(py::handle self, py::handle, Line& at) {
    at(982);
    py::object selected = call_method(get_attr(self, "ui_attributes"), "GetSelectedRows");
    at(983);
    const Py_ssize_t length_ = length(selected);
    at(984);
    if (length_ == 0) {
        at(985);
        call_method(global("MB"), "Notice", tr("Please select the items you want to delete..."));
        at(986);
        return py::none();
    }
    // "this 1 item" or "these 3 items": one text each, for translation.
    const char* question_text;
    at(987);
    if (length_ < 2) {
        at(988);
        question_text = "Do you really want to delete this %s item?";
    } else {
        at(990);
        question_text = "Do you really want to delete these %s items?";
    }
    at(991);
    py::object confirm = get_attr(global("MB"), "Confirm");
    py::object question = tr_format(question_text, py::int_(length_));
    if (call(confirm, question).not_equal(wx_attr("YES"))) {
        at(992);
        return py::none();
    }
    at(993);
    // Highest row first, whatever order the grid reports the selection in:
    // deleting a row moves only the rows below it, which are already done.
    py::object rows = global("sorted")(selected, "reverse"_a = true);
    at(994);
    for (py::handle row : py::iter(rows)) {
        at(995);
        py::object attr_name = call_method(get_attr(self, "ui_attributes"), "GetCellValue", row, py::int_(0));
        at(996);
        if (PyObject_DelItem(held_parameter(self).ptr(), attr_name.ptr()) < 0) throw_python_error();
        at(997);
        get_attr(get_attr(self, "ui_attributes"), "DeleteRows")("pos"_a = row, "numRows"_a = 1);
        at(994);
    }
    return py::none();
}

// Checks a new attribute name as adding one does; shows the refusal and
// returns false when the name can't be used.
bool acceptable_attribute_name(py::handle self, py::handle attribute_name) {
    if (attribute_name.equal(py::str(""))) {
        call_method(global("MB"), "Error", tr("Attribute name could not be empty."));
        return false;
    }
    if (!is_valid_name(attribute_name)) {
        call(get_attr(global("MB"), "Error"), invalid_name_message("Attribute", attribute_name));
        return false;
    }
    for (py::handle pair : py::iter(call_method(held_parameter(self), "items"))) {
        auto [name, entry] = unpack_pair(pair);
        if (name.equal(attribute_name)) {
            call(get_attr(global("MB"), "Error"),
                 tr_format("Attribute name `%s` already exists.\nPlease choose another one.", attribute_name));
            return false;
        }
    }
    return true;
}

// 4001
py::object ParameterEditorDialog_on_rename(py::handle self, py::handle, Line& at) {
    at(4002);
    py::object selected = call_method(get_attr(self, "ui_attributes"), "GetSelectedRows");
    if (length(selected) != 1) {
        at(4003);
        if (length(selected) > 1)
            call_method(global("MB"), "Notice", tr("Only one attribute could be renamed one time."));
        return py::none();
    }
    at(4004);
    py::object row = selected[py::int_(0)];
    py::object old_name = call_method(get_attr(self, "ui_attributes"), "GetCellValue", row, py::int_(0));
    at(4005);
    py::object input = get_attr(global("MB"), "Input");
    py::object new_name = input(tr_format("Please input the new name of attribute `%s`.", old_name),
                                "default"_a = old_name);
    at(4006);
    if (new_name.is_none() || new_name.equal(old_name)) return py::none();
    at(4007);
    if (!acceptable_attribute_name(self, new_name)) return py::none();
    at(4008);
    rename_in_place(held_parameter(self), old_name, new_name);
    at(4009);
    call_method(get_attr(self, "ui_attributes"), "SetCellValue", row, py::int_(0), new_name);
    return py::none();
}

// 4011
py::object ParameterEditorDialog_on_attributes_key(py::handle self, py::handle event, Line& at) {
    // Delete deletes, F2 renames and Enter edits the selected attributes;
    // every other key goes on as usual.
    at(4012);
    py::object code = call_method(event, "GetKeyCode");
    const bool plain = !truth(call_method(event, "HasAnyModifiers"));
    const char* handler = nullptr;
    if (plain && (code.equal(wx_attr("WXK_DELETE")) || code.equal(wx_attr("WXK_NUMPAD_DELETE")))) handler = "on_delete";
    else if (plain && code.equal(wx_attr("WXK_F2"))) handler = "on_rename";
    else if (plain && (code.equal(wx_attr("WXK_RETURN")) || code.equal(wx_attr("WXK_NUMPAD_ENTER")))) handler = "on_edit";
    at(4013);
    if (handler && length(call_method(get_attr(self, "ui_attributes"), "GetSelectedRows")) > 0) {
        at(4014);
        call(get_attr(self, handler), event);
        return py::none();
    }
    at(4015);
    call_method(event, "Skip");
    return py::none();
}

Register definitions{
    class_(904, "ParameterEditorDialog(_ParameterEditorDialog)",
           {
               method<ParameterEditorDialog___init__>(905,
                                                      "__init__(self, parent, name: str, parameter: _Parameter = None)",
                                                      "row value"),
               property<ParameterEditorDialog_parameter>(923, "parameter(self)"),
               method<ParameterEditorDialog_on_select_attribute>(926, "on_select_attribute(self, event)",
                                                                 "selected enabled"),
               method<ParameterEditorDialog_on_add>(932, "on_add(self, _event)",
                                                    "attribute_name name entry dlg ret_code value row"),
               method<ParameterEditorDialog_on_edit>(959, "on_edit(self, event)",
                                                     "selected row name value dlg retc_code"),
               method<ParameterEditorDialog_on_edit_descriptions>(975, "on_edit_descriptions(self, event)", "dlg"),
               method<ParameterEditorDialog_on_delete>(981, "on_delete(self, event)",
                                                       "selected length th_th its rows row attr_name"),
               method<ParameterEditorDialog_on_rename>(4001, "on_rename(self, _event)", "selected row old_name new_name"),
               method<ParameterEditorDialog_on_attributes_key>(4011, "on_attributes_key(self, event)", "code"),
           }),
};

}  // namespace
}  // namespace kvt
