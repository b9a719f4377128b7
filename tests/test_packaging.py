"""The project builds as a wheel that installs and imports on its own."""
import os
import subprocess
import zipfile

import pytest

from harness import PYTHON, REPO_ROOT

SIBLINGS = {"kvt_paratree.py", "kvt_paratreeui.py", "kvt_handy.py"}


def _run(cmd, **kwargs):
    env = dict(os.environ)
    env.pop("PYTHONPATH", None)
    proc = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=900, **kwargs)
    assert proc.returncode == 0, "%s\n--- stdout ---\n%s\n--- stderr ---\n%s" % (
        " ".join(cmd), proc.stdout[-4000:], proc.stderr[-4000:])
    return proc


@pytest.mark.slow
def test_wheel_installs_and_imports_without_the_source_tree(tmp_path):
    wheels = tmp_path / "wheels"
    _run([PYTHON, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "--no-index",
          "-w", str(wheels), REPO_ROOT])
    built = list(wheels.glob("kvt_wxtools-*.whl"))
    assert len(built) == 1, built
    with zipfile.ZipFile(built[0]) as wheel:
        top_level = {name for name in wheel.namelist() if "/" not in name}
    assert SIBLINGS <= top_level
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
