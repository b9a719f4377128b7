"""The short ways a call takes through the module: published callables
calling each other directly, arguments bound by position or straight from a
keyword dict, attribute reads, list items and integer comparisons read
directly, and the cached argument-count texts.  Each must behave exactly as
the general path does."""
import ctypes
import sys
import types

import pytest

from harness import entry_of
import kvt_wxtools as kvt


class Control:
    """An item-list control stand-in that records the texts appended."""

    def __init__(self):
        self.items = []

    def Append(self, text):
        self.items.append(text)


def py_get_object(objects, index):
    """What ComboList.GetObject computes, in Python."""
    if index < 0 or index >= len(objects):
        return None
    return objects[index]


class Text(str):
    pass


@pytest.mark.parametrize("objects, index", [
    (["a", "b", "c"], 0), (["a", "b", "c"], 2), (["a", "b", "c"], 3), (["a", "b", "c"], -1),
    (["a", "b", "c"], True), (["a", "b", "c"], 2 ** 70), (["a", "b", "c"], -2 ** 70),
    (["a", "b", "c"], 1.0), (["a", "b", "c"], 0.5), (["a", "b", "c"], "x"),
    (("a", "b"), 1), ({0: "zero", 1: "one"}, 1), ([], 0),
])
def test_get_object_matches_python(objects, index):
    combo = kvt.ComboList(Control())
    combo.objects = objects
    try:
        expected = py_get_object(objects, index)
    except Exception as e:  # the same exception type, then
        with pytest.raises(type(e)):
            combo.GetObject(index)
    else:
        assert combo.GetObject(index) == expected


def test_attribute_errors_keep_their_name_and_object():
    # The name and object feed the interpreter's "Did you mean" hint.
    holder = types.SimpleNamespace(objectz=[])
    with pytest.raises(AttributeError) as info:
        kvt.ComboList.GetObject(holder, 0)
    assert "objects" in str(info.value)
    if sys.version_info >= (3, 10):  # AttributeError carries them from 3.10 on
        assert info.value.name == "objects" and info.value.obj is holder


def test_count_errors_repeat_with_the_same_text_and_entry():
    texts = []
    for _ in range(3):
        for call in (lambda: kvt.window_fit_layout(), lambda: kvt.window_fit_layout(1, 2, 3, 4)):
            with pytest.raises(TypeError) as info:
                call()
            texts.append(str(info.value))
            entry_of(info.value, "kvt_wxtools.window_fit_layout")
    assert texts == ["window_fit_layout() takes at least 1 positional argument (0 given)",
                     "window_fit_layout() takes at most 3 positional arguments (4 given)"] * 3


class Window:
    def __init__(self):
        self.calls = []

    def GetSizer(self):
        return self

    def Fit(self, window):
        self.calls.append("Fit")

    def Layout(self):
        self.calls.append("Layout")

    def Centre(self, direction):
        self.calls.append("Centre")

    def Maximize(self):
        self.calls.append("Maximize")


@pytest.mark.parametrize("keywords, message", [
    # The first keyword in the dict's order that is not a parameter.
    ({"zz": 1, "aa": 2}, "window_fit_layout() got an unexpected keyword argument 'zz'"),
    ({"center": 1, "aa": 2}, "window_fit_layout() got an unexpected keyword argument 'aa'"),
    ({"window": 1, "center": 2}, "window_fit_layout() got multiple values for keyword argument 'window'"),
])
def test_keyword_dict_errors(keywords, message):
    with pytest.raises(TypeError) as info:
        kvt.window_fit_layout(Window(), **keywords)
    assert str(info.value) == message


def test_missing_parameter_is_reported_before_an_unknown_keyword():
    with pytest.raises(TypeError) as info:
        kvt.window_fit_layout(bogus=1, center=0)
    assert str(info.value) == "window_fit_layout() takes at least 1 positional argument (0 given)"


def test_text_subclass_keywords_bind_by_their_text():
    w = Window()
    kvt.window_fit_layout(**{Text("window"): w, Text("center"): False, "maximize": True})
    assert w.calls == ["Layout", "Fit", "Maximize"]


def test_bound_published_method_as_info_method():
    # A published method bound to another instance, stored on this one.
    source = kvt.ComboList(Control())
    source.objects = ["zero", "one"]
    combo = kvt.ComboList(Control(), source.GetObject)
    combo.Append(1)
    assert combo.control.items == ["one"] and combo.objects == [1]
    with pytest.raises(TypeError) as info:
        combo.Append("x")
    for name in ("GetObject", "__GetInfo", "Append"):
        entry_of(info.value, "kvt_wxtools.ComboList." + name)
    assert combo.objects == [1]


def test_override_is_called_by_bulk_methods_and_endless_recursion_is_stopped():
    class Looping(kvt.ComboList):
        def Append(self, obj):
            self.AppendItems([obj])

    with pytest.raises(RecursionError):
        Looping(Control()).AppendItems(["a"])


def test_endless_recursion_between_published_callables_alone_is_stopped():
    # Append is AppendItems itself: each text's first character is appended
    # again, without a Python frame in between.
    class Looping(kvt.ComboList):
        Append = kvt.ComboList.AppendItems

    control = Control()
    with pytest.raises(RecursionError, match="^maximum recursion depth exceeded while calling a Python object$") as info:
        Looping(control).AppendItems(["a"])
    assert control.items == []
    # The stack unwound: the next call runs normally.
    combo = kvt.ComboList(control)
    combo.AppendItems(["b"])
    assert control.items == ["b"]


class Characters(tuple):
    def __iter__(self):
        return iter(("q",))


@pytest.mark.parametrize("characters, valid, invalid", [
    (["x"], "abc", "axc"),
    (Characters("abc"), "abc", "xqz"),  # its own iteration, not its items
    (("/", ":"), "a-b", "a:b"),
])
def test_name_rule_follows_the_characters_global(monkeypatch, characters, valid, invalid):
    monkeypatch.setattr(kvt, "_InvalidNameCharacters", characters)
    assert kvt.ParameterTreeEditorPanel.is_valid_name(valid) is True
    assert kvt.ParameterTreeEditorPanel.is_valid_name(invalid) is False


def test_name_rule_errors_come_from_the_search():
    with pytest.raises(TypeError) as info:
        kvt.ParameterTreeEditorPanel.is_valid_name(Text("abc"))
    assert "expected str" in str(info.value)
    kvt_chars = kvt._InvalidNameCharacters
    try:
        kvt._InvalidNameCharacters = (1,)
        with pytest.raises(TypeError, match="requires string as left operand"):
            kvt.ParameterTreeEditorPanel.is_valid_name("abc")
    finally:
        kvt._InvalidNameCharacters = kvt_chars


def test_method_calls_follow_class_changes_and_instance_attributes():
    # The module's method calls remember what a class holds under a name only
    # while the class and its bases are unchanged.
    class Combo(kvt.ComboList):
        pass

    class Recording(Control):
        pass

    combo = Combo(Recording())
    combo.AppendItems(["a"])
    Combo.Append = lambda self, obj: self.objects.append(obj + "!")  # on the class, after a call
    combo.AppendItems(["b"])
    combo.Append = lambda obj: combo.objects.append(obj + "?")  # on the instance
    combo.AppendItems(["c"])
    Recording.Append = lambda self, text: self.items.append(text.upper())  # the control's class
    del Combo.Append, combo.Append
    combo.AppendItems(["d"])
    assert combo.objects == ["a", "b!", "c?", "d"]
    assert combo.control.items == ["a", "D"]


def test_controls_never_read_from_python_and_published_methods_called_by_the_module():
    # A control class whose attributes Python never read, with an instance
    # attribute over its class's C method: both reads must find the instance's.
    class Fresh(list):
        Append = list.append

    control, seen = Fresh(), []
    control.Append = seen.append
    combo = kvt.ComboList(control)
    combo.AppendItems(["a", "b"])
    assert seen == ["a", "b"] and control == []
    # The module's own calls of a published method, found on the class or
    # shadowed by the instance, leave it refusing a non-text keyword itself.
    combo.Append = lambda obj: None
    combo.AppendItems(["c"])
    call = ctypes.pythonapi.PyObject_Call
    call.restype = ctypes.py_object
    call.argtypes = [ctypes.py_object] * 3
    for published in (kvt.ComboList.Append, kvt.ComboList.AppendItems):
        with pytest.raises(TypeError, match=r"^%s\(\) keywords must be strings$" % published.__name__):
            call(published, (combo, None), {1: 2})
