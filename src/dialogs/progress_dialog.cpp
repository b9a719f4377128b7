// The progress dialog: ProgressDialog.
//
// A timer polls a progress object that the caller's work updates elsewhere,
// shows its name, "count / total" and a gauge, and ends the modal run once the
// work is no longer running: wx.ID_OK when it is done, wx.ID_CANCEL otherwise.
#include "dialogs/timer_guard.h"

namespace kvt {
namespace {

using namespace pybind11::literals;


// Cancels the work of `progress` if it is still running and can be cancelled
// (a progress object of the caller's own may have no cancel()).
void cancel_if_running(py::handle progress) {
    py::object status = get_attr(progress, "status");
    if (status.not_equal(get_attr(get_attr(progress, "Status"), "Running"))) return;
    const int has_cancel = PyObject_HasAttr(progress.ptr(), interned("cancel").ptr());
    if (has_cancel) call_method(progress, "cancel");
}

// Escape closes the dialog as its close box does.  (wx turns Escape into a
// press of a Cancel or OK button, and this dialog has neither.)
void close_on_escape(py::handle self) {
    call_method(self, "Bind", wx_attr("EVT_CHAR_HOOK"), timed::handler([](py::handle event) {
                    if (call_method(event, "GetKeyCode").equal(wx_attr("WXK_ESCAPE")))
                        call_method(call_method(event, "GetEventObject"), "Close");
                    else
                        call_method(event, "Skip");
                }));
}

// What the display reads of the progress object; one missing would fail at
// every tick of the timer, so it is refused at the call.
void check_progress(py::handle progress) {
    for (const char* member : {"name", "progress", "subtotal", "status", "Status"}) {
        if (!PyObject_HasAttrString(progress.ptr(), member))
            raise(PyExc_TypeError,
                  "progress must be a Progress (with name, progress, subtotal, status and Status), not %s",
                  Py_TYPE(progress.ptr())->tp_name);
    }
}

// Keeps `timer` running only while the dialog is shown: hiding ends the modal
// run (by the close box too), and showing again resumes the polling at the
// same interval.
void poll_only_while_shown(py::handle self, py::handle timer) {
    py::object held = py::reinterpret_borrow<py::object>(timer);
    call_method(self, "Bind", wx_attr("EVT_SHOW"), timed::handler([held](py::handle event) {
                    if (truth(call_method(event, "IsShown"))) {
                        if (!truth(call_method(held, "IsRunning"))) call_method(held, "Start");
                    } else {
                        call_method(held, "Stop");
                        // The run has ended (close box, Escape, Close(), EndModal):
                        // work still running is cancelled, so that the worker's
                        // next advance() or update() tells it to stop.
                        cancel_if_running(get_attr(call_method(event, "GetEventObject"), "progress"));
                    }
                    call_method(event, "Skip");
                }));
}

// 1425
py::object ProgressDialog___init__(py::handle self, py::handle parent, py::handle progress, py::handle interval,
                                   Line& at) {
    at(1426);
    check_progress(progress);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, "title"_a = tr("进度"),
                                            "style"_a = wx_attr("DEFAULT_DIALOG_STYLE"));
    at(1427);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));
    at(1429);
    self.attr(interned("progress_sizer")) = call_method(global("wx"), "BoxSizer", wx_attr("VERTICAL"));
    at(1431);
    py::object b_sizer2 = call_method(global("wx"), "BoxSizer", wx_attr("HORIZONTAL"));

    at(1433);
    self.attr(interned("ui_name")) = call_method(global("wx"), "StaticText", self, wx_attr("ID_ANY"),
                                                 wx_attr("EmptyString"), wx_attr("DefaultPosition"),
                                                 wx_attr("DefaultSize"), py::int_(0));
    at(1434);
    call_method(get_attr(self, "ui_name"), "Wrap", py::int_(-1));
    at(1435);
    call_method(b_sizer2, "Add", get_attr(self, "ui_name"), py::int_(1), wx_attr("ALL"), py::int_(5));

    at(1437);
    self.attr(interned("ui_fraction")) = call_method(global("wx"), "StaticText", self, wx_attr("ID_ANY"),
                                                     py::str("0 / 0"), wx_attr("DefaultPosition"),
                                                     wx_attr("DefaultSize"), py::int_(0));
    at(1438);
    call_method(get_attr(self, "ui_fraction"), "Wrap", py::int_(-1));
    at(1439);
    call_method(b_sizer2, "Add", get_attr(self, "ui_fraction"), py::int_(0), wx_attr("ALL"), py::int_(5));

    at(1441);
    call_method(get_attr(self, "progress_sizer"), "Add", b_sizer2, py::int_(1), wx_attr("EXPAND"), py::int_(5));

    at(1443);
    self.attr(interned("ui_gauge")) = call_method(global("wx"), "Gauge", self, wx_attr("ID_ANY"), py::int_(100),
                                                  wx_attr("DefaultPosition"), wx_attr("DefaultSize"),
                                                  wx_attr("GA_HORIZONTAL"));
    at(1444);
    call_method(get_attr(self, "ui_gauge"), "SetValue", py::int_(0));
    // Wide enough for a name and a count at first sight; longer texts widen
    // the dialog as they come (see show_progress).
    call_method(get_attr(self, "ui_gauge"), "SetMinSize", call(wx_attr("Size"), py::int_(300), py::int_(-1)));
    at(1445);
    call_method(get_attr(self, "progress_sizer"), "Add", get_attr(self, "ui_gauge"), py::int_(0), wx_attr("ALL"),
                py::int_(5));

    at(1447);
    call_method(self, "SetSizer", get_attr(self, "progress_sizer"));
    at(1448);
    call_method(self, "Layout");
    at(1449);
    call_method(get_attr(self, "progress_sizer"), "Fit", self);
    at(1451);
    call_method(self, "Centre", wx_attr("BOTH"));

    at(1453);
    self.attr(interned("progress")) = progress;
    at(1455);
    self.attr(interned("ui_timer")) = call_method(global("wx"), "Timer");
    at(1456);
    call_method(get_attr(self, "ui_timer"), "SetOwner", self, wx_attr("ID_ANY"));
    at(1457);
    py::object milliseconds = call(global("int"), py::reinterpret_borrow<py::object>(interval) * py::int_(1000));
    call_method(get_attr(self, "ui_timer"), "Start", milliseconds);
    at(1458);
    get_attr(self, "Bind")(wx_attr("EVT_TIMER"), get_attr(self, "on_refresh"), "source"_a = get_attr(self, "ui_timer"),
                           "id"_a = wx_attr("ID_ANY"));
    at(1460);
    poll_only_while_shown(self, get_attr(self, "ui_timer"));
    close_on_escape(self);
    at(1461);
    timed::stop_timer_when_destroyed(self, get_attr(self, "ui_timer"));
    return py::none();
}

// Copies the progress object's name, "count / total" and gauge values into
// the display, reading each member as it is now.
void show_progress(py::handle self, Line& at) {
    at(1464);
    call_method(get_attr(self, "ui_name"), "SetLabel", get_attr(get_attr(self, "progress"), "name"));
    at(1465);
    {
        py::object count = steal_result(PyObject_Str(get_attr(get_attr(self, "progress"), "progress").ptr()));
        py::object total = steal_result(PyObject_Str(get_attr(get_attr(self, "progress"), "subtotal").ptr()));
        py::object text = steal_result(PyUnicode_Concat(count.ptr(), py::str(" / ").ptr()));
        call_method(get_attr(self, "ui_fraction"), "SetLabel", steal_result(PyUnicode_Concat(text.ptr(), total.ptr())));
    }
    at(1466);
    call_method(get_attr(self, "ui_gauge"), "SetRange", get_attr(get_attr(self, "progress"), "subtotal"));
    at(1467);
    call_method(get_attr(self, "ui_gauge"), "SetValue", get_attr(get_attr(self, "progress"), "progress"));
    // Grows the dialog when the texts no longer fit; never shrinks it, so the
    // window does not jump about while the counts change.
    py::object needed = call_method(get_attr(self, "progress_sizer"), "ComputeFittingWindowSize", self);
    py::object size = call_method(self, "GetSize");
    py::object width = get_attr(size, "width"), height = get_attr(size, "height");
    const bool wider = get_attr(needed, "width") > width, taller = get_attr(needed, "height") > height;
    if (wider || taller)
        call_method(self, "SetSize", wider ? get_attr(needed, "width") : width,
                    taller ? get_attr(needed, "height") : height);
    call_method(self, "Layout");
}

// 1463
py::object ProgressDialog_on_refresh(py::handle self, py::handle, Line& at) {
    show_progress(self, at);
    at(1468);
    py::object status = get_attr(get_attr(self, "progress"), "status");
    if (status.not_equal(get_attr(get_attr(get_attr(self, "progress"), "Status"), "Running"))) {
        // The worker may have made its last step and ended between the reads
        // above and the status: read the counts again, now final, so that a
        // finished job always shows its final count.
        show_progress(self, at);
        at(1469);
        call_method(get_attr(self, "ui_timer"), "Stop");
        // A tick outside a modal run (before ShowModal, or late after the run
        // has ended) has no run to end; showing the dialog resumes the polling,
        // so the run's first tick ends it.
        at(1470);
        if (truth(call_method(self, "IsModal"))) {
            bool finished = get_attr(get_attr(self, "progress"), "status")
                                .equal(get_attr(get_attr(get_attr(self, "progress"), "Status"), "Done"));
            call_method(self, "EndModal", finished ? wx_attr("ID_OK") : wx_attr("ID_CANCEL"));
        }
    }
    return py::none();
}

Register definitions{
    class_(1424, "ProgressDialog(wx.Dialog)",
           {
               method<ProgressDialog___init__>(1425,
                                               "__init__(self, parent, progress: _Progress, interval: float = 0.2)",
                                               "b_sizer2"),
               method<ProgressDialog_on_refresh>(1463, "on_refresh(self, event)"),
           }),
};

}  // namespace
}  // namespace kvt
