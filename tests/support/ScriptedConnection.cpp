#include "tests/support/ScriptedConnection.h"

#include <algorithm>
#include <regex>

#include "base/CString.h"
#include "db/ado/ClosedRecordset.h"
#include "db/ado/odbc/ResultTable.h"
#include "db/ado/odbc/SqlServerDdl.h"

namespace veltmoor::test {

using ado::ColumnInfo;
using ado::RecordsetPtr;

namespace {

[[noreturn]] void ServerError(const std::string& description, HRESULT code = hr::kErrorsInCommand) {
    throw _com_error(code, "Microsoft OLE DB Provider for SQL Server", description);
}

// The ODBC provider's own client-side recordset, so that answers behave as the real provider's do.
RecordsetPtr RowsRecordset(Rows rows) {
    for (auto& row : rows.rows) row.resize(rows.columns.size(), _variant_t::Null());
    return ado::odbc::MakeBufferedRecordset(ado::odbc::ResultTable{std::move(rows.columns), std::move(rows.rows)});
}

}  // namespace

// The element of items whose name is name, without regard to case (nullptr: none).
template <class T>
T* Named(std::vector<T>& items, const std::string& name) {
    const auto it = std::ranges::find_if(items, [&](const T& item) { return EqualsNoCase(item.name, name); });
    return it == items.end() ? nullptr : &*it;
}

ColumnInfo* ScriptedTable::FindColumn(const std::string& column) { return Named(columns, column); }
ScriptedTable* ScriptedCatalog::Find(const std::string& table) { return Named(tables, table); }

Rule* ScriptState::Take(std::vector<std::unique_ptr<Rule>>& rules, const std::string& text) {
    for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
        Rule& rule = **it;
        if (rule.left_ == 0 || !rule.matcher_.Matches(text)) continue;
        if (rule.left_ > 0) --rule.left_;
        if (rule.kind_ == Rule::kFail) ServerError(rule.description_, rule.code_);
        return &rule;
    }
    return nullptr;
}

void ScriptState::Call(const std::string& text, bool record) {
    if (record) calls.push_back(text);
    Take(callRules, text);
}

RecordsetPtr ScriptState::Statement(const std::string& sql, const std::string& call) {
    statements.push_back(sql);
    calls.push_back(call);
    if (Rule* rule = Take(rules, sql)) return rule->kind_ == Rule::kRows ? RowsRecordset(rule->rows_) : ado::ClosedRecordset();
    return fromCatalog ? FromCatalog(sql) : ado::ClosedRecordset();
}

ScriptedTable& ScriptState::Get(const std::string& table) {
    if (ScriptedTable* t = catalog.Find(table)) return *t;
    ServerError("[42S02] Invalid object name '" + table + "'.", hr::kNoTable);
}

// The statements the checks and repairs send, answered as SQL Server would; others get a closed recordset.
RecordsetPtr ScriptState::FromCatalog(const std::string& sql) {
    static const std::regex property(R"(select columnproperty\(object_id\('(.*)'\),'(.*)','(IsIdentity|AllowsNull)'\) as (\w+))"),
        help(R"(exec sp_helpconstraint (.+), nomsg)"),
        addDefault(R"(ALTER TABLE (\S+) WITH CHECK ADD CONSTRAINT \S* DEFAULT (-?\d+) FOR (\S+))"),
        identity(R"(SET IDENTITY_INSERT (\S+) (ON|OFF))"),
        copy(R"(IF EXISTS\(SELECT \* FROM (\S+)\) EXEC\('INSERT INTO (\S+) \((.*)\) SELECT .* FROM \S+ TABLOCKX'\))"),
        drop(R"(DROP TABLE (\S+))"), rename(R"(EXECUTE sp_rename N'(.*)', N'(.*)', 'OBJECT')");
    std::smatch m;
    if (std::regex_match(sql, m, property)) {
        ScriptedTable* t = catalog.Find(m[1]);
        const ColumnInfo* c = t ? t->FindColumn(m[2]) : nullptr;
        const bool on = c && (m[3] == "IsIdentity" ? c->autoIncrement : c->nullable);
        return RowsRecordset(Rows{{m[4]}, {{c ? _variant_t(on ? 1 : 0) : _variant_t::Null()}}});
    }
    if (std::regex_match(sql, m, help)) {
        Rows rows{{"constraint_type", "constraint_name"}, {}};
        for (const auto& i : Get(m[1]).indexes)
            if (i.primaryKey) rows.rows.push_back({std::string("PRIMARY KEY (clustered)"), i.name});
        for (const auto& c : Get(m[1]).columns)
            if (!c.defaultValue.IsEmpty()) rows.rows.push_back({"DEFAULT on column " + c.name, "DF_" + c.name});
        return rows.rows.empty() ? ado::ClosedRecordset() : RowsRecordset(std::move(rows));  // nomsg: no result set
    }
    if (std::regex_match(sql, m, addDefault)) {
        ColumnInfo* c = Get(m[1]).FindColumn(m[3]);
        if (!c || !c->defaultValue.IsEmpty()) ServerError("[42000] Column already has a DEFAULT bound to it, or no such column.");
        c->defaultValue = _variant_t(Atoi(m[2]));
    } else if (std::regex_match(sql, m, identity)) {
        ScriptedTable& t = Get(m[1]);
        if (std::none_of(t.columns.begin(), t.columns.end(), [](auto& c) { return c.autoIncrement; }))
            ServerError("[42000] Table '" + t.name + "' does not have the identity property. Cannot perform SET operation.");
        identityInsert = m[2] == "ON" ? t.name : "";
    } else if (std::regex_match(sql, m, copy)) {
        ScriptedTable &source = Get(m[1]), &target = Get(m[2]);
        if (source.rowCount == 0) return ado::ClosedRecordset();
        const bool explicitIdentity = std::any_of(target.columns.begin(), target.columns.end(), [&](auto& c) {
            return c.autoIncrement && std::regex_search(m[3].str(), std::regex("\\b" + c.name + "\\b"));
        });
        if (explicitIdentity && !EqualsNoCase(identityInsert, target.name))
            ServerError("[23000] Cannot insert explicit value for identity column in table '" + target.name + "'.");
        target.rowCount += source.rowCount;
    } else if (std::regex_match(sql, m, drop)) {
        const ScriptedTable* t = &Get(m[1]);
        catalog.tables.erase(catalog.tables.begin() + (t - catalog.tables.data()));
    } else if (std::regex_match(sql, m, rename)) {
        if (catalog.Find(m[2])) ServerError("[42000] The new name '" + m[2].str() + "' is already in use.");
        Get(m[1]).name = m[2];
    }
    return ado::ClosedRecordset();
}

namespace {

class ScriptedBackend final : public ado::CatalogBackend {
public:
    explicit ScriptedBackend(std::shared_ptr<ScriptState> state) : s_(std::move(state)) {}

    std::vector<std::string> TableNames() override {
        std::vector<std::string> names;
        for (const auto& t : s_->catalog.tables) names.push_back(t.name);
        return names;
    }
    std::vector<ColumnInfo> Columns(const std::string& table) override {
        s_->Call("Columns(" + table + ")", false);
        return s_->Get(table).columns;
    }
    std::vector<ado::IndexInfo> Indexes(const std::string& table) override {
        s_->Call("Indexes(" + table + ")", false);
        return s_->Get(table).indexes;
    }
    void CreateTable(const ado::TableDef& def) override {
        s_->Statement(ado::odbc::CreateTableSql(def), "CreateTable(" + ado::odbc::CreateTableSql(def) + ")");
        if (s_->catalog.Find(def.name)) ServerError("[42S01] There is already an object named '" + def.name + "'.");
        s_->catalog.tables.push_back({def.name, def.columns, {}, 0});
    }
    void CreateIndex(const std::string& table, const ado::IndexInfo& index) override {
        s_->Statement(ado::odbc::CreateIndexSql(table, index), "CreateIndex(" + ado::odbc::CreateIndexSql(table, index) + ")");
        ScriptedTable& t = s_->Get(table);
        for (const auto& key : index.columns)
            if (!t.FindColumn(key.name)) ServerError("[42S22] Column name '" + key.name + "' does not exist.");
        t.indexes.push_back(index);
    }
    void SetColumnProperty(const std::string& table, const std::string& column, const std::string& property,
                           const _variant_t& value) override {
        ColumnInfo* c = s_->Get(table).FindColumn(column);
        if (!c) ServerError("[42S22] Invalid column name '" + column + "'.");
        const std::string sql = ado::odbc::SetColumnPropertySql(table, *c, property, value);
        s_->Statement(sql, "SetColumnProperty(" + sql + ")");
        if (EqualsNoCase(property, "Default")) c->defaultValue = value;
    }

private:
    std::shared_ptr<ScriptState> s_;
};

class ScriptedConnectionImpl final : public ado::Connection {
public:
    explicit ScriptedConnectionImpl(std::shared_ptr<ScriptState> state) : s_(std::move(state)) {}
    ~ScriptedConnectionImpl() override {
        // A connection released with a transaction open: the server rolls it back.
        for (; !snapshots_.empty(); snapshots_.pop_back(), --s_->openTransactions) s_->catalog = snapshots_.back();
    }

    void Open(const std::string& text, const std::string&, const std::string&, long) override {
        s_->Call("Open(" + text + ")"), open_ = true;
    }
    void Close() override { s_->Call("Close()"), open_ = false; }
    long State() override { return open_ ? ado::adStateOpen : ado::adStateClosed; }
    RecordsetPtr Execute(const std::string& sql) override {
        if (!open_) throw _com_error(hr::kObjectClosed, "ADODB.Connection", "Operation is not allowed when the object is closed.");
        return s_->Statement(sql, "Execute(" + sql + ")");
    }
    std::string Version() override { return s_->version; }
    std::string Provider() override { return s_->provider; }
    void PutCommandTimeout(long seconds) override { s_->Call(Format("PutCommandTimeout(%ld)", seconds)); }
    void BeginTrans() override {
        s_->Statement(kBegin, "BeginTrans()");
        snapshots_.push_back(s_->catalog);
        ++s_->openTransactions;
    }
    void CommitTrans() override { s_->Statement(kCommit, "CommitTrans()"), End(); }
    void RollbackTrans() override {
        s_->Statement(kRollback, "RollbackTrans()");
        if (!snapshots_.empty()) s_->catalog = snapshots_.back();
        s_->identityInsert.clear();
        End();
    }
    std::shared_ptr<ado::CatalogBackend> Catalog() override {
        s_->Call("Catalog()");
        return std::make_shared<ScriptedBackend>(s_);
    }

private:
    void End() {
        if (snapshots_.empty()) ServerError("No transaction is active.", static_cast<HRESULT>(0x8004D00E));
        snapshots_.pop_back();
        --s_->openTransactions;
    }

    std::shared_ptr<ScriptState> s_;
    std::vector<ScriptedCatalog> snapshots_;
    bool open_ = false;
};

}  // namespace

ado::ConnectionPtr ScriptedConnection::Open() {
    ado::ConnectionPtr connection = Factory()();
    connection->Open("Provider=SQLOLEDB.1;Data Source=scripted", "", "", 0);
    return connection;
}

std::function<ado::ConnectionPtr()> ScriptedConnection::Factory() {
    return [state = state_] {
        ++state->connectionsMade;
        return ado::ConnectionPtr(std::make_shared<ScriptedConnectionImpl>(state));
    };
}

}  // namespace veltmoor::test
