// Input dialogs: SimpleInputDialog (one prompt, one text field, large font)
// and MultipleInputDialog (one labelled text field per named value).
#include "module/kvt.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// ------------------------------------------------------ SimpleInputDialog ---

// The large font shared by the prompt, the field and the buttons: 20 points,
// default family, normal style and weight, not underlined, no face name.
py::object large_font() {
    return call(wx_attr("Font"), py::int_(20), wx_attr("FONTFAMILY_DEFAULT"), wx_attr("FONTSTYLE_NORMAL"),
                wx_attr("FONTWEIGHT_NORMAL"), py::bool_(false), wx_attr("EmptyString"));
}

// 655
py::object SimpleInputDialog___init__(py::handle self, py::handle parent, py::handle message, py::handle title,
                                      py::handle password, Line& at) {
    at(656);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, "id"_a = wx_attr("ID_ANY"), "title"_a = tr_default(title, "请输入"),
                                            "pos"_a = wx_attr("DefaultPosition"), "size"_a = wx_attr("DefaultSize"),
                                            "style"_a = wx_attr("DEFAULT_DIALOG_STYLE"));
    at(659);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));

    at(661);
    py::object bSizer1 = call(wx_attr("BoxSizer"), wx_attr("VERTICAL"));

    at(663);
    self.attr(interned("m_staticText1")) = call(wx_attr("StaticText"), self, wx_attr("ID_ANY"), tr_default(message, "请输入信息："),
                                                wx_attr("DefaultPosition"), wx_attr("DefaultSize"), py::int_(0));
    at(664);
    call_method(get_attr(self, "m_staticText1"), "Wrap", py::int_(-1));
    at(665);
    call_method(get_attr(self, "m_staticText1"), "SetFont", large_font());
    at(667);
    call_method(bSizer1, "Add", get_attr(self, "m_staticText1"), py::int_(0), wx_attr("ALL"), py::int_(5));

    at(669);
    py::object style = wx_attr("TE_PROCESS_ENTER");
    at(670);
    if (truth(password)) {
        at(671);
        style = style | wx_attr("TE_PASSWORD");
    }
    at(672);
    self.attr(interned("InputField")) =
        call(wx_attr("TextCtrl"), self, wx_attr("ID_ANY"), wx_attr("EmptyString"), wx_attr("DefaultPosition"),
             call(wx_attr("Size"), py::int_(-1), py::int_(-1)), style);
    at(673);
    call_method(get_attr(self, "InputField"), "SetFont", large_font());
    at(674);
    call_method(get_attr(self, "InputField"), "SetMinSize", call(wx_attr("Size"), py::int_(400), py::int_(-1)));
    at(676);
    call_method(bSizer1, "Add", get_attr(self, "InputField"), py::int_(0), wx_attr("ALL") | wx_attr("EXPAND"),
                py::int_(5));

    at(678);
    self.attr(interned("m_staticline1")) =
        call(wx_attr("StaticLine"), self, wx_attr("ID_ANY"), wx_attr("DefaultPosition"), wx_attr("DefaultSize"),
             wx_attr("LI_HORIZONTAL"));
    at(679);
    call_method(bSizer1, "Add", get_attr(self, "m_staticline1"), py::int_(0), wx_attr("EXPAND") | wx_attr("ALL"),
                py::int_(5));

    at(681);
    py::object bSizer2 = call(wx_attr("BoxSizer"), wx_attr("HORIZONTAL"));

    at(683);
    self.attr(interned("m_button1")) = call(wx_attr("Button"), self, wx_attr("ID_OK"), tr("确定"),
                                            wx_attr("DefaultPosition"), wx_attr("DefaultSize"), py::int_(0));
    at(684);
    call_method(get_attr(self, "m_button1"), "SetDefault");
    at(685);
    call_method(get_attr(self, "m_button1"), "SetFont", large_font());
    at(687);
    call_method(bSizer2, "Add", get_attr(self, "m_button1"), py::int_(0), wx_attr("ALL"), py::int_(5));

    // The stretching spacer keeps OK at the left edge and Cancel at the right.
    at(689);
    call_method(bSizer2, "Add", py::make_tuple(0, 0), py::int_(1), wx_attr("EXPAND"), py::int_(5));

    at(691);
    self.attr(interned("m_button2")) = call(wx_attr("Button"), self, wx_attr("ID_CANCEL"), tr("取消"),
                                            wx_attr("DefaultPosition"), wx_attr("DefaultSize"), py::int_(0));
    at(692);
    call_method(get_attr(self, "m_button2"), "SetFont", large_font());
    at(694);
    call_method(bSizer2, "Add", get_attr(self, "m_button2"), py::int_(0), wx_attr("ALL"), py::int_(5));

    at(696);
    call_method(bSizer1, "Add", bSizer2, py::int_(1), wx_attr("EXPAND"), py::int_(5));

    at(698);
    call_method(self, "SetSizer", bSizer1);
    at(699);
    call_method(self, "Layout");
    at(700);
    call_method(bSizer1, "Fit", self);
    at(702);
    call_method(self, "Centre", wx_attr("BOTH"));
    return py::none();
}

// 706
py::object SimpleInputDialog_GetInputString(py::handle self, py::handle strip, Line& at) {
    at(707);
    if (truth(strip)) {
        at(708);
        return call_method(call_method(get_attr(self, "InputField"), "GetValue"), "strip");
    }
    at(710);
    return call_method(get_attr(self, "InputField"), "GetValue");
}

// 712
py::object SimpleInputDialog___del__(py::handle, Line& at) {
    at(713);
    return py::none();
}

// ---------------------------------------------------- MultipleInputDialog ---

const char* const MultipleInputDialog___init___doc =
    "\n\t\t弹出一个对话框，让用户输入指定的各项内容。"
    "\n\t\t:param parent: 父窗口"
    "\n\t\t:param fields: 可以是一个包含多个字符串的列表，列表元素指定需要输入的项目的名称；也可以是一个包含名称-值的字典。"
    "\n\t\t字典的键和值都必须是字符串，其中键是需要输入项目的名称，值是输入项的默认值。"
    "\n\t\t注意：如果传入的是字典，那么，当按下“OK”按钮后，字典的值将被改变，保存着用户输入的值！"
    "\n\t\t:param title: 对话框标题栏的标题，默认是“Input”。"
    "\n\t\t";

const char* const MultipleInputDialog_get_doc =
    "\n\t\t获取对应输入项的值。只有当用户按下“OK”按钮时才会得到最新的输入值，如果没有按下“OK”，将返回默认值。"
    "\n\t\t:param field: 输入项的名称"
    "\n\t\t:return: 输入项的用户输入值"
    "\n\t\t";

const char* const MultipleInputDialog_fields_doc =
    "\n\t\t所有输入项名称-值组成的字典"
    "\n\t\t:return: 一个字典，键是所有输入项的名称，值是各个输入项对应的用户输入值"
    "\n\t\t";

// 273
// The field table must name its fields with texts and give texts as
// defaults: anything else would fail deep inside wx, half built.
void check_fields(py::handle fields) {
    if (PyUnicode_Check(fields.ptr())) return;
    if (PyList_Check(fields.ptr())) {
        const Py_ssize_t n = PyList_GET_SIZE(fields.ptr());
        for (Py_ssize_t k = 0; k < n; ++k) {
            PyObject* name = PyList_GET_ITEM(fields.ptr(), k);
            if (!PyUnicode_Check(name))
                raise(PyExc_TypeError, "fields[%zd] must be a str, not %s", k, Py_TYPE(name)->tp_name);
        }
        return;
    }
    if (PyDict_Check(fields.ptr())) {
        PyObject *name, *value;
        Py_ssize_t pos = 0;
        while (PyDict_Next(fields.ptr(), &pos, &name, &value)) {
            if (!PyUnicode_Check(name))
                raise(PyExc_TypeError, "the names in fields must be str, not %s", Py_TYPE(name)->tp_name);
            if (!PyUnicode_Check(value))
                raise(PyExc_TypeError, "fields[%R] must be a str, not %s", name, Py_TYPE(value)->tp_name);
        }
        return;
    }
    raise(PyExc_TypeError, "fields must be a str, a list of str or a dict of str to str, not %s",
          Py_TYPE(fields.ptr())->tp_name);
}

// Widens a text field so that `text` shows whole, never narrows it.
void fit_field_to(py::handle field_ctrl, py::handle text) {
    // One character more than the text: room for the caret at its end, so
    // that the text does not scroll when the field gets the focus.
    py::object extent = call_method(field_ctrl, "GetTextExtent", text);
    py::object room = get_attr(extent, "width") + call_method(field_ctrl, "GetCharWidth");
    py::object wanted = call_method(field_ctrl, "GetSizeFromTextSize", room);
    py::object best = call_method(field_ctrl, "GetBestSize");
    if (get_attr(wanted, "width") > get_attr(best, "width"))
        call_method(field_ctrl, "SetMinSize", call(wx_attr("Size"), get_attr(wanted, "width"), py::int_(-1)));
}

py::object MultipleInputDialog___init__(py::handle self, py::handle parent, py::handle fields_arg, py::handle title,
                                        Line& at) {
    py::object fields = py::reinterpret_borrow<py::object>(fields_arg);
    at(282);
    check_fields(fields);
    get_attr(wx_attr("Dialog"), "__init__")(self, parent, "id"_a = wx_attr("ID_ANY"), "title"_a = tr_default(title, "Input"),
                                            "pos"_a = wx_attr("DefaultPosition"), "size"_a = wx_attr("DefaultSize"),
                                            "style"_a = wx_attr("DEFAULT_DIALOG_STYLE"));
    at(284);
    call_method(self, "SetSizeHints", wx_attr("DefaultSize"), wx_attr("DefaultSize"));

    at(286);
    py::object b_sizer1 = call(wx_attr("BoxSizer"), wx_attr("VERTICAL"));

    at(288);
    py::object fg_sizer = call(wx_attr("FlexGridSizer"), py::int_(0), py::int_(2), py::int_(0), py::int_(0));
    at(289);
    call_method(fg_sizer, "SetFlexibleDirection", wx_attr("BOTH"));
    at(290);
    call_method(fg_sizer, "SetNonFlexibleGrowMode", wx_attr("FLEX_GROWMODE_SPECIFIED"));

    // The field table: a single name, a list of names (each starting empty,
    // a repeated name giving one row), or the caller's own dict of defaults,
    // which then receives the entered values on OK.
    at(292);
    int is_str = PyObject_IsInstance(fields.ptr(), global("str").ptr());
    if (is_str < 0) throw_python_error();
    if (is_str) {
        at(293);
        py::list names;
        names.append(fields_arg);
        fields = std::move(names);
    }
    at(294);
    int is_list = PyObject_IsInstance(fields.ptr(), global("list").ptr());
    if (is_list < 0) throw_python_error();
    if (is_list) {
        at(295);
        self.attr(interned("_MultipleInputDialog__field_value_dict")) = py::dict();
        at(296);
        for (py::handle field : fields) {
            at(297);
            get_attr(self, "_MultipleInputDialog__field_value_dict")[field] = py::str("");
            at(296);
        }
    } else {
        at(298);
        int is_dict = PyObject_IsInstance(fields.ptr(), global("dict").ptr());
        if (is_dict < 0) throw_python_error();
        if (is_dict) {
            at(299);
            self.attr(interned("_MultipleInputDialog__field_value_dict")) = fields;
        }
    }

    at(301);
    self.attr(interned("_MultipleInputDialog__field_ctrls")) = py::dict();
    at(302);
    py::object keys = call_method(get_attr(self, "_MultipleInputDialog__field_value_dict"), "keys");
    for (py::handle field : keys) {
        at(303);
        py::object label = call(wx_attr("StaticText"), self, wx_attr("ID_ANY"), field, wx_attr("DefaultPosition"),
                                wx_attr("DefaultSize"), py::int_(0));
        at(304);
        call_method(label, "Wrap", py::int_(-1));
        at(305);
        call_method(fg_sizer, "Add", label, py::int_(0), wx_attr("ALL"), py::int_(5));
        at(306);
        py::object value = get_attr(self, "_MultipleInputDialog__field_value_dict")[field];
        py::object field_ctrl = call(wx_attr("TextCtrl"), self, wx_attr("ID_ANY"), value, wx_attr("DefaultPosition"),
                                     wx_attr("DefaultSize"), py::int_(0));
        fit_field_to(field_ctrl, value);
        at(307);
        call_method(fg_sizer, "Add", field_ctrl, py::int_(1), wx_attr("ALL") | wx_attr("EXPAND"), py::int_(5));
        at(308);
        get_attr(self, "_MultipleInputDialog__field_ctrls")[field] = field_ctrl;
        at(302);
    }

    at(310);
    call_method(b_sizer1, "Add", fg_sizer, py::int_(0), wx_attr("EXPAND"), py::int_(5));

    at(312);
    self.attr(interned("m_staticline1")) =
        call(wx_attr("StaticLine"), self, wx_attr("ID_ANY"), wx_attr("DefaultPosition"), wx_attr("DefaultSize"),
             wx_attr("LI_HORIZONTAL"));
    at(313);
    call_method(b_sizer1, "Add", get_attr(self, "m_staticline1"), py::int_(0), wx_attr("EXPAND") | wx_attr("ALL"),
                py::int_(5));

    at(315);
    py::object b_sizer2 = call(wx_attr("BoxSizer"), wx_attr("HORIZONTAL"));
    // A stretching spacer pushes the buttons to the right.
    at(316);
    call_method(b_sizer2, "Add", py::make_tuple(0, 0), py::int_(1), wx_attr("EXPAND"), py::int_(5));

    // OK has no standard identifier: it closes the dialog only through
    // __on_ok, after the texts have been copied into the field table.
    at(318);
    self.attr(interned("_MultipleInputDialog__ui_ok_button")) =
        call(wx_attr("Button"), self, wx_attr("ID_ANY"), tr("OK"), wx_attr("DefaultPosition"),
             wx_attr("DefaultSize"), py::int_(0));
    at(319);
    call_method(get_attr(self, "_MultipleInputDialog__ui_ok_button"), "SetDefault");
    at(320);
    call_method(b_sizer2, "Add", get_attr(self, "_MultipleInputDialog__ui_ok_button"), py::int_(0), wx_attr("ALL"),
                py::int_(5));

    at(322);
    self.attr(interned("_MultipleInputDialog__ui_cancel_button")) =
        call(wx_attr("Button"), self, wx_attr("ID_CANCEL"), tr("Cancel"), wx_attr("DefaultPosition"),
             wx_attr("DefaultSize"), py::int_(0));
    at(323);
    call_method(b_sizer2, "Add", get_attr(self, "_MultipleInputDialog__ui_cancel_button"), py::int_(0), wx_attr("ALL"),
                py::int_(5));

    at(325);
    call_method(b_sizer1, "Add", b_sizer2, py::int_(0), wx_attr("EXPAND"), py::int_(5));

    at(327);
    call_method(self, "SetSizer", b_sizer1);
    at(328);
    call_method(self, "Layout");
    at(329);
    call_method(b_sizer1, "Fit", self);
    at(330);
    call_method(self, "Centre", wx_attr("BOTH"));

    at(332);
    call_method(get_attr(self, "_MultipleInputDialog__ui_ok_button"), "Bind", wx_attr("EVT_BUTTON"),
                get_attr(self, "_MultipleInputDialog__on_ok"));
    return py::none();
}

// 339
py::object MultipleInputDialog_get(py::handle self, py::handle field, Line& at) {
    at(345);
    return get_attr(self, "_MultipleInputDialog__field_value_dict")[field];
}

// 348
py::object MultipleInputDialog_fields(py::handle self, Line& at) {
    at(353);
    return get_attr(self, "_MultipleInputDialog__field_value_dict");
}

// 355
py::object MultipleInputDialog___on_ok(py::handle self, py::handle, Line& at) {
    at(356);
    py::object keys = call_method(get_attr(self, "_MultipleInputDialog__field_value_dict"), "keys");
    for (py::handle field : keys) {
        at(357);
        py::object text = call_method(get_attr(self, "_MultipleInputDialog__field_ctrls")[field], "GetValue");
        get_attr(self, "_MultipleInputDialog__field_value_dict")[field] = text;
        at(356);
    }
    at(358);
    call_method(self, "EndModal", wx_attr("ID_OK"));
    return py::none();
}

Register definitions{
    class_(272, "MultipleInputDialog(wx.Dialog)",
           {
               method<MultipleInputDialog___init__>(273, "__init__(self, parent, fields, title=\"Input\")",
                                                    "b_sizer1 fg_sizer field label field_ctrl b_sizer2",
                                                    MultipleInputDialog___init___doc),
               method<MultipleInputDialog_get>(339, "get(self, field: str)", "", MultipleInputDialog_get_doc),
               property<MultipleInputDialog_fields>(348, "fields(self) -> _Dict[str, str]", "",
                                                    MultipleInputDialog_fields_doc),
               method<MultipleInputDialog___on_ok>(355, "__on_ok(self, _event)", "field"),
           }),
    class_(654, "SimpleInputDialog(wx.Dialog)",
           {
               method<SimpleInputDialog___init__>(655,
                                                  "__init__(self, parent, message: str = \"请输入信息：\", "
                                                  "title: str = \"请输入\", password: bool = False)",
                                                  "bSizer1 style bSizer2"),
               method<SimpleInputDialog_GetInputString>(706, "GetInputString(self, strip=True)"),
               method<SimpleInputDialog___del__>(712, "__del__(self)"),
           }),
};

}  // namespace
}  // namespace kvt
