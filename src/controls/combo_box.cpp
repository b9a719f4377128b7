// The auto-popup combo box and the serial-port list: AutoPopupComboBox and COMPortList.
#include "module/kvt.h"
