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


def total(path):
    with open(path) as f:
        return int(re.search(r"^(?:summary|totals): (\d+)", f.read(), re.M).group(1))


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
