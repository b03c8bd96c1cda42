#include "db/ado/jet/JetCatalog.h"

#include <algorithm>

#include "base/CString.h"
#include "db/ado/jet/JetErrors.h"

namespace veltmoor::ado::jet {

namespace {

constexpr int kPrimaryKeyIndex = 1;  // MdbIndex::index_type
constexpr int kReferenceIndex = 2;   // the other side of a relationship, not an index of its own

DataTypeEnum AdoxType(int mdbType) {
    switch (mdbType) {
        case MDB_BOOL: return adBoolean;
        case MDB_BYTE: return adUnsignedTinyInt;
        case MDB_INT: return adSmallInt;
        case MDB_LONGINT: return adInteger;
        case MDB_MONEY: return adCurrency;
        case MDB_FLOAT: return adSingle;
        case MDB_DOUBLE: return adDouble;
        case MDB_DATETIME: return adDate;
        case MDB_BINARY: return adVarBinary;
        case MDB_TEXT: return adVarWChar;
        case MDB_OLE: return adLongVarBinary;
        case MDB_MEMO: return adLongVarWChar;
        case MDB_REPID: return adGUID;
        case MDB_NUMERIC: return adNumeric;
        default: return adVariant;
    }
}

// The ADOX description of a libmdb column (jet3: text sizes count bytes, not characters).
ColumnInfo DescribeColumn(const MdbColumn& column, bool jet3) {
    ColumnInfo info;
    info.name = column.name;
    info.type = AdoxType(column.col_type);
    // Jet 4 keeps text as UCS-2: its size in bytes is twice its length in characters.
    if (column.col_type == MDB_TEXT || column.col_type == MDB_BINARY)
        info.definedSize = column.col_type == MDB_TEXT && !jet3 ? column.col_size / 2 : column.col_size;
    info.precision = column.col_prec;
    info.scale = column.col_scale;
    info.autoIncrement = column.is_long_auto != 0;
    const char* required = mdb_col_get_prop(&column, "Required");
    info.nullable = column.col_type != MDB_BOOL && !info.autoIncrement && !(required && EqualsNoCase(required, "yes"));
    const char* dflt = mdb_col_get_prop(&column, "DefaultValue");
    if (dflt && *dflt) info.defaultValue = _variant_t(std::string(dflt));
    return info;
}

}  // namespace

std::vector<std::string> JetCatalog::TableNames() {
    std::vector<std::string> names;
    for (MdbCatalogEntry* entry : UserTables(*mdb_)) names.emplace_back(entry->object_name);
    return names;
}

std::vector<ColumnInfo> JetCatalog::Columns(const std::string& table) {
    TablePtr def = ReadTable(*mdb_, table);
    std::vector<ColumnInfo> columns;
    for (unsigned i = 0; i < def->num_cols; ++i) columns.push_back(DescribeColumn(*ColumnAt(*def, i), IS_JET3(mdb_)));
    return columns;
}

std::vector<IndexInfo> JetCatalog::Indexes(const std::string& table) {
    TablePtr def = ReadTable(*mdb_, table);
    std::vector<IndexInfo> indexes;
    for (unsigned i = 0; i < def->num_idxs; ++i) {
        const auto* index = static_cast<const MdbIndex*>(g_ptr_array_index(def->indices, i));
        if (index->index_type == kReferenceIndex) continue;
        IndexInfo& info = indexes.emplace_back();
        info.name = index->name;
        info.primaryKey = index->index_type == kPrimaryKeyIndex;
        info.unique = info.primaryKey || (index->flags & MDB_IDX_UNIQUE) != 0;
        // A key names its column by position among the table's columns, from 1: not by
        // col_num, which counts deleted columns too.
        for (unsigned k = 0; k < index->num_keys; ++k)
            if (const unsigned at = static_cast<unsigned>(index->key_col_num[k]); at >= 1 && at <= def->num_cols)
                info.columns.push_back(DescribeColumn(*ColumnAt(*def, at - 1), IS_JET3(mdb_)));
    }
    std::stable_partition(indexes.begin(), indexes.end(), [](const IndexInfo& i) { return i.primaryKey; });
    return indexes;
}

void JetCatalog::CreateTable(const TableDef& table) { RaiseReadOnly("creating table [" + table.name + "]", path_); }

void JetCatalog::CreateIndex(const std::string& table, const IndexInfo& index) {
    RaiseReadOnly("creating index [" + index.name + "] on table [" + table + "]", path_);
}

void JetCatalog::SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                                   const _variant_t&) {
    RaiseReadOnly("setting the \"" + property + "\" property of column [" + column + "] in table [" + table + "]",
                  path_);
}

}  // namespace veltmoor::ado::jet
