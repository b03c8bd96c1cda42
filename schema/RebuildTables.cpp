// The rebuild step of the identity pass: each listed SQL Server table is replaced
// by a duplicate whose autonumber column has the identity property.
#include "db/ado/Transaction.h"
#include "schema/DropTableGuard.h"
#include "schema/TableCheck.h"

namespace veltmoor::schema {

namespace {

void ReplaceTable(Pass& pass, const CString& table, const CString& duplicate) {
    // 1. Drop the duplicate again unless the replacement completes (declared first, it acts last).
    // 2. In one transaction: drop the source and give the duplicate its name. A failure rolls
    //    the transaction back, so the source table is never lost, and goes on to the pass's
    //    catch. When the rollback fails too, which table holds the rows is unknown: its
    //    error is recorded and both tables are left be.
    CVeltmoorDlg& dlg = pass.dlg;
    DropTableGuard dropDuplicate(dlg, duplicate, kCheckTablesTracer);
    ado::Transaction transaction(dlg.m_pConnection, [&](const _com_error* failure) {
        if (failure) {
            dlg.RecordException(*failure, kCheckTablesTracer, true);
            dropDuplicate.Keep();
        } else {
            pass.Write(Format("--- Rolled back: table [%s] is kept as it was", table.c_str()));
        }
    });
    dlg.m_pConnection->Execute(Format("DROP TABLE %s", table.c_str()));
    pass.Write(Format("--- Table [%s] was successfully dropped", table.c_str()));
    dlg.m_pConnection->Execute(Format("EXECUTE sp_rename N'%s', N'%s', 'OBJECT'", duplicate.c_str(), table.c_str()));
    transaction.Commit();
    dropDuplicate.Keep();
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
