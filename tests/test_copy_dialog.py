"""ParaTreeCopyDialog: copying a parameter into a book file, a book or a
directory into a directory, on real files written by the model."""
import os

import pytest
import wx

from harness import (folder_entries, answer_message_box, click, end_modal, entry_of, run_modal, run_python,
                     shown_message_boxes)
import kvt_wxtools
from kvt_paratree import (InvalidNameCharacters, Parameter, ParameterBook, ParameterDirectory,
                          ParameterFileError)

Dialog = kvt_wxtools.ParaTreeCopyDialog
PATH = ["root", "a", "b"]
SUCCESS = answer_message_box(wx.OK, message="Copy parameter success.", caption="Info")
INVALID = ("Copy name `%s` is invalid. It may be has invalid characters: `"
           + str(InvalidNameCharacters) + "`.")


def sample(kind):
    parameter = Parameter({"speed": 3}, {"en": "how fast"})
    if kind is Parameter:
        return parameter
    book = ParameterBook([("p", parameter)])
    if kind is ParameterBook:
        return book
    return ParameterDirectory([("book", book), ("sub", ParameterDirectory([("inner", book)]))])


@pytest.fixture
def open_dialog(made):
    def build(para, path=PATH, target=None, rename="", overwrite=False):
        dialog = Dialog(None, list(path), para)
        made.append(dialog)
        if target is not None:
            dialog.ui_target_path.SetValue(str(target))
            dialog.ui_confirm.Enable(True)
        dialog.ui_rename.SetValue(rename)
        dialog.ui_overwrite.SetValue(overwrite)
        return dialog
    return build


def copy_succeeds(dialog):
    assert run_modal(dialog, click(dialog.ui_confirm), SUCCESS) == wx.ID_OK


def copy_refused(dialog, message):
    """Confirming shows the error box and the dialog stays open afterwards."""
    assert run_modal(dialog, click(dialog.ui_confirm),
                     answer_message_box(wx.OK, message=message, caption="Error"),
                     end_modal(wx.ID_CANCEL)) == wx.ID_CANCEL


# ------------------------------------------------------------- constructor

@pytest.mark.parametrize("kind", [Parameter, ParameterBook, ParameterDirectory])
def test_constructor_shows_the_dotted_path_and_the_kind(open_dialog, kind):
    path = list(PATH)
    para = sample(kind)
    dialog = Dialog(None, path, para)
    try:
        assert isinstance(dialog, kvt_wxtools._CopyDialog)
        assert dialog.ui_source.GetValue() == "root.a.b"
        assert dialog.ui_type.GetValue() == kind.__name__
        assert not dialog.ui_confirm.IsEnabled()
        assert dialog._ParaTreeCopyDialog__para_path is path
        assert dialog._ParaTreeCopyDialog__parameter is para
    finally:
        dialog.Destroy()


@pytest.mark.parametrize("path, para, line", [
    ([], Parameter(), 1004),
    (None, Parameter(), 1004),
    (["root"], None, 1005),
])
def test_constructor_assertions_come_before_any_window(path, para, line):
    before = len(wx.GetTopLevelWindows())
    with pytest.raises(AssertionError) as info:
        Dialog(None, path, para)
    assert info.value.args == ()
    assert entry_of(info.value, "kvt_wxtools.ParaTreeCopyDialog.__init__").lineno == line
    assert len(wx.GetTopLevelWindows()) == before


def test_constructor_assertions_are_skipped_when_optimised():
    code = """
        import wx
        app = wx.App(False)
        import kvt_wxtools
        dialog = kvt_wxtools.ParaTreeCopyDialog(None, ["x"], None)
        report(dialog.ui_type.GetValue())
        dialog.Destroy()
    """
    result = run_python(code, options=["-O"])
    assert result.data == "NoneType", str(result)


# ------------------------------------------------------------------ browse

def fake_chooser(replies):
    """A stand-in chooser class answering ShowModal with the next (code, path)
    of `replies`; each instance records how it was made and whether it was
    destroyed."""
    class Chooser:
        made = []

        def __init__(self, *args, **kwargs):
            self.args, self.kwargs, self.destroyed = args, kwargs, False
            self.code, self.path = replies.pop(0)
            Chooser.made.append(self)

        def ShowModal(self):
            return self.code

        def GetPath(self):
            return self.path

        def Destroy(self):
            self.destroyed = True
    return Chooser


@pytest.mark.parametrize("kind, chooser, other, kwargs", [
    (Parameter, "_FileDialog", "_DirDialog", {"wildcard": "Parameter File(*.pb)|*.pb"}),
    (ParameterBook, "_DirDialog", "_FileDialog", {}),
    (ParameterDirectory, "_DirDialog", "_FileDialog", {}),
])
def test_browse_picks_the_target_and_a_cancelled_browse_keeps_it(open_dialog, monkeypatch, kind,
                                                                  chooser, other, kwargs):
    fake = fake_chooser([(wx.ID_OK, "/t/first"), (wx.ID_CANCEL, "/t/ignored"), (wx.ID_OK, "")])
    monkeypatch.setattr(kvt_wxtools, chooser, fake)
    monkeypatch.setattr(kvt_wxtools, other, fake_chooser([]))  # any use of it fails
    # The book extension is read when the chooser is made.
    monkeypatch.setattr(ParameterBook, "ExtName", "pb")
    dialog = open_dialog(sample(kind))

    dialog.on_browse(None)
    assert dialog.ui_target_path.GetValue() == "/t/first"
    assert dialog.ui_confirm.IsEnabled()
    for _ in range(2):  # cancelled, then an empty path
        dialog.on_browse(None)
        assert dialog.ui_target_path.GetValue() == "/t/first"
        assert dialog.ui_confirm.IsEnabled()
    assert [(c.args, c.kwargs, c.destroyed) for c in fake.made] == [((dialog,), kwargs, True)] * 3


def test_cancelled_first_browse_leaves_confirm_disabled(open_dialog, monkeypatch):
    monkeypatch.setattr(kvt_wxtools, "_DirDialog", fake_chooser([(wx.ID_CANCEL, "/t")]))
    dialog = open_dialog(sample(ParameterBook))
    dialog.on_browse(None)
    assert dialog.ui_target_path.GetValue() == "" and not dialog.ui_confirm.IsEnabled()


# ----------------------------------------------------------------- confirm

@pytest.mark.parametrize("rename, name", [("", "b"), ("  \t", "b"), ("  copy ", "copy")])
def test_parameter_goes_into_the_book_under_its_own_or_the_new_name(open_dialog, tmp_path, rename, name):
    target = tmp_path / "target.para"
    ParameterBook([("other", Parameter({"x": 1}))]).save(target)
    para = sample(Parameter)
    copy_succeeds(open_dialog(para, target=target, rename=rename))
    book = ParameterBook.load(target)
    assert book.names() == ["other", name] and book[name] == para


@pytest.mark.parametrize("kind, existing, message", [
    (ParameterBook, "file", 'Parameter book named "{}" already exists.'),
    (ParameterDirectory, "directory", 'Parameter directory named "{}" already exists.'),
    (ParameterDirectory, "file", 'Parameter directory named "{}" already exists.'),
])
def test_a_name_clash_without_overwrite_is_refused_and_nothing_changes(open_dialog, tmp_path, kind,
                                                                        existing, message):
    target = tmp_path / "target"
    target.mkdir()
    clash = str(target) + os.sep + "b" + ("." + ParameterBook.ExtName if kind is ParameterBook else "")
    if existing == "file":
        with open(clash, "w") as file:
            file.write("not a copy")
    else:
        os.mkdir(clash)
    before = folder_entries(tmp_path)
    copy_refused(open_dialog(sample(kind), target=target), message.format(clash))
    assert folder_entries(tmp_path) == before


def test_parameter_clash_refused_without_overwrite_and_replaced_with_it(open_dialog, tmp_path):
    target = tmp_path / "target.para"
    ParameterBook([("b", Parameter({"old": True})), ("c", Parameter())]).save(target)
    before = target.read_bytes()
    para = sample(Parameter)
    dialog = open_dialog(para, target=target)
    copy_refused(dialog, 'Parameter named "b" already exists.')
    assert target.read_bytes() == before
    # The same dialog may go on: the user ticks overwrite and confirms again.
    dialog.ui_overwrite.SetValue(True)
    copy_succeeds(dialog)
    book = ParameterBook.load(target)
    assert book.names() == ["b", "c"] and book["b"] == para


@pytest.mark.parametrize("kind", [ParameterBook, ParameterDirectory])
def test_book_or_directory_is_written_into_the_target(open_dialog, tmp_path, kind):
    para = sample(kind)
    copy_succeeds(open_dialog(para, target=tmp_path, rename="copy"))
    if kind is ParameterBook:
        assert ParameterBook.load(tmp_path / "copy.para") == para
    else:
        assert ParameterDirectory.load(tmp_path / "copy") == para
    assert sorted(os.listdir(tmp_path)) == ["copy" + (".para" if kind is ParameterBook else "")]


def test_overwrite_saves_over_an_existing_book_or_directory(open_dialog, tmp_path):
    ParameterBook([("old", Parameter())]).save(tmp_path / "b.para")
    book = sample(ParameterBook)
    copy_succeeds(open_dialog(book, target=tmp_path, overwrite=True))
    assert ParameterBook.load(tmp_path / "b.para") == book

    (tmp_path / "b").mkdir()
    (tmp_path / "b" / "kept.txt").write_text("someone else's")
    directory = sample(ParameterDirectory)
    copy_succeeds(open_dialog(directory, target=tmp_path, overwrite=True))
    assert ParameterDirectory.load(tmp_path / "b") == directory
    assert (tmp_path / "b" / "kept.txt").read_text() == "someone else's"


def test_directory_over_a_plain_file_is_refused_even_with_overwrite(open_dialog, tmp_path):
    clash = tmp_path / "b"
    clash.write_text("a file")
    before = folder_entries(tmp_path)
    copy_refused(open_dialog(sample(ParameterDirectory), target=tmp_path, overwrite=True),
                 'Target "%s" already exists and is not a directory.' % clash)
    assert folder_entries(tmp_path) == before


# The copy's name is checked before the target is read or written: a bad name
# never reaches the disk, so nothing can land outside the chosen target.
@pytest.mark.parametrize("kind", [Parameter, ParameterBook, ParameterDirectory])
@pytest.mark.parametrize("path, rename, message", [
    (["root", ""], "", "Copy name could not be empty."),
    (["root", ""], "   ", "Copy name could not be empty."),
    (PATH, "..", INVALID % ".."),
    (PATH, "../escaped", INVALID % "../escaped"),
    (PATH, "sub/escaped", INVALID % "sub/escaped"),
    (PATH, "a\\b", INVALID % "a\\b"),
    (PATH, "x\ty", INVALID % "x\ty"),
    (["root", "a.b"], "", INVALID % "a.b"),
], ids=["empty", "blank", "dotdot", "parent", "separator", "backslash", "control", "default-dotted"])
def test_a_bad_copy_name_is_refused_before_anything_is_read_or_written(open_dialog, tmp_path, kind,
                                                                        path, rename, message):
    target = tmp_path / "inside" / "target"
    target.mkdir(parents=True)
    if kind is Parameter:
        # Not a book: loading it would raise, so the refusal came first.
        target = target / "not-a-book.para"
        target.write_text("garbage")
    (tmp_path / "inside" / "sub").mkdir()
    before = folder_entries(tmp_path)
    copy_refused(open_dialog(sample(kind), path=path, target=target, rename=rename), message)
    assert folder_entries(tmp_path) == before


def test_an_unusual_but_valid_name_is_written_inside_the_target(open_dialog, tmp_path):
    copy_succeeds(open_dialog(sample(ParameterBook), target=tmp_path, rename="Größe 2"))
    assert os.listdir(tmp_path) == ["Größe 2.para"]


@pytest.mark.parametrize("kind, make_target, error, line", [
    (Parameter, lambda t: (t / "bad.para").write_text("{"), ParameterFileError, 1049),
    (Parameter, lambda t: None, FileNotFoundError, 1049),
    (ParameterBook, lambda t: None, FileNotFoundError, 1058),
    (ParameterDirectory, lambda t: (t / "bad.para").write_text("x"), OSError, 1066),
], ids=["unreadable-book", "missing-book", "missing-directory", "file-as-directory"])
def test_model_errors_propagate_without_a_box(open_dialog, tmp_path, kind, make_target, error, line):
    make_target(tmp_path)
    dialog = open_dialog(sample(kind), target=tmp_path / "bad.para")
    with pytest.raises(error) as info:
        dialog.on_confirm(None)
    assert entry_of(info.value, "kvt_wxtools.ParaTreeCopyDialog.on_confirm").lineno == line
    assert shown_message_boxes() == []
