// ScriptedConnection: SQL Server as a test double of ado::Connection. It records
// every statement the program sends (with transaction markers and the catalog's
// DDL as T-SQL) and every connection call, and answers from a script the test
// writes:
//
//   ScriptedConnection sql;                                   // "SQLOLEDB.1", version "2.8"
//   sql.On("exec sp_helpconstraint ACCOUNTS, nomsg").Return({{"constraint_type"}, {{"DEFAULT on column X"}}});
//   sql.On(StartsWith("ALTER TABLE")).Fail(hr::kErrorsInCommand, "[42000] ...");
//   dlg.m_pConnection = sql.Open();                           // or dlg.m_connectionFactory = sql.Factory()
//   ...
//   EXPECT_THAT(sql.Statements(), ElementsAre(...));
//
// Rules are tried newest first (as gmock does), so a later On() overrides an earlier
// one. A rule answers with its answers in turn and repeats the last; Times(n) retires
// it after n statements. Unscripted statements get a closed recordset, or, with
// AnswerFromCatalog(), the scripted server answers the statements the checks and
// repairs send from its catalog (see there).
//
// Every connection made by Open() or Factory() shares one script, one record and one
// catalog. The ScriptedConnection object is the test's handle and may go away before
// the connections do.
#pragma once

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/ado/Connection.h"
#include "tests/support/ScriptedCatalog.h"

namespace veltmoor::test {

// Rows a statement answers with: column names, then the rows' values.
//   Rows{{"Idty"}, {{0}}}       Rows{{"a", "b"}, {{1, "x"}, {2, _variant_t::Null()}}}
struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<_variant_t>> rows;
};

// Any gmock string matcher: "exact text", StartsWith(...), HasSubstr(...), MatchesRegex(...).
using StatementMatcher = ::testing::Matcher<const std::string&>;

// Markers recorded in Statements() for the connection's transaction calls.
inline constexpr const char* kBegin = "BEGIN TRANSACTION";
inline constexpr const char* kCommit = "COMMIT TRANSACTION";
inline constexpr const char* kRollback = "ROLLBACK TRANSACTION";

// The source that scripted failures carry unless the test names another.
inline constexpr const char* kSqlServerSource = "Microsoft OLE DB Provider for SQL Server";

class Rule {
public:
    explicit Rule(StatementMatcher matcher) : matcher_(std::move(matcher)) {}
    Rule& Return(Rows rows);  // an open recordset with these rows (none: open and at its end)
    Rule& ReturnClosed();     // a closed recordset, as for a statement without rows
    Rule& Fail(HRESULT code, std::string description = "", std::string source = kSqlServerSource);
    Rule& Times(int n);       // answers at most n statements, then lets older rules answer

    // Used by the connection.
    bool Matches(const std::string& statement) const;
    int Uses() const { return uses_; }

private:
    friend class ScriptState;
    struct Answer {
        enum Kind { kRows, kClosed, kFail } kind = kClosed;
        Rows rows;
        HRESULT code = 0;
        std::string source, description;
    };
    StatementMatcher matcher_;
    std::vector<Answer> answers_;
    int limit_ = -1;
    int uses_ = 0;
};

class ScriptState;

class ScriptedConnection {
public:
    ScriptedConnection();
    ~ScriptedConnection();
    ScriptedConnection(const ScriptedConnection&) = delete;
    ScriptedConnection& operator=(const ScriptedConnection&) = delete;

    // ---- the script ----
    // Answers statements sent through Execute, the catalog's DDL and the transaction
    // markers (kBegin, kCommit, kRollback): only Fail() has a meaning for the latter two.
    Rule& On(StatementMatcher statement);
    // Answers the other connection calls as recorded in Calls(): "Open(<string>)",
    // "Close()", "Catalog()", and the catalog reads "TableNames()", "Columns(<table>)",
    // "Indexes(<table>)". Only Fail() has a meaning here.
    Rule& OnCall(StatementMatcher call);
    // Unscripted statements that the checks and repairs send are answered from the
    // catalog: columnproperty IsIdentity/AllowsNull, sp_helpconstraint (DEFAULT rows
    // for columns with a default, PRIMARY KEY rows), ALTER TABLE ... ADD CONSTRAINT
    // ... DEFAULT n FOR c, SET IDENTITY_INSERT, the rebuild's copy (row counts),
    // DROP TABLE, sp_rename. Errors as the server words them for missing objects.
    void AnswerFromCatalog(bool on = true);
    void SetProvider(std::string provider);  // Provider(); "SQLOLEDB.1" by default
    void SetVersion(std::string version);    // Version(); "2.8" by default

    // ---- connections ----
    ado::ConnectionPtr Open(const std::string& connectionString = "Provider=SQLOLEDB.1;Data Source=scripted");
    ado::ConnectionPtr NewConnection();  // closed, as ADODB.Connection comes
    std::function<ado::ConnectionPtr()> Factory();
    int ConnectionsMade() const;

    // ---- the scripted catalog ----
    ScriptedCatalog& Catalog();
    ScriptedTable& AddTable(std::string name, std::vector<ado::ColumnInfo> columns = {},
                            std::vector<ado::IndexInfo> indexes = {}, long rowCount = 0);

    // ---- the record ----
    // Statements in order: Execute texts, kBegin/kCommit/kRollback, and the catalog's
    // DDL as the ODBC catalog writes it for SQL Server (CREATE TABLE, CREATE INDEX,
    // ALTER TABLE ... for properties). With a provider other than SQLOLEDB/MSDASQL an
    // "Autoincrement" change is made in place and recorded as "-- SET t.c Autoincrement = 1".
    std::vector<std::string> Statements() const;
    // Every call in order: "Open(<string>)", "Close()", "PutCommandTimeout(180)",
    // "BeginTrans()", "CommitTrans()", "RollbackTrans()", "Execute(<sql>)", "Catalog()",
    // "CreateTable(<sql>)", "CreateIndex(<sql>)", "SetColumnProperty(<sql>)". Catalog
    // reads are not recorded.
    std::vector<std::string> Calls() const;
    int OpenTransactions() const;
    void ClearRecord();  // forgets statements and calls (not the script or catalog)

private:
    std::shared_ptr<ScriptState> state_;
};

}  // namespace veltmoor::test
