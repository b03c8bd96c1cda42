// The account check's statements that differ between engines: the batch read (each
// account with whether each of its four linked rows exists), how batches page, and how
// a repair locks its account's rows. One table of text per engine; nothing here runs SQL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/ado/Connection.h"

namespace veltmoor::accounts {

// Where the next batch starts. SQLite pages by rowid, which every row has and no repair
// changes. Servers page by ID and, among rows that share one, by the rows' other columns
// (skip: how many of them were read): a repair never changes a row whose ID is shared,
// so the order of those rows holds from batch to batch. Rows without an ID come last.
struct Page {
    std::optional<std::int64_t> rowid;  // SQLite: the last rowid read
    std::optional<std::int64_t> id;     // servers: the last ID read
    std::int64_t skip = 0;              // servers: rows read with that ID (or without one)
    bool nullIds = false;               // servers: reading the rows without an ID
};

class AccountSql {
public:
    // Jet: a genuine Jet file, read-only, whose provider answers plain SELECTs of whole tables.
    enum class Engine { Sqlite, SqlServer, PostgreSql, MariaDb, Jet, Other };

    // The engine behind the connection (its provider, and the DBMS name of ODBC sources).
    static AccountSql For(const ado::ConnectionPtr& connection);
    explicit AccountSql(Engine engine) : engine_(engine) {}

    bool PagesByRowid() const { return engine_ == Engine::Sqlite; }
    // Jet: the linked tables' IDs are read once into memory ("SELECT ID FROM <table>") and
    // the accounts in one pass ("SELECT ID,NAME,... FROM ACCOUNTS"); no batch statements.
    bool ReadsWholeTables() const { return engine_ == Engine::Jet; }
    // Up to `limit` accounts from `page` on, with the columns ID, NAME, the four links,
    // HAS_SETTINGS, HAS_QUOTA, HAS_RATIO, HAS_FOLDER (1 or 0), and ROW_ID on SQLite.
    // withLinks false: the accounts' own columns only (the links are then looked up one by one).
    std::string Batch(const Page& page, std::int64_t limit, bool withLinks) const;
    // Locks the rows carrying the account ID ('?') until the repair's transaction ends
    // (empty: the transaction's own BEGIN IMMEDIATE holds the whole database).
    std::string LockAccount() const;
    // The rows carrying the account ID ('?') with their four link checks. Sent after the
    // lock, as a statement of its own, so that it sees what another run committed meanwhile.
    std::string AccountRows() const;
    // Run once before a run's repairs: each statement of a repair sees what other
    // connections committed before it (empty: the engine does so already).
    std::string RepairSession() const;

private:
    std::string Select(bool withLinks) const;
    Engine engine_;
};

}  // namespace veltmoor::accounts
