#include "db/ado/sqlite/SqliteCatalog.h"

#include <algorithm>

#include "base/CString.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/SqliteTypes.h"
#include "db/ado/sqlite/TableRebuild.h"

namespace veltmoor::ado::sqlite {

namespace {

constexpr const char* kPrimaryKeyName = "PrimaryKey";

struct ColumnRow {
    ColumnInfo info;
    std::string declared;
    int pk = 0;  // position in the primary key, 0 when not part of it
};

std::vector<ColumnRow> ReadColumns(Session& session, const std::string& table) {
    std::vector<ColumnRow> rows;
    // hidden: 0 ordinary, 2 and 3 generated; 1 belongs to virtual tables only.
    StatementHandle stmt = session.Query(
                                 "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_xinfo(?1) "
                                 "WHERE hidden <> 1 ORDER BY cid",
                                 table);
    while (session.Step(stmt.get())) {
        ColumnRow row;
        row.info.name = ColumnText(stmt.get(), 0);
        row.declared = ColumnText(stmt.get(), 1);
        const MappedType mapped = MapDeclaredType(row.declared);
        row.info.type = mapped.type;
        row.info.definedSize = mapped.definedSize;
        row.info.precision = mapped.precision;
        row.info.scale = mapped.scale;
        row.info.nullable = sqlite3_column_int(stmt.get(), 2) == 0;
        row.info.defaultValue = ParseDefault(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 3)));
        row.pk = sqlite3_column_int(stmt.get(), 4);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool HasPrimaryKeyIndex(Session& session, const std::string& table) {
    StatementHandle stmt = session.Query("SELECT 1 FROM pragma_index_list(?1) WHERE origin = 'pk'", table);
    return session.Step(stmt.get());
}

// The column that is the table's rowid (INTEGER PRIMARY KEY), or -1. A primary key
// of any other form has an index of its own; the rowid alias has none.
int RowidColumn(Session& session, const std::string& table, const std::vector<ColumnRow>& rows) {
    int found = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].pk == 0) continue;
        if (found >= 0) return -1;  // a key over several columns
        found = static_cast<int>(i);
    }
    if (found < 0 || !EqualsNoCase(rows[static_cast<size_t>(found)].declared, "INTEGER")) return -1;
    return HasPrimaryKeyIndex(session, table) ? -1 : found;
}

long long CountRows(Session& session, const std::string& sql) {
    StatementHandle stmt = session.Prepare(sql);
    return session.Step(stmt.get()) ? sqlite3_column_int64(stmt.get(), 0) : 0;
}

[[noreturn]] void Refuse(HRESULT code, const std::string& why) { RaiseProvider(code, why); }

}  // namespace

std::string SqliteCatalog::Resolve(const std::string& table) {
    // Finding one name scans the whole schema: the names are read once per schema
    // version (any change to it, by any connection, makes a new one).
    if (const int now = session_->SchemaVersion(); now < 0 || now != names_.schemaVersion) {
        names_ = {now, {}};
        for (std::string& name : TableNames()) names_.byFoldedName.emplace(ToUpper(name), std::move(name));
    }
    const auto found = names_.byFoldedName.find(ToUpper(table));
    if (found == names_.byFoldedName.end()) Refuse(hr::kNoTable, "Table [" + table + "] does not exist in the database.");
    return found->second;
}

std::vector<std::string> SqliteCatalog::TableNames() {
    session_->Require("Catalog.Tables");
    StatementHandle stmt = session_->Prepare(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
        "ORDER BY name COLLATE NOCASE");
    std::vector<std::string> names;
    while (session_->Step(stmt.get())) names.push_back(ColumnText(stmt.get(), 0));
    return names;
}

std::vector<ColumnInfo> SqliteCatalog::Columns(const std::string& table) {
    session_->Require("Table.Columns");
    const std::string name = Resolve(table);
    std::vector<ColumnRow> rows = ReadColumns(*session_, name);
    const int rowid = RowidColumn(*session_, name, rows);
    std::vector<ColumnInfo> columns;
    for (size_t i = 0; i < rows.size(); ++i) {
        ColumnInfo info = std::move(rows[i].info);
        if (static_cast<int>(i) == rowid) {
            info.autoIncrement = true;
            info.nullable = false;  // the rowid is never NULL; a NULL inserted draws the next number
        }
        columns.push_back(std::move(info));
    }
    return columns;
}

std::vector<IndexInfo> SqliteCatalog::Indexes(const std::string& table) {
    session_->Require("Table.Indexes");
    const std::string name = Resolve(table);
    const std::vector<ColumnRow> rows = ReadColumns(*session_, name);
    auto columnInfo = [&rows](const std::string& column) {
        for (const auto& row : rows)
            if (EqualsNoCase(row.info.name, column)) return row.info;
        ColumnInfo expression;  // an index over an expression has no column name
        expression.name = column;
        return expression;
    };

    std::vector<IndexInfo> indexes;
    const int rowid = RowidColumn(*session_, name, rows);
    if (rowid >= 0) {
        IndexInfo pk{kPrimaryKeyName, true, true, false, {rows[static_cast<size_t>(rowid)].info}};
        indexes.push_back(std::move(pk));
    }
    std::vector<std::pair<std::string, std::string>> listed;  // name, origin
    {
        StatementHandle stmt = session_->Query("SELECT name, \"unique\", origin FROM pragma_index_list(?1)", name);
        while (session_->Step(stmt.get())) {
            IndexInfo index;
            index.name = ColumnText(stmt.get(), 0);
            index.unique = sqlite3_column_int(stmt.get(), 1) != 0;
            const std::string origin = ColumnText(stmt.get(), 2);
            listed.emplace_back(index.name, origin);
            indexes.push_back(std::move(index));
        }
    }
    for (size_t i = 0; i < listed.size(); ++i) {
        IndexInfo& index = indexes[indexes.size() - listed.size() + i];
        StatementHandle stmt =
            session_->Query("SELECT name FROM pragma_index_info(?1) ORDER BY seqno", listed[i].first);
        while (session_->Step(stmt.get())) index.columns.push_back(columnInfo(ColumnText(stmt.get(), 0)));
        if (listed[i].second == "pk") {
            index.name = kPrimaryKeyName;
            index.primaryKey = true;
        }
    }
    std::stable_sort(indexes.begin(), indexes.end(), [](const IndexInfo& a, const IndexInfo& b) {
        if (a.primaryKey != b.primaryKey) return a.primaryKey;
        return ToUpper(a.name) < ToUpper(b.name);
    });
    return indexes;
}

void SqliteCatalog::CreateIndex(const std::string& table, const IndexInfo& index) {
    session_->Require("Indexes.Append");
    const std::string name = Resolve(table);
    if (index.name.empty()) Refuse(hr::kInvalidArg, "A new index of table [" + name + "] needs a name.");
    if (index.columns.empty()) Refuse(hr::kInvalidArg, "Index [" + index.name + "] has no columns.");
    const std::vector<ColumnRow> rows = ReadColumns(*session_, name);
    std::vector<std::string> keys;
    for (const auto& key : index.columns) {
        auto found = std::find_if(rows.begin(), rows.end(),
                                  [&key](const ColumnRow& row) { return EqualsNoCase(row.info.name, key.name); });
        if (found == rows.end())
            Refuse(hr::kItemNotFound, "Index [" + index.name + "]: table [" + name + "] has no column [" + key.name + "].");
        keys.push_back(found->info.name);
    }
    std::string keyList;
    for (const auto& key : keys) keyList += (keyList.empty() ? "" : ", ") + QuoteIdentifier(key);

    if (!index.primaryKey) {
        session_->Exec(std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
                       QuoteIdentifier(index.name) + " ON " + QuoteIdentifier(name) + " (" + keyList + ")");
        return;
    }

    // A primary key: SQLite sets it only when a table is made, so the table is rebuilt.
    if (RowidColumn(*session_, name, rows) >= 0 || HasPrimaryKeyIndex(*session_, name))
        Refuse(hr::kFail, "Table [" + name + "] already has a primary key; SQLite allows one primary key per table, so "
                          "index [" + index.name + "] cannot be made its primary key.");
    std::string nullTest, groupList;
    for (const auto& key : keys) {
        nullTest += (nullTest.empty() ? "" : " OR ") + QuoteIdentifier(key) + " IS NULL";
        groupList += (groupList.empty() ? "" : ", ") + QuoteIdentifier(key);
    }
    if (CountRows(*session_, "SELECT count(*) FROM " + QuoteIdentifier(name) + " WHERE " + nullTest) > 0)
        Refuse(hr::kIntegrityViolation, "Index [" + index.name + "] cannot be the primary key of table [" + name +
                                            "]: its key holds NULL values.");
    if (CountRows(*session_, "SELECT count(*) FROM (SELECT 1 FROM " + QuoteIdentifier(name) + " GROUP BY " + groupList +
                                 " HAVING count(*) > 1)") > 0)
        Refuse(hr::kIntegrityViolation, "Index [" + index.name + "] cannot be the primary key of table [" + name +
                                            "]: its key holds duplicate values.");
    RebuildTable(*session_, name, [&](TableDefinition& definition) {
        if (definition.HasPrimaryKey())
            Refuse(hr::kFail, "Table [" + name + "] already has a primary key; SQLite allows one per table.");
        definition.AddConstraint("CONSTRAINT " + QuoteIdentifier(index.name) + " PRIMARY KEY (" + keyList + ")");
    });
}

void SqliteCatalog::SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                                      const _variant_t& value) {
    session_->Require("Property.Value");
    const std::string name = Resolve(table);
    const std::vector<ColumnRow> rows = ReadColumns(*session_, name);
    auto found = std::find_if(rows.begin(), rows.end(),
                              [&column](const ColumnRow& row) { return EqualsNoCase(row.info.name, column); });
    if (found == rows.end()) Refuse(hr::kItemNotFound, "Table [" + name + "] has no column [" + column + "].");
    const std::string col = found->info.name;
    const bool isRowid = RowidColumn(*session_, name, rows) == static_cast<int>(found - rows.begin());
    const std::string quotedTable = QuoteIdentifier(name);
    const std::string quotedColumn = QuoteIdentifier(col);

    if (EqualsNoCase(property, "Default")) {
        if (found->info.defaultValue == value) return;
        const std::string sql = DefaultSql(value);
        RebuildTable(*session_, name, [&](TableDefinition& definition) {
            definition.EditColumn(col)->SetDefault(sql);
        });
        return;
    }
    if (EqualsNoCase(property, "Autoincrement")) {
        const bool wanted = value.ToBool();
        if (wanted == isRowid) return;
        if (!wanted)
            Refuse(hr::kNotSupported, "Column [" + col + "] is the autonumber column of table [" + name +
                                          "]; SQLite cannot turn the autonumber off.");
        const std::string why = "Column [" + col + "] cannot become the autonumber column of table [" + name + "]: ";
        std::vector<const ColumnRow*> key;  // in key order
        for (const auto& row : rows)
            if (row.pk != 0) key.push_back(&row);
        std::sort(key.begin(), key.end(), [](const ColumnRow* a, const ColumnRow* b) { return a->pk < b->pk; });
        std::string keyNames;
        for (const ColumnRow* row : key) keyNames += (keyNames.empty() ? "[" : ", [") + row->info.name + "]";
        if (!key.empty())
            Refuse(hr::kFail, why + "the table already has a primary key (over " + keyNames +
                                  ") and SQLite numbers rows only through the primary key.");
        if (HasPrimaryKeyIndex(*session_, name)) Refuse(hr::kFail, why + "the table already has a primary key.");
        const long long bad = CountRows(*session_, "SELECT count(*) FROM " + quotedTable + " WHERE typeof(" +
                                                      quotedColumn + ") <> 'integer'");
        if (bad > 0)
            Refuse(hr::kIntegrityViolation,
                   why + Format("%lld rows hold NULL or a value that is not a whole number in it.", bad));
        if (CountRows(*session_, "SELECT count(*) FROM (SELECT 1 FROM " + quotedTable + " GROUP BY " + quotedColumn +
                                     " HAVING count(*) > 1)") > 0)
            Refuse(hr::kIntegrityViolation, why + "some of its values occur in more than one row.");
        RebuildTable(*session_, name, [&](TableDefinition& definition) {
            if (definition.WithoutRowid()) Refuse(hr::kNotSupported, why + "it is a WITHOUT ROWID table.");
            if (definition.HasPrimaryKey()) Refuse(hr::kFail, why + "the table already has a primary key.");
            definition.EditColumn(col)->MakeAutonumber();
        });
        return;
    }
    Refuse(hr::kItemNotFound, "Item cannot be found in the collection corresponding to the requested name or ordinal: " +
                                  property);
}

}  // namespace veltmoor::ado::sqlite
