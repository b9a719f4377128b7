"""Call overhead of the module's published functions against plain Python
functions of the same signature, measured in the same run.

Prints ratios (module / Python) for a positional call, a keyword call, a
bound-method call and an argument error.  Run with Debian's interpreter:

    PYTHONPATH=build:. /usr/bin/python3 bench/call_overhead.py
"""
import timeit

import wx  # noqa: F401  (the module imports it; keep import time out of the runs)
import kvt_wxtools


class Window:
    """A stand-in window so that window_fit_layout does the same work as the
    Python twin below."""

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


def py_window_fit_layout(window, center=True, maximize=False):
    sizer = window.GetSizer()
    window.Layout()
    sizer.Fit(window)
    if center:
        window.Centre(wx.BOTH)
    if maximize:
        window.Maximize()


def py_app():
    return kvt_wxtools._the_app


def best(stmt, number=200_000, repeat=5, **names):
    return min(timeit.repeat(stmt, number=number, repeat=repeat, globals=names))


def error_call(f):
    def call():
        try:
            f()
        except TypeError:
            pass
    return call


def main():
    w = Window()
    cases = [
        ("positional call", "f(w)", kvt_wxtools.window_fit_layout, py_window_fit_layout),
        ("keyword call", "f(w, center=False, maximize=True)", kvt_wxtools.window_fit_layout, py_window_fit_layout),
        ("no-argument call", "f()", kvt_wxtools.app, py_app),
        ("argument error", "e()", error_call(kvt_wxtools.window_fit_layout), error_call(py_window_fit_layout)),
    ]
    print("%-18s %s" % ("case", "module / python"))
    for label, stmt, ours, theirs in cases:
        mine = best(stmt, f=ours, w=w, e=ours)
        base = best(stmt, f=theirs, w=w, e=theirs)
        print("%-18s %.2f" % (label, mine / base))


if __name__ == "__main__":
    main()
