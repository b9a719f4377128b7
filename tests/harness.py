"""Helpers shared by the tests: import paths, driving modal dialogs, and
running Python snippets in a fresh interpreter.

Modal dialogs block the caller inside their own event loop, so a test cannot
click anything after calling ShowModal().  Instead it hands a list of actions
to `run_modal` (or `call_modal`), which runs them one after another from
one-shot wx.CallLater callbacks inside that loop and stops every pending
callback once ShowModal() has returned.  Each action is a callable without
arguments; an action whose window is not up yet raises `NotReady` and is
retried on the next tick.  A deadline bounds the whole run: when it passes,
every open modal window is ended with wx.ID_CANCEL and the test fails.

Native message boxes (wx.MessageBox, wx.MessageDialog) run GTK's own dialog
loop, which wx cannot end from outside.  A wx.ModalDialogHook therefore
intercepts them before they are shown: while a driver is active, the box is
kept open "virtually" in a nested wx event loop until an `answer_message_box`
action supplies the button; with no driver active the box is answered
wx.ID_CANCEL at once and the test fails when it ends.  Ordinary wx dialogs
(wx.TextEntryDialog, the module's own dialogs) are shown for real and ended
with EndModal().
"""
import collections
import json
import os
import subprocess
import sys
import textwrap
import time

import pytest

TESTS_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(TESTS_DIR)
BUILD_DIR = os.path.join(REPO_ROOT, os.environ.get("KVT_BUILD_DIR") or "build")
# The interpreter that has wx; the first python3 on PATH may be another one.
# (tools/matrix names another interpreter for its runs against the stand-in.)
PYTHON = os.environ.get("KVT_TEST_PYTHON") or "/usr/bin/python3"
# Where the extension and the three pure-Python sibling modules are imported from.
IMPORT_PATHS = [os.path.normpath(BUILD_DIR), REPO_ROOT]
DEFAULT_TIMEOUT = 10.0
POLL_MS = 20


def setup_sys_path():
    """Put the build directory and the repository root first on sys.path."""
    for path in reversed(IMPORT_PATHS):
        while path in sys.path:
            sys.path.remove(path)
        sys.path.insert(0, path)


# --------------------------------------------------------------------------
# Modal dialog tracking

import wx  # noqa: E402  (after the path helpers, which must not need wx)

# Simulated keys and mouse clicks (wx.UIActionSimulator) reach the windows on
# Xvfb from wxPython 4.1 on; wxPython 4.0's return True and deliver nothing,
# and its key events cannot be given a key code from Python either.
INPUT_SIMULATED = getattr(wx, "VERSION", (4, 2)) >= (4, 1)
needs_simulated_input = pytest.mark.skipif(
    not INPUT_SIMULATED, reason="wxPython 4.0 simulates no keys or clicks on Xvfb, nor sets a key event's code")

@pytest.fixture
def made():
    """A list for the windows a test creates; each is destroyed after the test."""
    windows = []
    yield windows
    for window in windows:
        window.Destroy()


@pytest.fixture
def frame():
    """A parent frame for the controls a test makes; destroyed afterwards."""
    window = wx.Frame(None, title="test frame")
    yield window
    window.Destroy()


# wx.MessageBox returns these flags; ShowModal() and the hook use the ids.
_FLAG_TO_ID = {wx.YES: wx.ID_YES, wx.NO: wx.ID_NO, wx.OK: wx.ID_OK,
               wx.CANCEL: wx.ID_CANCEL, wx.HELP: wx.ID_HELP}


class NotReady(Exception):
    """Raised by an action whose window is not up yet; the driver retries it."""


class MessageBoxRequest:
    """A native message box that the hook keeps open until it is answered."""

    def __init__(self, dialog):
        self.message = dialog.GetMessage()
        self.extended_message = dialog.GetExtendedMessage()
        self.caption = dialog.GetTitle()
        self.style = dialog.GetMessageDialogStyle()
        self.result = None
        self._loop = None

    def answer(self, code):
        self.result = _FLAG_TO_ID.get(code, code)
        if self._loop is not None and self._loop.IsRunning():
            self._loop.Exit()

    def __repr__(self):
        return "<message box %r: %r>" % (self.caption, self.message)


class _ModalTracker(wx.ModalDialogHook):
    """Keeps the stack of modal windows open right now, innermost last."""

    def __init__(self):
        super().__init__()
        self.stack = []
        self.drivers = 0
        self.boxes = []        # every message box shown during the current test
        self.unanswered = []   # boxes that popped up with no driver to answer them

    def Enter(self, dialog):
        if isinstance(dialog, wx.MessageDialog):
            return self._run_message_box(MessageBoxRequest(dialog))
        self.stack.append(dialog)
        return wx.ID_NONE

    def Exit(self, dialog):
        for i in range(len(self.stack) - 1, -1, -1):
            if self.stack[i] is dialog:
                del self.stack[i]
                break

    def _run_message_box(self, box):
        self.boxes.append(box)
        if self.drivers == 0:
            self.unanswered.append(box)
            return wx.ID_CANCEL
        self.stack.append(box)
        loop = box._loop = wx.GUIEventLoop()
        # Backstop in case every driver has gone away without answering.
        backstop = wx.CallLater(int((DEFAULT_TIMEOUT + 5) * 1000), box.answer, wx.ID_CANCEL)
        try:
            activator = wx.EventLoopActivator(loop)
            while box.result is None:
                loop.Run()
            del activator
        finally:
            backstop.Stop()
            box._loop = None
            self.stack.remove(box)
        return box.result

    def open_windows(self):
        """Modal windows still open, innermost last."""
        alive = []
        for w in self.stack:
            if isinstance(w, MessageBoxRequest):
                alive.append(w)
            elif w and w.IsModal():
                alive.append(w)
        for w in wx.GetTopLevelWindows():
            if isinstance(w, wx.Dialog) and w.IsModal() and all(w is not a for a in alive):
                alive.insert(0, w)
        return alive


TRACKER = None


def install_tracker():
    global TRACKER
    if TRACKER is None:
        TRACKER = _ModalTracker()
        TRACKER.Register()
    return TRACKER


def modal_window(kind=(wx.Dialog, MessageBoxRequest)):
    """The innermost open modal window of the given kind; NotReady if none."""
    for w in reversed(TRACKER.open_windows()):
        if isinstance(w, kind):
            return w
    raise NotReady("no open modal %s" % (kind,))


def shown_message_boxes():
    """The message boxes shown so far in the current test, in order."""
    return list(TRACKER.boxes)


def dialog_text(dialog):
    """The text of a dialog's static labels, one line each (wx lays a
    multi-line message out as one label per line)."""
    return "\n".join(c.GetLabel() for c in dialog.GetChildren() if isinstance(c, wx.StaticText))


# --------------------------------------------------------------------------
# Actions

def end_modal(code, dialog=None):
    """Action: end `dialog` (default: the innermost modal dialog) with `code`."""
    def action():
        d = dialog if dialog is not None else modal_window(wx.Dialog)
        if not d.IsModal():
            raise NotReady("%r is not modal yet" % d)
        d.EndModal(code)
    return action


def answer_message_box(code, message=None, caption=None):
    """Action: answer the innermost message box with `code` (wx.YES or wx.ID_YES
    and the like), after checking its message and caption when given."""
    def action():
        box = modal_window(MessageBoxRequest)
        try:
            if message is not None:
                assert box.message == message
            if caption is not None:
                assert box.caption == caption
        except AssertionError:
            box.answer(wx.ID_CANCEL)
            raise
        box.answer(code)
    return action


def answer_text_entry(text, code=wx.ID_OK, message=None):
    """Action: type `text` into the innermost wx.TextEntryDialog and end it."""
    def action():
        d = modal_window(wx.TextEntryDialog)
        if message is not None:
            assert dialog_text(d) == message
        d.SetValue(text)
        d.EndModal(code)
    return action


def click(button):
    """Action: press `button` (a wx.Button, or a callable returning one) the
    way a mouse click does, by sending it a button event."""
    def action():
        b = button() if callable(button) and not isinstance(button, wx.Window) else button
        assert b.IsShown() and b.IsEnabled(), "button %r cannot be clicked" % b.GetLabel()
        event = wx.CommandEvent(wx.wxEVT_BUTTON, b.GetId())
        event.SetEventObject(b)
        b.GetEventHandler().ProcessEvent(event)
    return action


def call(function, *args, **kwargs):
    """Action: call `function` once."""
    return lambda: function(*args, **kwargs)


def wait_until(predicate, what="condition"):
    """Action: wait until `predicate()` is true."""
    def action():
        if not predicate():
            raise NotReady(what)
    return action


class _Driver:
    """Runs actions one by one from one-shot wx.CallLater callbacks."""

    def __init__(self, actions, timeout, ready):
        self.actions = list(actions)
        self.timeout = timeout
        self.ready = ready
        self.index = 0
        self.errors = []
        self.timed_out = False
        self.stopped = False
        self.pending = set()

    def start(self):
        TRACKER.drivers += 1
        self.deadline = time.monotonic() + self.timeout
        self._schedule()

    def stop(self):
        if not self.stopped:
            self.stopped = True
            TRACKER.drivers -= 1
        for later in list(self.pending):
            later.Stop()
        self.pending.clear()

    def _schedule(self):
        holder = []
        later = wx.CallLater(POLL_MS, lambda: self._tick(holder[0]))
        holder.append(later)
        self.pending.add(later)

    def _tick(self, later):
        self.pending.discard(later)
        if self.stopped:
            return
        # The next tick is scheduled first: the action may open a nested modal
        # window and only return once the following actions have ended it.
        self._schedule()
        if self.errors or self.timed_out:
            self._abort()
            return
        if time.monotonic() > self.deadline:
            self.timed_out = True
            self._abort()
            return
        if self.index >= len(self.actions) or (self.ready is not None and not self.ready()):
            return
        i = self.index
        self.index += 1
        try:
            self.actions[i]()
        except NotReady:
            if self.index == i + 1:
                self.index = i
        except BaseException as exc:  # assertion failures included
            self.errors.append(exc)
            self._abort()

    @staticmethod
    def _abort():
        # Only the innermost window: ending an outer modal loop while an inner
        # one runs would stop the inner loop instead.  The next tick ends the
        # next window out.
        windows = TRACKER.open_windows()
        if windows:
            w = windows[-1]
            if isinstance(w, MessageBoxRequest):
                w.answer(wx.ID_CANCEL)
            else:
                w.EndModal(wx.ID_CANCEL)

    def check(self):
        if self.errors:
            raise self.errors[0]
        if self.timed_out:
            pending = self.actions[self.index:] if self.index < len(self.actions) else []
            pytest.fail("modal run timed out after %.1fs; %d action(s) not done %r"
                        % (self.timeout, len(pending), pending), pytrace=False)


def call_modal(function, *actions, timeout=DEFAULT_TIMEOUT, ready=None):
    """Call `function()` (which opens modal windows) while `actions` run inside
    its event loops; return its result.  Fails the test on an action error or
    when the deadline passes, instead of hanging."""
    driver = _Driver(actions, timeout, ready)
    driver.start()
    try:
        result = function()
    except BaseException:
        driver.stop()
        driver.check()
        raise
    driver.stop()
    driver.check()
    if driver.index < len(driver.actions):
        pytest.fail("modal run ended before action %d of %d ran: %r"
                    % (driver.index + 1, len(driver.actions), driver.actions[driver.index]))
    return result


def run_modal(dialog, *actions, timeout=DEFAULT_TIMEOUT):
    """Show `dialog` modally while `actions` run; return ShowModal()'s result."""
    return call_modal(dialog.ShowModal, *actions, timeout=timeout, ready=dialog.IsModal)


# --------------------------------------------------------------------------
# Top-level windows

def flush_events():
    """Process pending events and idle work, so destroyed windows go away."""
    app = wx.GetApp()
    for _ in range(3):
        app.Yield(True)


def close_top_level_windows():
    """Destroy every top-level window still alive; return descriptions of them."""
    flush_events()
    leaked = [w for w in wx.GetTopLevelWindows() if w and not w.IsBeingDeleted()]
    names = ["%s(%r)" % (type(w).__name__, w.GetTitle()) for w in leaked]
    for w in leaked:
        w.Destroy()
    flush_events()
    return names


# --------------------------------------------------------------------------
# Fresh interpreters

Result = collections.namedtuple("Result", "rc stdout stderr")


class PythonResult(Result):
    @property
    def data(self):
        """The JSON value printed by the snippet with `report(...)`."""
        for line in reversed(self.stdout.splitlines()):
            if line.startswith("REPORT:"):
                return json.loads(line[len("REPORT:"):])
        raise AssertionError("snippet printed no report\nrc=%s\nstdout:\n%s\nstderr:\n%s"
                             % (self.rc, self.stdout, self.stderr))

    def __str__(self):
        return "rc=%s\n--- stdout ---\n%s\n--- stderr ---\n%s" % (self.rc, self.stdout, self.stderr)


_PREAMBLE = """\
import sys as _sys, json as _json
_sys.path[:0] = %r
def report(value):
    print("REPORT:" + _json.dumps(value), flush=True)
"""


def run_python(code, *, timeout=60, options=(), cwd=None, env=None):
    """Run a Python snippet in a fresh /usr/bin/python3 with the test import
    paths and this session's DISPLAY.  The snippet may call `report(value)`
    to hand a JSON value back (PythonResult.data).  Fails the test if the
    process does not finish within `timeout` seconds."""
    environment = dict(os.environ if env is None else env)
    environment.pop("PYTHONPATH", None)
    source = _PREAMBLE % (IMPORT_PATHS,) + textwrap.dedent(code)
    cmd = [PYTHON, "-X", "faulthandler", *options, "-c", source]
    try:
        proc = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              universal_newlines=True, timeout=timeout,
                              cwd=cwd or REPO_ROOT, env=environment)
    except subprocess.TimeoutExpired as exc:
        pytest.fail("snippet did not finish within %ss\nstdout:\n%s\nstderr:\n%s"
                    % (timeout, exc.stdout, exc.stderr), pytrace=False)
    return PythonResult(proc.returncode, proc.stdout, proc.stderr)


# --------------------------------------------------------------------------
# Tracebacks

def traceback_entries(exc, name):
    """The traceback entries of `exc` whose function name is `name`."""
    import traceback
    return [e for e in traceback.extract_tb(exc.__traceback__) if e.name == name]


def entry_of(exc, name):
    """The single traceback entry of `exc` named `name`."""
    entries = traceback_entries(exc, name)
    assert len(entries) == 1, "expected one traceback entry %r, got %r" % (name, entries)
    return entries[0]


# --------------------------------------------------------------------------
# Stand-ins

class Recorder:
    """Collects calls made by the code under test, in order."""

    def __init__(self):
        self.calls = []

    def __call__(self, *entry):
        self.calls.append(entry)


class RecordingWindow:
    """Stands in for a top-level window with a sizer, recording the calls made
    on both; the method named `fail` raises ValueError instead."""

    def __init__(self, sizer=True, fail=None):
        self.log = Recorder()
        self.fail = fail
        self.sizer = _RecordingSizer(self) if sizer else None

    @property
    def calls(self):
        return self.log.calls

    def _record(self, name, *args):
        self.log(name, *args)
        if name == self.fail:
            raise ValueError("%s failed" % name)

    def GetSizer(self):
        self._record("GetSizer")
        return self.sizer

    def Layout(self):
        self._record("Layout")

    def Centre(self, *args):
        self._record("Centre", *args)

    def Maximize(self, *args):
        self._record("Maximize", *args)


def failing_dialog(cls, error, fail="ShowModal"):
    """A subclass of the dialog class `cls` whose method `fail` raises `error`
    (ShowModal then answers wx.ID_OK without showing); the instances made are
    listed in its `made`."""
    def raise_error(self, *args):
        raise error

    class Failing(cls):
        made = []

        def __init__(self, *args, **kwargs):
            super().__init__(*args, **kwargs)
            Failing.made.append(self)

        def ShowModal(self):
            return wx.ID_OK

    setattr(Failing, fail, raise_error)
    return Failing


def assert_all_destroyed(windows):
    """Every window given is gone once pending deletions have run."""
    flush_events()
    assert windows and not any(windows)


class _RecordingSizer:
    def __init__(self, owner):
        self.owner = owner

    def Fit(self, window):
        self.owner._record("Fit", window)


def folder_entries(path):
    """Every entry below `path`, keyed by its relative path: files with their
    bytes, links with their targets, directories (key ending in "/") as None."""
    found = {}
    for folder, dirs, files in os.walk(path):
        for name in dirs + files:
            full = os.path.join(folder, name)
            key = os.path.relpath(full, path)
            if os.path.islink(full):
                found[key] = ("link", os.readlink(full))
            elif os.path.isdir(full):
                found[key + "/"] = None
            else:
                with open(full, "rb") as file:
                    found[key] = file.read()
    return found
