// PLACEHOLDER: replaced by the real implementation.
#include "app/VeltmoorDlg.h"
namespace veltmoor {
void CVeltmoorDlg::CheckAccounts() {}
_variant_t CVeltmoorDlg::GetInsertIdentityValue(ado::ConnectionPtr) { return {}; }
}  // namespace veltmoor
