// The T-SQL that the ODBC catalog sends to create tables and indexes and to change
// column properties. Pure text work: names in [brackets] with ']' doubled, types
// from the ADOX type numbers. Requests SQL Server cannot carry out raise _com_error.
#pragma once

#include <string>
#include <string_view>

#include "db/ado/Connection.h"

namespace veltmoor::ado::odbc {

std::string QuoteName(std::string_view name);  // [name], ']' doubled
// "int", "nvarchar(50)", "nvarchar(max)", "decimal(10,2)", ...; raises for a type
// without a SQL Server counterpart.
std::string SqlServerType(const ColumnInfo& column);
// 5, 2.5, 1/0 for truth values, N'text' with quotes doubled, NULL.
std::string SqlServerLiteral(const _variant_t& value);

// CREATE TABLE with every column: type, IDENTITY(1,1) for an autonumber column
// (always NOT NULL, which SQL Server requires), NULL/NOT NULL, DEFAULT.
std::string CreateTableSql(const TableDef& table);
// CREATE [UNIQUE] [CLUSTERED] INDEX, or ALTER TABLE ... ADD CONSTRAINT ... PRIMARY KEY.
std::string CreateIndexSql(const std::string& table, const IndexInfo& index);
// ALTER TABLE ... ADD CONSTRAINT [DF_table_column] DEFAULT value FOR [column].
std::string AddDefaultSql(const std::string& table, const std::string& column, const _variant_t& value);
// The statement for a column property, given the column as the catalog reports it:
// "Default" as above; "Autoincrement" raises (SQL Server cannot add
// or remove the identity property of an existing column); other names raise.
std::string SetColumnPropertySql(const std::string& table, const ColumnInfo& column, const std::string& property,
                                 const _variant_t& value);

}  // namespace veltmoor::ado::odbc
