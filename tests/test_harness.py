"""The dialog-driving helpers themselves: later tests rely on them to answer
dialogs and message boxes, and to fail rather than hang."""
import time

import pytest
import wx

from harness import (answer_message_box, answer_text_entry, call, call_modal, click,
                     close_top_level_windows, end_modal, run_modal, run_python,
                     shown_message_boxes)


@pytest.fixture
def dialog():
    d = wx.Dialog(None, title="harness")
    yield d
    d.Destroy()


def test_run_modal_returns_the_code_the_dialog_ended_with(dialog):
    assert run_modal(dialog, end_modal(4321)) == 4321
    assert not dialog.IsModal()


@pytest.mark.parametrize("answer, expected", [(wx.YES, wx.YES), (wx.ID_NO, wx.NO), (wx.CANCEL, wx.CANCEL)])
def test_message_box_answers(answer, expected):
    result = call_modal(lambda: wx.MessageBox("Sure?", "Question", wx.YES_NO | wx.CANCEL),
                        answer_message_box(answer, message="Sure?", caption="Question"))
    assert result == expected
    assert [(b.message, b.caption) for b in shown_message_boxes()] == [("Sure?", "Question")]


def test_text_entry_and_nested_message_box_inside_a_dialog(dialog):
    got = {}

    def ask(_event):
        entry = wx.TextEntryDialog(dialog, "Name?", "Input", "old")
        got["code"] = entry.ShowModal()
        got["text"] = entry.GetValue()
        entry.Destroy()
        got["box"] = wx.MessageBox("Saved " + got["text"], "Info", wx.OK)
        dialog.EndModal(wx.ID_OK)

    button = wx.Button(dialog, label="Ask")
    button.Bind(wx.EVT_BUTTON, ask)
    result = run_modal(dialog, click(button), answer_text_entry("new", message="Name?"),
                       answer_message_box(wx.OK, message="Saved new"))
    assert result == wx.ID_OK
    assert got == {"code": wx.ID_OK, "text": "new", "box": wx.OK}


def test_failing_action_ends_the_dialog_and_reraises(dialog):
    def broken():
        raise ValueError("boom")

    with pytest.raises(ValueError, match="boom"):
        run_modal(dialog, broken)
    assert not dialog.IsModal()


def test_missing_answer_fails_within_the_timeout(dialog):
    start = time.monotonic()
    with pytest.raises(pytest.fail.Exception, match="timed out"):
        run_modal(dialog, call(lambda: None), answer_message_box(wx.OK), timeout=0.5)
    assert time.monotonic() - start < 5
    assert not dialog.IsModal()


def test_dialog_ending_before_all_actions_ran_fails(dialog):
    with pytest.raises(pytest.fail.Exception, match="before action 2"):
        run_modal(dialog, end_modal(wx.ID_OK), call(lambda: None))


def test_close_top_level_windows_reports_and_destroys_leftovers():
    frame = wx.Frame(None, title="left open")
    frame.Show()
    assert close_top_level_windows() == ["Frame('left open')"]
    assert not frame
    assert close_top_level_windows() == []


def test_run_python_uses_the_test_paths_and_display():
    result = run_python("""
        import os, sys
        report([sys.path[:2], os.environ.get("DISPLAY")])
    """)
    import harness
    import os
    assert result.rc == 0, result
    assert result.data == [harness.IMPORT_PATHS, os.environ.get("DISPLAY")]


def test_message_box_with_nobody_to_answer_is_cancelled_and_reported():
    import harness
    assert wx.MessageBox("Nobody home", "Lost", wx.OK | wx.CANCEL) == wx.CANCEL
    assert [b.message for b in harness.TRACKER.unanswered] == ["Nobody home"]
    harness.TRACKER.unanswered.clear()  # reported, so the teardown check passes
