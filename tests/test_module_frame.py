"""The module as a whole: what importing it creates, the function objects it
publishes, how they bind arguments and report errors, and how the module
behaves when it is created again or cannot be created."""
import base64
import builtins
import ctypes
import datetime
import gc
import inspect
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import traceback
import types
import typing
import weakref
import zlib

import pytest
import serial.tools.list_ports
import wx
import wx.lib.embeddedimage

import kvt_handy
import kvt_paratree
import kvt_paratreeui
import kvt_wxtools as kvt
from harness import BUILD_DIR, RecordingWindow, entry_of, run_python

SOURCE = "wxtools.py"

# --------------------------------------------------------------------------
# What the import creates

IMPORTED = [  # in binding order
    ("wx", wx), ("_FileDialog", wx.FileDialog), ("_DirDialog", wx.DirDialog), ("datetime", datetime),
    ("_comports", serial.tools.list_ports.comports),
    ("_Union", typing.Union), ("_Dict", typing.Dict), ("_List", typing.List),
    ("_ParameterTreeEditorPanel", kvt_paratreeui.ParameterTreeEditorPanel),
    ("_ParameterEditorDialog", kvt_paratreeui.ParameterEditorDialog),
    ("_ScalarEditorDialog", kvt_paratreeui.ScalarEditorDialog),
    ("_DescriptionEditorDialog", kvt_paratreeui.DescriptionEditorDialog),
    ("_CopyDialog", kvt_paratreeui.CopyDialog),
    ("_Parameter", kvt_paratree.Parameter), ("_ParameterBook", kvt_paratree.ParameterBook),
    ("_ParameterDirectory", kvt_paratree.ParameterDirectory),
    ("_InvalidNameCharacters", kvt_paratree.InvalidNameCharacters),
    ("_FSObserver", kvt_handy.FileSystemObserver), ("_Progress", kvt_handy.Progress),
    ("PyEmbeddedImage", wx.lib.embeddedimage.PyEmbeddedImage),
    ("_path", os.path), ("_json", json), ("_Optional", typing.Optional),
    ("_ParameterViewDialog", kvt_paratreeui.ParameterViewDialog),
]


def test_module_globals_after_import():
    assert kvt.__doc__ is None
    assert kvt._the_app is None
    assert type(kvt.__test__) is dict and kvt.__test__ == {}
    assert kvt.__builtins__ is builtins
    spec = kvt.__spec__
    assert (kvt.__name__, kvt.__loader__, kvt.__file__, kvt.__package__) == \
        ("kvt_wxtools", spec.loader, spec.origin, "")
    assert os.path.dirname(kvt.__file__) == os.path.normpath(BUILD_DIR)
    assert not hasattr(kvt, "__path__")
    assert sys.modules["kvt_wxtools"] is kvt


@pytest.mark.parametrize("name, expected", IMPORTED, ids=[n for n, _ in IMPORTED])
def test_imported_names_are_bound_under_their_aliases(name, expected):
    assert vars(kvt)[name] is expected


def test_globals_are_bound_in_source_order_and_nothing_else_is_imported():
    order = [n for n, _ in IMPORTED] + [
        "wx_datetime_2_py_datetime", "window_fit_layout", "SimpleApp", "_the_app", "app",
        "run_wxapp", "_directory_icon", "_book_icon", "__test__"]
    assert [name for name in vars(kvt) if name in order] == order
    assert list(vars(kvt))[-1] == "__test__"
    # Imported names appear only under their aliases.
    assert not {"os", "json", "typing", "serial", "comports", "Progress", "ParameterBook",
                "FileDialog", "Optional", "path"} & set(vars(kvt))
    assert kvt.wx.adv is sys.modules["wx.adv"] and kvt.wx.grid is sys.modules["wx.grid"]


def _png_chunks(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks = 8, {}
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        assert zlib.crc32(kind + body) == struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        chunks[kind] = body
        pos += 12 + length
    return chunks


@pytest.mark.parametrize("name, size", [("_directory_icon", (13, 16)), ("_book_icon", (12, 16))])
def test_icons_are_small_rgb_pngs(name, size):
    icon = getattr(kvt, name)
    assert isinstance(icon, wx.lib.embeddedimage.PyEmbeddedImage)
    chunks = _png_chunks(base64.b64decode(icon.data))
    assert struct.unpack(">IIBB", chunks[b"IHDR"][:10]) == size + (8, 2)  # 8-bit RGB
    assert chunks[b"sBIT"] == bytes((8, 8, 8)) and b"IEND" in chunks
    assert tuple(icon.GetBitmap().GetSize()) == size
    rgb = icon.GetImage().GetData()
    pixels = {tuple(rgb[i:i + 3]) for i in range(0, len(rgb), 3)}
    if name == "_book_icon":  # greys and white only
        assert len(pixels) > 1 and all(r == g == b for r, g, b in pixels)
    else:  # yellow somewhere
        assert any(r > 200 and g > 150 and b < 120 for r, g, b in pixels)


def test_import_creates_no_window_app_or_thread():
    result = run_python("""
        import threading, wx
        import kvt_wxtools
        report([wx.GetApp() is None, threading.active_count()])
    """)
    assert result.rc == 0, result
    assert result.data == [True, 1]


# --------------------------------------------------------------------------
# Function objects

RUN_WXAPP_DOC = (
    "\n\tRun a wxWidgets app."
    "\n\t:param _class: a class that inherit from wx.Frame or wx.Dialog. "
    "It's the class, not an instance of that class."
    "\n\t:param kwargs:"
    "\n\t:return: If _class is a wx.Dialog subtype, it will return the EndModel return code. Otherwise, 0."
    "\n\t")

FUNCTIONS = [
    # qualname, line, signature, parameters, defaults
    ("wx_datetime_2_py_datetime", 24, "(dt: wx._core.DateTime)", ("dt",), None),
    ("window_fit_layout", 716, "(window, center=True, maximize=False)",
     ("window", "center", "maximize"), (True, False)),
    ("SimpleApp.__init__", 727, "(self, _class, **kwargs)", ("self", "_class", "kwargs"), None),
    ("SimpleApp.OnInit", 733, "(self)", ("self",), None),
    ("app", 748, "() -> kvt_wxtools.SimpleApp", (), None),
    ("run_wxapp", 752, "(_class, **kwargs)", ("_class", "kwargs"), None),
]


def _published(qualname):
    owner, _, name = qualname.rpartition(".")
    return vars(getattr(kvt, owner) if owner else kvt)[name]


@pytest.mark.parametrize("qualname, line, signature, params, defaults", FUNCTIONS,
                         ids=[f[0] for f in FUNCTIONS])
def test_function_object_attributes(qualname, line, signature, params, defaults):
    f = _published(qualname)
    name = qualname.rpartition(".")[2]
    assert type(f) is not types.FunctionType and callable(f)
    assert (f.__name__, f.__qualname__, f.__module__) == (name, qualname, "kvt_wxtools")
    assert f.__doc__ == (RUN_WXAPP_DOC if name == "run_wxapp" else None)
    assert f.__defaults__ == defaults and f.__kwdefaults__ is None
    assert f.__annotations__ == {"wx_datetime_2_py_datetime": {"dt": wx.DateTime},
                                 "app": {"return": kvt.SimpleApp}}.get(name, {})
    assert isinstance(f.__dict__, dict)
    assert f.__globals__ is vars(kvt) and f.__closure__ is None
    code = f.__code__
    assert (code.co_filename, code.co_firstlineno, code.co_name) == (SOURCE, line, name)
    assert code.co_varnames[:len(params)] == params
    if sys.version_info < (3, 7):  # 3.6's inspect writes no space after an annotation's colon
        signature = signature.replace(": ", ":")
    assert str(inspect.signature(f)) == signature


def test_simple_app_class():
    cls = kvt.SimpleApp
    assert cls.__bases__ == (wx.App,) and type(cls) is type(wx.App)
    assert (cls.__module__, cls.__qualname__, cls.__doc__) == ("kvt_wxtools", "SimpleApp", None)
    # Read through the class, a method is the function itself.
    assert cls.OnInit is vars(cls)["OnInit"] and cls.__init__ is vars(cls)["__init__"]


def test_functions_bind_as_methods_through_an_instance():
    class Window(RecordingWindow):
        fit = kvt.window_fit_layout

    w = Window()
    bound = w.fit
    assert isinstance(bound, types.MethodType)
    assert bound.__self__ is w and bound.__func__ is kvt.window_fit_layout
    assert bound(False) is None
    assert w.calls == [("GetSizer",), ("Layout",), ("Fit", w)]


# --------------------------------------------------------------------------
# Argument binding

W = RecordingWindow

ARGUMENT_ERRORS = [
    (lambda: kvt.run_wxapp(), "run_wxapp() takes exactly 1 positional argument (0 given)"),
    (lambda: kvt.run_wxapp(1, 2), "run_wxapp() takes exactly 1 positional argument (2 given)"),
    (lambda: kvt.run_wxapp(1, _class=2), "run_wxapp() got multiple values for keyword argument '_class'"),
    (lambda: kvt.window_fit_layout(), "window_fit_layout() takes at least 1 positional argument (0 given)"),
    (lambda: kvt.window_fit_layout(center=False),
     "window_fit_layout() takes at least 1 positional argument (0 given)"),
    (lambda: kvt.window_fit_layout(1, 2, 3, 4),
     "window_fit_layout() takes at most 3 positional arguments (4 given)"),
    (lambda: kvt.window_fit_layout(W(), bogus=1), "window_fit_layout() got an unexpected keyword argument 'bogus'"),
    (lambda: kvt.window_fit_layout(W(), window=W()),
     "window_fit_layout() got multiple values for keyword argument 'window'"),
    (lambda: kvt.window_fit_layout(W(), True, center=False),
     "window_fit_layout() got multiple values for keyword argument 'center'"),
    (lambda: kvt.wx_datetime_2_py_datetime(dt=1), "wx_datetime_2_py_datetime() takes no keyword arguments"),
    (lambda: kvt.wx_datetime_2_py_datetime(), "wx_datetime_2_py_datetime() takes exactly one argument (0 given)"),
    (lambda: kvt.wx_datetime_2_py_datetime(1, 2),
     "wx_datetime_2_py_datetime() takes exactly one argument (2 given)"),
    (lambda: kvt.app(1), "app() takes no arguments (1 given)"),
    (lambda: kvt.SimpleApp.OnInit(), "OnInit() takes exactly one argument (0 given)"),
    (lambda: kvt.SimpleApp.OnInit(self=1), "OnInit() takes no keyword arguments"),
    (lambda: kvt.SimpleApp.__init__(), "__init__() takes exactly 2 positional arguments (0 given)"),
    (lambda: kvt.SimpleApp.__init__(1, title="x"), "__init__() takes exactly 2 positional arguments (1 given)"),
    (lambda: kvt.SimpleApp.__init__(1, 2, 3), "__init__() takes exactly 2 positional arguments (3 given)"),
]


@pytest.mark.parametrize("call, message", ARGUMENT_ERRORS, ids=[m for _, m in ARGUMENT_ERRORS])
def test_argument_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
    # Recorded at the def line of the callable.
    qualname = message.split("(")[0]
    qualname = "SimpleApp." + qualname if qualname in ("OnInit", "__init__") else qualname
    entry = entry_of(info.value, "kvt_wxtools." + qualname)
    assert (entry.filename, entry.lineno) == (SOURCE, _published(qualname).__code__.co_firstlineno)


@pytest.mark.parametrize("name", ["window_fit_layout", "run_wxapp"])
def test_keywords_must_be_strings(name):
    call = ctypes.pythonapi.PyObject_Call
    call.restype = ctypes.py_object
    call.argtypes = [ctypes.py_object] * 3
    with pytest.raises(TypeError) as info:
        call(getattr(kvt, name), (W(),), {1: 2})
    assert str(info.value) == "%s() keywords must be strings" % name


def test_parameters_may_all_be_given_by_keyword():
    w = RecordingWindow()
    assert kvt.window_fit_layout(maximize=1, center=0, window=w) is None
    assert w.calls == [("GetSizer",), ("Layout",), ("Fit", w), ("Maximize",)]


# --------------------------------------------------------------------------
# Errors raised by the bodies, and global look-ups

def test_errors_in_bodies_are_recorded_inside_the_function():
    with pytest.raises(AttributeError) as info:
        kvt.wx_datetime_2_py_datetime(object())
    entry = entry_of(info.value, "kvt_wxtools.wx_datetime_2_py_datetime")
    assert entry.filename == SOURCE and 24 <= entry.lineno < 28

    # Each failing statement has its own line, in source order; an exception
    # from called code passes through unchanged, with the callee's frame after ours.
    lines = []
    for step in ("GetSizer", "Layout", "Fit", "Centre", "Maximize"):
        with pytest.raises(ValueError) as info:
            kvt.window_fit_layout(RecordingWindow(fail=step), True, True)
        names = [e.name for e in traceback.extract_tb(info.value.__traceback__)]
        assert names[-3:] == ["kvt_wxtools.window_fit_layout", step, "_record"]
        lines.append(entry_of(info.value, "kvt_wxtools.window_fit_layout").lineno)
    assert lines == sorted(set(lines)) and 716 < lines[0] and lines[-1] < 726, lines


def test_globals_are_looked_up_at_each_use(monkeypatch):
    built = []
    monkeypatch.setattr(kvt, "datetime",
                        types.SimpleNamespace(datetime=lambda *args: built.append(args) or "built"))
    assert kvt.wx_datetime_2_py_datetime(wx.DateTime.FromDMY(3, 4, 2021, 5, 6, 7)) == "built"
    assert built == [(2021, 5, 3, 5, 6, 7)]

    monkeypatch.setattr(kvt, "_the_app", "running")
    assert kvt.app() == "running"
    monkeypatch.delattr(kvt, "_the_app")
    with pytest.raises(NameError, match=r"^name '_the_app' is not defined$"):
        kvt.app()
    monkeypatch.setattr(builtins, "_the_app", "from builtins", raising=False)
    assert kvt.app() == "from builtins"

    monkeypatch.delattr(kvt, "SimpleApp")
    with pytest.raises(NameError, match=r"^name 'SimpleApp' is not defined$") as info:
        kvt.run_wxapp(wx.Dialog)
    assert 752 < entry_of(info.value, "kvt_wxtools.run_wxapp").lineno < 786


def test_calls_release_their_arguments(monkeypatch):
    window, flag, keyword = RecordingWindow(), object(), object()
    broken = RecordingWindow(sizer=False)
    stamp = types.SimpleNamespace(year=int("2020"), month=11, day=31, hour=23, minute=59, second=58)
    watched = [window, flag, keyword, broken, stamp, stamp.year]
    before = [sys.getrefcount(o) for o in watched]

    monkeypatch.delattr(kvt, "SimpleApp")
    failing = [lambda: kvt.window_fit_layout(window, flag, flag, flag),
               lambda: kvt.window_fit_layout(window, bogus=keyword),
               lambda: kvt.window_fit_layout(window, window=keyword),
               lambda: kvt.wx_datetime_2_py_datetime(stamp, keyword),
               lambda: kvt.window_fit_layout(broken, flag),
               lambda: kvt.run_wxapp(window, parent=keyword, title=flag),
               lambda: kvt.app(keyword)]
    for _ in range(200):
        kvt.window_fit_layout(window, flag, flag)
        kvt.window_fit_layout(**{"window": window, "center": flag})
        kvt.wx_datetime_2_py_datetime(stamp)
        for call in failing:
            with pytest.raises((TypeError, AttributeError, NameError, ValueError)):
                call()
    window.calls.clear()
    broken.calls.clear()
    del failing, call
    gc.collect()
    assert [sys.getrefcount(o) for o in watched] == before

    ref = weakref.ref(window)
    window = watched = None
    gc.collect()
    assert ref() is None


# --------------------------------------------------------------------------
# Module creation, in fresh interpreters

def test_module_is_created_once_per_process():
    result = run_python("""
        import ctypes, importlib, importlib.util, types
        import kvt_wxtools as m
        first_function = m.window_fit_layout
        import kvt_wxtools as again
        checks = [again is m, importlib.util.module_from_spec(m.__spec__) is m]
        m.__spec__.loader.exec_module(m)
        checks += [importlib.reload(m) is m, m.window_fit_layout is first_function, m.__test__ == {}]
        get_def = ctypes.pythonapi.PyModule_GetDef
        get_def.restype = ctypes.c_void_p
        get_def.argtypes = [ctypes.py_object]
        try:
            ctypes.pythonapi.PyModule_ExecDef(ctypes.py_object(types.ModuleType("kvt_wxtools")),
                                              ctypes.c_void_p(get_def(m)))
            error = None
        except Exception as exc:
            error = [type(exc).__name__, str(exc)]
        report([checks, error])
    """)
    assert result.rc == 0, result
    assert result.data == [[True] * 5, [
        "RuntimeError", "Module 'kvt_wxtools' has already been imported. Re-initialisation is not supported."]]


@pytest.mark.skipif(sys.version_info < (3, 8), reason="no subinterpreter module before CPython 3.8")
def test_module_refuses_a_second_interpreter():
    result = run_python("""
        import sys
        import kvt_wxtools
        # From 3.12 on a new sub-interpreter is isolated by default, and Python
        # itself refuses the import before the module is asked; a legacy one
        # (shared GIL, as embedding programs make) reaches the module's check.
        try:
            import _interpreters as interpreters  # 3.13 and later
            sub = interpreters.create("legacy")
        except ImportError:
            import _xxsubinterpreters as interpreters
            sub = interpreters.create(isolated=False) if sys.version_info >= (3, 12) else interpreters.create()
        try:
            # Before 3.13 the sub-interpreter's error is raised here; from
            # 3.13 on it is returned as a description.
            failed = interpreters.run_string(sub, "import sys; sys.path[:0] = %r; import kvt_wxtools" % (sys.path[:2],))
            error = failed and "<class '%s'>: %s" % (failed.type.__name__, failed.msg)
        except Exception as exc:
            error = str(exc)
        interpreters.destroy(sub)
        report([error, kvt_wxtools.app() is None])
    """)
    assert result.rc == 0, result
    error, still_usable = result.data
    # The sub-interpreter's error comes back as text naming the exception class.
    assert re.fullmatch(r"<class 'ImportError'>: Interpreter change detected - "
                        r"this module can only be loaded into one interpreter per process\.", error), error
    assert still_usable


@pytest.mark.parametrize("blocked, line", [
    ("serial", 7), ("kvt_paratreeui", 9), ("kvt_paratree", 14), ("kvt_handy", 17)])
def test_missing_dependency_fails_the_whole_import(blocked, line):
    result = run_python("""
        import sys, traceback
        sys.modules[%r] = None
        try:
            import kvt_wxtools
            failure = None
        except ImportError as exc:
            failure = [[e.name, e.filename, e.lineno] for e in traceback.extract_tb(exc.__traceback__)
                       if e.name == "init kvt_wxtools"]
        left_behind = "kvt_wxtools" in sys.modules
        del sys.modules[%r]
        import kvt_wxtools
        report([failure, left_behind, kvt_wxtools.__test__, callable(kvt_wxtools.run_wxapp)])
    """ % (blocked, blocked))
    assert result.rc == 0, result
    assert result.data == [[["init kvt_wxtools", SOURCE, line]], False, {}, True]


def test_sibling_lacking_a_name_fails_the_import(tmp_path):
    (tmp_path / "kvt_handy.py").write_text("class FileSystemObserver:\n    pass\n")
    result = run_python("""
        import sys, traceback
        sys.path.insert(0, %r)
        try:
            import kvt_wxtools
        except ImportError as exc:
            report([str(exc), [e.lineno for e in traceback.extract_tb(exc.__traceback__)
                               if e.name == "init kvt_wxtools"], "kvt_wxtools" in sys.modules])
    """ % str(tmp_path))
    assert result.rc == 0, result
    assert result.data == ["cannot import name Progress", [17], False]


def test_import_issues_no_version_warning():
    result = run_python("import kvt_wxtools", options=["-W", "error::RuntimeWarning"])
    assert result.rc == 0, result


class _Slot(ctypes.Structure):
    _fields_ = [("slot", ctypes.c_int), ("value", ctypes.c_void_p)]


class _ModuleDef(ctypes.Structure):
    _fields_ = [("ob_refcnt", ctypes.c_ssize_t), ("ob_type", ctypes.c_void_p),
                ("m_init", ctypes.c_void_p), ("m_index", ctypes.c_ssize_t), ("m_copy", ctypes.c_void_p),
                ("m_name", ctypes.c_char_p), ("m_doc", ctypes.c_char_p), ("m_size", ctypes.c_ssize_t),
                ("m_methods", ctypes.POINTER(ctypes.c_void_p)), ("m_slots", ctypes.POINTER(_Slot)),
                ("m_traverse", ctypes.c_void_p), ("m_clear", ctypes.c_void_p), ("m_free", ctypes.c_void_p)]


def test_module_definition_and_exports():
    get_def = ctypes.pythonapi.PyModule_GetDef
    get_def.restype = ctypes.POINTER(_ModuleDef)
    get_def.argtypes = [ctypes.py_object]
    d = get_def(kvt).contents
    assert (d.m_name, d.m_doc, d.m_size) == (b"kvt_wxtools", None, 0)
    assert not d.m_methods or d.m_methods[0] is None  # no function table entries
    slots = []
    while d.m_slots[len(slots)].slot:
        slots.append(d.m_slots[len(slots)].slot)
    # Py_mod_create, Py_mod_exec, and from 3.12 on Py_mod_multiple_interpreters
    assert slots == [1, 2] + ([3] if sys.version_info >= (3, 12) else [])
    assert all((d.m_traverse, d.m_clear, d.m_free))  # the module owns the frame's state

    if shutil.which("nm"):
        out = subprocess.run(["nm", "-D", "-C", "--defined-only", kvt.__file__], stdout=subprocess.PIPE,
                             universal_newlines=True, check=True).stdout
        symbols = [line.split(None, 2)[1:] for line in out.splitlines()]
        strong = {name for kind, name in symbols if kind in "TDBR"}
        assert strong - {"_init", "_fini"} == {"PyInit_kvt_wxtools"}
        # Besides: only the standard library's own template instances and
        # the type information of built-in types, weak (the linker merges
        # them; no link flag of one platform hides them).  A function
        # instance may be named after its return type ("long& std::...").
        weak = [name for kind, name in symbols if kind not in "TDBRA"]
        standard = re.compile(r"((typeinfo (name )?|vtable |VTT )for |[^(]*?[\s&*])?(std|__gnu_cxx)::")
        built_in = re.compile(r"typeinfo (name )?for ((un)?signed )?(char|wchar_t|char16_t|char32_t|bool|short|int"
                              r"|long|long long|float|double)( const)?( ?\*| \[\d+\])?$")
        assert all(standard.match(name) or built_in.match(name) for name in weak), weak
