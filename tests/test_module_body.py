"""The module body: how its class statements build their classes (metaclass
chosen from the bases, namespace from its __prepare__, members in source
order), the built-ins it needs, and functions travelling by reference."""
import copy
import pickle

import kvt_wxtools
from harness import run_python


def test_class_statement_uses_the_base_metaclass_and_its_prepare():
    # Replace wx.App before the import with a base whose metaclass records
    # what the class statement puts into the namespace and in which order.
    result = run_python("""
        import wx

        class Recording(dict):
            def __setitem__(self, key, value):
                self.setdefault("__order__", []).append(key)
                super().__setitem__(key, value)

        class Meta(type(wx.App)):
            prepared = []

            @classmethod
            def __prepare__(mcs, name, bases):
                Meta.prepared.append((name, [b.__name__ for b in bases]))
                return Recording()

            def __new__(mcs, name, bases, ns):
                order = ns.pop("__order__")
                cls = super().__new__(mcs, name, bases, dict(ns))
                cls.recorded = order
                return cls

        class FakeApp(wx.App, metaclass=Meta):
            pass

        real_app = wx.App
        wx.App = FakeApp
        import kvt_wxtools
        wx.App = real_app
        cls = kvt_wxtools.SimpleApp
        report({
            "meta": type(cls).__name__,
            "prepared": Meta.prepared[-1],
            "order": cls.recorded,
            "module": cls.__module__,
            "qualname": cls.__qualname__,
            "doc": cls.__doc__,
            "bases": [b.__name__ for b in cls.__bases__],
        })
    """)
    assert result.data == {
        "meta": "Meta",
        "prepared": ["SimpleApp", ["FakeApp"]],
        "order": ["__module__", "__qualname__", "__init__", "OnInit"],
        "module": "kvt_wxtools",
        "qualname": "SimpleApp",
        "doc": None,
        "bases": ["FakeApp"],
    }, str(result)


def test_error_while_creating_a_class_fails_the_import_at_its_line():
    result = run_python("""
        import traceback, sys
        import wx

        class Refusing(type(wx.App)):
            def __new__(mcs, name, bases, ns):
                if name == "SimpleApp":
                    raise ValueError("refused " + name)
                return super().__new__(mcs, name, bases, ns)

        class FakeApp(wx.App, metaclass=Refusing):
            pass

        wx.App = FakeApp
        try:
            import kvt_wxtools
        except ValueError as e:
            entries = [(f.name, f.filename, f.lineno) for f in traceback.extract_tb(e.__traceback__)]
            report({"error": str(e), "entries": entries, "imported": "kvt_wxtools" in sys.modules})
    """)
    data = result.data
    assert data["error"] == "refused SimpleApp"
    assert ["init kvt_wxtools", "wxtools.py", 726] in data["entries"]
    assert data["imported"] is False


def test_missing_builtin_fails_the_import_before_the_body():
    result = run_python("""
        import builtins, sys, traceback
        saved = builtins.enumerate
        del builtins.enumerate
        try:
            import kvt_wxtools
        except NameError as e:
            error = e
        # Put back before reading the traceback: the traceback module itself
        # uses enumerate on some versions (3.13).
        builtins.enumerate = saved
        last = traceback.extract_tb(error.__traceback__)[-1]
        report([str(error), last.name, last.lineno, "wx" in sys.modules])
    """)
    # Line 1: the preparatory steps, before any import statement has run.
    assert result.data == ["name 'enumerate' is not defined", "init kvt_wxtools", 1, False]


def test_functions_pickle_and_copy_by_reference():
    init = kvt_wxtools.SimpleApp.__dict__["OnInit"]
    for f in (kvt_wxtools.run_wxapp, init):
        assert pickle.loads(pickle.dumps(f)) is f
        assert copy.deepcopy(f) is f
