"""The call-overhead cases alone (same as `./run-bench calls`)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import run  # noqa: E402

if __name__ == "__main__":
    run.main(["calls"] + sys.argv[1:])
