// The catalog of the scripted SQL Server: tables with their columns, indexes and a
// row count, given by the test and changed by the catalog's DDL and by the few
// statements the scripted server understands. A value type, so that a transaction
// can keep a copy and restore it on rollback. Names match without regard to case,
// as under SQL Server's default collation.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "db/ado/Connection.h"

namespace veltmoor::test {

// A column description with a fluent way to write it:
// Col("NAME", ado::adVarWChar, 255).NotNull(), Col("QUOTA").Default(0).
struct Col : ado::ColumnInfo {
    explicit Col(std::string name, ado::DataTypeEnum type = ado::adInteger, long definedSize = 0);
    Col& NotNull();
    Col& Nullable(bool on = true);
    Col& Default(_variant_t value);
    Col& Decimal(int precision, int scale);  // adNumeric(precision, scale)
};

// An index description: Idx("PK_ACCOUNTS", {"ID"}).Primary().
struct Idx : ado::IndexInfo {
    Idx(std::string name, std::initializer_list<std::string> columns);
    Idx& Primary();  // also unique
};

struct ScriptedTable {
    std::string name;
    std::vector<ado::ColumnInfo> columns;
    std::vector<ado::IndexInfo> indexes;
    long rowCount = 0;  // rows the scripted server holds (copied by the rebuild's INSERT)
    std::vector<std::string> constraintNames;  // named DEFAULT constraints added by ALTER TABLE

    ado::ColumnInfo* FindColumn(const std::string& column);
    const ado::ColumnInfo* FindColumn(const std::string& column) const;
    const ado::IndexInfo* FindIndex(const std::string& index) const;
};

class ScriptedCatalog {
public:
    ScriptedTable& AddTable(std::string name, std::vector<ado::ColumnInfo> columns = {},
                            std::vector<ado::IndexInfo> indexes = {}, long rowCount = 0);
    ScriptedTable* Find(const std::string& table);
    const ScriptedTable* Find(const std::string& table) const;
    // The table, or raises the server's "Invalid object name" error.
    ScriptedTable& Get(const std::string& table);
    bool Remove(const std::string& table);
    std::vector<std::string> TableNames() const;  // in creation order
    const std::vector<ScriptedTable>& Tables() const { return tables_; }

private:
    std::vector<ScriptedTable> tables_;
};

}  // namespace veltmoor::test
