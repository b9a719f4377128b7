// Guards for the timers of the timed dialogs.  A wx.Timer delivers its ticks
// straight to its owner window; a tick that reaches a destroyed window crashes
// the process, so every timed dialog stops its timer when it is destroyed.
#pragma once

#include "module/kvt.h"

namespace kvt {
namespace timed {

// Runs `action` as an event handler made in C++: errors of the module's own
// helpers become Python errors that wx reports like those of any handler.
template <typename F>
py::cpp_function handler(F action) {
    return py::cpp_function([action](py::object event) {
        try {
            action(event);
        } catch (PythonError&) {
            throw py::error_already_set();
        }
    });
}

// Stops `timer` when `window` itself (not one of its children) is destroyed.
// The handler never touches the window, which is half gone by then.
inline void stop_timer_when_destroyed(py::handle window, py::handle timer) {
    using namespace pybind11::literals;
    py::object wx = global("wx");
    py::object held = py::reinterpret_borrow<py::object>(timer);
    get_attr(window, "Bind")(get_attr(wx, "EVT_WINDOW_DESTROY"), handler([held](py::handle event) {
                                 call_method(held, "Stop");
                                 call_method(event, "Skip");
                             }),
                             "source"_a = window);
}

}  // namespace timed
}  // namespace kvt
