"""Loading and saving a parameter tree of 10,000 books against plain json
loading and dumping the same data, measured in the same run.

The tree has 100 directories of 100 books; each book holds 5 parameters of 6
attributes (int, float, str, bool, list, dict) and two descriptions.  The
plain-json twin writes the same JSON documents with the same options
(indented, non-ASCII kept) to one file per book with open()/write(), and reads
them back with a directory walk, read() and json.loads().  Prints the median
time of each side over the repetitions and their ratio (model / json).  Run
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


def plain_dump(documents):
    for file_path, document in documents:
        folder = os.path.dirname(file_path)
        if not os.path.isdir(folder):
            os.makedirs(folder)
        with open(file_path, "w", encoding="utf-8") as file:
            file.write(json.dumps(document, ensure_ascii=False, indent=4) + "\n")


def plain_load(path):
    loaded = {}
    for folder, _dirs, files in os.walk(path):
        for name in files:
            file_path = os.path.join(folder, name)
            with open(file_path, "rb") as file:
                loaded[file_path] = json.loads(file.read().decode("utf-8"))
    return loaded


def timed(function, *args):
    start = time.perf_counter()
    function(*args)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--books", type=int, default=10000)
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()

    root = make_tree(args.books)
    work = tempfile.mkdtemp(prefix="paratree-bench-")
    try:
        model_path = os.path.join(work, "model")
        plain_path = os.path.join(work, "plain")
        documents = plain_documents(root, plain_path)
        times = {key: [] for key in ("model save", "json dump", "model save over",
                                     "json dump over", "model load", "json load")}
        for _ in range(args.repeat):
            for path in (model_path, plain_path):
                shutil.rmtree(path, ignore_errors=True)
            # Alternate the two sides so that neither always runs on a warmer cache.
            times["json dump"].append(timed(plain_dump, documents))
            times["model save"].append(timed(root.save, model_path))
            times["model save over"].append(timed(root.save, model_path))
            times["json dump over"].append(timed(plain_dump, documents))
            times["model load"].append(timed(pt.ParameterDirectory.load, model_path))
            times["json load"].append(timed(plain_load, plain_path))
        assert pt.ParameterDirectory.load(model_path) == root

        median = {key: statistics.median(values) for key, values in times.items()}
        print("%d books, median of %d runs" % (args.books, args.repeat))
        for model_key, json_key in (("model save", "json dump"),
                                    ("model save over", "json dump over"),
                                    ("model load", "json load")):
            print("%-16s %7.3f s   %-15s %7.3f s   ratio %.2f" % (
                model_key, median[model_key], json_key, median[json_key],
                median[model_key] / median[json_key]))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
