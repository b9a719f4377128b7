"""Base windows of the parameter-tree editor: they create the controls and
route user actions to handler methods that the editor's subclasses define.

Only the classes exist so far; their controls come later.  Each derives from
the wx class its subclasses need, so that those get wx's metaclass.
"""
import wx


def _not_yet(what):
    raise NotImplementedError("kvt_paratreeui.%s is not implemented yet" % what)


class ParameterTreeEditorPanel(wx.Panel):
    """Panel with the directory tree, the parameter grid of the selected book,
    the tree path field and the parameter command buttons."""

    def __init__(self, parent):
        _not_yet("ParameterTreeEditorPanel")


class ParameterEditorDialog(wx.Dialog):
    """Dialog that edits one parameter's attributes and descriptions."""

    def __init__(self, parent):
        _not_yet("ParameterEditorDialog")


class ScalarEditorDialog(wx.Dialog):
    """Dialog that edits one attribute of a parameter: shows its name and
    lets the user choose its type and enter its value."""

    def __init__(self, parent):
        _not_yet("ScalarEditorDialog")


class DescriptionEditorDialog(wx.Dialog):
    """Dialog that edits a parameter's description in each locale."""

    def __init__(self, parent):
        _not_yet("DescriptionEditorDialog")


class CopyDialog(wx.Dialog):
    """Dialog that copies one parameter, book or directory of a tree to
    another book file or directory on disk."""

    def __init__(self, parent):
        _not_yet("CopyDialog")
