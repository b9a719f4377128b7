"""The editor command (kvt-paraedit, python3 -m kvt_paraedit): without a
display, with a wrong folder, and on the test display opening the sample tree."""
import os
import subprocess

from harness import IMPORT_PATHS, PYTHON, REPO_ROOT, run_python

SAMPLE_TREE = os.path.join(REPO_ROOT, "examples", "sample_tree")


def run_command(*args, display=True):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(IMPORT_PATHS))
    if not display:
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
    return subprocess.run([PYTHON, "-m", "kvt_paraedit", *args], capture_output=True, text=True,
                          timeout=60, env=env, cwd=REPO_ROOT)


def test_refusals_are_one_line_and_non_zero(tmp_path):
    no_display = run_command(SAMPLE_TREE, display=False)
    assert no_display.returncode == 1
    assert no_display.stderr.splitlines() == [
        "kvt-paraedit: no display: the editor needs a graphical session (DISPLAY is not set)"]
    missing = run_command(os.path.join(SAMPLE_TREE, "missing"))
    assert missing.returncode == 2
    assert missing.stderr.splitlines() == ["kvt-paraedit: not a folder: %s"
                                           % os.path.join(SAMPLE_TREE, "missing")]
    (tmp_path / "bad.para").write_text("not json")
    damaged = run_command(str(tmp_path))
    assert damaged.returncode == 1
    assert damaged.stderr.splitlines() == ["kvt-paraedit: cannot open %s: %s: not valid JSON: "
                                           "Expecting value at line 1 column 1" % (tmp_path, tmp_path / "bad.para")]


def test_opens_the_sample_tree(tmp_path):
    """Runs the command's module as `python3 -m` does, reads the window once it
    is up, saves a picture of it, then closes it as a user would."""
    picture = tmp_path / "kvt-paraedit.png"
    result = run_python("""
        import runpy, sys, threading
        import wx
        sys.path.insert(0, %r)
        from gallery_screen import grab_screen

        seen = {}

        def look():
            dialog = next(w for w in wx.GetTopLevelWindows() if w.IsShown())
            panel = dialog.GetChildren()[0]
            seen["title"] = dialog.GetTitle()
            seen["root"] = panel.ui_tree.GetItemText(panel.ui_tree.GetRootItem())
            seen["path"] = panel.ui_tree_path.GetValue()
            seen["load"] = panel.ui_load_button.GetLabel()
            rect = dialog.GetScreenRect()
            grab_screen().GetSubBitmap(rect).SaveFile(%r, wx.BITMAP_TYPE_PNG)
            dialog.Close()

        threading.Timer(2.0, lambda: wx.CallAfter(look)).start()
        sys.argv = ["kvt-paraedit", "--language", "zh_CN", %r]
        try:
            runpy.run_module("kvt_paraedit", run_name="__main__", alter_sys=True)
        except SystemExit as end:
            seen["status"] = end.code
        report(seen)
    """ % (os.path.join(REPO_ROOT, "examples", "gallery"), str(picture), SAMPLE_TREE))
    assert result.data == {"title": "参数树编辑器", "root": "sample_tree", "path": SAMPLE_TREE,
                           "load": "加载…", "status": 0}, result
    assert picture.stat().st_size > 10000
