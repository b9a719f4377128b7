// Two-button and one-button-per-choice dialogs: TrueOrFalseDialog and ChooseOneButtonDialog.
#include "module/kvt.h"
