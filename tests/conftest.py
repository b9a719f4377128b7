"""Test session set-up: import paths, one wx.App for the whole session, and a
check after every test that it left no top-level window and no message box
unanswered."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

harness.setup_sys_path()

import os
import pathlib
import shutil
import tempfile

import pytest  # noqa: E402
import wx  # noqa: E402


def pytest_configure(config):
    config.addinivalue_line("markers", "slow: takes tens of seconds (builds a wheel)")


@pytest.fixture(scope="session", autouse=True)
def wx_app():
    """The one wx.App of the test session (run_wxapp creates its own, so it is
    only ever called in a separate interpreter)."""
    app = wx.App(False)
    # A failed wx assertion must raise, never open a dialog that nobody answers.
    app.SetAssertMode(wx.APP_ASSERT_EXCEPTION)
    harness.install_tracker()
    yield app


@pytest.fixture(autouse=True)
def no_leaked_windows(wx_app):
    """Fail a test that leaves a top-level window alive or a message box
    unanswered; clean up after it either way."""
    tracker = harness.TRACKER
    tracker.boxes.clear()
    tracker.unanswered.clear()
    yield
    leaked = harness.close_top_level_windows()
    unanswered = list(tracker.unanswered)
    if leaked:
        pytest.fail("test left top-level windows open: %s" % ", ".join(leaked), pytrace=False)
    if unanswered:
        pytest.fail("message boxes shown with nobody to answer them: %r" % unanswered,
                    pytrace=False)


from harness import frame, made  # noqa: E402,F401  (fixtures shared with the stand-in run)


@pytest.fixture
def memory_folder(tmp_path):
    """A folder in memory where there is one: tests that make thousands of
    small files or directories take seconds on the test machines' disks."""
    if not os.path.isdir("/dev/shm"):
        yield tmp_path
        return
    folder = tempfile.mkdtemp(prefix="kvt-test-", dir="/dev/shm")
    try:
        yield pathlib.Path(folder)
    finally:
        shutil.rmtree(folder)
