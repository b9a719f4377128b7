// The name rule that every name of a parameter tree follows (directories,
// books, parameters, attributes and copies) and the message that refuses a
// name breaking it.
#pragma once

#include "module/kvt.h"

namespace kvt {

// ParameterTreeEditorPanel.is_valid_name(name), read through the class at
// every use.
inline bool is_valid_name(py::handle name) {
    return truth(call_method(global("ParameterTreeEditorPanel"), "is_valid_name", name));
}

// "<kind> name `<name>` is invalid. It may be has invalid characters: `<chars>`."
inline py::object invalid_name_message(const char* kind, py::handle name) {
    return tr_format("%s name `%s` is invalid. It may be has invalid characters: `%s`.", tr(kind), name,
                     py::str(global("_InvalidNameCharacters")));
}

}  // namespace kvt
