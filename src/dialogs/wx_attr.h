// A helper shared by the ready-made dialogs.
#pragma once

#include "module/kvt.h"

namespace kvt {
namespace dialogs {

// `wx.<name>`: the module global `wx` is looked up afresh at every use, so a
// rebinding of `wx` after import reaches every read.
inline py::object wx_attr(const char* literal) { return get_attr(global("wx"), literal); }

}  // namespace dialogs
}  // namespace kvt
