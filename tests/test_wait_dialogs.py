"""WaitForDialog and AutoCloseMessageBox: what each answer of the callback
does, how runs end, the self-closing box's tick count, the argument checks;
and, for every timed dialog, that no tick reaches a destroyed dialog."""
import sys
import time

import pytest
import wx

from harness import call, entry_of, flush_events, run_modal, run_python, wait_until

import kvt_wxtools

LONG_TEXT = "Working... copying the parameter books to the new directory"



def wait_dialog(made, callback, interval=20, **kwargs):
    dlg = kvt_wxtools.WaitForDialog(None, "Waiting", "Please wait", callback, interval, **kwargs)
    made.append(dlg)
    return dlg


def test_answers_of_the_callback(made):
    answers = iter([None, 1, LONG_TEXT, False, 2.5, True])
    seen = []  # (label, width) at each poll, before the answer is applied

    def callback():
        seen.append((dlg.mMessage.GetLabel(), dlg.GetSize().width))
        return next(answers)

    dlg = wait_dialog(made, callback)
    assert run_modal(dlg) == 0
    labels = [label for label, _ in seen]
    assert labels == ["Please wait"] * 3 + [LONG_TEXT] * 3
    # A text answer re-fits the dialog to the new message.
    width_before, width_after = seen[0][1], seen[3][1]
    assert width_after > width_before
    assert width_after >= dlg.mMessage.GetTextExtent(LONG_TEXT).width
    assert not dlg._WaitForDialog__timer.IsRunning()


@pytest.mark.parametrize("answer", [1, [True]])
def test_only_true_itself_ends_the_wait(made, answer):
    calls = []
    dlg = wait_dialog(made, lambda: calls.append(1) or answer)
    assert run_modal(dlg, wait_until(lambda: len(calls) >= 5), call(dlg.Close)) == wx.ID_CANCEL


def test_raising_callback_is_reported_and_the_wait_goes_on(made, monkeypatch):
    reported = []
    monkeypatch.setattr(sys, "excepthook", lambda *exc: reported.append(exc))
    calls = []

    def callback():
        calls.append(1)
        if len(calls) == 1:
            raise ValueError("not yet")
        return len(calls) == 3

    dlg = wait_dialog(made, callback)
    assert run_modal(dlg) == 0
    assert len(calls) == 3
    [(kind, error, _)] = reported
    assert kind is ValueError and str(error) == "not yet"
    assert entry_of(error, "kvt_wxtools.WaitForDialog.on_timer_refresh").lineno == 158


@pytest.mark.parametrize("end", ["callback", "close"])
def test_no_poll_after_the_run_ends(made, end):
    calls = []
    if end == "callback":
        dlg = wait_dialog(made, lambda: calls.append(1) or len(calls) == 2)
        assert run_modal(dlg) == 0
    else:
        dlg = wait_dialog(made, lambda: calls.append(1))
        assert run_modal(dlg, wait_until(lambda: calls), call(dlg.Close)) == wx.ID_CANCEL
    count = len(calls)
    time.sleep(0.1)
    flush_events()
    assert len(calls) == count
    assert not dlg._WaitForDialog__timer.IsRunning()


@pytest.mark.parametrize("font_size, sized", [(17, True), (17.0, False), (None, False)])
def test_only_an_int_font_size_sets_the_font(made, font_size, sized):
    dlg = wait_dialog(made, lambda: None, font_size=font_size)
    font = dlg.mMessage.GetFont()
    if sized:
        assert font == wx.Font(17, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL)
    else:
        assert font == wx.StaticText(dlg, -1, "x").GetFont()
        assert font.GetPointSize() != 17


# Adding 0.1 a tick from 0: ten additions stay just below 1.0.
@pytest.mark.parametrize("timeout, ticks", [(None, 20), (1.0, 11), (3, 30), (5.0, 51), (0.5, 5)])
def test_self_closing_box_counts_ticks(made, timeout, ticks):
    args = {} if timeout is None else {"timeout": timeout}
    box = kvt_wxtools.AutoCloseMessageBox(None, "Notice", "Saved.", **args)
    made.append(box)
    assert box.interval == 100 and box.callback == box.counter
    assert type(box._AutoCloseMessageBox__timeout) is float
    answers = []
    while not answers or not answers[-1]:
        answers.append(box.counter())
        assert len(answers) <= 100
    assert len(answers) == ticks and all(type(a) is bool for a in answers)


def test_self_closing_box_closes_itself(made):
    box = kvt_wxtools.AutoCloseMessageBox(None, "Notice", "Saved.", timeout=0.3)
    made.append(box)
    assert (box.GetTitle(), box.mMessage.GetLabel()) == ("Notice", "Saved.")
    assert run_modal(box, timeout=5) == 0


@pytest.mark.parametrize("kwargs, message", [
    ({"text": 5}, "Argument 'text' has incorrect type (expected str, got int)"),
    ({"title": b"Notice"}, "Argument 'title' has incorrect type (expected str, got bytes)"),
    ({"timeout": "soon"}, None),
])
def test_self_closing_box_argument_checks(kwargs, message):
    args = {"parent": None, "title": "Notice", "text": "Saved.", **kwargs}
    with pytest.raises(TypeError) as info:
        kvt_wxtools.AutoCloseMessageBox(**args)
    if message is not None:
        assert str(info.value) == message
    assert entry_of(info.value, "kvt_wxtools.AutoCloseMessageBox.__init__").lineno == 175


@pytest.mark.parametrize("make", [
    "d = kvt_wxtools.WaitForDialog(None, 'T', 'x', lambda: None, 5); d.Show()",
    "d = kvt_wxtools.WaitForDialog(None, 'T', 'x', lambda: None, 5)\n"
    "wx.CallLater(50, d.Close); assert d.ShowModal() == wx.ID_CANCEL",
    "d = kvt_wxtools.AutoCloseMessageBox(None, 'T', 'x'); d.Show()",
    "d = kvt_wxtools.SingleChoiceTimeoutDialog(None, 'm', 'c', ['a'], timeout=5); d.Show()",
    "d = kvt_wxtools.ProgressDialog(None, kvt_handy.Progress('job', 1), 0.005)",
    "d = kvt_wxtools.ProgressDialog(None, kvt_handy.Progress('job', 1), 0.005)\n"
    "wx.CallLater(50, d.Close); assert d.ShowModal() == wx.ID_CANCEL",
], ids=["wait shown", "wait closed", "self-closing shown", "choice shown", "progress not shown",
        "progress closed"])
def test_timers_never_reach_a_destroyed_dialog(make):
    # A tick delivered to a destroyed window would crash the interpreter.
    result = run_python("""
        import time, wx
        app = wx.App(False)
        import kvt_wxtools, kvt_handy
        %s
        d.Destroy()
        end = time.time() + 0.3
        while time.time() < end:
            app.Yield(True)
            time.sleep(0.005)
        report("alive")
    """ % make.replace("\n", "\n        "))
    assert result.rc == 0, str(result)
    assert result.data == "alive"


def test_callback_must_be_callable():
    with pytest.raises(TypeError, match="^callback must be callable, not int$") as info:
        kvt_wxtools.WaitForDialog(None, "t", "m", 5)
    assert entry_of(info.value, "kvt_wxtools.WaitForDialog.__init__").filename == "wxtools.py"
    assert list(wx.GetTopLevelWindows()) == []
