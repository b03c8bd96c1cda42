// IndexExists and CreateIndex: an index looked up by its key column, and a missing
// one created from its description (one key column each).
#include "app/VeltmoorDlg.h"
#include "schema/Description.h"

namespace veltmoor {

using schema::AttributeText;

namespace {
constexpr const char* kIndexExistsTracer = "CVeltmoorDlg::IndexExists";
constexpr const char* kCreateIndexTracer = "CVeltmoorDlg::CreateIndex";
}  // namespace

bool CVeltmoorDlg::IndexExists(const CString&, const adox::TablePtr& table, const xml::XmlNodePtr& indexElement,
                               CString& foundName) {
    try {
        // The name plays no part: any index that has the key among its columns counts.
        const CString key = AttributeText(indexElement, "key");
        adox::IndexesPtr indexes = table->GetIndexes();
        for (long i = 0; i < indexes->Count(); ++i) {
            adox::IndexPtr index = indexes->Item(i);
            adox::ColumnsPtr columns = index->GetColumns();
            for (long k = 0; k < columns->Count(); ++k) {
                if (EqualsNoCase(columns->Item(k)->Name(), key)) {
                    foundName = index->Name();
                    return true;
                }
            }
        }
    } catch (const _com_error& error) {
        RecordException(error, kIndexExistsTracer, true);
    }
    return false;
}

bool CVeltmoorDlg::CreateIndex(const CString& indexName, const adox::TablePtr& table,
                               const xml::XmlNodePtr& indexElement, const xml::XmlNodeListPtr& columnElements) {
    // 1. Find the first COLUMN element named like the index's key.
    // 2. Take the key column's type from its sqlSType (int when absent); stop on any other type.
    // 3. Take the primary and unique flags ("yes" only) and create the index in the catalog.
    try {
        const CString key = AttributeText(indexElement, "key");
        for (long i = 0; i < columnElements->length(); ++i) {
            xml::XmlNodePtr columnElement = columnElements->item(i);
            CString name;
            if (!schema::HasText(columnElement, "name", name) || !EqualsNoCase(key, name)) continue;

            ado::DataTypeEnum type = ado::adInteger;
            long size = 0;
            CString sqlType;
            if (schema::ReadAttribute(columnElement, "sqlSType", sqlType)) {
                if (EqualsNoCase(sqlType, "nvarchar")) {
                    type = ado::adVarWChar;
                    size = 255;
                } else if (!EqualsNoCase(sqlType, "int")) {
                    return false;  // a key type the index cannot be made for
                }
            }
            const bool primary = EqualsNoCase(AttributeText(indexElement, "primary"), "yes");
            const bool unique = EqualsNoCase(AttributeText(indexElement, "unique"), "yes");
            // The key as the INDEX element writes it names the column.
            return CreateIndex(table, indexName, key, type, size, primary, unique);
        }
    } catch (const _com_error& error) {
        RecordException(error, kCreateIndexTracer, true);
    }
    return false;
}

bool CVeltmoorDlg::CreateIndex(const adox::TablePtr& table, const CString& indexName, const CString& columnName,
                               ado::DataTypeEnum type, long definedSize, bool primaryKey, bool unique) {
    // 1. Describe the index on an unattached index object: name, its one column, flags.
    // 2. Append it to the table's indexes, which creates it in the database; a refusal
    //    leaves nothing behind.
    try {
        if (!PrepareRepair()) return false;
        adox::IndexPtr index = adox::Index::Create();
        index->PutName(indexName);
        index->GetColumns()->Append(columnName, type, definedSize);
        index->PutPrimaryKey(primaryKey);
        index->PutUnique(unique);
        table->GetIndexes()->Append(index);
        return true;
    } catch (const _com_error& error) {
        RecordException(error, kCreateIndexTracer, true);
    }
    return false;
}

}  // namespace veltmoor
