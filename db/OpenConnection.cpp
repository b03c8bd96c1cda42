// PLACEHOLDER: replaced by the real implementation.
#include "app/VeltmoorDlg.h"
namespace veltmoor {
void CVeltmoorDlg::OpenConnection() {}
}  // namespace veltmoor
