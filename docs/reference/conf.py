"""Sphinx configuration of the HTML reference.

The extension module's run-time docstrings are fixed, so its reference is
built from the type stub kvt_wxtools.pyi instead: the stub is loaded as the
module `kvt_wxtools` (its annotations kept as text, never evaluated) before
autodoc looks at it.  The sibling modules are documented from their own
source.  `readme_sections` brings the README's sections, with their examples,
into the reference.
"""
import __future__
import importlib.machinery
import importlib.util
import os
import sys
import typing

import sphinx

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [ROOT, os.path.join(HERE, "_ext")]
sys.dont_write_bytecode = True


class _StubLoader(importlib.machinery.SourceFileLoader):
    """Runs a stub as a module: annotations stay text (they name classes
    before they exist and generic aliases that only a type checker knows)."""

    def source_to_code(self, data, path, *, _optimize=-1):
        return compile(data, path, "exec", dont_inherit=True,
                       flags=__future__.annotations.compiler_flag)


def _first_overload_kept():
    """A stand-in for typing.overload while the stub runs: every definition of
    an overloaded name gives back the first one, which carries the docstring
    (at run time typing.overload would leave a placeholder without it).
    autodoc reads the signatures of all the overloads from the source."""
    first = {}

    def overload(func):
        inner = getattr(func, "__func__", func)
        return first.setdefault(inner.__qualname__, func)
    return overload


def _load_stub(name, path):
    loader = _StubLoader(name, path)
    spec = importlib.util.spec_from_file_location(name, path, loader=loader)
    module = importlib.util.module_from_spec(spec)
    sys.modules[name] = module
    real_overload = typing.overload
    typing.overload = _first_overload_kept()
    try:
        loader.exec_module(module)
    finally:
        typing.overload = real_overload
    # Without `wx` in the module's namespace the annotations that name wx
    # classes cannot be evaluated, so autodoc shows them as the stub writes
    # them (`wx.Window`, not `wx._core.Window`, where wx defines it).
    del module.wx


_load_stub("kvt_wxtools", os.path.join(ROOT, "kvt_wxtools.pyi"))

project = "kvt_wxtools"
author = "the kvt_wxtools developers"
copyright = "the kvt_wxtools developers"
extensions = ["sphinx.ext.autodoc", "readme_sections"]
exclude_patterns = ["_build"]
html_theme = "alabaster"
# The docstrings write names of parameters, attributes and values in single
# back-quotes, as the sources' comments do: shown as code.
default_role = "literal"
# Quotes stay as written: `""` in a docstring is the empty string.
smartquotes = False
html_static_path = []

autoclass_content = "both"
autodoc_member_order = "bysource"
autodoc_preserve_defaults = True
autodoc_typehints_format = "short"
autodoc_default_options = {"members": True, "show-inheritance": True}
readme_path = os.path.join(ROOT, "README.md")


def _skip_type_only_bases(app, name, obj, options, bases):
    """`Generic[_T]` is a base for the type checker only: at run time these
    classes derive from object alone."""
    bases[:] = [b for b in bases if getattr(b, "__origin__", b) is not typing.Generic] or [object]


def setup(app):
    # Sphinx before 4.1 has no such event; its pages then show Generic[_T]
    # among the bases.
    if sphinx.version_info >= (4, 1):
        app.connect("autodoc-process-bases", _skip_type_only_bases)
