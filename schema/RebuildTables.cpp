// The rebuild step of the identity pass: each listed SQL Server table is replaced
// by a duplicate whose autonumber column has the identity property.
#include <exception>

#include "schema/TableCheck.h"

namespace veltmoor::schema {

namespace {

// Drops the source and gives the duplicate its name, in one transaction. When either
// statement fails the transaction is rolled back, so that the source table is never
// lost, the duplicate (whose rows the source still holds) is dropped, and the error
// goes on to the pass's catch.
void ReplaceTable(Pass& pass, const CString& table, const CString& duplicate) {
    const ado::ConnectionPtr& connection = pass.dlg.m_pConnection;
    bool transactionOpen = false;
    try {
        connection->BeginTrans();
        transactionOpen = true;
        connection->Execute(Format("DROP TABLE %s", table.c_str()));
        pass.Write(Format("--- Table [%s] was successfully dropped", table.c_str()));
        connection->Execute(Format("EXECUTE sp_rename N'%s', N'%s', 'OBJECT'", duplicate.c_str(), table.c_str()));
        connection->CommitTrans();
    } catch (const _com_error&) {
        const std::exception_ptr original = std::current_exception();
        if (transactionOpen) {
            try {
                connection->RollbackTrans();
            } catch (const _com_error& rollbackError) {
                // Which of the two tables holds the rows is unknown now: leave both be.
                pass.dlg.RecordException(rollbackError, kCheckTablesTracer, true);
                std::rethrow_exception(original);
            }
            pass.Write(Format("--- Rolled back: table [%s] is kept as it was", table.c_str()));
        }
        try {
            connection->Execute(Format("DROP TABLE %s", duplicate.c_str()));
        } catch (const _com_error& dropError) {
            pass.dlg.RecordException(dropError, kCheckTablesTracer, true);
        }
        std::rethrow_exception(original);
    }
}

}  // namespace

void RebuildTables(Pass& pass) {
    // For each listed table, in name order:
    // 1. Create the duplicate with the identity column and copy the rows (CreateTable).
    // 2. In one transaction, drop the source and give the duplicate its name.
    // 3. Report FIXED, or FAILED TO FIX when step 1 failed (the source is untouched).
    if (!pass.rebuild.empty()) pass.Write("--- Fixing missing autoincrement or identity columns ---");
    for (auto& [table, entry] : pass.rebuild) {
        pass.Write(Format("--- Creating duplicate table for [%s]", table.c_str()));
        CString duplicate;
        if (pass.dlg.CreateTable(entry.table, entry.column, duplicate)) {
            pass.Write(Format("--- Duplicate table [%s] created", duplicate.c_str()));
            ReplaceTable(pass, table, duplicate);
            pass.Write(Format("--- Table [%s] was successfully renamed to [%s]", duplicate.c_str(), table.c_str()));
            pass.Write(InColour(3, Format("--- FIXED: autoincrement or identity column for table for [%s]", table.c_str())));
            for (const CVeltmoorDlg::Finding& finding : entry.findings) pass.Report(finding, true);
            entry.findings.clear();
        } else {
            pass.Write(InColour(
                4, Format("--- FAILED TO FIX: Missing autoincrement or identity column fix for table for [%s]",
                          table.c_str())));
            for (const CVeltmoorDlg::Finding& finding : entry.findings) pass.Report(finding, false);
            entry.findings.clear();
        }
        pass.Write("  ");
    }
}

}  // namespace veltmoor::schema
