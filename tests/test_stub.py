"""The type stub kvt_wxtools.pyi describes the built module exactly: mypy's
stubtest compares every published name and signature (parameter names,
kinds, order and defaults) with the module at run time."""
import ast
import os
import subprocess

import pytest

from harness import IMPORT_PATHS, PYTHON, REPO_ROOT, TESTS_DIR

import kvt_wxtools

STUB = os.path.join(REPO_ROOT, "kvt_wxtools.pyi")
ALLOWLIST = os.path.join(TESTS_DIR, "stubtest_allowlist.txt")

# wx and the sibling modules carry no type information mypy reads; in the
# stub they are Any, as they are for a caller's own type check.
MYPY_CONFIG = """\
[mypy]
[mypy-wx,wx.*,kvt_paratree,kvt_paratreeui,kvt_handy]
ignore_missing_imports = True
"""


def run_stubtest(tmp_path, stub_text):
    """Runs stubtest on `stub_text` against the built module; returns
    (exit code, the reported error lines)."""
    stub_dir = tmp_path / "stub"
    stub_dir.mkdir()
    (stub_dir / "kvt_wxtools.pyi").write_text(stub_text, encoding="utf-8")
    config = tmp_path / "mypy.ini"
    config.write_text(MYPY_CONFIG)
    env = dict(os.environ, MYPYPATH=str(stub_dir), PYTHONPATH=os.pathsep.join(IMPORT_PATHS))
    proc = subprocess.run(
        [PYTHON, "-m", "mypy.stubtest", "kvt_wxtools", "--concise", "--allowlist", ALLOWLIST,
         "--mypy-config-file", str(config)],
        capture_output=True, text=True, env=env, cwd=str(tmp_path), timeout=120)
    lines = [line for line in proc.stdout.splitlines() if line.strip()]
    return proc.returncode, lines, proc.stderr


def read_stub():
    with open(STUB, encoding="utf-8") as f:
        return f.read()


def test_stubtest_finds_nothing(tmp_path):
    code, lines, stderr = run_stubtest(tmp_path, read_stub())
    assert code == 0 and not lines, "\n".join(lines) + stderr


@pytest.mark.parametrize("old, new, reported", [
    # A wrong default.
    ('false: str = "No"', 'false: str = "no"',
     "kvt_wxtools.TrueOrFalseDialog.__init__ is inconsistent, runtime argument \"false\" has a "
     "default value of 'No', which is different from stub argument default 'no'"),
    # A missing parameter.
    ("def GetInputString(self, strip: bool = True)", "def GetInputString(self)",
     'kvt_wxtools.SimpleInputDialog.GetInputString is inconsistent, stub does not have argument "strip"'),
    # Two parameters in the wrong order.
    ("def Insert(self, item: _T, index: int, bg: Any = None)",
     "def Insert(self, index: int, item: _T, bg: Any = None)",
     'kvt_wxtools.RowGrid.Insert is inconsistent, stub argument "index" differs from runtime argument "item"'),
    # A parameter that only the stub has.
    ("def _simple_get_info(obj: _T)", "def _simple_get_info(obj: _T, other: int = 0)",
     'kvt_wxtools._simple_get_info is inconsistent, runtime does not have argument "other"'),
])
def test_stubtest_reports_a_stub_that_differs(tmp_path, old, new, reported):
    text = read_stub()
    assert text.count(old) == 1
    code, lines, _ = run_stubtest(tmp_path, text.replace(old, new))
    assert code != 0 and reported in lines, lines


def _expression_name(node):
    """'wx.Dialog' for the expression node of a base written as a dotted name;
    a subscripted base (`ComboList[str]`) is named by the class it subscripts."""
    if isinstance(node, ast.Name):
        return node.id
    if isinstance(node, ast.Subscript):
        return _expression_name(node.value)
    return _expression_name(node.value) + "." + node.attr


def test_every_published_class_and_function_is_in_the_stub_with_its_bases():
    # The allowlist spares the class objects derived from wx classes; their
    # presence and bases are checked here instead.
    tree = ast.parse(read_stub())
    aliases = {}
    for node in tree.body:
        if isinstance(node, ast.ImportFrom):
            for name in node.names:
                aliases[name.asname or name.name] = node.module + "." + name.name
    # `Generic[_T]` makes a class generic for the type checker only; it is
    # not a base at run time.
    stub_classes = {node.name: [_expression_name(b) for b in node.bases if _expression_name(b) != "Generic"]
                    for node in tree.body if isinstance(node, ast.ClassDef)}
    stub_functions = {node.name for node in tree.body if isinstance(node, ast.FunctionDef)}

    published_classes, published_functions = {}, set()
    for name, value in vars(kvt_wxtools).items():
        if getattr(value, "__module__", None) != "kvt_wxtools":
            continue
        if isinstance(value, type):
            published_classes[name] = value
        elif callable(value):
            published_functions.add(name)
    assert published_functions == stub_functions
    assert set(published_classes) == set(stub_classes)
    for name, cls in published_classes.items():
        runtime_bases = []
        for base in cls.__bases__:
            if base is object:
                continue
            if base.__module__ == "kvt_wxtools":
                runtime_bases.append(base.__qualname__)
            elif base.__module__.startswith("wx."):
                runtime_bases.append("wx." + base.__qualname__)
            else:
                runtime_bases.append(base.__module__ + "." + base.__qualname__)
        written = [aliases.get(b, b) for b in stub_classes[name]]
        assert written == runtime_bases, name
