// The attribute editor of the parameter-tree editor:
// ParameterScalarAttributeEditorDialog.
//
// One attribute's value is edited as text of a chosen type (int, float, str,
// JSON for lists and dicts) or picked from a true/false choice for bool.  The
// type choice's index is an index into ValueClasses; one past its end means
// JSON.  OK converts the text and leaves the result in `value`; a text that
// does not convert is reported and the dialog stays open.
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// The type list as the dialog itself sees it (instance, then class).
py::object value_classes(py::handle self) { return get_attr(self, "ValueClasses"); }

// The type list of this class itself, whatever a subclass or instance holds:
// the type_is_... properties compare the selection with these positions.
py::object class_value_classes() {
    return get_attr(global("ParameterScalarAttributeEditorDialog"), "ValueClasses");
}

// 789
py::object ParameterScalarAttributeEditorDialog___init__(py::handle self, py::handle parent, py::handle name,
                                                         py::handle value, Line& at) {
    at(790);
    call(get_attr(global("_ScalarEditorDialog"), "__init__"), self, parent);
    at(791);
    self.attr(interned("ui_value")) = get_attr(self, "ui_value_single_line");
    at(792);
    call_method(get_attr(self, "ui_name"), "SetValue", name);
    at(793);
    if (!value.is_none()) {
        py::object index;
        at(794);
        // The exact class decides: True is a bool, not an int, and a subclass
        // of int, float or str is none of the scalar types.
        py::object value_class = get_attr(value, "__class__");
        const int known = PySequence_Contains(value_classes(self).ptr(), value_class.ptr());
        if (known < 0) throw_python_error();
        if (known) {
            at(795);
            index = call_method(value_classes(self), "index", value_class);
        } else {
            at(796);
            py::tuple containers = py::make_tuple(global("list"), global("dict"));
            if (is_instance(value, containers)) {
                at(797);
                index = py::int_(length(value_classes(self)));
            } else {
                at(799);
                raise(PyExc_TypeError, "Unsupported attribute value type: %S",
                      reinterpret_cast<PyObject*>(Py_TYPE(value.ptr())));
            }
        }
        at(800);
        call_method(get_attr(self, "ui_type"), "SetSelection", index);
        py::object text;
        at(801);
        if (PyUnicode_Check(value.ptr())) {
            text = py::reinterpret_borrow<py::object>(value);
        } else {
            at(802);
            // Non-ASCII letters are shown as they are, not as escapes.
            text = get_attr(global("_json"), "dumps")(value, "ensure_ascii"_a = false, "indent"_a = 4);
        }
        at(803);
        if (PyBool_Check(value.ptr())) {
            at(804);
            py::object choice = get_attr(self, "ui_bool_value");
            call_method(choice, "SetSelection", py::int_(truth(value) ? 0 : 1));
            // The view switches to the bool choice once the event loop runs.
            at(805);
            py::object call_after = wx_attr("CallAfter");
            call(call_after, get_attr(self, "on_type_changed"), py::none());
        }
        at(806);
        call_method(get_attr(self, "ui_value"), "SetValue", text);
    }
    at(808);
    self.attr(interned("value")) = value;
    at(810);
    call(global("window_fit_layout"), self);
    return py::none();
}

// 813
py::object ParameterScalarAttributeEditorDialog_on_multiline_state_changed(py::handle self, py::handle, Line& at) {
    at(814);
    py::object use_multiline = call_method(get_attr(self, "ui_multiline_string"), "IsChecked");
    at(815);
    call_method(get_attr(self, "ui_value_multiline"), "Show", use_multiline);
    at(816);
    // A bool value is picked from its choice: no text control is shown then.
    py::object single_line = get_attr(self, "ui_value_single_line");
    const bool hidden = truth(use_multiline) || truth(get_attr(self, "type_is_bool"));
    call_method(single_line, "Show", py::bool_(!hidden));
    at(817);
    // Each control keeps its own text; OK reads only the one in use.
    self.attr(interned("ui_value")) =
        truth(use_multiline) ? get_attr(self, "ui_value_multiline") : get_attr(self, "ui_value_single_line");
    at(818);
    call(global("window_fit_layout"), self);
    return py::none();
}

// 822
py::object ParameterScalarAttributeEditorDialog_on_ok(py::handle self, py::handle, Line& at) {
    at(823);
    py::object type_idx = call_method(get_attr(self, "ui_type"), "GetSelection");
    at(824);
    py::object value_str = call_method(call_method(get_attr(self, "ui_value"), "GetValue"), "strip");
    at(825);
    py::object value = py::none();
    at(826);
    if (type_idx.equal(call_method(value_classes(self), "index", global("bool")))) {
        at(827);
        value = py::bool_(call_method(get_attr(self, "ui_bool_value"), "GetSelection").equal(py::int_(0)));
    } else {
        at(828);
        if (type_idx < py::int_(length(value_classes(self)))) {
            at(829);
            py::object refused = catch_exception([&] {
                at(830);
                py::object value_class = value_classes(self)[type_idx];
                value = call(value_class, value_str);
            });
            if (refused) {
                at(832);
                py::object error = get_attr(global("MB"), "Error");
                py::object type_name = call_method(get_attr(self, "ui_type"), "GetStringSelection");
                call(error, tr_format("Value format is invalid for type `%s`. Please check what you input.", type_name));
                at(833);
                return py::none();
            }
        } else {
            at(835);
            py::object refused = catch_exception([&] {
                at(836);
                value = call_method(global("_json"), "loads", value_str);
            });
            if (refused) {
                at(838);
                call_method(global("MB"), "Error",
                            tr("Value format is invalid for JSON format. Please check what you input."));
                at(839);
                return py::none();
            }
        }
    }
    at(840);
    self.attr(interned("value")) = value;
    at(841);
    call_method(self, "EndModal", wx_attr("ID_OK"));
    return py::none();
}

// 842
py::object ParameterScalarAttributeEditorDialog_on_type_changed(py::handle self, py::handle, Line& at) {
    at(843);
    py::object using_bool = get_attr(self, "type_is_bool");
    at(844);
    call_method(get_attr(self, "ui_bool_value"), "Show", using_bool);
    at(845);
    if (truth(get_attr(self, "type_is_json"))) {
        // JSON text always goes into the multi-line control.
        at(846);
        call_method(get_attr(self, "ui_multiline_string"), "SetValue", py::bool_(true));
    } else {
        at(847);
        // A str keeps the user's choice of control; the others use one line.
        if (!truth(get_attr(self, "type_is_str"))) {
            at(848);
            call_method(get_attr(self, "ui_multiline_string"), "SetValue", py::bool_(false));
        }
    }
    at(849);
    py::object check_box = get_attr(self, "ui_multiline_string");
    call_method(check_box, "Show", get_attr(self, "type_is_str"));
    at(850);
    call_method(self, "on_multiline_state_changed", py::none());
    at(851);
    call(global("window_fit_layout"), self);
    return py::none();
}

// The selected type compared with the position of `type_name` in ValueClasses.
py::object type_selected(py::handle self, const char* type_name) {
    py::object selection = call_method(get_attr(self, "ui_type"), "GetSelection");
    py::object index = call_method(class_value_classes(), "index", global(type_name));
    return steal_result(PyObject_RichCompare(selection.ptr(), index.ptr(), Py_EQ));
}

// 857
py::object ParameterScalarAttributeEditorDialog_type_is_bool(py::handle self, Line& at) {
    at(858);
    return type_selected(self, "bool");
}

// 861
py::object ParameterScalarAttributeEditorDialog_type_is_json(py::handle self, Line& at) {
    at(862);
    // By the entry's text: JSON has no class of its own in ValueClasses.
    py::object selection = call_method(get_attr(self, "ui_type"), "GetStringSelection");
    return steal_result(PyObject_RichCompare(selection.ptr(), py::str("json").ptr(), Py_EQ));
}

// 865
py::object ParameterScalarAttributeEditorDialog_type_is_str(py::handle self, Line& at) {
    at(866);
    return type_selected(self, "str");
}

Register definitions{
    class_(786, "ParameterScalarAttributeEditorDialog(_ScalarEditorDialog)",
           {
               attribute(787, "ValueClasses = [int, float, str, bool]"),
               method<ParameterScalarAttributeEditorDialog___init__>(
                   789, "__init__(self, parent, name: str, value=None)", "index text"),
               method<ParameterScalarAttributeEditorDialog_on_multiline_state_changed>(
                   813, "on_multiline_state_changed(self, event)", "use_multiline"),
               method<ParameterScalarAttributeEditorDialog_on_ok>(822, "on_ok(self, event)",
                                                                  "type_idx value_str value"),
               method<ParameterScalarAttributeEditorDialog_on_type_changed>(
                   842, "on_type_changed(self, event)", "using_bool"),
               property<ParameterScalarAttributeEditorDialog_type_is_bool>(857, "type_is_bool(self) -> bool"),
               property<ParameterScalarAttributeEditorDialog_type_is_json>(861, "type_is_json(self) -> bool"),
               property<ParameterScalarAttributeEditorDialog_type_is_str>(865, "type_is_str(self) -> bool"),
           }),
};

}  // namespace
}  // namespace kvt
