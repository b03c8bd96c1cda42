#include "accounts/AccountSql.h"

#include "accounts/AccountBatches.h"

#include "app/VeltmoorDlg.h"
#include "base/CString.h"
#include "db/ado/odbc/OdbcEngine.h"

namespace veltmoor::accounts {

namespace {
// Every column after ID, so that rows sharing an ID have one order.
constexpr const char* kTieOrder = "A.NAME, A.SETTINGS_ID, A.HOME_FOLDER_ID, A.QUOTA_ID, A.RATIO_ID";
}  // namespace

AccountSql AccountSql::For(const ado::ConnectionPtr& connection) {
    if (IsSqlServerProvider(connection)) return AccountSql(Engine::SqlServer);
    const std::string dbms = connection->DbmsName();
    if (ToUpper(connection->Provider()).rfind("MSDASQL", 0) != 0)
        return AccountSql(dbms == ado::kJetDbmsName ? Engine::Jet : Engine::Sqlite);
    switch (ado::odbc::EngineFromDbmsName(dbms)) {
        case ado::odbc::Engine::SqlServer: return AccountSql(Engine::SqlServer);
        case ado::odbc::Engine::Sqlite: return AccountSql(Engine::Sqlite);
        case ado::odbc::Engine::PostgreSql: return AccountSql(Engine::PostgreSql);
        case ado::odbc::Engine::MariaDb: return AccountSql(Engine::MariaDb);
        case ado::odbc::Engine::Other: break;
    }
    return AccountSql(Engine::Other);
}

std::string AccountSql::Select(bool withLinks) const {
    std::string sql = "SELECT A.ID AS ID, A.NAME AS NAME, A.SETTINGS_ID AS SETTINGS_ID, A.HOME_FOLDER_ID AS "
                      "HOME_FOLDER_ID, A.QUOTA_ID AS QUOTA_ID, A.RATIO_ID AS RATIO_ID";
    // SQLite runs a correlated EXISTS with a cursor opened afresh for each row; IN probes
    // the linked table's key (or an index of its IDs made once) and means the same here:
    // a NULL, or a value no row carries, gives 0 either way.
    if (withLinks) {
        for (const LinkCheck& c : kLinkChecks)
            sql += PagesByRowid()
                       ? Format(", CASE WHEN A.%s IN (SELECT L.ID FROM %s L) THEN 1 ELSE 0 END AS %s", c.link, c.table, c.flag)
                       : Format(", CASE WHEN EXISTS (SELECT 1 FROM %s L WHERE L.ID = A.%s) THEN 1 ELSE 0 END AS %s",
                                c.table, c.link, c.flag);
    }
    if (PagesByRowid()) sql += ", A.rowid AS ROW_ID";
    return sql + " FROM ACCOUNTS A";
}

std::string AccountSql::Batch(const Page& page, std::int64_t limit, bool withLinks) const {
    std::string where, order;
    if (PagesByRowid()) {
        where = page.rowid ? Format(" WHERE A.rowid > %lld", static_cast<long long>(*page.rowid)) : "";
        order = " ORDER BY A.rowid";
    } else if (page.nullIds) {
        where = " WHERE A.ID IS NULL";
        order = Format(" ORDER BY %s", kTieOrder);
    } else {
        // From the last ID read on, its rows already read skipped (they come first). Only
        // the rows up to the ID that ends the page are sorted: an index on ID finds it.
        const auto from = [&](const char* alias) {
            return page.id ? Format("%s.ID >= %lld", alias, static_cast<long long>(*page.id))
                           : Format("%s.ID IS NOT NULL", alias);
        };
        const long long last = page.skip + limit;
        const std::string bound =
            engine_ == Engine::SqlServer
                ? Format("SELECT TOP (%lld) B.ID FROM ACCOUNTS B WHERE %s ORDER BY B.ID", last, from("B").c_str())
                : Format("SELECT B.ID FROM ACCOUNTS B WHERE %s ORDER BY B.ID LIMIT %lld", from("B").c_str(), last);
        where = Format(" WHERE %s AND A.ID <= (SELECT MAX(T.ID) FROM (%s) T)", from("A").c_str(), bound.c_str());
        order = Format(" ORDER BY A.ID, %s", kTieOrder);
    }
    const long long skip = PagesByRowid() ? 0 : page.skip, count = limit;
    if (engine_ == Engine::SqlServer)
        return Select(withLinks) + where + order + Format(" OFFSET %lld ROWS FETCH NEXT %lld ROWS ONLY", skip, count);
    return Select(withLinks) + where + order + Format(" LIMIT %lld OFFSET %lld", count, skip);
}

std::string AccountSql::LockAccount() const {
    const std::string where = " WHERE A.ID = ?";
    switch (engine_) {
        case Engine::Sqlite: return "";
        case Engine::SqlServer: return "SELECT A.ID FROM ACCOUNTS A WITH (UPDLOCK, HOLDLOCK)" + where;
        case Engine::PostgreSql:
        case Engine::MariaDb:
        case Engine::Jet:
        case Engine::Other: break;
    }
    return "SELECT A.ID FROM ACCOUNTS A" + where + " FOR UPDATE";
}

std::string AccountSql::AccountRows() const { return Select(true) + " WHERE A.ID = ?"; }

std::string AccountSql::RepairSession() const {
    // InnoDB's default (repeatable read) would let a repair judge a link by a snapshot
    // taken before another run's repair of it committed.
    return engine_ == Engine::MariaDb ? "SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED" : "";
}

}  // namespace veltmoor::accounts
