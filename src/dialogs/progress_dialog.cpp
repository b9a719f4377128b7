// The progress dialog: ProgressDialog.
#include "module/kvt.h"
