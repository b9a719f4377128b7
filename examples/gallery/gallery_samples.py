"""Sample data the gallery works on: the people and parts shown in the
data-bound controls, and the working copy of the sample parameter tree."""
import dataclasses
import itertools
import os
import shutil
import tempfile

from kvt_paratree import ParameterBook, ParameterDirectory

EXAMPLES_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SAMPLE_TREE = os.path.join(EXAMPLES_DIR, "sample_tree")

# Parts at or below this quantity are shown on a warning colour.
LOW_STOCK = 5


@dataclasses.dataclass
class Person:
    name: str
    role: str

    def label(self):
        return "%s (%s)" % (self.name, self.role)


@dataclasses.dataclass
class Part:
    number: str
    name: str
    quantity: int
    unit_price: float

    def row(self):
        """The grid row: part number, name, quantity and price."""
        return (self.number, self.name, self.quantity, "%.2f" % self.unit_price)


PART_COLUMNS = ("Part no.", "Name", "Qty", "Unit price")


def people():
    return [Person("Ann Lee", "operator"), Person("Bo Chen", "technician"),
            Person("Carla Diaz", "engineer"), Person("Dev Patel", "operator")]


def parts():
    return [Part("R-0402-10K", "Resistor 10k 0402", 4800, 0.01),
            Part("C-0603-100N", "Capacitor 100n 0603", 3, 0.02),
            Part("U-SOIC8-555", "Timer IC SOIC-8", 120, 0.35),
            Part("N-0603", "Nozzle for 0603", 2, 18.50)]


def more_people():
    """An endless supply of people for the "Add" and "Insert" buttons."""
    names = ["Eli Novak", "Fay Wong", "Gus Moreau", "Hana Ito", "Ivo Petrov", "Jin Park"]
    roles = ["operator", "technician", "engineer"]
    for i in itertools.count():
        yield Person(names[i % len(names)] + ("" if i < len(names) else " %d" % (i // len(names) + 1)),
                     roles[i % len(roles)])


def more_parts():
    """An endless supply of parts for the "Add" and "Insert" buttons."""
    base = [("D-SOD123-4148", "Diode 1N4148 SOD-123", 900, 0.03),
            ("L-0805-10U", "Inductor 10u 0805", 4, 0.12),
            ("Q-SOT23-BC847", "Transistor BC847 SOT-23", 650, 0.04)]
    for i in itertools.count():
        number, name, quantity, price = base[i % len(base)]
        suffix = "" if i < len(base) else "-%d" % (i // len(base) + 1)
        yield Part(number + suffix, name, quantity, price)


def part_colour(item):
    """The cell colour of a part's row: RowGrid asks with the row values when
    a row is added and with the Part itself when a row is updated."""
    import wx
    quantity = item.quantity if isinstance(item, Part) else int(item[2])
    return wx.Colour(255, 214, 214) if quantity <= LOW_STOCK else wx.Colour(255, 255, 255)


# --------------------------------------------------------------------------
# The working copy of the sample tree

class WorkingTree:
    """The folder the gallery's editor works in, holding a copy of the sample
    tree so that the sample itself stays as committed.

    Without a folder, a temporary one is made and removed by `close()`.  A
    given folder that does not exist yet (or is empty) receives a copy; one
    that already holds something is used as it is, so edits made there in an
    earlier run are kept.  Copies are written through the model, whose save
    never removes files that are not the tree's own."""

    def __init__(self, folder=None, sample=SAMPLE_TREE):
        self.sample = sample
        self._temporary = None
        if folder is None:
            self._temporary = tempfile.mkdtemp(prefix="kvt-gallery-")
            folder = os.path.join(self._temporary, "sample_tree")
        self.path = os.path.abspath(folder)
        if not os.path.isdir(self.path) or not os.listdir(self.path):
            self.reset()

    def reset(self):
        """Write the sample tree over the working copy."""
        ParameterDirectory.load(self.sample).save(self.path)

    def load(self):
        return ParameterDirectory.load(self.path)

    def book_path(self, *names):
        """The file of the book at `names` (directories, then the book)."""
        return os.path.join(self.path, *names[:-1], names[-1] + "." + ParameterBook.ExtName)

    def summary(self):
        """One line per book: its path and its parameters' names."""
        lines = []

        def walk(directory, prefix):
            for name, child in directory.items():
                if isinstance(child, ParameterDirectory):
                    walk(child, prefix + name + "/")
                else:
                    lines.append("%s%s: %s" % (prefix, name, ", ".join(child.names()) or "(empty)"))

        try:
            walk(self.load(), "")
        except (OSError, ValueError) as e:
            return "The working copy cannot be read: %s" % e
        return "\n".join(lines) or "(the tree is empty)"

    def close(self):
        if self._temporary is not None:
            shutil.rmtree(self._temporary, ignore_errors=True)
            self._temporary = None
