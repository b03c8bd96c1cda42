#include "db/ado/odbc/OdbcCatalog.h"

#include <algorithm>
#include <map>

#include "base/CString.h"
#include "db/ado/odbc/OdbcFetch.h"
#include "db/ado/odbc/OdbcTypes.h"
#include "db/ado/odbc/SqlServerDdl.h"

namespace veltmoor::ado::odbc {

namespace {

// Result columns of the catalog functions, by position (ODBC 3 numbering from 1;
// positions stay the same for drivers that still use the ODBC 2 names).
namespace tables_col {
constexpr size_t kName = 2;
}
namespace columns_col {
constexpr size_t kSchema = 1, kTable = 2, kName = 3, kDataType = 4, kTypeName = 5, kSize = 6, kDigits = 8,
                 kNullable = 10, kDefault = 12;
}
namespace statistics_col {
constexpr size_t kNonUnique = 3, kIndexName = 5, kType = 6, kPosition = 7, kColumn = 8;
}
namespace keys_col {
constexpr size_t kColumn = 3, kSequence = 4, kName = 5;
}

const _variant_t& At(const std::vector<_variant_t>& row, size_t column) {
    static const _variant_t kNull = _variant_t::Null();
    return column < row.size() ? row[column] : kNull;
}

std::string TextAt(const std::vector<_variant_t>& row, size_t column) {
    const _variant_t& v = At(row, column);
    return v.IsEmptyOrNull() ? std::string() : v.ToString();
}

long NumberAt(const std::vector<_variant_t>& row, size_t column) {
    const _variant_t& v = At(row, column);
    return v.IsEmptyOrNull() ? 0 : v.ToInt32();
}

class OdbcCatalog final : public CatalogBackend {
public:
    explicit OdbcCatalog(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    std::vector<std::string> TableNames() override {
        auto statement = session_->NewStatement();
        std::string all = "%", type = "TABLE";
        Check(SQLTables(statement->get(), nullptr, 0, nullptr, 0, Text(all), SQL_NTS, Text(type), SQL_NTS), *statement,
              session_->source(), "SQLTables");
        std::vector<std::string> names;
        for (const auto& row : FetchAll(*statement, session_->source()).rows)
            names.push_back(TextAt(row, tables_col::kName));
        return names;
    }

    std::vector<ColumnInfo> Columns(const std::string& table) override {
        ResultTable result = ColumnRows(EscapePattern(table));
        auto owner = PickTable(result, table);
        if (!owner && EscapePattern(table) != table) {
            // A driver that takes its own escape literally finds nothing; the
            // unescaped pattern finds the table among its look-alikes.
            result = ColumnRows(table);
            owner = PickTable(result, table);
        }
        std::vector<ColumnInfo> columns;
        if (!owner) {
            throw _com_error(hr::kNoTable, session_->source(),
                             "Table " + QuoteName(table) + " does not exist in the catalog.");
        }
        for (const auto& row : result.rows) {
            if (TextAt(row, columns_col::kSchema) != owner->first || TextAt(row, columns_col::kTable) != owner->second)
                continue;
            ColumnInfo c;
            c.name = TextAt(row, columns_col::kName);
            const std::string typeName = TextAt(row, columns_col::kTypeName);
            c.type = AdoxType(NumberAt(row, columns_col::kDataType), typeName);
            if (HasLength(c.type)) c.definedSize = DefinedSize(c.type, NumberAt(row, columns_col::kSize));
            if (c.type == adNumeric || c.type == adDecimal) {
                c.precision = NumberAt(row, columns_col::kSize);
                c.scale = NumberAt(row, columns_col::kDigits);
            }
            c.nullable = NumberAt(row, columns_col::kNullable) != SQL_NO_NULLS;
            // SQL Server names its identity columns "int identity" and the like.
            c.autoIncrement = ToUpper(typeName).find("IDENTITY") != std::string::npos;
            // The word NULL (unquoted) is a default of NULL, which is no default.
            const std::string def = TextAt(row, columns_col::kDefault);
            if (!def.empty() && !EqualsNoCase(def, "NULL")) c.defaultValue = _variant_t(def);
            columns.push_back(std::move(c));
        }
        MarkAutoIncrement(owner->second, columns);
        return columns;
    }

    std::vector<IndexInfo> Indexes(const std::string& table) override {
        const ResultTable statistics = Statistics(table);
        const ResultTable keys = PrimaryKeys(table);

        std::vector<IndexInfo> indexes;
        std::vector<std::vector<std::pair<long, std::string>>> keyColumns;  // (position, column) per index
        for (const auto& row : statistics.rows) {
            if (NumberAt(row, statistics_col::kType) == SQL_TABLE_STAT) continue;
            const std::string name = TextAt(row, statistics_col::kIndexName);
            auto it = std::find_if(indexes.begin(), indexes.end(), [&](const IndexInfo& i) { return i.name == name; });
            if (it == indexes.end()) {
                IndexInfo index;
                index.name = name;
                index.unique = NumberAt(row, statistics_col::kNonUnique) == SQL_FALSE;
                index.clustered = NumberAt(row, statistics_col::kType) == SQL_INDEX_CLUSTERED;
                indexes.push_back(std::move(index));
                keyColumns.emplace_back();
                it = indexes.end() - 1;
            }
            keyColumns[static_cast<size_t>(it - indexes.begin())].emplace_back(NumberAt(row, statistics_col::kPosition),
                                                                               TextAt(row, statistics_col::kColumn));
        }

        std::vector<std::pair<long, std::string>> primary;
        std::string primaryName;
        for (const auto& row : keys.rows) {
            primary.emplace_back(NumberAt(row, keys_col::kSequence), TextAt(row, keys_col::kColumn));
            if (primaryName.empty()) primaryName = TextAt(row, keys_col::kName);
        }
        auto inKeyOrder = [](std::vector<std::pair<long, std::string>> columns) {
            std::stable_sort(columns.begin(), columns.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            std::vector<std::string> names;
            for (auto& c : columns) names.push_back(std::move(c.second));
            return names;
        };
        const std::vector<std::string> primaryColumns = inKeyOrder(primary);

        std::vector<ColumnInfo> tableColumns;
        if (!indexes.empty() || !primaryColumns.empty()) tableColumns = Columns(table);
        auto describe = [&](const std::string& name) {
            for (const ColumnInfo& c : tableColumns)
                if (EqualsNoCase(c.name, name)) return c;
            ColumnInfo c;  // an expression or a column the catalog does not list
            c.name = name;
            return c;
        };

        bool primaryFound = false;
        for (size_t i = 0; i < indexes.size(); ++i) {
            const std::vector<std::string> names = inKeyOrder(keyColumns[i]);
            for (const std::string& name : names) indexes[i].columns.push_back(describe(name));
            // Drivers that do not name the key are matched by its columns.
            const bool isPrimary = !primaryColumns.empty() && !primaryFound &&
                                   (primaryName.empty() ? indexes[i].unique && names == primaryColumns
                                                        : EqualsNoCase(indexes[i].name, primaryName));
            if (isPrimary) {
                indexes[i].primaryKey = true;
                primaryFound = true;
            }
        }
        if (!primaryColumns.empty() && !primaryFound) {
            // A key without an index of its own (a rowid key, for one) is still the
            // table's primary key and is listed as an index, as Jet names it.
            IndexInfo key;
            key.name = primaryName.empty() ? "PrimaryKey" : primaryName;
            key.primaryKey = true;
            key.unique = true;
            for (const std::string& name : primaryColumns) key.columns.push_back(describe(name));
            indexes.insert(indexes.begin(), std::move(key));
        }
        return indexes;
    }

    void CreateTable(const TableDef& table) override { session_->Run(CreateTableSql(table)); }

    void CreateIndex(const std::string& table, const IndexInfo& index) override {
        session_->Run(CreateIndexSql(table, index));
    }

    void SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                           const _variant_t& value) override {
        for (const ColumnInfo& c : Columns(table)) {
            if (EqualsNoCase(c.name, column)) {
                session_->Run(SetColumnPropertySql(table, c, property, value));
                return;
            }
        }
        throw _com_error(hr::kItemNotFound, session_->source(),
                         "Column " + QuoteName(column) + " does not exist in table " + QuoteName(table) + ".");
    }

private:
    // Table names are search patterns in SQLColumns: '_' and '%' must not match
    // other names, so they are escaped where the driver has an escape.
    std::string EscapePattern(const std::string& name) const {
        const std::string& escape = session_->PatternEscape();
        if (escape.empty()) return name;
        std::string out;
        for (char c : name) {
            if (c == '_' || c == '%' || escape.find(c) != std::string::npos) out += escape;
            out += c;
        }
        return out;
    }

    ResultTable ColumnRows(const std::string& pattern) {
        auto statement = session_->NewStatement();
        std::string all = "%";
        Check(SQLColumns(statement->get(), nullptr, 0, nullptr, 0, Text(pattern), SQL_NTS, Text(all), SQL_NTS),
              *statement, session_->source(), "SQLColumns");
        return FetchAll(*statement, session_->source());
    }

    // The (schema, name) whose columns answer for `table`: the first with exactly
    // that name, else the first that differs only in case. Tables of the same name
    // in other schemas, or names the pattern matched besides, are left out.
    static std::optional<std::pair<std::string, std::string>> PickTable(const ResultTable& result,
                                                                        const std::string& table) {
        for (const bool exact : {true, false}) {
            for (const auto& row : result.rows) {
                const std::string name = TextAt(row, columns_col::kTable);
                if (exact ? name == table : EqualsNoCase(name, table))
                    return std::make_pair(TextAt(row, columns_col::kSchema), name);
            }
        }
        return std::nullopt;
    }

    // The driver's own account of auto-numbered columns, from the description of
    // an empty result over the table.
    void MarkAutoIncrement(const std::string& table, std::vector<ColumnInfo>& columns) {
        auto statement = session_->NewStatement();
        const std::string sql = "SELECT * FROM " + QuoteName(table) + " WHERE 1=0";
        Check(SQLExecDirect(statement->get(), Text(sql), static_cast<SQLINTEGER>(sql.size())), *statement,
              session_->source(), "SQLExecDirect");
        SQLSMALLINT count = 0;
        Check(SQLNumResultCols(statement->get(), &count), *statement, session_->source(), "SQLNumResultCols");
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
            SQLLEN autoUnique = SQL_FALSE;
            Check(SQLColAttribute(statement->get(), i, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoUnique),
                  *statement, session_->source(), "SQLColAttribute");
            if (autoUnique != SQL_TRUE) continue;
            char name[256] = {};
            SQLSMALLINT length = 0;
            Check(SQLColAttribute(statement->get(), i, SQL_DESC_NAME, name, sizeof name, &length, nullptr), *statement,
                  session_->source(), "SQLColAttribute");
            for (ColumnInfo& c : columns)
                if (EqualsNoCase(c.name, name)) c.autoIncrement = true;
        }
    }

    ResultTable Statistics(const std::string& table) {
        auto statement = session_->NewStatement();
        Check(SQLStatistics(statement->get(), nullptr, 0, nullptr, 0, Text(table), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK),
              *statement, session_->source(), "SQLStatistics");
        return FetchAll(*statement, session_->source());
    }

    ResultTable PrimaryKeys(const std::string& table) {
        auto statement = session_->NewStatement();
        Check(SQLPrimaryKeys(statement->get(), nullptr, 0, nullptr, 0, Text(table), SQL_NTS), *statement,
              session_->source(), "SQLPrimaryKeys");
        return FetchAll(*statement, session_->source());
    }

    std::shared_ptr<Session> session_;
};

}  // namespace

std::shared_ptr<CatalogBackend> MakeOdbcCatalog(std::shared_ptr<Session> session) {
    return std::make_shared<OdbcCatalog>(std::move(session));
}

}  // namespace veltmoor::ado::odbc
