// ParaTreeCopyDialog: copies one item of a parameter tree to disk outside the
// tree being edited -- a parameter into an existing book file, a book into a
// directory as a new book file, a directory into a directory as a new
// sub-directory -- under its own name or a new one, refusing to overwrite
// unless the user allows it.
#include "module/kvt.h"
#include "paratree/names.h"

namespace kvt {
namespace {

using namespace pybind11::literals;

// Whether `assert` statements run: they are skipped when the interpreter
// runs with optimisation (-O, PYTHONOPTIMIZE), as compiled Python code does.
bool assertions_enabled() {
    py::object flags = py::reinterpret_borrow<py::object>(PySys_GetObject("flags"));
    if (!flags) raise(PyExc_RuntimeError, "lost sys.flags");
    return !truth(get_attr(flags, "optimize"));
}

// `assert condition`: AssertionError without a message.
void check_assertion(bool condition) {
    if (condition) return;
    PyErr_SetNone(PyExc_AssertionError);
    throw_python_error();
}

// MB.Error, read before its message is built.
py::object error_box() { return get_attr(global("MB"), "Error"); }

// The item being copied.
py::object held_item(py::handle self) { return get_attr(self, "_ParaTreeCopyDialog__parameter"); }

// isinstance(self.__parameter, <class_global>)
bool item_is(py::handle self, const char* class_global) {
    py::object item = held_item(self);
    return is_instance(item, global(class_global));
}

// 1003
py::object ParaTreeCopyDialog___init__(py::handle self, py::handle parent, py::handle para_path, py::handle para,
                                       Line& at) {
    if (assertions_enabled()) {
        at(1004);
        check_assertion(truth(para_path));
        at(1005);
        check_assertion(!para.is_none());
    }
    at(1007);
    call_method(global("_CopyDialog"), "__init__", self, parent);
    at(1008);
    py::object source = get_attr(self, "ui_source");
    call_method(source, "SetValue", call_method(py::str("."), "join", para_path));
    at(1009);
    py::object type_field = get_attr(self, "ui_type");
    py::object kind = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(Py_TYPE(para.ptr())));
    call_method(type_field, "SetValue", tr(get_attr(kind, "__name__")));
    at(1011);
    self.attr(interned("_ParaTreeCopyDialog__para_path")) = para_path;
    at(1012);
    self.attr(interned("_ParaTreeCopyDialog__parameter")) = para;
    return py::none();
}

// 1015
py::object ParaTreeCopyDialog___select_directory(py::handle self, Line& at) {
    at(1016);
    py::object dlg = call(global("_DirDialog"), self);
    DestroyOnExit destroy_dlg(dlg);
    at(1017);
    py::object path = py::str("");
    at(1018);
    if (call_method(dlg, "ShowModal").equal(wx_attr("ID_OK"))) {
        at(1019);
        path = call_method(dlg, "GetPath");
    }
    at(1020);
    destroy_dlg.destroy();
    at(1021);
    return path;
}

// 1023
py::object ParaTreeCopyDialog___select_file(py::handle self, Line& at) {
    at(1024);
    // The book file extension is read at every use, so a changed ExtName
    // reaches the next chooser.
    py::object file_dialog = global("_FileDialog");
    py::object wildcard = tr_format("Parameter File(*.%s)", get_attr(global("_ParameterBook"), "ExtName"));
    wildcard = wildcard + py::str("|*.");
    wildcard = wildcard + get_attr(global("_ParameterBook"), "ExtName");
    py::object dlg = file_dialog(self, "wildcard"_a = wildcard);
    DestroyOnExit destroy_dlg(dlg);
    at(1025);
    py::object path = py::str("");
    at(1026);
    if (call_method(dlg, "ShowModal").equal(wx_attr("ID_OK"))) {
        at(1027);
        path = call_method(dlg, "GetPath");
    }
    at(1028);
    destroy_dlg.destroy();
    at(1029);
    return path;
}

// 1031
py::object ParaTreeCopyDialog_on_browse(py::handle self, py::handle, Line& at) {
    py::object path;
    at(1032);
    if (item_is(self, "_Parameter")) {
        at(1033);
        path = call_method(self, "_ParaTreeCopyDialog__select_file");
    } else {
        at(1035);
        path = call_method(self, "_ParaTreeCopyDialog__select_directory");
    }
    // A cancelled chooser leaves the target chosen earlier as it is.
    at(1036);
    if (path.not_equal(py::str(""))) {
        at(1037);
        call_method(get_attr(self, "ui_target_path"), "SetValue", path);
        at(1038);
        call_method(get_attr(self, "ui_confirm"), "Enable", py::bool_(true));
    }
    return py::none();
}

// 1040
py::object ParaTreeCopyDialog_on_confirm(py::handle self, py::handle, Line& at) {
    at(1041);
    py::object rename = call_method(call_method(get_attr(self, "ui_rename"), "GetValue"), "strip");
    at(1042);
    py::object name;
    if (truth(rename)) {
        name = rename;
    } else {
        name = get_attr(self, "_ParaTreeCopyDialog__para_path")[py::int_(-1)];
    }

    // The name becomes a book key, a file name or a directory name: it is
    // checked before anything is read or written, so that neither an empty
    // name nor "..", a path separator or another character that names may
    // not hold can place the copy anywhere but inside the chosen target.
    at(1043);
    if (!truth(name)) {
        at(1044);
        call(error_box(), tr("Copy name could not be empty."));
        return py::none();
    }
    at(1045);
    if (!is_valid_name(name)) {
        at(1046);
        py::object error = error_box();
        call(error, invalid_name_message("Copy", name));
        return py::none();
    }

    at(1047);
    py::object path = call_method(get_attr(self, "ui_target_path"), "GetValue");
    at(1048);
    if (item_is(self, "_Parameter")) {
        // Into an existing book file, saved back where it was loaded from.
        at(1049);
        py::object book = call_method(global("_ParameterBook"), "load", path);
        at(1050);
        const int present = PySequence_Contains(call_method(book, "names").ptr(), name.ptr());
        if (present < 0) throw_python_error();
        if (present && !truth(call_method(get_attr(self, "ui_overwrite"), "GetValue"))) {
            at(1051);
            py::object error = error_box();
            call(error, tr_format("Parameter named \"%s\" already exists.", name));
            return py::none();
        }
        at(1052);
        book[name] = held_item(self);
        at(1053);
        call_method(book, "save", path);
    } else {
        at(1054);
        if (item_is(self, "_ParameterBook")) {
            // Into a directory, as a new book file.
            at(1055);
            py::object filename = path + get_attr(global("_path"), "sep") + name + py::str(".") +
                                  get_attr(global("_ParameterBook"), "ExtName");
            at(1056);
            if (truth(call_method(global("_path"), "exists", filename)) &&
                !truth(call_method(get_attr(self, "ui_overwrite"), "GetValue"))) {
                at(1057);
                py::object error = error_box();
                call(error, tr_format("Parameter book named \"%s\" already exists.", filename));
                return py::none();
            }
            at(1058);
            call_method(held_item(self), "save", filename);
        } else {
            at(1059);
            if (item_is(self, "_ParameterDirectory")) {
                // Into a directory, as a new sub-directory.
                at(1060);
                py::object dir_name = path + get_attr(global("_path"), "sep") + name;
                at(1061);
                if (truth(call_method(global("_path"), "exists", dir_name))) {
                    at(1062);
                    if (!truth(call_method(get_attr(self, "ui_overwrite"), "GetValue"))) {
                        at(1063);
                        py::object error = error_box();
                        call(error, tr_format("Parameter directory named \"%s\" already exists.", dir_name));
                        return py::none();
                    }
                    at(1064);
                    if (!truth(call_method(global("_path"), "isdir", dir_name))) {
                        at(1065);
                        py::object error = error_box();
                        call(error, tr_format("Target \"%s\" already exists and is not a directory.", dir_name));
                        return py::none();
                    }
                }
                at(1066);
                call_method(held_item(self), "save", dir_name);
            }
        }
    }
    at(1067);
    call_method(global("MB"), "Notice", tr("Copy parameter success."));
    at(1068);
    call_method(self, "EndModal", wx_attr("ID_OK"));
    return py::none();
}

Register definitions{
    class_(1002, "ParaTreeCopyDialog(_CopyDialog)",
           {
               method<ParaTreeCopyDialog___init__>(
                   1003,
                   "__init__(self, parent, para_path: _List[str], "
                   "para: _Union[_Parameter, _ParameterBook, _ParameterDirectory])"),
               method<ParaTreeCopyDialog___select_directory>(1015, "__select_directory(self)", "dlg path"),
               method<ParaTreeCopyDialog___select_file>(1023, "__select_file(self)", "dlg path"),
               method<ParaTreeCopyDialog_on_browse>(1031, "on_browse(self, event)", "path"),
               method<ParaTreeCopyDialog_on_confirm>(1040, "on_confirm(self, event)",
                                                     "rename name path book filename dir_name"),
           }),
};

}  // namespace
}  // namespace kvt
