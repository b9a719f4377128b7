#include "module/kvt.h"
