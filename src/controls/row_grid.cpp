// The object row grid: RowGrid.
#include "module/kvt.h"
