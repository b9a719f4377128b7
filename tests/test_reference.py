"""The HTML reference: every public name has a docstring (in the type stub for
the extension module, in the source for the siblings), and the reference
builds from them without a warning, with a place for every name."""
import ast
import inspect
import os
import re
import subprocess

import pytest

from harness import PYTHON, REPO_ROOT

import kvt_handy
import kvt_paratree
import kvt_paratreeui

STUB = os.path.join(REPO_ROOT, "kvt_wxtools.pyi")
SOURCES = os.path.join(REPO_ROOT, "docs", "reference")


def _public(name):
    return not name.startswith("_") or name == "__init__"


def _has_docstring(body, index):
    """Whether the statement at `index` of a class body is documented: a
    definition by its own docstring, an attribute by the string below it."""
    node = body[index]
    if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
        return ast.get_docstring(node) is not None
    following = body[index + 1] if index + 1 < len(body) else None
    return (isinstance(following, ast.Expr) and isinstance(following.value, ast.Constant)
            and isinstance(following.value.value, str))


def stub_names():
    """(qualified name, documented) for each public name the stub declares;
    an overloaded name is documented by its first declaration."""
    with open(STUB, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    found = {}

    def walk(body, prefix):
        for index, node in enumerate(body):
            if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
                name = node.name
            elif isinstance(node, ast.AnnAssign) and prefix:
                name = node.target.id
            else:
                continue
            if _public(name):
                found.setdefault(prefix + name, _has_docstring(body, index))
            if isinstance(node, ast.ClassDef) and _public(name):
                walk(node.body, prefix + name + ".")
    walk(tree.body, "")
    return found


def test_every_public_name_of_the_stub_has_a_docstring():
    names = stub_names()
    assert {"ComboList.GetSelection", "DatePicker.Convert", "MB.Input", "RowGrid.objects",
            "MultipleInputDialog.fields", "run_wxapp"} <= set(names)
    assert [name for name, documented in names.items() if not documented] == []


def sibling_members(module):
    """(qualified name, object) for the public classes, functions, methods and
    properties of a sibling module.  The handlers of kvt_paratreeui's base
    windows are left out: they only pass the event on, and each class's
    docstring says so."""
    # A package names its public names in __all__ (they live in its
    # submodules); a module's are those it defines itself.
    public = getattr(module, "__all__", None)
    for name, value in vars(module).items():
        if name.startswith("_") or (name not in public if public is not None else
                                    getattr(value, "__module__", None) != module.__name__):
            continue
        if not (inspect.isclass(value) or inspect.isfunction(value)):
            continue
        yield module.__name__ + "." + name, value
        if not inspect.isclass(value):
            continue
        for member, attribute in vars(value).items():
            if not _public(member) or member == "__init__":
                continue
            if module is kvt_paratreeui and member.startswith("on_"):
                continue
            function = attribute.fget if isinstance(attribute, property) else \
                getattr(attribute, "__func__", attribute)
            if inspect.isfunction(function) or inspect.isclass(function):
                yield module.__name__ + "." + name + "." + member, function


@pytest.mark.parametrize("module, known", [
    (kvt_handy, "kvt_handy.Progress.advance"),
    (kvt_paratreeui, "kvt_paratreeui.CopyDialog"),
    (kvt_paratree, "kvt_paratree.ParameterDirectory.load"),
], ids=lambda value: getattr(value, "__name__", ""))
def test_every_public_name_of_the_siblings_has_a_docstring(module, known):
    members = dict(sibling_members(module))
    assert known in members
    assert [name for name, value in members.items() if not value.__doc__] == []


@pytest.fixture(scope="module")
def built_reference(tmp_path_factory):
    out = tmp_path_factory.mktemp("reference")
    proc = subprocess.run([PYTHON, "-m", "sphinx", "-W", "--keep-going", "-q", "-b", "html",
                           "-d", str(out / "doctrees"), SOURCES, str(out / "html")],
                          capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    return out / "html"


def test_the_reference_builds_without_warnings_and_places_every_stub_name(built_reference):
    html = (built_reference / "kvt_wxtools.html").read_text(encoding="utf-8")
    missing = [name for name in stub_names() if not name.endswith("__init__")
               and 'id="kvt_wxtools.%s"' % name not in html]
    assert missing == []
    # The stub's docstrings, not the module's own (None for nearly every name).
    assert "Keeps the list" in html and "Converts either way between" in html
    # Both overloads of Convert, read from the stub's source.
    assert html.count('id="kvt_wxtools.DatePicker.Convert"') == 1
    # (Sphinx before 4 writes the name in a <code> element, later ones in spans.)
    assert len(re.findall(r'Convert</(?:span></span|code)><span class="sig-paren">\(', html)) == 2


def test_the_reference_holds_the_siblings_and_the_readme_examples(built_reference):
    for page, name in [("kvt_handy", "kvt_handy.Progress.advance"),
                       ("kvt_paratree", "kvt_paratree.ParameterDirectory"),
                       ("kvt_paratreeui", "kvt_paratreeui.ParameterTreeEditorPanel")]:
        assert 'id="%s"' % name in (built_reference / (page + ".html")).read_text(encoding="utf-8")
    guide = (built_reference / "guide.html").read_text(encoding="utf-8")
    # An example from the README's Dialogs section and one from its editor section.
    assert "Invalid input format." in guide
    assert "ParameterTreeDialog" in guide and "ParameterEditorDialog" in guide
