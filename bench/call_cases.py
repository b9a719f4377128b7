"""Call overhead: published callables with small bodies against the same
algorithm written in plain Python, each called the same way (through an
instance, through a class, or as a module function).

The Python twins below follow the module's bodies step by step: the same
attribute reads, calls, tests and order.
"""
import itertools

import wx
import kvt_wxtools


# --------------------------------------------------------- stand-ins ---

class FakeListBox(list):
    """An item-list control stand-in whose GetSelection is a C method (as a
    wx control's is): it answers the number of entries it was made with."""
    GetSelection = list.__len__


class Window:
    """A stand-in window: window_fit_layout does the same work on it as the
    Python twin does."""

    class Sizer:
        def Fit(self, window):
            pass

    sizer = Sizer()

    def GetSizer(self):
        return self.sizer

    def Layout(self):
        pass

    def Centre(self, direction):
        pass

    def Maximize(self):
        pass


class CWindow:
    """The same stand-in with C methods, as a wx window's are: what remains
    is the cost of the call and of the body's own steps."""

    class Sizer:
        Fit = staticmethod(id)

    sizer = Sizer()
    GetSizer = staticmethod(itertools.repeat(sizer).__next__)
    Layout = staticmethod(int)
    Centre = staticmethod(abs)
    Maximize = staticmethod(int)


# ------------------------------------------------------------- twins ---

def _simple_get_info(obj):
    return obj


class PyComboList:
    def __init__(self, control, get_info_method=_simple_get_info):
        self.control = control
        self.__get_info_method = get_info_method
        self.objects = []

    def GetSelectionIndex(self):
        idx = self.control.GetSelection()
        if isinstance(idx, list):
            if not idx:
                return -1
            return idx[0]
        return idx

    def GetObject(self, index):
        if index < 0 or index >= len(self.objects):
            return None
        return self.objects[index]


_InvalidNameCharacters = kvt_wxtools._InvalidNameCharacters


class PyPanel:
    @staticmethod
    def is_valid_name(name: str) -> bool:
        if not name:
            return False
        for c in _InvalidNameCharacters:
            if c in name:
                return False
        return True


def window_fit_layout(window, center=True, maximize=False):
    sizer = window.GetSizer()
    window.Layout()
    sizer.Fit(window)
    if center:
        window.Centre(wx.BOTH)
    if maximize:
        window.Maximize()


def error_call(f):
    def call():
        try:
            f()
        except TypeError:
            pass
    return call


# ------------------------------------------------------------- cases ---

def cases():
    """(name, statement, module names, twin names) of every call case."""
    mod_list = kvt_wxtools.ComboList(FakeListBox(range(3)))
    py_list = PyComboList(FakeListBox(range(3)))
    for side in (mod_list, py_list):
        side.objects.extend("object %d" % k for k in range(10))
    w = Window()
    cw = CWindow()
    return [
        ("calls/ComboList.GetObject", "c.GetObject(5)", {"c": mod_list}, {"c": py_list}),
        ("calls/ComboList.GetSelectionIndex", "c.GetSelectionIndex()", {"c": mod_list}, {"c": py_list}),
        ("calls/is_valid_name", "P.is_valid_name(n)",
         {"P": kvt_wxtools.ParameterTreeEditorPanel, "n": "speed_limit"},
         {"P": PyPanel, "n": "speed_limit"}),
        ("calls/argument error", "e()",
         {"e": error_call(kvt_wxtools.window_fit_layout)}, {"e": error_call(window_fit_layout)}),
        ("calls/window_fit_layout positional", "f(w)",
         {"f": kvt_wxtools.window_fit_layout, "w": w}, {"f": window_fit_layout, "w": w}),
        ("calls/window_fit_layout keyword", "f(w, center=False, maximize=True)",
         {"f": kvt_wxtools.window_fit_layout, "w": w}, {"f": window_fit_layout, "w": w}),
        ("calls/window_fit_layout C positional", "f(w)",
         {"f": kvt_wxtools.window_fit_layout, "w": cw}, {"f": window_fit_layout, "w": cw}),
        ("calls/window_fit_layout C keyword", "f(w, center=False, maximize=True)",
         {"f": kvt_wxtools.window_fit_layout, "w": cw}, {"f": window_fit_layout, "w": cw}),
    ]
