#include "tests/support/SqlServerDdl.h"

#include "base/CString.h"

namespace veltmoor::test {

using namespace ado;

std::string SqlType(const ColumnInfo& c) {
    switch (c.type) {
        case adSmallInt: return "smallint";
        case adInteger: return "int";
        case adBigInt: return "bigint";
        case adTinyInt:
        case adUnsignedTinyInt: return "tinyint";
        case adSingle: return "real";
        case adDouble: return "float";
        case adCurrency: return "money";
        case adBoolean: return "bit";
        case adDate:
        case adDBTimeStamp: return "datetime";
        case adGUID: return "uniqueidentifier";
        case adDecimal:
        case adNumeric: return Format("decimal(%d,%d)", c.precision, c.scale);
        case adChar: return Format("char(%ld)", c.definedSize);
        case adWChar: return Format("nchar(%ld)", c.definedSize);
        case adVarChar: return Format("varchar(%ld)", c.definedSize);
        case adVarWChar: return Format("nvarchar(%ld)", c.definedSize);
        case adLongVarChar: return "text";
        case adLongVarWChar: return "ntext";
        case adBinary: return Format("binary(%ld)", c.definedSize);
        case adVarBinary: return Format("varbinary(%ld)", c.definedSize);
        case adLongVarBinary: return "image";
        default: return Format("sql_variant /* type %d */", static_cast<int>(c.type));
    }
}

std::string SqlLiteral(const _variant_t& value) {
    switch (value.kind()) {
        case _variant_t::Kind::Empty:
        case _variant_t::Kind::Null: return "NULL";
        case _variant_t::Kind::Boolean: return value.AsBool() ? "1" : "0";
        case _variant_t::Kind::Integer:
        case _variant_t::Kind::Double: return value.ToString();
        case _variant_t::Kind::Text: {
            std::string out = "N'";
            for (char ch : value.AsText()) {
                out += ch;
                if (ch == '\'') out += ch;
            }
            return out + "'";
        }
    }
    return "NULL";
}

namespace {
std::string ColumnDefinition(const ColumnInfo& c) {
    std::string out = c.name + " " + SqlType(c);
    if (c.autoIncrement) out += " IDENTITY(1,1)";
    out += c.nullable ? " NULL" : " NOT NULL";
    if (!c.defaultValue.IsEmpty()) out += " DEFAULT " + SqlLiteral(c.defaultValue);
    return out;
}

std::string ColumnList(const IndexInfo& index) {
    std::string out;
    for (const auto& c : index.columns) out += (out.empty() ? "" : ", ") + c.name;
    return out;
}
}  // namespace

std::string CreateTableSql(const TableDef& table) {
    std::string out = "CREATE TABLE " + table.name + " (";
    for (size_t i = 0; i < table.columns.size(); ++i)
        out += (i ? ", " : "") + ColumnDefinition(table.columns[i]);
    return out + ")";
}

std::string CreateIndexSql(const std::string& table, const IndexInfo& index) {
    if (index.primaryKey)
        return "ALTER TABLE " + table + " ADD CONSTRAINT " + index.name + " PRIMARY KEY" +
               (index.clustered ? " CLUSTERED" : "") + " (" + ColumnList(index) + ")";
    return std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + (index.clustered ? "CLUSTERED " : "") +
           "INDEX " + index.name + " ON " + table + " (" + ColumnList(index) + ")";
}

std::string SetColumnPropertySql(const std::string& table, const ColumnInfo& column, const std::string& property,
                                 const _variant_t& value) {
    if (EqualsNoCase(property, "Default"))
        return "ALTER TABLE " + table + " ADD DEFAULT " + SqlLiteral(value) + " FOR " + column.name;
    if (EqualsNoCase(property, "Nullable"))
        return "ALTER TABLE " + table + " ALTER COLUMN " + column.name + " " + SqlType(column) +
               (value.ToBool() ? " NULL" : " NOT NULL");
    // SQL Server cannot give an existing column the identity property; the catalog
    // would have to rebuild the table. Recorded as what was asked.
    return "-- SET " + table + "." + column.name + " " + property + " = " + SqlLiteral(value);
}

}  // namespace veltmoor::test
