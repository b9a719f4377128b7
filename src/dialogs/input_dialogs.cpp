// Input dialogs: SimpleInputDialog and MultipleInputDialog.
#include "module/kvt.h"
