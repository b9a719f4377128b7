// The application runner and two small helpers: wx_datetime_2_py_datetime,
// window_fit_layout, SimpleApp, app and run_wxapp.
#include "module/kvt.h"

namespace kvt {
namespace {

// 24
py::object wx_datetime_2_py_datetime(py::handle dt) {
    at(25);
    py::object year = dt.attr("year");
    py::object month = dt.attr("month");
    py::object day = dt.attr("day");
    py::object hour = dt.attr("hour");
    py::object minute = dt.attr("minute");
    py::object second = dt.attr("second");
    // wx counts months from 0, the standard library from 1.
    return global("datetime").attr("datetime")(year, month + py::int_(1), day, hour, minute, second);
}

// 716
py::object window_fit_layout(py::handle window, py::handle center, py::handle maximize) {
    at(717);
    py::object sizer = window.attr("GetSizer")();
    at(718);
    window.attr("Layout")();
    at(719);
    sizer.attr("Fit")(window);
    at(720);
    if (py::reinterpret_borrow<py::object>(center)) {
        at(721);
        window.attr("Centre")(global("wx").attr("BOTH"));
    }
    at(722);
    if (py::reinterpret_borrow<py::object>(maximize)) {
        at(723);
        window.attr("Maximize")();
    }
    return py::none();
}

// 727
py::object SimpleApp___init__(py::handle self, py::handle _class, py::handle kwargs) {
    at(728);
    self.attr("_class") = _class;
    at(729);
    self.attr("_kwargs") = kwargs;
    at(730);
    self.attr("dialog_return_code") = py::none();
    at(731);
    global("wx").attr("App").attr("__init__")(self);
    return py::none();
}

// 733
py::object SimpleApp_OnInit(py::handle self) {
    at(734);
    py::object window_class = self.attr("_class");
    py::object kwargs = self.attr("_kwargs");
    if (kwargs.is_none()) raise(PyExc_TypeError, "argument after ** must be a mapping, not NoneType");
    py::dict copy = PyDict_Check(kwargs.ptr()) ? py::reinterpret_steal<py::dict>(PyDict_Copy(kwargs.ptr()))
                                                 : py::dict(global("dict")(kwargs));
    if (!copy) throw py::error_already_set();
    PyObject* made = PyObject_Call(window_class.ptr(), py::tuple().ptr(), copy.ptr());
    if (!made) throw py::error_already_set();
    py::object window = py::reinterpret_steal<py::object>(made);
    at(735);
    if (py::isinstance(window, global("wx").attr("Frame"))) {
        at(736);
        window.attr("Show")();
        at(737);
        return py::bool_(true);
    }
    at(738);
    if (py::isinstance(window, global("wx").attr("Dialog"))) {
        at(739);
        self.attr("dialog_return_code") = window.attr("ShowModal")();
        at(740);
        window.attr("Destroy")();
        at(741);
        return py::bool_(true);
    }
    at(743);
    raise(PyExc_TypeError, "WX App need a class derived from wx.Frame or wx.Dialog.");
}

// 748
py::object app() {
    at(750);
    return global("_the_app");
}

// 752
py::object run_wxapp(py::handle _class, py::handle kwargs) {
    at(759);
    PyObject* made = PyObject_Call(global("SimpleApp").ptr(), py::make_tuple(_class).ptr(), kwargs.ptr());
    if (!made) throw py::error_already_set();
    set_global("_the_app", py::reinterpret_steal<py::object>(made));
    at(760);
    global("_the_app").attr("MainLoop")();
    at(761);
    py::object result = global("_the_app").attr("dialog_return_code");
    at(762);
    global("_the_app").attr("Destroy")();
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
