// The columns of a table that the catalog holds: missing columns, autonumber
// (identity) properties and defaults, each in the dialect of the database.
#include "base/Support.h"
#include "schema/Description.h"
#include "schema/GeneratedNames.h"
#include "schema/TableCheck.h"

namespace veltmoor::schema {

namespace {

// One COLUMN element being checked against its catalog column.
struct ColumnCheck {
    xml::XmlNodePtr element;
    CString tableName;   // as the description writes it
    CString columnName;  // as the description writes it (upper-cased by the constraint search)
    ado::TableDef& table;        // as the catalog reported it
    ado::ColumnInfo* column;     // in `table`
    bool autonumber = false;
    bool defaultRequired = false;
};

ado::ColumnInfo* FindColumn(ado::TableDef& table, const CString& name) {
    for (ado::ColumnInfo& column : table.columns)
        if (EqualsNoCase(column.name, name)) return &column;
    return nullptr;
}

// SQL Server, identity pass: ask the server whether the column is an identity column.
void CheckIdentity(Pass& pass, ColumnCheck& c) {
    CVeltmoorDlg& dlg = pass.dlg;
    bool isIdentity = false;
    try {
        ado::RecordsetPtr answer = dlg.m_pConnection->Execute(
            Format("select columnproperty(object_id('%s'),'%s','IsIdentity') as Idty", c.tableName.c_str(),
                   c.columnName.c_str()));
        if (answer->State() == ado::adStateOpen || !answer->IsEOF())
            isIdentity = answer->GetField("Idty").ToInt32() == 1;
    } catch (const _com_error& error) {
        // Without an answer the column is left alone: no finding, no rebuild.
        pass.Write(Format("Error occurred while checking for missing autonumber or identity property on [%s] column in "
                          "[%s] table",
                          c.columnName.c_str(), c.table.name.c_str()));
        dlg.RecordException(error, kCheckTablesTracer, true);
        isIdentity = true;
    }
    if (isIdentity) return;

    const CVeltmoorDlg::Finding finding{"tables", c.table.name, c.columnName, {}, {}, {},
        Format("Missing autonumber or identity property on [%s] column in [%s] table", c.columnName.c_str(),
               c.table.name.c_str())};
    if (!pass.FixErrors()) {
        pass.Write(pass.Finding(finding));
        return;
    }
    // Its outcome is the rebuild's: counted now, reported by the rebuild step.
    ++dlg.m_tally.findings;
    pass.Write(finding.message);
    RebuildEntry& entry = pass.rebuild[c.table.name];
    // A rebuild makes one column the identity column; findings for a column it
    // replaces in the list stay unfixed.
    if (!entry.findings.empty() && !EqualsNoCase(entry.column, c.columnName)) {
        for (const CVeltmoorDlg::Finding& replaced : entry.findings) pass.Report(replaced, false);
        entry.findings.clear();
    }
    entry.findings.push_back(finding);
    entry.table = c.table;
    entry.column = c.columnName;
}

// SQL Server, main pass: a DEFAULT constraint on the column, found in the table's
// constraint list by substring, else the repair with a freshly named constraint.
void CheckServerDefault(Pass& pass, ColumnCheck& c, const ado::RecordsetPtr& constraints) {
    CVeltmoorDlg& dlg = pass.dlg;
    bool found = false;
    try {
        if (constraints) {
            while (!constraints->IsEOF()) {
                const CString type = constraints->GetField("constraint_type").ToString();
                if (type.find("DEFAULT") != CString::npos) {
                    c.columnName = ToUpper(c.columnName);
                    if (type.find(c.columnName) != CString::npos) {
                        found = true;
                        break;
                    }
                }
                constraints->MoveNext();
            }
        }
    } catch (const _com_error& error) {
        dlg.RecordException(error, kCheckTablesTracer, true);
    }
    if (!c.defaultRequired || found) return;

    const CString message = Format("Missing default value on [%s] column", c.columnName.c_str());
    std::optional<bool> repaired;
    if (pass.FixErrors()) {
        const CString constraint = DefaultConstraintName(c.tableName, NewGuid(dlg.m_guidSource));
        repaired = dlg.SetColumnDefault(c.element, c.tableName, c.columnName, constraint);
    }
    pass.Write(pass.Finding({"tables", c.tableName, c.columnName, {}, {}, {}, message}, repaired));
}

// Embedded database, identity pass: the column's "Autoincrement" property, and the
// repair in place when "Fix Errors" is ticked (the repair records its own errors).
void CheckAutonumber(Pass& pass, ColumnCheck& c) {
    if (c.column->autoIncrement) return;
    const CVeltmoorDlg::Finding finding{"tables", c.tableName, c.columnName, {}, {}, {},
        Format("Missing autonumber or identity property on [%s] column", c.columnName.c_str())};
    if (pass.FixErrors()) {
        const bool fixed = RepairAutonumber(pass.dlg, c.table.name, *c.column);
        pass.Write(pass.Finding(finding, fixed));
        if (!fixed) pass.Write(Format("--- Table [%s] was left unchanged", c.table.name.c_str()));
        return;
    }
    pass.Write(pass.Finding(finding));
}

// Embedded database, main pass: the column's "Default" property (any value, an
// empty text included, is a default).
void CheckEmbeddedDefault(Pass& pass, ColumnCheck& c) {
    if (!c.defaultRequired || !c.column->defaultValue.IsEmptyOrNull()) return;

    std::optional<bool> repaired;
    if (pass.FixErrors()) repaired = pass.dlg.SetColumnDefault(c.table.name, *c.column, c.element);
    pass.Write(pass.Finding({"tables", c.tableName, c.columnName, {}, {}, {},
                             Format("Missing default value on [%s] column", c.columnName.c_str())},
                            repaired));
}

// The constraint list of a SQL Server table, kept only when it has rows.
ado::RecordsetPtr ConstraintList(CVeltmoorDlg& dlg, const CString& tableName) {
    ado::RecordsetPtr list = dlg.m_pConnection->Execute("exec sp_helpconstraint " + tableName + ", nomsg");
    if (list->State() == ado::adStateOpen && !list->IsEOF()) return list;
    return nullptr;
}

}  // namespace

xml::XmlNodeListPtr CheckColumns(Pass& pass, const xml::XmlNodePtr& tableElement, const CString& tableName,
                                 const CString& table) {
    CVeltmoorDlg& dlg = pass.dlg;
    ado::RecordsetPtr constraints;
    if (IsSqlServerProvider(dlg.m_pConnection)) constraints = ConstraintList(dlg, tableName);

    xml::XmlNodeListPtr columnElements = tableElement->selectNodes("COLUMN");
    // The catalog's columns, read once for the table's elements; the repairs keep them up to date.
    ado::TableDef catalogTable{table, {}};
    if (columnElements->length() > 0) catalogTable.columns = dlg.m_pCatalog->Columns(table);
    for (long i = 0; i < columnElements->length(); ++i) {
        if (constraints) constraints->MoveFirst();
        ColumnCheck c{columnElements->item(i), tableName, {}, catalogTable, nullptr, false, false};
        HasText(c.element, "name", c.columnName);
        c.column = FindColumn(catalogTable, c.columnName);
        if (!c.column) {
            // Missing columns are reported, never created.
            if (!pass.identityPass) {
                pass.Write(pass.Finding({"tables", tableName, c.columnName, {}, {}, {},
                                         Format("Missing [%s] Column", c.columnName.c_str())}));
            }
            continue;
        }
        CString flag;
        if (pass.identityPass)
            c.autonumber = HasText(c.element, "jetType", flag) && EqualsNoCase(flag, "autonumber");
        else
            c.defaultRequired = HasText(c.element, "hasdefaultvalue", flag) && EqualsNoCase(flag, "true");

        const bool sqlServer = IsSqlServerProvider(dlg.m_pConnection);
        if (pass.identityPass) {
            if (!c.autonumber) continue;
            if (sqlServer) CheckIdentity(pass, c);
            else CheckAutonumber(pass, c);
        } else {
            if (sqlServer) CheckServerDefault(pass, c, constraints);
            else CheckEmbeddedDefault(pass, c);
        }
    }
    return columnElements;
}

}  // namespace veltmoor::schema
