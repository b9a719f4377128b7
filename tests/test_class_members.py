"""Every kind of class member the class builder makes, on a test-only build
of the module (tests/native) that adds one probe class whose two bases the
test picks through the built-ins kvt_probe_a and kvt_probe_b."""
import os
import textwrap

from harness import BUILD_DIR, run_python

PROBE_SETUP = "import builtins, sys, traceback\nsys.path.insert(0, %r)\n" % os.path.join(
    BUILD_DIR, "tests", "native")


def run_probe(code):
    result = run_python(PROBE_SETUP + textwrap.dedent(code))
    return result.data


def test_attributes_static_methods_properties_and_private_members():
    data = run_probe("""
        class A: pass
        class B: pass
        builtins.kvt_probe_a, builtins.kvt_probe_b = A, B
        import kvt_wxtools
        P = kvt_wxtools._Probe
        p = P()
        def error(call):
            try:
                call()
            except Exception as e:
                last = traceback.extract_tb(e.__traceback__)[-1]
                return [type(e).__name__, str(e), last.name, last.lineno]
        secret = vars(P)["_Probe__secret"]
        report({
            "kinds": {n: type(v).__name__ for n, v in vars(P).items() if not n.startswith("__")},
            "bases": [b.__name__ for b in P.__bases__],
            "echo": list(P.echo("x")), "echo_on_instance": list(p.echo("x", None)),
            "label": p.label,
            "reveal": p.reveal(),
            "secret_default": p._Probe__secret(),
            "secret_names": [secret.__name__, secret.__qualname__],
            "no_unmangled": hasattr(P, "__secret") or hasattr(P, "__hidden"),
            "set_label": error(lambda: setattr(p, "label", 1)),
            "echo_text_check": error(lambda: P.echo(1, 2)),
            "float_check": error(lambda: p._Probe__secret("a")),
            "body_error": error(lambda: (setattr(p, "_Probe__fail", True), p._Probe__secret())),
        })
    """)
    assert data["kinds"] == {"Kind": "str", "_Probe__hidden": "list", "_Probe__fail": "bool",
                             "echo": "staticmethod", "label": "property",
                             "_Probe__secret": "function", "reveal": "function"}
    assert data["bases"] == ["A", "B"]
    assert data["echo"] == ["x", "!"] and data["echo_on_instance"] == ["x", None]
    assert data["label"] == "probe"
    # A float parameter converts its default and its argument on entry.
    assert data["reveal"] == [2.5, [1, None, "two"]]
    assert data["secret_default"] == [1.0, [1, None, "two"]]
    assert data["secret_names"] == ["__secret", "_Probe.__secret"]
    assert data["no_unmangled"] is False
    assert data["set_label"][0] == "AttributeError"
    assert data["echo_text_check"] == [
        "TypeError", "Argument 'suffix' has incorrect type (expected str, got int)",
        "kvt_wxtools._Probe.echo", 2003]
    assert data["float_check"][0:1] == ["TypeError"]
    assert data["float_check"][2:] == ["kvt_wxtools._Probe.__secret", 2009]
    assert data["body_error"] == ["ValueError", "secret refused", "kvt_wxtools._Probe.__secret", 2010]


def test_metaclass_is_the_most_derived_of_the_bases():
    data = run_probe("""
        class Meta(type): pass
        class A(metaclass=Meta): pass
        class B: pass
        builtins.kvt_probe_a, builtins.kvt_probe_b = B, A
        import kvt_wxtools
        report(type(kvt_wxtools._Probe).__name__)
    """)
    assert data == "Meta"


def test_metaclass_conflict_fails_the_import():
    data = run_probe("""
        class MetaA(type): pass
        class MetaB(type): pass
        builtins.kvt_probe_a = MetaA("A", (), {})
        builtins.kvt_probe_b = MetaB("B", (), {})
        try:
            import kvt_wxtools
        except TypeError as e:
            last = traceback.extract_tb(e.__traceback__)[-1]
            report([str(e), last.name, last.filename, last.lineno, "kvt_wxtools" in sys.modules])
    """)
    assert data == [
        "metaclass conflict: the metaclass of a derived class must be a (non-strict) subclass "
        "of the metaclasses of all its bases",
        "init kvt_wxtools", "wxtools.py", 2000, False]
