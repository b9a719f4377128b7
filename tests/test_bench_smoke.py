"""The benchmark runner, once over every case at tiny sizes: each case must
print its ratio line (and each sized case its growth line), and the Python
twins must agree with the module on what they compute."""
import os
import re
import subprocess

from harness import PYTHON, REPO_ROOT

CASES = ["calls/ComboList.GetObject", "calls/ComboList.GetSelectionIndex", "calls/is_valid_name",
         "calls/argument error", "calls/window_fit_layout positional", "calls/window_fit_layout keyword",
         "calls/window_fit_layout C positional", "calls/window_fit_layout C keyword",
         "bulk/ComboList.AppendItems", "bulk/RowGrid.AppendItems", "bulk/RowGrid.Update",
         "tree/editor load_directory", "tree/editor tree view", "tree/editor undo", "io/model load",
         "io/model save", "io/model save synced", "import/module alone over deps",
         "import/deps + module over deps"]
SIZED = [c for c in CASES if c.split("/")[0] in ("bulk", "tree", "io")]


def run_bench(*args):
    done = subprocess.run([PYTHON, os.path.join(REPO_ROOT, "bench", "run.py"), *args],
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_every_case_prints_a_ratio_and_growth_line():
    out = run_bench("--quick")
    for case in CASES:
        line = re.search(r"^%s +ratio +(\d+\.\d+) +goal <= (\d+\.\d+) +(pass|MISS)" % re.escape(case), out, re.M)
        assert line, "no ratio line for %s in:\n%s" % (case, out)
        assert float(line.group(1)) > 0
    for case in SIZED:
        assert re.search(r"^%s +growth 20->40 +module x\d+\.\d+ +baseline x\d+\.\d+" % re.escape(case),
                         out, re.M), case
    assert re.search(r"^19 cases, \d+ goals missed", out, re.M)


def test_case_selection_by_prefix():
    out = run_bench("--quick", "--no-growth", "calls/is_valid", "io/")
    names = re.findall(r"^(\S+/.*?) +ratio ", out, re.M)
    assert names == ["calls/is_valid_name", "io/model load", "io/model save", "io/model save synced"]
    assert "growth" not in out
