#!/usr/bin/env python3
"""Show a small dialog as a whole program through kvt_wxtools.run_wxapp and
print the code the dialog ended with.

    usage: hello.py [--screenshot FILE]

With --screenshot the dialog saves a picture of itself to FILE (PNG) once it
is on screen and then closes itself with OK, so the program runs unattended.
Without it the dialog waits for the user.
"""
import argparse
import sys

import wx

import kvt_wxtools

# Time for the window to be mapped and painted before it is captured, and
# between the capture and closing the dialog.
CAPTURE_DELAY_MS = 500
CLOSE_DELAY_MS = 200


class HelloDialog(wx.Dialog):
    """A text and OK/Cancel buttons.

    With `screenshot`, it saves a picture of itself to that file once shown,
    stores whether that worked under "screenshot_saved" in the `outcome`
    dictionary, and closes itself (OK if saved, Cancel if not).
    """

    def __init__(self, parent=None, title="Hello", screenshot=None, outcome=None):
        super().__init__(parent, title=title, style=wx.DEFAULT_DIALOG_STYLE)
        self.SetSizeHints(wx.DefaultSize, wx.DefaultSize)
        sizer = wx.BoxSizer(wx.VERTICAL)
        self.mMessage = wx.StaticText(
            self, wx.ID_ANY, "Hello from kvt_wxtools.\nPress OK or Cancel to finish.")
        sizer.Add(self.mMessage, 1, wx.ALL | wx.EXPAND, 5)
        buttons = wx.StdDialogButtonSizer()
        buttons.AddButton(wx.Button(self, wx.ID_OK))
        buttons.AddButton(wx.Button(self, wx.ID_CANCEL))
        buttons.Realize()
        sizer.Add(buttons, 0, wx.ALL | wx.EXPAND, 5)
        self.SetSizer(sizer)
        self.Layout()
        sizer.Fit(self)
        self.Centre(wx.BOTH)

        self.screenshot = screenshot
        self.outcome = {} if outcome is None else outcome
        if screenshot:
            wx.CallLater(CAPTURE_DELAY_MS, self._capture)

    # The user may close the dialog before a pending call runs; a destroyed
    # window tests false, and then there is nothing left to do.
    def _capture(self):
        if not self:
            return
        self.Raise()
        self.Update()
        saved = save_window_picture(self, self.screenshot)
        self.outcome["screenshot_saved"] = saved
        code = wx.ID_OK if saved else wx.ID_CANCEL
        wx.CallLater(CLOSE_DELAY_MS, self._close, code)

    def _close(self, code):
        if self and self.IsModal():
            self.EndModal(code)


def save_window_picture(window, filename):
    """Copy the window's area of the screen into a PNG file; True on success."""
    rect = window.GetScreenRect()
    bitmap = wx.Bitmap(rect.width, rect.height)
    memory = wx.MemoryDC(bitmap)
    memory.Blit(0, 0, rect.width, rect.height, wx.ScreenDC(), rect.x, rect.y)
    memory.SelectObject(wx.NullBitmap)
    # Keep wx from reporting a failed save in a message box of its own, which
    # would stop an unattended run; the caller reports it instead.
    # (wx.LogNull works while it lives; wxPython 4.0's is no context manager.)
    quiet = wx.LogNull()
    try:
        return bitmap.SaveFile(filename, wx.BITMAP_TYPE_PNG)
    finally:
        del quiet


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--screenshot", metavar="FILE",
                        help="save the dialog as PNG to FILE once shown, then close it")
    args = parser.parse_args(argv)

    outcome = {}
    code = kvt_wxtools.run_wxapp(HelloDialog, parent=None, title="Hello, kvt_wxtools",
                                 screenshot=args.screenshot, outcome=outcome)
    names = {wx.ID_OK: "wx.ID_OK", wx.ID_CANCEL: "wx.ID_CANCEL"}
    print("dialog return code: %s (%s)" % (code, names.get(code, "other")))
    if args.screenshot:
        if not outcome.get("screenshot_saved"):
            print("could not save the screenshot to %s" % args.screenshot, file=sys.stderr)
            return 1
        print("screenshot saved to %s" % args.screenshot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
