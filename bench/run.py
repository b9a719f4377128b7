"""Runs the benchmarks and prints one line per case: the ratio of the
module's time to its baseline's, measured in the same process (the median of
paired, interleaved runs), the goal and whether it is met.  Bulk cases also
print how their time grows from N to 2N items.

    ./run-bench                      every case
    ./run-bench calls bulk/RowGrid   the cases whose names start so
    ./run-bench --scale 0.2          bulk, tree and I/O sizes times 0.2
    ./run-bench --quick              tiny sizes, one run each (a smoke run)
"""
import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path[:0] = [HERE, os.path.join(ROOT, os.environ.get("KVT_BUILD_DIR") or "build"), ROOT]

import wx  # noqa: E402

import kvt_wxtools  # noqa: E402,F401  (imported before any timing)
import bulk_cases  # noqa: E402
import call_cases  # noqa: E402
import import_case  # noqa: E402
import io_cases  # noqa: E402
from timing import Pair, Report, calibrate, loop_timer, median_ratio, stopwatch  # noqa: E402

CALL_GOAL = 0.7
BULK_GOAL = 1.05
TREE_GOAL = 1.1
IO_GOAL = 1.5
IMPORT_GOAL = 1.05


def selected(name, prefixes):
    return not prefixes or any(name.startswith(p) for p in prefixes)


def run_calls(report, args):
    for name, stmt, mine, theirs in call_cases.cases():
        if not selected(name, args.cases):
            continue
        # The twin must compute what the module computes.
        if "error" not in name:
            assert eval(stmt, dict(mine)) == eval(stmt, dict(theirs)), name
        number = 50 if args.quick else calibrate(stmt, theirs, target=args.call_time)
        pair = Pair(loop_timer(stmt, mine, number), loop_timer(stmt, theirs, number))
        ratio, _mod_time, _base_time = median_ratio(pair, args.repeat)
        report.ratio(name, ratio, CALL_GOAL)


def run_sized(report, args, case, goal):
    """One ratio line at the case's size N, then the growth from N to 2N."""
    n = max(1, int(case.size * args.scale)) if not args.quick else args.quick_size
    ratio, mod_time, base_time = median_ratio(Pair(lambda: case.module(n), lambda: case.baseline(n)),
                                              args.repeat)
    # Only ratios are printed: absolute times depend on the machine's load.
    report.ratio(case.name, ratio, goal, "N=%d" % n)
    if args.no_growth:
        return
    _r2, mod_2n, base_2n = median_ratio(Pair(lambda: case.module(2 * n), lambda: case.baseline(2 * n)),
                                        args.repeat)
    report.growth(case.name, n, 2 * n, mod_2n / mod_time, base_2n / base_time)


def run_controls(report, args):
    wanted = [c for c in (bulk_cases.ListBoxAppend, bulk_cases.GridAppend, bulk_cases.GridUpdate,
                          bulk_cases.TreeLoad, bulk_cases.TreeView, bulk_cases.TreeUndo, io_cases.ModelLoad,
                          io_cases.ModelSave, io_cases.ModelSaveSynced)
              if selected(c.name, args.cases)]
    if not wanted:
        return
    app = wx.App(False)  # noqa: F841  (kept alive while the controls live)
    frame = wx.Frame(None)
    trees = bulk_cases.StoredTrees()
    try:
        for cls in wanted:
            if cls.name.startswith("bulk/"):
                case, goal = cls(frame, stopwatch), BULK_GOAL
            elif cls.name.startswith("tree/"):
                case, goal = cls(frame, stopwatch, trees), TREE_GOAL
            else:
                case, goal = cls(trees, stopwatch), IO_GOAL
            try:
                run_sized(report, args, case, goal)
            finally:
                case.close()
    finally:
        trees.close()
        frame.Destroy()
        wx.SafeYield()


def run_import(report, args):
    if not selected("import/", args.cases):
        return
    paths = [p for p in sys.path if p != HERE]
    own, total = import_case.measure(sys.executable, paths, 1 if args.quick else max(args.repeat, 9))
    report.ratio("import/module alone over deps", own, IMPORT_GOAL - 1)
    report.ratio("import/deps + module over deps", total, IMPORT_GOAL)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("cases", nargs="*", help="name prefixes: calls, bulk, tree, io, import, ...")
    parser.add_argument("--repeat", type=int, default=7, help="paired runs per case (default 7)")
    parser.add_argument("--scale", type=float, default=1.0, help="factor on bulk, tree and I/O sizes")
    parser.add_argument("--call-time", type=float, default=0.02, help="seconds per timed call loop")
    parser.add_argument("--no-growth", action="store_true", help="skip the 2N runs")
    parser.add_argument("--quick", action="store_true", help="tiny sizes, one run each")
    parser.add_argument("--quick-size", type=int, default=20, help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.quick:
        args.repeat = 1
    report = Report(sys.stdout)
    report.info("kvt_wxtools benchmarks: ratio = module time / baseline time (median of %d paired runs)"
                % args.repeat)
    run_calls(report, args)
    run_controls(report, args)
    run_import(report, args)
    missed = [name for name, _r, _g, mark in report.lines if mark == "MISS"]
    report.info("%d cases, %d goals missed%s" % (len(report.lines), len(missed),
                                                 (": " + ", ".join(missed)) if missed else ""))


if __name__ == "__main__":
    main()
