"""DatePicker on a real wx.adv.DatePickerCtrl and wx.adv.CalendarCtrl, and its
conversion between wx.DateTime and the standard library's dates."""
import datetime

import pytest
import wx
import wx.adv

import kvt_wxtools as kvt



def wx_date(day, month0, year):
    return wx.DateTime.FromDMY(day, month0, year)


CONTROLS = {
    "picker": (wx.adv.DatePickerCtrl, "SetValue", "GetValue"),
    "calendar": (wx.adv.CalendarCtrl, "SetDate", "GetDate"),
}


@pytest.mark.parametrize("kind", sorted(CONTROLS))
def test_reads_the_control_date(frame, kind):
    cls, setter, _ = CONTROLS[kind]
    control = cls(frame)
    getattr(control, setter)(wx_date(15, 2, 2021))  # wx month 2 is March
    picker = kvt.DatePicker(control)
    assert picker.control is control
    value = picker.GetValue()
    assert type(value) is datetime.date and value == datetime.date(2021, 3, 15)
    assert picker.GetDate() == value


@pytest.mark.parametrize("kind", sorted(CONTROLS))
@pytest.mark.parametrize("date", [datetime.date(1999, 12, 31), datetime.datetime(2020, 2, 29, 13, 45)])
def test_sets_the_control_date(frame, kind, date):
    # A calendar has no SetValue of its own: its date goes through SetDate.
    cls, _, getter = CONTROLS[kind]
    control = cls(frame)
    assert kvt.DatePicker(control).SetValue(date) is None
    shown = getattr(control, getter)()
    assert (shown.year, shown.month, shown.day) == (date.year, date.month - 1, date.day)


def test_convert_drops_the_time_of_day():
    converted = kvt.DatePicker.Convert(wx.DateTime.FromDMY(1, 4, 2020, 13, 45, 10))
    assert type(converted) is datetime.date and converted == datetime.date(2020, 5, 1)
    back = kvt.DatePicker.Convert(datetime.datetime(2020, 5, 1, 13, 45))
    assert isinstance(back, wx.DateTime)
    assert (back.year, back.month, back.day, back.hour, back.minute, back.second) == (2020, 4, 1, 0, 0, 0)


@pytest.mark.parametrize("today", [(31, 0, 2021), (29, 1, 2024), (30, 3, 2023)],
                         ids=["31-jan", "29-feb", "30-apr"])
@pytest.mark.parametrize("date", [datetime.date(2020, 2, 29), datetime.date(2021, 1, 31),
                                  datetime.date(2019, 12, 1)])
def test_convert_works_whatever_today_is(monkeypatch, today, date):
    class FixedToday(wx.DateTime):
        @staticmethod
        def Today():
            return wx.DateTime.FromDMY(*today)

    class Wx:
        DateTime = FixedToday

    monkeypatch.setattr(kvt, "wx", Wx)
    converted = kvt.DatePicker.Convert(date)
    assert (converted.year, converted.month, converted.day) == (date.year, date.month - 1, date.day)


def test_conversions_go_through_the_module_class(frame):
    class Other(kvt.DatePicker):
        @staticmethod
        def Convert(date):
            raise AssertionError("the instance's Convert is not used")

        def GetValue(self):
            return "overridden"

    control = wx.adv.DatePickerCtrl(frame)
    other = Other(control)
    other.SetValue(datetime.date(2001, 2, 3))
    assert kvt.DatePicker.GetValue(other) == datetime.date(2001, 2, 3)
    assert other.GetDate() == "overridden"


def test_failures(frame):
    with pytest.raises(TypeError, match="^control must be a wx.adv.DatePickerCtrl or a wx.adv.CalendarCtrl, "
                                        "not TextCtrl$"):
        kvt.DatePicker(wx.TextCtrl(frame))

    class NoDay:
        year, month = 2020, 1

    with pytest.raises(AttributeError, match="'NoDay' object has no attribute 'day'"):
        kvt.DatePicker.Convert(NoDay())
