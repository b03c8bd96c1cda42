#include "db/ado/sqlite/TableRebuild.h"

#include <utility>
#include <vector>

#include "base/CString.h"
#include "db/ado/sqlite/SqlText.h"

namespace veltmoor::ado::sqlite {

namespace {

bool PragmaOn(Session& session, const char* pragma) {
    StatementHandle stmt = session.Prepare(std::string("PRAGMA ") + pragma);
    return session.Step(stmt.get()) && sqlite3_column_int(stmt.get(), 0) != 0;
}

// Sets a connection flag for the length of a scope and puts it back afterwards.
class PragmaScope {
public:
    PragmaScope(Session& session, const char* pragma, bool value) : session_(session), pragma_(pragma) {
        was_ = PragmaOn(session, pragma);
        if (was_ != value) {
            session_.Exec(Format("PRAGMA %s=%s", pragma, value ? "ON" : "OFF"));
            changed_ = true;
        }
    }
    ~PragmaScope() {
        if (!changed_ || !session_.IsOpen()) return;
        try {
            session_.Exec(Format("PRAGMA %s=%s", pragma_, was_ ? "ON" : "OFF"));
        } catch (const _com_error&) {
            // The flag only lives as long as this connection; a failed restore harms no data.
        }
    }
    PragmaScope(const PragmaScope&) = delete;
    PragmaScope& operator=(const PragmaScope&) = delete;

private:
    Session& session_;
    const char* pragma_;
    bool was_ = false;
    bool changed_ = false;
};

bool IsReferencedByForeignKeys(Session& session, const std::string& table) {
    StatementHandle stmt = session.Query(
                                 "SELECT 1 FROM sqlite_master AS m, pragma_foreign_key_list(m.name) AS f "
                                 "WHERE m.type = 'table' AND f.\"table\" = ?1 COLLATE NOCASE LIMIT 1",
                                 table);
    return session.Step(stmt.get());
}

bool TableExists(Session& session, const std::string& name) {
    StatementHandle stmt = session.Query("SELECT 1 FROM sqlite_master WHERE name = ?1 COLLATE NOCASE", name);
    return session.Step(stmt.get());
}

long long ForeignKeyViolations(Session& session, const std::string& table) {
    StatementHandle stmt = session.Prepare("PRAGMA foreign_key_check(" + QuoteIdentifier(table) + ")");
    long long count = 0;
    while (session.Step(stmt.get())) ++count;
    return count;
}

}  // namespace

void RebuildTable(Session& session, const std::string& table, const std::function<void(TableDefinition&)>& change) {
    // 1. Read the table's definition and make the change on paper first, so that a
    //    refused change touches nothing.
    std::string createSql;
    {
        StatementHandle stmt =
            session.Query("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", table);
        if (!session.Step(stmt.get()))
            RaiseProvider(hr::kNoTable, "Table [" + table + "] does not exist in the database.");
        createSql = ColumnText(stmt.get(), 0);
    }
    TableDefinition definition = TableDefinition::Parse(createSql);
    change(definition);

    // 2. Foreign keys off; inside the caller's transaction that is impossible, so
    //    refuse when dropping the table could set off foreign-key actions.
    const bool inTransaction = !sqlite3_get_autocommit(session.Require("Catalog"));
    if (inTransaction && PragmaOn(session, "foreign_keys") && IsReferencedByForeignKeys(session, table))
        RaiseProvider(hr::kNotSupported,
                      "Table [" + table +
                          "] cannot be rebuilt inside a transaction while foreign keys are enforced and other "
                          "tables refer to it; commit or roll back first.");
    PragmaScope foreignKeysOff(session, "foreign_keys", false);
    // The rename must not look at views that name the table while it is missing.
    PragmaScope legacyRename(session, "legacy_alter_table", true);

    // 3. One transaction for everything that follows.
    ScopedTransaction transaction(session);

    // 4. Remember the table's own indexes and triggers, and its autonumber counter.
    std::vector<std::string> objects;
    {
        StatementHandle stmt = session.Query(
                                     "SELECT sql FROM sqlite_master WHERE tbl_name = ?1 COLLATE NOCASE "
                                     "AND type IN ('index', 'trigger') AND sql IS NOT NULL ORDER BY type = 'trigger', rowid",
                                     table);
        while (session.Step(stmt.get())) objects.push_back(ColumnText(stmt.get(), 0));
    }
    bool hadSequence = false;
    sqlite3_int64 sequence = 0;
    if (TableExists(session, "sqlite_sequence")) {
        StatementHandle stmt = session.Query("SELECT seq FROM sqlite_sequence WHERE name = ?1 COLLATE NOCASE", table);
        if (session.Step(stmt.get())) {
            hadSequence = true;
            sequence = sqlite3_column_int64(stmt.get(), 0);
        }
    }
    const long long violationsBefore = ForeignKeyViolations(session, table);
    std::vector<std::string> columns;
    {
        StatementHandle stmt = session.Query("SELECT name FROM pragma_table_xinfo(?1) WHERE hidden = 0", table);
        while (session.Step(stmt.get())) columns.push_back(QuoteIdentifier(ColumnText(stmt.get(), 0)));
    }
    std::string columnList;
    for (const auto& column : columns) columnList += (columnList.empty() ? "" : ", ") + column;

    // 5. The new table under a free name, filled with every row.
    std::string temporary = table + "_veltmoor_rebuild";
    for (int n = 2; TableExists(session, temporary); ++n) temporary = Format("%s_veltmoor_rebuild%d", table.c_str(), n);
    session.Exec(definition.ToSql(QuoteIdentifier(temporary)));
    session.Exec("INSERT INTO " + QuoteIdentifier(temporary) + " (" + columnList + ") SELECT " + columnList +
                 " FROM " + QuoteIdentifier(table));

    // 6. Old table out, new table in under the old name.
    session.Exec("DROP TABLE " + QuoteIdentifier(table));
    session.Exec("ALTER TABLE " + QuoteIdentifier(temporary) + " RENAME TO " + QuoteIdentifier(table));

    // 7. Indexes and triggers as they were.
    for (const auto& sql : objects) session.Exec(sql);

    // 8. The autonumber never hands out a number it handed out before the rebuild.
    if (hadSequence && TableExists(session, "sqlite_sequence")) {
        StatementHandle stmt = session.Prepare(
            "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1 COLLATE NOCASE");
        sqlite3_bind_text(stmt.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(stmt.get(), 2, sequence);
        while (session.Step(stmt.get())) {
        }
    }

    // 9. Foreign keys must hold no worse than before: rows that already pointed
    //    nowhere do not block the change, new breakage does.
    if (ForeignKeyViolations(session, table) > violationsBefore)
        RaiseProvider(hr::kIntegrityViolation,
                      "Rebuilding table [" + table + "] would break a foreign key; nothing was changed.");

    // 10. Commit; the scopes put the connection flags back.
    transaction.Commit();
}

}  // namespace veltmoor::ado::sqlite
