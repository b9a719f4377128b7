"""TrueOrFalseDialog and ChooseOneButtonDialog, answered by button presses on Xvfb."""
import pytest
import wx

from harness import click, end_modal, entry_of, run_modal
import kvt_wxtools as kvt



def children(dialog, kind):
    return [c for c in dialog.GetChildren() if isinstance(c, kind)]


@pytest.mark.parametrize("labels, shown", [({}, ["Yes", "No"]), ({"true": "确定", "false": "取消"}, ["确定", "取消"])])
@pytest.mark.parametrize("press, code", [(0, wx.ID_OK), (1, wx.ID_CANCEL)])
def test_true_or_false(made, labels, shown, press, code):
    d = kvt.TrueOrFalseDialog(None, "Question", "Go on?", **labels)
    made.append(d)
    assert d.GetTitle() == "Question"
    assert [t.GetLabel() for t in children(d, wx.StaticText)] == ["Go on?"]
    buttons = children(d, wx.Button)
    assert [(b.GetLabel(), b.GetId()) for b in buttons] == list(zip(shown, [wx.ID_OK, wx.ID_CANCEL]))
    assert d.GetDefaultItem() is buttons[0]
    assert run_modal(d, click(buttons[press])) == code


@pytest.mark.parametrize("kwargs, message", [
    ({"true": 1}, "Argument 'true' has incorrect type (expected str, got int)"),
    ({"false": b"No"}, "Argument 'false' has incorrect type (expected str, got bytes)"),
    ({"true": type("Label", (str,), {})("Yes")}, "Argument 'true' has incorrect type (expected str, got Label)"),
])
def test_true_or_false_label_checks(kwargs, message):
    with pytest.raises(TypeError) as info:
        kvt.TrueOrFalseDialog(None, "t", "q", **kwargs)
    assert str(info.value) == message
    assert entry_of(info.value, "kvt_wxtools.TrueOrFalseDialog.__init__").lineno == 56
    assert list(wx.GetTopLevelWindows()) == []


@pytest.mark.parametrize("press", [0, 2])
def test_choose_one_button_records_the_pressed_button(made, press):
    choices = ["Red", "绿色", "Blue"]
    d = kvt.ChooseOneButtonDialog(None, "Colour", "Pick one:", choices)
    made.append(d)
    assert d.GetTitle() == "Colour"
    assert [t.GetLabel() for t in children(d, wx.StaticText)] == ["Pick one:"]
    buttons = children(d, wx.Button)
    assert [b.GetLabel() for b in buttons] == choices
    assert (d.GetSelectedIndex(), d.GetSelectedString()) == (-1, "")
    assert run_modal(d, click(buttons[press])) == wx.ID_OK
    assert (d.GetSelectedIndex(), d.GetSelectedString()) == (press, choices[press])


@pytest.mark.parametrize("choices", [("a", "b")])
def test_choose_one_button_closed_without_a_choice(made, choices):
    d = kvt.ChooseOneButtonDialog(None, "t", "q", choices)
    made.append(d)
    assert len(children(d, wx.Button)) == len(choices)
    assert run_modal(d, end_modal(wx.ID_CANCEL)) == wx.ID_CANCEL
    assert (d.GetSelectedIndex(), d.GetSelectedString()) == (-1, "")


def test_choose_one_button_refuses_nothing_to_choose_and_a_foreign_default():
    for choices, default, error, text in [
            ([], 0, ValueError, "choices must not be empty"),
            (iter(()), 0, ValueError, "choices must not be empty"),
            (["a", "b"], 5, ValueError, r"default must be an index into choices \(0 to 1\), not 5"),
            (["a", "b"], -2, ValueError, r"default must be an index into choices \(0 to 1\), not -2"),
            (["a", "b"], "0", TypeError, "default must be an int index into choices or None, not str")]:
        with pytest.raises(error, match="^%s$" % text):
            kvt.ChooseOneButtonDialog(None, "t", "q", choices, default=default)
    assert list(wx.GetTopLevelWindows()) == []


@pytest.mark.parametrize("default, expected", [(0, 0), (1, 1), (True, 1), (-1, None), (None, None),
                                               (2, 2)])
def test_choose_one_button_default(made, default, expected):
    d = kvt.ChooseOneButtonDialog(None, "t", "q", ["a", "b", "c"], default=default)
    made.append(d)
    buttons = children(d, wx.Button)
    assert d.GetDefaultItem() is (None if expected is None else buttons[expected])


def test_choose_one_button_ignores_a_foreign_button(made):
    d = kvt.ChooseOneButtonDialog(None, "t", "q", ["a"])
    made.append(d)
    other = wx.Button(d, wx.ID_ANY, "other")
    event = wx.CommandEvent(wx.wxEVT_BUTTON, other.GetId())
    event.SetEventObject(other)
    # Not shown modally: an EndModal here would raise a wx assertion.
    assert d.OnChoose(event) is None
    assert (d.GetSelectedIndex(), d.GetSelectedString()) == (-1, "")


MAKERS = {
    "TrueOrFalseDialog": lambda: kvt.TrueOrFalseDialog(None, "t", "Go on?"),
    "ChooseOneButtonDialog": lambda: kvt.ChooseOneButtonDialog(None, "t", "q", ["a", "b"]),
    "WaitForDialog": lambda: kvt.WaitForDialog(None, "t", "Please wait", lambda: None),
    "AutoCloseMessageBox": lambda: kvt.AutoCloseMessageBox(None, "t", "Saved"),
    "SimpleInputDialog": lambda: kvt.SimpleInputDialog(None),
    "MultipleInputDialog": lambda: kvt.MultipleInputDialog(None, ["a"]),
    "SingleChoiceTimeoutDialog": lambda: kvt.SingleChoiceTimeoutDialog(None, "m", "c", ["a"], timeout=0),
}


@pytest.mark.parametrize("name", sorted(MAKERS))
def test_dialog_without_parent_is_centred_and_warns_nothing(made, name, recwarn):
    import warnings
    with warnings.catch_warnings():
        warnings.simplefilter("error")   # as test suites run with -W error
        d = MAKERS[name]()
    made.append(d)
    assert [w for w in recwarn if issubclass(w.category, (DeprecationWarning, wx.wxPyDeprecationWarning))] == []
    area = wx.Display(max(wx.Display.GetFromWindow(d), 0)).GetClientArea()
    rect = d.GetRect()
    assert abs(rect.x + rect.width / 2 - (area.x + area.width / 2)) <= 2, (tuple(rect), tuple(area))
    assert abs(rect.y + rect.height / 2 - (area.y + area.height / 2)) <= 2, (tuple(rect), tuple(area))
