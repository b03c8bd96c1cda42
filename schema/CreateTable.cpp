// CreateTable: a duplicate of a SQL Server table whose given column is the identity
// column, filled with every row of the source (identity values kept).
#include "app/VeltmoorDlg.h"
#include "schema/GeneratedNames.h"

namespace veltmoor {

namespace {

constexpr const char* kTracer = "CVeltmoorDlg::CreateTable";

// A new, unattached column shaped like the source column: name, type, size, and the
// precision and scale that decimal values need to survive the copy. The object
// model has no setters for the last two, so the column starts from a description.
adox::ColumnPtr NewColumnLike(const adox::ColumnPtr& source) {
    ado::ColumnInfo info;
    info.name = source->Name();
    info.type = source->Type();
    info.definedSize = source->DefinedSize();
    info.precision = source->Info().precision;
    info.scale = source->Info().scale;
    info.nullable = false;  // as a new column: nulls only when the server says the source allows them
    return adox::ColumnPtr(std::make_shared<adox::Column>(std::move(info), adox::Attachment{}));
}

}  // namespace

bool CVeltmoorDlg::CreateTable(const adox::TablePtr& sourceTable, const CString& identityColumn,
                               CString& newTableName) {
    // 1. Name the duplicate: the source's name and "_" with the GUID's first field ("_tmp" without one).
    // 2. Describe every source column on a new table object: name, type, size, precision and
    //    scale; autonumber for the identity column; nullable when the server says the source
    //    column allows nulls.
    // 3. Create the duplicate, empty.
    // 4. In one transaction with IDENTITY_INSERT on, copy every row, identity values included.
    // 5. Clean up after a failure: roll the copy back, switch IDENTITY_INSERT off, and drop
    //    the duplicate made in step 3 so that nothing is left half done. The duplicate is
    //    kept when the rollback failed: it may then hold the only copy of the rows.
    bool result = false;
    bool transactionOpen = false;
    bool identityInsertOn = false;
    bool duplicateCreated = false;
    try {
        newTableName = schema::DuplicateTableName(sourceTable->Name(), schema::NewGuid(m_guidSource));
        adox::TablePtr newTable = adox::Table::Create();
        newTable->PutName(newTableName);

        CString columnList;
        adox::ColumnsPtr sourceColumns = sourceTable->GetColumns();
        for (long i = 0; i < sourceColumns->Count(); ++i) {
            adox::ColumnPtr source = sourceColumns->Item(i);
            adox::ColumnPtr column = NewColumnLike(source);
            columnList += i + 1 < sourceColumns->Count() ? Format("%s, ", source->Name().c_str()) : source->Name();
            column->PutParentCatalog(m_pCatalog);
            if (EqualsNoCase(source->Name(), identityColumn))
                column->GetProperties()->Item("Autoincrement")->PutValue(_variant_t(true));

            ado::RecordsetPtr allowsNull = m_pConnection->Execute(
                Format("select columnproperty(object_id('%s'),'%s','AllowsNull') as ANull", sourceTable->Name().c_str(),
                       source->Name().c_str()));
            // A NULL answer (an object the server does not know) fails the conversion.
            if (allowsNull->State() == ado::adStateOpen || !allowsNull->IsEOF()) {
                if (allowsNull->GetField("ANull").ToInt32() == 1)
                    column->GetProperties()->Item("Nullable")->PutValue(_variant_t(true));
            }
            newTable->GetColumns()->Append(column, column->Type(), column->DefinedSize());
        }
        m_pCatalog->GetTables()->Append(newTable);
        duplicateCreated = true;

        if (!columnList.empty()) {
            m_pConnection->BeginTrans();
            transactionOpen = true;
            m_pConnection->Execute(Format("SET IDENTITY_INSERT %s ON", newTableName.c_str()));
            identityInsertOn = true;
            m_pConnection->Execute(Format("IF EXISTS(SELECT * FROM %s) EXEC('INSERT INTO %s (%s) SELECT %s FROM %s "
                                          "TABLOCKX')",
                                          sourceTable->Name().c_str(), newTableName.c_str(), columnList.c_str(),
                                          columnList.c_str(), sourceTable->Name().c_str()));
            m_pConnection->Execute(Format("SET IDENTITY_INSERT %s OFF", newTableName.c_str()));
            identityInsertOn = false;
            m_pConnection->CommitTrans();
            transactionOpen = false;
            result = true;
        }
    } catch (const _com_error& error) {
        RecordException(error, kTracer, true);
    }

    bool rolledBack = true;
    if (transactionOpen) {
        try {
            m_pConnection->RollbackTrans();
        } catch (const _com_error& error) {
            RecordException(error, kTracer, false);
            rolledBack = false;
        }
    }
    if (identityInsertOn) {
        try {
            m_pConnection->Execute(Format("SET IDENTITY_INSERT %s OFF", newTableName.c_str()));
        } catch (const _com_error& error) {
            RecordException(error, kTracer, false);
        }
    }
    if (duplicateCreated && !result && rolledBack) {
        try {
            m_pConnection->Execute(Format("DROP TABLE %s", newTableName.c_str()));
        } catch (const _com_error& error) {
            // The operator should know that an empty duplicate is left behind.
            RecordException(error, kTracer, true);
        }
    }
    return result;
}

}  // namespace veltmoor
