// The wait dialog and the self-closing message box: WaitForDialog and
// AutoCloseMessageBox.
//
// While shown, the wait dialog polls a callback every `interval` ms: True ends
// the run with 0, a text replaces the message, anything else waits on.  The
// self-closing box polls its own counter, which adds CheckInterval seconds a
// tick, so its time is counted in ticks, never read from a clock.
#include "dialogs/timer_guard.h"

namespace kvt {
namespace {

using namespace pybind11::literals;


// 127
py::object WaitForDialog___init__(py::handle self, py::handle parent, py::handle title, py::handle text,
                                  py::handle callback, py::handle interval, py::handle font_size, Line& at) {
    at(128);
    // Polled on every tick: refused now rather than failing tick after tick.
    if (!PyCallable_Check(callback.ptr()))
        raise(PyExc_TypeError, "callback must be callable, not %s", Py_TYPE(callback.ptr())->tp_name);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, py::int_(-1), title, "size"_a = wx_attr("DefaultSize"));
    at(129);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));
    at(130);
    py::object v_sizer = call_method(global("wx"), "BoxSizer", wx_attr("VERTICAL"));
    at(131);
    py::object s_text = call_method(global("wx"), "StaticText", self, py::int_(-1), text);
    at(132);
    if (PyLong_Check(font_size.ptr())) {
        at(133);
        call_method(s_text, "SetFont",
                    call_method(global("wx"), "Font", font_size, wx_attr("FONTFAMILY_DEFAULT"),
                                wx_attr("FONTSTYLE_NORMAL"), wx_attr("FONTWEIGHT_NORMAL")));
    }
    at(134);
    call_method(v_sizer, "Add", s_text, py::int_(1), wx_attr("EXPAND") | wx_attr("ALL"), py::int_(5));
    at(135);
    self.attr(interned("mMessage")) = s_text;
    at(136);
    call_method(self, "SetSizer", v_sizer);
    at(137);
    call_method(self, "Layout");
    at(138);
    call_method(v_sizer, "Fit", self);
    // Over the parent, or mid-screen without one.
    call_method(self, "Centre", wx_attr("BOTH"));
    at(139);
    self.attr(interned("mMainSizer")) = v_sizer;
    at(140);
    self.attr(interned("callback")) = callback;
    at(141);
    self.attr(interned("interval")) = interval;
    at(142);
    self.attr(interned("_WaitForDialog__timer")) = call_method(global("wx"), "Timer", self);
    at(143);
    call_method(self, "Bind", wx_attr("EVT_TIMER"), get_attr(self, "on_timer_refresh"));
    at(144);
    call_method(self, "Bind", wx_attr("EVT_SHOW"), get_attr(self, "on_show"));
    at(145);
    call_method(self, "Bind", wx_attr("EVT_CLOSE"), get_attr(self, "on_close"));
    at(146);
    timed::stop_timer_when_destroyed(self, get_attr(self, "_WaitForDialog__timer"));
    return py::none();
}

// 154
py::object WaitForDialog_on_close(py::handle self, py::handle, Line& at) {
    // The run ends here: no poll may follow it.
    at(155);
    call_method(get_attr(self, "_WaitForDialog__timer"), "Stop");
    call_method(self, "EndModal", wx_attr("ID_CANCEL"));
    return py::none();
}

// 157
py::object WaitForDialog_on_timer_refresh(py::handle self, py::handle, Line& at) {
    at(158);
    py::object result = call(get_attr(self, "callback"));
    at(159);
    if (PyBool_Check(result.ptr()) && result.ptr() == Py_True) {
        at(160);
        call_method(get_attr(self, "_WaitForDialog__timer"), "Stop");
        at(161);
        // A dialog shown without a modal run has no run to end.
        if (truth(call_method(self, "IsModal"))) call_method(self, "EndModal", py::int_(0));
    } else if (PyUnicode_Check(result.ptr())) {
        at(163);
        call_method(get_attr(self, "mMessage"), "SetLabel", result);
        at(164);
        call_method(self, "Layout");
        at(165);
        call_method(get_attr(self, "mMainSizer"), "Fit", self);
    }
    return py::none();
}

// 167
py::object WaitForDialog_on_show(py::handle self, py::handle event, Line& at) {
    at(168);
    if (truth(call_method(event, "IsShown"))) {
        at(169);
        call_method(get_attr(self, "_WaitForDialog__timer"), "Start", get_attr(self, "interval"));
    } else {
        // Hidden: the modal run has ended, however it ended.
        at(170);
        call_method(get_attr(self, "_WaitForDialog__timer"), "Stop");
    }
    return py::none();
}

// 175
py::object AutoCloseMessageBox___init__(py::handle self, py::handle parent, py::handle title, py::handle text,
                                        py::handle timeout, py::handle font_size, Line& at) {
    at(176);
    self.attr(interned("_AutoCloseMessageBox__elapse")) = py::int_(0);
    at(177);
    self.attr(interned("_AutoCloseMessageBox__timeout")) = timeout;
    at(178);
    py::object interval = call(global("int"), get_attr(global("AutoCloseMessageBox"), "CheckInterval") *
                                                  py::int_(1000));
    at(179);
    get_attr(global("WaitForDialog"), "__init__")(self, parent, "callback"_a = get_attr(self, "counter"),
                                                  "interval"_a = interval, "title"_a = title, "text"_a = text,
                                                  "font_size"_a = font_size);
    return py::none();
}

// 181
py::object AutoCloseMessageBox_counter(py::handle self, Line& at) {
    at(182);
    py::object elapse = get_attr(self, "_AutoCloseMessageBox__elapse");
    py::object step = get_attr(global("AutoCloseMessageBox"), "CheckInterval");
    self.attr(interned("_AutoCloseMessageBox__elapse")) = steal_result(PyNumber_InPlaceAdd(elapse.ptr(), step.ptr()));
    at(183);
    return steal_result(PyObject_RichCompare(get_attr(self, "_AutoCloseMessageBox__elapse").ptr(),
                                             get_attr(self, "_AutoCloseMessageBox__timeout").ptr(), Py_GE));
}

Register definitions{
    class_(126, "WaitForDialog(wx.Dialog)",
           {
               method<WaitForDialog___init__>(
                   127, "__init__(self, parent, title, text, callback, interval=100, font_size=None)",
                   "v_sizer s_text"),
               method<WaitForDialog_on_close>(154, "on_close(self, _event)"),
               method<WaitForDialog_on_timer_refresh>(157, "on_timer_refresh(self, _event)", "result"),
               method<WaitForDialog_on_show>(167, "on_show(self, event)"),
           }),
    class_(172, "AutoCloseMessageBox(WaitForDialog)",
           {
               attribute(173, "CheckInterval = 0.1"),
               method<AutoCloseMessageBox___init__>(175,
                                                    "__init__(self, parent, title: str, text: str, "
                                                    "timeout: float = 2.0, font_size: _Optional[int] = None)",
                                                    "interval"),
               method<AutoCloseMessageBox_counter>(181, "counter(self) -> bool"),
           }),
};

}  // namespace
}  // namespace kvt
