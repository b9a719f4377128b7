"""Stand-in for wx.adv: the date picker control and its names."""
from wx._core import Control, PyEventBinder, _constants

_constants(globals(), "DP_DEFAULT DP_SPIN DP_DROPDOWN DP_ALLOWNONE DP_SHOWCENTURY")
EVT_DATE_CHANGED = PyEventBinder("EVT_DATE_CHANGED")


class DatePickerCtrl(Control):
    def __init__(self, parent=None, id=-1, dt=None, *args, **kwargs):
        Control.__init__(self, parent, id, *args, **kwargs)
        self._value = dt

    def GetValue(self):
        return self._value

    def SetValue(self, dt):
        self._value = dt
