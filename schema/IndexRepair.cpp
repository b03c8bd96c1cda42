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

bool CVeltmoorDlg::IndexExists(const CString&, const std::vector<ado::IndexInfo>& indexes,
                               const xml::XmlNodePtr& indexElement, CString& foundName) {
    try {
        // The name plays no part: any index that has the key among its columns counts.
        const CString key = AttributeText(indexElement, "key");
        for (const ado::IndexInfo& index : indexes) {
            for (const ado::ColumnInfo& column : index.columns) {
                if (EqualsNoCase(column.name, key)) {
                    foundName = index.name;
                    return true;
                }
            }
        }
    } catch (const _com_error& error) {
        RecordException(error, kIndexExistsTracer, true);
    }
    return false;
}

bool CVeltmoorDlg::CreateIndex(const CString& indexName, const CString& tableName,
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
            return CreateIndex(tableName, indexName, key, type, size, primary, unique);
        }
    } catch (const _com_error& error) {
        RecordException(error, kCreateIndexTracer, true);
    }
    return false;
}

bool CVeltmoorDlg::CreateIndex(const CString& tableName, const CString& indexName, const CString& columnName,
                               ado::DataTypeEnum type, long definedSize, bool primaryKey, bool unique) {
    // 1. Describe the index: name, flags, its one key column (not nullable, as a new column is).
    // 2. Create it in the catalog; a refusal leaves nothing behind.
    try {
        if (!PrepareRepair()) return false;
        ado::IndexInfo index;
        index.name = indexName;
        index.primaryKey = primaryKey;
        index.unique = unique;
        ado::ColumnInfo& key = index.columns.emplace_back();
        key.name = columnName;
        key.type = type;
        key.definedSize = definedSize;
        key.nullable = false;
        m_pCatalog->CreateIndex(tableName, index);
        return true;
    } catch (const _com_error& error) {
        RecordException(error, kCreateIndexTracer, true);
    }
    return false;
}

}  // namespace veltmoor
