"""pytest plugin for the run against the toolkit stand-in (see pytest.ini):
the fixtures of tests/conftest.py that the chosen tests use, and the list of
tests left out because they need the real toolkit, each with its reason."""
import os
import sys

import pytest

TESTS_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, TESTS_DIR)
import harness  # noqa: E402

harness.setup_sys_path()
# Snippets run in a fresh interpreter find the stand-in and Debian's pure
# Python packages the way this process does.
harness.IMPORT_PATHS.extend(p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p)

import wx  # noqa: E402

assert wx.VERSION_STRING == "stand-in", "the stand-in must come first on the path"

# Test ids (file::name, any parameters) that only the real toolkit can run.
NEEDS_THE_TOOLKIT = {
    "decodes images": [
        "test_module_frame.py::test_icons_are_small_rgb_pngs",
    ],
    "shows a dialog or runs the event loop": [
        "test_progress.py::test_before_the_first_tick",
        "test_progress.py::test_worker_runs_to_its_end",
        "test_progress.py::test_last_step_between_the_reads_still_shows_the_final_count",
        "test_progress.py::test_work_over_before_the_run_ends_it_at_once",
        "test_progress.py::test_progress_lacking_a_member_is_reported_until_closed",
        "test_progress.py::test_showing_again_resumes_polling",
        "test_progress.py::test_interval_must_be_a_number",
        "test_progress.py::test_closing_cancels_the_work_its_worker_sees_it",
        "test_progress.py::test_dialog_grows_with_its_texts_and_never_shrinks",
        "test_progress.py::test_showing_again_resumes_polling_of_work_that_cannot_be_cancelled",
    ],
    "clicks grid headers and edits cells through the toolkit's events": [
        "test_row_grid.py::test_header_clicks_sort_reverse_and_restore",
        "test_row_grid.py::test_program_order_after_changes_while_sorted_and_sorting_in_code",
        "test_row_grid.py::test_edits_go_through_the_setter_and_the_row_shows_the_object",
    ],
}


def _has_hypothesis():
    try:
        import hypothesis  # noqa: F401
    except ImportError:
        return False
    return True


def pytest_report_header(config):
    if not _has_hypothesis():
        return "left out: test_fuzz_binder.py (no hypothesis runs on this interpreter)"


def pytest_configure(config):
    if not _has_hypothesis():
        config.args[:] = [a for a in config.args if os.path.basename(a) != "test_fuzz_binder.py"]


def pytest_collection_modifyitems(config, items):
    left_out = {}
    for reason, names in NEEDS_THE_TOOLKIT.items():
        for name in names:
            left_out[name] = reason
    kept, deselected = [], []
    for item in items:
        file_name = os.path.basename(str(item.fspath))
        key = "%s::%s" % (file_name, item.originalname if hasattr(item, "originalname") else item.name)
        (deselected if key.split("[")[0] in left_out else kept).append(item)
    if deselected:
        config.hook.pytest_deselected(items=deselected)
        items[:] = kept


from harness import frame, made  # noqa: E402,F401  (the suite's own fixtures)


@pytest.fixture(autouse=True)
def no_leaked_windows():
    yield
    leaked = [repr(w) for w in wx.GetTopLevelWindows()]
    for window in wx.GetTopLevelWindows():
        window.Destroy()
    if leaked:
        pytest.fail("test left top-level windows open: %s" % ", ".join(leaked), pytrace=False)
