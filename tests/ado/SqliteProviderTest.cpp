// The SQLite provider on real files: opening and its refusals, statements and values,
// @@IDENTITY, locks held by others, transactions and the command timeout.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "base/CString.h"
#include "tests/ado/SqliteFixture.h"
#include "tests/support/Text.h"

namespace veltmoor::test {
namespace {

using Clock = std::chrono::steady_clock;

class SqliteProvider : public SqliteTest {
protected:
    SqliteProvider() {
        raw().Exec("CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT DEFAULT 0);"
                   "CREATE TABLE V (I INTEGER, R REAL, T TEXT, B BLOB, N INTEGER);"
                   "INSERT INTO V VALUES (-9007199254740993, 2.5, 'Grüße, 世界', x'00ff41', NULL);");
    }
};

TEST_F(SqliteProvider, OpenRefusesWhatIsNoSqliteDatabaseSayingWhy) {
    std::string jet(4, '\0'), ace(4, '\0'), broken("SQLite format 3\0", 16);
    jet += "Standard Jet DB" + std::string(200, '\0');
    ace += "Standard ACE DB" + std::string(200, '\0');
    broken += std::string(4096, '\xff');
    // Each file's refusal in full; {} stands for the file's path.
    const std::pair<std::string, std::string> cases[] = {
        {dir_.File("nothere.mdb"), "Could not find file '{}'. The database file must exist; it is never created."},
        {dir_.Write("access.accdb", ace),
         "'{}' is a Microsoft Access 2007 or later (ACE) database, which this program cannot read. Save it in Access as "
         "an Access 2002-2003 database (.mdb), which this program checks read-only, or convert it with Debian's "
         "mdbtools: mdb-schema '{}' sqlite | sqlite3 NEW.db, then for each table that mdb-tables lists, mdb-export -I "
         "sqlite '{}' TABLE | sqlite3 NEW.db; then name NEW.db as the data source."},
        {dir_.Write("access.mdb", jet), "Could not read the table list of the Microsoft Jet database '{}': it may be damaged."},
        {dir_.Write("notes.mdb", "not the rows you are looking for\n"),
         "'{}' is not a database file: it is neither an SQLite nor a Jet database."},
        {dir_.Write("empty.mdb", ""), "'{}' is empty: it is not a database file."},
        {dir_.Folder(), "'{}' is a folder, not a database file."},
        {dir_.Write("damaged.mdb", broken),
         "file is not a database (while preparing: SELECT count(*) FROM sqlite_master in '{}')"},
        {"", "The connection string names no database file: it has no \"Data Source\" key."},
    };
    for (const auto& [path, says] : cases) {
        auto connection = ado::CreateConnection();
        const _com_error e = ErrorOf([&] { connection->Open(ConnectionStringFor(path), "", "", 0); });
        EXPECT_EQ(e.Description(), Replace(says, "{}", path));
        EXPECT_EQ(connection->State(), ado::adStateClosed);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("nothere.mdb")));
    EXPECT_EQ(std::filesystem::file_size(dir_.File("empty.mdb")), 0u);
}

TEST_F(SqliteProvider, ReadOnlyFileReadsAndRefusesWritesSayingWhy) {
    ::chmod(dbPath_.c_str(), 0444);
    auto connection = Open();
    EXPECT_EQ(connection->Execute("SELECT T FROM V")->GetField("T").ToString(), "Grüße, 世界");
    const _com_error e = ErrorOf([&] { connection->Execute("INSERT INTO SETTINGS (ID) VALUES (1)"); });
    EXPECT_EQ(e.Description(), "attempt to write a readonly database. The connection is read-only: the database file has no "
                               "write permission (while running: INSERT INTO SETTINGS (ID) VALUES (1) in '" + dbPath_ + "')");
    ::chmod(dbPath_.c_str(), 0644);
    EXPECT_EQ(raw().Query("SELECT count(*) FROM SETTINGS"), "0");
}

TEST_F(SqliteProvider, LockOfAnotherConnectionIsAwaitedForTheTimeoutThenNamed) {
    auto connection = Open(1);
    raw().Exec("BEGIN EXCLUSIVE; INSERT INTO SETTINGS (ID) VALUES (1);");
    const auto start = Clock::now();
    const _com_error e = ErrorOf([&] { connection->ExecuteWith("SELECT ID FROM SETTINGS WHERE ID >= ?", {-1}); });
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(e.Description().rfind("database is locked. Another connection holds a lock on the database; waited 1", 0), 0u);
    EXPECT_TRUE(e.Description().ends_with(" ms for it (the busy timeout is 1000 ms) (while running: SELECT ID FROM SETTINGS "
                                          "WHERE ID >= -1 in '" + dbPath_ + "')")) << e.Description();
    EXPECT_TRUE(ErrorOf([&] { connection->QuickCheck(); }).Description().ends_with(
        "(while checking the integrity of the database: PRAGMA quick_check in '" + dbPath_ + "')"));
    EXPECT_THAT(ErrorOf([&] { connection->BeginTrans(); }).Description(), HasSubstr("locked"));  // a repair waits before writing
    raw().Exec("COMMIT");
    EXPECT_EQ(connection->Execute("SELECT count(*) AS N FROM SETTINGS")->GetField("N").ToInt32(), 1);
}

TEST_F(SqliteProvider, ValuesKeepTheirKindsAndBadSqlRaisesSqlitesWords) {
    raw().Exec("INSERT INTO SETTINGS (ID) VALUES (5)");
    auto connection = Open();
    auto rs = connection->Execute("SELECT I, R, B, N FROM V");
    EXPECT_EQ(rs->GetField("i"), _variant_t(std::int64_t{-9007199254740993}));
    EXPECT_EQ(rs->GetField("B").AsText(), std::string("\0\xff" "A", 3));
    EXPECT_TRUE(rs->GetField("N").IsNull());
    const std::tuple<const char*, HRESULT, const char*> cases[] = {
        {"SELECT ID FROM NOPE WHERE ID = 3", hr::kNoTable, "no such table: NOPE (while preparing: SELECT ID FROM NOPE WHERE ID = 3)"},
        {"INSERT INTO SETTINGS (ID) VALUES (1); INSERT INTO SETTINGS (ID) VALUES (2)", hr::kErrorsInCommand,
         "Characters found after end of SQL statement: one command runs one statement (INSERT INTO SETTINGS (ID) VALUES "
         "(1); INSERT INTO SETTINGS (ID) VALUES (2))"},
        {"INSERT INTO SETTINGS (ID) VALUES (5)", hr::kIntegrityViolation,
         "UNIQUE constraint failed: SETTINGS.ID (while running: INSERT INTO SETTINGS (ID) VALUES (5))"},
    };
    for (const auto& [sql, code, says] : cases) {
        const _com_error e = ErrorOf([&] { connection->Execute(sql); });
        EXPECT_EQ(e.Error(), code) << sql;
        EXPECT_EQ(e.Description(), says) << sql;
    }
    EXPECT_EQ(raw().Query("SELECT count(*) FROM SETTINGS"), "1");
}

TEST_F(SqliteProvider, IdentityIsThisConnectionsLastInsert) {
    auto connection = Open();
    raw().Exec("INSERT INTO SETTINGS (ID) VALUES (41)");
    connection->Execute("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)");
    raw().Exec("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)");  // another connection's insert
    connection->Execute("UPDATE SETTINGS SET ALLOW_ANONYMOUS = 1");   // three rows changed
    EXPECT_EQ(connection->Execute("select @@identity as id")->GetField("ID").ToInt32(), 42);
    // Whether an INSERT generated its ID follows the table when another connection changes it.
    for (const char* id : {"ID INTEGER", "ID INTEGER PRIMARY KEY", "ID INT"}) {
        raw().Exec(std::string("DROP TABLE IF EXISTS T; CREATE TABLE T (") + id + ", X INT)");
        connection->ExecuteWith("INSERT INTO T (X) VALUES (?)", {7});
        EXPECT_EQ(connection->Execute("SELECT @@IDENTITY AS ID")->GetField("ID"),
                  std::string(id).ends_with("KEY") ? _variant_t(std::int64_t{1}) : _variant_t::Null()) << id;
    }
}

TEST_F(SqliteProvider, RecordsetStaysOpenBesideWritesUntilClosed) {
    auto connection = Open();
    for (int id = 1; id <= 3; ++id) connection->Execute(Format("INSERT INTO SETTINGS (ID) VALUES (%d)", id));
    auto outer = connection->Execute("SELECT ID FROM SETTINGS WHERE ID >= 1");
    for (int n = 0; n < 6; ++n) {
        const int id = n % 3 + 1;
        EXPECT_EQ(connection->Execute(Format("SELECT %d AS C FROM SETTINGS WHERE ID = %d", n, id))->GetField("C").ToInt32(), n);
        connection->Execute(Format("UPDATE SETTINGS SET ALLOW_ANONYMOUS = %d WHERE ID = %d", -id, id));
    }
    outer->MoveNext();
    EXPECT_EQ(outer->GetField("ID").ToInt32(), 2);
    auto none = connection->Execute("SELECT ID FROM SETTINGS WHERE ID < 0");
    EXPECT_EQ(ErrorOf([&] { none->GetField("ID"); }).Description(), "Either BOF or EOF is True, or the current record has been "
                                                          "deleted. Requested operation requires a current record.");
    EXPECT_EQ(ErrorOf([&] { connection->Execute("DELETE FROM V")->IsEOF(); }).Error(), hr::kObjectClosed);
    EXPECT_EQ(raw().Query("SELECT group_concat(ALLOW_ANONYMOUS) FROM SETTINGS"), "-1,-2,-3");
    outer->Close();  // its statement ends its read, though kept for the next use of its text
    EXPECT_EQ(raw().TryExec("BEGIN EXCLUSIVE; COMMIT;"), SQLITE_OK);
    outer = connection->Execute("SELECT ID FROM SETTINGS WHERE ID >= 1");
    connection->Close();
    EXPECT_EQ(ErrorOf([&] { outer->MoveNext(); }).Error(), hr::kObjectClosed);
    EXPECT_EQ(raw().TryExec("BEGIN EXCLUSIVE; DELETE FROM SETTINGS; COMMIT;"), SQLITE_OK);  // no lock left behind
}

TEST_F(SqliteProvider, TransactionsNestAsSavepointsAndRollBack) {
    auto connection = Open();
    for (const char* step : {"B", "1", "B", "2", "R", "C", "B", "3", "R", "B", "4"}) {
        if (*step == 'B') connection->BeginTrans();
        else if (*step == 'C') connection->CommitTrans();
        else if (*step == 'R') connection->RollbackTrans();
        else connection->Execute(Format("INSERT INTO SETTINGS (ID) VALUES (%s)", step));
    }
    connection->Close();  // with the last transaction open
    EXPECT_EQ(raw().Query("SELECT group_concat(ID) FROM SETTINGS"), "1");
    EXPECT_EQ(ErrorOf([&] { Open()->CommitTrans(); }).Description(), "CommitTrans without BeginTrans: no transaction is active.");
}

TEST_F(SqliteProvider, CommandTimeoutInterruptsARunawayStatement) {
    auto connection = Open(1);
    const auto start = Clock::now();
    const _com_error e = ErrorOf([&] {
        connection->Execute("WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C) SELECT count(*) FROM C");
    });
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(e.Error(), hr::kTimeout);
    EXPECT_EQ(connection->Execute("SELECT count(*) AS N FROM SETTINGS")->GetField("N").ToInt32(), 0);
}

}  // namespace
}  // namespace veltmoor::test
