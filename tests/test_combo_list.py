"""ComboList and _simple_get_info on real wx.ListBox controls: the control and
`objects` stay in step, bulk methods use the instance's per-item methods, and
the selection queries accept an integer or a list from the control."""
import pytest
import wx

from harness import entry_of
import kvt_wxtools as kvt



@pytest.fixture
def single(frame):
    return wx.ListBox(frame, style=wx.LB_SINGLE)


@pytest.fixture
def multi(frame):
    return wx.ListBox(frame, style=wx.LB_EXTENDED)


def in_step(combo, get_info=lambda o: o):
    assert combo.control.GetItems() == [get_info(o) for o in combo.objects]
    assert len(combo) == len(combo.objects)


class Selecting:
    """A control whose GetSelection() answers a fixed value."""

    def __init__(self, value):
        self.value = value

    def GetSelection(self):
        return self.value


def test_new_list_shows_objects_as_they_are_and_selects_nothing(single):
    obj = object()
    assert kvt._simple_get_info(obj) is obj
    assert kvt.ComboList.__init__.__defaults__ == (kvt._simple_get_info,)
    combo = kvt.ComboList(single)
    assert combo.control is single and combo.objects == []
    assert combo._ComboList__get_info_method is kvt._simple_get_info
    assert len(combo) == 0
    assert combo.GetSelection() is None
    assert combo.GetSelections() == []
    assert combo.GetSelectionIndex() == -1
    assert combo.GetSelectionIndexes() == []


@pytest.mark.parametrize("make", [list, tuple, iter], ids=["list", "tuple", "iterator"])
def test_append_and_insert_keep_control_and_objects_in_step(single, make):
    combo = kvt.ComboList(single, lambda n: "#%d" % n)
    combo.AppendItems(make([10, 40]))
    combo.AppendItems(make([]))
    combo.InsertItems(make([20, 30]), 1)
    combo.InsertItems(make([50, 60]), len(combo))
    combo.Append(70)
    combo.Insert(5, 0)
    assert combo.objects == [5, 10, 20, 30, 40, 50, 60, 70]
    in_step(combo, lambda n: "#%d" % n)


def test_delete_and_clear_keep_the_same_list_object(single):
    combo = kvt.ComboList(single)
    objects = combo.objects
    combo.AppendItems(["x", "y", "z"])
    combo.Delete(1)
    assert objects == ["x", "z"] and single.GetItems() == ["x", "z"]
    combo.Clear()
    assert combo.objects is objects and objects == []
    assert single.GetCount() == 0


def test_get_info_is_called_unbound_with_the_object(single):
    seen = []

    def info(*args):
        seen.append(args)
        return "shown"

    combo = kvt.ComboList(single, info)
    obj = object()
    combo.Append(obj)
    combo.Insert(obj, 0)
    assert seen == [(obj,), (obj,)]
    assert single.GetItems() == ["shown", "shown"] and combo.objects == [obj, obj]


def test_bulk_methods_go_through_the_instance(single):
    calls = []

    class Recording(kvt.ComboList):
        def Append(self, obj):
            calls.append(("Append", obj))
            super().Append(obj)

        def Insert(self, obj, index):
            calls.append(("Insert", obj, index))
            super().Insert(obj, index)

        def Delete(self, index):
            calls.append(("Delete", index))
            super().Delete(index)

        def SetSelection(self, index):
            calls.append(("SetSelection", index))

    combo = Recording(single)
    combo.AppendItems(["x", "y"])
    combo.InsertItems(["a", "b"], 1)
    combo.ClearSelection()
    assert calls == [("Append", "x"), ("Append", "y"), ("Insert", "a", 1), ("Insert", "b", 2),
                     ("SetSelection", -1)]
    assert combo.objects == ["x", "a", "b", "y"]
    in_step(combo)


def test_delete_selections_runs_from_the_highest_position(multi):
    deleted = []

    class Recording(kvt.ComboList):
        def Delete(self, index):
            deleted.append(index)
            super().Delete(index)

    combo = Recording(multi)
    combo.AppendItems("abcde")
    combo.DeleteSelections()
    assert deleted == [] and combo.objects == list("abcde")
    for i in (0, 3, 2):
        multi.SetSelection(i)
    combo.DeleteSelections()
    assert deleted == [3, 2, 0]
    assert combo.objects == ["b", "e"]
    in_step(combo)


def test_single_selection_queries_and_clear(single):
    combo = kvt.ComboList(single)
    combo.AppendItems(["x", "y", "z"])
    combo.SetSelection(2)
    assert single.GetSelection() == 2
    assert combo.GetSelection() == "z"
    assert combo.GetSelections() == ["z"]
    assert combo.GetSelectionIndex() == 2
    assert combo.GetSelectionIndexes() == [2]
    combo.ClearSelection()
    assert single.GetSelection() == wx.NOT_FOUND
    assert combo.GetSelection() is None and combo.GetSelections() == []


@pytest.mark.parametrize("answer, selection, selections, index", [
    ([4, 1], "e", ["e", "b"], 4),
    ([], None, [], -1),
])
def test_selection_queries_accept_a_list_from_the_control(answer, selection, selections, index):
    combo = kvt.ComboList(Selecting(answer))
    combo.objects.extend("abcde")
    assert combo.GetSelection() == selection
    assert combo.GetSelections() == selections
    assert combo.GetSelectionIndex() == index
    assert combo.GetSelectionIndexes() is answer


class HandingOver(Selecting):
    """A control whose GetSelection() first switches to another greenlet."""

    def __init__(self, value):
        super().__init__(value)
        self.to = None

    def GetSelection(self):
        self.to.switch()
        return self.value


def test_each_greenlet_keeps_its_own_traceback_line():
    greenlet = pytest.importorskip("greenlet")

    def failure_line(query, answer):
        combo = kvt.ComboList(Selecting(answer))
        with pytest.raises(IndexError) as info:
            getattr(combo, query)()
        return entry_of(info.value, "kvt_wxtools.ComboList." + query).lineno

    # A is inside GetSelection when B starts GetSelections; B hands back to A
    # from inside its own call, A marks its later lines and raises, then B
    # resumes and does the same: each traceback names its own line.
    a, b = kvt.ComboList(HandingOver(5)), kvt.ComboList(HandingOver([7]))
    lines = {}

    def run(combo, query):
        with pytest.raises(IndexError) as info:
            getattr(combo, query)()
        lines[query] = entry_of(info.value, "kvt_wxtools.ComboList." + query).lineno

    ga = greenlet.greenlet(lambda: run(a, "GetSelection"))
    gb = greenlet.greenlet(lambda: run(b, "GetSelections"))
    a.control.to, b.control.to = gb, ga
    ga.switch()
    gb.switch()
    assert ga.dead and gb.dead
    assert lines == {"GetSelection": failure_line("GetSelection", 5),
                     "GetSelections": failure_line("GetSelections", [7])}


def test_get_object_answers_none_outside_the_list(single):
    combo = kvt.ComboList(single)
    assert combo.GetObject(0) is None
    combo.Append("only")
    assert [combo.GetObject(i) for i in (-1, 0, 1)] == [None, "only", None]


@pytest.mark.parametrize("step", ["Append", "Insert"])
def test_failing_get_info_changes_neither_side(single, step):
    def refuse(obj):
        raise ValueError("no text for %r" % obj)

    args = ("x",) if step == "Append" else ("x", 0)
    combo = kvt.ComboList(single, refuse)
    with pytest.raises(ValueError, match="no text for 'x'") as info:
        getattr(combo, step)(*args)
    assert entry_of(info.value, "kvt_wxtools.ComboList.__GetInfo").filename == "wxtools.py"
    assert entry_of(info.value, "kvt_wxtools.ComboList." + step)
    combo = kvt.ComboList(single, None)
    with pytest.raises(TypeError, match="'NoneType' object is not callable"):
        getattr(combo, step)(*args)
    assert single.GetCount() == 0 and combo.objects == []


def test_delete_failures(single):
    combo = kvt.ComboList(single)
    combo.AppendItems(["x", "y"])
    # The control refuses first: objects untouched.
    with pytest.raises(wx.wxAssertionError):
        combo.Delete(5)
    assert combo.objects == ["x", "y"]
    # An entry added behind the wrapper's back: the control deletes it, then
    # the list has no such position.
    single.Append("stray")
    with pytest.raises(IndexError):
        combo.Delete(2)
    assert single.GetItems() == ["x", "y"] and combo.objects == ["x", "y"]


class CountingList(list):
    def append(self, obj):
        self.appended = getattr(self, "appended", 0) + 1
        super().append(obj)


class RefusingList(list):
    def append(self, obj):
        raise ValueError("no room for %r" % (obj,))


def test_append_honours_the_objects_own_append(single):
    # An exact list gets the object directly; a list subclass and any other
    # object are asked through their own `append`, errors included.
    combo = kvt.ComboList(single)
    combo.objects = counting = CountingList()
    combo.AppendItems(["x", "y"])
    assert counting == ["x", "y"] and counting.appended == 2
    combo.objects = RefusingList()
    with pytest.raises(ValueError, match="no room for 'z'") as info:
        combo.Append("z")
    assert entry_of(info.value, "kvt_wxtools.ComboList.Append").lineno == 409
    combo.objects = ()
    with pytest.raises(AttributeError, match="'tuple' object has no attribute 'append'"):
        combo.Append("w")
    assert single.GetItems() == ["x", "y", "z", "w"]
