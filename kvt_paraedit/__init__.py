"""The parameter-tree editor as a program of its own.

    usage: kvt-paraedit [--language LANG] [FOLDER]
           python3 -m kvt_paraedit [--language LANG] [FOLDER]

Opens the editor on the parameter tree stored in FOLDER, or empty, to choose
a folder with "Load...".  The texts follow the user's language where a
catalog exists for it (English otherwise); --language picks one ("en",
"zh_CN").  Exit status: 0 once the editor is closed, 1 when it could not be
opened (no display, a tree that fails to load), 2 for wrong arguments.
"""
from __future__ import annotations

import argparse
import os
import sys
from typing import TYPE_CHECKING

if TYPE_CHECKING:
    import wx

PROG = "kvt-paraedit"


def _fail(message: str, status: int) -> int:
    print("%s: %s" % (PROG, message), file=sys.stderr, flush=True)
    return status


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog=PROG, description="Edit a parameter tree: directories of parameter books.")
    parser.add_argument("folder", nargs="?", default="", metavar="FOLDER",
                        help='the parameter tree to open (default: none; choose one with "Load...")')
    parser.add_argument("--language", metavar="LANG",
                        help='language of the texts: "en" or "zh_CN" (default: the user\'s)')
    return parser


def load_language(language: str | None = None) -> bool:
    """Loads the catalog of `language`, or of the user's preferred language,
    falling back to English, so that the editor speaks one language."""
    import kvt_handy
    if kvt_handy.load_translations(language):
        return True
    return language is None and bool(kvt_handy.load_translations("en"))


def open_editor(folder: str = "") -> wx.Dialog:
    """The editor's dialog on `folder` (loaded at once; "" for none), not yet
    shown; resizable, as the only window of a program.  Needs a wx.App."""
    import wx
    import kvt_wxtools
    dialog = kvt_wxtools.ParameterTreeDialog(None, folder)
    dialog.SetWindowStyleFlag(dialog.GetWindowStyleFlag() | wx.RESIZE_BORDER | wx.MINIMIZE_BOX
                              | wx.MAXIMIZE_BOX)
    return dialog


def main(argv: list[str] | None = None) -> int:
    """The command: returns its exit status."""
    args = _parser().parse_args(argv)
    folder = args.folder
    if folder and not os.path.isdir(folder):
        return _fail("not a folder: %s" % folder, 2)
    import wx
    # wx's debug messages (image handlers registered twice and the like) are
    # not for the people using the editor.
    wx.Log.SetLogLevel(wx.LOG_Info)
    try:
        _app = wx.App(False)
    except SystemExit:
        # wx ends a program that has no display to draw on.
        return _fail("no display: the editor needs a graphical session (DISPLAY is %s)"
                     % ("not set" if not os.environ.get("DISPLAY") else repr(os.environ["DISPLAY"])), 1)
    load_language(args.language)
    try:
        dialog = open_editor(os.path.abspath(folder) if folder else "")
    except Exception as error:
        return _fail("cannot open %s: %s" % (folder, error), 1)
    try:
        dialog.ShowModal()
    finally:
        dialog.Destroy()
    return 0
