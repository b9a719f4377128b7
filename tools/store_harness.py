"""Crash and concurrency harnesses of the parameter store.

crash: a child process saves a new tree over an old one and is killed
(SIGKILL) right before its K-th file-system call of the kinds a save makes
(strace's fault injection, no change to the code), for K spread over the
whole save, and at random moments.  After each kill a fresh process loads
the folder (it must be wholly the old or wholly the new tree), then saves
the new tree (the folder must then hold exactly what a clean save leaves:
no leftovers, no deleted book back).

concurrent: two processes save different trees into one folder at the same
moment, round after round; each round must end with wholly one of the two
trees, and the tree of a save that reported success must be on disk unless
the other save also succeeded after it.

    /usr/bin/python3 tools/store_harness.py crash [--books N] [--points K] [--random R]
    /usr/bin/python3 tools/store_harness.py concurrent [--rounds N] [--books N]
"""
import argparse
import os
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, REPO)

import kvt_paratree as pt  # noqa: E402

# The calls by which a save changes the disk; the child is killed right
# before one of them.
CALLS = "write,fsync,fdatasync,rename,renameat,renameat2,unlink,unlinkat,mkdir,mkdirat,rmdir,link,linkat"
ENV = dict(os.environ, PYTHONDONTWRITEBYTECODE="1", PYTHONPATH=REPO)


def book(value, label):
    return pt.ParameterBook([("p%d" % j, pt.Parameter({"v": value + j, "label": label, "list": [j, 1.5]},
                                                       {"en": "parameter %d" % j, "zh_CN": "参数"}))
                             for j in range(3)])


def old_tree(books):
    root = pt.ParameterDirectory()
    per = max(books // 30, 1)
    for i in range(books):
        folder = "group_%02d" % (i // per)
        if folder not in root:
            root[folder] = pt.ParameterDirectory([("nested", pt.ParameterDirectory())])
        target = root[folder] if i % 5 else root[folder]["nested"]
        target["book_%05d" % i] = book(i, "old")
    return root


def new_tree(books):
    """The old tree with a third of its books changed, one in ten deleted,
    two folders deleted, new books and folders added."""
    root = old_tree(books)
    groups = root.names()
    for name in groups[:2]:
        del root[name]
    for _names, directory in list(root.walk()):
        for name, child in directory.items():
            if isinstance(child, pt.ParameterBook):
                number = int(name.split("_")[1])
                if number % 10 == 3:
                    del directory[name]
                elif number % 3 == 0:
                    child["p0"]["v"] = -number
    for k in range(3):
        root["added_%d" % k] = pt.ParameterDirectory([("new_%d" % j, book(j, "new"))
                                                      for j in range(max(books // 30, 1))])
    root[groups[-1]]["late"] = book(7, "late")
    return root


def child(argv):
    """The saving child: builds the new tree and saves it over the folder."""
    mode, folder, books = argv[0], argv[1], int(argv[2])
    tree = new_tree(books) if mode == "new" else old_tree(books)
    sys.stdout.write("ready\n")
    sys.stdout.flush()
    tree.save(folder)


def spawn(mode, folder, books, kill_at=None):
    command = [sys.executable, os.path.abspath(__file__), "child", mode, folder, str(books)]
    if kill_at is not None:
        command = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + kill_at[0],
                   "-e", "inject=%s:signal=KILL:when=%d" % kill_at] + command
    return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=ENV)


def count_calls(folder, books):
    """The calls of CALLS a clean save makes, from the child's start: for
    each, (name, how many calls of that name came before it + 1).  strace
    counts injections per kind of call, so a kill before the i-th call of
    the save is an injection into its own kind at that number."""
    log = folder + ".strace"
    subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=" + CALLS, sys.executable,
                    os.path.abspath(__file__), "child", "new", folder, str(books)],
                   check=True, env=ENV, stdout=subprocess.DEVNULL)
    calls, counts = [], {}
    with open(log) as file:
        for line in file:
            match = re.match(r"\d+\s+(\w+)\(", line)
            if match:
                name = match.group(1)
                counts[name] = counts.get(name, 0) + 1
                calls.append((name, counts[name], "write(1," in line))
    os.unlink(log)
    first = next(i for i, call in enumerate(calls) if call[2]) + 1
    return [(name, number) for name, number, _ready in calls[first:]]


def verify(folder, books, reference):
    """Run in a fresh process: the load is wholly old or new; a save of the
    new tree then leaves exactly the reference folder."""
    loaded = pt.ParameterDirectory.load(folder)
    if loaded == old_tree(books):
        seen = "old"
    elif loaded == new_tree(books):
        seen = "new"
    else:
        return "mixed"
    new_tree(books).save(folder)
    if entries(folder) != entries(reference):
        extra = sorted(set(entries(folder)) ^ set(entries(reference)))
        return "after the next save the folder differs: %s" % extra[:5]
    return seen


def entries(path):
    """Every file (with its bytes) and folder below `path`, hidden ones too."""
    root = pathlib.Path(path)
    return {str(p.relative_to(root)) + ("/" if p.is_dir() else ""): None if p.is_dir() else p.read_bytes()
            for p in root.rglob("*")}


def fresh_verify(folder, books, reference):
    result = subprocess.run([sys.executable, os.path.abspath(__file__), "verify", folder,
                             str(books), reference], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=ENV, universal_newlines=True)
    if result.returncode:
        return "verifier failed: %s" % result.stderr.strip().splitlines()[-1:]
    return result.stdout.strip()


def crash(books, points, randoms, work, report=print, ends=12):
    """Returns the list of failures; reports each kill's outcome."""
    pristine = os.path.join(work, "old")
    reference = os.path.join(work, "reference")
    old_tree(books).save(pristine)
    shutil.copytree(pristine, reference)
    started = time.monotonic()
    subprocess.run([sys.executable, os.path.abspath(__file__), "child", "new", reference,
                    str(books)], check=True, env=ENV, stdout=subprocess.DEVNULL)
    save_time = time.monotonic() - started
    probe = os.path.join(work, "probe")
    shutil.copytree(pristine, probe)
    calls = count_calls(probe, books)
    total = len(calls)
    # Every call near both ends, the rest spread evenly over the save.
    chosen = set(range(min(ends, total))) | set(range(max(total - ends, 0), total))
    chosen |= set((total * i) // points for i in range(points))
    failures, outcomes = [], {}
    runs = [("call", k) for k in sorted(chosen)] + [("random", r) for r in range(randoms)]
    for kind, k in runs:
        folder = os.path.join(work, "run")
        shutil.rmtree(folder, ignore_errors=True)
        shutil.copytree(pristine, folder)
        if kind == "call":
            process = spawn("new", folder, books, kill_at=calls[k])
            process.communicate()
        else:
            process = spawn("new", folder, books)
            process.stdout.readline()
            time.sleep(random.uniform(0, save_time))
            process.kill()
            process.communicate()
        result = fresh_verify(folder, books, reference)
        label = ("kill before call %d of %d (%s #%d)" % ((k + 1, total) + calls[k])
                 if kind == "call" else "random kill %d" % k)
        outcomes[result] = outcomes.get(result, 0) + 1
        if sum(outcomes.values()) % 25 == 0:
            sys.stderr.write("%d of %d kills done\n" % (sum(outcomes.values()), len(runs)))
            sys.stderr.flush()
        if result not in ("old", "new"):
            failures.append("%s: %s" % (label, result))
            report("FAIL %s: %s" % (label, result))
    report("%d kills (%d at chosen calls of %d, %d random): %s; %d failures"
           % (len(runs), len(chosen), total, randoms,
              ", ".join("%s %d" % item for item in sorted(outcomes.items())), len(failures)))
    return failures


def saver(argv):
    """One side of a concurrent round: save tree `which` into the folder,
    print when it returned (monotonic ns) or why it failed."""
    which, folder, books = argv[0], argv[1], int(argv[2])
    tree = pt.ParameterDirectory([("only_%s" % which, book(0, which))] + [
        ("shared_%03d" % i, book(i, which)) for i in range(books)])
    while time.time() < float(argv[3]):
        pass
    try:
        tree.save(folder)
    except Exception as exc:  # reported to the harness
        print("failed %s" % exc)
        return
    print("saved %d" % time.monotonic_ns() if hasattr(time, "monotonic_ns") else "saved %r" % time.monotonic())


def concurrent(rounds, books, work, report=print):
    failures = []
    for round_number in range(rounds):
        folder = os.path.join(work, "round%d" % round_number)
        start = "%f" % (time.time() + 0.5)
        processes = [subprocess.Popen([sys.executable, os.path.abspath(__file__), "saver", which,
                                       folder, str(books), start], stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, env=ENV, universal_newlines=True)
                     for which in ("a", "b")]
        results = {}
        for which, process in zip(("a", "b"), processes):
            out, err = process.communicate()
            results[which] = (out.strip() or err.strip())
        loaded = pt.ParameterDirectory.load(folder)
        holds = [which for which in ("a", "b") if "only_%s" % which in loaded
                 and all(loaded["shared_%03d" % i] == book(i, which) for i in range(books))
                 and len(loaded) == books + 1]
        saved = {w: float(r.split()[1]) for w, r in results.items() if r.startswith("saved")}
        problem = None
        if len(holds) != 1:
            problem = "the folder holds no whole tree (%s)" % loaded.names()[:4]
        elif saved and max(saved, key=lambda w: saved[w]) != holds[0]:
            problem = "the last successful save (%s) is not on disk" % max(saved, key=saved.get)
        elif not saved:
            problem = "both saves failed: %s" % results
        if problem:
            failures.append("round %d: %s" % (round_number, problem))
            report("FAIL round %d: %s %s" % (round_number, problem, results))
    report("%d rounds of two concurrent saves: %d failures" % (rounds, len(failures)))
    return failures


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "child":
        return child(sys.argv[2:])
    if len(sys.argv) > 1 and sys.argv[1] == "saver":
        return saver(sys.argv[2:])
    if len(sys.argv) > 1 and sys.argv[1] == "verify":
        print(verify(sys.argv[2], int(sys.argv[3]), sys.argv[4]))
        return None
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("what", choices=["crash", "concurrent"])
    parser.add_argument("--books", type=int, default=3000)
    parser.add_argument("--points", type=int, default=200)
    parser.add_argument("--random", type=int, default=40)
    parser.add_argument("--rounds", type=int, default=20)
    parser.add_argument("--work", default=None, help="folder for the trees (default: in /dev/shm)")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="store-harness-", dir=args.work or (
        "/dev/shm" if os.path.isdir("/dev/shm") else None))
    try:
        if args.what == "crash":
            failures = crash(args.books, args.points, args.random, work)
        else:
            failures = concurrent(args.rounds, min(args.books, 200), work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
