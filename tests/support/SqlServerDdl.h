// The T-SQL that SQL Server's catalog sends for the catalog operations, as the
// scripted connection records them. Names are written unchanged, as the program
// passes them.
#pragma once

#include <string>

#include "db/ado/Connection.h"

namespace veltmoor::test {

std::string SqlType(const ado::ColumnInfo& column);    // "int", "nvarchar(255)", "decimal(10,2)", ...
std::string SqlLiteral(const _variant_t& value);       // 5, 1/0 for booleans, N'text', NULL
std::string CreateTableSql(const ado::TableDef& table);
std::string CreateIndexSql(const std::string& table, const ado::IndexInfo& index);
std::string SetColumnPropertySql(const std::string& table, const ado::ColumnInfo& column,
                                 const std::string& property, const _variant_t& value);

}  // namespace veltmoor::test
