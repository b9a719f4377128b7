// The application runner and two small helpers: wx_datetime_2_py_datetime,
// window_fit_layout, SimpleApp, app and run_wxapp.
#include "module/kvt.h"

namespace kvt {
namespace {

// 24
py::object wx_datetime_2_py_datetime(py::handle dt, Line& at) {
    at(25);
    py::object year = get_attr(dt, "year");
    py::object month = get_attr(dt, "month");
    py::object day = get_attr(dt, "day");
    py::object hour = get_attr(dt, "hour");
    py::object minute = get_attr(dt, "minute");
    py::object second = get_attr(dt, "second");
    // wx counts months from 0, the standard library from 1.
    return call_method(global("datetime"), "datetime", year, month + py::int_(1), day, hour, minute, second);
}

// 716
py::object window_fit_layout(py::handle window, py::handle center, py::handle maximize, Line& at) {
    at(717);
    if (window.is_none()) raise(PyExc_TypeError, "window must be a wx.Window, not None");
    py::object sizer = call_method(window, "GetSizer");
    if (sizer.is_none()) raise(PyExc_ValueError, "window has no sizer to fit it to (call window.SetSizer first)");
    at(718);
    call_method(window, "Layout");
    at(719);
    call_method(sizer, "Fit", window);
    at(720);
    if (truth(center)) {
        at(721);
        call_method(window, "Centre", wx_attr("BOTH"));
    }
    at(722);
    if (truth(maximize)) {
        at(723);
        call_method(window, "Maximize");
    }
    return py::none();
}

// 727
py::object SimpleApp___init__(py::handle self, py::handle _class, py::handle kwargs, Line& at) {
    at(728);
    self.attr(interned("_class")) = _class;
    at(729);
    self.attr(interned("_kwargs")) = kwargs;
    at(730);
    self.attr(interned("dialog_return_code")) = py::none();
    at(731);
    call_method(wx_attr("App"), "__init__", self);
    return py::none();
}

// 733
py::object SimpleApp_OnInit(py::handle self, Line& at) {
    at(734);
    py::object window_class = get_attr(self, "_class");
    py::object kwargs = get_attr(self, "_kwargs");
    if (kwargs.is_none()) raise(PyExc_TypeError, "argument after ** must be a mapping, not NoneType");
    py::object copy = PyDict_Check(kwargs.ptr()) ? steal_result(PyDict_Copy(kwargs.ptr())) : call(global("dict"), kwargs);
    py::object window = steal_result(PyObject_Call(window_class.ptr(), py::tuple().ptr(), copy.ptr()));
    at(735);
    if (py::isinstance(window, wx_attr("Frame"))) {
        at(736);
        call_method(window, "Show");
        at(737);
        return py::bool_(true);
    }
    at(738);
    if (py::isinstance(window, wx_attr("Dialog"))) {
        DestroyOnExit destroy_window(window);
        at(739);
        self.attr(interned("dialog_return_code")) = call_method(window, "ShowModal");
        at(740);
        destroy_window.destroy();
        at(741);
        return py::bool_(true);
    }
    at(743);
    raise(PyExc_TypeError, "WX App need a class derived from wx.Frame or wx.Dialog.");
}

// 748
py::object app(Line& at) {
    at(750);
    return global("_the_app");
}

// 752
py::object run_wxapp(py::handle _class, py::handle kwargs, Line& at) {
    at(759);
    set_global("_the_app", steal_result(PyObject_Call(global("SimpleApp").ptr(), py::make_tuple(_class).ptr(), kwargs.ptr())));
    at(760);
    call_method(global("_the_app"), "MainLoop");
    at(761);
    py::object result = get_attr(global("_the_app"), "dialog_return_code");
    at(762);
    call_method(global("_the_app"), "Destroy");
    at(763);
    del_global("_the_app");
    at(764);
    set_global("_the_app", py::none());
    at(765);
    return result;
}

const char* const run_wxapp_doc =
    "\n\tRun a wxWidgets app."
    "\n\t:param _class: a class that inherit from wx.Frame or wx.Dialog. It's the class, not an instance of that class."
    "\n\t:param kwargs:"
    "\n\t:return: If _class is a wx.Dialog subtype, it will return the EndModel return code. Otherwise, 0."
    "\n\t";

Register definitions{
    function<wx_datetime_2_py_datetime>(24, "wx_datetime_2_py_datetime(dt: wx.DateTime)"),
    function<window_fit_layout>(716, "window_fit_layout(window, center=True, maximize=False)", "sizer"),
    class_(726, "SimpleApp(wx.App)",
           {
               method<SimpleApp___init__>(727, "__init__(self, _class, **kwargs)"),
               method<SimpleApp_OnInit>(733, "OnInit(self)", "window"),
           }),
    statement(745, "_the_app = None"),
    function<app>(748, "app() -> SimpleApp"),
    function<run_wxapp>(752, "run_wxapp(_class, **kwargs)", "result", run_wxapp_doc),
};

}  // namespace
}  // namespace kvt
