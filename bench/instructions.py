"""Instructions per call of each call case, module and Python twin, counted
by callgrind: unlike times, the counts do not move with the machine's load,
so small changes to the call path can be measured on a busy machine.

    xvfb-run -a /usr/bin/python3 bench/instructions.py [name prefixes]

Needs valgrind.  Each side runs its statement a fixed number of times
between two os.getsid() calls; callgrind dumps its counters on entering
getsid, so the dump between the two holds exactly the loop.
"""
import glob
import os
import re
import subprocess
import sys
import tempfile
import timeit

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
LOOPS = 20_000


def child(prefixes):
    sys.path[:0] = [HERE, os.path.join(ROOT, os.environ.get("KVT_BUILD_DIR") or "build"), ROOT]
    import call_cases
    for name, stmt, mine, theirs in call_cases.cases():
        if prefixes and not any(name.startswith(p) for p in prefixes):
            continue
        print(name, flush=True)
        for names in (mine, theirs):
            timer = timeit.Timer(stmt, globals=names)
            timer.timeit(100)  # warmed up: specialised, caches filled
            os.getsid(0)
            timer.timeit(LOOPS)
            os.getsid(0)
    bulk_child(prefixes)
    stand_in_child(prefixes)


def bulk_child(prefixes):
    """The bulk cases on real controls, counted per item: each side fills
    its control with LOOPS objects once (after a short warm-up run)."""
    import bulk_cases
    import wx
    app = wx.App(False)
    frame = wx.Frame(None)
    for case in (bulk_cases.ListBoxAppend,):
        if prefixes and not any(case.name.startswith(p) for p in prefixes):
            continue
        print(case.name, flush=True)

        def stopwatch(work):
            os.getsid(0)
            work()
            os.getsid(0)
            return 0.0
        instance = case(frame, stopwatch)
        for side in (instance.module, instance.baseline):
            instance.stopwatch = lambda work: work() or 0.0
            side(100)
            instance.stopwatch = stopwatch
            side(LOOPS)
        instance.close()
    frame.Destroy()
    del app


def total(path):
    with open(path) as f:
        return int(re.search(r"^(?:summary|totals): (\d+)", f.read(), re.M).group(1))


class StandInControl(list):
    """An item-list control whose Append is a C method: the count of the
    module's own work per item, without the toolkit's varying share."""
    Append = list.append


def stand_in_child(prefixes):
    import kvt_wxtools
    name = "bulk/ComboList.AppendItems[stand-in]"
    if prefixes and not any(name.startswith(p) for p in prefixes):
        return
    print(name, flush=True)
    objects = ["object %d" % k for k in range(LOOPS)]

    def module():
        combo = kvt_wxtools.ComboList(StandInControl())
        os.getsid(0)
        combo.AppendItems(objects)
        os.getsid(0)

    def baseline():
        control, kept = StandInControl(), []
        os.getsid(0)
        for obj in objects:
            control.Append(obj)
            kept.append(obj)
        os.getsid(0)
    for side in (module, baseline):
        side()


def main(prefixes):
    folder = tempfile.mkdtemp(prefix="kvt-callgrind-")
    out = os.path.join(folder, "cg")
    names = subprocess.run(
        ["valgrind", "--tool=callgrind", "--dump-before=getsid", "--callgrind-out-file=" + out,
         sys.executable, os.path.abspath(__file__), "--child", *prefixes],
        check=True, capture_output=True, text=True).stdout.split("\n")
    names = [n for n in names if n]
    dumps = sorted(glob.glob(out + ".*"), key=lambda p: int(p.rsplit(".", 1)[1]))
    loops = [total(p) / LOOPS for p in dumps[1::2]]
    for k, name in enumerate(names):
        mine, theirs = loops[2 * k], loops[2 * k + 1]
        print("%-36s module %6.0f   python %6.0f   ratio %.2f" % (name, mine, theirs, mine / theirs))
    for p in glob.glob(out + "*"):
        os.remove(p)
    os.rmdir(folder)


if __name__ == "__main__":
    if sys.argv[1:2] == ["--child"]:
        child(sys.argv[2:])
    else:
        main(sys.argv[1:])
