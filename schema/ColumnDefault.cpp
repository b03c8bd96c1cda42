// PLACEHOLDER: replaced by the real implementation.
#include "app/VeltmoorDlg.h"
