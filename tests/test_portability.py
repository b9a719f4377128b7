"""The frame under conditions other than a plain import on one interpreter:
a comma-decimal C locale, function objects cleared by the collector, a
traceback entry that cannot be made, and an embedding program that
finalizes and re-initializes Python."""
import os
import shutil
import subprocess
import sys
import sysconfig

import pytest

import kvt_wxtools as kvt
from harness import BUILD_DIR, run_python


@pytest.fixture(scope="session")
def comma_locale(tmp_path_factory):
    """A directory holding de_DE.UTF-8 (decimal comma), for LOCPATH."""
    if not shutil.which("localedef"):
        pytest.skip("localedef not installed (Debian package locales)")
    path = tmp_path_factory.mktemp("locales")
    subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8", str(path / "de_DE.UTF-8")],
                   check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # localedef may leave a directory the C library then refuses (no locale
    # sources installed, or another glibc's layout): use it only if it loads.
    probe = subprocess.run([sys.executable, "-c", "import locale; locale.setlocale(locale.LC_ALL, 'de_DE.UTF-8')"],
                           env=dict(os.environ, LOCPATH=str(path)), stderr=subprocess.PIPE)
    if probe.returncode != 0:
        pytest.skip("no comma-decimal locale could be made here: %s" % probe.stderr.decode(errors="replace")[-200:])
    return str(path)


def test_decimal_defaults_ignore_the_c_locale(comma_locale):
    result = run_python("""
        import locale
        locale.setlocale(locale.LC_ALL, "de_DE.UTF-8")
        point = locale.localeconv()["decimal_point"]
        import kvt_wxtools as kvt
        report([point, kvt.AutoCloseMessageBox.CheckInterval, kvt.ProgressDialog.__init__.__defaults__])
    """, env=dict(os.environ, LOCPATH=comma_locale))
    assert result.rc == 0, result
    assert result.data == [",", kvt.AutoCloseMessageBox.CheckInterval, list(kvt.ProgressDialog.__init__.__defaults__)]
    assert kvt.AutoCloseMessageBox.CheckInterval == 0.1


def test_function_cleared_by_the_collector_stays_usable():
    # tp_clear is what the collector calls on a function inside a garbage
    # cycle; a weakref callback may still reach the function afterwards.
    result = run_python("""
        import ctypes, inspect
        import kvt_wxtools as kvt
        f = kvt.window_fit_layout
        before = [f.__name__, f.__qualname__, f.__defaults__]
        get_slot = ctypes.pythonapi.PyType_GetSlot
        get_slot.restype = ctypes.c_void_p
        get_slot.argtypes = [ctypes.py_object, ctypes.c_int]
        clear = ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(get_slot(type(f), 51))  # Py_tp_clear
        assert clear(f) == 0
        try:
            f(None)
            error = None
        except TypeError as exc:
            error = str(exc)
        report([before, [f.__name__, f.__qualname__, f.__defaults__, f.__annotations__, repr(f).split(" at ")[0]],
                error, f.__code__, f.__globals__])
    """)
    assert result.rc == 0, result
    before, after, error, code, globals_ = result.data
    assert before == ["window_fit_layout", "window_fit_layout", [True, False]]
    assert after == ["window_fit_layout", "window_fit_layout", None, {}, "<function window_fit_layout"]
    assert error == "window_fit_layout() missing 1 required positional argument: 'center'"
    assert code is None and globals_ is None


def test_failed_traceback_entry_keeps_the_original_error():
    # Each run makes one allocation fail, counted from the call on; whichever
    # step it hits, the error that leaves is never the traceback entry's own
    # MemoryError with the original error hidden in its context.
    result = run_python("""
        import _testcapi
        import kvt_wxtools as kvt
        def attempt(n):
            _testcapi.set_nomemory(n, n + 1)
            try:
                kvt.window_fit_layout(None)
            except BaseException as exc:
                _testcapi.remove_mem_hooks()
                return exc
            finally:
                _testcapi.remove_mem_hooks()
        seen = [type(attempt(10**9)).__name__]  # the error without any fault
        for n in range(60):
            exc = attempt(n)
            context = type(exc.__context__).__name__ if exc.__context__ is not None else None
            names = []
            tb = exc.__traceback__
            while tb is not None:
                names.append(tb.tb_frame.f_code.co_name)
                tb = tb.tb_next
            seen.append([type(exc).__name__, context, names])
        report(seen)
    """)
    assert result.rc == 0, result
    original, runs = result.data[0], result.data[1:]
    # (When the snippet's own entry fails, the interpreter itself chains: no
    # entries at all.)
    assert ["MemoryError", original, ["attempt"]] not in runs
    # Some run lost only the module's entry, and the error itself went on.
    assert [original, None, ["attempt"]] in runs
    assert [original, None, ["attempt", "kvt_wxtools.window_fit_layout"]] in runs


_EMBED = r"""
#include <Python.h>
int main(int argc, char** argv) {
    for (int round = 0; round < 2 && argc > 1; ++round) {
        Py_Initialize();
        if (PyRun_SimpleString(argv[1]) != 0) return 3;
        if (Py_FinalizeEx() < 0) return 4;
    }
    return 0;
}
"""

# The toolkit and the siblings as stand-ins: the toolkit itself can't be
# imported again in a process once an interpreter has ended.
_ROUND = """
import sys, types
class _StandIn(types.ModuleType):
    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        cls = type(name, (), {"__init__": lambda self, *a, **k: None, "__module__": self.__name__})
        setattr(self, name, cls)
        return cls
for name in ("wx", "wx.adv", "wx.grid", "wx.lib", "wx.lib.embeddedimage", "serial", "serial.tools",
             "serial.tools.list_ports", "kvt_paratreeui", "kvt_paratree", "kvt_handy"):
    sys.modules[name] = _StandIn(name)
sys.path[:0] = [%r]
import kvt_wxtools as kvt
try:
    kvt.window_fit_layout(None)
except TypeError as exc:
    entry = exc.__traceback__.tb_next.tb_frame.f_code.co_name
print("ROUND", kvt.run_wxapp.__qualname__, kvt.wx.__name__, kvt.MB.__name__,
      kvt.window_fit_layout.__defaults__, entry, flush=True)
"""


def test_embedding_program_can_finalize_and_initialize_again(tmp_path):
    config = os.path.realpath(sysconfig.get_config_var("BINDIR") + "/python3-config")
    if not os.path.exists(config) or not shutil.which("cc"):
        pytest.skip("needs python3-config (python3-dev) and a C compiler")
    flags = subprocess.run([config, "--embed", "--cflags", "--ldflags"], capture_output=True, text=True,
                           check=True).stdout.split()
    (tmp_path / "embed.c").write_text(_EMBED)
    subprocess.run(["cc", str(tmp_path / "embed.c"), "-o", str(tmp_path / "embed"), *flags], check=True)
    proc = subprocess.run([str(tmp_path / "embed"), _ROUND % os.path.abspath(BUILD_DIR)],
                          capture_output=True, text=True, timeout=60)
    assert proc.returncode == 0, proc.stderr
    line = "ROUND run_wxapp wx MB (True, False) kvt_wxtools.window_fit_layout"
    assert proc.stdout.splitlines() == [line, line]


def test_freed_module_releases_its_state_and_imports_afresh():
    # The module owns what the frame keeps (the function type among it).  A
    # function left over keeps its module alive, as a built-in function does:
    # it still works, and importing again gives that same module; once the
    # last of them goes, the module is freed with its state, and a new import
    # starts afresh.
    result = run_python("""
        import gc, sys, weakref
        import kvt_wxtools as kvt
        function_type, module, cls = weakref.ref(type(kvt.app)), weakref.ref(kvt), weakref.ref(kvt.MB)
        left_over = kvt.app
        del kvt, sys.modules["kvt_wxtools"]
        gc.collect()
        kept = [module() is not None, left_over(), left_over.__name__]
        import kvt_wxtools as again
        kept.append(again is module())
        del again, sys.modules["kvt_wxtools"], left_over
        gc.collect()
        freed = [module() is None, cls() is None, function_type() is None]
        import kvt_wxtools as kvt
        report([kept, freed, kvt.app(), kvt.window_fit_layout.__defaults__, type(kvt.app) is not function_type()])
    """)
    assert result.rc == 0, result
    assert result.data == [[True, None, "app", True], [True] * 3, None, [True, False], True]
