#include "db/ado/odbc/SqlServerDdl.h"

#include <cstdio>

#include "base/CString.h"

namespace veltmoor::ado::odbc {

namespace {

constexpr const char* kSource = "ODBC catalog";
// Above these lengths SQL Server wants the (max) form of a variable-length type.
constexpr long kMaxUnicodeLength = 4000;
constexpr long kMaxByteLength = 8000;
// An unsized text column gets Jet's default text length.
constexpr long kDefaultLength = 255;

[[noreturn]] void Invalid(const std::string& why) { throw _com_error(hr::kInvalidArg, kSource, why); }

long Length(const ColumnInfo& c) { return c.definedSize > 0 ? c.definedSize : kDefaultLength; }

std::string Variable(const char* type, const ColumnInfo& c, long limit) {
    const long n = Length(c);
    return n > limit ? Format("%s(max)", type) : Format("%s(%ld)", type, n);
}

}  // namespace

std::string QuoteName(std::string_view name) {
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']') out += ']';
    }
    return out + "]";
}

std::string SqlServerType(const ColumnInfo& c) {
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
        case adVariant: return "sql_variant";
        case adDecimal:
        case adNumeric: return Format("decimal(%d,%d)", c.precision > 0 ? c.precision : 18, c.scale);
        case adChar: return Format("char(%ld)", Length(c));
        case adWChar: return Format("nchar(%ld)", Length(c));
        case adBinary: return Format("binary(%ld)", Length(c));
        case adVarChar: return Variable("varchar", c, kMaxByteLength);
        case adVarWChar: return Variable("nvarchar", c, kMaxUnicodeLength);
        case adVarBinary: return Variable("varbinary", c, kMaxByteLength);
        case adLongVarChar: return "varchar(max)";
        case adLongVarWChar: return "nvarchar(max)";
        case adLongVarBinary: return "varbinary(max)";
        case adEmpty: break;
    }
    Invalid(Format("Column %s: type %d has no SQL Server counterpart", QuoteName(c.name).c_str(),
                   static_cast<int>(c.type)));
}

std::string SqlServerLiteral(const _variant_t& value) {
    switch (value.kind()) {
        case _variant_t::Kind::Empty:
        case _variant_t::Kind::Null: return "NULL";
        case _variant_t::Kind::Boolean: return value.AsBool() ? "1" : "0";
        case _variant_t::Kind::Integer: return std::to_string(value.AsInteger());
        case _variant_t::Kind::Double: {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g", value.AsDouble());
            return buffer;
        }
        case _variant_t::Kind::Text: {
            std::string out = "N'";
            for (char c : value.AsText()) {
                out += c;
                if (c == '\'') out += c;
            }
            return out + "'";
        }
    }
    return "NULL";
}

std::string CreateTableSql(const TableDef& table) {
    if (table.name.empty()) Invalid("A table needs a name");
    if (table.columns.empty()) Invalid("Table " + QuoteName(table.name) + " needs at least one column");
    std::string sql = "CREATE TABLE " + QuoteName(table.name) + " (";
    bool first = true;
    for (const ColumnInfo& c : table.columns) {
        if (c.name.empty()) Invalid("Every column of table " + QuoteName(table.name) + " needs a name");
        if (!first) sql += ", ";
        first = false;
        sql += QuoteName(c.name) + " " + SqlServerType(c);
        if (c.autoIncrement) sql += " IDENTITY(1,1)";
        sql += c.nullable && !c.autoIncrement ? " NULL" : " NOT NULL";
        if (!c.defaultValue.IsEmpty()) sql += " DEFAULT " + SqlServerLiteral(c.defaultValue);
    }
    return sql + ")";
}

std::string CreateIndexSql(const std::string& table, const IndexInfo& index) {
    if (index.name.empty()) Invalid("An index on " + QuoteName(table) + " needs a name");
    if (index.columns.empty()) Invalid("Index " + QuoteName(index.name) + " needs at least one column");
    std::string columns;
    for (const ColumnInfo& c : index.columns) {
        if (!columns.empty()) columns += ", ";
        columns += QuoteName(c.name);
    }
    if (index.primaryKey) {
        return "ALTER TABLE " + QuoteName(table) + " ADD CONSTRAINT " + QuoteName(index.name) + " PRIMARY KEY" +
               (index.clustered ? " CLUSTERED" : "") + " (" + columns + ")";
    }
    return std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + (index.clustered ? "CLUSTERED " : "") + "INDEX " +
           QuoteName(index.name) + " ON " + QuoteName(table) + " (" + columns + ")";
}

std::string AddDefaultSql(const std::string& table, const std::string& column, const _variant_t& value) {
    if (value.IsEmptyOrNull())
        throw _com_error(hr::kNotSupported, kSource,
                         "Removing the default of column " + QuoteName(column) + " is not supported");
    return "ALTER TABLE " + QuoteName(table) + " ADD CONSTRAINT " + QuoteName("DF_" + table + "_" + column) +
           " DEFAULT " + SqlServerLiteral(value) + " FOR " + QuoteName(column);
}

std::string SetColumnPropertySql(const std::string& table, const ColumnInfo& column, const std::string& property,
                                 const _variant_t& value) {
    if (EqualsNoCase(property, "Default")) return AddDefaultSql(table, column.name, value);
    if (EqualsNoCase(property, "Autoincrement")) {
        throw _com_error(hr::kNotSupported, kSource,
                         "SQL Server cannot add or remove the identity property of an existing column (" +
                             QuoteName(table) + "." + QuoteName(column.name) +
                             "); the table has to be rebuilt with the column as an identity column");
    }
    throw _com_error(
        hr::kItemNotFound, kSource,
        "Item cannot be found in the collection corresponding to the requested name or ordinal: " + property);
}

}  // namespace veltmoor::ado::odbc
