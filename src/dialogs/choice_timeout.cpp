// The single-choice dialog with a countdown: SingleChoiceTimeoutDialog.
#include "module/kvt.h"
