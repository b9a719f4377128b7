// The date picker: DatePicker.
#include "module/kvt.h"
