"""Import time: importing kvt_wxtools once its dependencies are imported,
against importing those dependencies, each in a fresh interpreter."""
import os
import statistics
import subprocess
import sys

# Everything the module's body imports, in its order.
DEPENDENCIES = """
import wx
import wx.adv
import wx.grid
import datetime
import serial.tools.list_ports
import typing
import kvt_paratreeui
import kvt_paratree
import kvt_handy
import wx.lib.embeddedimage
import os.path
import json
"""

SNIPPET = """
import time
start = time.perf_counter()
%s
middle = time.perf_counter()
import kvt_wxtools
end = time.perf_counter()
print(middle - start, end - middle)
"""


def one_run(python, paths):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(paths))
    out = subprocess.run([python, "-c", SNIPPET % DEPENDENCIES], env=env, check=True,
                         capture_output=True, text=True).stdout.split()
    return float(out[0]), float(out[1])


def measure(python, paths, repeat):
    """(module / dependencies, (dependencies + module) / dependencies) as
    medians over `repeat` fresh interpreters."""
    own, total = [], []
    for _ in range(repeat):
        deps, module = one_run(python, paths)
        own.append(module / deps)
        total.append((deps + module) / deps)
    return statistics.median(own), statistics.median(total)


if __name__ == "__main__":
    print(measure(sys.executable, sys.path, 5))
