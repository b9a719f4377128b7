"""kvt_handy.Progress (updated from worker threads) and ProgressDialog, which
polls it and ends with the work."""
import sys
import threading
import time
import types

import pytest
import wx

from harness import call, entry_of, flush_events, needs_simulated_input, run_modal, wait_until

import kvt_handy
import kvt_wxtools

Progress = kvt_handy.Progress
Status = Progress.Status


# ----------------------------------------------------------------- Progress

def test_counts_from_several_workers_are_never_lost():
    switch_interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)  # switch threads as often as possible
    try:
        workers, steps = 4, 5000
        progress = Progress("job", workers * steps)

        def work():
            for _ in range(steps):
                assert progress.advance()

        threads = [threading.Thread(target=work) for _ in range(workers)]
        for t in threads:
            t.start()
        while any(t.is_alive() for t in threads):
            name, count, total, status = progress.snapshot()
            assert 0 <= count <= total and status is Status.Running
        for t in threads:
            t.join()
    finally:
        sys.setswitchinterval(switch_interval)
    assert progress.progress == workers * steps


def test_cancel_from_another_thread_stops_the_worker():
    progress = Progress("job", 10**9)
    steps = []

    def work():
        while progress.advance():
            steps.append(1)
            time.sleep(0.001)
        progress.finish()

    worker = threading.Thread(target=work)
    worker.start()
    while not steps:
        time.sleep(0.001)
    assert progress.cancel() is True
    worker.join(5)
    assert not worker.is_alive()
    # The first end wins; afterwards nothing changes.
    assert progress.status is Status.Cancelled and not progress.running
    count = progress.progress
    assert (progress.advance(), progress.update(progress=0, name="other")) == (False, False)
    assert (progress.progress, progress.name) == (count, "job")


@pytest.mark.parametrize("end, status", [("finish", Status.Done), ("fail", Status.Failed),
                                         ("cancel", Status.Cancelled)])
def test_ending_once(end, status):
    progress = Progress("job", 3)
    assert progress.status is Status.Running and progress.running
    args = (ValueError("disk full"),) if end == "fail" else ()
    assert getattr(progress, end)(*args) is True
    assert progress.status is status
    assert progress.fail(KeyError()) is False and progress.finish() is False
    assert progress.status is status
    assert (progress.error is args[0]) if args else progress.error is None


def test_counts_are_checked():
    progress = Progress("job", 3)
    progress.advance(2)
    with pytest.raises(ValueError, match="progress 4 is outside 0 to 3"):
        progress.advance(2)
    with pytest.raises(ValueError, match="progress 2 is outside 0 to 1"):
        progress.update(subtotal=1)
    with pytest.raises(TypeError, match="progress must be an int, not bool"):
        progress.update(progress=True)
    with pytest.raises(TypeError, match="name must be a str, not int"):
        progress.update(name=5)
    assert progress.snapshot() == ("job", 2, 3, Status.Running)
    assert progress.update(progress=0, subtotal=7, name="stage 2") is True
    assert progress.snapshot() == ("stage 2", 0, 7, Status.Running)
    with pytest.raises(ValueError, match="subtotal must not be negative, got -1"):
        Progress("job", -1)


# ----------------------------------------------------------- ProgressDialog


def progress_dialog(made, progress, *args, **kwargs):
    dlg = kvt_wxtools.ProgressDialog(None, progress, *args, **kwargs)
    made.append(dlg)
    return dlg


@pytest.fixture
def reported(monkeypatch):
    """Exceptions that event handlers let out, as wx reports them."""
    errors = []
    monkeypatch.setattr(sys, "excepthook", lambda kind, error, tb: errors.append(error))
    return errors


@pytest.mark.parametrize("args, milliseconds", [((), 200), ((1,), 1000), ((0.0015,), 1)])
def test_before_the_first_tick(made, args, milliseconds):
    progress = Progress("Copying", 4)
    dlg = progress_dialog(made, progress, *args)
    assert dlg.GetTitle() == "进度" and dlg.progress is progress
    assert (dlg.ui_name.GetLabel(), dlg.ui_fraction.GetLabel()) == ("", "0 / 0")
    assert (dlg.ui_gauge.GetRange(), dlg.ui_gauge.GetValue()) == (100, 0)
    assert dlg.ui_timer.IsRunning() and dlg.ui_timer.GetInterval() == milliseconds


@pytest.mark.parametrize("end, code", [("finish", wx.ID_OK), ("fail", wx.ID_CANCEL), ("cancel", wx.ID_CANCEL)])
def test_worker_runs_to_its_end(made, end, code):
    progress = Progress("Copying", 5)

    def work():
        for _ in range(5):
            time.sleep(0.01)
            progress.advance()
        getattr(progress, end)()

    dlg = progress_dialog(made, progress, 0.01)
    worker = threading.Thread(target=work)
    worker.start()
    try:
        assert run_modal(dlg) == code
    finally:
        worker.join()
    # The tick that ended the run still showed the final count.
    assert (dlg.ui_name.GetLabel(), dlg.ui_fraction.GetLabel()) == ("Copying", "5 / 5")
    assert (dlg.ui_gauge.GetRange(), dlg.ui_gauge.GetValue()) == (5, 5)
    assert not dlg.ui_timer.IsRunning()


def test_last_step_between_the_reads_still_shows_the_final_count(made):
    """The worker makes its last step and finishes after the tick has read
    the count but before it reads the status."""
    class Racing:
        Status = Progress.Status
        name, subtotal, progress = "Copying", 5, 4

        @property
        def status(self):
            self.progress = 5
            return Progress.Status.Done

    dlg = progress_dialog(made, Racing(), 0.01)
    assert run_modal(dlg) == wx.ID_OK
    assert dlg.ui_fraction.GetLabel() == "5 / 5" and dlg.ui_gauge.GetValue() == 5


def test_work_over_before_the_run_ends_it_at_once(made, reported):
    progress = Progress("Nothing to do", 0)
    progress.finish()
    dlg = progress_dialog(made, progress, 0.005)
    time.sleep(0.05)
    flush_events()  # a tick before ShowModal stops the polling: no run to end yet
    assert reported == [] and not dlg.ui_timer.IsRunning()
    assert dlg.ui_fraction.GetLabel() == "0 / 0" and dlg.ui_gauge.GetRange() == 0
    # Showing the dialog resumes the polling, and the first tick ends the run.
    assert run_modal(dlg) == wx.ID_OK
    assert not dlg.ui_timer.IsRunning()


def test_progress_lacking_a_member_is_refused_at_the_call(made):
    for progress in (5, types.SimpleNamespace(name="job", progress=1, subtotal=2)):
        with pytest.raises(TypeError, match="^progress must be a Progress .* not (int|types.SimpleNamespace)$"):
            kvt_wxtools.ProgressDialog(None, progress)
    assert list(wx.GetTopLevelWindows()) == []


def press_escape(dlg):
    event = wx.KeyEvent(wx.wxEVT_CHAR_HOOK)
    event.SetKeyCode(wx.WXK_ESCAPE)
    event.SetEventObject(dlg)
    dlg.GetEventHandler().ProcessEvent(event)


@pytest.mark.parametrize("how", ["Close", pytest.param("Escape", marks=needs_simulated_input), "EndModal"])
def test_closing_cancels_the_work_its_worker_sees_it(made, how):
    progress = Progress("job", 100)
    steps = []

    def work():   # a worker that stops once advance() says so
        while progress.advance():
            steps.append(1)
            time.sleep(0.005)

    dlg = progress_dialog(made, progress, 0.01)
    worker = threading.Thread(target=work)
    worker.start()
    close = {"Close": call(dlg.Close), "Escape": call(press_escape, dlg),
             "EndModal": call(dlg.EndModal, wx.ID_CANCEL)}[how]
    try:
        assert run_modal(dlg, wait_until(lambda: steps), close) == wx.ID_CANCEL
    finally:
        worker.join(5)
    assert not worker.is_alive() and len(steps) < 100
    assert progress.status is Progress.Status.Cancelled and progress.update(name="x") is False
    assert run_modal(dlg) == wx.ID_CANCEL   # shown again: over at the first tick


def test_dialog_grows_with_its_texts_and_never_shrinks(made):
    progress = Progress("Handshake", 10)
    dlg = progress_dialog(made, progress, 0.01)
    width = dlg.GetSize().width
    long_name = "Handshake with /dev/ttyUSB0 at 115200 baud, then the parameter books"
    assert run_modal(dlg, wait_until(lambda: dlg.ui_fraction.GetLabel() == "0 / 10"),
                     call(progress.update, 11, 300000, long_name), call(progress.finish)) == wx.ID_OK
    name, fraction = dlg.ui_name.GetRect(), dlg.ui_fraction.GetRect()
    assert name.width >= dlg.ui_name.GetBestSize().width and name.right < fraction.left
    assert fraction.width >= dlg.ui_fraction.GetBestSize().width and fraction.right < dlg.GetClientSize().width
    grown = dlg.GetSize()
    assert grown.width > width
    dlg.progress = Progress("short", 1)
    dlg.progress.finish()
    assert run_modal(dlg) == wx.ID_OK and dlg.GetSize() == grown


def test_showing_again_resumes_polling_of_work_that_cannot_be_cancelled(made):
    class Own:   # the caller's own progress record: no cancel()
        Status = Progress.Status
        name, progress, subtotal, status = "job", 0, 1, Progress.Status.Running

    work = Own()
    dlg = progress_dialog(made, work, 0.01)
    assert run_modal(dlg, call(dlg.Close)) == wx.ID_CANCEL
    work.progress, work.status = 1, Progress.Status.Done
    assert run_modal(dlg) == wx.ID_OK
    assert dlg.ui_fraction.GetLabel() == "1 / 1"


def test_interval_must_be_a_number():
    with pytest.raises(TypeError) as info:
        kvt_wxtools.ProgressDialog(None, Progress(), "fast")
    assert entry_of(info.value, "kvt_wxtools.ProgressDialog.__init__").lineno == 1425
