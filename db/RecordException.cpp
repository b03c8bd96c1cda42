// PLACEHOLDER: replaced by the real implementation.
#include "app/VeltmoorDlg.h"
namespace veltmoor {
void CVeltmoorDlg::RecordException(const _com_error&, CString, bool) {}
bool IsSqlServerProvider(ado::ConnectionPtr) { return false; }
}  // namespace veltmoor
