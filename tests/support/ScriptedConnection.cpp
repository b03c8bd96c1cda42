#include "tests/support/ScriptedConnection.h"

#include <regex>

#include "base/CString.h"
#include "db/ado/ClosedRecordset.h"
#include "db/ado/odbc/ResultTable.h"
#include "db/ado/odbc/SqlServerDdl.h"

namespace veltmoor::test {

using ado::ColumnInfo;
using ado::IndexInfo;
using ado::RecordsetPtr;

namespace {

constexpr HRESULT kNoTransaction = static_cast<HRESULT>(0x8004D00E);  // XACT_E_NOTRANSACTION
constexpr HRESULT kInTransaction = static_cast<HRESULT>(0x800A0CAE);  // adErrInTransaction

[[noreturn]] void ServerError(HRESULT code, const std::string& description) {
    throw _com_error(code, kSqlServerSource, description);
}

// The server's answers use the ODBC provider's own client-side recordset, so that
// they behave exactly as the real provider's do. Short rows are padded with NULL.
using ado::ClosedRecordset;
RecordsetPtr RowsRecordset(Rows rows) {
    for (auto& row : rows.rows) row.resize(rows.columns.size(), _variant_t::Null());
    return ado::odbc::MakeBufferedRecordset(ado::odbc::ResultTable{std::move(rows.columns), std::move(rows.rows)});
}

}  // namespace

// ---- Rule ----

Rule& Rule::Return(Rows rows) {
    Answer a;
    a.kind = Answer::kRows;
    a.rows = std::move(rows);
    answers_.push_back(std::move(a));
    return *this;
}

Rule& Rule::ReturnClosed() {
    answers_.push_back(Answer{});
    return *this;
}

Rule& Rule::Fail(HRESULT code, std::string description, std::string source) {
    Answer a;
    a.kind = Answer::kFail;
    a.code = code;
    a.source = std::move(source);
    a.description = std::move(description);
    answers_.push_back(std::move(a));
    return *this;
}

Rule& Rule::Times(int n) {
    limit_ = n;
    return *this;
}

bool Rule::Matches(const std::string& statement) const {
    return (limit_ < 0 || uses_ < limit_) && matcher_.Matches(statement);
}

// ---- the shared state ----

class ScriptState {
public:
    std::string provider = "SQLOLEDB.1";
    std::string version = "2.8";
    bool fromCatalog = false;
    std::vector<std::unique_ptr<Rule>> rules, callRules;
    std::vector<std::string> statements, calls;
    ScriptedCatalog catalog;
    int connectionsMade = 0;
    int openTransactions = 0;
    std::string identityInsertTable;  // the table with IDENTITY_INSERT ON, if any

    // The answer of the newest matching rule (nullptr: no rule matched).
    static const Rule::Answer* Take(std::vector<std::unique_ptr<Rule>>& rules, const std::string& text,
                                    bool& matched) {
        matched = false;
        for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
            Rule& rule = **it;
            if (!rule.Matches(text)) continue;
            matched = true;
            const int use = rule.uses_++;
            if (rule.answers_.empty()) return nullptr;
            return &rule.answers_[std::min<size_t>(static_cast<size_t>(use), rule.answers_.size() - 1)];
        }
        return nullptr;
    }

    static void RaiseIfFail(const Rule::Answer* a) {
        if (a && a->kind == Rule::Answer::kFail) throw _com_error(a->code, a->source, a->description);
    }

    // A connection call other than a statement: recorded, failed when scripted so.
    void Call(const std::string& text, bool record = true) {
        if (record) calls.push_back(text);
        bool matched;
        RaiseIfFail(Take(callRules, text, matched));
    }

    // A statement that is not Execute (DDL, transaction markers).
    void Statement(const std::string& text, const std::string& call) {
        statements.push_back(text);
        calls.push_back(call);
        bool matched;
        RaiseIfFail(Take(rules, text, matched));
    }

    RecordsetPtr Execute(const std::string& sql) {
        statements.push_back(sql);
        calls.push_back("Execute(" + sql + ")");
        bool matched;
        const Rule::Answer* a = Take(rules, sql, matched);
        if (matched) {
            RaiseIfFail(a);
            if (a && a->kind == Rule::Answer::kRows) return RowsRecordset(a->rows);
            return ClosedRecordset();
        }
        if (fromCatalog) {
            if (auto rs = FromCatalog(sql)) return rs;
        }
        return ClosedRecordset();
    }

    RecordsetPtr FromCatalog(const std::string& sql);

    bool ServerDialect() const {
        const std::string upper = ToUpper(provider);
        return upper.rfind("SQLOLEDB", 0) == 0 || upper.rfind("MSDASQL", 0) == 0;
    }
};

// The statements the checks and repairs send, answered as SQL Server would from
// the catalog. Anything else is left to the caller (answered closed).
RecordsetPtr ScriptState::FromCatalog(const std::string& sql) {
    static const std::regex columnProperty(
        R"(^select columnproperty\(object_id\('(.*)'\),'(.*)','(IsIdentity|AllowsNull)'\) as (\w+)$)",
        std::regex::icase);
    static const std::regex helpConstraint(R"(^exec sp_helpconstraint (.+), nomsg$)", std::regex::icase);
    static const std::regex addDefault(
        R"(^ALTER TABLE (\S+) WITH CHECK ADD CONSTRAINT (\S*) DEFAULT (-?\d+) FOR (\S+)$)", std::regex::icase);
    static const std::regex identityInsert(R"(^SET IDENTITY_INSERT (\S+) (ON|OFF)$)", std::regex::icase);
    static const std::regex copy(
        R"(^IF EXISTS\(SELECT \* FROM (\S+)\) EXEC\('INSERT INTO (\S+) \((.*)\) SELECT (.*) FROM (\S+) TABLOCKX'\)$)",
        std::regex::icase);
    static const std::regex dropTable(R"(^DROP TABLE (\S+)$)", std::regex::icase);
    static const std::regex rename(R"(^EXECUTE sp_rename N'(.*)', N'(.*)', 'OBJECT'$)", std::regex::icase);

    std::smatch m;
    if (std::regex_match(sql, m, columnProperty)) {
        const ScriptedTable* t = catalog.Find(m[1]);
        const ColumnInfo* c = t ? t->FindColumn(m[2]) : nullptr;
        _variant_t value = _variant_t::Null();  // an unknown object gives NULL, as on the server
        if (c) value = EqualsNoCase(m[3].str(), "IsIdentity") ? (c->autoIncrement ? 1 : 0) : (c->nullable ? 1 : 0);
        return RowsRecordset(Rows{{m[4]}, {{value}}});
    }
    if (std::regex_match(sql, m, helpConstraint)) {
        const ScriptedTable* t = catalog.Find(m[1]);
        if (!t)
            ServerError(hr::kErrorsInCommand, "[42000] The object '" + m[1].str() +
                                                  "' does not exist in database 'scripted' or is invalid for this operation.");
        Rows rows{{"constraint_type", "constraint_name"}, {}};
        for (const auto& i : t->indexes)
            if (i.primaryKey) rows.rows.push_back({std::string("PRIMARY KEY (clustered)"), i.name});
        for (const auto& c : t->columns)
            if (!c.defaultValue.IsEmpty())
                rows.rows.push_back({"DEFAULT on column " + c.name, "DF__" + t->name + "__" + c.name});
        if (rows.rows.empty()) return ClosedRecordset();  // nomsg: no result set at all
        return RowsRecordset(std::move(rows));
    }
    if (std::regex_match(sql, m, addDefault)) {
        ScriptedTable& t = catalog.Get(m[1]);
        ColumnInfo* c = t.FindColumn(m[4]);
        if (!c) ServerError(hr::kErrorsInCommand, "[42000] Invalid column name '" + m[4].str() + "'.");
        if (!c->defaultValue.IsEmpty())
            ServerError(hr::kErrorsInCommand,
                        "[42000] Column already has a DEFAULT bound to it. Could not create constraint or index.");
        for (auto& other : catalog.Tables())
            for (auto& name : other.constraintNames)
                if (EqualsNoCase(name, m[2].str()))
                    ServerError(hr::kErrorsInCommand,
                                "[42S01] There is already an object named '" + m[2].str() + "' in the database.");
        c->defaultValue = _variant_t(Atoi(m[3]));
        t.constraintNames.push_back(m[2]);
        return ClosedRecordset();
    }
    if (std::regex_match(sql, m, identityInsert)) {
        ScriptedTable& t = catalog.Get(m[1]);
        bool hasIdentity = false;
        for (const auto& c : t.columns) hasIdentity = hasIdentity || c.autoIncrement;
        if (!hasIdentity)
            ServerError(hr::kErrorsInCommand, "[42000] Table '" + t.name +
                                                  "' does not have the identity property. Cannot perform SET operation.");
        if (EqualsNoCase(m[2].str(), "ON")) identityInsertTable = t.name;
        else if (EqualsNoCase(identityInsertTable, t.name)) identityInsertTable.clear();
        return ClosedRecordset();
    }
    if (std::regex_match(sql, m, copy)) {
        ScriptedTable& source = catalog.Get(m[1]);
        ScriptedTable& target = catalog.Get(m[2]);
        if (source.rowCount == 0) return ClosedRecordset();
        std::string list = m[3];
        size_t start = 0;
        while (start <= list.size()) {
            size_t comma = list.find(", ", start);
            std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!source.FindColumn(name) || !target.FindColumn(name))
                ServerError(hr::kErrorsInCommand, "[42S22] Invalid column name '" + name + "'.");
            if (target.FindColumn(name)->autoIncrement && !EqualsNoCase(identityInsertTable, target.name))
                ServerError(hr::kErrorsInCommand, "[23000] Cannot insert explicit value for identity column in table '" +
                                                      target.name + "' when IDENTITY_INSERT is set to OFF.");
            if (comma == std::string::npos) break;
            start = comma + 2;
        }
        target.rowCount += source.rowCount;
        return ClosedRecordset();
    }
    if (std::regex_match(sql, m, dropTable)) {
        if (!catalog.Remove(m[1]))
            ServerError(hr::kNoTable, "[42S02] Cannot drop the table '" + m[1].str() +
                                          "', because it does not exist or you do not have permission.");
        return ClosedRecordset();
    }
    if (std::regex_match(sql, m, rename)) {
        ScriptedTable* t = catalog.Find(m[1]);
        if (!t)
            ServerError(hr::kErrorsInCommand, "[42000] No item by the name of '" + m[1].str() +
                                                  "' could be found in the current database 'scripted'.");
        if (catalog.Find(m[2]))
            ServerError(hr::kErrorsInCommand, "[42000] Error: The new name '" + m[2].str() +
                                                  "' is already in use as a OBJECT name and would cause a duplicate.");
        t->name = m[2];
        return ClosedRecordset();
    }
    return nullptr;
}

namespace {

// The scripted server's catalog, over the shared state.
class ScriptedBackend final : public ado::CatalogBackend {
public:
    explicit ScriptedBackend(std::shared_ptr<ScriptState> state) : state_(std::move(state)) {}

    std::vector<std::string> TableNames() override {
        state_->Call("TableNames()", false);
        return state_->catalog.TableNames();
    }
    std::vector<ColumnInfo> Columns(const std::string& table) override {
        state_->Call("Columns(" + table + ")", false);
        return state_->catalog.Get(table).columns;
    }
    std::vector<IndexInfo> Indexes(const std::string& table) override {
        state_->Call("Indexes(" + table + ")", false);
        return state_->catalog.Get(table).indexes;
    }

    void CreateTable(const ado::TableDef& def) override {
        const std::string sql = ado::odbc::CreateTableSql(def);
        state_->Statement(sql, "CreateTable(" + sql + ")");
        if (state_->catalog.Find(def.name))
            ServerError(hr::kErrorsInCommand, "[42S01] There is already an object named '" + def.name + "' in the database.");
        int identities = 0;
        for (const auto& c : def.columns) identities += c.autoIncrement ? 1 : 0;
        if (identities > 1)
            ServerError(hr::kErrorsInCommand,
                        "[42000] Multiple identity columns specified for table '" + def.name +
                            "'. Only one identity column per table is allowed.");
        state_->catalog.AddTable(def.name, def.columns);
    }

    void CreateIndex(const std::string& table, const IndexInfo& index) override {
        const std::string sql = ado::odbc::CreateIndexSql(table, index);
        state_->Statement(sql, "CreateIndex(" + sql + ")");
        ScriptedTable& t = state_->catalog.Get(table);
        if (t.FindIndex(index.name))
            ServerError(hr::kErrorsInCommand, "[42S11] The operation failed because an index or statistics with name '" +
                                                  index.name + "' already exists on table '" + t.name + "'.");
        IndexInfo stored = index;
        for (auto& key : stored.columns) {
            const ColumnInfo* c = t.FindColumn(key.name);
            if (!c)
                ServerError(hr::kErrorsInCommand,
                            "[42S22] Column name '" + key.name + "' does not exist in the target table or view.");
            key = *c;
        }
        if (index.primaryKey)
            for (const auto& i : t.indexes)
                if (i.primaryKey)
                    ServerError(hr::kErrorsInCommand, "[42000] Table '" + t.name +
                                                          "' already has a primary key defined on it.");
        if (stored.primaryKey) stored.unique = true;
        t.indexes.push_back(std::move(stored));
    }

    void SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                           const _variant_t& value) override {
        ScriptedTable& t = state_->catalog.Get(table);
        ColumnInfo* c = t.FindColumn(column);
        if (!c) ServerError(hr::kErrorsInCommand, "[42S22] Invalid column name '" + column + "'.");
        // SQL Server cannot give an existing column the identity property (the ODBC
        // catalog raises); a scripted embedded database does it in place, as its
        // provider does.
        const std::string sql =
            EqualsNoCase(property, "Autoincrement") && !state_->ServerDialect()
                ? "-- SET " + t.name + "." + c->name + " " + property + " = " + ado::odbc::SqlServerLiteral(value)
                : ado::odbc::SetColumnPropertySql(t.name, *c, property, value);
        state_->Statement(sql, "SetColumnProperty(" + sql + ")");
        if (EqualsNoCase(property, "Default")) {
            c->defaultValue = value;
            t.constraintNames.push_back("DF_" + t.name + "_" + c->name);
        }
        else if (EqualsNoCase(property, "Nullable")) c->nullable = value.ToBool();
        else if (EqualsNoCase(property, "Autoincrement")) c->autoIncrement = value.ToBool();
        else throw _com_error(hr::kItemNotFound, "ADOX", "Item cannot be found: " + property);
    }

private:
    std::shared_ptr<ScriptState> state_;
};

class ScriptedConnectionImpl final : public ado::Connection {
public:
    explicit ScriptedConnectionImpl(std::shared_ptr<ScriptState> state) : state_(std::move(state)) {}

    void Open(const std::string& connectionString, const std::string&, const std::string&, long) override {
        state_->Call("Open(" + connectionString + ")");
        if (open_) throw _com_error(hr::kObjectOpen, "ADODB.Connection", "Operation is not allowed when the object is open.");
        open_ = true;
    }
    void Close() override {
        state_->Call("Close()");
        RequireOpen();
        if (!snapshots_.empty())
            throw _com_error(kInTransaction, "ADODB.Connection",
                             "Connection object cannot be explicitly closed while in a transaction.");
        open_ = false;
    }
    long State() override { return open_ ? ado::adStateOpen : ado::adStateClosed; }
    RecordsetPtr Execute(const std::string& sql) override {
        RequireOpen();
        return state_->Execute(sql);
    }
    std::string Version() override { return state_->version; }
    std::string Provider() override { return state_->provider; }
    void PutCommandTimeout(long seconds) override { state_->Call(Format("PutCommandTimeout(%ld)", seconds)); }

    void BeginTrans() override {
        RequireOpen();
        state_->Statement(kBegin, "BeginTrans()");
        snapshots_.push_back(state_->catalog);
        ++state_->openTransactions;
    }
    void CommitTrans() override {
        RequireOpen();
        state_->Statement(kCommit, "CommitTrans()");
        RequireTransaction();
        snapshots_.pop_back();
        --state_->openTransactions;
    }
    void RollbackTrans() override {
        RequireOpen();
        state_->Statement(kRollback, "RollbackTrans()");
        RequireTransaction();
        state_->catalog = std::move(snapshots_.back());
        snapshots_.pop_back();
        --state_->openTransactions;
        state_->identityInsertTable.clear();
    }
    std::shared_ptr<ado::CatalogBackend> Catalog() override {
        state_->Call("Catalog()");
        RequireOpen();
        if (!backend_) backend_ = std::make_shared<ScriptedBackend>(state_);
        return backend_;
    }

    ~ScriptedConnectionImpl() override {
        // A connection released with a transaction open: the server rolls it back.
        while (!snapshots_.empty()) {
            state_->catalog = std::move(snapshots_.back());
            snapshots_.pop_back();
            --state_->openTransactions;
        }
    }

private:
    void RequireOpen() const {
        if (!open_)
            throw _com_error(hr::kObjectClosed, "ADODB.Connection", "Operation is not allowed when the object is closed.");
    }
    void RequireTransaction() const {
        if (snapshots_.empty()) ServerError(kNoTransaction, "No transaction is active.");
    }

    std::shared_ptr<ScriptState> state_;
    std::shared_ptr<ScriptedBackend> backend_;
    std::vector<ScriptedCatalog> snapshots_;
    bool open_ = false;
};

}  // namespace

// ---- the handle ----

ScriptedConnection::ScriptedConnection() : state_(std::make_shared<ScriptState>()) {}
ScriptedConnection::~ScriptedConnection() = default;

Rule& ScriptedConnection::On(StatementMatcher statement) {
    state_->rules.push_back(std::make_unique<Rule>(std::move(statement)));
    return *state_->rules.back();
}

Rule& ScriptedConnection::OnCall(StatementMatcher call) {
    state_->callRules.push_back(std::make_unique<Rule>(std::move(call)));
    return *state_->callRules.back();
}

void ScriptedConnection::AnswerFromCatalog(bool on) { state_->fromCatalog = on; }
void ScriptedConnection::SetProvider(std::string provider) { state_->provider = std::move(provider); }
void ScriptedConnection::SetVersion(std::string version) { state_->version = std::move(version); }

ado::ConnectionPtr ScriptedConnection::NewConnection() {
    ++state_->connectionsMade;
    return ado::ConnectionPtr(std::make_shared<ScriptedConnectionImpl>(state_));
}

ado::ConnectionPtr ScriptedConnection::Open(const std::string& connectionString) {
    auto connection = NewConnection();
    connection->Open(connectionString, "", "", 0);
    return connection;
}

std::function<ado::ConnectionPtr()> ScriptedConnection::Factory() {
    std::shared_ptr<ScriptState> state = state_;
    return [state] {
        ++state->connectionsMade;
        return ado::ConnectionPtr(std::make_shared<ScriptedConnectionImpl>(state));
    };
}

int ScriptedConnection::ConnectionsMade() const { return state_->connectionsMade; }

ScriptedCatalog& ScriptedConnection::Catalog() { return state_->catalog; }

ScriptedTable& ScriptedConnection::AddTable(std::string name, std::vector<ado::ColumnInfo> columns,
                                            std::vector<ado::IndexInfo> indexes, long rowCount) {
    return state_->catalog.AddTable(std::move(name), std::move(columns), std::move(indexes), rowCount);
}

std::vector<std::string> ScriptedConnection::Statements() const { return state_->statements; }
std::vector<std::string> ScriptedConnection::Calls() const { return state_->calls; }
int ScriptedConnection::OpenTransactions() const { return state_->openTransactions; }

void ScriptedConnection::ClearRecord() {
    state_->statements.clear();
    state_->calls.clear();
}

}  // namespace veltmoor::test
