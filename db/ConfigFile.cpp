// PLACEHOLDER: replaced by the real implementation.
#include "app/VeltmoorDlg.h"
namespace veltmoor {
void CVeltmoorDlg::LocateDatabase() {}
void CVeltmoorDlg::ParseConfigFile(const CString&) {}
}  // namespace veltmoor
