"""Random calls of every published callable: the argument binder and the
checks must raise exactly the argument errors that the callable's signature
predicts, or let the body run; nothing may crash or end in SystemError (the
interpreter's report of a result returned with an exception set, or of an
error return without one).

The callables are found by walking the module (functions, and the methods,
static methods and property getters of its classes).  The expected outcome of
each call comes from the small binding model `expect()` below, written from
the calling rules and the callable's published signature.  A body runs only
where the RUN table allows it (bodies that need no window: helpers, the
data-bound wrappers on stand-in controls, a few getters); for every other
callable only the calls that the model says fail in binding are made.

The number of examples is small by default; `./run-fuzz` runs the same tests
with many (KVT_FUZZ=long)."""
import ctypes
import datetime
import inspect
import os
import sys
import types

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from harness import traceback_entries

import kvt_wxtools

FUNCTION_TYPE = type(kvt_wxtools.app)

# FloatLike(FloatSub(...)) is meant to take that deprecated road.
pytestmark = pytest.mark.filterwarnings("ignore:.*__float__ returned non-float:DeprecationWarning")

_PROFILES = {
    "quick": settings(max_examples=30, derandomize=True, database=None, deadline=None,
                      suppress_health_check=list(HealthCheck)),
    "long": settings(max_examples=int(os.environ.get("KVT_FUZZ_EXAMPLES", "1500")), deadline=None,
                     database=None, suppress_health_check=list(HealthCheck), print_blob=True),
}
PROFILE = _PROFILES[os.environ.get("KVT_FUZZ", "quick")]


# --------------------------------------------------------------------------
# The published callables

class Target:
    """One published callable and what its signature says about binding."""

    def __init__(self, func, owner):
        self.func = func
        self.owner = owner
        self.qualname = func.__qualname__
        self.name = func.__name__
        self.line = func.__code__.co_firstlineno
        signature = inspect.signature(func)
        self.params = [p for p in signature.parameters.values()
                       if p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD]
        self.has_kwargs = any(p.kind is inspect.Parameter.VAR_KEYWORD for p in signature.parameters.values())
        assert len(self.params) + self.has_kwargs == len(signature.parameters), self.qualname
        self.names = [p.name for p in self.params]
        annotations = func.__annotations__
        self.checks = [{str: "text", type: "class", float: "float"}.get(annotations.get(n)) for n in self.names]

    def __repr__(self):
        return self.qualname


def published_callables():
    found = []
    for value in vars(kvt_wxtools).values():
        if isinstance(value, FUNCTION_TYPE):
            found.append(Target(value, None))
        elif isinstance(value, type) and value.__module__ == "kvt_wxtools":
            for member in vars(value).values():
                if isinstance(member, staticmethod):
                    member = member.__func__
                elif isinstance(member, property):
                    member = member.fget
                if isinstance(member, FUNCTION_TYPE):
                    found.append(Target(member, value))
    return found


TARGETS = published_callables()


# --------------------------------------------------------------------------
# Values: ordinary ones and ones that misbehave

class StrSub(str):
    pass


class OddStr(str):
    """Equal to everything, hashed by a number of its own."""

    def __eq__(self, other):
        return True

    def __ne__(self, other):
        return False

    def __hash__(self):
        return 12345


class EqRaisingStr(str):
    def __eq__(self, other):
        raise RuntimeError("__eq__ of a keyword")

    __hash__ = str.__hash__


class Raising:
    """Every conversion and comparison raises."""

    def __str__(self):
        raise RuntimeError("__str__ raised")

    def __repr__(self):
        return "<Raising>"

    def __float__(self):
        raise ValueError("__float__ raised")

    def __index__(self):
        raise OverflowError("__index__ raised")

    def __eq__(self, other):
        raise RuntimeError("__eq__ raised")

    def __lt__(self, other):
        raise RuntimeError("__lt__ raised")

    def __bool__(self):
        raise RuntimeError("__bool__ raised")

    __hash__ = object.__hash__


class IndexOnly:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class FloatLike:
    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


class FloatSub(float):
    pass


class Meta(type):
    pass


class WithMeta(metaclass=Meta):
    pass


class StandIn:
    """Stands in for a wx control, window or sizer: every method exists,
    records nothing and returns what an empty control would."""

    RETURNS = {"GetSelections": [], "GetSelection": -1, "GetSelectedRows": [], "GetNumberRows": 0,
               "GetNumberCols": 2, "GetValue": "", "GetItems": [], "GetCount": 0}

    InsertionPoint = 0

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        if name == "GetSizer":
            return lambda: StandIn()
        result = self.RETURNS.get(name)
        return lambda *args, **kwargs: result


HUGE = 10 ** 100
SCALARS = [None, True, False, 0, 1, -1, 2, 5, 2 ** 31, 2 ** 63, HUGE, -HUGE, 0.5, -0.0, float("nan"),
           float("inf"), "", "x", "名字", "x" * 5000, StrSub("sub"), OddStr("message"), b"bytes",
           bytearray(b"b"), [], [1, "a"], ("a", "b"), {}, {"a": "b"}, object(), int, str, type, StrSub,
           WithMeta, Raising(), IndexOnly(3), IndexOnly(HUGE), FloatLike(2.5), FloatLike("no"),
           FloatSub(1.5), datetime.date(2020, 2, 29), datetime.datetime(1999, 12, 31, 23, 59, 58),
           types.SimpleNamespace(year=2021, month=3, day=15, hour=1, minute=2, second=3),
           types.SimpleNamespace(year=HUGE, month=-1, day="x", hour=None, minute=0, second=0),
           kvt_wxtools.app, len, kvt_wxtools]

# For the parameters converted to float and those that take a class.
FLOATISH = [3, 2.5, FloatSub(1.5), IndexOnly(3), IndexOnly(10 ** 400), FloatLike(2.5), FloatLike("no"),
            FloatLike(FloatSub(0.5)), Raising(), "2.5", 10 ** 400, True, None]
CLASSES = [int, str, type, StrSub, WithMeta, Meta, None, 1, "str"]

values = st.one_of(
    st.sampled_from(SCALARS),
    st.integers(min_value=-2 ** 70, max_value=2 ** 70),
    st.text(max_size=12),
    st.text(max_size=12).map(StrSub),
    st.builds(StandIn),
    st.lists(st.sampled_from(["a", "b", 1, None, StrSub("s")]), max_size=4),
)


def instance_of(cls):
    """A real instance of one of the data-bound wrappers on a stand-in control
    (a DatePicker takes only real date controls: its stand-in is set after)."""
    def make():
        if cls is kvt_wxtools.DatePicker:
            picker = cls.__new__(cls)
            picker.control = StandIn()
            return picker
        return cls(StandIn())
    return st.builds(make)


WRAPPERS = {kvt_wxtools.ComboList, kvt_wxtools.RowGrid, kvt_wxtools.DatePicker,
            kvt_wxtools.AutoPopupComboBox}


def value_for(target, name):
    if name == "self" and target.owner in WRAPPERS:
        return st.one_of(instance_of(target.owner), values)
    if name in ("control", "combo_box", "window"):
        return st.one_of(st.builds(StandIn), values)
    return values


def keyword_names(target):
    names = target.names + ["kwargs", "bogus", "self"]
    return st.one_of(
        st.sampled_from(names),
        st.sampled_from(names).map(StrSub),
        st.sampled_from(names).map(OddStr),
        st.sampled_from(names).map(EqRaisingStr),
        st.text(max_size=6),
        st.sampled_from([1, None, b"message", ("name",), 2.5, HUGE]),
    )


@st.composite
def calls(draw, target):
    """(positional arguments, keyword items in dict order)."""
    if draw(st.booleans()):
        # A call shaped like a correct one: each parameter positional, by
        # keyword or left to its default, with its usual kind of value.
        args, items = [], []
        for k, param in enumerate(target.params):
            how = draw(st.sampled_from(["positional", "keyword", "omit"]))
            if how == "omit" and (param.default is inspect.Parameter.empty or draw(st.booleans())):
                how = "keyword"
            if how == "omit":
                continue
            if target.checks[k] == "text":
                value = draw(st.one_of(st.none(), st.text(max_size=8), value_for(target, param.name)))
            elif target.checks[k] == "float":
                value = draw(st.one_of(st.sampled_from(FLOATISH), value_for(target, param.name)))
            elif target.checks[k] == "class":
                value = draw(st.one_of(st.sampled_from(CLASSES), value_for(target, param.name)))
            else:
                value = draw(value_for(target, param.name))
            if how == "positional" and len(items) == 0 and len(args) == k:
                args.append(value)
            else:
                items.append((param.name, value))
        if draw(st.booleans()):
            items.append((draw(keyword_names(target)), draw(values)))
    else:
        count = len(target.params)
        args = [draw(value_for(target, target.names[k] if k < count else "")) for k in
                range(draw(st.integers(0, count + 2)))]
        items = draw(st.lists(st.tuples(keyword_names(target), values), max_size=4))
    return args, items


def as_dict(items):
    """The keyword dict of a call; a key that cannot go in beside the others
    (its comparison raises) is left out.  Returns the dict."""
    kwargs = {}
    for key, value in items:
        try:
            kwargs[key] = value
        except Exception:
            continue
    return kwargs


# --------------------------------------------------------------------------
# The binding model

class Failure:
    def __init__(self, kind, message):
        self.kind, self.message = kind, message

    def __repr__(self):
        return "%s(%r)" % (self.kind.__name__, self.message)


class Bound:
    def __init__(self, arguments, extra):
        self.arguments, self.extra = arguments, extra


_MISSING = object()
_as_double = ctypes.pythonapi.PyFloat_AsDouble
_as_double.argtypes = [ctypes.py_object]
_as_double.restype = ctypes.c_double


def _same_name(key, name):
    # Keywords are matched by their text, never by a str subclass's own __eq__.
    return isinstance(key, str) and str.__eq__(key, name) is True


def _type_name(value):
    cls = type(value)
    if cls.__flags__ & (1 << 9) or cls.__module__ == "builtins":  # heap type, or built in
        return cls.__name__
    return cls.__module__ + "." + cls.__name__


def expect(target, args, kwargs):
    """What binding `target(*args, **kwargs)` gives: a Failure, or the Bound
    arguments with which the body would run."""
    name, params = target.name, target.params
    total, nargs, nkw = len(params), len(args), len(kwargs)
    fail = lambda message: Failure(TypeError, message)  # noqa: E731
    extra = None
    if not target.has_kwargs and total <= 1:
        if nkw:
            return fail("%s() takes no keyword arguments" % name)
        if total == 0 and nargs:
            return fail("%s() takes no arguments (%d given)" % (name, nargs))
        if total == 1 and nargs != 1:
            return fail("%s() takes exactly one argument (%d given)" % (name, nargs))
        values = list(args)
    else:
        required = sum(p.default is inspect.Parameter.empty for p in params)

        def count_error(given):
            too_few = given < required
            number = required if too_few else total
            how = "exactly" if required == total else "at least" if too_few else "at most"
            return fail("%s() takes %s %d positional argument%s (%d given)"
                        % (name, how, number, "" if number == 1 else "s", given))

        if nargs > total:
            return count_error(nargs)
        values = list(args) + [_MISSING] * (total - nargs)
        left = list(kwargs.items())
        for k in range(nargs, total):
            for j, (key, value) in enumerate(left):
                if _same_name(key, params[k].name):
                    values[k] = value
                    del left[j]
                    break
            if values[k] is _MISSING and k < required:
                return count_error(k)
        if target.has_kwargs:
            extra = {}
        for key, value in left:
            if not isinstance(key, str):
                return fail("%s() keywords must be strings" % name)
            text = str.__str__(key)
            if any(_same_name(key, p.name) for p in params):
                return fail("%s() got multiple values for keyword argument '%s'" % (name, text))
            if extra is None:
                return fail("%s() got an unexpected keyword argument '%s'" % (name, text))
            try:
                extra[key] = value
            except Exception as e:
                return Failure(type(e), str(e))
        values = [p.default if v is _MISSING else v for p, v in zip(params, values)]
    for k, check in enumerate(target.checks):
        if check == "float" and type(values[k]) is not float:
            try:
                values[k] = _as_double(values[k])
            except Exception as e:
                return Failure(type(e), str(e))
    for k, check in enumerate(target.checks):
        value = values[k]
        if value is None:
            continue
        if (check == "text" and type(value) is not str) or (check == "class" and type(value) is not type):
            return fail("Argument '%s' has incorrect type (expected %s, got %s)"
                        % (params[k].name, "str" if check == "text" else "type", _type_name(value)))
    return Bound(dict(zip(target.names, values)), extra)


# --------------------------------------------------------------------------
# Which bodies may run

def _always(bound):
    return True


def _self_refuses_attributes(bound):
    # SimpleApp's constructor sets attributes on self before it makes a wx.App;
    # with a self that has no attribute dict it stops there.
    return not hasattr(bound.arguments["self"], "__dict__")


RUN = {
    "wx_datetime_2_py_datetime": _always,
    "_simple_get_info": _always,
    "app": _always,
    "window_fit_layout": _always,
    "ParameterTreeEditorPanel.is_valid_name": _always,
    "SimpleApp.__init__": _self_refuses_attributes,
    "SimpleInputDialog.__del__": _always,
    "SimpleInputDialog.GetInputString": _always,
    "AutoCloseMessageBox.counter": _always,
    "ChooseOneButtonDialog.GetSelectedIndex": _always,
    "ChooseOneButtonDialog.GetSelectedString": _always,
    "SingleChoiceTimeoutDialog.GetSelectionIndex": _always,
    "SingleChoiceTimeoutDialog.GetSelection": _always,
    "MultipleInputDialog.get": _always,
    "MultipleInputDialog.fields": _always,
    "ParameterEditorDialog.parameter": _always,
    "ParameterScalarAttributeEditorDialog.type_is_bool": _always,
    "ParameterScalarAttributeEditorDialog.type_is_json": _always,
    "ParameterScalarAttributeEditorDialog.type_is_str": _always,
    "COMPortList.__init__": _always,
}


def may_run(target, bound):
    if target.owner in WRAPPERS:
        return True
    return RUN.get(target.qualname, lambda bound: False)(bound)


# --------------------------------------------------------------------------
# Tests

def check_call(target, args, kwargs):
    expected = expect(target, args, kwargs)
    if isinstance(expected, Bound) and not may_run(target, expected):
        return
    try:
        result = target.func(*args, **kwargs)
    except SystemError as e:
        pytest.fail("%s: SystemError %s" % (target, e))
    except BaseException as e:
        if isinstance(expected, Failure):
            assert (type(e), str(e)) == (expected.kind, expected.message), (target, args, kwargs)
            entries = traceback_entries(e, "kvt_wxtools." + target.qualname)
            assert entries and entries[0].lineno == target.line, entries
            return
        if not isinstance(e, Exception):
            raise
        # An error of the body: any exception but SystemError, carrying the
        # callable's traceback entry.
        assert traceback_entries(e, "kvt_wxtools." + target.qualname), (target, e)
        return
    assert isinstance(expected, Bound), "%s%r%r returned %r, expected %r" % (
        target, tuple(args), kwargs, result, expected)
    if target.qualname == "_simple_get_info":
        assert result is expected.arguments["obj"]


@pytest.mark.parametrize("target", TARGETS, ids=[t.qualname for t in TARGETS])
def test_random_calls_raise_the_predicted_errors_or_run(target):
    # Callables with checked or converted parameters get more examples.
    examples = PROFILE.max_examples * (4 if any(target.checks) else 1)

    @settings(PROFILE, max_examples=examples)
    @given(calls(target))
    def run(call):
        args, items = call
        check_call(target, args, as_dict(items))

    run()


def test_every_callable_named_in_the_run_table_is_published():
    # A renamed callable would otherwise silently stop running its body.
    published = {t.qualname for t in TARGETS}
    assert set(RUN) <= published
    assert {"MB.Input", "MultipleInputDialog.fields", "MultipleInputDialog.__on_ok", "run_wxapp",
            "ParameterTreeEditorPanel.is_valid_name"} <= published


class HashedStr(str):
    """Compares as str does, but hashes apart from the same text."""

    def __hash__(self):
        return 12345


@pytest.mark.parametrize("keyword", [HashedStr, OddStr], ids=["own-hash", "odd-eq"])
def test_a_parameter_given_twice_by_keyword_is_reported_as_such(keyword):
    # The second key has the text of a parameter but a hash of its own, so
    # the dict keeps both keys; the second must not pass for an unknown name,
    # nor be gathered into **kwargs.
    kwargs = {"message": None, keyword("message"): None}
    assert len(kwargs) == 2
    with pytest.raises(TypeError) as info:
        kvt_wxtools.MB.Error(**kwargs)
    assert str(info.value) == "Error() got multiple values for keyword argument 'message'"
    with pytest.raises(TypeError) as info:
        kvt_wxtools.SimpleApp.__init__(1, **{"_class": None, keyword("_class"): 1})
    assert str(info.value) == "__init__() got multiple values for keyword argument '_class'"


def test_binding_leaks_no_reference_to_its_arguments():
    message, title, other = "message text", StrSub("title"), object()
    timeout, obj, key = FloatLike(2.5), object(), StrSub("extra")
    combo = kvt_wxtools.ComboList(StandIn())
    watched = [message, title, other, timeout, obj, key, combo]
    before = [sys.getrefcount(x) for x in watched]
    for _ in range(1000):
        for call in (
                lambda: kvt_wxtools.MB.Error(message, title),                  # text check fails
                lambda: kvt_wxtools.MB.Error(message, title=message, bogus=other),
                lambda: kvt_wxtools.MB.Input(message, str, message, other, other),
                lambda: kvt_wxtools.AutoCloseMessageBox.__init__(other, other, 1, message, timeout),
                lambda: kvt_wxtools.ProgressDialog.__init__(other, other, other, interval=message),
                lambda: kvt_wxtools.SimpleApp.__init__(1, obj, **{key: other}),  # body fails at once
                lambda: kvt_wxtools._simple_get_info(obj),
                lambda: combo.GetObject(obj),
                lambda: combo.Append(other),
                lambda: combo.Clear(),
                lambda: kvt_wxtools.ComboList.GetObject(self=combo, index=0),
        ):
            try:
                call()
            except Exception:
                pass
    assert [sys.getrefcount(x) for x in watched] == before
