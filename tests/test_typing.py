"""Type information as a user's type checker sees it: the siblings pass
`mypy --strict`, and a program using the module and the siblings gets the
object types of its ComboList and RowGrid, both directions of
DatePicker.Convert, and an error for each misuse."""
import os
import re
import subprocess

import pytest

from harness import PYTHON, REPO_ROOT

# wx has no type information that mypy reads, nor has watchdog before its
# release 2 (Debian 11's); nothing else is ignored.  The module and the
# siblings are read from the repository here, so their own errors are kept
# quiet in a user's check, as they are when installed.
CONFIG = """\
[mypy]
strict = True
[mypy-wx,wx.*,watchdog,watchdog.*]
ignore_missing_imports = True
"""
QUIET_SOURCES = """\
[mypy-kvt_wxtools,kvt_paratree,kvt_paratreeui,kvt_handy]
follow_imports = silent
"""

# A stand-in for typed wx: one real class, DateTime, everything else Any.
# It shows the overloads of DatePicker.Convert as they work where wx's types
# are known.
TYPED_WX = """\
from typing import Any
class DateTime:
    @staticmethod
    def Today() -> DateTime: ...
def __getattr__(name: str) -> Any: ...
"""

USER_PROGRAM = """\
import datetime
from typing import Any, Sequence

import wx
from kvt_handy import Progress
from kvt_paratreeui import CopyDialog
from kvt_wxtools import COMPortList, ComboList, DatePicker, RowGrid


class Person:
    name = "Ann"


box: Any = None
people: ComboList[Person] = ComboList(box, lambda p: p.name)
reveal_type(people.GetSelection())
reveal_type(people.GetSelections())
reveal_type(ComboList(box).GetObject(0))
reveal_type(COMPortList(box).GetSelection())
parts: RowGrid[Person] = RowGrid(box, lambda p: (p.name, 1))
reveal_type(parts.objects)
reveal_type(RowGrid(box).GetSelection())
reveal_type(DatePicker.Convert(datetime.date(2021, 3, 15)))
reveal_type(DatePicker.Convert(wx.DateTime.Today()))
reveal_type(Progress("Copy", subtotal=3).snapshot())
people.Append("Bob")
Progress("Copy", subtotal="3")
CopyDialog(None, "extra")
"""


def run_mypy(tmp_path, *args, mypy_path="", config=CONFIG):
    (tmp_path / "mypy.ini").write_text(config)
    env = dict(os.environ, MYPYPATH=mypy_path)
    env.pop("PYTHONPATH", None)
    proc = subprocess.run([PYTHON, "-m", "mypy", "--config-file", str(tmp_path / "mypy.ini"),
                           "--cache-dir", str(tmp_path / "cache"), "--no-error-summary", *args],
                          capture_output=True, text=True, cwd=str(tmp_path), env=env, timeout=300)
    return proc


def revealed_type(line):
    """The type a reveal_type note shows, in one spelling for every mypy:
    before 0.9 types were quoted with ' and inferred ones marked with *, and
    from 1.5 on tuples are written in lower case."""
    text = re.sub(r".*Revealed type is ", "", line)
    text = re.sub(r"^'(.*)'$", r'"\1"', text).replace("*", "")
    return re.sub(r"\btuple\[", "Tuple[", text)


@pytest.mark.parametrize("sibling", ["kvt_handy.py", "kvt_paratreeui.py",
                                     "kvt_paratree"])
def test_the_siblings_pass_mypy_strict(tmp_path, sibling):
    proc = run_mypy(tmp_path, os.path.join(REPO_ROOT, sibling))
    assert proc.returncode == 0, proc.stdout + proc.stderr


def test_a_program_sees_its_object_types_and_misuse_is_reported(tmp_path):
    typed_wx = tmp_path / "typed_wx" / "wx"
    typed_wx.mkdir(parents=True)
    (typed_wx / "__init__.pyi").write_text(TYPED_WX)
    (tmp_path / "user.py").write_text(USER_PROGRAM)
    proc = run_mypy(tmp_path, "user.py", mypy_path=os.pathsep.join([REPO_ROOT, str(typed_wx.parent)]),
                    config=CONFIG + QUIET_SOURCES)
    lines = [line for line in proc.stdout.splitlines() if line.startswith("user.py:")]
    revealed = [revealed_type(line) for line in lines if "Revealed type" in line]
    assert revealed == [
        '"Union[user.Person, None]"',
        '"builtins.list[user.Person]"',
        '"Union[builtins.str, None]"',
        '"Union[builtins.str, None]"',
        '"builtins.list[user.Person]"',
        '"Union[typing.Sequence[Any], None]"',
        '"wx.DateTime"',
        '"datetime.date"',
        '"Tuple[builtins.str, builtins.int, builtins.int, kvt_handy.Progress.Status]"',
    ], proc.stdout
    errors = [line for line in lines if ": error:" in line]
    assert [int(line.split(":")[1]) for line in errors] == [26, 27, 28], proc.stdout
    assert 'Argument 1 to "Append" of "ComboList" has incompatible type "str"; expected "Person"' in errors[0]
    assert 'Argument "subtotal" to "Progress" has incompatible type "str"; expected "int"' in errors[1]
    assert 'Too many arguments for "CopyDialog"' in errors[2]


def test_misuse_of_the_model_is_reported(tmp_path):
    (tmp_path / "model_user.py").write_text(
        "from kvt_paratree import Parameter, ParameterDirectory\n"
        "tree = ParameterDirectory.load('/tmp/tree')\n"
        "description: str = Parameter().description\n"
        "ParameterDirectory.load(42)\n")
    proc = run_mypy(tmp_path, "model_user.py", mypy_path=REPO_ROOT, config=CONFIG + QUIET_SOURCES)
    errors = [line for line in proc.stdout.splitlines() if ": error:" in line]
    assert len(errors) == 1 and errors[0].startswith("model_user.py:4:"), proc.stdout
    assert 'Argument 1 to "load" of "ParameterDirectory" has incompatible type "int"' in errors[0]
