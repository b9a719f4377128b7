// The wait dialog and the self-closing message box: WaitForDialog and AutoCloseMessageBox.
#include "module/kvt.h"
