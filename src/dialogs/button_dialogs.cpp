// Two-button and one-button-per-choice dialogs: TrueOrFalseDialog and ChooseOneButtonDialog.
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// ------------------------------------------------------ TrueOrFalseDialog ---

// 56
py::object TrueOrFalseDialog___init__(py::handle self, py::handle parent, py::handle title, py::handle question,
                                      py::handle true_, py::handle false_, Line& at) {
    at(57);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, -1, title, "size"_a = wx_attr("DefaultSize"));
    at(58);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));

    at(60);
    py::object vSizer = call(wx_attr("BoxSizer"), wx_attr("VERTICAL"));
    at(61);
    call_method(vSizer, "Add", call(wx_attr("StaticText"), self, py::int_(-1), question), py::int_(1),
                wx_attr("EXPAND") | wx_attr("ALL"), py::int_(5));
    at(62);
    call_method(vSizer, "Add", call(wx_attr("StaticLine"), self), py::int_(0), wx_attr("EXPAND") | wx_attr("ALL"),
                py::int_(5));

    // The buttons carry the standard identifiers, so the dialog's own handling
    // ends the modal run: wx.ID_OK for the first (also on Enter), wx.ID_CANCEL
    // for the second.
    at(64);
    py::object hSizer = call(wx_attr("BoxSizer"), wx_attr("HORIZONTAL"));
    at(65);
    py::object trueButton = call(wx_attr("Button"), self, wx_attr("ID_OK"), tr_default(true_, "Yes"));
    at(66);
    call_method(trueButton, "SetDefault");
    at(67);
    call_method(hSizer, "Add", trueButton, py::int_(0), wx_attr("ALL"), py::int_(5));
    at(68);
    py::object falseButton = call(wx_attr("Button"), self, wx_attr("ID_CANCEL"), tr_default(false_, "No"));
    at(69);
    call_method(hSizer, "Add", falseButton, py::int_(0), wx_attr("ALL"), py::int_(5));
    at(70);
    call_method(vSizer, "Add", hSizer);

    at(72);
    call_method(self, "SetSizer", vSizer);
    at(73);
    call_method(self, "Layout");
    at(74);
    call_method(vSizer, "Fit", self);
    // Over the parent, or mid-screen without one.
    call_method(self, "Centre", wx_attr("BOTH"));
    return py::none();
}

// -------------------------------------------------- ChooseOneButtonDialog ---

// 82
py::object ChooseOneButtonDialog___init__(py::handle self, py::handle parent, py::handle title, py::handle question,
                                          py::handle choices_arg, py::handle default_, Line& at) {
    // A dialog needs something to choose, and its default must be one of the
    // choices.  Checked before anything is built.
    at(83);
    py::object choices = steal_result(PySequence_List(choices_arg.ptr()));
    const Py_ssize_t count = PyList_GET_SIZE(choices.ptr());
    if (count == 0) raise(PyExc_ValueError, "choices must not be empty");
    // -1, like None, asks for no default button.
    if (!default_.is_none()) {
        if (!PyLong_Check(default_.ptr()))
            raise(PyExc_TypeError, "default must be an int index into choices or None, not %s",
                  Py_TYPE(default_.ptr())->tp_name);
        if (!compare(default_, Py_EQ, -1) && (!compare(default_, Py_GE, 0) || !compare(default_, Py_LT, count)))
            raise(PyExc_ValueError, "default must be an index into choices (0 to %zd), not %S", count - 1,
                  default_.ptr());
    }
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, -1, title, "size"_a = wx_attr("DefaultSize"));
    at(84);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));

    at(86);
    py::object vSizer = call(wx_attr("BoxSizer"), wx_attr("VERTICAL"));
    at(87);
    call_method(vSizer, "Add", call(wx_attr("StaticText"), self, py::int_(-1), question), py::int_(1),
                wx_attr("EXPAND") | wx_attr("ALL"), py::int_(5));
    at(88);
    call_method(vSizer, "Add", call(wx_attr("StaticLine"), self), py::int_(0), wx_attr("EXPAND") | wx_attr("ALL"),
                py::int_(5));

    at(90);
    py::object hSizer = call(wx_attr("BoxSizer"), wx_attr("HORIZONTAL"));
    at(91);
    self.attr(interned("_ChooseOneButtonDialog__buttons")) = py::list();
    at(92);
    for (py::handle item : call(global("enumerate"), choices)) {
        py::object idx = item[py::int_(0)];
        py::object label = item[py::int_(1)];
        at(93);
        py::object button = call(wx_attr("Button"), self, wx_attr("ID_ANY"), label);
        at(94);
        if (idx.equal(default_)) {
            at(95);
            call_method(button, "SetDefault");
        }
        at(96);
        call_method(button, "Bind", wx_attr("EVT_BUTTON"), get_attr(self, "OnChoose"));
        at(97);
        call_method(hSizer, "Add", button, py::int_(0), wx_attr("ALL"), py::int_(5));
        at(98);
        call_method(get_attr(self, "_ChooseOneButtonDialog__buttons"), "append", button);
        at(92);
    }

    at(100);
    call_method(vSizer, "Add", hSizer);
    at(101);
    call_method(self, "SetSizer", vSizer);
    at(102);
    call_method(self, "Layout");
    at(103);
    call_method(vSizer, "Fit", self);
    call_method(self, "Centre", wx_attr("BOTH"));

    at(105);
    self.attr(interned("_ChooseOneButtonDialog__selected_index")) = py::int_(-1);
    at(106);
    self.attr(interned("_ChooseOneButtonDialog__selected_string")) = py::str("");
    return py::none();
}

// 110
py::object ChooseOneButtonDialog_OnChoose(py::handle self, py::handle event, Line& at) {
    at(111);
    py::object btn = call_method(event, "GetEventObject");
    at(112);
    for (py::handle item : call(global("enumerate"), get_attr(self, "_ChooseOneButtonDialog__buttons"))) {
        py::object idx = item[py::int_(0)];
        py::object b = item[py::int_(1)];
        at(113);
        if (b.equal(btn)) {
            at(114);
            self.attr(interned("_ChooseOneButtonDialog__selected_index")) = idx;
            at(115);
            self.attr(interned("_ChooseOneButtonDialog__selected_string")) = call_method(b, "GetLabel");
            at(116);
            call_method(self, "EndModal", wx_attr("ID_OK"));
            at(117);
            break;
        }
        at(112);
    }
    return py::none();
}

// 119
py::object ChooseOneButtonDialog_GetSelectedIndex(py::handle self, Line& at) {
    at(120);
    return get_attr(self, "_ChooseOneButtonDialog__selected_index");
}

// 122
py::object ChooseOneButtonDialog_GetSelectedString(py::handle self, Line& at) {
    at(123);
    return get_attr(self, "_ChooseOneButtonDialog__selected_string");
}

Register definitions{
    class_(55, "TrueOrFalseDialog(wx.Dialog)",
           {
               method<TrueOrFalseDialog___init__>(
                   56, "__init__(self, parent, title, question, true: str = \"Yes\", false: str = \"No\")",
                   "vSizer hSizer trueButton falseButton"),
           }),
    class_(81, "ChooseOneButtonDialog(wx.Dialog)",
           {
               method<ChooseOneButtonDialog___init__>(82, "__init__(self, parent, title, question, choices, default=0)",
                                                      "vSizer hSizer idx label button"),
               method<ChooseOneButtonDialog_OnChoose>(110, "OnChoose(self, event)", "btn idx b"),
               method<ChooseOneButtonDialog_GetSelectedIndex>(119, "GetSelectedIndex(self)"),
               method<ChooseOneButtonDialog_GetSelectedString>(122, "GetSelectedString(self)"),
           }),
};

}  // namespace
}  // namespace kvt
