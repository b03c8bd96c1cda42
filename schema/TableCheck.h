// The pieces of one pass of the table check (CVeltmoorDlg::CheckTables): the
// columns and indexes of a found table, and the rebuild step of the identity pass.
// Errors the pieces do not catch themselves travel to the pass's own catch.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "app/VeltmoorDlg.h"

namespace veltmoor::schema {

inline constexpr const char* kCheckTablesTracer = "CVeltmoorDlg::CheckTables";

// A SQL Server table whose autonumber column lacks the identity property.
struct RebuildEntry {
    ado::TableDef table;  // the catalog's name and columns of the table
    CString column;       // as the description writes it
    std::vector<CVeltmoorDlg::Finding> findings;  // written for this column, fixed together by the rebuild
};

// By the catalog's table name, in case-sensitive order: the order of the rebuilds.
// A later finding for a table replaces the column: one rebuild per table.
using RebuildList = std::map<CString, RebuildEntry>;

struct Pass {
    CVeltmoorDlg& dlg;
    bool identityPass;
    RebuildList rebuild;

    void Write(const CString& line) { dlg.m_wndLog.AddLine(line); }
    bool FixErrors() const { return dlg.m_bFixErrors == 1; }
    // Counts a finding, reports it as data and returns its log line: the message,
    // ending in the repair's outcome when a repair was tried.
    CString Finding(const CVeltmoorDlg::Finding& finding, std::optional<bool> repaired = std::nullopt);
    // Reports a finding counted earlier whose repair came later (the rebuild step).
    void Report(CVeltmoorDlg::Finding finding, bool fixed);
    ~Pass();
};

// Checks the COLUMN elements of a table the catalog holds (both passes) and returns
// them for the index part. `table` is the table's name as the catalog writes it.
xml::XmlNodeListPtr CheckColumns(Pass& pass, const xml::XmlNodePtr& tableElement, const CString& tableName,
                                 const CString& table);

// Checks the INDEX elements of a table the catalog holds (main pass).
void CheckIndexes(Pass& pass, const xml::XmlNodePtr& tableElement, const CString& table,
                  const xml::XmlNodeListPtr& columnElements);

// Rebuilds the listed SQL Server tables around their identity column (identity pass,
// "Fix Errors" ticked).
void RebuildTables(Pass& pass);

// Makes a column of the embedded database its table's autonumber column, keeping
// every row, and marks `column` so; false (with the error block written) when the
// provider refuses.
bool RepairAutonumber(CVeltmoorDlg& dlg, const CString& table, ado::ColumnInfo& column);

}  // namespace veltmoor::schema
