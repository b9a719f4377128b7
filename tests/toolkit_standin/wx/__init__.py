"""The toolkit stand-in: a small pure-Python imitation of the parts of wx that
kvt_wxtools, kvt_paratreeui and the tests' helpers touch when they are
imported, with in-memory list box and grid controls for the wrapper tests.

It exists only for the test runs on interpreters that have no wxPython
(tools/matrix runs the frame, binder, class and wrapper tests against it on
every CPython).  It draws nothing and runs no event loop: anything that would
show a window raises StandInOnly, so a test that needs the real toolkit fails
loudly instead of passing by accident."""
from wx._core import *  # noqa: F401,F403
from wx._core import StandInOnly  # noqa: F401

VERSION_STRING = "stand-in"
