"""The editor command (kvt-paraedit, python3 -m kvt_paraedit): without a
display, with a wrong folder, and on the test display opening the sample tree."""
import os
import shutil
import subprocess

import wx

from harness import IMPORT_PATHS, PYTHON, REPO_ROOT, answer_message_box, call, call_modal, run_python
import kvt_paraedit
from kvt_paratree import Parameter

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


def test_closing_with_unsaved_changes_asks_in_the_chosen_language(tmp_path):
    """The command's editor asks before an edit is lost: Cancel keeps it
    open, "Don't save" closes and leaves the folder as it was."""
    folder = str(tmp_path / "tree")
    shutil.copytree(SAMPLE_TREE, folder)
    before = sorted(os.listdir(folder))
    assert kvt_paraedit.load_language("zh_CN")
    dialog = kvt_paraedit.open_editor(folder)
    try:
        panel = dialog.GetChildren()[0]
        panel.root["general"]["added_here"] = Parameter()
        prompt = "参数树有尚未保存的更改。\n\n要先保存吗？"
        result = call_modal(dialog.ShowModal,
                            call(dialog.Close), answer_message_box(wx.ID_CANCEL, message=prompt),
                            call(dialog.Close), answer_message_box(wx.ID_NO, message=prompt))
        assert result == wx.ID_CANCEL and panel.is_modified()
        assert sorted(os.listdir(folder)) == before
    finally:
        wx.Translations.Set(None)
        dialog.Destroy()
