// Message boxes: MB.
#include "module/kvt.h"
