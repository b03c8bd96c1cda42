// The embedded database's repair of a lost autonumber property: the column becomes
// the autonumber column in place.
#include "schema/TableCheck.h"

namespace veltmoor::schema {

bool RepairAutonumber(CVeltmoorDlg& dlg, const CString& table, ado::ColumnInfo& column) {
    // 1. Set the column's "Autoincrement" property. The provider rebuilds the table in one
    //    transaction, keeping every row, index and trigger, or raises saying why the values
    //    cannot become autonumbers (nulls, duplicates, non-integers) and leaves it untouched.
    // 2. Keep the caller's description of the column in step with it.
    try {
        if (!dlg.PrepareRepair()) return false;
        dlg.m_pCatalog->SetColumnProperty(table, column.name, "Autoincrement", _variant_t(true));
        column.autoIncrement = true;
        return true;
    } catch (const _com_error& error) {
        dlg.RecordException(error, "CVeltmoorDlg::CreateTable", true);
    }
    return false;
}

}  // namespace veltmoor::schema
