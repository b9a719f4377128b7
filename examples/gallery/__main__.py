"""The kvt_wxtools gallery: one window showing every dialog, the data-bound
controls on sample objects and the parameter-tree editor on a sample tree.

    usage: python3 examples/gallery [--tree-dir DIR] [--screenshots DIR] [--language LANG]

--tree-dir DIR     edit the sample tree in DIR (copied there when DIR does not
                   exist or is empty; kept otherwise) instead of in a
                   temporary folder that is removed at the end.
--screenshots DIR  open every window in turn, save a PNG of each into DIR,
                   print the files written and exit (1 if any failed).
--language LANG    show the module's windows in LANG ("en" or "zh_CN")
                   instead of as written; the window's Language choice
                   switches at any time.
"""
import argparse
import os
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(os.path.dirname(HERE))


def _import_paths():
    """Make the gallery's modules importable, and the module itself when the
    gallery runs from a source checkout that has been built in build/."""
    if HERE not in sys.path:
        sys.path.insert(0, HERE)
    try:
        import kvt_wxtools  # noqa: F401
    except ImportError:
        for path in (REPO_ROOT, os.path.join(REPO_ROOT, "build")):
            if os.path.isdir(path) and path not in sys.path:
                sys.path.insert(0, path)


# A screenshot run that hangs (a window nobody can close) is ended after this
# many seconds, so that an unattended run always finishes.
SCREENSHOT_RUN_LIMIT = 240


def _watchdog(limit):
    def expire():
        print("gallery: screenshot run did not finish within %d s" % limit, file=sys.stderr, flush=True)
        os._exit(3)
    timer = threading.Timer(limit, expire)
    timer.daemon = True
    timer.start()
    return timer


def main(argv=None):
    parser = argparse.ArgumentParser(prog="gallery", description="The kvt_wxtools gallery.")
    parser.add_argument("--tree-dir", metavar="DIR",
                        help="folder for the working copy of the sample parameter tree")
    parser.add_argument("--screenshots", metavar="DIR",
                        help="save a PNG of every window into DIR, then exit")
    parser.add_argument("--language", choices=["en", "zh_CN"],
                        help="language of the module's windows (default: as written)")
    args = parser.parse_args(argv)

    _import_paths()
    import warnings
    import wx
    import kvt_wxtools
    # Some of the module's dialogs size themselves through a call that wx
    # reports as deprecated, once per dialog; the gallery's console stays
    # for what the gallery says.
    warnings.filterwarnings("ignore", message="Call to deprecated item. Use SetSizeHints instead.",
                            category=wx.wxPyDeprecationWarning)
    from gallery_frame import GalleryFrame

    outcome = {}
    watchdog = _watchdog(SCREENSHOT_RUN_LIMIT) if args.screenshots else None
    # Only keyword arguments reach the frame's class.
    kvt_wxtools.run_wxapp(GalleryFrame, tree_dir=args.tree_dir, screenshots=args.screenshots,
                          outcome=outcome, language=args.language)
    if watchdog is not None:
        watchdog.cancel()
    if not args.screenshots:
        return 0
    print("Screenshots in %s:" % outcome.get("folder", os.path.abspath(args.screenshots)))
    for path in outcome.get("written", []):
        print("  " + os.path.basename(path))
    for failure in outcome.get("failed", []):
        print("FAILED: " + failure, file=sys.stderr)
    return 1 if outcome.get("failed") or not outcome.get("written") else 0


if __name__ == "__main__":
    sys.exit(main())
