"""Reads the LeakSanitizer reports of run-sanitized's leak pass and fails if
any leak was allocated through the module (a frame in kvt_wxtools*.so) or if
any other sanitizer reported an error.  Leaks of the interpreter, wx and GTK
at exit are counted but not failed."""
import os
import re
import sys

MODULE = re.compile(r"kvt_wxtools[^/\s]*\.so")


def main(folder):
    ours, others, errors = [], 0, []
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), errors="replace") as file:
            text = file.read()
        for block in re.split(r"\n(?=(?:Direct|Indirect) leak of )", text):
            if not re.match(r"(?:Direct|Indirect) leak of ", block):
                if "ERROR: AddressSanitizer" in block or "runtime error:" in block:
                    errors.append(block)
                continue
            if MODULE.search(block):
                ours.append(block.split("\n\n")[0])
            else:
                others += 1
    print("leak pass: %d leak reports outside the module, %d through it, %d other errors"
          % (others, len(ours), len(errors)))
    for block in ours + errors:
        print(block, end="\n\n")
    return 1 if ours or errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
