"""The application runner (run_wxapp, SimpleApp, app) and the two small
helpers window_fit_layout and wx_datetime_2_py_datetime.

run_wxapp creates and destroys a wx.App of its own, so it only runs in fresh
interpreters here; SimpleApp's steps are also checked in this process by
calling its methods on stand-in objects."""
import datetime
import types

import pytest
import wx

import kvt_wxtools as kvt
from harness import (Recorder, RecordingWindow, call_modal, end_modal, entry_of, flush_events,
                     run_python)


# --------------------------------------------------------------------------
# window_fit_layout

class Falsy:
    def __bool__(self):
        return False


@pytest.mark.parametrize("kwargs, tail", [
    ({}, [("Centre", wx.BOTH)]),
    ({"center": False}, []),
    ({"maximize": True}, [("Centre", wx.BOTH), ("Maximize",)]),
    ({"center": False, "maximize": True}, [("Maximize",)]),
    ({"center": "", "maximize": [0]}, [("Maximize",)]),
    ({"center": Falsy(), "maximize": 0}, []),
    ({"center": "yes", "maximize": None}, [("Centre", wx.BOTH)]),
], ids=["defaults", "no-centre", "centre-then-maximise", "maximise-only", "truthy-list",
        "falsy-object", "truthy-text"])
def test_window_fit_layout_steps(kwargs, tail):
    window = RecordingWindow()
    assert kvt.window_fit_layout(window, **kwargs) is None
    assert window.calls == [("GetSizer",), ("Layout",), ("Fit", window)] + tail


def test_window_fit_layout_truth_test_errors_propagate():
    class Undecided:
        def __bool__(self):
            raise RuntimeError("no truth")

    window = RecordingWindow()
    with pytest.raises(RuntimeError, match="no truth"):
        kvt.window_fit_layout(window, Undecided())
    assert window.calls == [("GetSizer",), ("Layout",), ("Fit", window)]


def test_window_fit_layout_fits_and_centres_a_real_frame():
    frame = wx.Frame(None, title="fit")
    content = wx.Panel(frame, size=(240, 130))
    content.SetMinSize((240, 130))
    sizer = wx.BoxSizer(wx.VERTICAL)
    sizer.Add(content, 0, wx.ALL, 5)
    frame.SetSizer(sizer)
    frame.SetSize((600, 500))
    try:
        kvt.window_fit_layout(frame)
        assert tuple(frame.GetClientSize()) == (250, 140)
        area = wx.Display(max(wx.Display.GetFromWindow(frame), 0)).GetClientArea()
        rect = frame.GetRect()
        centre_x = rect.x + rect.width / 2 - (area.x + area.width / 2)
        centre_y = rect.y + rect.height / 2 - (area.y + area.height / 2)
        assert abs(centre_x) <= 2 and abs(centre_y) <= 2, (tuple(rect), tuple(area))
    finally:
        frame.Destroy()


def test_window_fit_layout_refuses_no_window_and_a_window_without_sizer():
    laid_out = []

    class Frame(wx.Frame):
        def Layout(self):
            laid_out.append(True)
            return super().Layout()

    frame = Frame(None)
    try:
        with pytest.raises(ValueError) as info:
            kvt.window_fit_layout(frame)
    finally:
        frame.Destroy()
    assert str(info.value) == "window has no sizer to fit it to (call window.SetSizer first)"
    assert laid_out == []
    with pytest.raises(TypeError, match="^window must be a wx.Window, not None$"):
        kvt.window_fit_layout(None)
    entry = entry_of(info.value, "kvt_wxtools.window_fit_layout")
    assert entry.filename == "wxtools.py" and 716 <= entry.lineno < 726


# --------------------------------------------------------------------------
# wx_datetime_2_py_datetime

@pytest.mark.parametrize("wx_date, expected", [
    ((31, wx.DateTime.Dec, 2020, 23, 59, 58, 750), datetime.datetime(2020, 12, 31, 23, 59, 58)),
    ((1, wx.DateTime.Jan, 2021, 0, 0, 0, 0), datetime.datetime(2021, 1, 1, 0, 0, 0)),
    ((29, wx.DateTime.Feb, 2024, 12, 30, 15, 999), datetime.datetime(2024, 2, 29, 12, 30, 15)),
])
def test_wx_datetime_conversion(wx_date, expected):
    result = kvt.wx_datetime_2_py_datetime(wx.DateTime.FromDMY(*wx_date))
    assert type(result) is datetime.datetime
    assert result == expected
    assert result.microsecond == 0 and result.tzinfo is None


class FakeDate:
    """A date-like object that records the order in which its fields are read."""

    def __init__(self, log, **fields):
        self._log = log
        self._fields = fields

    def __getattr__(self, name):
        self._log(name)
        return self._fields[name]


def test_wx_datetime_fields_are_read_in_order():
    log = Recorder()
    date = FakeDate(log, year=1999, month=0, day=2, hour=3, minute=4, second=5)
    assert kvt.wx_datetime_2_py_datetime(date) == datetime.datetime(1999, 1, 2, 3, 4, 5)
    assert [c[0] for c in log.calls] == ["year", "month", "day", "hour", "minute", "second"]


@pytest.mark.parametrize("date, error", [
    (lambda: FakeDate(Recorder(), year=2020, month=12, day=1, hour=0, minute=0, second=0), ValueError),
    (lambda: FakeDate(Recorder(), year=2020, month=1, day=1, hour=0, minute=0, second="0"), TypeError),
    (lambda: wx.DateTime(), wx.wxAssertionError),  # an invalid wx.DateTime
])
def test_wx_datetime_conversion_errors_propagate(date, error):
    with pytest.raises(error) as info:
        kvt.wx_datetime_2_py_datetime(date())
    entry = entry_of(info.value, "kvt_wxtools.wx_datetime_2_py_datetime")
    assert 24 <= entry.lineno < 28


# --------------------------------------------------------------------------
# SimpleApp steps, on stand-ins

def _app_stand_in(window_class, kwargs):
    return types.SimpleNamespace(_class=window_class, _kwargs=kwargs, dialog_return_code=None)


@pytest.mark.parametrize("kind, calls, return_code", [
    ("frame", [("Show",)], None),
    ("dialog", [("ShowModal",), ("Destroy",)], 42),
    ("both", [("Show",)], None),  # the frame test comes first
    ("other", None, None),
])
def test_on_init_creates_and_shows_the_window(monkeypatch, kind, calls, return_code):
    log = Recorder()

    class Frame:
        def Show(self):
            log("Show")

    class Dialog:
        def ShowModal(self):
            log("ShowModal")
            return 42

        def Destroy(self):
            log("Destroy")

    bases = {"frame": (Frame,), "dialog": (Dialog,), "both": (Frame, Dialog), "other": ()}[kind]

    class Window(*bases):
        def __init__(self, *args, **kwargs):
            log("init", args, kwargs)

    # OnInit reads wx.Frame and wx.Dialog through the module's global `wx`.
    monkeypatch.setattr(kvt, "wx", types.SimpleNamespace(Frame=Frame, Dialog=Dialog))
    stand_in = _app_stand_in(Window, {"title": "T", "parent": None})
    created = [("init", (), {"title": "T", "parent": None})]
    if calls is None:
        with pytest.raises(TypeError) as info:
            kvt.SimpleApp.OnInit(stand_in)
        assert str(info.value) == "WX App need a class derived from wx.Frame or wx.Dialog."
        assert log.calls == created  # created, but neither shown nor destroyed
        assert 733 < entry_of(info.value, "kvt_wxtools.SimpleApp.OnInit").lineno < 748
    else:
        assert kvt.SimpleApp.OnInit(stand_in) is True
        assert log.calls == created + calls
    assert stand_in.dialog_return_code == return_code


def test_on_init_keyword_mapping(monkeypatch):
    class Keywords:
        """A mapping that is not a dict."""

        def keys(self):
            return ["title"]

        def __getitem__(self, key):
            return "from mapping"

    received = []

    class Window:
        def __init__(self, *args, **kwargs):
            received.append((args, dict(kwargs)))
            kwargs["title"] = "changed by the window"

        def Show(self):
            pass

    monkeypatch.setattr(kvt, "wx", types.SimpleNamespace(Frame=Window, Dialog=Window))
    assert kvt.SimpleApp.OnInit(_app_stand_in(Window, Keywords())) is True
    kwargs = {"title": "T"}
    stand_in = _app_stand_in(Window, kwargs)
    kvt.SimpleApp.OnInit(stand_in)
    assert received == [((), {"title": "from mapping"}), ((), {"title": "T"})]
    assert stand_in._kwargs is kwargs and kwargs == {"title": "T"}

    with pytest.raises(TypeError) as info:
        kvt.SimpleApp.OnInit(_app_stand_in(Window, None))
    assert str(info.value) == "argument after ** must be a mapping, not NoneType"
    assert len(received) == 2


def test_on_init_with_real_windows():
    class Dialog(wx.Dialog):
        def __init__(self, **kwargs):
            super().__init__(**kwargs)
            made.append(self)

    class Frame(wx.Frame):
        def __init__(self, **kwargs):
            super().__init__(**kwargs)
            made.append(self)

    made = []
    stand_in = _app_stand_in(Dialog, {"parent": None, "title": "real dialog"})
    assert call_modal(lambda: kvt.SimpleApp.OnInit(stand_in), end_modal(wx.ID_CANCEL)) is True
    assert stand_in.dialog_return_code == wx.ID_CANCEL
    flush_events()
    assert not made[0]  # destroyed by OnInit

    stand_in = _app_stand_in(Frame, {"parent": None, "title": "real frame"})
    assert kvt.SimpleApp.OnInit(stand_in) is True
    frame = made[1]
    assert frame.IsShown() and frame.GetTitle() == "real frame"
    assert stand_in.dialog_return_code is None
    frame.Destroy()


def test_simple_app_init_sets_attributes_before_the_base_constructor(monkeypatch):
    seen = []

    class App:
        def __init__(self, *args, **kwargs):
            seen.append((args[1:], kwargs, self._class, dict(self._kwargs), self.dialog_return_code))

    monkeypatch.setattr(kvt, "wx", types.SimpleNamespace(App=App))
    stand_in = types.SimpleNamespace()
    given = {"title": "T", "parent": None}
    assert kvt.SimpleApp.__init__(stand_in, wx.Dialog, **given) is None
    assert seen == [((), {}, wx.Dialog, given, None)]
    assert stand_in._kwargs == given and stand_in._kwargs is not given


# --------------------------------------------------------------------------
# run_wxapp, on a stand-in application class

class FakeApp:
    log = None

    def __init__(self, *args, **kwargs):
        self.log("SimpleApp", args, kwargs)
        self._code = 7

    def MainLoop(self):
        self.log("MainLoop", kvt._the_app is self, kvt.app() is self)

    @property
    def dialog_return_code(self):
        self.log("dialog_return_code")
        return self._code

    def Destroy(self):
        self.log("Destroy", kvt._the_app is self)


def test_run_wxapp_steps(monkeypatch):
    log = FakeApp.log = Recorder()
    monkeypatch.setattr(kvt, "SimpleApp", FakeApp)
    monkeypatch.setattr(kvt, "_the_app", None)
    assert kvt.run_wxapp(wx.Dialog, parent=None, title="T") == 7
    assert log.calls == [("SimpleApp", (wx.Dialog,), {"parent": None, "title": "T"}),
                         ("MainLoop", True, True), ("dialog_return_code",), ("Destroy", True)]
    assert kvt._the_app is None and kvt.app() is None


@pytest.mark.parametrize("failing", ["MainLoop", "Destroy"])
def test_run_wxapp_failure_leaves_the_app_bound(monkeypatch, failing):
    class App(FakeApp):
        pass

    def fail(self):
        raise RuntimeError(failing)

    setattr(App, failing, fail)
    App.log = Recorder()
    monkeypatch.setattr(kvt, "SimpleApp", App)
    monkeypatch.setattr(kvt, "_the_app", None)
    with pytest.raises(RuntimeError, match=failing) as info:
        kvt.run_wxapp(wx.Frame)
    assert isinstance(kvt._the_app, App)
    assert 752 < entry_of(info.value, "kvt_wxtools.run_wxapp").lineno < 786


# --------------------------------------------------------------------------
# run_wxapp for real, in fresh interpreters

WINDOWS = """
import wx, kvt_wxtools

events = []

def snapshot(where):
    app = wx.GetApp()
    events.append([where, type(app).__name__, kvt_wxtools.app() is app and app is not None,
                   getattr(app, "_class", None).__name__ if hasattr(app, "_class") else None,
                   getattr(app, "_kwargs", None), getattr(app, "dialog_return_code", "missing")])

class Dialog(wx.Dialog):
    code = wx.ID_CANCEL

    def __init__(self, *args, **kwargs):
        events.append(["Dialog", len(args), sorted(kwargs)])
        super().__init__(*args, **kwargs)
        snapshot("dialog init")
        events.append(["app() in dialog", kvt_wxtools.app() is None])
        wx.CallAfter(self.finish)

    def finish(self):
        if not self.IsModal():
            wx.CallAfter(self.finish)
            return
        events.append(["title", self.GetTitle()])
        self.EndModal(self.code)

class Frame(wx.Frame):
    def __init__(self, *args, **kwargs):
        events.append(["Frame", len(args), sorted(kwargs)])
        super().__init__(*args, **kwargs)
        wx.CallAfter(self.during_main_loop)

    def during_main_loop(self):
        snapshot("main loop")
        events.append(["shown", self.IsShown(), isinstance(kvt_wxtools.app(), kvt_wxtools.SimpleApp)])
        self.Close()
"""


def test_run_wxapp_with_dialog_and_frame_classes():
    result = run_python(WINDOWS + """
results = []
results.append(kvt_wxtools.run_wxapp(Dialog, parent=None, title="first"))
results.append(kvt_wxtools._the_app is None)
results.append(kvt_wxtools.run_wxapp(Frame, parent=None, title="frame"))
results.append(kvt_wxtools._the_app is None)
Dialog.code = 42
results.append(kvt_wxtools.run_wxapp(_class=Dialog, title="second", parent=None))
results.append([kvt_wxtools.app() is None, len(wx.GetTopLevelWindows())])
report([results, events])
""")
    assert result.rc == 0, result
    results, events = result.data
    assert results == [wx.ID_CANCEL, True, None, True, 42, [True, 0]]
    assert events == [
        ["Dialog", 0, ["parent", "title"]],
        ["dialog init", "SimpleApp", False, "Dialog", {"parent": None, "title": "first"}, None],
        ["app() in dialog", True],
        ["title", "first"],
        ["Frame", 0, ["parent", "title"]],
        ["main loop", "SimpleApp", True, "Frame", {"parent": None, "title": "frame"}, None],
        ["shown", True, True],
        ["Dialog", 0, ["parent", "title"]],
        ["dialog init", "SimpleApp", False, "Dialog", {"title": "second", "parent": None}, None],
        ["app() in dialog", True],
        ["title", "second"],
    ]


def test_simple_app_runs_a_dialog_inside_its_constructor():
    result = run_python(WINDOWS + """
Dialog.code = 1234
app = kvt_wxtools.SimpleApp(Dialog, title="direct", parent=None)
report([app.dialog_return_code, app._class is Dialog, app._kwargs, app is wx.GetApp(),
        app.OnInit.__self__ is app, kvt_wxtools._the_app is None])
app.Destroy()
""")
    assert result.rc == 0, result
    assert result.data == [1234, True, {"title": "direct", "parent": None}, True, True, True]


def test_run_wxapp_with_a_class_that_is_not_a_window():
    result = run_python("""
        import kvt_wxtools
        class NotAWindow:
            def __init__(self, **kwargs):
                print("created", sorted(kwargs), flush=True)
        try:
            value = kvt_wxtools.run_wxapp(NotAWindow, title="x")
            outcome = ["returned", value]
        except BaseException as exc:
            outcome = ["raised", type(exc).__name__, str(exc)]
        report([outcome, kvt_wxtools._the_app is None])
    """)
    assert result.rc == 0, result
    outcome, unbound = result.data
    assert "created ['title']" in result.stdout
    message = "WX App need a class derived from wx.Frame or wx.Dialog."
    # wx reports an exception from OnInit itself and then fails its start-up.
    assert outcome[0] == "raised"
    assert message in result.stderr or message in outcome[2], result
    assert "kvt_wxtools.SimpleApp.OnInit" in result.stderr or outcome[1] == "TypeError"
    assert unbound
