// The object list box: _simple_get_info and ComboList.
#include "module/kvt.h"
