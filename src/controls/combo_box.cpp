// The auto-popup combo box and the serial-port list: AutoPopupComboBox and COMPortList.
#include "module/kvt.h"

namespace kvt {
namespace {

// 29
py::object AutoPopupComboBox___init__(py::handle self, py::handle combo_box, Line& at) {
    at(30);
    self.attr(interned("old_value")) = py::str("");
    at(31);
    self.attr(interned("control")) = combo_box;
    at(32);
    // The binding holds the bound method, and so keeps this object alive.
    py::object bind = get_attr(combo_box, "Bind");
    py::object binder = wx_attr("EVT_TEXT");
    call(bind, binder, get_attr(self, "on_text_changed"));
    return py::none();
}

// 34
py::object AutoPopupComboBox_on_text_changed(py::handle self, py::handle /*event*/, Line& at) {
    at(35);
    py::object value = call_method(get_attr(self, "control"), "GetValue");
    at(36);
    // Deleting characters, or an event without a change, never opens the list.
    const Py_ssize_t value_length = length(value);
    if (value_length < length(get_attr(self, "old_value")) || value.equal(get_attr(self, "old_value"))) {
        at(37);
        self.attr(interned("old_value")) = value;
        at(38);
        return py::none();
    }
    at(39);
    self.attr(interned("old_value")) = value;
    at(40);
    if (!truth(value)) {
        at(41);
        return py::none();
    }
    at(42);
    py::object insertion_point = get_attr(get_attr(self, "control"), "InsertionPoint");
    at(43);
    // Only while typing at the end of the text.
    if (py::int_(length(value)).not_equal(insertion_point)) {
        at(44);
        return py::none();
    }
    at(45);
    bool found = false;
    for (py::handle item : py::iter(call_method(get_attr(self, "control"), "GetItems"))) {
        at(46);
        if (truth(call_method(item, "startswith", value))) {
            at(47);
            found = true;
            break;
        }
        at(45);
    }
    if (!found) {
        at(49);
        return py::none();
    }
    at(50);
    call_method(get_attr(self, "control"), "Popup");
    at(51);
    call_method(get_attr(self, "control"), "SetTextSelection", insertion_point, py::int_(-1));
    return py::none();
}

// The device names of the serial ports there are now, in pyserial's order.
py::list port_devices() {
    py::list ports;
    for (py::handle port : py::iter(call(global("_comports")))) {
        py::object device = port[py::int_(0)];
        ports.append(device);
    }
    return ports;
}

// 613
py::object COMPortList___init__(py::handle self, py::handle control, Line& at) {
    at(614);
    // The base constructor with the control alone: the default get_info.
    call_method(global("ComboList"), "__init__", self, control);
    at(615);
    py::list ports = port_devices();
    at(616);
    if (truth(ports)) {
        at(617);
        call_method(self, "AppendItems", ports);
        at(618);
        call_method(self, "SetSelection", py::int_(0));
    }
    return py::none();
}

// 620
py::object COMPortList_Rescan(py::handle self, Line& at) {
    at(621);
    // The ports are read before the list is touched: a failing scan leaves
    // the list as it was.
    py::list ports = port_devices();
    py::object selected = call_method(self, "GetSelection");
    at(622);
    call_method(self, "Clear");
    if (PyList_GET_SIZE(ports.ptr()) == 0) return py::none();
    call_method(self, "AppendItems", ports);
    Py_ssize_t keep = 0;
    if (!selected.is_none()) {
        const Py_ssize_t n = PyList_GET_SIZE(ports.ptr());
        for (Py_ssize_t k = 0; k < n; ++k) {
            if (py::handle(PyList_GET_ITEM(ports.ptr(), k)).equal(selected)) {
                keep = k;
                break;
            }
        }
    }
    call_method(self, "SetSelection", py::int_(keep));
    return py::none();
}

Register definitions{
    class_(28, "AutoPopupComboBox",
           {
               method<AutoPopupComboBox___init__>(29, "__init__(self, combo_box: wx.ComboBox)"),
               method<AutoPopupComboBox_on_text_changed>(34, "on_text_changed(self, event)", "value insertion_point item"),
           }),
    class_(612, "COMPortList(ComboList)",
           {
               method<COMPortList___init__>(613, "__init__(self, control)", "ports"),
               method<COMPortList_Rescan>(620, "Rescan(self)", "ports selected"),
           }),
};

}  // namespace
}  // namespace kvt
