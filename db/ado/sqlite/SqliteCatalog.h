// The catalog of an SQLite database (the provider's side of ADOX): tables,
// columns with their ADOX types and properties, indexes (an INTEGER PRIMARY KEY
// column shows as the primary-key index "PrimaryKey", as Jet names it), and the
// changes the program makes: new tables, new indexes, column properties. Changes
// ALTER TABLE cannot make go through the table rebuild. Raises _com_error; a
// refused change leaves the table untouched.
#pragma once

#include <map>
#include <memory>

#include "db/ado/Connection.h"
#include "db/ado/sqlite/SqliteSession.h"

namespace veltmoor::ado::sqlite {

class SqliteCatalog final : public CatalogBackend {
public:
    explicit SqliteCatalog(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    // User tables by name (without regard to case); SQLite's own tables and views are left out.
    std::vector<std::string> TableNames() override;
    std::vector<ColumnInfo> Columns(const std::string& table) override;
    // The primary key first, then the others by name.
    std::vector<IndexInfo> Indexes(const std::string& table) override;
    // CREATE [UNIQUE] INDEX; a primary key is added by rebuilding a table that has none.
    void CreateIndex(const std::string& table, const IndexInfo& index) override;
    // "Default", "Nullable", "Autoincrement" (true only) by rebuilding the table.
    void SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                           const _variant_t& value) override;

private:
    // The table's name as stored; raises kNoTable when there is no such table.
    std::string Resolve(const std::string& table);

    std::shared_ptr<Session> session_;
    struct Names {
        int schemaVersion = -1;
        std::map<std::string, std::string> byFoldedName;  // as SQLite folds names: ASCII only
    } names_;
};

}  // namespace veltmoor::ado::sqlite
