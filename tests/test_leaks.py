"""Memory stays flat: many thousand successful and failing calls, and a few
hundred dialogs of every kind made and destroyed, leave the Python heap, the
count of live objects and the process's resident memory where a warm-up left
them; and no tick of a timed dialog reaches it after its run or its end.

KVT_LONG_TESTS=1 repeats everything ten times as often (run-sanitized does)."""
import gc
import os
import sys

import pytest
import wx

import harness
from harness import answer_message_box, answer_text_entry, call_modal, flush_events, run_python

import kvt_handy
import kvt_wxtools
from kvt_paratree import Parameter, ParameterBook, ParameterDirectory

SCALE = 10 if os.environ.get("KVT_LONG_TESTS") else 1
# Under AddressSanitizer freed memory sits in a quarantine, so the resident
# size grows whatever the code does; the sanitizer checks the heap instead.
SANITIZED = bool(os.environ.get("KVT_SANITIZED"))
PAGE = os.sysconf("SC_PAGE_SIZE")


def usage():
    flush_events()
    for _ in range(3):
        gc.collect()
    with open("/proc/self/statm") as statm:
        resident = int(statm.read().split()[1]) * PAGE
    return sys.getallocatedblocks(), len(gc.get_objects()), resident


def assert_flat(action, count, *, blocks, objects, resident, warmup=None):
    """Run `action` `count` times after a warm-up and fail if the Python
    heap grew by `blocks` blocks, the tracked objects by `objects` or the
    resident memory by `resident` bytes or more."""
    for _ in range(warmup if warmup is not None else max(count // 5, 10)):
        action()
    before = usage()
    for _ in range(count):
        action()
    after = usage()
    grown = [a - b for a, b in zip(after, before)]
    assert grown[0] < blocks and grown[1] < objects, \
        "%d calls: heap blocks +%d, objects +%d" % (count, grown[0], grown[1])
    if not SANITIZED:
        assert grown[2] < resident, "%d calls: resident memory +%d bytes" % (count, grown[2])


def raises(exception, function, *args, **kwargs):
    try:
        function(*args, **kwargs)
    except exception:
        return
    raise AssertionError("%s did not raise %s" % (function, exception.__name__))


# ------------------------------------------------------------------ calls

def test_combo_list_calls_and_their_errors(frame):
    box = wx.ListBox(frame)
    combo = kvt_wxtools.ComboList(box, lambda obj: "<%s>" % obj[0])
    items = [("a", 1), ("b", 2), ("c", 3)]

    def action():
        combo.AppendItems(items)
        combo.Insert(("d", 4), 1)
        combo.SetSelection(1)
        assert combo.GetSelection() == ("d", 4) and combo.GetSelectionIndex() == 1
        assert combo.GetObject(2) == ("b", 2) and len(combo) == 4
        combo.DeleteSelections()
        assert combo.GetObject(10) is None
        raises(TypeError, combo.Insert, ("e", 5))            # argument missing
        raises(TypeError, combo.Append, 5)                    # get_info fails on an int
        combo.Clear()

    assert_flat(action, 2000 * SCALE, blocks=400, objects=200, resident=2 << 20)


def test_checked_arguments_and_name_checks():
    is_valid_name = kvt_wxtools.ParameterTreeEditorPanel.is_valid_name

    def action():
        assert is_valid_name("motor 1") and not is_valid_name("a/b") and not is_valid_name("")
        raises(TypeError, is_valid_name, 5)
        raises(TypeError, kvt_wxtools.MB.Error, 5)
        raises(TypeError, kvt_wxtools.MB.Notice, "text", title=b"bytes")
        raises(TypeError, kvt_wxtools.TrueOrFalseDialog, None, "t", "q", true=1)
        raises(TypeError, kvt_wxtools.MB.Input, "m", value_type=5)

    assert_flat(action, 5000 * SCALE, blocks=1000, objects=200, resident=2 << 20)


def test_input_conversions_answered_and_refused():
    def action():
        harness.TRACKER.boxes.clear()  # the record of the boxes shown
        assert call_modal(lambda: kvt_wxtools.MB.Input("n?", int), answer_text_entry("12")) == 12
        assert call_modal(lambda: kvt_wxtools.MB.Input("n?", float, default=1),
                          answer_text_entry("x"),
                          answer_message_box(wx.OK, message="Invalid input format.")) is None

    assert_flat(action, 30 * SCALE, blocks=150, objects=100, resident=4 << 20)


def test_model_load_and_save(tmp_path):
    root = ParameterDirectory([("b", ParameterBook([("p", Parameter({"v": [1, {"k": "x"}]}))])),
                               ("d", ParameterDirectory([("c", ParameterBook())]))])

    def action():
        root.save(tmp_path)
        assert ParameterDirectory.load(tmp_path) == root

    assert_flat(action, 300 * SCALE, blocks=300, objects=200, resident=2 << 20)


# ---------------------------------------------------------------- dialogs

@pytest.fixture(scope="module")
def tree_folder(tmp_path_factory):
    folder = tmp_path_factory.mktemp("tree")
    ParameterDirectory([("motors", ParameterDirectory([("axis", ParameterBook(
        [("speed", Parameter({"v": 10, "unit": "mm/s"}, {"en": "Speed"}))]))]))]).save(folder)
    return str(folder)


DIALOGS = {
    "TrueOrFalseDialog": lambda: kvt_wxtools.TrueOrFalseDialog(None, "t", "Go on?"),
    "ChooseOneButtonDialog": lambda: kvt_wxtools.ChooseOneButtonDialog(None, "t", "q", ["a", "b", "c"]),
    "SingleChoiceTimeoutDialog": lambda: kvt_wxtools.SingleChoiceTimeoutDialog(
        None, "m", "c", ["a", "b"], timeout=5),
    "MultipleInputDialog": lambda: kvt_wxtools.MultipleInputDialog(None, {"a": "1", "b": "2"}),
    "SimpleInputDialog": lambda: kvt_wxtools.SimpleInputDialog(None, "Name?"),
    "ProgressDialog": lambda: kvt_wxtools.ProgressDialog(None, kvt_handy.Progress("job", 3), 0.05),
    "WaitForDialog": lambda: kvt_wxtools.WaitForDialog(None, "T", "x", lambda: None, 20),
    "AutoCloseMessageBox": lambda: kvt_wxtools.AutoCloseMessageBox(None, "T", "x"),
    "ParaTreeCopyDialog": lambda: kvt_wxtools.ParaTreeCopyDialog(None, ["b", "p"], Parameter()),
    "DescriptionEditorDialog": lambda: kvt_wxtools.DescriptionEditorDialog(
        None, Parameter(descriptions={"en": "a", "zh_CN": "乙"})),
    "ParameterEditorDialog": lambda: kvt_wxtools.ParameterEditorDialog(
        None, "motor", Parameter({"v": 1, "s": "x", "l": [1]})),
    "ParameterScalarAttributeEditorDialog": lambda: kvt_wxtools.ParameterScalarAttributeEditorDialog(
        None, "speed", 2.5),
    "ParameterTreeDialog": None,  # needs the tree folder
    "ParameterViewDialog": lambda: kvt_wxtools.ParameterViewDialog(
        None, "motor", Parameter({"v": 1, "s": "x" * 1000}, {"en": "a", "de": "b"})),
}


class Icon:
    """Stands in for the tree icons: wxPython keeps the stream of every
    wx.Image read from one (here two per tree panel), which is not this
    module's to measure."""

    def __init__(self, icon):
        self.bitmap = icon.GetBitmap()

    def GetBitmap(self):
        return self.bitmap


@pytest.mark.parametrize("name", list(DIALOGS))
def test_dialogs_made_and_destroyed(name, tree_folder, monkeypatch):
    for icon in ("_directory_icon", "_book_icon"):
        monkeypatch.setattr(kvt_wxtools, icon, Icon(getattr(kvt_wxtools, icon)))
    make = DIALOGS[name] or (lambda: kvt_wxtools.ParameterTreeDialog(None, tree_folder))

    def action():
        make().Destroy()
        flush_events()

    assert_flat(action, 40 * SCALE, warmup=8, blocks=400, objects=300, resident=6 << 20)


def test_every_dialog_class_is_covered():
    published = {name for name in dir(kvt_wxtools) if not name.startswith("_")
                 and isinstance(getattr(kvt_wxtools, name), type)
                 and issubclass(getattr(kvt_wxtools, name), wx.Dialog)}
    assert published == set(DIALOGS)


# ------------------------------------------------------------ timed dialogs

TIMED_RUNS = {
    # Each makes `d`, runs it to its end while ticks pile up, and ends.
    "countdown expires": "d = kvt_wxtools.SingleChoiceTimeoutDialog(None, 'm', 'c', ['a'], timeout=0.2)\n"
                         "assert d.ShowModal() == wx.ID_OK",
    "countdown cancelled": "d = kvt_wxtools.SingleChoiceTimeoutDialog(None, 'm', 'c', ['a'], timeout=5)\n"
                           "wx.CallLater(150, lambda: (time.sleep(0.35), d.Close()))\n"
                           "assert d.ShowModal() == wx.ID_CANCEL",
    "self-closing box": "d = kvt_wxtools.AutoCloseMessageBox(None, 'T', 'x', timeout=0.2)\n"
                        "assert d.ShowModal() == 0",
    "wait ends": "n = []\n"
                 "d = kvt_wxtools.WaitForDialog(None, 'T', 'x', lambda: n.append(1) or len(n) > 3, 10)\n"
                 "assert d.ShowModal() == 0",
    "wait closed inside a poll": "n = []\n"
                                 "d = kvt_wxtools.WaitForDialog(None, 'T', 'x', lambda: n.append(1) or "
                                 "(len(n) == 3 and d.Close() and None), 10)\n"
                                 "assert d.ShowModal() == wx.ID_CANCEL",
    "progress finished": "p = kvt_handy.Progress('job', 2)\n"
                         "d = kvt_wxtools.ProgressDialog(None, p, 0.01)\n"
                         "wx.CallLater(80, p.finish)\n"
                         "d.ShowModal()",
    "progress closed": "d = kvt_wxtools.ProgressDialog(None, kvt_handy.Progress('job', 2), 0.01)\n"
                       "wx.CallLater(80, lambda: (time.sleep(0.05), d.Close()))\n"
                       "assert d.ShowModal() == wx.ID_CANCEL",
}


@pytest.mark.parametrize("end", ["destroyed at once", "destroyed later"])
def test_ticks_after_a_timed_run_ended_are_harmless(end):
    """Every timed dialog is run to each of its ends, several times over in
    one process, then destroyed at once or after idling while its timer
    could still fire; the ticks its handlers would get afterwards (called
    directly, as a queued event would) are harmless too."""
    runs = "\n".join("for _ in range(%d):\n    sys.stderr.write(%r + '\\n')\n    %s\n    finish(d)" % (
        SCALE, name, code.replace("\n", "\n    ")) for name, code in TIMED_RUNS.items())
    limit = 90 * SCALE
    result = run_python("""
        import faulthandler, sys, time, wx
        faulthandler.dump_traceback_later(%d, exit=True)  # where it hangs, if it does
        app = wx.App(False)
        import kvt_wxtools, kvt_handy

        def idle(seconds):
            end = time.time() + seconds
            while time.time() < end:
                app.Yield(True)
                time.sleep(0.005)

        def finish(d):
            handlers = [getattr(d, n) for n in ("OnTimerEvent", "on_timer_refresh", "on_timer")
                        if hasattr(type(d), n)]
            if %r:
                idle(0.15)
            for handler in handlers:
                try:
                    handler(None)   # a late tick on an ended run
                except Exception:
                    pass
            d.Destroy()
            idle(0.05)
            for handler in handlers:
                try:
                    handler(None)   # and on a destroyed dialog: a Python error at most
                except Exception:
                    pass

        %s
        idle(0.2)
        report("alive")
    """ % (limit - 10, end == "destroyed later", runs.replace("\n", "\n        ")), timeout=limit)
    assert result.rc == 0, str(result)
    assert result.data == "alive"
