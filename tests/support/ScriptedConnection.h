// SQL Server as a test double of ado::Connection: it records every statement (with transaction markers and the
// catalog's DDL as T-SQL) and connection call, and answers from a script:
// sql.On(StartsWith("ALTER")).Fail(hr::kErrorsInCommand, "[42000] ..."). The newest matching rule answers; unscripted
// statements get a closed recordset, or with AnswerFromCatalog() what SQL Server would answer from the catalog. Every
// connection made shares one script, record and catalog.
#pragma once

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/ado/Connection.h"

namespace veltmoor::test {

// Rows a statement answers with: column names, then the rows' values.
struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<_variant_t>> rows;
};

// Markers recorded in Statements() for the connection's transaction calls.
inline constexpr const char *kBegin = "BEGIN TRANSACTION", *kCommit = "COMMIT TRANSACTION",
                            *kRollback = "ROLLBACK TRANSACTION";

class Rule {
public:
    explicit Rule(::testing::Matcher<const std::string&> matcher) : matcher_(std::move(matcher)) {}
    // An open recordset with these rows.
    Rule& Return(Rows rows) { return kind_ = kRows, rows_ = std::move(rows), *this; }
    // A closed recordset, as for a statement without rows.
    Rule& ReturnClosed() { return kind_ = kClosed, *this; }
    Rule& Fail(HRESULT code, std::string description = "") {
        return kind_ = kFail, code_ = code, description_ = std::move(description), *this;
    }
    // Answers at most n statements (with a closed recordset unless told otherwise).
    Rule& Times(int n) { return left_ = n, *this; }

private:
    friend struct ScriptState;
    enum Kind { kClosed, kRows, kFail } kind_ = kClosed;
    ::testing::Matcher<const std::string&> matcher_;
    Rows rows_;
    HRESULT code_ = 0;
    std::string description_;
    int left_ = -1;
};

// Column and index descriptions: Col("NAME", ado::adVarWChar, 255).NotNull(), Idx("PK", {"ID"}).Primary().
struct Col : ado::ColumnInfo {
    explicit Col(std::string columnName, ado::DataTypeEnum columnType = ado::adInteger, long size = 0) {
        name = std::move(columnName), type = columnType, definedSize = size;
    }
    Col& NotNull() { return nullable = false, *this; }
    Col& Default(_variant_t value) { return defaultValue = std::move(value), *this; }
    Col& Decimal(int p, int s) { return type = ado::adNumeric, precision = p, scale = s, *this; }
};
struct Idx : ado::IndexInfo {
    Idx(std::string indexName, std::initializer_list<std::string> columnNames) {
        name = std::move(indexName);
        for (const auto& c : columnNames) columns.push_back(Col(c));
    }
    Idx& Primary() { return primaryKey = unique = true, *this; }
};

struct ScriptedTable {
    std::string name;
    std::vector<ado::ColumnInfo> columns;
    std::vector<ado::IndexInfo> indexes;
    long rowCount = 0;  // rows the server holds (copied by the rebuild's INSERT)
    ado::ColumnInfo* FindColumn(const std::string& column);
};

// Tables in creation order; names match without regard to case, as on SQL Server.
struct ScriptedCatalog {
    std::vector<ScriptedTable> tables;
    ScriptedTable* Find(const std::string& table);
};

// What every connection made shares: the script, the record and the catalog.
struct ScriptState {
    std::string provider = "SQLOLEDB.1", version = "2.8";
    bool fromCatalog = false;
    std::vector<std::unique_ptr<Rule>> rules, callRules;
    std::vector<std::string> statements, calls;
    ScriptedCatalog catalog;
    int connectionsMade = 0, openTransactions = 0;
    std::string identityInsert;  // the table with IDENTITY_INSERT ON

    // The newest rule that matches, used up by one more statement; a failing rule raises its error.
    static Rule* Take(std::vector<std::unique_ptr<Rule>>& rules, const std::string& text);
    void Call(const std::string& text, bool record = true);
    // A statement; its rule's answer, else the catalog's, else a closed recordset.
    ado::RecordsetPtr Statement(const std::string& sql, const std::string& call);
    ScriptedTable& Get(const std::string& table);  // raises SQL Server's error when there is none
    ado::RecordsetPtr FromCatalog(const std::string& sql);
};

class ScriptedConnection {
public:
    // Answers statements sent through Execute, the catalog's DDL and the transaction markers.
    Rule& On(::testing::Matcher<const std::string&> statement) { return Add(state_->rules, std::move(statement)); }
    // Fails other calls as Calls() records them, and "Columns(<table>)", "Indexes(<table>)".
    Rule& OnCall(::testing::Matcher<const std::string&> call) { return Add(state_->callRules, std::move(call)); }
    // Answers columnproperty, sp_helpconstraint, ALTER TABLE ... ADD CONSTRAINT ... DEFAULT,
    // SET IDENTITY_INSERT, the rebuild's copy, DROP TABLE and sp_rename from the catalog.
    void AnswerFromCatalog() { state_->fromCatalog = true; }
    void SetProvider(std::string provider) { state_->provider = std::move(provider); }  // "SQLOLEDB.1" by default
    void SetVersion(std::string version) { state_->version = std::move(version); }      // "2.8" by default

    ado::ConnectionPtr Open();  // a connection, opened
    std::function<ado::ConnectionPtr()> Factory();
    int ConnectionsMade() const { return state_->connectionsMade; }

    ScriptedCatalog& Catalog() { return state_->catalog; }
    ScriptedTable& AddTable(std::string name, std::vector<ado::ColumnInfo> columns,
                            std::vector<ado::IndexInfo> indexes = {}, long rowCount = 0) {
        return state_->catalog.tables.emplace_back(std::move(name), std::move(columns), std::move(indexes), rowCount);
    }

    // Statements in order: Execute texts, kBegin/kCommit/kRollback and the catalog's DDL.
    std::vector<std::string> Statements() const { return state_->statements; }
    // Calls in order: "Open(<string>)", "Close()", "PutCommandTimeout(180)", "Catalog()",
    // "BeginTrans()", "CommitTrans()", "RollbackTrans()", "Execute(<sql>)", and the DDL calls.
    std::vector<std::string> Calls() const { return state_->calls; }
    int OpenTransactions() const { return state_->openTransactions; }
    void ClearRecord() { state_->statements.clear(), state_->calls.clear(); }  // forgets statements and calls

private:
    static Rule& Add(std::vector<std::unique_ptr<Rule>>& rules, ::testing::Matcher<const std::string&> matcher) {
        return *rules.emplace_back(std::make_unique<Rule>(std::move(matcher)));
    }
    std::shared_ptr<ScriptState> state_ = std::make_shared<ScriptState>();
};

}  // namespace veltmoor::test
