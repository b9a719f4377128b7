// ParameterTreeEditorPanel: shows a parameter directory tree (directories and
// books) in a tree control and the selected book's parameters in a grid;
// loads and saves the tree and runs the editing and copy commands.
#include "module/kvt.h"
#include "paratree/names.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// ---------------------------------------------------------------- helpers ---

// `MB.<which>(message)`; the box is read before the message is made.
py::object mb_box(const char* which) { return get_attr(global("MB"), which); }

py::object ui(py::handle self, const char* control) { return get_attr(self, control); }

py::object clear_book(py::handle self) { return call_method(self, "_ParameterTreeEditorPanel__clear_book"); }

py::object selected_tree_item_path(py::handle self, py::handle item) {
    return call_method(self, "_ParameterTreeEditorPanel__get_selected_tree_item_path", item);
}

// ------------------------------------------------- history, state, finding ---

py::object wx_module(const char* name) { return steal_result(PyImport_ImportModule(name)); }

py::object tree_of(py::handle self) { return ui(self, "ui_tree"); }

bool item_ok(py::handle item) { return truth(call_method(item, "IsOk")); }

// The child of tree item `parent` labelled `label` (an invalid item if none).
py::object child_item(py::handle tree, py::handle parent, py::handle label) {
    auto [child, cookie] = unpack_pair(call_method(tree, "GetFirstChild", parent));
    while (item_ok(child)) {
        if (call_method(tree, "GetItemText", child).equal(label)) return child;
        auto next = unpack_pair(call_method(tree, "GetNextChild", parent, cookie));
        child = next.first;
        cookie = next.second;
    }
    return child;
}

// The tree item reached from the root through the labels of `path` (an
// invalid item when the view does not show it, as while a filter is on).
py::object item_at(py::handle self, py::handle path) {
    py::object tree = tree_of(self);
    py::object item = call_method(tree, "GetRootItem");
    for (py::handle label : path) {
        if (!item_ok(item)) break;
        item = child_item(tree, item, label);
    }
    return item;
}

// The model object reached from `root` through the names of `path`.
py::object model_at(py::handle self, py::handle path) {
    py::object node = get_attr(self, "root");
    for (py::handle name : path) node = item(node, name);
    return node;
}

// Reads the grid's selected rows; the row buttons follow them.
void follow_grid_selection(py::handle self) { call_method(self, "on_select_parameter", py::none()); }

// Shows the book at `path` in the grid (selecting its tree item) and selects
// the parameter `name` there, if given.
void show_book_row(py::handle self, py::handle path, py::handle name) {
    py::object tree = tree_of(self);
    py::object item = item_at(self, path);
    if (!item_ok(item)) return;
    if (!call_method(tree, "GetSelection").equal(item)) call_method(tree, "SelectItem", item);
    // Refilled here as well: selecting the item that is already selected
    // sends no event.
    call_method(self, "on_tree_sel_changed", py::none());
    py::object grid = ui(self, "ui_book");
    call_method(grid, "ClearSelection");
    if (!name.is_none()) {
        const Py_ssize_t row = index_of(model_at(self, path), name);
        if (row >= 0) {
            call_method(grid, "SelectRow", py::int_(row));
            call_method(grid, "MakeCellVisible", py::int_(row), py::int_(0));
        }
    }
    follow_grid_selection(self);
}

bool is_directory(py::handle obj) { return is_instance(obj, global("_ParameterDirectory")); }

// Puts `child` back into the container at `path`, at `index`, and shows it.
void insert_child(py::handle self, py::handle path, py::handle name, py::handle child, py::handle index) {
    py::object container = model_at(self, path);
    const Py_ssize_t position = PyLong_AsSsize_t(index.ptr());
    if (position == -1 && PyErr_Occurred()) throw_python_error();
    insert_at(container, name, child, position);
    if (!is_directory(container)) {
        show_book_row(self, path, name);
        return;
    }
    py::object tree = tree_of(self);
    py::object parent_item = item_at(self, path);
    if (!item_ok(parent_item)) return;
    const bool directory = is_directory(child);
    py::object image = get_attr(self, directory ? "_ImageDirectory" : "_ImageBook");
    py::object insert = get_attr(tree, "InsertItem");
    py::object new_item = insert(parent_item, py::int_(index_of(container, name)), name, image, py::int_(-1), child);
    if (directory) call_method(self, "_construct_tree_branch", child, new_item);
    call_method(tree, "SelectItem", new_item);
}

// Takes the entry `name` out of the container at `path` and out of the view.
void remove_child(py::handle self, py::handle path, py::handle name) {
    py::object container = model_at(self, path);
    if (PyObject_DelItem(container.ptr(), name.ptr()) < 0) throw_python_error();
    if (!is_directory(container)) {
        show_book_row(self, path, py::none());
        return;
    }
    py::object tree = tree_of(self);
    py::object parent_item = item_at(self, path);
    if (!item_ok(parent_item)) return;
    py::object item = child_item(tree, parent_item, name);
    if (item_ok(item)) call_method(tree, "Delete", item);
    call_method(tree, "SelectItem", parent_item);
}

// Makes the parameter `name` of the book at `path` hold what `state` holds
// (a copy of it, so that the state kept for undo is never shared).
void set_parameter_state(py::handle self, py::handle path, py::handle name, py::handle state) {
    py::object parameter = item(model_at(self, path), name);
    py::object fresh = call_method(wx_module("copy"), "deepcopy", state);
    for (py::handle attribute : call_method(parameter, "names"))
        if (PyObject_DelItem(parameter.ptr(), attribute.ptr()) < 0) throw_python_error();
    for (py::handle pair : call_method(fresh, "items")) {
        auto [attribute, value] = unpack_pair(pair);
        if (PyObject_SetItem(parameter.ptr(), attribute.ptr(), value.ptr()) < 0) throw_python_error();
    }
    py::object wanted = call_method(fresh, "all_descriptions");
    for (py::handle local : call(global("list"), call_method(parameter, "all_descriptions")))
        if (!truth(call_method(wanted, "__contains__", local))) call_method(parameter, "remove_description", local);
    for (py::handle pair : call_method(wanted, "items")) {
        auto [local, text] = unpack_pair(pair);
        call_method(parameter, "set_description", text, local);
    }
    show_book_row(self, path, name);
}

// A step of an edit, as the commands record it.
py::tuple step(const char* kind, py::handle a, py::handle b, py::handle c, py::handle d) {
    return py::make_tuple(py::str(kind), a, b, c, d);
}

// Keeps an edit that a command has just made, so that it can be undone.
void record(py::handle self, py::handle name, py::list steps) {
    py::object command = call(global("_TreeEdit"), self, name, steps);
    call_method(get_attr(self, "history"), "Submit", command);
    call_method(self, "_update_state");
}

py::object path_of(py::handle self, py::handle item) { return selected_tree_item_path(self, item); }

py::object short_list(py::handle paths) {
    py::object text = py::str("\n").attr("join")(paths);
    return text;
}

// A message dialog with three or two answers of our own wording; returns
// what ShowModal returned (wx.ID_YES, wx.ID_NO or wx.ID_CANCEL).
py::object ask(py::handle parent, py::handle message, const char* caption, const char* yes, const char* no,
               const char* cancel) {
    py::object style = wx_attr("YES_NO") | wx_attr("ICON_WARNING");
    if (cancel) style = style | wx_attr("CANCEL");
    py::object dialog = call(wx_attr("MessageDialog"), parent, message, tr(caption), style);
    DestroyOnExit destroy_dialog(dialog);
    if (cancel)
        call_method(dialog, "SetYesNoCancelLabels", tr(yes), tr(no), tr(cancel));
    else
        call_method(dialog, "SetYesNoLabels", tr(yes), tr(no));
    py::object answer = call_method(dialog, "ShowModal");
    destroy_dialog.destroy();
    return answer;
}

void set_modified_mark(py::handle self, bool modified) {
    py::object mark = ui(self, "ui_modified_mark");
    py::object label = modified ? tr("* modified") : py::str("");
    if (call_method(mark, "GetLabel").not_equal(label)) call_method(mark, "SetLabel", label);
}

// 3001
py::object ParameterTreeEditorPanel_is_modified(py::handle self, Line& at) {
    at(3002);
    py::object root = get_attr(self, "root");
    if (root.is_none()) return py::bool_(false);
    at(3003);
    if (truth(call_method(get_attr(self, "history"), "IsDirty"))) return py::bool_(true);
    // Changes made from code to the tree (not through the commands) are
    // known to the tree itself.
    at(3004);
    if (PyObject_HasAttr(root.ptr(), interned("is_modified").ptr()))
        return py::bool_(truth(call_method(root, "is_modified")));
    return py::bool_(false);
}

// 3006
py::object ParameterTreeEditorPanel__update_state(py::handle self, Line& at) {
    at(3007);
    py::object history = get_attr(self, "history");
    call_method(ui(self, "ui_undo_button"), "Enable", call_method(history, "CanUndo"));
    at(3008);
    call_method(ui(self, "ui_redo_button"), "Enable", call_method(history, "CanRedo"));
    at(3009);
    // The menu labels name the change ("&Undo Delete Book `x`\tCtrl+Z"); a
    // tooltip shows them without the menu's marks.
    auto tip = [&](py::object label, const char* keys) {
        label = item(call_method(label, "split", py::str("\t")), py::int_(0));
        label = call_method(label, "replace", py::str("&"), py::str(""));
        return label + py::str(keys);
    };
    call_method(ui(self, "ui_undo_button"), "SetToolTip",
                tip(call_method(history, "GetUndoMenuLabel"), " (Ctrl+Z)"));
    call_method(ui(self, "ui_redo_button"), "SetToolTip",
                tip(call_method(history, "GetRedoMenuLabel"), " (Ctrl+Y, Ctrl+Shift+Z)"));
    // The history tells at once whether the commands changed the tree; the
    // tree itself, asked when the window is idle (at most once a second:
    // asking it may walk the whole tree), also knows about changes made
    // from code.
    at(3010);
    set_modified_mark(self, truth(call_method(history, "IsDirty")));
    return py::none();
}

// 3013
py::object ParameterTreeEditorPanel_on_update_modified_mark(py::handle self, py::handle, Line& at) {
    // Also catches changes made to the tree from code; looked at no more than
    // once a second, since asking the tree may walk all of it.
    at(3014);
    py::object now = call_method(wx_module("time"), "monotonic");
    py::object last = steal_result(PyObject_GetAttrString(self.ptr(), "_modified_checked_at"));
    at(3015);
    if (now - last < py::float_(1.0)) return py::none();
    self.attr(interned("_modified_checked_at")) = now;
    at(3016);
    set_modified_mark(self, truth(call_method(self, "is_modified")));
    return py::none();
}

// 3018
py::object ParameterTreeEditorPanel__apply_steps(py::handle self, py::handle steps, py::handle forward_arg, Line& at) {
    const bool forward = truth(forward_arg);
    at(3019);
    py::list order = py::reinterpret_steal<py::list>(steal_result(PySequence_List(steps.ptr())).release());
    if (!forward) call_method(order, "reverse");
    for (py::handle s : order) {
        at(3020);
        py::object kind = item(s, py::int_(0));
        py::object a = item(s, py::int_(1)), b = item(s, py::int_(2)), c = item(s, py::int_(3)),
                   d = item(s, py::int_(4));
        const bool insert = kind.equal(py::str("insert"));
        at(3021);
        if (insert || kind.equal(py::str("remove"))) {
            // (kind, container path, name, entry, index)
            if (insert == forward) insert_child(self, a, b, c, d);
            else remove_child(self, a, b);
        } else if (kind.equal(py::str("state"))) {
            // ("state", book path, name, before, after)
            at(3022);
            set_parameter_state(self, a, b, forward ? d : c);
        } else {
            // ("root", before, after)
            at(3023);
            self.attr(interned("root")) = forward ? b : a;
            call_method(self, "_refresh_tree_view");
            clear_book(self);
        }
        at(3019);
    }
    at(3024);
    if (truth(call_method(ui(self, "ui_find"), "GetValue"))) call_method(self, "_apply_filter");
    return py::none();
}

// 3026
py::object ParameterTreeEditorPanel_on_undo(py::handle self, py::handle, Line& at) {
    at(3027);
    py::object history = get_attr(self, "history");
    if (truth(call_method(history, "CanUndo"))) call_method(history, "Undo");
    at(3028);
    call_method(self, "_update_state");
    return py::none();
}

// 3030
py::object ParameterTreeEditorPanel_on_redo(py::handle self, py::handle, Line& at) {
    at(3031);
    py::object history = get_attr(self, "history");
    if (truth(call_method(history, "CanRedo"))) call_method(history, "Redo");
    at(3032);
    call_method(self, "_update_state");
    return py::none();
}

// 3034
py::object ParameterTreeEditorPanel__save_tree(py::handle self, py::handle overwrite, Line& at) {
    at(3035);
    py::object root = get_attr(self, "root");
    py::object e = catch_exception([&] {
        at(3036);
        py::object save = get_attr(root, "save");
        if (truth(overwrite)) save(get_attr(self, "root_path"), "overwrite"_a = true);
        else call(save, get_attr(self, "root_path"));
    });
    if (!e) {
        at(3037);
        call_method(get_attr(self, "history"), "MarkAsSaved");
        call_method(self, "_update_state");
        at(3038);
        call(mb_box("Notice"), tr_format("Save parameter to %s success.", get_attr(self, "root_path")));
        return py::bool_(true);
    }
    at(3039);
    py::object conflict_class = py::getattr(wx_module("kvt_paratree"), "ParameterConflictError", py::none());
    if (!conflict_class.is_none() && is_instance(e, conflict_class)) {
        // Nothing was written: the user sees what changed on both sides and
        // chooses.
        at(3040);
        py::object message = tr_format(
            "These books and folders were changed here and also on disk since the tree was loaded:\n\n%s\n\n"
            "Overwrite them on disk with the versions here? Everything else changed on disk is kept.",
            short_list(get_attr(e, "conflicts")));
        at(3041);
        if (ask(self, message, "Save conflicts", "Overwrite", "Cancel", nullptr).equal(wx_attr("ID_YES"))) {
            at(3042);
            return call_method(self, "_save_tree", py::bool_(true));
        }
        return py::bool_(false);
    }
    at(3043);
    call(mb_box("Error"), tr_format("Exception raised while saving parameter directory: %s", e));
    return py::bool_(false);
}

// 3045
py::object ParameterTreeEditorPanel_ask_to_save_changes(py::handle self, Line& at) {
    at(3046);
    if (!truth(call_method(self, "is_modified"))) return py::bool_(true);
    at(3047);
    py::object answer = ask(self, tr("The parameter tree has changes that are not saved.\n\nSave them first?"),
                            "Unsaved changes", "&Save", "&Don't save", "&Cancel");
    at(3048);
    if (answer.equal(wx_attr("ID_YES"))) return py::bool_(truth(call_method(self, "_save_tree", py::bool_(false))));
    at(3049);
    return py::bool_(answer.equal(wx_attr("ID_NO")));
}

// 3051
py::object ParameterTreeEditorPanel_on_rename_parameter(py::handle self, py::handle, Line& at) {
    at(3052);
    py::object rows = call_method(ui(self, "ui_book"), "GetSelectedRows");
    if (length(rows) != 1) {
        at(3053);
        if (length(rows) > 1) call(mb_box("Notice"), tr("Only one parameter could be renamed one time."));
        return py::none();
    }
    at(3054);
    py::object item_id = call_method(tree_of(self), "GetSelection");
    py::object book = call_method(tree_of(self), "GetItemData", item_id);
    if (!is_instance(book, global("_ParameterBook"))) return py::none();
    at(3055);
    py::object old_name = call_method(ui(self, "ui_book"), "GetCellValue", rows[py::int_(0)], py::int_(0));
    at(3056);
    py::object input = mb_box("Input");
    py::object name = input(tr_format("Please input the new name of parameter `%s`.", old_name),
                            "default"_a = old_name);
    at(3057);
    if (!truth(name) || name.equal(old_name)) return py::none();
    at(3058);
    if (!is_valid_name(name)) {
        call(mb_box("Error"), invalid_name_message("Parameter", name));
        return py::none();
    }
    at(3059);
    if (truth(call_method(call_method(book, "names"), "__contains__", name))) {
        call(mb_box("Error"), tr_format("Parameter name `%s` already exists. Please choose another one.", name));
        return py::none();
    }
    at(3060);
    const Py_ssize_t index = index_of(book, old_name);
    py::object parameter = item(book, old_name);
    rename_in_place(book, old_name, name);
    at(3061);
    py::object path = path_of(self, item_id);
    show_book_row(self, path, name);
    at(3062);
    py::list steps;
    steps.append(step("remove", path, old_name, parameter, py::int_(index)));
    steps.append(step("insert", path, name, parameter, py::int_(index)));
    record(self, tr_format("Rename parameter `%s`", old_name), steps);
    return py::none();
}

// 3064
py::object ParameterTreeEditorPanel_on_view_parameter(py::handle self, py::handle, Line& at) {
    at(3065);
    py::object rows = call_method(ui(self, "ui_book"), "GetSelectedRows");
    if (length(rows) == 0) return py::none();
    at(3066);
    py::object book = call_method(tree_of(self), "GetItemData", call_method(tree_of(self), "GetSelection"));
    if (!is_instance(book, global("_ParameterBook"))) return py::none();
    at(3067);
    py::object name = call_method(ui(self, "ui_book"), "GetCellValue", rows[py::int_(0)], py::int_(0));
    at(3068);
    py::object dialog = call(global("ParameterViewDialog"), self, name, item(book, name));
    DestroyOnExit destroy_dialog(dialog);
    at(3069);
    call_method(dialog, "ShowModal");
    destroy_dialog.destroy();
    return py::none();
}

// Whether `window` is `outer` or lies inside it.
bool within(py::handle window, py::handle outer) {
    py::object w = py::reinterpret_borrow<py::object>(window);
    while (!w.is_none()) {
        if (w.is(outer)) return true;
        w = call_method(w, "GetParent");
    }
    return false;
}

// 3071
py::object ParameterTreeEditorPanel_on_key(py::handle self, py::handle event, Line& at) {
    at(3072);
    py::object code = call_method(event, "GetKeyCode");
    const bool ctrl = truth(call_method(event, "ControlDown"));
    const bool shift = truth(call_method(event, "ShiftDown"));
    const bool plain = !truth(call_method(event, "HasAnyModifiers"));
    auto key = [&](const char* name) { return code.equal(wx_attr(name)); };
    auto letter = [&](char c) { return code.equal(py::int_(static_cast<int>(c))); };
    at(3073);
    if (ctrl && letter('S')) {
        call_method(self, "on_save", event);
        return py::none();
    }
    if (ctrl && ((letter('Z') && shift) || letter('Y'))) {
        call_method(self, "on_redo", event);
        return py::none();
    }
    if (ctrl && letter('Z')) {
        call_method(self, "on_undo", event);
        return py::none();
    }
    if (ctrl && letter('F')) {
        at(3074);
        call_method(ui(self, "ui_find"), "SetFocus");
        call_method(ui(self, "ui_find"), "SelectAll");
        return py::none();
    }
    at(3075);
    py::object focus = call_method(wx_attr("Window"), "FindFocus");
    const bool in_grid = plain && !focus.is_none() && within(focus, ui(self, "ui_book"));
    const bool rows = in_grid && length(call_method(ui(self, "ui_book"), "GetSelectedRows")) > 0;
    at(3076);
    if (plain && (key("WXK_DELETE") || key("WXK_NUMPAD_DELETE"))) {
        if (rows) {
            call_method(self, "on_delete_parameter", event);
            return py::none();
        }
        if (!focus.is_none() && focus.is(tree_of(self))) {
            call_method(self, "on_delete_tree_item", event);
            return py::none();
        }
    }
    at(3077);
    if (rows && key("WXK_F2")) {
        call_method(self, "on_rename_parameter", event);
        return py::none();
    }
    if (rows && (key("WXK_RETURN") || key("WXK_NUMPAD_ENTER"))) {
        call_method(self, "on_edit_parameter", event);
        return py::none();
    }
    at(3078);
    call_method(event, "Skip");
    return py::none();
}

// Whether the book `book` or one of its parameters is found by `needle`
// (lower case): names, parameter names and descriptions in every locale.
bool book_matches(py::handle book, py::handle needle) {
    for (py::handle pair : call_method(book, "items")) {
        auto [name, parameter] = unpack_pair(pair);
        if (truth(call_method(call_method(name, "lower"), "__contains__", needle))) return true;
        for (py::handle text : call_method(call_method(parameter, "all_descriptions"), "values"))
            if (PyUnicode_Check(text.ptr()) && truth(call_method(call_method(text, "lower"), "__contains__", needle)))
                return true;
    }
    return false;
}

// Adds below `item` the entries of `directory` that `needle` finds (with
// the directories on the way to them); whether any was added.
bool add_found(py::handle self, py::handle directory, py::handle item_id, py::handle needle) {
    py::object tree = tree_of(self);
    bool any = false;
    for (py::handle pair : call_method(directory, "items")) {
        auto [name, child] = unpack_pair(pair);
        const bool named = truth(call_method(call_method(name, "lower"), "__contains__", needle));
        const bool directory_child = is_directory(child);
        py::object append = get_attr(tree, "AppendItem");
        if (directory_child) {
            py::object new_item = append(item_id, name, get_attr(self, "_ImageDirectory"), py::int_(-1), child);
            if (named) {
                // A directory found by its name shows all it holds.
                call_method(self, "_construct_tree_branch", child, new_item);
                any = true;
            } else if (add_found(self, child, new_item, needle)) {
                any = true;
            } else {
                call_method(tree, "Delete", new_item);
            }
        } else if (named || book_matches(child, needle)) {
            append(item_id, name, get_attr(self, "_ImageBook"), py::int_(-1), child);
            any = true;
        }
    }
    return any;
}

// 3080
py::object ParameterTreeEditorPanel__apply_filter(py::handle self, Line& at) {
    at(3081);
    py::object tree = tree_of(self);
    py::object needle = call_method(call_method(call_method(ui(self, "ui_find"), "GetValue"), "strip"), "lower");
    if (get_attr(self, "root").is_none()) return py::none();
    // The selection is kept by its path: the items are made anew.
    at(3082);
    // An item that the filter hides keeps its claim: it is selected again
    // once it shows.
    py::object selected = call_method(tree, "GetSelection");
    py::object path = get_attr(self, "_kept_selection");
    if (item_ok(selected)) {
        // While the kept item is hidden the toolkit may have selected the
        // root by itself; that does not replace it.
        py::object now = path_of(self, selected);
        if (path.is_none() || !(length(now) == 0 && truth(get_attr(self, "_kept_hidden")))) path = now;
    }
    self.attr(interned("_kept_selection")) = path;
    self.attr(interned("_kept_hidden")) = py::bool_(false);
    at(3083);
    if (!truth(needle)) {
        call_method(self, "_refresh_tree_view");
        call_method(tree, "Expand", call_method(tree, "GetRootItem"));
    } else {
        at(3084);
        call_method(tree, "DeleteAllItems");
        py::object add_root = get_attr(tree, "AddRoot");
        py::object text = call(get_attr(global("_path"), "basename"), get_attr(self, "root_path"));
        py::object root_item = add_root(text, get_attr(self, "_ImageDirectory"), py::int_(-1), get_attr(self, "root"));
        add_found(self, get_attr(self, "root"), root_item, needle);
        call_method(tree, "ExpandAll");
    }
    at(3085);
    if (!path.is_none()) {
        py::object item_id = item_at(self, path);
        if (item_ok(item_id) && path_of(self, item_id).equal(path)) {
            call_method(tree, "SelectItem", item_id);
            call_method(tree, "EnsureVisible", item_id);
            return py::none();
        }
    }
    at(3086);
    self.attr(interned("_kept_hidden")) = py::bool_(true);
    clear_book(self);
    call_method(self, "on_tree_sel_changed", py::none());
    return py::none();
}

// 3088
py::object ParameterTreeEditorPanel_on_find(py::handle self, py::handle, Line& at) {
    at(3089);
    call_method(self, "_apply_filter");
    return py::none();
}

// 3091
py::object ParameterTreeEditorPanel_on_find_cancel(py::handle self, py::handle, Line& at) {
    at(3092);
    call_method(ui(self, "ui_find"), "SetValue", py::str(""));
    return py::none();
}

// ------------------------------------------------------------- the panel ---

// 1081
py::object ParameterTreeEditorPanel_is_valid_name(py::handle name, Line& at) {
    at(1082);
    if (!truth(name)) {
        at(1083);
        return py::bool_(false);
    }
    at(1084);
    py::object characters = global("_InvalidNameCharacters");
    // `c in name` for each character; a tuple (or a subclass iterating as a
    // tuple) is read by index and a str searched directly, which is what
    // iterating and `in` do for them.
    auto contains = [&](py::handle c) {
        const int found = PyUnicode_CheckExact(name.ptr()) ? PyUnicode_Contains(name.ptr(), c.ptr())
                                                           : PySequence_Contains(name.ptr(), c.ptr());
        if (found < 0) throw_python_error();
        return found != 0;
    };
    if (PyTuple_Check(characters.ptr()) && Py_TYPE(characters.ptr())->tp_iter == PyTuple_Type.tp_iter) {
        for (Py_ssize_t k = 0; k < PyTuple_GET_SIZE(characters.ptr()); ++k) {
            at(1085);
            if (contains(PyTuple_GET_ITEM(characters.ptr(), k))) {
                at(1086);
                return py::bool_(false);
            }
            at(1084);
        }
    } else {
        for (py::handle c : characters) {
            at(1085);
            if (contains(c)) {
                at(1086);
                return py::bool_(false);
            }
            at(1084);
        }
    }
    at(1087);
    return py::bool_(true);
}

// 1089
py::object ParameterTreeEditorPanel___init__(py::handle self, py::handle parent, py::handle path,
                                             py::handle parameter_directory, Line& at) {
    at(1090);
    call_method(global("_ParameterTreeEditorPanel"), "__init__", self, parent);
    at(1091);
    py::object set_mode = get_attr(ui(self, "ui_book"), "SetSelectionMode");
    call(set_mode, get_attr(get_attr(get_attr(global("wx"), "grid"), "Grid"), "SelectRows"));
    at(1092);
    self.attr(interned("root")) = py::none();
    at(1093);
    self.attr(interned("root_path")) = py::str("");
    at(1095);
    // The size of the tree's icon bitmaps (12 x 16 pixels), drawn without masks.
    py::object image_list = call(wx_attr("ImageList"), py::int_(12), py::int_(16), py::bool_(false));
    at(1096);
    py::object add = get_attr(image_list, "Add");
    call(add, call_method(global("_directory_icon"), "GetBitmap"));
    at(1097);
    add = get_attr(image_list, "Add");
    call(add, call_method(global("_book_icon"), "GetBitmap"));
    // The tree control owns the image list from here on.
    at(1098);
    call_method(ui(self, "ui_tree"), "AssignImageList", image_list);
    // Every change made through the panel goes through this history, which
    // undoes and redoes it.
    at(3094);
    self.attr(interned("history")) = call(wx_attr("CommandProcessor"));
    self.attr(interned("_modified_checked_at")) = py::float_(0.0);
    self.attr(interned("_kept_selection")) = py::none();
    self.attr(interned("_kept_hidden")) = py::bool_(false);
    at(1100);
    if (truth(path)) {
        // A directory object handed in is shown as it is, even one with no
        // entries; only a missing one makes the panel read the path.
        at(1101);
        if (!parameter_directory.is_none()) {
            self.attr(interned("root")) = parameter_directory;
        } else {
            at(1102);
            self.attr(interned("root")) = call_method(global("_ParameterDirectory"), "load", path);
        }
        at(1103);
        self.attr(interned("root_path")) = path;
        at(1104);
        call_method(ui(self, "ui_tree_path"), "SetValue", path);
        at(1105);
        call_method(self, "_refresh_tree_view");
    }
    at(3095);
    call_method(self, "_update_state");
    return py::none();
}

// 1106
py::object ParameterTreeEditorPanel_on_load(py::handle self, py::handle, Line& at) {
    // Unsaved changes are saved or dropped only when the user says so.
    at(3096);
    if (!truth(call_method(self, "ask_to_save_changes"))) return py::none();
    at(1107);
    py::object dialog = call(wx_attr("DirDialog"), self);
    DestroyOnExit destroy_dialog(dialog);
    at(1108);
    py::object path = py::none();
    at(1109);
    if (call_method(dialog, "ShowModal").equal(wx_attr("ID_OK"))) {
        at(1110);
        path = call_method(dialog, "GetPath");
    }
    at(1111);
    destroy_dialog.destroy();
    at(1112);
    if (truth(path)) {
        at(1113);
        call_method(self, "load_directory", path);
        at(1114);
        call_method(ui(self, "ui_tree_path"), "SetValue", path);
    }
    return py::none();
}

// 1119
py::object ParameterTreeEditorPanel_on_save_to(py::handle self, py::handle, Line& at) {
    at(1120);
    if (get_attr(self, "root").is_none()) {
        at(1121);
        call(mb_box("Notice"), tr("Please load an parameter directory first."));
        at(1122);
        return py::none();
    }
    at(1123);
    py::object dialog = call(wx_attr("DirDialog"), self);
    DestroyOnExit destroy_dialog(dialog);
    at(1124);
    py::object path = py::none();
    at(1125);
    if (call_method(dialog, "ShowModal").equal(wx_attr("ID_OK"))) {
        at(1126);
        path = call_method(dialog, "GetPath");
    }
    at(1127);
    destroy_dialog.destroy();
    at(1128);
    if (!truth(path)) {
        at(1129);
        return py::none();
    }
    at(1130);
    py::object e = catch_exception([&] {
        at(1131);
        call_method(get_attr(self, "root"), "save", path);
    });
    if (e) {
        at(1133);
        py::object error = mb_box("Error");
        call(error, tr_format("Exception raised while saving parameter directory: %s", call(global("str"), e)));
    } else {
        at(1135);
        py::object notice = mb_box("Notice");
        call(notice, tr_format("Save parameter to %s success.", path));
    }
    return py::none();
}

// 1140
py::object ParameterTreeEditorPanel_on_save(py::handle self, py::handle, Line& at) {
    at(1141);
    if (get_attr(self, "root").is_none()) {
        at(1142);
        call(mb_box("Notice"), tr("Please load an parameter directory first."));
        at(1143);
        return py::none();
    }
    at(1144);
    call_method(self, "_save_tree", py::bool_(false));
    return py::none();
}

// 1151
py::object ParameterTreeEditorPanel___clear_book(py::handle self, Line& at) {
    at(1152);
    py::object n = call_method(ui(self, "ui_book"), "GetNumberRows");
    at(1153);
    if (n > py::int_(0)) {
        at(1154);
        py::object delete_rows = get_attr(ui(self, "ui_book"), "DeleteRows");
        delete_rows("pos"_a = 0, "numRows"_a = n);
    }
    return py::none();
}

// 1156
py::object ParameterTreeEditorPanel__show_parameters_of_book(py::handle self, py::handle book, Line& at) {
    at(1157);
    for (py::handle pair : call_method(book, "items")) {
        auto [name, parameter] = unpack_pair(pair);
        at(1158);
        call_method(ui(self, "ui_book"), "AppendRows", py::int_(1));
        at(1159);
        py::object row = call_method(ui(self, "ui_book"), "GetNumberRows") - py::int_(1);
        at(1160);
        call_method(ui(self, "ui_book"), "SetCellValue", row, py::int_(0), name);
        at(1161);
        py::object set_cell = get_attr(ui(self, "ui_book"), "SetCellValue");
        call(set_cell, row, py::int_(1), cell_text(get_attr(parameter, "description")));
        at(1157);
    }
    return py::none();
}

// 1163
py::object ParameterTreeEditorPanel_on_tree_sel_changed(py::handle self, py::handle, Line& at) {
    at(1164);
    py::object item = call_method(ui(self, "ui_tree"), "GetSelection");
    at(1165);
    if (!truth(call_method(item, "IsOk"))) {
        at(1166);
        clear_book(self);
        at(1167);
        return py::none();
    }
    at(1168);
    py::object data = call_method(ui(self, "ui_tree"), "GetItemData", item);
    at(1169);
    clear_book(self);
    at(1170);
    if (is_instance(data, global("_ParameterBook"))) {
        at(1171);
        call_method(self, "_show_parameters_of_book", data);
        at(1172);
        call_method(ui(self, "ui_add_parameter_button"), "Enable");
    } else {
        at(1174);
        call_method(ui(self, "ui_add_parameter_button"), "Disable");
        at(1175);
        call_method(ui(self, "ui_edit_parameter_button"), "Disable");
        at(1176);
        call_method(ui(self, "ui_delete_parameter_button"), "Disable");
        at(1177);
        call_method(ui(self, "ui_rename_parameter_button"), "Disable");
        at(1178);
        call_method(ui(self, "ui_view_parameter_button"), "Disable");
        at(1179);
        call_method(ui(self, "ui_copy_parameter_button"), "Disable");
    }
    return py::none();
}

// The texts and the kind of child of the two commands that add a child to
// the selected directory.
struct NewChild {
    int line;                   // the command's first body line
    const char* kind;           // "Directory" or "Book"
    const char* not_directory;  // error when the selection is a book
    const char* prompt;
    const char* empty;
    const char* class_global;   // the model class of the new child
    const char* image;          // the class attribute holding its image index
};

// Adds a new, empty child to the directory selected in the tree, named by
// the user, and selects its new tree item.
py::object add_child_to_selected_directory(py::handle self, const NewChild& c, Line& at) {
    const int l = c.line;
    at(l);
    py::object item = call_method(ui(self, "ui_tree"), "GetSelection");
    at(l + 1);
    if (!truth(call_method(item, "IsOk"))) {
        at(l + 2);
        call(mb_box("Notice"), tr("You must select a parameter directory item first."));
        at(l + 3);
        return py::none();
    }
    at(l + 4);
    py::object container = call_method(ui(self, "ui_tree"), "GetItemData", item);
    at(l + 5);
    if (!is_instance(container, global("_ParameterDirectory"))) {
        at(l + 6);
        call(mb_box("Error"), tr(c.not_directory));
        at(l + 7);
        return py::none();
    }
    at(l + 8);
    py::object name = call(mb_box("Input"), tr(c.prompt));
    at(l + 9);
    if (name.is_none()) {
        at(l + 10);
        return py::none();
    }
    at(l + 11);
    name = call_method(name, "strip");
    at(l + 12);
    if (name.equal(py::str(""))) {
        at(l + 13);
        call(mb_box("Error"), tr(c.empty));
        at(l + 14);
        return py::none();
    }
    at(l + 15);
    if (!is_valid_name(name)) {
        at(l + 16);
        py::object error = mb_box("Error");
        call(error, invalid_name_message(c.kind, name));
        at(l + 17);
        return py::none();
    }
    at(l + 18);
    for (py::handle pair : call_method(container, "items")) {
        auto [existing_name, child] = unpack_pair(pair);
        at(l + 19);
        if (existing_name.equal(name)) {
            at(l + 20);
            py::object error = mb_box("Error");
            call(error, tr_format("%s name `%s` already exists.\nPlease choose another one.", tr(c.kind), name));
            at(l + 21);
            return py::none();
        }
        at(l + 18);
    }
    at(l + 22);
    py::object new_ = call(global(c.class_global));
    at(l + 23);
    if (PyObject_SetAttr(container.ptr(), name.ptr(), new_.ptr()) < 0) throw_python_error();
    at(l + 24);
    py::object append_item = get_attr(ui(self, "ui_tree"), "AppendItem");
    py::object new_item = append_item(item, name, "image"_a = get_attr(self, c.image), "data"_a = new_);
    at(l + 25);
    call_method(ui(self, "ui_tree"), "SelectItem", new_item);
    py::list steps;
    steps.append(step("insert", selected_tree_item_path(self, item), name, new_,
                      py::int_(index_of(container, name))));
    record(self, tr_format("Add %s `%s`", tr(c.kind), name), steps);
    return py::none();
}

// 1182
py::object ParameterTreeEditorPanel_on_add_directory(py::handle self, py::handle, Line& at) {
    return add_child_to_selected_directory(
        self, NewChild{1183, "Directory",
                       "Parameter Directory only can be added into a directory. Select the parameter directory you "
                       "want to use.",
                       "Please input directory name.", "Directory name could not be empty.", "_ParameterDirectory",
                       "_ImageDirectory"}, at);
}

// 1210
py::object ParameterTreeEditorPanel_on_add_book(py::handle self, py::handle, Line& at) {
    return add_child_to_selected_directory(
        self, NewChild{1211, "Book",
                       "Parameter Book only can be added into a directory. Select the parameter directory you want "
                       "to use.",
                       "Please input book name.", "Book name could not be empty.", "_ParameterBook", "_ImageBook"}, at);
}

// 1238
py::object ParameterTreeEditorPanel_on_delete_tree_item(py::handle self, py::handle, Line& at) {
    at(1239);
    py::object item = call_method(ui(self, "ui_tree"), "GetSelection");
    at(1240);
    if (!truth(call_method(item, "IsOk"))) {
        at(1241);
        call(mb_box("Error"), tr("Please select the item you want to delete first."));
        at(1242);
        return py::none();
    }
    at(1243);
    if (item.equal(call_method(ui(self, "ui_tree"), "GetRootItem"))) {
        at(1244);
        py::object confirm = mb_box("Confirm");
        if (call(confirm, tr("Do you really want to clear the whole parameter tree?")).not_equal(wx_attr("YES"))) {
            at(1245);
            return py::none();
        }
        at(1246);
        clear_book(self);
        at(1247);
        call_method(ui(self, "ui_tree"), "DeleteAllItems");
        at(1248);
        py::object old_root = get_attr(self, "root");
        self.attr(interned("root")) = call(global("_ParameterDirectory"));
        at(1249);
        py::object add_root = get_attr(ui(self, "ui_tree"), "AddRoot");
        py::object basename = get_attr(global("_path"), "basename");
        py::object text = call(basename, get_attr(self, "root_path"));
        py::object root = get_attr(self, "root");
        add_root("text"_a = text, "data"_a = root, "image"_a = get_attr(self, "_ImageDirectory"));
        at(1250);
        py::list steps;
        steps.append(step("root", old_root, root, py::none(), py::none()));
        record(self, tr("Clear the tree"), steps);
        return py::none();
    }
    at(1251);
    py::object parent_item = call_method(ui(self, "ui_tree"), "GetItemParent", item);
    at(1252);
    py::object data = call_method(ui(self, "ui_tree"), "GetItemData", item);
    at(1253);
    py::object parent = call_method(ui(self, "ui_tree"), "GetItemData", parent_item);
    at(1254);
    py::object name = call_method(ui(self, "ui_tree"), "GetItemText", item);
    at(1255);
    py::object kind = tr(is_instance(data, global("_ParameterDirectory")) ? "Directory" : "Book");
    at(1256);
    py::object confirm = mb_box("Confirm");
    py::object question = tr_format("Do you really want to delete Parameter %s `%s`?", kind, name);
    if (call(confirm, question).not_equal(wx_attr("YES"))) {
        at(1257);
        return py::none();
    }
    py::object parent_path = selected_tree_item_path(self, parent_item);
    const Py_ssize_t index = index_of(parent, name);
    at(1258);
    call_method(ui(self, "ui_tree"), "Delete", item);
    at(1259);
    if (PyObject_DelItem(parent.ptr(), name.ptr()) < 0) throw_python_error();
    at(1260);
    call_method(ui(self, "ui_tree"), "SelectItem", parent_item);
    py::list steps;
    steps.append(step("remove", parent_path, name, data, py::int_(index)));
    record(self, tr_format("Delete %s `%s`", kind, name), steps);
    return py::none();
}

// 1261
py::object ParameterTreeEditorPanel_on_add_parameter(py::handle self, py::handle, Line& at) {
    at(1262);
    py::object item = call_method(ui(self, "ui_tree"), "GetSelection");
    at(1263);
    if (!truth(call_method(item, "IsOk"))) {
        at(1264);
        call(mb_box("Error"), tr("Please select a parameter book first."));
        at(1265);
        return py::none();
    }
    at(1266);
    py::object book = call_method(ui(self, "ui_tree"), "GetItemData", item);
    // The add button may still be enabled while a directory is selected
    // (for one, while a selection change is on its way): parameters go into
    // books only.
    at(1267);
    if (!is_instance(book, global("_ParameterBook"))) {
        at(1268);
        call(mb_box("Error"), tr("Please select a parameter book first."));
        at(1269);
        return py::none();
    }
    at(1270);
    py::object name = call(mb_box("Input"), tr("Please input your preferred parameter name."));
    at(1271);
    if (!truth(name)) return py::none();
    at(1272);
    if (!is_valid_name(name)) {
        at(1273);
        py::object error = mb_box("Error");
        call(error, invalid_name_message("Parameter", name));
        at(1274);
        return py::none();
    }
    at(1275);
    for (py::handle pair : call_method(book, "items")) {
        auto [existing_name, parameter] = unpack_pair(pair);
        at(1276);
        if (existing_name.equal(name)) {
            at(1277);
            py::object error = mb_box("Error");
            call(error, tr_format("Parameter name `%s` already exists. Please choose another one.", name));
            at(1278);
            return py::none();
        }
        at(1275);
    }
    at(1279);
    py::object dialog = call(global("ParameterEditorDialog"), self, name);
    DestroyOnExit destroy_dialog(dialog);
    at(1280);
    py::object result = call_method(dialog, "ShowModal");
    at(1281);
    py::object parameter = get_attr(dialog, "parameter");
    at(1282);
    destroy_dialog.destroy();
    at(1283);
    if (result.equal(wx_attr("ID_OK"))) {
        at(1284);
        if (PyObject_SetItem(book.ptr(), name.ptr(), parameter.ptr()) < 0) throw_python_error();
        at(1285);
        call_method(ui(self, "ui_book"), "AppendRows", py::int_(1));
        at(1286);
        py::object row = call_method(ui(self, "ui_book"), "GetNumberRows") - py::int_(1);
        at(1287);
        call_method(ui(self, "ui_book"), "SetCellValue", row, py::int_(0), name);
        at(1288);
        py::object set_cell = get_attr(ui(self, "ui_book"), "SetCellValue");
        call(set_cell, row, py::int_(1), cell_text(get_attr(parameter, "description")));
        py::list steps;
        steps.append(step("insert", selected_tree_item_path(self, item), name, parameter,
                          py::int_(index_of(book, name))));
        record(self, tr_format("Add parameter `%s`", name), steps);
    }
    return py::none();
}

// 1289
py::object ParameterTreeEditorPanel_on_edit_parameter(py::handle self, py::handle, Line& at) {
    at(1290);
    py::object rows = call_method(ui(self, "ui_book"), "GetSelectedRows");
    at(1291);
    if (length(rows) > 1) {
        at(1292);
        call(mb_box("Notice"), tr("Only one parameter could be edited one time."));
        at(1293);
        return py::none();
    }
    // The button can still be enabled with no row selected; there is
    // nothing to edit then.
    at(1294);
    if (length(rows) == 0) return py::none();
    at(1295);
    py::object row = rows[py::int_(0)];
    at(1296);
    py::object name = call_method(ui(self, "ui_book"), "GetCellValue", row, py::int_(0));
    at(1297);
    py::object get_item_data = get_attr(ui(self, "ui_tree"), "GetItemData");
    py::object book = call(get_item_data, call_method(ui(self, "ui_tree"), "GetSelection"));
    at(1298);
    py::object parameter = book[name];
    // The whole editor session is one step to undo: the editor changes the
    // parameter in place, also when it is cancelled.
    py::object deepcopy = get_attr(wx_module("copy"), "deepcopy");
    py::object before = call(deepcopy, parameter);
    at(1299);
    py::object dialog = call(global("ParameterEditorDialog"), self, name, parameter);
    DestroyOnExit destroy_dialog(dialog);
    at(1300);
    call_method(dialog, "ShowModal");
    at(1301);
    destroy_dialog.destroy();
    at(1302);
    py::object set_cell = get_attr(ui(self, "ui_book"), "SetCellValue");
    call(set_cell, row, py::int_(1), cell_text(get_attr(parameter, "description")));
    py::object after = call(deepcopy, parameter);
    if (after.not_equal(before) || call_method(after, "all_descriptions").not_equal(call_method(before, "all_descriptions"))) {
        py::list steps;
        steps.append(step("state", selected_tree_item_path(self, call_method(ui(self, "ui_tree"), "GetSelection")),
                          name, before, after));
        record(self, tr_format("Edit parameter `%s`", name), steps);
    }
    return py::none();
}

// 1304
py::object ParameterTreeEditorPanel_on_delete_parameter(py::handle self, py::handle event, Line& at) {
    at(1305);
    py::object rows = call_method(ui(self, "ui_book"), "GetSelectedRows");
    at(1306);
    if (!truth(rows)) return py::none();
    // Highest row first, so that deleting a row does not move the rows
    // still to be deleted.
    at(1307);
    rows = global("sorted")(rows, "reverse"_a = true);
    at(1308);
    py::object get_item_data = get_attr(ui(self, "ui_tree"), "GetItemData");
    py::object book_item = call_method(ui(self, "ui_tree"), "GetSelection");
    py::object book = call(get_item_data, book_item);
    // The names are read before any row goes, and the selection is dropped
    // first: a block selection would otherwise outlive its rows and leave
    // the grid reading rows that are gone.
    py::list names;
    for (py::handle row : rows) names.append(call_method(ui(self, "ui_book"), "GetCellValue", row, py::int_(0)));
    call_method(ui(self, "ui_book"), "ClearSelection");
    py::object book_path = selected_tree_item_path(self, book_item);
    py::list steps;
    Py_ssize_t k = 0;
    at(1309);
    for (py::handle row : rows) {
        at(1310);
        py::object name = item(names, py::int_(k++));
        const Py_ssize_t index = index_of(book, name);
        at(1311);
        py::object delete_rows = get_attr(ui(self, "ui_book"), "DeleteRows");
        delete_rows("pos"_a = row, "numRows"_a = 1);
        at(1312);
        py::object parameter = item(book, name);
        if (PyObject_DelItem(book.ptr(), name.ptr()) < 0) throw_python_error();
        steps.append(step("remove", book_path, name, parameter, py::int_(index)));
        at(1309);
    }
    if (length(steps) > 0) {
        py::object label = length(steps) == 1 ? tr_format("Delete parameter `%s`", item(names, py::int_(0)))
                                              : tr_format("Delete %s parameters", py::int_(length(steps)));
        record(self, label, steps);
    }
    // Deleting rows sends no selection event: the row buttons follow the
    // now empty selection here.
    at(1313);
    call_method(self, "on_select_parameter", event);
    return py::none();
}

// 1316
py::object ParameterTreeEditorPanel_on_select_parameter(py::handle self, py::handle, Line& at) {
    at(1317);
    py::object selected = py::bool_(length(call_method(ui(self, "ui_book"), "GetSelectedRows")) > 0);
    at(1318);
    call_method(ui(self, "ui_edit_parameter_button"), "Enable", selected);
    at(1319);
    call_method(ui(self, "ui_rename_parameter_button"), "Enable", selected);
    at(1320);
    call_method(ui(self, "ui_delete_parameter_button"), "Enable", selected);
    at(1321);
    call_method(ui(self, "ui_view_parameter_button"), "Enable", selected);
    at(1322);
    call_method(ui(self, "ui_copy_parameter_button"), "Enable", selected);
    return py::none();
}

// 1327
py::object ParameterTreeEditorPanel_load_directory(py::handle self, py::handle directory, Line& at) {
    at(1328);
    self.attr(interned("root")) = call_method(global("_ParameterDirectory"), "load", directory);
    at(1329);
    self.attr(interned("root_path")) = directory;
    at(1330);
    // A new tree: the filter and the history of the old one go.
    call_method(ui(self, "ui_find"), "ChangeValue", py::str(""));
    call_method(self, "_refresh_tree_view");
    at(1331);
    clear_book(self);
    at(3097);
    call_method(get_attr(self, "history"), "ClearCommands");
    call_method(self, "_update_state");
    return py::none();
}

// 1333
py::object ParameterTreeEditorPanel__refresh_tree_view(py::handle self, Line& at) {
    at(1334);
    call_method(ui(self, "ui_tree"), "DeleteAllItems");
    at(1335);
    py::object add_root = get_attr(ui(self, "ui_tree"), "AddRoot");
    py::object basename = get_attr(global("_path"), "basename");
    py::object text = call(basename, get_attr(self, "root_path"));
    py::object root_item = call_keywords(add_root, kw("text", text), kw("image", get_attr(self, "_ImageDirectory")));
    at(1336);
    py::object construct = get_attr(self, "_construct_tree_branch");
    call(construct, get_attr(self, "root"), root_item);
    at(1337);
    py::object set_data = get_attr(ui(self, "ui_tree"), "SetItemData");
    call(set_data, root_item, get_attr(self, "root"));
    return py::none();
}

// 1340
py::object ParameterTreeEditorPanel__construct_tree_branch(py::handle self, py::handle parameter_directory,
                                                          py::handle ui_item_id, Line& at) {
    at(1341);
    for (py::handle pair : call_method(parameter_directory, "items")) {
        auto [name, item] = unpack_pair(pair);
        py::object new_;
        at(1342);
        if (is_instance(item, global("_ParameterDirectory"))) {
            at(1343);
            py::object append_item = get_attr(ui(self, "ui_tree"), "AppendItem");
            new_ = call_keywords(append_item, kw("parent", ui_item_id), kw("text", name),
                                 kw("image", get_attr(self, "_ImageDirectory")));
            // The subtree is complete before the next sibling is added.
            at(1344);
            call_method(self, "_construct_tree_branch", item, new_);
        } else {
            at(1346);
            py::object append_item = get_attr(ui(self, "ui_tree"), "AppendItem");
            new_ = call_keywords(append_item, kw("parent", ui_item_id), kw("text", name),
                                 kw("image", get_attr(self, "_ImageBook")));
        }
        at(1347);
        call_method(ui(self, "ui_tree"), "SetItemData", new_, item);
        at(1341);
    }
    return py::none();
}

// 1349
py::object ParameterTreeEditorPanel___get_selected_tree_item_path(py::handle self, py::handle item_id, Line& at) {
    at(1350);
    if (py::reinterpret_borrow<py::object>(item_id).equal(call_method(ui(self, "ui_tree"), "GetRootItem"))) {
        at(1351);
        return py::list();
    }
    at(1352);
    py::object parent = call_method(ui(self, "ui_tree"), "GetItemParent", item_id);
    at(1353);
    py::object path = selected_tree_item_path(self, parent);
    at(1354);
    py::object append = get_attr(path, "append");
    call(append, call_method(ui(self, "ui_tree"), "GetItemText", item_id));
    at(1355);
    return path;
}

// 1358
py::object ParameterTreeEditorPanel___change_parameter_tree_out_of_control(py::handle self, py::handle event_handler,
                                                                          py::handle event, Line& at) {
    at(1359);
    py::object path = call_method(ui(self, "ui_tree_path"), "GetValue");
    at(1360);
    if (!truth(path)) return py::none();
    at(1361);
    py::object observer = call(global("_FSObserver"), path);
    // The observer is closed whether or not the command succeeds, so that it
    // never keeps watching; a failed command offers no reload.
    at(1362);
    on_error(
        at,
        [&] {
            at(1363);
            call(event_handler, event);
        },
        [&] {
            at(1365);
            call_method(observer, "close");
        });
    at(1365);
    call_method(observer, "close");
    at(1366);
    if (truth(get_attr(observer, "changed"))) {
        at(1367);
        py::object confirm = mb_box("Confirm");
        py::object answer = call(confirm, tr("Parameter tree is changed in file system. Do you want to reload it?"));
        if (answer.equal(wx_attr("YES"))) {
            at(1368);
            py::object root = get_attr(self, "root");
            if (root.is_none() || !truth(call_method(self, "is_modified")) ||
                !PyObject_HasAttr(root.ptr(), interned("refresh").ptr())) {
                call_method(self, "load_directory", path);
            } else {
                // Unsaved edits stay: only what changed on disk alone comes
                // in; what changed on both sides is named and left as it is
                // here.
                at(3098);
                py::object conflicts = call_method(root, "refresh");
                call_method(self, "_apply_filter");
                at(3099);
                if (length(conflicts) > 0) {
                    call(mb_box("Notice"),
                         tr_format("These books and folders were changed here and also on disk; the versions here "
                                   "are kept until you save:\n\n%s", short_list(conflicts)));
                }
                call_method(self, "_update_state");
            }
        }
    }
    return py::none();
}

// 1369
py::object ParameterTreeEditorPanel___on_copy_parameter(py::handle self, py::handle, Line& at) {
    at(1370);
    py::object rows = call_method(ui(self, "ui_book"), "GetSelectedRows");
    at(1371);
    if (length(rows) != 1) {
        at(1372);
        call(mb_box("Notice"), tr("请选中并只选中一个要复制的参数。"));
        at(1373);
        return py::none();
    }
    at(1374);
    py::object item = call_method(ui(self, "ui_tree"), "GetSelection");
    at(1375);
    py::object path = selected_tree_item_path(self, item);
    at(1376);
    py::object book = call_method(ui(self, "ui_tree"), "GetItemData", item);
    at(1377);
    py::object row = rows[py::int_(0)];
    at(1378);
    py::object name = call_method(ui(self, "ui_book"), "GetCellValue", row, py::int_(0));
    at(1379);
    py::object parameter = book[name];
    at(1380);
    call_method(path, "append", name);
    at(1381);
    py::object dialog = call(global("ParaTreeCopyDialog"), self, path, parameter);
    DestroyOnExit destroy_dialog(dialog);
    at(1382);
    call_method(dialog, "ShowModal");
    at(1383);
    destroy_dialog.destroy();
    return py::none();
}

// 1386
py::object ParameterTreeEditorPanel_on_copy_parameter(py::handle self, py::handle event, Line& at) {
    at(1387);
    py::object check = get_attr(self, "_ParameterTreeEditorPanel__change_parameter_tree_out_of_control");
    call(check, get_attr(self, "_ParameterTreeEditorPanel__on_copy_parameter"), event);
    return py::none();
}

// 1389
py::object ParameterTreeEditorPanel___on_copy_tree_item(py::handle self, py::handle, Line& at) {
    at(1390);
    py::object item = call_method(ui(self, "ui_tree"), "GetSelection");
    at(1391);
    if (!truth(call_method(item, "IsOk"))) {
        at(1392);
        return py::none();
    }
    // The last element names the copy by default: the item's own label, which
    // the item path already ends with except for the root.
    at(1393);
    py::object path = selected_tree_item_path(self, item);
    at(1394);
    if (length(path) == 0) {
        at(1395);
        py::object append = get_attr(path, "append");
        call(append, call_method(ui(self, "ui_tree"), "GetItemText", item));
    }
    at(1396);
    py::object data = call_method(ui(self, "ui_tree"), "GetItemData", item);
    at(1397);
    py::object dialog = call(global("ParaTreeCopyDialog"), self, path, data);
    DestroyOnExit destroy_dialog(dialog);
    at(1398);
    call_method(dialog, "ShowModal");
    at(1399);
    destroy_dialog.destroy();
    return py::none();
}

// 1401
py::object ParameterTreeEditorPanel_on_copy_tree_item(py::handle self, py::handle event, Line& at) {
    at(1402);
    py::object check = get_attr(self, "_ParameterTreeEditorPanel__change_parameter_tree_out_of_control");
    call(check, get_attr(self, "_ParameterTreeEditorPanel__on_copy_tree_item"), event);
    return py::none();
}

Register definitions{
    class_(1076, "ParameterTreeEditorPanel(_ParameterTreeEditorPanel)",
           {
               attribute(1077, "_ImageDirectory = 0"),
               attribute(1078, "_ImageBook = 1"),
               static_method<ParameterTreeEditorPanel_is_valid_name>(1081, "is_valid_name(name: str) -> bool", "c"),
               method<ParameterTreeEditorPanel___init__>(
                   1089, "__init__(self, parent, path: str = \"\", parameter_directory: _ParameterDirectory = None)",
                   "image_list"),
               method<ParameterTreeEditorPanel_on_load>(1106, "on_load(self, _event)", "dialog path"),
               method<ParameterTreeEditorPanel_on_save_to>(1119, "on_save_to(self, _event)", "dialog path e"),
               method<ParameterTreeEditorPanel_on_save>(1140, "on_save(self, _event)", "e"),
               method<ParameterTreeEditorPanel___clear_book>(1151, "__clear_book(self)", "n"),
               method<ParameterTreeEditorPanel__show_parameters_of_book>(
                   1156, "_show_parameters_of_book(self, book: _ParameterBook)", "name parameter row"),
               method<ParameterTreeEditorPanel_on_tree_sel_changed>(1163, "on_tree_sel_changed(self, _event)",
                                                                    "item data"),
               method<ParameterTreeEditorPanel_on_add_directory>(
                   1182, "on_add_directory(self, _event)", "item container name existing_name child new new_item"),
               method<ParameterTreeEditorPanel_on_add_book>(1210, "on_add_book(self, _event)",
                                                            "item container name existing_name child new new_item"),
               method<ParameterTreeEditorPanel_on_delete_tree_item>(1238, "on_delete_tree_item(self, _event)",
                                                                    "item parent_item data parent name kind"),
               method<ParameterTreeEditorPanel_on_add_parameter>(
                   1261, "on_add_parameter(self, _event)", "item book name existing_name parameter dialog result row"),
               method<ParameterTreeEditorPanel_on_edit_parameter>(1289, "on_edit_parameter(self, event)",
                                                                  "rows row name book parameter dialog"),
               method<ParameterTreeEditorPanel_on_delete_parameter>(1304, "on_delete_parameter(self, event)",
                                                                    "rows book row name"),
               method<ParameterTreeEditorPanel_on_select_parameter>(1316, "on_select_parameter(self, event)",
                                                                    "selected"),
               method<ParameterTreeEditorPanel_load_directory>(1327, "load_directory(self, directory: str)"),
               method<ParameterTreeEditorPanel__refresh_tree_view>(1333, "_refresh_tree_view(self)", "root_item"),
               method<ParameterTreeEditorPanel__construct_tree_branch>(
                   1340,
                   "_construct_tree_branch(self, parameter_directory: _ParameterDirectory, ui_item_id: int)",
                   "name item new"),
               method<ParameterTreeEditorPanel___get_selected_tree_item_path>(
                   1349, "__get_selected_tree_item_path(self, item_id) -> _List[str]", "parent path"),
               method<ParameterTreeEditorPanel___change_parameter_tree_out_of_control>(
                   1358, "__change_parameter_tree_out_of_control(self, event_handler, event: wx.Event)",
                   "path observer"),
               method<ParameterTreeEditorPanel___on_copy_parameter>(
                   1369, "__on_copy_parameter(self, event)", "rows item path book row name parameter dialog"),
               method<ParameterTreeEditorPanel_on_copy_parameter>(1386, "on_copy_parameter(self, event)"),
               method<ParameterTreeEditorPanel___on_copy_tree_item>(1389, "__on_copy_tree_item(self, event)",
                                                                    "item path data dialog"),
               method<ParameterTreeEditorPanel_on_copy_tree_item>(1401, "on_copy_tree_item(self, event)"),
               method<ParameterTreeEditorPanel_is_modified>(3001, "is_modified(self) -> bool"),
               method<ParameterTreeEditorPanel__update_state>(3006, "_update_state(self)", "history modified mark"),
               method<ParameterTreeEditorPanel_on_update_modified_mark>(3013, "on_update_modified_mark(self, event)",
                                                                        "now last"),
               method<ParameterTreeEditorPanel__apply_steps>(3018, "_apply_steps(self, steps, forward: bool)", "step"),
               method<ParameterTreeEditorPanel_on_undo>(3026, "on_undo(self, event)", "history"),
               method<ParameterTreeEditorPanel_on_redo>(3030, "on_redo(self, event)", "history"),
               method<ParameterTreeEditorPanel__save_tree>(3034, "_save_tree(self, overwrite: bool = False) -> bool", "e"),
               method<ParameterTreeEditorPanel_ask_to_save_changes>(3045, "ask_to_save_changes(self) -> bool", "answer"),
               method<ParameterTreeEditorPanel_on_rename_parameter>(3051, "on_rename_parameter(self, event)",
                                                                    "rows book old_name name"),
               method<ParameterTreeEditorPanel_on_view_parameter>(3064, "on_view_parameter(self, event)",
                                                                  "rows book name dialog"),
               method<ParameterTreeEditorPanel_on_key>(3071, "on_key(self, event)", "code focus"),
               method<ParameterTreeEditorPanel__apply_filter>(3080, "_apply_filter(self)", "needle path"),
               method<ParameterTreeEditorPanel_on_find>(3088, "on_find(self, event)"),
               method<ParameterTreeEditorPanel_on_find_cancel>(3091, "on_find_cancel(self, event)"),
           }),
};

}  // namespace
}  // namespace kvt
