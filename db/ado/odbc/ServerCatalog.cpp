#include "db/ado/odbc/ServerCatalog.h"

#include <algorithm>

#include "base/CString.h"

namespace veltmoor::ado::odbc {

namespace {

struct ColumnRow {
    ColumnInfo info;
    std::string columnType;  // the engine's full type ("int(11)"), for MariaDB's MODIFY
    std::string defaultSql;  // the default as the engine writes it, "" for none
};

std::string Text(const _variant_t& v) { return v.IsEmptyOrNull() ? std::string() : v.ToString(); }
long Number(const _variant_t& v) { return v.IsEmptyOrNull() ? 0 : v.ToInt32(); }
// Counts and sizes, which may not fit 32 bits.
long long BigNumber(const _variant_t& v) {
    const std::string text = Text(v);
    return text.empty() ? 0 : std::stoll(text);
}

DataTypeEnum TypeOf(const std::string& dataType, const std::string& columnType) {
    const std::string t = ToUpper(dataType);
    if (ToUpper(columnType) == "TINYINT(1)" || t == "BOOLEAN" || t == "BIT") return adBoolean;
    if (t == "SMALLINT") return adSmallInt;
    if (t == "INTEGER" || t == "INT" || t == "MEDIUMINT") return adInteger;
    if (t == "BIGINT") return adBigInt;
    if (t == "TINYINT") return adUnsignedTinyInt;
    if (t == "REAL" || t == "FLOAT") return adSingle;
    if (t == "DOUBLE PRECISION" || t == "DOUBLE") return adDouble;
    if (t == "NUMERIC" || t == "DECIMAL") return adNumeric;
    if (t == "CHARACTER" || t == "CHAR") return adWChar;
    if (t.find("TEXT") != std::string::npos) return adLongVarWChar;
    if (t.find("TIME") != std::string::npos || t == "DATE") return adDBTimeStamp;
    if (t == "BYTEA" || t.find("BLOB") != std::string::npos) return adLongVarBinary;
    if (t == "UUID") return adGUID;
    return adVarWChar;
}

bool IsWholeNumber(DataTypeEnum type) {
    return type == adSmallInt || type == adInteger || type == adBigInt || type == adUnsignedTinyInt;
}

// A guard that rolls back the session's transaction unless committed.
class SessionTransaction {
public:
    explicit SessionTransaction(Session& session) : session_(session) { session_.BeginTrans(); }
    ~SessionTransaction() {
        if (!open_) return;
        try {
            session_.RollbackTrans();
        } catch (const _com_error&) {
        }
    }
    SessionTransaction(const SessionTransaction&) = delete;
    SessionTransaction& operator=(const SessionTransaction&) = delete;
    void Commit() {
        session_.CommitTrans();
        open_ = false;
    }

private:
    Session& session_;
    bool open_ = true;
};

class ServerCatalog final : public CatalogBackend {
public:
    ServerCatalog(std::shared_ptr<Session> session, ServerDialect dialect)
        : session_(std::move(session)), dialect_(dialect) {}

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (const auto& row : Rows("SELECT table_name AS n FROM information_schema.tables WHERE table_schema = " +
                                    Schema() + " AND table_type = 'BASE TABLE' ORDER BY table_name"))
            names.push_back(Text(row[0]));
        return names;
    }

    std::vector<ColumnInfo> Columns(const std::string& table) override {
        std::vector<ColumnInfo> columns;
        for (ColumnRow& row : ReadColumns(Resolve(table))) columns.push_back(std::move(row.info));
        return columns;
    }

    std::vector<IndexInfo> Indexes(const std::string& table) override {
        const std::string name = Resolve(table);
        const std::vector<ColumnRow> columns = ReadColumns(name);
        std::vector<IndexInfo> indexes;
        for (const auto& row : Rows(IndexSql(name))) {
            const std::string indexName = Text(row[0]);
            if (indexes.empty() || indexes.back().name != indexName) {
                IndexInfo index;
                index.name = indexName;
                index.primaryKey = Number(row[1]) != 0;
                index.unique = Number(row[2]) != 0;
                index.clustered = Number(row[3]) != 0;
                indexes.push_back(std::move(index));
            }
            ColumnInfo key;
            key.name = Text(row[4]);  // empty for an expression
            for (const ColumnRow& c : columns)
                if (c.info.name == key.name) key = c.info;
            indexes.back().columns.push_back(std::move(key));
        }
        return indexes;
    }

    void CreateIndex(const std::string& table, const IndexInfo& index) override {
        const std::string name = Resolve(table);
        std::string keys;
        for (const ColumnInfo& c : index.columns) keys += (keys.empty() ? "" : ", ") + dialect_.QuoteName(Column(name, c.name).info.name);
        if (index.primaryKey) {
            session_->Run("ALTER TABLE " + dialect_.QuoteName(name) + " ADD PRIMARY KEY (" + keys + ")");
            return;
        }
        session_->Run(std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
                      dialect_.QuoteName(index.name) + " ON " + dialect_.QuoteName(name) + " (" + keys + ")");
    }

    void SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                           const _variant_t& value) override {
        const std::string name = Resolve(table);
        const ColumnRow row = Column(name, column);
        const std::string alter = "ALTER TABLE " + dialect_.QuoteName(name) + " ";
        const std::string col = dialect_.QuoteName(row.info.name);
        if (EqualsNoCase(property, "Default")) {
            session_->Run(alter + "ALTER COLUMN " + col +
                          (value.IsEmptyOrNull() ? " DROP DEFAULT" : " SET DEFAULT " + ValueSql(value, row.info.type)));
            return;
        }
        if (EqualsNoCase(property, "Autoincrement")) {
            if (value.ToBool() == row.info.autoIncrement) return;
            if (!value.ToBool()) {
                session_->Run(dialect_.engine() == Engine::PostgreSql
                                  ? alter + "ALTER COLUMN " + col + " DROP IDENTITY IF EXISTS"
                                  : alter + "MODIFY " + col + " " + row.columnType + " NOT NULL");
                return;
            }
            MakeAutonumber(name, row);
            return;
        }
        throw _com_error(hr::kItemNotFound, session_->source(),
                         "Item cannot be found in the collection corresponding to the requested name or ordinal: " +
                             property);
    }

    // The autonumber column of the table (first found), or nothing.
    std::optional<std::string> Autonumber(const std::string& table) {
        const std::optional<std::string> name = Find(table);
        if (!name) return std::nullopt;
        for (const ColumnRow& row : ReadColumns(*name))
            if (row.info.autoIncrement) return row.info.name;
        return std::nullopt;
    }

private:
    std::string Schema() const {
        return dialect_.engine() == Engine::PostgreSql ? "current_schema()" : "DATABASE()";
    }

    std::vector<std::vector<_variant_t>> Rows(const std::string& sql) {
        auto result = session_->Run(sql);
        return result ? std::move(result->rows) : std::vector<std::vector<_variant_t>>{};
    }

    long long Count(const std::string& sql) {
        const auto rows = Rows(sql);
        return rows.empty() || rows[0].empty() ? 0 : BigNumber(rows[0][0]);
    }

    // The stored name of a table: the exact name first, else one that differs in case.
    std::optional<std::string> Find(const std::string& table) {
        const std::vector<std::string> names = TableNames();
        for (const bool exact : {true, false})
            for (const std::string& n : names)
                if (exact ? n == table : EqualsNoCase(n, table)) return n;
        return std::nullopt;
    }
    std::string Resolve(const std::string& table) {
        if (std::optional<std::string> name = Find(table)) return *name;
        throw _com_error(hr::kNoTable, session_->source(), "Table [" + table + "] does not exist in the database.");
    }

    ColumnRow Column(const std::string& table, const std::string& column) {
        for (ColumnRow& row : ReadColumns(table))
            if (EqualsNoCase(row.info.name, column)) return row;
        throw _com_error(hr::kItemNotFound, session_->source(), "Table [" + table + "] has no column [" + column + "].");
    }

    std::vector<ColumnRow> ReadColumns(const std::string& table) {
        const bool pg = dialect_.engine() == Engine::PostgreSql;
        const std::string autonumber = pg ? "is_identity = 'YES' OR column_default LIKE 'nextval(%'"
                                          : "extra LIKE '%auto_increment%'";
        const std::string sql =
            "SELECT column_name, data_type, " + std::string(pg ? "data_type" : "column_type") +
            ", COALESCE(character_maximum_length, 0), COALESCE(numeric_precision, 0), COALESCE(numeric_scale, 0), "
            "CASE WHEN is_nullable = 'YES' THEN 1 ELSE 0 END, column_default, CASE WHEN " + autonumber +
            " THEN 1 ELSE 0 END FROM information_schema.columns WHERE table_schema = " + Schema() +
            " AND table_name = " + dialect_.Literal(table) + " ORDER BY ordinal_position";
        std::vector<ColumnRow> columns;
        for (const auto& row : Rows(sql)) {
            ColumnRow c;
            c.info.name = Text(row[0]);
            c.columnType = Text(row[2]);
            c.info.type = TypeOf(Text(row[1]), c.columnType);
            c.info.definedSize = std::min<long long>(BigNumber(row[3]), 2147483647);
            if (c.info.type == adNumeric) {
                c.info.precision = static_cast<int>(Number(row[4]));
                c.info.scale = static_cast<int>(Number(row[5]));
            }
            c.info.nullable = Number(row[6]) != 0;
            c.info.autoIncrement = Number(row[8]) != 0;
            // MariaDB writes a default of NULL as the word NULL: no default.
            c.defaultSql = Text(row[7]);
            if (EqualsNoCase(c.defaultSql, "NULL")) c.defaultSql.clear();
            if (!c.defaultSql.empty() && !c.info.autoIncrement) c.info.defaultValue = _variant_t(c.defaultSql);
            columns.push_back(std::move(c));
        }
        return columns;
    }

    // Rows of (index, primary, unique, clustered, column) in key order.
    std::string IndexSql(const std::string& table) const {
        if (dialect_.engine() == Engine::PostgreSql)
            return "SELECT ic.relname, CASE WHEN ix.indisprimary THEN 1 ELSE 0 END, "
                   "CASE WHEN ix.indisunique THEN 1 ELSE 0 END, CASE WHEN ix.indisclustered THEN 1 ELSE 0 END, "
                   "a.attname FROM pg_index ix JOIN pg_class ic ON ic.oid = ix.indexrelid "
                   "JOIN pg_class t ON t.oid = ix.indrelid JOIN pg_namespace n ON n.oid = t.relnamespace "
                   "CROSS JOIN LATERAL unnest(ix.indkey::int2[]) WITH ORDINALITY AS k(attnum, pos) "
                   "LEFT JOIN pg_attribute a ON a.attrelid = t.oid AND a.attnum = k.attnum "
                   "WHERE n.nspname = current_schema() AND t.relname = " +
                   dialect_.Literal(table) + " ORDER BY ic.relname, k.pos";
        // InnoDB keeps the rows in primary-key order: the primary key is clustered.
        return "SELECT index_name, CASE WHEN index_name = 'PRIMARY' THEN 1 ELSE 0 END, "
               "CASE WHEN non_unique = 0 THEN 1 ELSE 0 END, CASE WHEN index_name = 'PRIMARY' THEN 1 ELSE 0 END, "
               "column_name FROM information_schema.statistics WHERE table_schema = DATABASE() AND table_name = " +
               dialect_.Literal(table) + " ORDER BY index_name, seq_in_index";
    }

    // A value as SQL for a column of that type: flags held in number columns are 1 or 0.
    std::string ValueSql(const _variant_t& value, DataTypeEnum type) const {
        if (value.kind() == _variant_t::Kind::Boolean) {
            if (type == adBoolean && dialect_.engine() == Engine::PostgreSql) return value.ToBool() ? "TRUE" : "FALSE";
            return value.ToBool() ? "1" : "0";
        }
        if (value.kind() == _variant_t::Kind::Text) return dialect_.Literal(value.ToString());
        return value.ToString();
    }

    // 1. Refuse, with the table untouched, when the values cannot be numbered as they
    //    are: a column that is no whole-number column, NULLs, or a value in two rows.
    // 2. PostgreSQL, in one transaction: drop a default, SET NOT NULL, make the column
    //    an identity column, move its sequence past the largest value, make it a key.
    //    MariaDB (DDL commits by itself, but one ALTER is all or nothing): AUTO_INCREMENT
    //    on the column (made a key when no index leads with it), counter past the largest.
    void MakeAutonumber(const std::string& table, const ColumnRow& row) {
        const std::string t = dialect_.QuoteName(table), c = dialect_.QuoteName(row.info.name);
        const std::string why =
            "Column [" + row.info.name + "] cannot become the autonumber column of table [" + table + "]: ";
        auto refuse = [&](const std::string& reason) {
            throw _com_error(hr::kIntegrityViolation, session_->source(), why + reason);
        };
        if (!IsWholeNumber(row.info.type)) refuse("it is not a whole-number column.");
        const long long nulls = Count("SELECT COUNT(*) FROM " + t + " WHERE " + c + " IS NULL");
        if (nulls > 0) refuse(Format("%lld rows hold NULL or a value that is not a whole number in it.", nulls));
        if (Count("SELECT COUNT(*) FROM (SELECT 1 FROM " + t + " GROUP BY " + c + " HAVING COUNT(*) > 1) d") > 0)
            refuse("some of its values occur in more than one row.");
        const long long next = Count("SELECT COALESCE(MAX(" + c + "), 0) + 1 FROM " + t);

        // An autonumber column is a key, as on the embedded database: made one when no
        // index leads with it (the primary key, or a unique key beside another primary key).
        bool keyed = false, hasPrimary = false;
        for (const IndexInfo& index : Indexes(table)) {
            hasPrimary = hasPrimary || index.primaryKey;
            keyed = keyed || (!index.columns.empty() && EqualsNoCase(index.columns.front().name, row.info.name));
        }
        const std::string key = keyed ? "" : hasPrimary ? ", ADD UNIQUE (" + c + ")" : ", ADD PRIMARY KEY (" + c + ")";

        if (dialect_.engine() == Engine::PostgreSql) {
            SessionTransaction transaction(*session_);
            if (!row.defaultSql.empty()) session_->Run("ALTER TABLE " + t + " ALTER COLUMN " + c + " DROP DEFAULT");
            session_->Run("ALTER TABLE " + t + " ALTER COLUMN " + c + " SET NOT NULL");
            session_->Run("ALTER TABLE " + t + " ALTER COLUMN " + c + " ADD GENERATED BY DEFAULT AS IDENTITY");
            session_->Run("ALTER TABLE " + t + " ALTER COLUMN " + c + Format(" RESTART WITH %lld", next) + key);
            transaction.Commit();
            return;
        }
        // A row whose value is 0 keeps it: without this mode MariaDB would renumber it.
        const std::string mode = Text(Rows("SELECT @@SESSION.sql_mode")[0][0]);
        session_->Run("SET SESSION sql_mode = " + dialect_.Literal(mode + (mode.empty() ? "" : ",") + "NO_AUTO_VALUE_ON_ZERO"));
        try {
            session_->Run("ALTER TABLE " + t + " MODIFY " + c + " " + row.columnType + " NOT NULL AUTO_INCREMENT" + key);
            session_->Run("ALTER TABLE " + t + Format(" AUTO_INCREMENT = %lld", next));
        } catch (const _com_error&) {
            session_->Run("SET SESSION sql_mode = " + dialect_.Literal(mode));
            throw;
        }
        session_->Run("SET SESSION sql_mode = " + dialect_.Literal(mode));
    }

    std::shared_ptr<Session> session_;
    ServerDialect dialect_;
};

}  // namespace

std::shared_ptr<CatalogBackend> MakeServerCatalog(std::shared_ptr<Session> session, ServerDialect dialect) {
    return std::make_shared<ServerCatalog>(std::move(session), dialect);
}

std::optional<std::string> AutonumberColumn(std::shared_ptr<Session> session, const ServerDialect& dialect,
                                            const std::string& table) {
    return ServerCatalog(std::move(session), dialect).Autonumber(table);
}

}  // namespace veltmoor::ado::odbc
