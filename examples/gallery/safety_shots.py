"""Pictures of the editor's safety features for the README: the modified
mark, the unsaved-changes prompt, the list of save conflicts and the find
filter, on a copy of the sample tree.  Run on a display (Xvfb will do):

    PYTHONPATH=build:. /usr/bin/python3 examples/gallery/safety_shots.py docs/screenshots
"""
import os
import shutil
import sys
import tempfile
import time

import wx

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from gallery_screen import grab_screen  # noqa: E402
from gallery_tour import changed_area, crop, select_tree_item, with_title_bar  # noqa: E402
import kvt_wxtools  # noqa: E402
from kvt_paratree import ParameterDirectory  # noqa: E402

SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "sample_tree")
NAMES = ["21-editor-modified-mark.png", "22-editor-unsaved-prompt.png",
         "23-editor-save-conflicts.png", "24-editor-find-filter.png"]


def settle(ms=300):
    end = time.monotonic() + ms / 1000
    while time.monotonic() < end:
        wx.Yield()
        wx.MilliSleep(10)


def save(dialog, path):
    dialog.Raise()
    dialog.Update()
    settle()
    bitmap = with_title_bar(crop(grab_screen(), dialog.GetScreenRect()), dialog.GetTitle())
    bitmap.SaveFile(path, wx.BITMAP_TYPE_PNG)
    print(path)


def shoot_box(dialog, path, open_box):
    """Opens a message box over `dialog` with `open_box`, takes the picture
    while it is up, then answers it with Escape."""
    before = grab_screen()

    def take():
        # The box is found where the screen changed; the picture shows it
        # over the part of the editor around it.
        area = changed_area(before, grab_screen()) or dialog.GetScreenRect()
        area = area.Union(dialog.GetScreenRect())
        bitmap = with_title_bar(crop(grab_screen(), area), dialog.GetTitle())
        bitmap.SaveFile(path, wx.BITMAP_TYPE_PNG)
        print(path)
        box = [w for w in wx.GetTopLevelWindows() if isinstance(w, wx.MessageDialog)]
        area = dialog.GetScreenRect()
        simulator = wx.UIActionSimulator()
        simulator.MouseMove(area.GetPosition() + wx.Point(area.width // 2, area.height // 2))
        wx.MilliSleep(50)
        simulator.Char(wx.WXK_ESCAPE)
        del box
    wx.CallLater(1200, take)
    open_box()
    settle()


def main(folder):
    app = wx.App()
    work = tempfile.mkdtemp(prefix="kvt-shots-")
    tree = os.path.join(work, "sample_tree")
    shutil.copytree(SAMPLE, tree)
    dialog = kvt_wxtools.ParameterTreeDialog(None, tree)
    panel = [c for c in dialog.GetChildren() if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel)][0]
    dialog.Show()
    panel.ui_tree.ExpandAll()
    select_tree_item(panel.ui_tree, "motion", "axes", "X")
    settle()
    # An edit through the commands: the mark shows, Undo names the change.
    panel.ui_book.SelectRow(0)
    settle()
    panel.on_delete_parameter(None)
    panel.ui_book.SelectRow(0)
    settle()
    save(dialog, os.path.join(folder, NAMES[0]))
    shoot_box(dialog, os.path.join(folder, NAMES[1]), dialog.Close)
    # Another program changed the same book meanwhile.
    other = ParameterDirectory.load(tree)
    book = other["motion"]["axes"]["X"]
    name = book.names()[-1]
    book[name].description = book[name].description + " (changed elsewhere)"
    other.save(tree)
    shoot_box(dialog, os.path.join(folder, NAMES[2]), lambda: panel.on_save(None))
    panel.ui_find.SetValue("speed")
    settle()
    save(dialog, os.path.join(folder, NAMES[3]))
    dialog.Destroy()
    shutil.rmtree(work, ignore_errors=True)
    del app


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "screenshots")
