"""Loading and saving a parameter tree of 10,000 books against plain json
loading and dumping the same data, measured in the same run.

The tree has 100 directories of 100 books; each book holds 5 parameters of 6
attributes (int, float, str, bool, list, dict) and two descriptions.  The
plain-json twin writes the same JSON documents with the same options
(indented, non-ASCII kept) to one file per book with open()/write(), and reads
them back with a directory walk, read() and json.loads().  Saving is measured
into empty directories, again over the same content, and over a tree in which
every book changed.  Prints the median time of each side over the repetitions
and their ratio (model / json).  Run
with Debian's interpreter:

    /usr/bin/python3 bench/paratree_io.py [--books N] [--repeat R]
"""
import argparse
import json
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))

import kvt_paratree as pt  # noqa: E402


def make_tree(books, per_directory=100):
    root = pt.ParameterDirectory()
    for i in range(books):
        directory_name = "directory_%03d" % (i // per_directory)
        if directory_name not in root:
            root[directory_name] = pt.ParameterDirectory()
        book = pt.ParameterBook()
        for j in range(5):
            parameter = pt.Parameter({
                "count": i * 10 + j, "gain": 1.5 + j, "unit": "毫米", "enabled": j % 2 == 0,
                "points": [1, 2.5, "三"], "limits": {"low": -1.0, "high": 10, "name": "量程"}},
                {"en": "Parameter %d of book %d" % (j, i), "zh_CN": "第 %d 个参数" % j})
            book["parameter_%d" % j] = parameter
        root[directory_name]["book_%05d" % i] = book
    return root


def plain_documents(root, path):
    """(file path, JSON document) of every book, as the model stores them."""
    documents = []
    for directory_name, directory in root.items():
        for book_name, book in directory.items():
            documents.append((
                os.path.join(path, directory_name, book_name + "." + pt.ParameterBook.ExtName),
                {"format": "kvt-parameter-book", "version": 1, "parameters": {
                    name: {"descriptions": p.all_descriptions(), "attributes": dict(p.items())}
                    for name, p in book.items()}}))
    return documents


def plain_dump(documents, sync=False):
    """Write each document to its file; `sync` forces each file and each
    folder whose entries changed to the disk, as a durable save must."""
    changed = set()
    for file_path, document in documents:
        folder = os.path.dirname(file_path)
        if not os.path.isdir(folder):
            os.makedirs(folder)
            changed.add(os.path.dirname(folder))
        with open(file_path, "w", encoding="utf-8") as file:
            file.write(json.dumps(document, ensure_ascii=False, indent=4) + "\n")
            if sync:
                file.flush()
                os.fsync(file.fileno())
        changed.add(folder)
    if sync:
        for folder in sorted(changed):
            descriptor = os.open(folder, os.O_RDONLY)
            try:
                os.fsync(descriptor)
            finally:
                os.close(descriptor)


def plain_load(path):
    loaded = {}
    for folder, _dirs, files in os.walk(path):
        for name in files:
            file_path = os.path.join(folder, name)
            with open(file_path, "rb") as file:
                loaded[file_path] = json.loads(file.read().decode("utf-8"))
    return loaded


def change_every_book(root, value):
    for _name, directory in root.items():
        for _book_name, book in directory.items():
            book["parameter_0"]["count"] = -value - 1


def run_pairs(times, pairs, repetition):
    for model_key, model_function, model_argument, json_key, json_function, json_argument in pairs:
        sides = [(model_key, model_function, model_argument),
                 (json_key, json_function, json_argument)]
        # Alternate which side goes first, so that neither always runs while
        # the other's writes are still being flushed.
        for key, function, argument in (sides if repetition % 2 else sides[::-1]):
            times[key].append(timed(function, argument))


def timed(function, *args):
    # Start from a clean page cache state: writes still being flushed from
    # the previous step would otherwise slow down whichever side runs next.
    os.sync()
    start = time.perf_counter()
    function(*args)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--books", type=int, default=10000)
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()

    root = make_tree(args.books)

    def save(path):
        root.save(path, sync=False)  # the same writes as plain json: no syncs
    work = tempfile.mkdtemp(prefix="paratree-bench-")
    try:
        model_path = os.path.join(work, "model")
        plain_path = os.path.join(work, "plain")
        keys = ("model save", "json dump", "model save again", "json dump again",
                "model save changed", "json dump changed", "model load", "json load")
        times = {key: [] for key in keys}
        for repetition in range(args.repeat):
            for path in (model_path, plain_path):
                shutil.rmtree(path, ignore_errors=True)
            documents = plain_documents(root, plain_path)
            # Into empty directories, over the same content, then over a
            # tree where every book changed.
            pairs = [("model save", save, model_path, "json dump", plain_dump, documents),
                     ("model save again", save, model_path,
                      "json dump again", plain_dump, documents)]
            run_pairs(times, pairs, repetition)
            change_every_book(root, repetition)
            documents = plain_documents(root, plain_path)
            run_pairs(times, [("model save changed", save, model_path,
                               "json dump changed", plain_dump, documents),
                              ("model load", pt.ParameterDirectory.load, model_path,
                               "json load", plain_load, plain_path)], repetition)
        assert pt.ParameterDirectory.load(model_path) == root

        median = {key: statistics.median(values) for key, values in times.items()}
        print("%d books, median of %d runs" % (args.books, args.repeat))
        for model_key, json_key in zip(keys[::2], keys[1::2]):
            print("%-18s %7.3f s   %-17s %7.3f s   ratio %.2f" % (
                model_key, median[model_key], json_key, median[json_key],
                median[model_key] / median[json_key]))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
