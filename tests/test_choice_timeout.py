"""SingleChoiceTimeoutDialog: the countdown in the title, how each way of
ending a run answers, the selection read afterwards and the argument checks.

Most tests swap the dialog's timer for a FakeTimer and call OnTimerEvent
themselves, so that the countdown is counted tick by tick without waiting."""
import pytest
import wx

from harness import call, click, entry_of, run_modal, wait_until

import kvt_wxtools

CHOICES = ["alpha", "beta", "gamma"]


class FakeTimer:
    """Stands in for the dialog's wx.Timer and records what is asked of it."""

    def __init__(self):
        self.calls = []

    def Start(self, *args):
        self.calls.append(("Start",) + args)

    def Stop(self):
        self.calls.append(("Stop",))


@pytest.fixture
def make():
    made = []

    def make(*args, fake_timer=True, **kwargs):
        dlg = kvt_wxtools.SingleChoiceTimeoutDialog(None, *args, **kwargs)
        made.append(dlg)
        if fake_timer and dlg._SingleChoiceTimeoutDialog__timer is not None:
            dlg._SingleChoiceTimeoutDialog__timer = FakeTimer()
        return dlg

    yield make
    for dlg in made:
        dlg.Destroy()


def tick_until_ended(dlg, titles, ticks, limit=200):
    """Action: tick until the run ends, recording the title after each tick
    that leaves the dialog open and the number of the tick that ended it."""
    def action():
        titles.append(dlg.GetTitle())  # as shown, before the first tick
        for n in range(1, limit + 1):
            dlg.OnTimerEvent(None)
            if not dlg.IsModal():
                ticks.append(n)
                return
            titles.append(dlg.GetTitle())
    return action


def list_event(dlg, kind, index):
    """Selects `index` in the list and sends the event a user's click makes."""
    box = dlg.mChoicesBox
    box.SetSelection(index)
    event = wx.CommandEvent(kind, box.GetId())
    event.SetEventObject(box)
    event.SetInt(index)
    box.GetEventHandler().ProcessEvent(event)


# Repeated subtraction of 0.1 decides the tick count: from 5 the title
# reaches 0.0 with a tiny positive rest, from 2 the 20th tick hits zero.
@pytest.mark.parametrize("timeout, last_tick, first_titles, last_title", [
    (5, 51, ["Pick 5.0", "Pick 4.9", "Pick 4.8"], "Pick 0.0"),
    (0.5, 6, ["Pick 0.5", "Pick 0.4", "Pick 0.3"], "Pick 0.0"),
    (2, 20, ["Pick 2.0", "Pick 1.9", "Pick 1.8"], "Pick 0.1"),
    (3, 30, ["Pick 3.0", "Pick 2.9", "Pick 2.8"], "Pick 0.1"),
])
def test_countdown_counts_ticks_and_accepts_the_preselected_choice(make, timeout, last_tick, first_titles,
                                                                   last_title):
    dlg = make("Choose one", "Pick", CHOICES, timeout=timeout)
    titles, ticks = [], []
    assert run_modal(dlg, tick_until_ended(dlg, titles, ticks)) == wx.ID_OK
    assert ticks == [last_tick]
    assert titles[:3] == first_titles
    assert titles[-1] == last_title
    assert len(titles) == last_tick  # the shown title, then one per tick but the last
    assert dlg._SingleChoiceTimeoutDialog__timer.calls[0] == ("Start", 100)
    assert ("Stop",) in dlg._SingleChoiceTimeoutDialog__timer.calls
    assert (dlg.GetSelectionIndex(), dlg.GetSelection()) == (0, "alpha")


def test_real_timer_ends_the_run(make):
    dlg = make("Choose one", "Pick", CHOICES, timeout=0.3, selection=2, fake_timer=False)
    assert run_modal(dlg, timeout=5) == wx.ID_OK
    assert dlg.GetSelection() == "gamma"
    assert not dlg._SingleChoiceTimeoutDialog__timer.IsRunning()


def test_selection_change_stops_the_countdown_for_good(make):
    dlg = make("Choose one", "Pick", CHOICES, timeout=5)
    timer = dlg._SingleChoiceTimeoutDialog__timer
    titles = []
    assert run_modal(
        dlg,
        wait_until(lambda: dlg.GetTitle() == "Pick 5.0"),
        call(list_event, dlg, wx.wxEVT_LISTBOX, 1),
        call(lambda: titles.append(dlg.GetTitle())),
        click(dlg.m_sdbSizer1OK),
    ) == wx.ID_OK
    assert titles == ["Pick"]
    assert timer.calls[:2] == [("Start", 100), ("Stop",)]
    assert dlg.GetSelection() == "beta"


@pytest.mark.parametrize("timeout", [5, 0])
@pytest.mark.parametrize("end, code", [
    ("ok", wx.ID_OK), ("cancel", wx.ID_CANCEL), ("close", wx.ID_CANCEL), ("double click", wx.ID_OK),
])
def test_each_way_of_ending_a_run(make, timeout, end, code):
    dlg = make("Choose one", "Pick", CHOICES, timeout=timeout)
    action = {
        "ok": click(dlg.m_sdbSizer1OK),
        "cancel": click(dlg.m_sdbSizer1Cancel),
        "close": call(dlg.Close),
        "double click": call(list_event, dlg, wx.wxEVT_LISTBOX_DCLICK, 2),
    }[end]
    assert run_modal(dlg, action) == code
    assert dlg.GetSelection() == ("gamma" if end == "double click" else "alpha")
    timer = dlg._SingleChoiceTimeoutDialog__timer
    if timeout:
        # However the run ended, the timer was stopped with it.
        assert timer.calls[0] == ("Start", 100) and timer.calls[-1] == ("Stop",)
        assert dlg.GetTitle() == "Pick 5.0"
    else:
        assert timer is None and dlg.GetTitle() == "Pick"


def test_late_tick_after_the_run_is_harmless(make):
    dlg = make("Choose one", "Pick", CHOICES, timeout=0.1)
    assert run_modal(dlg, click(dlg.m_sdbSizer1Cancel)) == wx.ID_CANCEL
    dlg.OnTimerEvent(None)  # reaches zero with no run to end: no wx assertion
    assert dlg._SingleChoiceTimeoutDialog__left <= 0


@pytest.mark.parametrize("choices, selection", [(CHOICES, 3), (CHOICES, -1), ([], 0)])
def test_nothing_selected_answers_none(make, choices, selection):
    dlg = make("Choose one", "Pick", choices, timeout=0, selection=selection)
    assert dlg.GetSelectionIndex() == -1
    assert dlg.GetSelection() is None


class Text(str):
    pass


@pytest.mark.parametrize("kwargs, message", [
    ({"message": 1}, "Argument 'message' has incorrect type (expected str, got int)"),
    ({"caption": Text("x")}, "Argument 'caption' has incorrect type (expected str, got Text)"),
])
def test_text_arguments_are_checked(kwargs, message):
    args = {"parent": None, "message": "m", "caption": "c", "choices": CHOICES, **kwargs}
    with pytest.raises(TypeError) as info:
        kvt_wxtools.SingleChoiceTimeoutDialog(**args)
    assert str(info.value) == message
    assert entry_of(info.value, "kvt_wxtools.SingleChoiceTimeoutDialog.__init__").lineno == 187
