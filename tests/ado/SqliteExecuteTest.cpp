// Statements and recordsets through the SQLite provider: the Jet dialect the
// program sends, lazy recordsets, values, transactions and timeouts.
#include <gtest/gtest.h>

#include <chrono>

#include "base/CString.h"
#include "db/ado/Connection.h"
#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

class SqliteExecute : public SqliteTest {
protected:
    SqliteExecute() {
        raw().Exec(
            "CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ALLOW_ANONYMOUS BIT DEFAULT 0);"
            "CREATE TABLE FOLDERS (ID INTEGER PRIMARY KEY AUTOINCREMENT, ACCOUNT_ID INTEGER, ROOT_ID INTEGER,"
            " NAME VARCHAR(255), ALIAS VARCHAR(255));"
            "CREATE TABLE V (I INTEGER, R REAL, T TEXT, B BLOB, N INTEGER);"
            "INSERT INTO V VALUES (-9007199254740993, 2.5, 'Grüße, 世界', x'00ff41', NULL);");
        connection_ = Open();
    }
    ado::ConnectionPtr connection_;
};

TEST_F(SqliteExecute, RowStatementsGiveOpenRecordsetsOthersClosed) {
    auto insert = connection_->Execute("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)");
    EXPECT_EQ(insert->State(), ado::adStateClosed);
    HRESULT code = 0;
    ErrorOf([&] { insert->IsEOF(); }, &code);
    EXPECT_EQ(code, hr::kObjectClosed);

    auto empty = connection_->Execute("SELECT ID FROM SETTINGS WHERE ID = 12345");
    EXPECT_EQ(empty->State(), ado::adStateOpen);
    EXPECT_TRUE(empty->IsEOF());
    code = 0;
    ErrorOf([&] { empty->GetField("ID"); }, &code);
    EXPECT_EQ(code, hr::kNoCurrentRecord);
    ErrorOf([&] { empty->MoveNext(); }, &code);
    EXPECT_EQ(code, hr::kNoCurrentRecord);
    empty->Close();
    EXPECT_EQ(empty->State(), ado::adStateClosed);
    code = 0;
    ErrorOf([&] { empty->Close(); }, &code);
    EXPECT_EQ(code, hr::kObjectClosed);
}

TEST_F(SqliteExecute, ValuesKeepTheirKinds) {
    auto rs = connection_->Execute("SELECT I, R, T, B, N FROM V");
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->GetField("i"), _variant_t(std::int64_t{-9007199254740993}));
    EXPECT_EQ(rs->GetField("R"), _variant_t(2.5));
    EXPECT_EQ(rs->GetField("t").ToString(), "Grüße, 世界");
    EXPECT_EQ(rs->GetField("B").AsText(), std::string("\0\xff" "A", 3));
    EXPECT_TRUE(rs->GetField("N").IsNull());
    EXPECT_THROW((void)rs->GetField("N").ToInt32(), _com_error);
    HRESULT code = 0;
    ErrorOf([&] { rs->GetField("NOPE"); }, &code);
    EXPECT_EQ(code, hr::kItemNotFound);
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
}

TEST_F(SqliteExecute, NonAsciiTextRoundTrips) {
    connection_->Execute("INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(1,-1,'/srv/ftp/Jürgen Ø','/')");
    auto rs = connection_->Execute("SELECT [NAME] FROM FOLDERS WHERE ALIAS = '/'");
    EXPECT_EQ(rs->GetField("NAME").ToString(), "/srv/ftp/Jürgen Ø");
    EXPECT_EQ(raw().Scalar("SELECT NAME FROM FOLDERS"), "/srv/ftp/Jürgen Ø");
}

TEST_F(SqliteExecute, Identity) {
    raw().Exec("INSERT INTO SETTINGS (ID, ALLOW_ANONYMOUS) VALUES (41, 1)");
    connection_->Execute("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)");
    auto rs = connection_->Execute("SELECT @@IDENTITY AS ID");
    EXPECT_EQ(rs->GetField("ID").ToInt32(), 42);
    rs->Close();
    // Another connection's insert does not change this connection's answer.
    raw().Exec("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)");
    EXPECT_EQ(connection_->Execute("select @@identity as id")->GetField("ID").ToInt32(), 42);
    connection_->Execute("INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(7,-1,'a @@IDENTITY b','/')");
    const int folder = connection_->Execute("SELECT @@IDENTITY AS ID;")->GetField("ID").ToInt32();
    EXPECT_EQ(folder, 1);
    connection_->Execute(Format("UPDATE FOLDERS SET ROOT_ID=%d WHERE ID=%d;", folder, folder));
    // Inside a string literal @@IDENTITY stays text.
    EXPECT_EQ(raw().Scalar("SELECT NAME || '|' || ROOT_ID FROM FOLDERS"), "a @@IDENTITY b|1");
}

TEST_F(SqliteExecute, BadSqlRaisesWithSqliteMessage) {
    struct Case {
        const char* sql;
        HRESULT code;
        const char* fragment;
    };
    const Case cases[] = {
        {"SELEKT 1", hr::kErrorsInCommand, "syntax error"},
        {"SELECT NOPE FROM SETTINGS", hr::kErrorsInCommand, "no such column: NOPE"},
        {"SELECT ID FROM NOPE WHERE ID = 3", hr::kNoTable, "no such table: NOPE"},
        {"INSERT INTO SETTINGS (ID) VALUES (1); INSERT INTO SETTINGS (ID) VALUES (2)", hr::kErrorsInCommand,
         "Characters found after end of SQL statement"},
        {"  ;  ", hr::kErrorsInCommand, "empty"},
        {"SELECT 'open", hr::kErrorsInCommand, "unrecognized token"},
    };
    for (const auto& c : cases) {
        HRESULT code = 0;
        const std::string description = ErrorOf([&] { connection_->Execute(c.sql); }, &code);
        EXPECT_EQ(code, c.code) << c.sql << ": " << description;
        EXPECT_NE(description.find(c.fragment), std::string::npos) << c.sql << ": " << description;
    }
    raw().Exec("INSERT INTO SETTINGS (ID) VALUES (5)");
    HRESULT code = 0;
    const std::string duplicate =
        ErrorOf([&] { connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (5)"); }, &code);
    EXPECT_EQ(code, hr::kIntegrityViolation);
    EXPECT_NE(duplicate.find("UNIQUE constraint failed"), std::string::npos) << duplicate;
    // None of the failed multi-statement text ran.
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM SETTINGS"), "1");
}

TEST_F(SqliteExecute, StatementsOfOneShapeGetTheirOwnValues) {
    for (int id = 1; id <= 5; ++id)
        connection_->Execute(Format("INSERT INTO SETTINGS (ID, ALLOW_ANONYMOUS) VALUES (%d, %d)", id * 10, id % 2));
    for (int id = 1; id <= 5; ++id) {
        auto rs = connection_->Execute(Format("SELECT ID, ALLOW_ANONYMOUS FROM SETTINGS WHERE ID = %d", id * 10));
        ASSERT_FALSE(rs->IsEOF());
        EXPECT_EQ(rs->GetField("ID").ToInt32(), id * 10);
        EXPECT_EQ(rs->GetField("ALLOW_ANONYMOUS").ToInt32(), id % 2);
    }
    EXPECT_TRUE(connection_->Execute("SELECT ID FROM SETTINGS WHERE ID = -10")->IsEOF());
    connection_->Execute("UPDATE SETTINGS SET ALLOW_ANONYMOUS = -1 WHERE ID = 30");
    EXPECT_EQ(raw().Scalar("SELECT ALLOW_ANONYMOUS FROM SETTINGS WHERE ID = 30"), "-1");
    // Literals that must stay literals: result columns, ORDER BY positions, names.
    auto one = connection_->Execute("SELECT 1, 2 AS TWO FROM SETTINGS WHERE ID = 10 ORDER BY 1");
    EXPECT_EQ(one->GetField("1").ToInt32(), 1);
    EXPECT_EQ(one->GetField("TWO").ToInt32(), 2);
    auto ordered = connection_->Execute("SELECT ALLOW_ANONYMOUS, ID FROM SETTINGS WHERE ID > 5 ORDER BY 2 DESC LIMIT 2");
    EXPECT_EQ(ordered->GetField("ID").ToInt32(), 50);
    ordered->MoveNext();
    EXPECT_EQ(ordered->GetField("ID").ToInt32(), 40);
    ordered->MoveNext();
    EXPECT_TRUE(ordered->IsEOF());
    // A number too big for an integer stays the real SQLite reads it as.
    EXPECT_TRUE(connection_->Execute("SELECT ID FROM SETTINGS WHERE ID = 99999999999999999999")->IsEOF());
    auto typed = connection_->Execute("SELECT typeof(ID) AS T FROM SETTINGS WHERE CAST(ID AS VARCHAR(10)) = '10'");
    EXPECT_EQ(typed->GetField("T").ToString(), "integer");
}

TEST_F(SqliteExecute, SeveralRecordsetsOpenAtOnce) {
    for (int id = 1; id <= 3; ++id) connection_->Execute(Format("INSERT INTO SETTINGS (ID) VALUES (%d)", id));
    auto outer = connection_->Execute("SELECT ID FROM SETTINGS");
    auto sameShape1 = connection_->Execute("SELECT ID FROM SETTINGS WHERE ID = 1");
    auto sameShape2 = connection_->Execute("SELECT ID FROM SETTINGS WHERE ID = 2");
    EXPECT_EQ(sameShape1->GetField("ID").ToInt32(), 1);
    EXPECT_EQ(sameShape2->GetField("ID").ToInt32(), 2);
    int seen = 0;
    while (!outer->IsEOF()) {
        const int id = outer->GetField("ID").ToInt32();
        auto inner = connection_->Execute(Format("SELECT ID FROM SETTINGS WHERE ID = %d", id));
        EXPECT_EQ(inner->GetField("ID").ToInt32(), id);
        // Writing while reading on the same connection, as the account repair does.
        connection_->Execute(Format("UPDATE SETTINGS SET ALLOW_ANONYMOUS = %d WHERE ID = %d", id, id));
        outer->MoveNext();
        ++seen;
    }
    EXPECT_EQ(seen, 3);
    outer->MoveFirst();
    EXPECT_EQ(outer->GetField("ID").ToInt32(), 1);
    sameShape2->MoveFirst();
    EXPECT_EQ(sameShape2->GetField("ID").ToInt32(), 2);
    EXPECT_EQ(raw().Scalar("SELECT group_concat(ALLOW_ANONYMOUS) FROM SETTINGS"), "1,2,3");
}

TEST_F(SqliteExecute, MoreShapesThanTheCacheKeeps) {
    for (int id = 1; id <= 3; ++id) connection_->Execute(Format("INSERT INTO SETTINGS (ID) VALUES (%d)", id));
    auto held = connection_->Execute("SELECT ID FROM SETTINGS WHERE ID >= 1");
    // Two hundred shapes push every kept statement out, the held one's shape included.
    for (int n = 0; n < 200; ++n) {
        auto rs = connection_->Execute(Format("SELECT ID AS C%d FROM SETTINGS WHERE ID = %d", n, n % 3 + 1));
        EXPECT_EQ(rs->GetField(Format("C%d", n)).ToInt32(), n % 3 + 1);
    }
    held->MoveNext();
    EXPECT_EQ(held->GetField("ID").ToInt32(), 2);
    held->Close();
    EXPECT_EQ(connection_->Execute("SELECT ID FROM SETTINGS WHERE ID >= 3")->GetField("ID").ToInt32(), 3);
}

TEST_F(SqliteExecute, ClosingTheConnectionClosesItsRecordsets) {
    connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (1)");
    auto rs = connection_->Execute("SELECT ID FROM SETTINGS");
    connection_->Close();
    EXPECT_EQ(rs->State(), ado::adStateClosed);
    HRESULT code = 0;
    ErrorOf([&] { rs->MoveNext(); }, &code);
    EXPECT_EQ(code, hr::kObjectClosed);
}

TEST_F(SqliteExecute, RecordsetOutlivesItsReleasedConnection) {
    for (int id = 1; id <= 2; ++id) connection_->Execute(Format("INSERT INTO SETTINGS (ID) VALUES (%d)", id));
    auto rs = Open()->Execute("SELECT ID FROM SETTINGS");  // the connection object is gone at once
    EXPECT_EQ(rs->GetField("ID").ToInt32(), 1);
    rs->MoveNext();
    EXPECT_EQ(rs->GetField("ID").ToInt32(), 2);
    rs->Close();
}

TEST_F(SqliteExecute, OpenRecordsetReleasesItsLockWhenClosed) {
    for (int id = 1; id <= 3; ++id) connection_->Execute(Format("INSERT INTO SETTINGS (ID) VALUES (%d)", id));
    auto rs = connection_->Execute("SELECT ID FROM SETTINGS");
    rs->Close();
    RawDb other(dbPath(), false);
    EXPECT_EQ(other.TryExec("BEGIN EXCLUSIVE; DELETE FROM SETTINGS; COMMIT;"), SQLITE_OK);
}

TEST_F(SqliteExecute, RolledBackTransactionLeavesNothingBehind) {
    connection_->BeginTrans();
    connection_->Execute("INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)");
    connection_->Execute("INSERT INTO FOLDERS (ACCOUNT_ID,ROOT_ID,[NAME],ALIAS) VALUES(1,-1,'x','/')");
    connection_->RollbackTrans();
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM SETTINGS"), "0");
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM FOLDERS"), "0");

    connection_->BeginTrans();
    connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (1)");
    connection_->CommitTrans();
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM SETTINGS"), "1");
}

TEST_F(SqliteExecute, NestedTransactionsAreSavepoints) {
    connection_->BeginTrans();
    connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (1)");
    connection_->BeginTrans();
    connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (2)");
    connection_->RollbackTrans();  // only the inner level
    connection_->BeginTrans();
    connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (3)");
    connection_->CommitTrans();
    connection_->CommitTrans();
    EXPECT_EQ(raw().Scalar("SELECT group_concat(ID) FROM SETTINGS"), "1,3");

    HRESULT code = 0;
    const std::string description = ErrorOf([&] { connection_->CommitTrans(); }, &code);
    EXPECT_NE(description.find("no transaction is active"), std::string::npos);
    EXPECT_EQ(code, static_cast<HRESULT>(0x8004D00E));
    EXPECT_THROW(connection_->RollbackTrans(), _com_error);
}

TEST_F(SqliteExecute, ClosingWithAnOpenTransactionRollsItBack) {
    connection_->BeginTrans();
    connection_->Execute("INSERT INTO SETTINGS (ID) VALUES (1)");
    connection_->Close();
    EXPECT_EQ(raw().Scalar("SELECT count(*) FROM SETTINGS"), "0");
}

TEST_F(SqliteExecute, CommandTimeoutInterruptsARunawayStatement) {
    connection_->PutCommandTimeout(1);
    const auto start = std::chrono::steady_clock::now();
    HRESULT code = 0;
    const std::string description = ErrorOf(
        [&] {
            connection_->Execute(
                "WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C) SELECT count(*) FROM C");
        },
        &code);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(code, hr::kTimeout);
    EXPECT_NE(description.find("timeout"), std::string::npos) << description;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(5));
    // The connection is usable afterwards, and long work under the limit is not cut off.
    EXPECT_EQ(connection_->Execute("SELECT count(*) AS N FROM SETTINGS")->GetField("N").ToInt32(), 0);
    connection_->PutCommandTimeout(0);
    EXPECT_EQ(connection_->Execute("WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C WHERE X < 200000) "
                                   "SELECT count(*) AS N FROM C")
                  ->GetField("N")
                  .ToInt32(),
              200000);
}

}  // namespace
}  // namespace veltmoor::test
