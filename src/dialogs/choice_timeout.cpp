// The single-choice dialog with a countdown: SingleChoiceTimeoutDialog.
//
// The countdown runs in the title bar in steps of 0.1 s, one step per 100 ms
// tick; time is counted in ticks, never read from a clock.  When it reaches
// zero the dialog ends as if OK had been pressed.  Any selection change by the
// user stops the countdown for good.
#include "dialogs/timer_guard.h"

namespace kvt {
namespace {

using namespace pybind11::literals;


// "caption 4.9": the caption, a blank and the seconds left with one decimal.
py::object countdown_title(py::handle self) {
    py::object caption = steal_result(PyObject_Str(get_attr(self, "caption").ptr()));
    py::object left = get_attr(self, "_SingleChoiceTimeoutDialog__left");
    py::object seconds = steal_result(PyObject_Format(left.ptr(), py::str(".1f").ptr()));
    return steal_result(PyUnicode_Concat(steal_result(PyUnicode_Concat(caption.ptr(), py::str(" ").ptr())).ptr(),
                                         seconds.ptr()));
}

// 187
py::object SingleChoiceTimeoutDialog___init__(py::handle self, py::handle parent, py::handle message,
                                              py::handle caption, py::handle choices, py::handle timeout,
                                              py::handle selection, Line& at) {
    at(188);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, "id"_a = wx_attr("ID_ANY"), "title"_a = caption,
                                            "pos"_a = wx_attr("DefaultPosition"), "size"_a = wx_attr("DefaultSize"),
                                            "style"_a = wx_attr("DEFAULT_DIALOG_STYLE"));
    at(189);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));
    at(191);
    py::object main_sizer = call_method(global("wx"), "BoxSizer", wx_attr("VERTICAL"));
    at(193);
    py::object message_text = call_method(global("wx"), "StaticText", self, wx_attr("ID_ANY"), message,
                                          wx_attr("DefaultPosition"), wx_attr("DefaultSize"), py::int_(0));
    at(194);
    call_method(main_sizer, "Add", message_text, py::int_(0), wx_attr("ALL") | wx_attr("EXPAND"), py::int_(5));

    at(196);
    self.attr(interned("mChoicesBox")) =
        call_method(global("wx"), "ListBox", self, wx_attr("ID_ANY"), wx_attr("DefaultPosition"),
                    wx_attr("DefaultSize"), choices, wx_attr("LB_SINGLE"));
    at(197);
    py::int_ count(py::len(choices));
    py::object position = py::reinterpret_borrow<py::object>(selection);
    if (count > py::int_(0) && py::int_(0) <= position && position < count) {
        at(198);
        call_method(get_attr(self, "mChoicesBox"), "SetSelection", selection);
    }
    at(199);
    call_method(main_sizer, "Add", get_attr(self, "mChoicesBox"), py::int_(1), wx_attr("ALL") | wx_attr("EXPAND"),
                py::int_(5));

    at(201);
    py::object static_line = call_method(global("wx"), "StaticLine", self);
    at(202);
    call_method(main_sizer, "Add", static_line, py::int_(0), wx_attr("EXPAND"), py::int_(0));

    at(204);
    py::object button_sizer = call_method(global("wx"), "StdDialogButtonSizer");
    at(205);
    self.attr(interned("m_sdbSizer1OK")) = call_method(global("wx"), "Button", self, wx_attr("ID_OK"));
    at(206);
    label_from_catalog(get_attr(self, "m_sdbSizer1OK"), "OK");
    call_method(button_sizer, "AddButton", get_attr(self, "m_sdbSizer1OK"));
    at(207);
    self.attr(interned("m_sdbSizer1Cancel")) = call_method(global("wx"), "Button", self, wx_attr("ID_CANCEL"));
    at(208);
    label_from_catalog(get_attr(self, "m_sdbSizer1Cancel"), "Cancel");
    call_method(button_sizer, "AddButton", get_attr(self, "m_sdbSizer1Cancel"));
    at(209);
    call_method(button_sizer, "Realize");
    at(210);
    call_method(main_sizer, "Add", button_sizer, py::int_(0), wx_attr("ALL") | wx_attr("EXPAND"), py::int_(5));

    at(212);
    call_method(self, "SetSizer", main_sizer);
    at(213);
    call_method(self, "Layout");
    at(214);
    call_method(main_sizer, "Fit", self);
    at(215);
    call_method(self, "Centre", wx_attr("BOTH"));

    at(217);
    call_method(self, "Bind", wx_attr("EVT_CLOSE"), get_attr(self, "OnCloseDialog"));
    at(218);
    call_method(get_attr(self, "mChoicesBox"), "Bind", wx_attr("EVT_LISTBOX"), get_attr(self, "OnSelectionChanged"));
    at(219);
    call_method(get_attr(self, "mChoicesBox"), "Bind", wx_attr("EVT_LISTBOX_DCLICK"),
                get_attr(self, "OnChoicesBoxDClick"));

    at(221);
    self.attr(interned("_SingleChoiceTimeoutDialog__choices")) = choices;
    at(222);
    if (py::reinterpret_borrow<py::object>(timeout) > py::int_(0)) {
        at(223);
        self.attr(interned("_SingleChoiceTimeoutDialog__left")) = timeout;
        at(224);
        self.attr(interned("_SingleChoiceTimeoutDialog__timer")) = call_method(global("wx"), "Timer", self);
        at(225);
        call_method(self, "Bind", wx_attr("EVT_TIMER"), get_attr(self, "OnTimerEvent"));
        at(226);
        call_method(self, "Bind", wx_attr("EVT_SHOW"), get_attr(self, "OnShowHandler"));
        at(227);
        self.attr(interned("caption")) = caption;
        at(228);
        timed::stop_timer_when_destroyed(self, get_attr(self, "_SingleChoiceTimeoutDialog__timer"));
    } else {
        at(230);
        self.attr(interned("_SingleChoiceTimeoutDialog__timer")) = py::none();
    }
    return py::none();
}

// 235
py::object SingleChoiceTimeoutDialog_GetSelectionIndex(py::handle self, Line& at) {
    at(236);
    return call_method(get_attr(self, "mChoicesBox"), "GetSelection");
}

// 238
py::object SingleChoiceTimeoutDialog_GetSelection(py::handle self, Line& at) {
    at(239);
    py::object index = call_method(self, "GetSelectionIndex");
    // -1 means nothing is selected; as an index it would name the last choice.
    if (index.equal(py::int_(-1))) return py::none();
    py::object choices = get_attr(self, "_SingleChoiceTimeoutDialog__choices");
    return steal_result(PyObject_GetItem(choices.ptr(), index.ptr()));
}

// 241
py::object SingleChoiceTimeoutDialog_OnCloseDialog(py::handle self, py::handle, Line& at) {
    at(242);
    py::object timer = get_attr(self, "_SingleChoiceTimeoutDialog__timer");
    if (truth(timer)) {
        at(243);
        call_method(timer, "Stop");
    }
    at(244);
    call_method(self, "EndModal", wx_attr("ID_CANCEL"));
    return py::none();
}

// 247
py::object SingleChoiceTimeoutDialog_OnTimerEvent(py::handle self, py::handle, Line& at) {
    at(248);
    py::object left = get_attr(self, "_SingleChoiceTimeoutDialog__left") - py::float_(0.1);
    self.attr(interned("_SingleChoiceTimeoutDialog__left")) = left;
    at(249);
    if (left <= py::int_(0)) {
        at(250);
        call_method(get_attr(self, "_SingleChoiceTimeoutDialog__timer"), "Stop");
        at(251);
        // A dialog shown without a modal run has no run to end.
        if (truth(call_method(self, "IsModal"))) call_method(self, "EndModal", wx_attr("ID_OK"));
        return py::none();
    }
    at(253);
    call_method(self, "SetTitle", countdown_title(self));
    return py::none();
}

// 255
py::object SingleChoiceTimeoutDialog_OnShowHandler(py::handle self, py::handle event, Line& at) {
    at(256);
    if (truth(call_method(event, "IsShown"))) {
        at(257);
        call_method(get_attr(self, "_SingleChoiceTimeoutDialog__timer"), "Start", py::int_(100));
        at(258);
        call_method(self, "SetTitle", countdown_title(self));
    } else {
        // Hidden: the modal run has ended, however it ended; no tick may
        // reach the dialog after that.
        at(259);
        call_method(get_attr(self, "_SingleChoiceTimeoutDialog__timer"), "Stop");
    }
    return py::none();
}

// 260
py::object SingleChoiceTimeoutDialog_OnSelectionChanged(py::handle self, py::handle, Line& at) {
    at(261);
    py::object timer = get_attr(self, "_SingleChoiceTimeoutDialog__timer");
    if (truth(timer)) {
        at(262);
        call_method(timer, "Stop");
        at(263);
        call_method(self, "SetTitle", get_attr(self, "caption"));
    }
    return py::none();
}

// 265
py::object SingleChoiceTimeoutDialog_OnChoicesBoxDClick(py::handle self, py::handle, Line& at) {
    at(266);
    py::object timer = get_attr(self, "_SingleChoiceTimeoutDialog__timer");
    if (truth(timer)) {
        at(267);
        call_method(timer, "Stop");
    }
    at(268);
    call_method(self, "EndModal", wx_attr("ID_OK"));
    return py::none();
}

Register definitions{
    class_(186, "SingleChoiceTimeoutDialog(wx.Dialog)",
           {
               method<SingleChoiceTimeoutDialog___init__>(
                   187, "__init__(self, parent, message: str, caption: str, choices, timeout=5, selection=0)",
                   "main_sizer message_text static_line button_sizer"),
               method<SingleChoiceTimeoutDialog_GetSelectionIndex>(235, "GetSelectionIndex(self)"),
               method<SingleChoiceTimeoutDialog_GetSelection>(238, "GetSelection(self)", "index"),
               method<SingleChoiceTimeoutDialog_OnCloseDialog>(241, "OnCloseDialog(self, _event)"),
               method<SingleChoiceTimeoutDialog_OnTimerEvent>(247, "OnTimerEvent(self, _event)"),
               method<SingleChoiceTimeoutDialog_OnShowHandler>(255, "OnShowHandler(self, event)"),
               method<SingleChoiceTimeoutDialog_OnSelectionChanged>(260, "OnSelectionChanged(self, _event)"),
               method<SingleChoiceTimeoutDialog_OnChoicesBoxDClick>(265, "OnChoicesBoxDClick(self, _event)"),
           }),
};

}  // namespace
}  // namespace kvt
