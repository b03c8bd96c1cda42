// The scripted SQL Server itself: rules, record, transactions and the catalog.
#include "tests/support/ScriptedConnection.h"

#include "db/ado/Adox.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

HRESULT CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return 0;
}

TEST(ScriptedConnection, AnswersRowsFailuresAndClosedByDefault) {
    ScriptedConnection sql;
    sql.On("select 1 as X").Return(Rows{{"X"}, {{7}, {8}}});
    sql.On(StartsWith("ALTER TABLE")).Fail(hr::kErrorsInCommand, "[42000] no");
    auto c = sql.Open();
    EXPECT_EQ(c->Provider(), "SQLOLEDB.1");
    EXPECT_EQ(c->Version(), "2.8");

    auto rs = c->Execute("select 1 as X");
    ASSERT_EQ(rs->State(), ado::adStateOpen);
    EXPECT_EQ(rs->GetField("x").ToInt32(), 7);
    rs->MoveNext();
    EXPECT_EQ(rs->GetField("X").ToInt32(), 8);
    rs->MoveNext();
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(CodeOf([&] { rs->GetField("X"); }), hr::kNoCurrentRecord);
    EXPECT_EQ(CodeOf([&] { rs->MoveNext(); }), hr::kNoCurrentRecord);

    try {
        c->Execute("ALTER TABLE T ADD X int");
        FAIL() << "no error";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), hr::kErrorsInCommand);
        EXPECT_EQ(e.Description(), "[42000] no");
        EXPECT_EQ(e.Source(), kSqlServerSource);
    }
    auto closed = c->Execute("UPDATE T SET X = 1");
    EXPECT_EQ(closed->State(), ado::adStateClosed);
    EXPECT_EQ(CodeOf([&] { closed->IsEOF(); }), hr::kObjectClosed);
    EXPECT_THAT(sql.Unscripted(), ElementsAre("UPDATE T SET X = 1"));
    EXPECT_THAT(sql.Statements(), ElementsAre("select 1 as X", "ALTER TABLE T ADD X int", "UPDATE T SET X = 1"));
}

TEST(ScriptedConnection, NewestRuleFirstAnswersInTurnAndTimesRetires) {
    ScriptedConnection sql;
    sql.On(HasSubstr("Q")).Return(Rows{{"V"}, {{0}}});
    sql.On("Q").Return(Rows{{"V"}, {{1}}}).Return(Rows{{"V"}, {{2}}});
    sql.On("Q").Fail(hr::kFail).Times(1);
    auto c = sql.Open();
    EXPECT_EQ(CodeOf([&] { c->Execute("Q"); }), hr::kFail);
    EXPECT_EQ(c->Execute("Q")->GetField("V").ToInt32(), 1);
    EXPECT_EQ(c->Execute("Q")->GetField("V").ToInt32(), 2);
    EXPECT_EQ(c->Execute("Q")->GetField("V").ToInt32(), 2);
    EXPECT_EQ(c->Execute("xQx")->GetField("V").ToInt32(), 0);
    EXPECT_TRUE(sql.Unscripted().empty());
}

TEST(ScriptedConnection, StrictModeFailsUnscriptedStatements) {
    ScriptedConnection sql;
    sql.Strict();
    sql.On("known").ReturnClosed();
    auto c = sql.Open();
    EXPECT_EQ(CodeOf([&] { c->Execute("known"); }), 0);
    EXPECT_EQ(CodeOf([&] { c->Execute("unknown"); }), hr::kErrorsInCommand);
    EXPECT_THAT(sql.Unscripted(), ElementsAre("unknown"));
}

TEST(ScriptedConnection, FactoryConnectionsShareTheRecordAndRecordCalls) {
    ScriptedConnection sql;
    auto factory = sql.Factory();
    auto first = factory();
    EXPECT_EQ(first->State(), ado::adStateClosed);
    EXPECT_EQ(CodeOf([&] { first->Execute("x"); }), hr::kObjectClosed);
    first->Open("Provider=SQLOLEDB.1;Data Source=srv", "", "", 0);
    first->Close();
    auto second = factory();
    second->PutCursorLocation(ado::adUseClient);
    second->Open("Provider=SQLOLEDB.1;Data Source=srv", "", "", 0);
    second->PutCommandTimeout(180);
    second->Execute("select 1");
    EXPECT_EQ(sql.ConnectionsMade(), 2);
    EXPECT_THAT(sql.Calls(), ElementsAre("Open(Provider=SQLOLEDB.1;Data Source=srv)", "Close()",
                                         "PutCursorLocation(3)", "Open(Provider=SQLOLEDB.1;Data Source=srv)",
                                         "PutCommandTimeout(180)", "Execute(select 1)"));
    EXPECT_EQ(CodeOf([&] { second->Open("again", "", "", 0); }), hr::kObjectOpen);

    sql.OnCall(StartsWith("Open(")).Fail(hr::kDataSourceFailed, "[08001] server not found");
    EXPECT_EQ(CodeOf([&] { factory()->Open("x", "", "", 0); }), hr::kDataSourceFailed);
}

TEST(ScriptedConnection, TransactionsAreMarkedAndRollbackRestoresTheCatalog) {
    ScriptedConnection sql;
    sql.AnswerFromCatalog();
    sql.AddTable("ACCOUNTS", {Col("ID").Identity(), Col("NAME", ado::adVarWChar, 255)}, {}, 3);
    auto c = sql.Open();
    c->BeginTrans();
    c->Execute("DROP TABLE ACCOUNTS");
    EXPECT_EQ(sql.Catalog().Find("accounts"), nullptr);
    EXPECT_EQ(CodeOf([&] { c->Close(); }), static_cast<HRESULT>(0x800A0CAE));
    c->RollbackTrans();
    ASSERT_NE(sql.Catalog().Find("ACCOUNTS"), nullptr);
    EXPECT_EQ(sql.Catalog().Find("ACCOUNTS")->rowCount, 3);
    EXPECT_EQ(CodeOf([&] { c->CommitTrans(); }), static_cast<HRESULT>(0x8004D00E));
    EXPECT_THAT(sql.Statements(), ElementsAre(kBegin, "DROP TABLE ACCOUNTS", kRollback, kCommit));

    sql.On(kBegin).Fail(hr::kFail, "no transactions today");
    EXPECT_EQ(CodeOf([&] { c->BeginTrans(); }), hr::kFail);
    EXPECT_EQ(sql.OpenTransactions(), 0);
}

TEST(ScriptedConnection, CatalogDdlIsRecordedAsTsqlAndReflected) {
    ScriptedConnection sql;
    sql.AddTable("RATIOS", {Col("ID").Identity(), Col("UL", ado::adInteger).Default(1)},
                 {Idx("PK_RATIOS", {"ID"}).Primary()});
    auto c = sql.Open();
    auto catalog = adox::Catalog::Create();
    catalog->PutActiveConnection(c);

    auto table = adox::Table::Create();
    table->PutName("COPY");
    auto id = adox::Column::Create();
    id->PutName("ID");
    id->PutParentCatalog(catalog);
    id->GetProperties()->Item("Autoincrement")->PutValue(_variant_t(true));
    table->GetColumns()->Append(id, ado::adInteger, 0);
    auto name = adox::Column::Create();
    name->PutName("NAME");
    name->PutParentCatalog(catalog);
    name->GetProperties()->Item("Nullable")->PutValue(_variant_t(true));
    table->GetColumns()->Append(name, ado::adVarWChar, 50);
    catalog->GetTables()->Append(table);

    auto index = adox::Index::Create();
    index->PutName("IX_NAME");
    index->GetColumns()->Append("NAME", ado::adVarWChar, 255);
    index->PutUnique(true);
    catalog->GetTables()->Item("COPY")->GetIndexes()->Append(index);

    catalog->GetTables()->Item("RATIOS")->GetColumns()->Item("UL")->GetProperties()->Item("Default")->PutValue(
        _variant_t(5));

    EXPECT_THAT(sql.Statements(),
                ElementsAre("CREATE TABLE [COPY] ([ID] int IDENTITY(1,1) NOT NULL, [NAME] nvarchar(50) NULL)",
                            "CREATE UNIQUE INDEX [IX_NAME] ON [COPY] ([NAME])",
                            "ALTER TABLE [RATIOS] ADD CONSTRAINT [DF_RATIOS_UL] DEFAULT 5 FOR [UL]"));
    const ScriptedTable* copy = sql.Catalog().Find("COPY");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->FindColumn("ID")->autoIncrement);
    EXPECT_EQ(copy->FindColumn("NAME")->type, ado::adVarWChar);  // the table's type, not the index's
    ASSERT_NE(copy->FindIndex("ix_name"), nullptr);
    EXPECT_EQ(sql.Catalog().Find("RATIOS")->FindColumn("UL")->defaultValue, _variant_t(5));

    // The server's refusals.
    EXPECT_EQ(CodeOf([&] { catalog->GetTables()->Append(table); }), hr::kObjectOpen);
    auto again = adox::Table::Create();
    again->PutName("copy");
    again->GetColumns()->Append("X", ado::adInteger, 0);
    EXPECT_EQ(CodeOf([&] { catalog->GetTables()->Append(again); }), hr::kErrorsInCommand);
    auto second = adox::Index::Create();
    second->PutName("PK2");
    second->PutPrimaryKey(true);
    second->GetColumns()->Append("UL", ado::adInteger, 0);
    EXPECT_EQ(CodeOf([&] { catalog->GetTables()->Item("RATIOS")->GetIndexes()->Append(second); }),
              hr::kErrorsInCommand);
    // SQL Server cannot add the identity property to an existing column.
    EXPECT_EQ(CodeOf([&] {
                  catalog->GetTables()->Item("RATIOS")->GetColumns()->Item("UL")->GetProperties()->Item(
                      "Autoincrement")->PutValue(_variant_t(true));
              }),
              hr::kNotSupported);
    sql.On(StartsWith("CREATE INDEX")).Fail(hr::kIntegrityViolation, "duplicate key");
    auto plain = adox::Index::Create();
    plain->PutName("IX_UL");
    plain->GetColumns()->Append("UL", ado::adInteger, 0);
    EXPECT_EQ(CodeOf([&] { catalog->GetTables()->Item("RATIOS")->GetIndexes()->Append(plain); }),
              hr::kIntegrityViolation);
    EXPECT_EQ(sql.Catalog().Find("RATIOS")->FindIndex("IX_UL"), nullptr);
}

TEST(ScriptedConnection, AnswersTheChecksStatementsFromTheCatalog) {
    ScriptedConnection sql;
    sql.AnswerFromCatalog();
    sql.AddTable("ACCOUNTS", {Col("ID"), Col("NAME", ado::adVarWChar, 255), Col("QUOTA").Default(0)},
                 {Idx("PK_ACCOUNTS", {"ID"}).Primary()}, 4);
    auto c = sql.Open();
    auto value = [&](const std::string& q) { return c->Execute(q)->GetField("V"); };
    EXPECT_EQ(value("select columnproperty(object_id('ACCOUNTS'),'ID','IsIdentity') as V"), _variant_t(0));
    EXPECT_EQ(value("select columnproperty(object_id('ACCOUNTS'),'NAME','AllowsNull') as V"), _variant_t(1));
    EXPECT_TRUE(value("select columnproperty(object_id('NOPE'),'ID','IsIdentity') as V").IsNull());

    auto rs = c->Execute("exec sp_helpconstraint ACCOUNTS, nomsg");
    ASSERT_EQ(rs->State(), ado::adStateOpen);
    EXPECT_EQ(rs->GetField("constraint_type").ToString(), "PRIMARY KEY (clustered)");
    rs->MoveNext();
    EXPECT_EQ(rs->GetField("constraint_type").ToString(), "DEFAULT on column QUOTA");
    EXPECT_EQ(CodeOf([&] { c->Execute("exec sp_helpconstraint NOPE, nomsg"); }), hr::kErrorsInCommand);

    c->Execute("ALTER TABLE ACCOUNTS WITH CHECK ADD CONSTRAINT DF__ACCOUNTS__BLOCK__ DEFAULT -5 FOR NAME");
    EXPECT_EQ(sql.Catalog().Find("ACCOUNTS")->FindColumn("NAME")->defaultValue, _variant_t(-5));
    EXPECT_EQ(CodeOf([&] {
                  c->Execute("ALTER TABLE ACCOUNTS WITH CHECK ADD CONSTRAINT DF__ACCOUNTS__BLOCK__ DEFAULT 1 FOR ID");
              }),
              hr::kErrorsInCommand);  // the constraint name is taken

    // The rebuild's statements.
    sql.AddTable("ACCOUNTS_1", {Col("ID").Identity(), Col("NAME", ado::adVarWChar, 255), Col("QUOTA")});
    const std::string copy =
        "IF EXISTS(SELECT * FROM ACCOUNTS) EXEC('INSERT INTO ACCOUNTS_1 (ID, NAME, QUOTA) SELECT ID, NAME, QUOTA FROM "
        "ACCOUNTS TABLOCKX')";
    EXPECT_EQ(CodeOf([&] { c->Execute(copy); }), hr::kErrorsInCommand);  // IDENTITY_INSERT is off
    EXPECT_EQ(CodeOf([&] { c->Execute("SET IDENTITY_INSERT ACCOUNTS ON"); }), hr::kErrorsInCommand);
    c->Execute("SET IDENTITY_INSERT ACCOUNTS_1 ON");
    c->Execute(copy);
    c->Execute("SET IDENTITY_INSERT ACCOUNTS_1 OFF");
    EXPECT_EQ(sql.Catalog().Find("ACCOUNTS_1")->rowCount, 4);
    c->Execute("DROP TABLE ACCOUNTS");
    c->Execute("EXECUTE sp_rename N'ACCOUNTS_1', N'ACCOUNTS', 'OBJECT'");
    EXPECT_THAT(sql.Catalog().TableNames(), ElementsAre("ACCOUNTS"));
    EXPECT_EQ(CodeOf([&] { c->Execute("DROP TABLE NOPE"); }), hr::kNoTable);
}

TEST(TempDir, MakesWritesAndRemovesItsFolder) {
    std::filesystem::path kept;
    {
        TempDir dir;
        kept = dir.path();
        EXPECT_TRUE(std::filesystem::is_directory(kept));
        EXPECT_EQ(dir.Folder().back(), '/');
        EXPECT_EQ(dir.Write("sub/b.txt", "x"), dir.Folder() + "sub/b.txt");
        EXPECT_TRUE(std::filesystem::exists(dir.File("sub/b.txt")));
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace veltmoor::test
