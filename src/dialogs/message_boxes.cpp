// Message boxes: MB, a namespace of static one-line wrappers around the
// standard wx message box and text-entry dialog.
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// Shows a native message box with `message`, caption `title` and the style
// made of the two named wx flags; returns what wx.MessageBox returns.
py::object message_box(py::handle message, py::handle title, const char* buttons, const char* icon) {
    // Read in the order of `wx.MessageBox(message, title, style=wx.A | wx.B)`.
    py::object show = wx_attr("MessageBox");
    py::object style = wx_attr(buttons);
    style = style | wx_attr(icon);
    return show(message, title, "style"_a = style);
}

// 625
py::object MB_Error(py::handle message, py::handle title, Line& at) {
    at(626);
    message_box(message, tr_default(title, "Error"), "OK", "ICON_ERROR");
    return py::none();
}

// 629
py::object MB_Notice(py::handle message, py::handle title, Line& at) {
    at(630);
    message_box(message, tr_default(title, "Info"), "OK", "ICON_INFORMATION");
    return py::none();
}

// 633
py::object MB_Confirm(py::handle message, py::handle title, Line& at) {
    at(634);
    return message_box(message, tr_default(title, "Confirm"), "YES_NO", "ICON_QUESTION");
}

// 637
py::object MB_Input(py::handle message, py::handle value_type, py::handle title, py::handle default_, Line& at) {
    at(638);
    py::object dlg = call(wx_attr("TextEntryDialog"), py::none(), message, tr_default(title, "Input Dialog"));
    DestroyOnExit destroy_dlg(dlg);
    label_from_catalog(call_method(dlg, "FindWindow", wx_attr("ID_OK")), "OK");
    label_from_catalog(call_method(dlg, "FindWindow", wx_attr("ID_CANCEL")), "Cancel");
    at(639);
    if (!default_.is_none()) {
        at(640);
        call_method(dlg, "SetValue", call(global("str"), default_));
    }
    at(641);
    py::object return_code = call_method(dlg, "ShowModal");
    // The text is read after the dialog has closed, whichever button closed it.
    at(642);
    py::object result_str = call_method(dlg, "GetValue");
    at(643);
    destroy_dlg.destroy();
    at(644);
    if (return_code.not_equal(wx_attr("ID_OK"))) {
        at(645);
        return py::none();
    }
    // A text the conversion refuses is reported to the user and answered with
    // None; only exceptions outside the Exception hierarchy go on.
    py::object result;
    py::object refused = catch_exception([&] {
        at(647);
        result = call(value_type, result_str);
    });
    if (!refused) {
        at(648);
        return result;
    }
    at(650);
    call_method(global("MB"), "Error", tr("Invalid input format."));
    at(651);
    return py::none();
}

Register definitions{
    class_(623, "MB",
           {
               static_method<MB_Error>(625, "Error(message: str, title: str = \"Error\")"),
               static_method<MB_Notice>(629, "Notice(message: str, title: str = \"Info\")"),
               static_method<MB_Confirm>(633, "Confirm(message: str, title: str = \"Confirm\")"),
               static_method<MB_Input>(637,
                                       "Input(message: str, value_type: type = str, title: str = \"Input Dialog\", "
                                       "default=None) -> _Union[str, None]",
                                       "dlg return_code result_str result"),
           }),
};

}  // namespace
}  // namespace kvt
