"""MB: the one-line message boxes and the text-input box, answered on Xvfb."""
import pytest
import wx

from harness import (NotReady, answer_message_box, answer_text_entry, assert_all_destroyed, call_modal,
                     dialog_text, entry_of, failing_dialog, modal_window, shown_message_boxes)
import kvt_wxtools as kvt

MB = kvt.MB


@pytest.mark.parametrize("name, caption, flags, answer, result", [
    ("Error", "Error", wx.OK | wx.ICON_ERROR, wx.OK, None),
    ("Error", "Error", wx.OK | wx.ICON_ERROR, wx.ID_CANCEL, None),
    ("Notice", "Info", wx.OK | wx.ICON_INFORMATION, wx.OK, None),
    ("Confirm", "Confirm", wx.YES_NO | wx.ICON_QUESTION, wx.YES, wx.YES),
    ("Confirm", "Confirm", wx.YES_NO | wx.ICON_QUESTION, wx.NO, wx.NO),
])
def test_boxes_caption_style_and_result(name, caption, flags, answer, result):
    method = getattr(MB, name)
    assert call_modal(lambda: method("Something happened."),
                      answer_message_box(answer, message="Something happened.", caption=caption)) == result
    # Called on an instance and with keywords it shows the given caption.
    assert call_modal(lambda: getattr(MB(), name)(title="Mine", message="m"),
                      answer_message_box(answer, message="m", caption="Mine")) == result
    boxes = shown_message_boxes()
    assert len(boxes) == 2
    assert all(box.style & flags == flags for box in boxes)


def expect_entry(value, message="Enter:", caption="Input Dialog"):
    """Action: check the open text-entry dialog's prompt, caption and pre-filled text."""
    def action():
        d = modal_window(wx.TextEntryDialog)
        if not d.IsModal():
            raise NotReady("text entry not modal yet")
        assert (dialog_text(d), d.GetTitle(), d.GetValue()) == (message, caption, value)
    return action


@pytest.mark.parametrize("kwargs, prefill, typed, code, result, error_box", [
    ({"value_type": int, "default": 42}, "42", "43", wx.ID_OK, 43, False),
    ({"value_type": int}, "", "abc", wx.ID_OK, None, True),
    ({"value_type": int}, "", "", wx.ID_OK, None, True),
    ({"value_type": int}, "", "abc", wx.ID_CANCEL, None, False),
    ({}, "", "", wx.ID_OK, "", False),
    ({"default": 0}, "0", " x\t", wx.ID_OK, " x\t", False),
    ({"value_type": None}, "", "7", wx.ID_OK, None, True),
], ids=["int", "bad-int", "empty-int", "cancel", "empty-str", "zero-default-unstripped", "no-type"])
def test_input(kwargs, prefill, typed, code, result, error_box):
    actions = [expect_entry(prefill), answer_text_entry(typed, code)]
    if error_box:
        actions.append(answer_message_box(wx.OK, message="Invalid input format.", caption="Error"))
    got = call_modal(lambda: MB.Input("Enter:", **kwargs), *actions)
    assert got == result and type(got) is type(result)
    assert len(shown_message_boxes()) == int(error_box)


def test_input_caption_and_exceptions_outside_exception_propagate():
    class Stop(BaseException):
        pass

    class Refuse:
        def __init__(self, text):
            raise Stop(text)

    with pytest.raises(Stop, match="typed") as info:
        call_modal(lambda: MB.Input("Enter:", Refuse, "Name?"),
                   expect_entry("", caption="Name?"), answer_text_entry("typed"))
    assert entry_of(info.value, "kvt_wxtools.MB.Input").lineno == 647
    assert shown_message_boxes() == []


@pytest.mark.parametrize("fail, line", [("ShowModal", 641), ("GetValue", 642)])
def test_input_destroys_its_dialog_when_a_call_raises(monkeypatch, fail, line):
    error = LookupError("broken")
    dialog = failing_dialog(wx.TextEntryDialog, error, fail)
    monkeypatch.setattr(wx, "TextEntryDialog", dialog)
    with pytest.raises(LookupError) as info:
        MB.Input("Enter:", default="x")
    assert info.value is error and info.value.__context__ is None
    assert entry_of(info.value, "kvt_wxtools.MB.Input").lineno == line
    assert_all_destroyed(dialog.made)
    assert list(wx.GetTopLevelWindows()) == []


def test_input_keeps_the_error_when_destroying_its_dialog_fails_too(monkeypatch):
    import sys
    error, late = LookupError("broken"), ValueError("no destroy")
    base = wx.TextEntryDialog

    class Entry(failing_dialog(base, error)):
        def Destroy(self):
            base.Destroy(self)
            raise late

    reported = []
    monkeypatch.setattr(sys, "unraisablehook", reported.append)
    monkeypatch.setattr(wx, "TextEntryDialog", Entry)
    with pytest.raises(LookupError) as info:
        MB.Input("Enter:")
    assert info.value is error and info.value.__context__ is None
    assert [r.exc_value for r in reported] == [late]
    assert_all_destroyed(Entry.made)


@pytest.mark.parametrize("call, message", [
    (lambda: MB.Error(1), "Argument 'message' has incorrect type (expected str, got int)"),
    (lambda: MB.Confirm(type("Text", (str,), {})("m")),
     "Argument 'message' has incorrect type (expected str, got Text)"),
    (lambda: MB.Input("m", "int"), "Argument 'value_type' has incorrect type (expected type, got str)"),
])
def test_argument_checks_come_before_any_window(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
    assert shown_message_boxes() == [] and list(wx.GetTopLevelWindows()) == []
