// Transactions through the ODBC provider.
#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

Table Ids(const ConnectionPtr& c) { return Rows(c->Execute("SELECT ID FROM T ORDER BY ID"), {"ID"}); }

TEST_F(OdbcSqliteTest, RolledBackTransactionLeavesNothing) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE T (ID integer)");
    c->BeginTrans();
    c->Execute("INSERT INTO T VALUES (1)");
    c->Execute("CREATE TABLE T2 (ID integer)");
    EXPECT_EQ(Ids(c), (Table{{"1"}}));  // the transaction sees its own work
    c->RollbackTrans();
    EXPECT_EQ(Ids(c), Table{});
    EXPECT_EQ(ErrorOf([&] { c->Execute("SELECT * FROM T2"); }).HasErrorInfo(), true);

    // Autocommit is back: this insert survives a new connection.
    c->Execute("INSERT INTO T VALUES (2)");
    c->Close();
    EXPECT_EQ(Ids(Open()), (Table{{"2"}}));
}

TEST_F(OdbcSqliteTest, CommittedTransactionIsVisibleToOthers) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE T (ID integer)");
    c->BeginTrans();
    c->Execute("INSERT INTO T VALUES (1)");
    c->Execute("INSERT INTO T VALUES (2)");
    c->CommitTrans();
    EXPECT_EQ(Ids(Open()), (Table{{"1"}, {"2"}}));
}

TEST_F(OdbcSqliteTest, TransactionCallsOutOfOrderRaise) {
    ConnectionPtr c = Open();
    EXPECT_EQ(ErrorOf([&] { c->CommitTrans(); }).Error(), hr::kFail);
    EXPECT_EQ(ErrorOf([&] { c->RollbackTrans(); }).Error(), hr::kFail);
    c->BeginTrans();
    EXPECT_EQ(ErrorOf([&] { c->BeginTrans(); }).Error(), hr::kNotSupported);
    c->CommitTrans();
    EXPECT_EQ(ErrorOf([&] { c->CommitTrans(); }).Error(), hr::kFail);
}

TEST_F(OdbcSqliteTest, ClosingRollsBackAnUnfinishedTransaction) {
    ConnectionPtr c = Open();
    c->Execute("CREATE TABLE T (ID integer)");
    c->BeginTrans();
    c->Execute("INSERT INTO T VALUES (1)");
    c->Close();  // as the reconnect after a failed table rebuild does
    EXPECT_EQ(c->State(), adStateClosed);
    ConnectionPtr again = CreateConnection();
    again->Open(ConnectionString(), "", "", 0);
    EXPECT_EQ(Ids(again), Table{});

    // Dropping the last reference to an open connection in a transaction rolls back too.
    {
        ConnectionPtr dropped = Open();
        dropped->BeginTrans();
        dropped->Execute("INSERT INTO T VALUES (5)");
    }
    EXPECT_EQ(Ids(again), Table{});
}

}  // namespace
}  // namespace veltmoor::ado::test
