// The date picker: DatePicker.
//
// Reads and sets the date of a wx.adv.DatePickerCtrl or wx.adv.CalendarCtrl
// in standard-library terms.  wx counts months from 0, datetime from 1.
#include "module/kvt.h"

namespace kvt {
namespace {

// 365
py::object DatePicker___init__(py::handle self, py::handle control, Line& at) {
    at(366);
    // Only these two have a date to read: anything else would fail at first use.
    py::object adv = wx_attr("adv");
    if (!is_instance(control, get_attr(adv, "DatePickerCtrl")) && !is_instance(control, get_attr(adv, "CalendarCtrl")))
        raise(PyExc_TypeError, "control must be a wx.adv.DatePickerCtrl or a wx.adv.CalendarCtrl, not %s",
              Py_TYPE(control.ptr())->tp_name);
    self.attr(interned("control")) = control;
    return py::none();
}

// 369
py::object DatePicker_Convert(py::handle date, Line& at) {
    at(370);
    if (py::isinstance(date, wx_attr("DateTime"))) {
        at(371);
        py::object date_class = get_attr(global("datetime"), "date");
        py::object year = call_method(date, "GetYear");
        py::object month = call_method(date, "GetMonth") + py::int_(1);
        py::object day = call_method(date, "GetDay");
        return call(date_class, year, month, day);
    }
    at(373);
    // The day goes to 2 first, so that no intermediate year/month pairing
    // meets a day that month does not have (today being the 31st, say).
    // Each setter is read from the previous result before its argument.
    py::object result = call_method(wx_attr("DateTime"), "Today");
    result = call_method(result, "SetDay", py::int_(2));
    py::object setter = get_attr(result, "SetYear");
    result = call(setter, get_attr(date, "year"));
    setter = get_attr(result, "SetMonth");
    result = call(setter, get_attr(date, "month") - py::int_(1));
    setter = get_attr(result, "SetDay");
    result = call(setter, get_attr(date, "day"));
    return result;
}

// isinstance(self.control, wx.adv.<literal>), the control read first
// (`literal` must be a string literal: attribute names are interned by address).
bool control_is(py::handle self, const char* literal) {
    py::object control = get_attr(self, "control");
    return py::isinstance(control, get_attr(wx_attr("adv"), literal));
}

// 376
py::object DatePicker_GetValue(py::handle self, Line& at) {
    at(377);
    py::object result = py::none();
    at(378);
    if (control_is(self, "DatePickerCtrl")) {
        at(379);
        result = call_method(get_attr(self, "control"), "GetValue");
    } else {
        at(380);
        if (control_is(self, "CalendarCtrl")) {
            at(381);
            result = call_method(get_attr(self, "control"), "GetDate");
        }
    }
    at(382);
    // Through the module's class, not the instance.
    return call_method(global("DatePicker"), "Convert", result);
}

// 384
py::object DatePicker_GetDate(py::handle self, Line& at) {
    at(385);
    return call_method(self, "GetValue");
}

// 387
py::object DatePicker_SetValue(py::handle self, py::handle date, Line& at) {
    at(388);
    // A calendar control has no SetValue: its date is set with SetDate.
    // Every other control (the date picker included) gets SetValue.
    const bool calendar = control_is(self, "CalendarCtrl");
    at(calendar ? 389 : 390);
    py::object setter = get_attr(get_attr(self, "control"), calendar ? "SetDate" : "SetValue");
    // Through the module's class, not the instance.
    py::object value = call_method(global("DatePicker"), "Convert", date);
    call(setter, value);
    return py::none();
}

Register definitions{
    class_(364, "DatePicker",
           {
               method<DatePicker___init__>(365, "__init__(self, control)"),
               static_method<DatePicker_Convert>(369, "Convert(date)"),
               method<DatePicker_GetValue>(376, "GetValue(self)", "result"),
               method<DatePicker_GetDate>(384, "GetDate(self)"),
               method<DatePicker_SetValue>(387, "SetValue(self, date)"),
           }),
};

}  // namespace
}  // namespace kvt
