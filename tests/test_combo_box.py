"""AutoPopupComboBox on a real wx.ComboBox with typing simulated, and
COMPortList against a stand-in port list and the machine's own pyserial."""
import pytest
import wx
from serial.tools.list_ports import comports

import kvt_wxtools as kvt



class Combo(wx.ComboBox):
    """A combo box that records the pop-ups instead of opening its list."""

    def __init__(self, parent, choices):
        super().__init__(parent, choices=choices)
        self.popups = 0

    def Popup(self):
        self.popups += 1


@pytest.fixture
def combo(frame):
    return Combo(frame, ["COM1", "COM10", "LPT1"])


def type_text(combo, text, caret=None):
    """Sets the text and the caret as typing leaves them, then sends the
    text event that typing sends."""
    combo.ChangeValue(text)
    combo.SetInsertionPoint(len(text) if caret is None else caret)
    event = wx.CommandEvent(wx.wxEVT_TEXT, combo.GetId())
    event.SetEventObject(combo)
    event.SetString(text)
    combo.GetEventHandler().ProcessEvent(event)


@pytest.mark.parametrize("before, typed, caret, opens", [
    ("", "C", None, True),
    ("C", "CO", None, True),
    ("COM1", "COM10", None, True),
    ("", "X", None, False),
    ("", "c", None, False),        # the prefix test is case-sensitive
    ("CO", "C", None, False),      # deleting never opens the list
    ("C", "C", None, False),       # no change
    ("C", "CO", 1, False),         # typing in the middle of the text
    ("C", "", None, False),        # cleared
], ids=["first-letter", "second-letter", "longest", "no-item", "case", "deleting", "unchanged",
        "caret-inside", "cleared"])
def test_typing_opens_the_list_on_a_matching_prefix(combo, before, typed, caret, opens):
    popper = kvt.AutoPopupComboBox(combo)
    assert popper.control is combo and popper.old_value == ""
    popper.old_value = before
    type_text(combo, typed, caret)
    assert popper.old_value == typed
    assert combo.popups == (1 if opens else 0)
    if opens:
        assert combo.GetTextSelection() == (len(typed), len(typed))
        assert combo.GetValue() == typed   # the typed text is never completed


def test_items_that_are_not_text_fail_in_the_handler():
    class Control:
        def __init__(self):
            self.bound = []

        def Bind(self, *args):
            self.bound.append(args)

        def GetValue(self):
            return "1"

        InsertionPoint = 1

        def GetItems(self):
            return [1]

    control = Control()
    popper = kvt.AutoPopupComboBox(control)
    assert control.bound == [(wx.EVT_TEXT, popper.on_text_changed)]
    with pytest.raises(AttributeError, match="'int' object has no attribute 'startswith'"):
        popper.on_text_changed(None)
    assert popper.old_value == "1"


class Port(tuple):
    """A port record: element 0 is the device name."""


@pytest.mark.parametrize("ports", [[], ["COM3", "COM1", "ttyUSB0"]], ids=["none", "three"])
def test_port_list_from_comports(frame, monkeypatch, ports):
    monkeypatch.setattr(kvt, "_comports",
                        lambda: iter([Port((name, "desc", "hwid")) for name in ports]))
    control = wx.ListBox(frame)
    port_list = kvt.COMPortList(control)
    assert isinstance(port_list, kvt.ComboList)
    assert port_list.objects == ports and control.GetItems() == ports
    assert port_list.GetSelection() == (ports[0] if ports else None)
    assert control.GetSelection() == (0 if ports else wx.NOT_FOUND)


def test_port_list_fills_through_the_instance(frame, monkeypatch):
    monkeypatch.setattr(kvt, "_comports", lambda: [("COM7",), ("COM2",)])
    calls = []

    class Recording(kvt.COMPortList):
        def AppendItems(self, objects):
            calls.append(("AppendItems", objects))
            super().AppendItems(objects)

        def SetSelection(self, index):
            calls.append(("SetSelection", index))
            super().SetSelection(index)

    port_list = Recording(wx.ListBox(frame))
    assert calls == [("AppendItems", ["COM7", "COM2"]), ("SetSelection", 0)]
    assert port_list._ComboList__get_info_method is kvt._simple_get_info


def test_port_list_error_leaves_the_list_part_initialised(frame, monkeypatch):
    def broken():
        raise OSError("no serial subsystem")

    monkeypatch.setattr(kvt, "_comports", broken)
    seen = {}

    class Watching(kvt.COMPortList):
        def __init__(self, control):
            try:
                super().__init__(control)
            finally:
                seen.update(control=self.control, objects=self.objects)

    control = wx.ListBox(frame)
    with pytest.raises(OSError, match="no serial subsystem"):
        Watching(control)
    assert seen == {"control": control, "objects": []}


def test_port_list_with_the_real_pyserial(frame):
    expected = [port[0] for port in comports()]
    control = wx.ListBox(frame)
    port_list = kvt.COMPortList(control)
    assert port_list.objects == expected and control.GetItems() == expected
    assert port_list.GetSelectionIndex() == (0 if expected else -1)


def test_port_list_rescan_keeps_the_selected_port_or_selects_the_first(frame, monkeypatch):
    found = ["COM1", "COM3"]
    monkeypatch.setattr(kvt, "_comports", lambda: [Port((name, "d", "h")) for name in found])
    control = wx.ListBox(frame)
    port_list = kvt.COMPortList(control)
    port_list.SetSelection(1)
    # Still there (elsewhere), gone (the first port), no ports, a port again.
    for ports, selected in [(["COM0", "COM3"], "COM3"), (["COM5", "COM6"], "COM5"), ([], None),
                            (["COM9"], "COM9")]:
        found[:] = ports
        assert port_list.Rescan() is None
        assert port_list.objects == ports == control.GetItems() and port_list.GetSelection() == selected
    monkeypatch.setattr(kvt, "_comports", lambda: 1 / 0)
    with pytest.raises(ZeroDivisionError):   # a failing scan leaves the list as it was
        port_list.Rescan()
    assert port_list.objects == ["COM9"] and port_list.GetSelection() == "COM9"
