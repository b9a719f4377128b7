"""SimpleInputDialog and MultipleInputDialog, driven for real on Xvfb."""
import pytest
import wx

from harness import click, end_modal, entry_of, run_modal
import kvt_wxtools as kvt



def labels(dialog):
    return [c.GetLabel() for c in dialog.GetChildren() if isinstance(c, wx.StaticText)]


def texts(dialog):
    return [c.GetValue() for c in dialog.GetChildren() if isinstance(c, wx.TextCtrl)]


# --------------------------------------------------------------------------
# SimpleInputDialog

def test_simple_input_defaults_fonts_and_layout(made):
    d = kvt.SimpleInputDialog(None)
    made.append(d)
    assert (d.GetTitle(), d.m_staticText1.GetLabel()) == ("请输入", "请输入信息：")
    assert [(b.GetLabel(), b.GetId()) for b in (d.m_button1, d.m_button2)] == [
        ("确定", wx.ID_OK), ("取消", wx.ID_CANCEL)]
    assert d.GetDefaultItem() is d.m_button1
    large = wx.Font(20, 70, 90, 90, False, "")
    for control in (d.m_staticText1, d.InputField, d.m_button1, d.m_button2):
        assert control.GetFont() == large and control.GetFont().GetPointSize() == 20
    assert d.m_staticline1.GetFont().GetPointSize() != 20
    assert not d.InputField.GetWindowStyle() & wx.TE_PASSWORD
    # OK at the left edge, Cancel at the right edge, the field at least 400 wide.
    width = d.GetClientSize().width
    assert d.m_button1.GetPosition().x == 5
    assert d.m_button2.GetRect().right == width - 6
    assert d.InputField.GetSize().width >= 400 and width >= 410


@pytest.mark.parametrize("password, masked", [(True, True), ("yes", True), (0, False)])
@pytest.mark.parametrize("button, code", [("m_button1", wx.ID_OK), ("m_button2", wx.ID_CANCEL)])
def test_simple_input_answers_and_text(made, password, masked, button, code):
    d = kvt.SimpleInputDialog(None, "Password?", "Log in", password=password)
    made.append(d)
    assert bool(d.InputField.GetWindowStyle() & wx.TE_PASSWORD) == masked
    assert (d.GetTitle(), d.m_staticText1.GetLabel()) == ("Log in", "Password?")
    typed = "  sec ret\t"
    assert run_modal(d, lambda: d.InputField.SetValue(typed), click(getattr(d, button))) == code
    # The text stays readable whichever button closed the dialog.
    assert d.GetInputString() == "sec ret"
    assert d.GetInputString(False) == d.GetInputString(strip=False) == typed


def test_simple_input_long_prompt_widens_instead_of_wrapping(made):
    prompt = "A prompt much longer than the four hundred pixels of the field " * 3
    d = kvt.SimpleInputDialog(None, prompt)
    made.append(d)
    assert d.m_staticText1.GetLabel() == prompt
    assert d.GetClientSize().width > d.m_staticText1.GetSize().width > 400


def test_simple_input_checks_text_arguments():
    with pytest.raises(TypeError) as info:
        kvt.SimpleInputDialog(None, "m", 5)
    assert str(info.value) == "Argument 'title' has incorrect type (expected str, got int)"
    assert entry_of(info.value, "kvt_wxtools.SimpleInputDialog.__init__").lineno == 655


# --------------------------------------------------------------------------
# MultipleInputDialog

def test_multiple_input_docstrings():
    cls = kvt.MultipleInputDialog
    assert cls.__init__.__doc__ == (
        "\n\t\t弹出一个对话框，让用户输入指定的各项内容。"
        "\n\t\t:param parent: 父窗口"
        "\n\t\t:param fields: 可以是一个包含多个字符串的列表，列表元素指定需要输入的项目的名称；也可以是一个包含名称-值的字典。"
        "\n\t\t字典的键和值都必须是字符串，其中键是需要输入项目的名称，值是输入项的默认值。"
        "\n\t\t注意：如果传入的是字典，那么，当按下“OK”按钮后，字典的值将被改变，保存着用户输入的值！"
        "\n\t\t:param title: 对话框标题栏的标题，默认是“Input”。\n\t\t")
    assert cls.get.__doc__ == (
        "\n\t\t获取对应输入项的值。只有当用户按下“OK”按钮时才会得到最新的输入值，如果没有按下“OK”，将返回默认值。"
        "\n\t\t:param field: 输入项的名称\n\t\t:return: 输入项的用户输入值\n\t\t")
    assert cls.fields.__doc__ == (
        "\n\t\t所有输入项名称-值组成的字典"
        "\n\t\t:return: 一个字典，键是所有输入项的名称，值是各个输入项对应的用户输入值\n\t\t")


@pytest.mark.parametrize("fields, rows, values", [
    ("name", ["name"], [""]),
    (["a", "b", "a"], ["a", "b"], ["", ""]),
    ([], [], []),
    ({}, [], []),
    ({"host": "localhost", "port": "80"}, ["host", "port"], ["localhost", "80"]),
])
def test_multiple_input_rows(made, fields, rows, values):
    d = kvt.MultipleInputDialog(None, fields)
    made.append(d)
    assert d.GetTitle() == "Input"
    assert labels(d) == rows and texts(d) == values
    assert d.fields == dict(zip(rows, values))
    assert [d.get(name) for name in rows] == values
    buttons = [c for c in d.GetChildren() if isinstance(c, wx.Button)]
    assert [(b.GetLabel(), b.GetId() == wx.ID_CANCEL) for b in buttons] == [("OK", False), ("Cancel", True)]
    assert d.GetDefaultItem() is buttons[0]


@pytest.mark.parametrize("close, code, kept", [
    ("ok", wx.ID_OK, False),
    ("cancel", wx.ID_CANCEL, True),
    ("escape", wx.ID_CANCEL, True),
])
def test_multiple_input_changes_callers_dict_only_on_ok(made, close, code, kept):
    defaults = {"host": "localhost", "port": "80"}
    d = kvt.MultipleInputDialog(None, defaults, "Server")
    made.append(d)
    assert d.GetTitle() == "Server" and d.fields is defaults
    boxes = [c for c in d.GetChildren() if isinstance(c, wx.TextCtrl)]
    ok, cancel = (c for c in d.GetChildren() if isinstance(c, wx.Button))
    closer = {"ok": click(ok), "cancel": click(cancel), "escape": end_modal(wx.ID_CANCEL)}[close]
    assert run_modal(d, lambda: boxes[0].SetValue(" example.org "), closer) == code
    expected = {"host": "localhost", "port": "80"} if kept else {"host": " example.org ", "port": "80"}
    assert defaults == expected and d.fields is defaults
    assert d.get("host") == expected["host"]


def test_multiple_input_failures(made):
    d = kvt.MultipleInputDialog(None, ["a"])
    made.append(d)
    with pytest.raises(KeyError):
        d.get("b")
    with pytest.raises(TypeError, match=r"^Argument 'field' has incorrect type \(expected str, got int\)$"):
        d.get(1)
    # Anything but a name, a list of names or a dict of texts is refused
    # before a window is made.
    for fields, text in [(("a", "b"), "fields must be a str, a list of str or a dict of str to str, not tuple"),
                         (5, "fields must be a str, a list of str or a dict of str to str, not int"),
                         (["a", 1], r"fields\[1\] must be a str, not int"),
                         ({"a": 1}, r"fields\['a'\] must be a str, not int"),
                         ({2: "x"}, "the names in fields must be str, not int")]:
        with pytest.raises(TypeError, match="^%s$" % text):
            kvt.MultipleInputDialog(None, fields)
    assert list(wx.GetTopLevelWindows()) == [d]
    # The half-built window is left to the caller, as with any failed wx constructor.
    for w in wx.GetTopLevelWindows():
        if w is not d:
            w.Destroy()


def test_multiple_input_fields_show_their_defaults_whole(made):
    defaults = {"Host": "192.168.0.20", "Device": "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0",
                "Baud": "9600"}
    d = kvt.MultipleInputDialog(None, dict(defaults))
    made.append(d)
    for field, text in defaults.items():
        ctrl = d._MultipleInputDialog__field_ctrls[field]
        assert ctrl.GetSize().width >= ctrl.GetSizeFromTextSize(ctrl.GetTextExtent(text).width).width
