"""The project builds as a wheel that installs and imports on its own."""
import importlib.util
import os
import subprocess
import zipfile

import pytest

from harness import PYTHON, REPO_ROOT

# Each sibling installs as a package of its own name that carries py.typed.
SIBLINGS = {"kvt_paratree", "kvt_paratreeui", "kvt_handy"}
PACKAGE = {"kvt_paratree/model.py", "kvt_paratree/store.py"}


def _run(cmd, **kwargs):
    env = dict(os.environ)
    env.pop("PYTHONPATH", None)
    proc = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=900, **kwargs)
    assert proc.returncode == 0, "%s\n--- stdout ---\n%s\n--- stderr ---\n%s" % (
        " ".join(cmd), proc.stdout[-4000:], proc.stderr[-4000:])
    return proc


@pytest.mark.slow
@pytest.mark.skipif(importlib.util.find_spec("mesonpy") is None,
                    reason="no meson-python on this system (Debian 11 has none)")
def test_wheel_installs_and_imports_without_the_source_tree(tmp_path):
    wheels = tmp_path / "wheels"
    _run([PYTHON, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "--no-index",
          "-w", str(wheels), REPO_ROOT])
    built = list(wheels.glob("kvt_wxtools-*.whl"))
    assert len(built) == 1, built
    with zipfile.ZipFile(built[0]) as wheel:
        names = set(wheel.namelist())
        top_level = {name for name in names if "/" not in name}
        # The type stub ships twice from one file: beside the extension and
        # as the stub-only package that mypy finds in site-packages.
        assert wheel.read("kvt_wxtools.pyi") == wheel.read("kvt_wxtools-stubs/__init__.pyi")
        with open(os.path.join(REPO_ROOT, "kvt_wxtools.pyi"), "rb") as f:
            assert wheel.read("kvt_wxtools.pyi") == f.read()
    for sibling in SIBLINGS:
        assert {sibling + "/__init__.py", sibling + "/py.typed"} <= names, sibling
    assert PACKAGE <= names
    assert {"kvt_wxtools.pyi", "kvt_wxtools-stubs/__init__.pyi", "kvt_wxtools-stubs/py.typed"} <= names
    extensions = [n for n in top_level if n.startswith("kvt_wxtools.") and n.endswith(".so")]
    assert len(extensions) == 1, top_level

    venv = tmp_path / "venv"
    _run([PYTHON, "-m", "venv", "--system-site-packages", str(venv)])
    venv_python = str(venv / "bin" / "python")
    _run([venv_python, "-m", "pip", "install", "--no-deps", "--no-index", str(built[0])])

    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    proc = _run([venv_python, "-c",
                 "import kvt_wxtools, kvt_handy; "
                 "print(kvt_wxtools.__file__); print(kvt_handy.__file__); "
                 "print(callable(kvt_wxtools.run_wxapp), kvt_wxtools.__test__)"],
                cwd=str(elsewhere))
    module_file, sibling_file, check = proc.stdout.splitlines()[-3:]
    site = str(venv)
    assert module_file.startswith(site) and sibling_file.startswith(site), proc.stdout
    assert check == "True {}"
    _check_command_and_catalogs(venv, built[0], elsewhere)

    # mypy, run by the installed interpreter, reads the installed stub: a
    # misuse of the API is an error, a correct use passes.
    (elsewhere / "misuse.py").write_text(
        "from kvt_wxtools import MB, window_fit_layout\n"
        "MB.Error(1)\n"
        "window_fit_layout(None, centre=True)\n"
        "answer: str = MB.Confirm('Sure?')\n")
    (elsewhere / "use.py").write_text(
        "from kvt_wxtools import MB\n"
        "count: int | None = MB.Input('How many?', int)\n"
        "name: str | None = MB.Input('Name?', title='Name')\n")
    mypy = [venv_python, "-m", "mypy", "--no-incremental", "--no-error-summary"]
    proc = subprocess.run(mypy + ["misuse.py"], capture_output=True, text=True, cwd=str(elsewhere),
                          timeout=300)
    assert proc.returncode == 1, proc.stdout + proc.stderr
    errors = [line for line in proc.stdout.splitlines() if ": error:" in line]
    assert [line.split(":")[1] for line in errors] == ["2", "3", "4"], proc.stdout
    assert 'Argument 1 to "Error" of "MB" has incompatible type "int"; expected "str"' in errors[0]
    assert 'Unexpected keyword argument "centre" for "window_fit_layout"' in errors[1]
    assert 'expression has type "int", variable has type "str"' in errors[2]
    assert "kvt_wxtools-stubs" in proc.stdout  # the "defined here" note names the installed stub
    _run(mypy + ["use.py"], cwd=str(elsewhere))

    # The siblings are typed too: mypy finds their installed packages' own
    # annotations, so with only wx left without type information a strict
    # check of a program that uses them passes, and misuse is reported.
    (elsewhere / "mypy.ini").write_text("[mypy]\nstrict = True\n[mypy-wx,wx.*]\nignore_missing_imports = True\n")
    (elsewhere / "siblings.py").write_text(
        "from kvt_handy import Progress\n"
        "from kvt_paratree import ParameterDirectory\n"
        "from kvt_paratreeui import CopyDialog\n"
        "from kvt_wxtools import ComboList, ParameterTreeEditorPanel\n"
        "progress = Progress('Copy', subtotal=3)\n"
        "done: bool = progress.advance()\n"
        "def show(panel: ParameterTreeEditorPanel, tree: ParameterDirectory) -> None: ...\n"
        "names: ComboList[Progress] = ComboList(None, lambda p: p.name)\n"
        "Progress('Copy', subtotal='3')\n"
        "CopyDialog(None, 'extra')\n")
    proc = subprocess.run(mypy + ["siblings.py"], capture_output=True, text=True,
                          cwd=str(elsewhere), timeout=300)
    errors = [line for line in proc.stdout.splitlines() if ": error:" in line]
    assert [line.split(":")[1] for line in errors] == ["9", "10"], proc.stdout
    assert 'Argument "subtotal" to "Progress" has incompatible type "str"; expected "int"' in errors[0]
    assert 'Too many arguments for "CopyDialog"' in errors[1]

def _check_command_and_catalogs(venv, wheel_path, elsewhere):
    """The wheel carries both compiled catalogs and the editor command; once
    installed, the command runs (here without a display: one line, status 1)
    and the catalogs are found beside the installed module."""
    with zipfile.ZipFile(wheel_path) as wheel:
        names = set(wheel.namelist())
        entry_points = next(wheel.read(n).decode() for n in names if n.endswith("entry_points.txt"))
    assert {"kvt_wxtools_locale/en/LC_MESSAGES/kvt_wxtools.mo",
            "kvt_wxtools_locale/zh_CN/LC_MESSAGES/kvt_wxtools.mo",
            "kvt_paraedit/__init__.py", "kvt_paraedit/__main__.py"} <= names
    assert "kvt-paraedit = kvt_paraedit:main" in entry_points
    env = dict(os.environ)
    env.pop("PYTHONPATH", None)
    env.pop("DISPLAY", None)
    command = subprocess.run([str(venv / "bin" / "kvt-paraedit")], capture_output=True, text=True,
                             env=env, cwd=str(elsewhere), timeout=60)
    assert command.returncode == 1 and command.stderr.startswith("kvt-paraedit: no display"), command
    proc = _run([str(venv / "bin" / "python"), "-c",
                 "import os, kvt_handy; print(sorted(os.listdir(kvt_handy.catalog_folder())))"],
                cwd=str(elsewhere))
    assert proc.stdout.split("\n")[-2] == "['en', 'zh_CN']"
