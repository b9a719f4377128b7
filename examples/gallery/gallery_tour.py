"""Screenshot mode: the gallery opens each of its windows in turn, saves a
PNG of each and closes itself.

Each window is opened by pressing (calling) its button's handler, which
blocks in ShowModal(); a one-shot timer started just before captures the
window from inside that modal loop and then ends it.  Native message boxes
are not wx windows: they are captured from the screen, cropped to the area
that changed when the box appeared, and closed with a key press sent
through the X test extension, as a user would close them.
"""
import os

import wx

from gallery_frame import all_tools
from gallery_screen import grab_screen

# Time for a window to be mapped and painted before it is captured.
FRAME_DELAY_MS = 500
DIALOG_DELAY_MS = 600
# Time for a change made before a capture (a selection) to be painted.
REPAINT_MS = 300
# After this long a step that is still open is ended, and counted as failed.
STEP_TIMEOUT_MS = 20000
# What covers the gallery while a native message box is captured.
COVER_COLOUR = wx.Colour(48, 52, 60)
# Pause between steps, so that a closed window has left the screen.
BETWEEN_STEPS_MS = 250


TRACE = bool(os.environ.get("GALLERY_TRACE"))


def trace(*what):
    """With GALLERY_TRACE set, say what the tour is doing (on stderr)."""
    if TRACE:
        import sys
        print("gallery:", *what, file=sys.stderr, flush=True)


# --------------------------------------------------------------------------
# Pictures

def crop(bitmap, rect):
    """The part of `bitmap` inside `rect` (clipped to the bitmap), or None
    when nothing of it is inside."""
    area = wx.Rect(rect).Intersect(wx.Rect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()))
    if area.width <= 0 or area.height <= 0:
        return None
    return bitmap.GetSubBitmap(area)


def changed_area(before, after):
    """The smallest rectangle holding every pixel that differs between two
    screen pictures of the same size; None when they are the same."""
    width = before.GetWidth()
    old = before.ConvertToImage().GetData()
    new = after.ConvertToImage().GetData()
    stride = width * 3
    top = bottom = None
    left, right = width, -1
    for y in range(before.GetHeight()):
        a = old[y * stride:(y + 1) * stride]
        b = new[y * stride:(y + 1) * stride]
        if a == b:
            continue
        if top is None:
            top = y
        bottom = y
        # The first and last differing bytes, from the XOR of the two rows
        # read as big-endian numbers.
        diff = int.from_bytes(a, "big") ^ int.from_bytes(b, "big")
        first = stride - (diff.bit_length() + 7) // 8
        last = stride - 1 - ((diff & -diff).bit_length() - 1) // 8
        left = min(left, first // 3)
        right = max(right, last // 3)
    if top is None:
        return None
    return wx.Rect(left, top, right - left + 1, bottom - top + 1)


TITLE_BAR_HEIGHT = 26
TITLE_BAR_COLOUR = wx.Colour(60, 63, 65)
TITLE_TEXT_COLOUR = wx.Colour(235, 235, 235)
EDGE_COLOUR = wx.Colour(90, 90, 90)


def with_title_bar(bitmap, title):
    """`bitmap` under a plain title bar showing `title`, in a thin border.

    Without a window manager (as on Xvfb) windows have no decorations, and a
    dialog's title, such as a countdown, would be lost from its picture."""
    width, height = bitmap.GetWidth() + 2, bitmap.GetHeight() + TITLE_BAR_HEIGHT + 1
    framed = wx.Bitmap(width, height)
    dc = wx.MemoryDC(framed)
    dc.SetBackground(wx.Brush(EDGE_COLOUR))
    dc.Clear()
    dc.SetPen(wx.TRANSPARENT_PEN)
    dc.SetBrush(wx.Brush(TITLE_BAR_COLOUR))
    dc.DrawRectangle(1, 1, width - 2, TITLE_BAR_HEIGHT - 1)
    font = wx.SystemSettings.GetFont(wx.SYS_DEFAULT_GUI_FONT)
    font.SetWeight(wx.FONTWEIGHT_BOLD)
    dc.SetFont(font)
    dc.SetTextForeground(TITLE_TEXT_COLOUR)
    text_height = dc.GetTextExtent(title or "Ag")[1]
    dc.SetClippingRegion(1, 1, width - 2, TITLE_BAR_HEIGHT - 1)
    dc.DrawText(title, 9, (TITLE_BAR_HEIGHT - text_height) // 2)
    dc.DestroyClippingRegion()
    dc.DrawBitmap(bitmap, 1, TITLE_BAR_HEIGHT)
    dc.SelectObject(wx.NullBitmap)
    return framed


def is_blank(bitmap):
    """True when every pixel of `bitmap` has the same colour."""
    data = bitmap.ConvertToImage().GetData()
    return data == data[:3] * (len(data) // 3)


# --------------------------------------------------------------------------
# Modal windows

class ModalWatcher(wx.ModalDialogHook):
    """Keeps the modal windows open right now, innermost last, native
    message boxes included (wx reports those too, though it cannot end
    them or tell where they are)."""

    def __init__(self):
        super().__init__()
        self.stack = []

    def Enter(self, dialog):
        self.stack.append(dialog)
        return wx.ID_NONE

    def Exit(self, dialog):
        for i in range(len(self.stack) - 1, -1, -1):
            if self.stack[i] is dialog:
                del self.stack[i]
                break

    def innermost(self):
        return self.stack[-1] if self.stack else None


def select_tree_item(tree, *labels):
    """Select the item reached from the root by `labels`; True if found."""
    item = tree.GetRootItem()
    for label in labels:
        if not item.IsOk():
            return False
        child, cookie = tree.GetFirstChild(item)
        while child.IsOk() and tree.GetItemText(child) != label:
            child, cookie = tree.GetNextChild(item, cookie)
        item = child
    if not item.IsOk():
        return False
    tree.EnsureVisible(item)
    tree.SelectItem(item)
    return True


def show_a_book(dialog):
    """Fill the editor's picture: the tree opened on an axis book, whose
    parameters then fill the grid."""
    import kvt_wxtools
    panels = [c for c in dialog.GetChildren() if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel)]
    if panels:
        panel = panels[0]
        panel.ui_tree.ExpandAll()
        select_tree_item(panel.ui_tree, "motion", "axes", "X")
        if panel.ui_book.GetNumberRows() > 1:
            panel.ui_book.SelectRow(1)


def type_text(text):
    """A preparation that types `text` into the dialog's text field."""
    def prepare(dialog):
        for child in dialog.GetChildren():
            if isinstance(child, wx.TextCtrl):
                child.SetValue(text)
                child.SetInsertionPointEnd()
                return
    return prepare


def show_field_starts(dialog):
    """Scroll every text field back to its start."""
    for child in dialog.GetChildren():
        if isinstance(child, wx.TextCtrl):
            child.SetInsertionPoint(0)


PREPARE = {
    "multiple_input": show_field_starts,
    "simple_input": type_text("Batch 2024-05-17 A"),
    "password_input": type_text("service-1234"),
    "tree_editor": show_a_book,
}

# The gallery pages and what to do on each before its picture.
PAGES = [(0, "gallery"), (1, "gallery-data-bound-controls"), (2, "gallery-parameter-trees")]


def shot_name(tool):
    return {
        "simple_input": "simple-input-dialog",
        "password_input": "simple-input-dialog-password",
        "multiple_input": "multiple-input-dialog",
        "true_or_false": "true-or-false-dialog",
        "choose_one_button": "choose-one-button-dialog",
        "single_choice_timeout": "single-choice-timeout-dialog",
        "auto_close": "auto-close-message-box",
        "wait_for": "wait-for-dialog",
        "progress": "progress-dialog",
        "tree_editor": "parameter-tree-editor",
        "parameter_editor": "parameter-editor-dialog",
    }.get(tool.key, tool.key.replace("_", "-"))


# --------------------------------------------------------------------------
# The tour

def plan():
    """The tour's steps: (kind, what, file name), kind "page" (what: the
    notebook page and its name) or "tool" (what: the Tool)."""
    steps = []
    tools = all_tools()
    dialogs = [t for t in tools if t.key not in ("tree_editor", "parameter_editor")]
    trees = [t for t in tools if t not in dialogs]
    steps.append(("page", PAGES[0]))
    steps += [("tool", t) for t in dialogs]
    steps.append(("page", PAGES[1]))
    steps.append(("page", PAGES[2]))
    steps += [("tool", t) for t in trees]
    named = []
    for number, (kind, what) in enumerate(steps, 1):
        name = what[1] if kind == "page" else shot_name(what)
        named.append((kind, what, "%02d-%s.png" % (number, name)))
    return named


class ScreenshotTour:
    """Takes the pictures one step at a time, each step started by a timer
    once the previous one has finished; `outcome` receives the list of files
    written ("written") and of failures ("failed"), and "folder"."""

    def __init__(self, frame, folder, outcome):
        self.frame = frame
        self.folder = os.path.abspath(folder)
        self.outcome = outcome
        self.written = outcome.setdefault("written", [])
        self.failed = outcome.setdefault("failed", [])
        outcome["folder"] = self.folder
        self.watcher = ModalWatcher()
        self.timers = set()
        self.stopped = False
        self.steps = plan()
        self.index = 0
        self.captured = False

    # Timers are one-shot and remembered, so that stop() can cancel them:
    # none may fire into a window that is gone.
    def _later(self, ms, function, *args):
        holder = []

        def fire():
            self.timers.discard(holder[0])
            if not self.stopped:
                function(*args)

        holder.append(wx.CallLater(ms, fire))
        self.timers.add(holder[0])
        return holder[0]

    def start(self):
        os.makedirs(self.folder, exist_ok=True)
        self.watcher.Register()
        self._later(FRAME_DELAY_MS, self._next)

    def stop(self):
        self.stopped = True
        for timer in list(self.timers):
            timer.Stop()
        self.timers.clear()
        self.watcher.Unregister()

    def _next(self):
        trace("step", self.index)
        if self.index >= len(self.steps):
            self._finish()
            return
        kind, what, filename = self.steps[self.index]
        self.index += 1
        path = os.path.join(self.folder, filename)
        if kind == "page":
            self._page_step(what[0], path)
        elif what.native:
            self._native_step(what, path)
        else:
            self._dialog_step(what, path)

    def _finish(self):
        self.frame.Close()

    def _save(self, bitmap, path, title):
        if bitmap is None or is_blank(bitmap):
            self.failed.append("%s: nothing to see" % os.path.basename(path))
            return False
        bitmap = with_title_bar(bitmap, title)
        with wx.LogNull():
            saved = bitmap.SaveFile(path, wx.BITMAP_TYPE_PNG)
        if saved:
            self.written.append(path)
        else:
            self.failed.append("%s: could not be written" % os.path.basename(path))
        return saved

    def _save_window(self, window, path):
        window.Raise()
        window.Update()
        return self._save(crop(grab_screen(), window.GetScreenRect()), path, window.GetTitle())

    # -- the gallery's own pages ---------------------------------------------

    def _page_step(self, page, path):
        self.frame.notebook.SetSelection(page)
        if page == 1:
            self.frame.people.SetSelection(1)
            self.frame.parts.SetSelection(1)
            self.frame.parts.SortByColumn(2)   # the header shows the direction
        self._later(FRAME_DELAY_MS, self._page_capture, path)

    def _page_capture(self, path):
        self._save_window(self.frame, path)
        self._later(BETWEEN_STEPS_MS, self._next)

    # -- wx dialogs ----------------------------------------------------------

    def _dialog_step(self, tool, path):
        self.captured = False
        capture = self._later(DIALOG_DELAY_MS, self._dialog_prepare, tool, path)
        watchdog = self._later(STEP_TIMEOUT_MS, self._give_up, tool, path)
        self._press(tool)
        capture.Stop()
        watchdog.Stop()
        self.timers.discard(capture)
        self.timers.discard(watchdog)
        if not self.captured:
            self.failed.append("%s: the window closed before it was captured" % os.path.basename(path))
        self._later(BETWEEN_STEPS_MS, self._next)

    def _press(self, tool):
        try:
            getattr(self.frame, "on_" + tool.key)()
        except Exception as e:  # reported, and the tour goes on
            self.failed.append("%s raised %r" % (tool.label, e))

    def _dialog_prepare(self, tool, path):
        dialog = self.watcher.innermost()
        if not isinstance(dialog, wx.Dialog) or isinstance(dialog, wx.MessageDialog):
            self.failed.append("%s: no dialog opened" % os.path.basename(path))
            return
        prepare = PREPARE.get(tool.key)
        if prepare is None:
            self._dialog_capture(dialog, path)
            return
        prepare(dialog)
        self._later(REPAINT_MS, self._dialog_capture, dialog, path)

    def _dialog_capture(self, dialog, path):
        if not dialog or not dialog.IsModal():
            return
        try:
            self._save_window(dialog, path)
        finally:
            self.captured = True
            dialog.EndModal(wx.ID_CANCEL)

    def _give_up(self, tool, path):
        self.failed.append("%s: still open after %d s" % (os.path.basename(path), STEP_TIMEOUT_MS // 1000))
        window = self.watcher.innermost()
        if isinstance(window, wx.MessageDialog):
            self._press_key(wx.WXK_ESCAPE)
        elif window and window.IsModal():
            window.EndModal(wx.ID_CANCEL)

    # -- native message boxes ------------------------------------------------

    def _native_step(self, tool, path):
        # The box is found by comparing the screen with and without it.  It
        # opens over the gallery, whose background is the box's own colour,
        # so a plain cover of another colour goes over the gallery meanwhile.
        self.cover = wx.Panel(self.frame, pos=wx.Point(0, 0), size=self.frame.GetClientSize())
        self.cover.SetBackgroundColour(COVER_COLOUR)
        self.cover.Raise()
        self.cover.Refresh()
        self._later(BETWEEN_STEPS_MS, self._native_open, tool, path)

    def _native_open(self, tool, path):
        self.captured = False
        baseline = grab_screen()
        capture = self._later(DIALOG_DELAY_MS, self._native_capture, baseline, path)
        watchdog = self._later(STEP_TIMEOUT_MS, self._give_up, tool, path)
        try:
            self._press(tool)
        finally:
            capture.Stop()
            watchdog.Stop()
            self.timers.discard(capture)
            self.timers.discard(watchdog)
            self.cover.Destroy()
            self.cover = None
        if not self.captured:
            self.failed.append("%s: the box closed before it was captured" % os.path.basename(path))
        self._later(BETWEEN_STEPS_MS, self._next)

    def _native_capture(self, baseline, path):
        box = self.watcher.innermost()
        if not isinstance(box, wx.MessageDialog):
            self.failed.append("%s: no message box opened" % os.path.basename(path))
            return
        area = None
        try:
            screen = grab_screen()
            area = changed_area(baseline, screen)
            trace("message box at", area)
            self._save(crop(screen, area) if area else None, path, box.GetTitle())
        finally:
            self.captured = True
            self._press_key(wx.WXK_RETURN, area)

    @staticmethod
    def _press_key(key, area=None):
        """Send `key` to the message box; without a window manager the
        keyboard follows the pointer, so the pointer goes over the box."""
        simulator = wx.UIActionSimulator()
        if area is not None:
            centre = area.GetPosition() + wx.Point(area.width // 2, area.height // 2)
            simulator.MouseMove(centre)
            wx.MilliSleep(50)
        simulator.Char(key)
