#include "tests/support/ScriptedCatalog.h"

#include "base/CString.h"
#include "db/ado/Error.h"

namespace veltmoor::test {

Col::Col(std::string name, ado::DataTypeEnum type, long definedSize) {
    this->name = std::move(name);
    this->type = type;
    this->definedSize = definedSize;
}

Col& Col::NotNull() { return Nullable(false); }
Col& Col::Nullable(bool on) {
    nullable = on;
    return *this;
}
Col& Col::Default(_variant_t value) {
    defaultValue = std::move(value);
    return *this;
}
Col& Col::Decimal(int p, int s) {
    type = ado::adNumeric;
    precision = p;
    scale = s;
    definedSize = 0;
    return *this;
}

Idx::Idx(std::string name, std::initializer_list<std::string> columns) {
    this->name = std::move(name);
    for (const auto& c : columns) {
        ado::ColumnInfo info;
        info.name = c;
        this->columns.push_back(info);
    }
}
Idx& Idx::Primary() {
    primaryKey = true;
    unique = true;
    return *this;
}

ado::ColumnInfo* ScriptedTable::FindColumn(const std::string& column) {
    for (auto& c : columns)
        if (EqualsNoCase(c.name, column)) return &c;
    return nullptr;
}
const ado::ColumnInfo* ScriptedTable::FindColumn(const std::string& column) const {
    return const_cast<ScriptedTable*>(this)->FindColumn(column);
}
const ado::IndexInfo* ScriptedTable::FindIndex(const std::string& index) const {
    for (auto& i : indexes)
        if (EqualsNoCase(i.name, index)) return &i;
    return nullptr;
}

ScriptedTable& ScriptedCatalog::AddTable(std::string name, std::vector<ado::ColumnInfo> columns,
                                         std::vector<ado::IndexInfo> indexes, long rowCount) {
    // Index columns named by the test take the table's column types.
    ScriptedTable table{std::move(name), std::move(columns), std::move(indexes), rowCount, {}};
    for (auto& index : table.indexes)
        for (auto& key : index.columns)
            if (auto* c = table.FindColumn(key.name)) key = *c;
    tables_.push_back(std::move(table));
    return tables_.back();
}

ScriptedTable* ScriptedCatalog::Find(const std::string& table) {
    for (auto& t : tables_)
        if (EqualsNoCase(t.name, table)) return &t;
    return nullptr;
}
const ScriptedTable* ScriptedCatalog::Find(const std::string& table) const {
    return const_cast<ScriptedCatalog*>(this)->Find(table);
}

ScriptedTable& ScriptedCatalog::Get(const std::string& table) {
    if (auto* t = Find(table)) return *t;
    throw _com_error(hr::kNoTable, "Microsoft OLE DB Provider for SQL Server",
                     "[42S02] Invalid object name '" + table + "'.");
}

bool ScriptedCatalog::Remove(const std::string& table) {
    for (auto it = tables_.begin(); it != tables_.end(); ++it) {
        if (EqualsNoCase(it->name, table)) {
            tables_.erase(it);
            return true;
        }
    }
    return false;
}

std::vector<std::string> ScriptedCatalog::TableNames() const {
    std::vector<std::string> names;
    for (const auto& t : tables_) names.push_back(t.name);
    return names;
}

}  // namespace veltmoor::test
