// Extra definitions for a test-only build of the module: a class whose
// members are of every kind the class builder knows (attribute, private
// attribute, static method, property, private method), with bases that the
// test chooses through the built-ins kvt_probe_a and kvt_probe_b.
#include "module/kvt.h"

namespace kvt {
namespace {

// 2003
py::object _Probe_echo(py::handle value, py::handle suffix, Line& at) {
    at(2004);
    return py::make_tuple(value, suffix);
}

// 2006
py::object _Probe_label(py::handle self, Line& at) {
    at(2007);
    return get_attr(self, "Kind");
}

// 2009
py::object _Probe___secret(py::handle self, py::handle x, Line& at) {
    at(2010);
    if (truth(get_attr(self, "_Probe__fail"))) raise(PyExc_ValueError, "secret refused");
    return py::make_tuple(x, get_attr(self, "_Probe__hidden"));
}

// 2012
py::object _Probe_reveal(py::handle self, Line& at) {
    at(2013);
    return call_method(self, "_Probe__secret", py::float_(2.5));
}

Register probe{
    class_(2000, "_Probe(kvt_probe_a, kvt_probe_b)",
           {
               attribute(2001, "Kind = \"probe\""),
               attribute(2002, "__hidden = [1, None, \"two\"]"),
               attribute(2002, "__fail = False"),
               static_method<_Probe_echo>(2003, "echo(value, suffix: str = \"!\")"),
               property<_Probe_label>(2006, "label(self) -> str"),
               method<_Probe___secret>(2009, "__secret(self, x: float = 1)"),
               method<_Probe_reveal>(2012, "reveal(self)"),
           }),
};

}  // namespace
}  // namespace kvt
