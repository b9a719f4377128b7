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

// ------------------------------------------------------------- the panel ---

// 1081
py::object ParameterTreeEditorPanel_is_valid_name(py::handle name) {
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
                                             py::handle parameter_directory) {
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
    return py::none();
}

// 1106
py::object ParameterTreeEditorPanel_on_load(py::handle self, py::handle) {
    at(1107);
    py::object dialog = call(wx_attr("DirDialog"), self);
    at(1108);
    py::object path = py::none();
    at(1109);
    if (call_method(dialog, "ShowModal").equal(wx_attr("ID_OK"))) {
        at(1110);
        path = call_method(dialog, "GetPath");
    }
    at(1111);
    call_method(dialog, "Destroy");
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
py::object ParameterTreeEditorPanel_on_save_to(py::handle self, py::handle) {
    at(1120);
    if (get_attr(self, "root").is_none()) {
        at(1121);
        call(mb_box("Notice"), tr("Please load an parameter directory first."));
        at(1122);
        return py::none();
    }
    at(1123);
    py::object dialog = call(wx_attr("DirDialog"), self);
    at(1124);
    py::object path = py::none();
    at(1125);
    if (call_method(dialog, "ShowModal").equal(wx_attr("ID_OK"))) {
        at(1126);
        path = call_method(dialog, "GetPath");
    }
    at(1127);
    call_method(dialog, "Destroy");
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
py::object ParameterTreeEditorPanel_on_save(py::handle self, py::handle) {
    at(1141);
    if (get_attr(self, "root").is_none()) {
        at(1142);
        call(mb_box("Notice"), tr("Please load an parameter directory first."));
        at(1143);
        return py::none();
    }
    at(1144);
    py::object e = catch_exception([&] {
        at(1145);
        py::object save = get_attr(get_attr(self, "root"), "save");
        call(save, get_attr(self, "root_path"));
    });
    if (e) {
        at(1147);
        py::object error = mb_box("Error");
        call(error, tr_format("Exception raised while saving parameter directory: %s", call(global("str"), e)));
    } else {
        at(1149);
        py::object notice = mb_box("Notice");
        py::object str = global("str");
        call(notice, tr_format("Save parameter to %s success.", call(str, get_attr(self, "root_path"))));
    }
    return py::none();
}

// 1151
py::object ParameterTreeEditorPanel___clear_book(py::handle self) {
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
py::object ParameterTreeEditorPanel__show_parameters_of_book(py::handle self, py::handle book) {
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
        call(set_cell, row, py::int_(1), get_attr(parameter, "description"));
        at(1157);
    }
    return py::none();
}

// 1163
py::object ParameterTreeEditorPanel_on_tree_sel_changed(py::handle self, py::handle) {
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
py::object add_child_to_selected_directory(py::handle self, const NewChild& c) {
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
    return py::none();
}

// 1182
py::object ParameterTreeEditorPanel_on_add_directory(py::handle self, py::handle) {
    return add_child_to_selected_directory(
        self, NewChild{1183, "Directory",
                       "Parameter Directory only can be added into a directory. Select the parameter directory you "
                       "want to use.",
                       "Please input directory name.", "Directory name could not be empty.", "_ParameterDirectory",
                       "_ImageDirectory"});
}

// 1210
py::object ParameterTreeEditorPanel_on_add_book(py::handle self, py::handle) {
    return add_child_to_selected_directory(
        self, NewChild{1211, "Book",
                       "Parameter Book only can be added into a directory. Select the parameter directory you want "
                       "to use.",
                       "Please input book name.", "Book name could not be empty.", "_ParameterBook", "_ImageBook"});
}

// 1238
py::object ParameterTreeEditorPanel_on_delete_tree_item(py::handle self, py::handle) {
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
        self.attr(interned("root")) = call(global("_ParameterDirectory"));
        at(1249);
        py::object add_root = get_attr(ui(self, "ui_tree"), "AddRoot");
        py::object basename = get_attr(global("_path"), "basename");
        py::object text = call(basename, get_attr(self, "root_path"));
        py::object root = get_attr(self, "root");
        add_root("text"_a = text, "data"_a = root, "image"_a = get_attr(self, "_ImageDirectory"));
        at(1250);
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
    at(1258);
    call_method(ui(self, "ui_tree"), "Delete", item);
    at(1259);
    if (PyObject_DelItem(parent.ptr(), name.ptr()) < 0) throw_python_error();
    at(1260);
    call_method(ui(self, "ui_tree"), "SelectItem", parent_item);
    return py::none();
}

// 1261
py::object ParameterTreeEditorPanel_on_add_parameter(py::handle self, py::handle) {
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
    at(1280);
    py::object result = call_method(dialog, "ShowModal");
    at(1281);
    py::object parameter = get_attr(dialog, "parameter");
    at(1282);
    call_method(dialog, "Destroy");
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
        call(set_cell, row, py::int_(1), get_attr(parameter, "description"));
    }
    return py::none();
}

// 1289
py::object ParameterTreeEditorPanel_on_edit_parameter(py::handle self, py::handle) {
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
    at(1299);
    py::object dialog = call(global("ParameterEditorDialog"), self, name, parameter);
    at(1300);
    call_method(dialog, "ShowModal");
    at(1301);
    call_method(dialog, "Destroy");
    at(1302);
    py::object set_cell = get_attr(ui(self, "ui_book"), "SetCellValue");
    call(set_cell, row, py::int_(1), get_attr(parameter, "description"));
    return py::none();
}

// 1304
py::object ParameterTreeEditorPanel_on_delete_parameter(py::handle self, py::handle event) {
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
    py::object book = call(get_item_data, call_method(ui(self, "ui_tree"), "GetSelection"));
    at(1309);
    for (py::handle row : rows) {
        at(1310);
        py::object name = call_method(ui(self, "ui_book"), "GetCellValue", row, py::int_(0));
        at(1311);
        py::object delete_rows = get_attr(ui(self, "ui_book"), "DeleteRows");
        delete_rows("pos"_a = row, "numRows"_a = 1);
        at(1312);
        if (PyObject_DelItem(book.ptr(), name.ptr()) < 0) throw_python_error();
        at(1309);
    }
    // Deleting rows sends no selection event: the row buttons follow the
    // now empty selection here.
    at(1313);
    call_method(self, "on_select_parameter", event);
    return py::none();
}

// 1316
py::object ParameterTreeEditorPanel_on_select_parameter(py::handle self, py::handle) {
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
py::object ParameterTreeEditorPanel_load_directory(py::handle self, py::handle directory) {
    at(1328);
    self.attr(interned("root")) = call_method(global("_ParameterDirectory"), "load", directory);
    at(1329);
    self.attr(interned("root_path")) = directory;
    at(1330);
    call_method(self, "_refresh_tree_view");
    at(1331);
    clear_book(self);
    return py::none();
}

// 1333
py::object ParameterTreeEditorPanel__refresh_tree_view(py::handle self) {
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
                                                          py::handle ui_item_id) {
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
py::object ParameterTreeEditorPanel___get_selected_tree_item_path(py::handle self, py::handle item_id) {
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
                                                                          py::handle event) {
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
        [&] {
            at(1363);
            call(event_handler, event);
        },
        [&] {
            at(1365);
            call_method(observer, "close");
            at(1363);
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
            call_method(self, "load_directory", path);
        }
    }
    return py::none();
}

// 1369
py::object ParameterTreeEditorPanel___on_copy_parameter(py::handle self, py::handle) {
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
    at(1382);
    call_method(dialog, "ShowModal");
    at(1383);
    call_method(dialog, "Destroy");
    return py::none();
}

// 1386
py::object ParameterTreeEditorPanel_on_copy_parameter(py::handle self, py::handle event) {
    at(1387);
    py::object check = get_attr(self, "_ParameterTreeEditorPanel__change_parameter_tree_out_of_control");
    call(check, get_attr(self, "_ParameterTreeEditorPanel__on_copy_parameter"), event);
    return py::none();
}

// 1389
py::object ParameterTreeEditorPanel___on_copy_tree_item(py::handle self, py::handle) {
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
    at(1398);
    call_method(dialog, "ShowModal");
    at(1399);
    call_method(dialog, "Destroy");
    return py::none();
}

// 1401
py::object ParameterTreeEditorPanel_on_copy_tree_item(py::handle self, py::handle event) {
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
           }),
};

}  // namespace
}  // namespace kvt
