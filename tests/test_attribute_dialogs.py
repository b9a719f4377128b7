"""The parameter editor and the two dialogs it opens (attribute value editor,
description editor), driven for real on Xvfb."""
import pytest
import wx

from harness import (NotReady, answer_message_box, answer_text_entry, assert_all_destroyed, call,
                     call_modal, click, end_modal, entry_of, failing_dialog, flush_events, modal_window,
                     run_modal, shown_message_boxes)
import kvt_wxtools as kvt
import kvt_paratree

Scalar = kvt.ParameterScalarAttributeEditorDialog
INT, FLOAT, STR, BOOL, JSON = range(5)


@pytest.fixture
def dialogs():
    """Windows a test makes; pending CallAfter work runs before they go."""
    made = []
    yield made
    flush_events()
    for window in made:
        window.Destroy()


@pytest.fixture(autouse=True)
def name_rule(monkeypatch):
    """The attribute-name rule lives on the tree panel; where the panel is not
    built in, a stand-in applies the same rule."""
    if not hasattr(kvt, "ParameterTreeEditorPanel"):
        class Panel:
            @staticmethod
            def is_valid_name(name):
                return bool(name) and not any(c in name for c in kvt_paratree.InvalidNameCharacters)
        monkeypatch.setattr(kvt, "ParameterTreeEditorPanel", Panel, raising=False)


def modal(cls):
    """The innermost open modal dialog of `cls`, once it runs modally."""
    d = modal_window(cls)
    if not d.IsModal():
        raise NotReady("%s not modal yet" % cls.__name__)
    return d


def cells(grid):
    return [[grid.GetCellValue(r, c) for c in range(grid.GetNumberCols())]
            for r in range(grid.GetNumberRows())]


def select_rows(grid, rows):
    grid.ClearSelection()
    for row in rows:
        grid.SelectRow(row, addToSelected=True)


def choose_type(dlg, index):
    dlg.ui_type.SetSelection(index)
    dlg.on_type_changed(None)


def shown(dlg):
    return {name: getattr(dlg, name).IsShown()
            for name in ("ui_bool_value", "ui_value_single_line", "ui_value_multiline",
                         "ui_multiline_string")}


# --------------------------------------------------------------------------
# Attribute value editor

@pytest.mark.parametrize("value, index, text", [
    (None, STR, ""),
    (7, INT, "7"),
    (1.5, FLOAT, "1.5"),
    ("  inner  blanks ", STR, "  inner  blanks "),
    (True, BOOL, "true"),
    (False, BOOL, "false"),
    ([1, 2], JSON, "[\n    1,\n    2\n]"),
    ({"名称": ["速度"]}, JSON, '{\n    "名称": [\n        "速度"\n    ]\n}'),
])
def test_scalar_editor_opens_with_the_value_type_and_text(dialogs, value, index, text):
    d = Scalar(None, "speed", value)
    dialogs.append(d)
    assert d.ui_name.GetValue() == "speed"
    assert d.ui_type.GetSelection() == index
    # The text always lands in the single-line control; the other stays empty.
    assert (d.ui_value is d.ui_value_single_line, d.ui_value_single_line.GetValue(),
            d.ui_value_multiline.GetValue()) == (True, text, "")
    assert d.value is value
    if isinstance(value, bool):
        assert d.ui_bool_value.GetSelection() == (0 if value else 1)


def test_scalar_editor_switches_to_the_bool_choice_only_after_the_event_loop(dialogs):
    d = Scalar(None, "on", True)
    plain = Scalar(None, "n", 7)
    dialogs += [d, plain]
    assert shown(d)["ui_value_single_line"] and not shown(d)["ui_bool_value"]
    flush_events()
    assert shown(d) == {"ui_bool_value": True, "ui_value_single_line": False,
                        "ui_value_multiline": False, "ui_multiline_string": False}
    # Other types keep the initial layout.
    assert shown(plain) == {"ui_bool_value": False, "ui_value_single_line": True,
                            "ui_value_multiline": False, "ui_multiline_string": True}


@pytest.mark.parametrize("index, bool_, single, multi, check_shown, checked", [
    (INT, False, True, False, False, False),
    (FLOAT, False, True, False, False, False),
    (BOOL, True, False, False, False, False),
    (JSON, False, False, True, False, True),
])
def test_scalar_editor_type_change_shows_the_controls_of_the_type(
        dialogs, index, bool_, single, multi, check_shown, checked):
    d = Scalar(None, "x")
    dialogs.append(d)
    d.ui_multiline_string.SetValue(True)  # left over from an earlier choice
    choose_type(d, index)
    assert shown(d) == {"ui_bool_value": bool_, "ui_value_single_line": single,
                        "ui_value_multiline": multi, "ui_multiline_string": check_shown}
    assert d.ui_multiline_string.IsChecked() == checked
    assert d.ui_value is (d.ui_value_multiline if checked else d.ui_value_single_line)


def test_scalar_editor_str_keeps_its_line_choice_and_each_control_its_text(dialogs):
    d = Scalar(None, "note", "one line")
    dialogs.append(d)
    d.ui_multiline_string.SetValue(True)
    d.on_multiline_state_changed(None)
    choose_type(d, STR)  # str keeps the ticked box
    assert d.ui_multiline_string.IsChecked() and d.ui_value is d.ui_value_multiline
    assert (d.ui_value_multiline.IsShown(), d.ui_value_single_line.IsShown()) == (True, False)
    d.ui_value_multiline.SetValue(" first\nsecond ")
    assert run_modal(d, click(d.ui_ok_button)) == wx.ID_OK
    assert d.value == "first\nsecond"
    # Unticked, OK reads the single-line control's own text again.
    d.ui_multiline_string.SetValue(False)
    d.on_multiline_state_changed(None)
    assert run_modal(d, click(d.ui_ok_button)) == wx.ID_OK
    assert d.value == "one line"


@pytest.mark.parametrize("index, text, expected", [
    (INT, " 12 ", 12),
    (INT, "-3", -3),
    (FLOAT, "1e3", 1000.0),
    (FLOAT, " inf", float("inf")),
    (STR, "  a  b\t", "a  b"),
    (STR, "   ", ""),
    (JSON, ' {"k": [1, "二"]} ', {"k": [1, "二"]}),
    (JSON, "3", 3),
    (JSON, "null", None),
    (JSON, '"text"', "text"),
])
def test_scalar_editor_ok_converts_the_text(dialogs, index, text, expected):
    d = Scalar(None, "x", "old")
    dialogs.append(d)
    choose_type(d, index)
    d.ui_value.SetValue(text)
    assert run_modal(d, click(d.ui_ok_button)) == wx.ID_OK
    assert d.value == expected and type(d.value) is type(expected)


@pytest.mark.parametrize("start, item, expected", [(True, None, True), (True, 1, False),
                                                    (False, 0, True)])
def test_scalar_editor_ok_takes_bool_from_the_choice(dialogs, start, item, expected):
    d = Scalar(None, "on", start)
    dialogs.append(d)
    flush_events()
    d.ui_value.SetValue("ignored")
    if item is not None:
        d.ui_bool_value.SetSelection(item)
    assert run_modal(d, click(d.ui_ok_button)) == wx.ID_OK
    assert d.value is expected


@pytest.mark.parametrize("index, text, message", [
    (INT, "1.5", "Value format is invalid for type `int`. Please check what you input."),
    (FLOAT, "", "Value format is invalid for type `float`. Please check what you input."),
    (JSON, "[1, 2", "Value format is invalid for JSON format. Please check what you input."),
])
def test_scalar_editor_refuses_text_that_does_not_convert(dialogs, index, text, message):
    d = Scalar(None, "x", 5)
    dialogs.append(d)
    choose_type(d, index)
    d.ui_value.SetValue(text)
    code = run_modal(d, click(d.ui_ok_button), answer_message_box(wx.OK, message=message, caption="Error"),
                     # Still open after the error: the user may correct the text.
                     call(lambda: assert_modal(d)), end_modal(wx.ID_CANCEL))
    assert code == wx.ID_CANCEL and d.value == 5


def assert_modal(d):
    assert d.IsModal()


class Text(str):
    pass


@pytest.mark.parametrize("value, kind", [((1, 2), "<class 'tuple'>"), ({1}, "<class 'set'>"),
                                         (Text("x"), "<class 'test_attribute_dialogs.Text'>")])
def test_scalar_editor_refuses_unsupported_value_types(value, kind):
    with pytest.raises(TypeError) as info:
        Scalar(None, "x", value)
    assert str(info.value) == "Unsupported attribute value type: " + kind
    assert entry_of(info.value, "kvt_wxtools.ParameterScalarAttributeEditorDialog.__init__").lineno == 799
    # The half-built dialog is the caller's to destroy.
    for w in wx.GetTopLevelWindows():
        if isinstance(w, Scalar):
            w.Destroy()


@pytest.mark.parametrize("make", [lambda: Scalar(None, b"x"),
                                  lambda: kvt.ParameterEditorDialog(None, b"x")])
def test_editor_names_must_be_text(make):
    with pytest.raises(TypeError, match=r"^Argument 'name' has incorrect type \(expected str, got bytes\)$"):
        make()
    assert not wx.GetTopLevelWindows()


# --------------------------------------------------------------------------
# Description editor

def test_description_editor_lists_each_locale(dialogs):
    p = kvt_paratree.Parameter(descriptions={"en": "Speed", "zh": "速度"})
    d = kvt.DescriptionEditorDialog(None, p)
    empty = kvt.DescriptionEditorDialog(None, kvt_paratree.Parameter(descriptions={}))
    dialogs += [d, empty]
    assert cells(d.ui_descriptions) == [["en", "Speed"], ["zh", "速度"]]
    assert cells(empty.ui_descriptions) == []


def expect_prefill(text, message):
    def action():
        box = modal(wx.TextEntryDialog)
        assert box.GetValue() == text
        assert message in [c.GetLabel() for c in box.GetChildren() if isinstance(c, wx.StaticText)]
    return action


@pytest.mark.parametrize("typed, code, stored", [("Vitesse ", wx.ID_OK, "Vitesse "), ("", wx.ID_OK, ""),
                                                 ("Vitesse", wx.ID_CANCEL, "Tempo")])
def test_description_editor_edits_the_selected_locale(dialogs, typed, code, stored):
    p = kvt_paratree.Parameter(descriptions={"en": "Speed", "fr": "Tempo"})
    d = kvt.DescriptionEditorDialog(None, p)
    dialogs.append(d)
    select_rows(d.ui_descriptions, [1])
    call_modal(lambda: d.on_edit(None),
               expect_prefill("Tempo", "Please input description for local `fr`."),
               answer_text_entry(typed, code))
    assert p.all_descriptions() == {"en": "Speed", "fr": stored}
    assert cells(d.ui_descriptions) == [["en", "Speed"], ["fr", stored]]


@pytest.mark.parametrize("rows, boxes", [([0, 1], ["Only one description could be edited at one time."]),
                                         ([], [])])
def test_description_editor_edits_one_row_at_a_time(dialogs, rows, boxes):
    p = kvt_paratree.Parameter(descriptions={"en": "Speed", "fr": "Tempo"})
    d = kvt.DescriptionEditorDialog(None, p)
    dialogs.append(d)
    select_rows(d.ui_descriptions, rows)
    actions = [answer_message_box(wx.OK, message=m, caption="Info") for m in boxes]
    call_modal(lambda: d.on_edit(None), *actions)
    assert [b.message for b in shown_message_boxes()] == boxes
    assert p.all_descriptions() == {"en": "Speed", "fr": "Tempo"}


@pytest.mark.parametrize("rows, edit, delete", [([], False, False), ([1], True, True),
                                                ([0, 2], False, True)])
def test_description_editor_buttons_follow_the_selection(dialogs, rows, edit, delete):
    p = kvt_paratree.Parameter(descriptions={"en": "a", "fr": "b", "de": "c"})
    d = kvt.DescriptionEditorDialog(None, p)
    dialogs.append(d)
    d.ui_edit_button.Enable(True)
    select_rows(d.ui_descriptions, rows)
    d.on_select_changed(None)
    assert (d.ui_edit_button.IsEnabled(), d.ui_delete_button.IsEnabled()) == (edit, delete)


# --------------------------------------------------------------------------
# Parameter editor

@pytest.fixture
def motor():
    return kvt_paratree.Parameter({"speed": 7, "on": True, "limits": {"low": [1, 2.5]}, "label": "x"},
                                  descriptions={"en": "Main motor"})


@pytest.fixture
def editor(dialogs, motor):
    d = kvt.ParameterEditorDialog(None, "motor", motor)
    dialogs.append(d)
    return d


def test_parameter_editor_shows_the_parameter(editor, motor):
    assert (editor.ui_name.GetValue(), editor.ui_description.GetValue()) == ("motor", "Main motor")
    # Values as their str() text, not JSON.
    assert cells(editor.ui_attributes) == [["speed", "7"], ["on", "True"],
                                           ["limits", "{'low': [1, 2.5]}"], ["label", "x"]]
    assert editor.parameter is motor


class FalsyParameter(kvt_paratree.Parameter):
    __slots__ = ()

    def __bool__(self):
        return False


def test_parameter_editor_replaces_only_a_missing_parameter(dialogs):
    new = kvt.ParameterEditorDialog(None, "new")
    given = FalsyParameter({"a": 1})
    kept = kvt.ParameterEditorDialog(None, "kept", given)
    dialogs += [new, kept]
    assert type(new.parameter) is kvt_paratree.Parameter and new.parameter == kvt_paratree.Parameter()
    assert cells(new.ui_attributes) == [] and new.ui_description.GetValue() == ""
    # A given parameter is edited in place, whatever its truth value.
    assert kept.parameter is given and cells(kept.ui_attributes) == [["a", "1"]]


def test_parameter_editor_buttons_follow_the_selection(editor):
    buttons = (editor.ui_edit_button, editor.ui_rename_button, editor.ui_delete_button)
    select_rows(editor.ui_attributes, [0, 2])
    editor.on_select_attribute(None)
    assert [b.IsEnabled() for b in buttons] == [True] * 3
    editor.ui_attributes.ClearSelection()
    editor.on_select_attribute(None)
    assert [b.IsEnabled() for b in buttons] == [False] * 3


def set_value_and_ok(index, text):
    """Action: in the open attribute editor choose `index`, type `text`, press OK."""
    def action():
        d = modal(Scalar)
        choose_type(d, index)
        d.ui_value.SetValue(text)
        click(d.ui_ok_button)()
    return action


INVALID = "Attribute name `a:b` is invalid. It may be has invalid characters: `%s`." % (
    kvt_paratree.InvalidNameCharacters,)


@pytest.mark.parametrize("typed, message", [
    ("", "Attribute name could not be empty."),
    ("a:b", INVALID),
    ("speed", "Attribute name `speed` already exists.\nPlease choose another one."),
])
def test_parameter_editor_add_refuses_bad_names(editor, motor, typed, message):
    before = motor.items()
    call_modal(lambda: editor.on_add(None), answer_text_entry(typed),
               answer_message_box(wx.OK, message=message, caption="Error"))
    assert motor.items() == before and editor.ui_attributes.GetNumberRows() == 4
    assert len(shown_message_boxes()) == 1  # and no attribute editor was opened


def test_parameter_editor_add_cancelled(editor, motor):
    before = motor.items()
    call_modal(lambda: editor.on_add(None),
               answer_text_entry("Speed", code=wx.ID_CANCEL))
    # A name differing only in case is new: the attribute editor opens.
    call_modal(lambda: editor.on_add(None), answer_text_entry("Speed"),
               call(lambda: modal(Scalar).ui_value.SetValue("9")), end_modal(wx.ID_CANCEL))
    assert motor.items() == before and editor.ui_attributes.GetNumberRows() == 4
    assert not shown_message_boxes()


def test_parameter_editor_add_appends_the_attribute(editor, motor):
    call_modal(lambda: editor.on_add(None),
               answer_text_entry("gear", message="Please input your preferred attribute name."),
               set_value_and_ok(JSON, '[1, "二"]'))
    assert motor["gear"] == [1, "二"]
    assert cells(editor.ui_attributes)[-1] == ["gear", "[1, '二']"]


@pytest.mark.parametrize("row, name, index, text, typed, stored", [
    (0, "speed", INT, "7", "9", 9),
    (2, "limits", JSON, '{\n    "low": [\n        1,\n        2.5\n    ]\n}', "[]", []),
])
def test_parameter_editor_edit_opens_the_value_and_stores_it(editor, motor, row, name, index, text,
                                                             typed, stored):
    seen = []

    def look():
        d = modal(Scalar)
        seen.append((d.ui_name.GetValue(), d.ui_type.GetSelection(), d.ui_value.GetValue()))

    select_rows(editor.ui_attributes, [row])
    call_modal(lambda: editor.on_edit(None), look, set_value_and_ok(index, typed))
    assert seen == [(name, index, text)]
    assert motor[name] == stored and editor.ui_attributes.GetCellValue(row, 1) == str(stored)


def test_parameter_editor_edit_cancelled_keeps_the_value(editor, motor):
    select_rows(editor.ui_attributes, [1])
    call_modal(lambda: editor.on_edit(None), call(lambda: modal(Scalar).ui_bool_value.SetSelection(1)),
               end_modal(wx.ID_CANCEL))
    assert motor["on"] is True and editor.ui_attributes.GetCellValue(1, 1) == "True"


@pytest.mark.parametrize("opened, handler, line", [
    ("ParameterScalarAttributeEditorDialog", "on_edit", 969),
    ("DescriptionEditorDialog", "on_edit_descriptions", 977),
])
def test_parameter_editor_destroys_the_dialog_it_opened_when_showing_raises(
        editor, motor, monkeypatch, opened, handler, line):
    error = LookupError("broken")
    dialog = failing_dialog(getattr(kvt, opened), error)
    monkeypatch.setattr(kvt, opened, dialog)
    select_rows(editor.ui_attributes, [0])
    with pytest.raises(LookupError) as info:
        getattr(editor, handler)(None)
    assert info.value is error and info.value.__context__ is None
    assert entry_of(info.value, "kvt_wxtools.ParameterEditorDialog." + handler).lineno == line
    assert_all_destroyed(dialog.made)
    assert motor["speed"] == 7


@pytest.mark.parametrize("rows, boxes", [([0, 3], ["Only one attribute could be edited one time."]),
                                         ([], [])])
def test_parameter_editor_edit_needs_one_row(editor, motor, rows, boxes):
    before = motor.items()
    select_rows(editor.ui_attributes, rows)
    call_modal(lambda: editor.on_edit(None),
               *[answer_message_box(wx.OK, message=m, caption="Info") for m in boxes])
    assert [b.message for b in shown_message_boxes()] == boxes
    assert motor.items() == before


@pytest.mark.parametrize("rows, question", [
    ([2], "Do you really want to delete this 1 item?"),
    ([0, 1, 3], "Do you really want to delete these 3 items?"),
])
def test_parameter_editor_delete_asks_first(editor, motor, rows, question):
    before = motor.items()
    select_rows(editor.ui_attributes, rows)
    call_modal(lambda: editor.on_delete(None), answer_message_box(wx.NO, message=question, caption="Confirm"))
    assert motor.items() == before and editor.ui_attributes.GetNumberRows() == 4
    call_modal(lambda: editor.on_delete(None), answer_message_box(wx.YES, message=question))
    gone = {before[r][0] for r in rows}
    assert motor.items() == [item for item in before if item[0] not in gone]
    assert [row[0] for row in cells(editor.ui_attributes)] == [name for name, _ in motor.items()]


@pytest.mark.parametrize("order", [[1, 3], [3, 1], [4, 0, 2]])
def test_parameter_editor_delete_goes_from_the_highest_row_whatever_the_selection_order(
        dialogs, monkeypatch, order):
    names = ["a", "b", "c", "d", "e"]
    p = kvt_paratree.Parameter({n: i for i, n in enumerate(names)})
    d = kvt.ParameterEditorDialog(None, "p", p)
    dialogs.append(d)
    select_rows(d.ui_attributes, order)
    # The grid reports its rows sorted; a selection may come in any order.
    monkeypatch.setattr(d.ui_attributes, "GetSelectedRows", lambda: list(order))
    call_modal(lambda: d.on_delete(None), answer_message_box(wx.YES))
    left = [n for i, n in enumerate(names) if i not in order]
    assert p.names() == left and [row[0] for row in cells(d.ui_attributes)] == left


def test_parameter_editor_delete_without_selection(editor, motor):
    call_modal(lambda: editor.on_delete(None),
               answer_message_box(wx.OK, message="Please select the items you want to delete...",
                                  caption="Info"))
    assert len(motor.items()) == 4


def test_parameter_editor_description_edits_show_however_the_editor_closes(editor, motor):
    def descriptions():
        return modal(kvt.DescriptionEditorDialog)

    call_modal(lambda: editor.on_edit_descriptions(None),
               call(lambda: descriptions().ui_descriptions.SelectRow(0)),
               click(lambda: descriptions().ui_edit_button),
               answer_text_entry("Spare motor"),
               end_modal(wx.ID_CANCEL))
    assert motor.description == "Spare motor"
    assert editor.ui_description.GetValue() == "Spare motor"


# --------------------------------------------------------------------------
# Message boxes are looked up before their text is built

class LoggedCharacters(tuple):
    """The invalid-character list, noting when its text is made."""
    log = None

    def __str__(self):
        self.log.append("text")
        return "<chars>"


def refuse_int_text(monkeypatch, log):
    d = Scalar(None, "x", 5)
    choose_type(d, INT)
    d.ui_value.SetValue("1.5")
    monkeypatch.setattr(d.ui_type, "GetStringSelection", lambda: log.append("text") or "int")
    return d, lambda: d.on_ok(None), "Value format is invalid for type `int`. Please check what you input."


def refuse_attribute_name(monkeypatch, log):
    monkeypatch.setattr(LoggedCharacters, "log", log)
    monkeypatch.setattr(kvt, "_InvalidNameCharacters", LoggedCharacters(kvt_paratree.InvalidNameCharacters))
    d = kvt.ParameterEditorDialog(None, "p")
    return d, lambda: d.on_add(None), "Attribute name `a:b` is invalid. It may be has invalid characters: `<chars>`."


@pytest.mark.parametrize("scenario", [refuse_int_text, refuse_attribute_name])
def test_the_error_box_is_looked_up_before_its_text_is_made(dialogs, monkeypatch, scenario):
    log = []

    class Boxes:
        @staticmethod
        def Input(message):
            return "a:b"

        def __getattr__(self, name):
            log.append("MB." + name)
            return lambda message: log.append(message)

    d, handler, message = scenario(monkeypatch, log)
    dialogs.append(d)
    monkeypatch.setattr(kvt, "MB", Boxes())
    handler()
    assert log == ["MB.Error", "text", message]
