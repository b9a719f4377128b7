"""Timing helpers shared by the benchmark cases: paired, interleaved runs of
the module and its baseline, medians, and the printed ratio lines.

Every case reports a ratio to a baseline measured in the same process, never
an absolute time: the machines these run on are shared and their speed
varies from minute to minute, while the two sides of a pair see the same
conditions when they run close together.
"""
import gc
import statistics
import time
import timeit


class Pair:
    """The two measured sides of one case: callables returning the seconds
    their own work took (setup and clean-up excluded)."""

    def __init__(self, module, baseline):
        self.module = module
        self.baseline = baseline


def paired_times(pair, repeat):
    """Runs both sides `repeat` times, alternating which goes first, and
    returns (module times, baseline times, per-pair ratios)."""
    mine, theirs, ratios = [], [], []
    for k in range(repeat):
        order = ((pair.module, mine), (pair.baseline, theirs))
        if k % 2:
            order = order[::-1]
        for side, into in order:
            gc.collect()
            into.append(side())
        ratios.append(mine[-1] / theirs[-1])
    return mine, theirs, ratios


def loop_timer(stmt, names, number):
    """A side that runs `stmt` `number` times with `names` as its globals,
    returning the seconds per run."""
    timer = timeit.Timer(stmt, globals=names)

    def side():
        return timer.timeit(number) / number
    return side


def calibrate(stmt, names, target=0.02, minimum=100):
    """A loop count making one timed run of `stmt` last about `target` s."""
    timer = timeit.Timer(stmt, globals=names)
    number = minimum
    while True:
        elapsed = timer.timeit(number)
        if elapsed >= target / 4 or number >= 10_000_000:
            return max(minimum, int(number * target / max(elapsed, 1e-9)))
        number *= 4


def stopwatch(run):
    """The seconds `run()` takes, the garbage collector left on."""
    start = time.perf_counter()
    run()
    return time.perf_counter() - start


class Report:
    """Prints one line per case and remembers the results for a summary."""

    def __init__(self, out):
        self.out = out
        self.lines = []

    def ratio(self, name, ratio, goal, detail=""):
        mark = "pass" if ratio <= goal else "MISS"
        line = "%-36s ratio %6.3f   goal <= %-5.2f %s" % (name, ratio, goal, mark)
        if detail:
            line += "   " + detail
        self.lines.append((name, ratio, goal, mark))
        print(line, file=self.out, flush=True)

    def growth(self, name, small, large, module_growth, baseline_growth):
        # Doubling the size should about double the time: more than that
        # points to work that grows faster than the number of items.
        line = "%-36s growth %d->%d   module x%.2f   baseline x%.2f" % (
            name, small, large, module_growth, baseline_growth)
        print(line, file=self.out, flush=True)

    def info(self, text):
        print(text, file=self.out, flush=True)


def median_ratio(pair, repeat):
    """The median of the per-pair ratios and the two sides' median times."""
    mine, theirs, ratios = paired_times(pair, repeat)
    return statistics.median(ratios), statistics.median(mine), statistics.median(theirs)
