"""Translations: without a catalog every text stays exactly as written; with
the English catalog no Chinese is left in any window the module makes, with
the Chinese one no English of ours; the catalogs hold every wrapped text."""
import ast
import glob
import os
import re
import shutil
import sys

import pytest
import wx

from harness import (REPO_ROOT, answer_message_box, answer_text_entry, call_modal, modal_window,
                     run_python, shown_message_boxes)
import kvt_handy
import kvt_wxtools
from kvt_paratree import Parameter

CJK = re.compile(r"[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]")
SAMPLE_TREE = os.path.join(REPO_ROOT, "examples", "sample_tree")


@pytest.fixture
def language(request):
    """Loads the catalog named by the test's parameter; none loaded afterwards."""
    assert kvt_handy.load_translations(request.param) is True
    yield request.param
    wx.Translations.Set(None)


def texts(window):
    """Every text of ours that `window` shows: titles, labels, hints and the
    grids' column labels, the window and all its descendants (not the values
    of text fields or tree items, which are the caller's data)."""
    found = []
    if isinstance(window, wx.TopLevelWindow):
        found.append(window.GetTitle())
    if isinstance(window, (wx.Button, wx.StaticText, wx.StaticBox, wx.CheckBox)):
        found.append(window.GetLabel())
    if isinstance(window, wx.TextCtrl) and window.GetHint():
        found.append(window.GetHint())
    if isinstance(window, wx.grid.Grid):
        found.extend(window.GetColLabelValue(c) for c in range(window.GetNumberCols()))
    for child in window.GetChildren():
        found.extend(texts(child))
    return [t for t in found if t]


def module_windows():
    """One of every window the module makes, built on Chinese-only data."""
    parameter = Parameter()
    parameter.description = "描述"
    parameter["速度"] = 1
    tree = kvt_wxtools.ParameterTreeDialog(None, SAMPLE_TREE)
    return [
        kvt_wxtools.SimpleInputDialog(None),
        kvt_wxtools.MultipleInputDialog(None, ["名称"]),
        kvt_wxtools.TrueOrFalseDialog(None, "问题", "继续？"),
        kvt_wxtools.ChooseOneButtonDialog(None, "颜色", "选一个：", ["红", "绿"]),
        kvt_wxtools.SingleChoiceTimeoutDialog(None, "端口：", "选择", ["一", "二"], timeout=0),
        kvt_wxtools.WaitForDialog(None, "请稍候", "复制中", lambda: None),
        kvt_wxtools.AutoCloseMessageBox(None, "已保存", "完成"),
        kvt_wxtools.ProgressDialog(None, kvt_handy.Progress("复制", subtotal=3)),
        tree,
        kvt_wxtools.ParameterEditorDialog(None, "参数", parameter),
        kvt_wxtools.ParameterScalarAttributeEditorDialog(None, "速度", 1),
        kvt_wxtools.DescriptionEditorDialog(None, parameter),
        kvt_wxtools.ParaTreeCopyDialog(None, ["参数"], parameter),
    ]


def shown_texts():
    windows = module_windows()
    try:
        return {type(w).__name__: texts(w) for w in windows}
    finally:
        for w in windows:
            w.Destroy()


def test_without_a_catalog_texts_are_exact():
    shown = shown_texts()
    assert shown["SimpleInputDialog"] == ["请输入", "请输入信息：", "确定", "取消"]
    assert shown["ProgressDialog"][0] == "进度"
    assert shown["MultipleInputDialog"] == ["Input", "名称", "OK", "Cancel"]
    assert shown["TrueOrFalseDialog"] == ["问题", "继续？", "Yes", "No"]
    assert shown["ParameterTreeDialog"][:2] == ["Parameter Tree Editor", "Parameter directory:"]
    assert "(the same name)" in shown["ParaTreeCopyDialog"]


@pytest.mark.parametrize("language", ["en"], indirect=True)
def test_english_catalog_leaves_no_chinese(language):
    for name, found in shown_texts().items():
        assert not [t for t in found if CJK.search(t) and t not in CHINESE_DATA], name
    # The defaults come back in English; texts given by the caller stay.
    dialog = kvt_wxtools.SimpleInputDialog(None, title="请输入名字")
    assert texts(dialog) == ["请输入名字", "Please enter:", "OK", "Cancel"]
    dialog.Destroy()


# The Chinese texts that module_windows passes in as data.
CHINESE_DATA = {"名称", "问题", "继续？", "颜色", "选一个：", "红", "绿", "端口：", "选择", "请稍候",
                "复制中", "已保存", "完成", "复制", "描述", "速度", "参数"}


@pytest.mark.parametrize("language", ["zh_CN"], indirect=True)
def test_chinese_catalog_leaves_no_english(language):
    for name, found in shown_texts().items():
        # wx's own stock buttons carry their mnemonic as "(&C)"; key names
        # stay as the keyboard writes them (the find field's hint, which
        # wxPython 4.0's generic search field shows as a text field's hint).
        english = [t for t in found if re.search("[A-Za-z]", re.sub(r"\(&\w\)|Ctrl\+\w", "", t))]
        assert english == [], name


@pytest.mark.parametrize("language", ["zh_CN"], indirect=True)
def test_chinese_catalog_translates_messages(language, tmp_path):
    """MB's default captions, a fixed message and one made from a template."""
    call_modal(lambda: kvt_wxtools.MB.Input("年龄", int), answer_text_entry("abc"),
               answer_message_box(wx.OK))
    shutil.copytree(SAMPLE_TREE, tmp_path / "树")
    dialog = kvt_wxtools.ParameterTreeDialog(None, str(tmp_path / "树"))
    try:
        panel = next(c for c in dialog.GetChildren() if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel))
        call_modal(lambda: panel.on_save(None), answer_message_box(wx.OK))
    finally:
        dialog.Destroy()
    assert [(box.caption, box.message) for box in shown_message_boxes()] == [
        ("错误", "输入格式无效。"), ("信息", "参数已保存到 %s。" % (tmp_path / "树"))]


@pytest.mark.parametrize("language", ["en"], indirect=True)
def test_english_catalog_translates_the_copy_notice(language, tmp_path):
    dialog = kvt_wxtools.ParameterTreeDialog(None, SAMPLE_TREE)
    try:
        panel = next(c for c in dialog.GetChildren() if isinstance(c, kvt_wxtools.ParameterTreeEditorPanel))
        call_modal(lambda: panel.on_copy_parameter(None), answer_message_box(wx.OK), timeout=5)
    finally:
        dialog.Destroy()
    assert [b.message for b in shown_message_boxes()] == ["Please select exactly one parameter to copy."]


def test_unknown_language_and_unloading_leave_texts_exact():
    try:
        assert kvt_handy.load_translations("de") is False
        assert kvt_handy.tr("进度") == "进度" and kvt_handy.tr("Cancel") == "Cancel"
        assert kvt_handy.load_translations("zh_CN") is True
        assert kvt_handy.tr("Cancel") == "取消"
    finally:
        wx.Translations.Set(None)
    assert kvt_handy.tr("Cancel") == "Cancel"
    with pytest.raises(TypeError):
        kvt_handy.load_translations(1)


def test_program_with_an_english_locale_sees_english():
    result = run_python("""
        import wx, kvt_handy, kvt_wxtools
        app = wx.App(False)
        # This machine may lack the C library's English locale: wx's complaint
        # about it goes to stderr instead of a message box.
        wx.Log.SetActiveTarget(wx.LogStderr())
        locale = wx.Locale(wx.LANGUAGE_ENGLISH)
        loaded = kvt_handy.load_translations()
        dialog = kvt_wxtools.ProgressDialog(None, kvt_handy.Progress("x", subtotal=1))
        title = dialog.GetTitle()
        dialog.Destroy()
        report([loaded, title])
    """)
    assert result.data == [True, "Progress"], result


def wrapped_texts():
    """The literal texts handed to the translation helpers in the sources
    (adjacent C++ literals joined, as the compiler joins them)."""
    literals = r'((?:"(?:[^"\\]|\\.)*"\s*)+)'
    found = set()
    for path in glob.glob(os.path.join(REPO_ROOT, "src", "**", "*.*"), recursive=True):
        source = open(path, encoding="utf-8").read()
        pieces = re.findall(r'\btr(?:_format)?\(\s*' + literals, source)
        pieces += re.findall(r'\btr_default\([^,()]+, ' + literals + r'\)', source)
        # The caption and button texts of the editor's questions.
        for args in re.findall(r'\bask\(self, [^,]+,((?:\s*"[^"]*"[,)])+)', source):
            pieces += re.findall(r'"[^"]*"', args)
        found.update("".join(re.findall(r'"((?:[^"\\]|\\.)*)"', piece)) for piece in pieces)
    helpers = {"tr", "_tip", "_add_label", "_start_dialog", "_stock_button", "_ok_cancel_sizer", "_make_grid"}
    tree = ast.parse(open(os.path.join(REPO_ROOT, "kvt_paratreeui.py"), encoding="utf-8").read())
    for call in ast.walk(tree):
        if isinstance(call, ast.Call) and getattr(call.func, "id", None) in helpers:
            for arg in call.args:
                for node in (arg.elts if isinstance(arg, ast.Tuple) and call.func.id == "_make_grid" else [arg]):
                    if isinstance(node, ast.Constant) and isinstance(node.value, str):
                        found.add(node.value)
    return {t.replace('\\"', '"').replace("\\n", "\n") for t in found}


def test_catalogs_translate_every_wrapped_text():
    texts_found = wrapped_texts()
    assert len(texts_found) > 60
    try:
        for language, is_source in (("zh_CN", lambda t: not CJK.search(t)), ("en", CJK.search)):
            wx.Translations.Set(None)
            assert kvt_handy.load_translations(language)
            untranslated = [t for t in texts_found if is_source(t) and kvt_handy.tr(t) == t]
            assert untranslated == [], language
    finally:
        wx.Translations.Set(None)


@pytest.fixture
def gallery(tmp_path):
    sys.path.insert(0, os.path.join(REPO_ROOT, "examples", "gallery"))
    import gallery_frame
    frame = gallery_frame.GalleryFrame(tree_dir=str(tmp_path / "tree"))
    try:
        yield frame
    finally:
        frame.Close(force=True)
        gallery_frame.set_language(None)


def test_language_choice_switches_the_next_windows(gallery):
    def texts_of_next_editor():
        seen = []

        def read_and_end():
            dialog = modal_window(wx.Dialog)
            panel = dialog.GetChildren()[0]
            seen.append([dialog.GetTitle(), panel.ui_load_button.GetLabel()])
            dialog.EndModal(wx.ID_CANCEL)
        call_modal(gallery.on_tree_editor, read_and_end)
        return seen[0]

    languages = [code for code, _ in sys.modules["gallery_frame"].LANGUAGES]
    for code, expected in ((None, ["Parameter Tree Editor", "Load..."]),
                           ("zh_CN", ["参数树编辑器", "加载…"]), ("en", ["Parameter Tree Editor", "Load..."])):
        gallery.language_choice.SetSelection(languages.index(code))
        gallery.on_language()
        assert texts_of_next_editor() == expected, code
