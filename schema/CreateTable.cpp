// CreateTable: a duplicate of a SQL Server table whose given column is the identity
// column, filled with every row of the source (identity values kept).
#include <optional>

#include "db/ado/Transaction.h"
#include "schema/DropTableGuard.h"
#include "schema/GeneratedNames.h"

namespace veltmoor {

namespace {

constexpr const char* kTracer = "CVeltmoorDlg::CreateTable";

// A column of the duplicate shaped like the source column: name, type, size, and the
// precision and scale that decimal values need to survive the copy; the autonumber
// column if it is the identity column; nullable only when the server says the source
// column allows nulls. A NULL answer (an object the server does not know) fails the
// conversion.
ado::ColumnInfo DuplicateColumn(CVeltmoorDlg& dlg, const ado::TableDef& source, const ado::ColumnInfo& column,
                                const CString& identityColumn) {
    ado::ColumnInfo copy;
    copy.name = column.name;
    copy.type = column.type;
    copy.definedSize = column.definedSize;
    copy.precision = column.precision;
    copy.scale = column.scale;
    copy.autoIncrement = EqualsNoCase(column.name, identityColumn);
    copy.nullable = false;
    ado::RecordsetPtr allowsNull = dlg.m_pConnection->Execute(
        Format("select columnproperty(object_id('%s'),'%s','AllowsNull') as ANull", source.name.c_str(),
               column.name.c_str()));
    if (allowsNull->State() == ado::adStateOpen || !allowsNull->IsEOF())
        copy.nullable = allowsNull->GetField("ANull").ToInt32() == 1;
    return copy;
}

// IDENTITY_INSERT for a table: On() switches it on, Off() off again; still on when
// the scope ends (a failed copy), it is switched off, and a failure to do so is left
// unreported: the error that ended the copy is the one recorded.
class IdentityInsert {
public:
    IdentityInsert(ado::ConnectionPtr connection, CString table)
        : connection_(std::move(connection)), table_(std::move(table)) {}
    ~IdentityInsert() {
        try {
            if (on_) Off();
        } catch (const _com_error&) {
        }
    }
    IdentityInsert(const IdentityInsert&) = delete;
    IdentityInsert& operator=(const IdentityInsert&) = delete;

    void On() {
        connection_->Execute(Format("SET IDENTITY_INSERT %s ON", table_.c_str()));
        on_ = true;
    }
    void Off() {
        connection_->Execute(Format("SET IDENTITY_INSERT %s OFF", table_.c_str()));
        on_ = false;
    }

private:
    ado::ConnectionPtr connection_;
    CString table_;
    bool on_ = false;
};

// Copies every row of the source into the duplicate, identity values included, in one
// transaction. On failure the copy is rolled back first and IDENTITY_INSERT switched
// off after; when the rollback fails the duplicate is kept, as it may hold rows.
void CopyRows(CVeltmoorDlg& dlg, const CString& source, const CString& duplicate, const CString& columns,
              schema::DropTableGuard& dropDuplicate) {
    IdentityInsert identityInsert(dlg.m_pConnection, duplicate);  // declared first: acts after the rollback
    ado::Transaction transaction(dlg.m_pConnection, [&](const _com_error* failure) {
        if (failure) dropDuplicate.Keep();
    });
    identityInsert.On();
    dlg.m_pConnection->Execute(Format("IF EXISTS(SELECT * FROM %s) EXEC('INSERT INTO %s (%s) SELECT %s FROM %s TABLOCKX')",
                                      source.c_str(), duplicate.c_str(), columns.c_str(), columns.c_str(),
                                      source.c_str()));
    identityInsert.Off();
    transaction.Commit();
}

}  // namespace

bool CVeltmoorDlg::CreateTable(const ado::TableDef& sourceTable, const CString& identityColumn,
                               CString& newTableName) {
    // 1. Name the duplicate: the source's name and "_" with the GUID's first field ("_tmp" without one).
    // 2. Describe every source column for it (DuplicateColumn), and list the column names.
    // 3. Create the duplicate, empty. From here on it is dropped again, after the error
    //    is recorded, unless step 4 completes: nothing is left half done.
    // 4. Copy the rows (CopyRows).
    std::optional<schema::DropTableGuard> dropDuplicate;
    try {
        // 1.
        newTableName = schema::DuplicateTableName(sourceTable.name, schema::NewGuid(m_guidSource));
        ado::CatalogBackend& catalog = *m_pCatalog;  // without one, nothing is sent at all

        // 2.
        ado::TableDef duplicate{newTableName, {}};
        CString columnList;
        for (size_t i = 0; i < sourceTable.columns.size(); ++i) {
            const ado::ColumnInfo& column = sourceTable.columns[i];
            columnList += i + 1 < sourceTable.columns.size() ? Format("%s, ", column.name.c_str()) : column.name;
            duplicate.columns.push_back(DuplicateColumn(*this, sourceTable, column, identityColumn));
        }

        // 3.
        catalog.CreateTable(duplicate);
        dropDuplicate.emplace(*this, newTableName, kTracer);
        if (columnList.empty()) return false;

        // 4.
        CopyRows(*this, sourceTable.name, newTableName, columnList, *dropDuplicate);
        dropDuplicate->Keep();
        return true;
    } catch (const _com_error& error) {
        RecordException(error, kTracer, true);
    }
    return false;
}

}  // namespace veltmoor
