// The table check on real embedded databases: damage, check, repair, check again.
#include <algorithm>
#include <filesystem>

#include "tests/schema/SchemaFixture.h"

namespace veltmoor::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

const char* const kExampleTables[] = {"ACCOUNTS", "SETTINGS", "QUOTAS", "RATIOS", "FOLDERS"};

// The main pass over the example description when only FOLDERS has findings.
std::vector<LineMatcher> ExampleMainPass(std::vector<LineMatcher> folders) {
    return Join({CleanTable("ACCOUNTS"), CleanTable("SETTINGS"), CleanTable("QUOTAS"), CleanTable("RATIOS"),
                 TableBlock("FOLDERS", std::move(folders))});
}

class ExampleDatabase : public EmbeddedSchemaTest {
protected:
    void SetUp() override {
        UseExampleTablesXml();
        CreateExampleDatabase();
    }
};

TEST_F(ExampleDatabase, LacksOneIndexWhichTheRepairCreates) {
    const auto before = Query("SELECT COUNT(*) AS N FROM ACCOUNTS", {"N"});

    EXPECT_THAT(CheckTables(false),
                ElementsAreArray(Join({{Line("  ")}, ExampleMainPass({Line("Missing [IX_FOLDERS_ACCOUNT] Index")})})));
    EXPECT_EQ(Dialog().m_tally.findings, 1);
    EXPECT_EQ(Dialog().m_tally.fixed, 0);

    EXPECT_THAT(CheckTables(true), ElementsAreArray(Join({{Line("  ")}, ExampleMainPass({Line(
                                                                        "Missing [IX_FOLDERS_ACCOUNT] Index - FIXED")})})));
    EXPECT_EQ(Dialog().m_tally.findings, 1);
    EXPECT_EQ(Dialog().m_tally.fixed, 1);
    EXPECT_EQ(Dialog().m_tally.errors, 0);

    // Checked again: clean.
    EXPECT_THAT(CheckTables(false), ElementsAreArray(Join({{Line("  ")}, ExampleMainPass({})})));
    EXPECT_EQ(Dialog().m_tally.findings, 0);

    EXPECT_THAT(Query("SELECT name, \"unique\" AS u FROM pragma_index_list('FOLDERS') WHERE name = 'IX_FOLDERS_ACCOUNT'",
                      {"name", "u"}),
                ElementsAre(ElementsAre("IX_FOLDERS_ACCOUNT", "0")));
    EXPECT_THAT(Query("SELECT name FROM pragma_index_info('IX_FOLDERS_ACCOUNT')", {"name"}),
                ElementsAre(ElementsAre("ACCOUNT_ID")));
    EXPECT_EQ(Query("SELECT COUNT(*) AS N FROM ACCOUNTS", {"N"}), before);
    EXPECT_EQ(Scalar("PRAGMA integrity_check", "integrity_check"), "ok");
}

TEST_F(ExampleDatabase, MatchingDatabaseGetsOnlyHeadersAndClosingLines) {
    Exec("CREATE INDEX IX_FOLDERS_ACCOUNT ON FOLDERS(ACCOUNT_ID)");
    for (bool fix : {false, true}) {
        SCOPED_TRACE(fix);
        EXPECT_THAT(CheckTables(fix), ElementsAreArray(Join({{Line("  ")}, ExampleMainPass({})})));
        EXPECT_EQ(Dialog().m_tally.findings, 0);
        EXPECT_EQ(Dialog().m_tally.errors, 0);
    }
}

TEST_F(ExampleDatabase, MissingTableGetsThreeRedLinesInTheMainPassOnly) {
    Exec("CREATE INDEX IX_FOLDERS_ACCOUNT ON FOLDERS(ACCOUNT_ID)");
    Exec("DROP TABLE QUOTAS");
    const auto expected = Join({
        {Line("  ")},
        CleanTable("ACCOUNTS"),
        CleanTable("SETTINGS"),
        TableBlock("QUOTAS",
                   {Line(4, "** Table [QUOTAS] could not be located!!"),
                    Line(4, "** If you are using sql server verify that the table is not owned by another user."),
                    Line(4, "** email: support@veltmoor.example for help.")}),
        CleanTable("RATIOS"),
        CleanTable("FOLDERS"),
    });
    EXPECT_THAT(CheckTables(false), ElementsAreArray(expected));
    // Missing tables are never created.
    EXPECT_THAT(CheckTables(true), ElementsAreArray(expected));
    EXPECT_EQ(Dialog().m_tally.findings, 1);
    EXPECT_EQ(Dialog().m_tally.fixed, 0);
}

TEST_F(ExampleDatabase, WithoutTablesXmlNeitherPassWritesAnything) {
    std::filesystem::remove(dir_.File("tables.xml"));
    EXPECT_THAT(CheckTables(false), ElementsAre(Line("  ")));
    EXPECT_THAT(CheckTables(true), ElementsAre(Line("  ")));
}

// Descriptions the check reads as they are: what it sees and what it skips.
struct DescriptionCase {
    const char* name;
    std::string xml;
    std::vector<std::string> tablesSeen;  // the headers of the main pass, in order
};

class Descriptions : public ExampleDatabase, public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(Descriptions, AreWalkedAsWritten) {
    Exec("CREATE INDEX IX_FOLDERS_ACCOUNT ON FOLDERS(ACCOUNT_ID)");
    WriteTablesXml(GetParam().xml);
    std::vector<LineMatcher> expected{Line("  ")};
    for (const auto& table : GetParam().tablesSeen) {
        auto block = CleanTable(table);
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_THAT(CheckTables(false), ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    TablesXml, Descriptions,
    ::testing::Values(
        DescriptionCase{"Malformed", "<VELTMOOR><TABLES><TABLE name=\"ACCOUNTS\"></TABLES>", {}},
        DescriptionCase{"Empty", "", {}},
        DescriptionCase{"UnnamedTables",
                        TablesXml("<TABLE/><TABLE name=\"\"/><TABLE Name=\"SETTINGS\"/><TABLE name=\"QUOTAS\"/>"),
                        {"QUOTAS"}},
        DescriptionCase{"DuplicateTables", TablesXml("<TABLE name=\"RATIOS\"/><TABLE name=\"ratios\"/>"),
                        {"RATIOS", "ratios"}},
        DescriptionCase{"LowerCaseElements",
                        "<VELTMOOR><tables><TABLE name=\"ACCOUNTS\"/></tables><TABLES><table name=\"SETTINGS\"/>"
                        "</TABLES></VELTMOOR>",
                        {}},
        DescriptionCase{"TableUnderAnotherParent",
                        TablesXml("<GROUP><TABLE name=\"ACCOUNTS\"/></GROUP><TABLE name=\"FOLDERS\"/>"), {"FOLDERS"}},
        DescriptionCase{"TablesAnywhereAndSeveral",
                        "<A><B><TABLES><TABLE name=\"SETTINGS\"/></TABLES></B><TABLES><TABLE name=\"QUOTAS\"/>"
                        "</TABLES></A>",
                        {"SETTINGS", "QUOTAS"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- columns ----

class SmallDatabase : public EmbeddedSchemaTest {};

TEST_F(SmallDatabase, MissingColumnsAreReportedInTheMainPassAndNeverCreated) {
    CreateDatabase({"CREATE TABLE T (ID INTEGER PRIMARY KEY, A INT, B INT)"});
    WriteTablesXml(TablesXml(R"(<TABLE name="t">
        <COLUMN name="A"/><COLUMN name=""/><COLUMN/><COLUMN name="b"/><COLUMN name="GONE" jetType="autonumber"/>
      </TABLE>)"));
    const auto schema = SchemaSql();
    const auto expected = Join({{Line("  ")}, TableBlock("t", {Line("Missing [] Column"), Line("Missing [] Column"),
                                                               Line("Missing [GONE] Column")})});
    EXPECT_THAT(CheckTables(false), ElementsAreArray(expected));
    EXPECT_THAT(CheckTables(true), ElementsAreArray(expected));
    EXPECT_EQ(Dialog().m_tally.findings, 3);
    EXPECT_EQ(SchemaSql(), schema);
}

TEST_F(SmallDatabase, TableWithoutColumnElementsStillHasItsIndexesChecked) {
    CreateDatabase({"CREATE TABLE T (ID INTEGER PRIMARY KEY, A INT)"});
    WriteTablesXml(TablesXml(R"(<TABLE name="T"><INDEX name="IX_A" key="A"/></TABLE>)"));
    // Without COLUMN elements no key column has a description, so no index can be made.
    EXPECT_THAT(CheckTables(true),
                ElementsAreArray(Join({{Line("  ")}, TableBlock("T", {Line("Missing [IX_A] Index - ATTEMPT TO FIX FAILED")})})));
}

// Missing defaults of each type: found, repaired where the description allows it,
// and found again only where it does not.
TEST_F(SmallDatabase, MissingDefaultsAreFoundAndRepaired) {
    CreateDatabase({
        "CREATE TABLE T (ID INTEGER PRIMARY KEY, I INT, NEG INT, TRAIL INT, LETTERS INT, B1 BIT, B2 BIT, D REAL, "
        "X INT, NODV INT, TXT TEXT DEFAULT '', HAS INT DEFAULT 3, NOTREQ INT)",
        "INSERT INTO T (ID, I) VALUES (1, 10)",
        "INSERT INTO T (ID, I) VALUES (2, 20)",
        "CREATE INDEX IX_T_I ON T(I)",
    });
    WriteTablesXml(TablesXml(R"(<TABLE name="T">
        <COLUMN name="ID" jetType="autonumber"/>
        <COLUMN name="I" hasdefaultvalue="true" defaultvalue="42" type="int"/>
        <COLUMN name="NEG" hasdefaultvalue="TRUE" defaultvalue="-5" type="INT"/>
        <COLUMN name="TRAIL" hasdefaultvalue="true" defaultvalue="12abc" type="int"/>
        <COLUMN name="LETTERS" hasdefaultvalue="true" defaultvalue="abc" type="int"/>
        <COLUMN name="B1" hasdefaultvalue="true" defaultvalue="TRUE" type="boolean"/>
        <COLUMN name="B2" hasdefaultvalue="true" defaultvalue="yes" type="Boolean"/>
        <COLUMN name="D" hasdefaultvalue="true" defaultvalue="2.75" type="double"/>
        <COLUMN name="X" hasdefaultvalue="true" defaultvalue="1" type="text"/>
        <COLUMN name="NODV" hasdefaultvalue="true" type="int"/>
        <COLUMN name="TXT" hasdefaultvalue="true" defaultvalue="1" type="int"/>
        <COLUMN name="HAS" hasdefaultvalue="true" defaultvalue="1" type="int"/>
        <COLUMN name="NOTREQ" hasdefaultvalue="yes" defaultvalue="1" type="int"/>
      </TABLE>)"));
    const char* const repairable[] = {"I", "NEG", "TRAIL", "LETTERS", "B1", "B2"};
    const char* const unrepairable[] = {"D", "X", "NODV"};

    std::vector<LineMatcher> found, fixed, left;
    for (const char* c : repairable) {
        found.push_back(Line(Format("Missing default value on [%s] column", c)));
        fixed.push_back(Line(Format("Missing default value on [%s] column - FIXED", c)));
    }
    for (const char* c : unrepairable) {
        found.push_back(Line(Format("Missing default value on [%s] column", c)));
        fixed.push_back(Line(Format("Missing default value on [%s] column - ATTEMPT TO FIX FAILED", c)));
        left.push_back(Line(Format("Missing default value on [%s] column", c)));
    }
    EXPECT_THAT(CheckTables(false), ElementsAreArray(Join({{Line("  ")}, TableBlock("T", found)})));
    EXPECT_EQ(Dialog().m_tally.findings, 9);
    // No error block: the unrepairable ones are not attempted.
    EXPECT_THAT(CheckTables(true), ElementsAreArray(Join({{Line("  ")}, TableBlock("T", fixed)})));
    EXPECT_EQ(Dialog().m_tally.fixed, 6);
    EXPECT_EQ(Dialog().m_tally.errors, 0);
    EXPECT_THAT(CheckTables(false), ElementsAreArray(Join({{Line("  ")}, TableBlock("T", left)})));

    // The values, as the catalog reads them back.
    ado::ConnectionPtr connection = ado::CreateConnection();
    connection->Open(ConnectionString(), "", "", 0);
    const auto columns = connection->Catalog()->Columns("T");
    auto defaultOf = [&](const std::string& c) {
        for (const auto& column : columns)
            if (column.name == c) return column.defaultValue;
        ADD_FAILURE() << "no column " << c;
        return _variant_t();
    };
    EXPECT_EQ(defaultOf("I").ToInt32(), 42);
    EXPECT_EQ(defaultOf("NEG").ToInt32(), -5);
    EXPECT_EQ(defaultOf("TRAIL").ToInt32(), 12);
    EXPECT_EQ(defaultOf("LETTERS").ToInt32(), 0);
    EXPECT_TRUE(defaultOf("B1").ToBool());
    EXPECT_FALSE(defaultOf("B2").ToBool());
    EXPECT_FALSE(defaultOf("B2").IsEmptyOrNull());
    EXPECT_TRUE(defaultOf("D").IsEmptyOrNull());
    connection->Close();

    // The rows and the index survived the repairs.
    EXPECT_THAT(Query("SELECT ID, I FROM T ORDER BY ID", {"ID", "I"}),
                ElementsAre(ElementsAre("1", "10"), ElementsAre("2", "20")));
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS N FROM pragma_index_list('T') WHERE name = 'IX_T_I'", "N"), "1");
    EXPECT_EQ(Scalar("PRAGMA integrity_check", "integrity_check"), "ok");
}

// ---- indexes ----

TEST_F(SmallDatabase, IndexesAreFoundByNameOrKeyAndMissingOnesCreated) {
    CreateDatabase({
        "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME NVARCHAR(255), CODE INT, A INT, B INT, DUP INT, BT INT, P INT)",
        "INSERT INTO T VALUES (1, 'one', 7, 1, 1, 5, 0, 1)",
        "INSERT INTO T VALUES (2, 'two', 7, 2, 2, 5, 0, 2)",
        "CREATE INDEX IX_OTHER ON T(A, B)",
    });
    WriteTablesXml(TablesXml(R"(<TABLE name="T">
        <INDEX name="PrimaryKey" key="ID" primary="yes" unique="yes"/>
        <INDEX name="ix_other" key="NAME" unique="yes"/>
        <INDEX name="IX_B" key="b"/>
        <INDEX name="IX_NAME" key="name" unique="YES"/>
        <INDEX name="IX_NAME_2" key="NAME"/>
        <INDEX name="IX_CODE" key="CODE"/>
        <INDEX name="IX_DUP" key="DUP" unique="yes"/>
        <INDEX name="IX_NOKEY"/>
        <INDEX name="IX_BT" key="BT"/>
        <INDEX name="IX_NOCOL" key="ZZZ"/>
        <INDEX name="IX_P" key="P" primary="true" unique="1"/>
        <COLUMN name="" sqlSType="int"/>
        <COLUMN name="ID" sqlSType="int"/>
        <COLUMN name="NAME" sqlSType="NVARCHAR"/>
        <COLUMN name="CODE"/>
        <COLUMN name="DUP" sqlSType="int"/>
        <COLUMN name="BT" sqlSType="float"/>
        <COLUMN name="BT" sqlSType="int"/>
        <COLUMN name="P" sqlSType="Int"/>
      </TABLE>)"));
    const char* const missing[] = {"IX_NAME", "IX_NAME_2", "IX_CODE", "IX_DUP", "IX_NOKEY", "IX_BT", "IX_NOCOL", "IX_P"};
    // The COLUMN element without a name is a missing column of its own.
    std::vector<LineMatcher> found{Line("Missing [] Column")};
    for (const char* i : missing) found.push_back(Line(Format("Missing [%s] Index", i)));
    EXPECT_THAT(CheckTables(false), ElementsAreArray(Join({{Line("  ")}, TableBlock("T", found)})));

    EXPECT_THAT(CheckTables(true), ElementsAreArray(Join({
                                       {Line("  ")},
                                       TableBlock("T", Join({
                                                           {Line("Missing [] Column"),
                                                            Line("Missing [IX_NAME] Index - FIXED"),
                                                            // IX_NAME_2 is found over the new IX_NAME's key.
                                                            Line("Missing [IX_CODE] Index - FIXED")},
                                                           // Duplicate values refuse a unique index.
                                                           ErrorBlock("CVeltmoorDlg::CreateIndex"),
                                                           {Line("Missing [IX_DUP] Index - ATTEMPT TO FIX FAILED"),
                                                            Line("Missing [IX_NOKEY] Index - ATTEMPT TO FIX FAILED"),
                                                            // The first BT description (float) decides.
                                                            Line("Missing [IX_BT] Index - ATTEMPT TO FIX FAILED"),
                                                            Line("Missing [IX_NOCOL] Index - ATTEMPT TO FIX FAILED"),
                                                            Line("Missing [IX_P] Index - FIXED")},
                                                       })),
                                   })));
    EXPECT_EQ(Dialog().m_tally.findings, 8);
    EXPECT_EQ(Dialog().m_tally.fixed, 3);
    EXPECT_EQ(Dialog().m_tally.errors, 1);

    EXPECT_THAT(CheckTables(false),
                ElementsAreArray(Join({{Line("  ")}, TableBlock("T", {Line("Missing [] Column"),
                                                                      Line("Missing [IX_DUP] Index"),
                                                                      Line("Missing [IX_NOKEY] Index"),
                                                                      Line("Missing [IX_BT] Index"),
                                                                      Line("Missing [IX_NOCOL] Index")})})));
    EXPECT_THAT(Query("SELECT name, \"unique\" AS u, origin FROM pragma_index_list('T') ORDER BY name",
                      {"name", "u", "origin"}),
                UnorderedElementsAre(ElementsAre("IX_CODE", "0", "c"), ElementsAre("IX_NAME", "1", "c"),
                                     ElementsAre("IX_OTHER", "0", "c"), ElementsAre("IX_P", "0", "c")));
    EXPECT_EQ(Scalar("SELECT COUNT(*) AS N FROM T", "N"), "2");
    EXPECT_EQ(Scalar("PRAGMA integrity_check", "integrity_check"), "ok");
}

// ---- autonumber columns ----

class LostAutonumber : public EmbeddedSchemaTest {
protected:
    void SetUp() override {
        CreateDatabase({
            // Lost its autonumber, but every ID is a distinct whole number: repairable.
            "CREATE TABLE T (ID INTEGER NOT NULL, NAME TEXT NOT NULL DEFAULT 'x', CODE INT)",
            "INSERT INTO T VALUES (1, 'one', 10)",
            "INSERT INTO T VALUES (2, 'two', 20)",
            "INSERT INTO T VALUES (5, 'five', 50)",
            "CREATE UNIQUE INDEX IX_T_NAME ON T(NAME)",
            "CREATE INDEX IX_T_CODE ON T(CODE)",
            "CREATE TABLE LOG (MSG TEXT)",
            "CREATE TRIGGER T_INSERTED AFTER INSERT ON T BEGIN INSERT INTO LOG VALUES (NEW.NAME); END",
            // Values that cannot become autonumbers.
            "CREATE TABLE DUPS (ID INTEGER, V TEXT)",
            "INSERT INTO DUPS VALUES (1, 'a')",
            "INSERT INTO DUPS VALUES (1, 'b')",
            "CREATE TABLE NULLS (ID INTEGER, V TEXT)",
            "INSERT INTO NULLS VALUES (NULL, 'a')",
            "CREATE TABLE TEXTS (ID TEXT, V TEXT)",
            "INSERT INTO TEXTS VALUES ('abc', 'a')",
            // Sound.
            "CREATE TABLE OK (ID INTEGER PRIMARY KEY AUTOINCREMENT, V TEXT)",
        });
        WriteTablesXml(TablesXml(R"(
            <TABLE name="T"><COLUMN name="ID" jetType="AutoNumber"/><COLUMN name="NAME"/>
              <INDEX name="IX_T_NAME" key="NAME" unique="yes"/></TABLE>
            <TABLE name="DUPS"><COLUMN name="ID" jetType="autonumber"/></TABLE>
            <TABLE name="NULLS"><COLUMN name="ID" jetType="autonumber"/></TABLE>
            <TABLE name="TEXTS"><COLUMN name="ID" jetType="autonumber"/></TABLE>
            <TABLE name="OK"><COLUMN name="ID" jetType="autonumber"/><COLUMN name="V" jetType="number"/></TABLE>)"));
    }

    std::vector<LineMatcher> MainPass() {
        return Join({CleanTable("T"), CleanTable("DUPS"), CleanTable("NULLS"), CleanTable("TEXTS"), CleanTable("OK")});
    }
};

TEST_F(LostAutonumber, IsReportedAndLeftAloneWithoutFixErrors) {
    const auto schema = SchemaSql();
    EXPECT_THAT(CheckTables(false), ElementsAreArray(Join({
                                        {Line("Missing autonumber or identity property on [ID] column"),
                                         Line("Missing autonumber or identity property on [ID] column"),
                                         Line("Missing autonumber or identity property on [ID] column"),
                                         Line("Missing autonumber or identity property on [ID] column"),
                                         Line("  ")},
                                        MainPass(),
                                    })));
    EXPECT_EQ(Dialog().m_tally.findings, 4);
    EXPECT_EQ(SchemaSql(), schema);  // nothing written
}

TEST_F(LostAutonumber, IsRepairedInPlaceKeepingRowsIndexesAndTriggers) {
    const auto rows = Query("SELECT ID, NAME, CODE FROM T ORDER BY ID", {"ID", "NAME", "CODE"});
    const auto untouched = Query("SELECT name, sql FROM sqlite_master WHERE tbl_name IN ('DUPS', 'NULLS', 'TEXTS')",
                                 {"name", "sql"});
    const auto refused = Join({
        ErrorBlock("CVeltmoorDlg::CreateTable"),
        {Line("Missing autonumber or identity property on [ID] column - ATTEMPT TO FIX FAILED")},
    });
    EXPECT_THAT(CheckTables(true),
                ElementsAreArray(Join({
                    {Line("Missing autonumber or identity property on [ID] column - FIXED")},
                    refused, {Line("--- Table [DUPS] was left unchanged")},
                    refused, {Line("--- Table [NULLS] was left unchanged")},
                    refused, {Line("--- Table [TEXTS] was left unchanged")},
                    {Line("  ")},
                    MainPass(),
                })));
    EXPECT_EQ(Dialog().m_tally.findings, 4);
    EXPECT_EQ(Dialog().m_tally.fixed, 1);
    EXPECT_EQ(Dialog().m_tally.errors, 3);

    // Every row, index and trigger of T is there; the refused tables are untouched.
    EXPECT_EQ(Query("SELECT ID, NAME, CODE FROM T ORDER BY ID", {"ID", "NAME", "CODE"}), rows);
    EXPECT_THAT(Query("SELECT name FROM sqlite_master WHERE tbl_name = 'T' AND type <> 'table' ORDER BY name", {"name"}),
                ElementsAre(ElementsAre("IX_T_CODE"), ElementsAre("IX_T_NAME"), ElementsAre("T_INSERTED")));
    EXPECT_EQ(Query("SELECT name, sql FROM sqlite_master WHERE tbl_name IN ('DUPS', 'NULLS', 'TEXTS')", {"name", "sql"}),
              untouched);
    EXPECT_EQ(Scalar("PRAGMA integrity_check", "integrity_check"), "ok");
    EXPECT_EQ(Scalar("PRAGMA foreign_key_check", "table"), "(no row)");

    // ID numbers new rows now, and the trigger still fires.
    Exec("INSERT INTO T (NAME) VALUES ('six')");
    EXPECT_EQ(Scalar("SELECT ID FROM T WHERE NAME = 'six'", "ID"), "6");
    EXPECT_EQ(Scalar("SELECT MSG FROM LOG", "MSG"), "six");

    // Checked again: only what could not be repaired is found.
    EXPECT_THAT(CheckTables(false), ElementsAreArray(Join({
                                        {Line("Missing autonumber or identity property on [ID] column"),
                                         Line("Missing autonumber or identity property on [ID] column"),
                                         Line("Missing autonumber or identity property on [ID] column"),
                                         Line("  ")},
                                        MainPass(),
                                    })));
}

// The table check backs the database up before its first repair, once per run.
TEST_F(ExampleDatabase, TheFirstRepairOfARunIsPrecededByABackup) {
    Dialog().m_bBackupBeforeRepair = true;
    const auto lines = CheckTables(true);
    std::vector<std::filesystem::path> backups;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        if (entry.path().extension() == ".bak") backups.push_back(entry.path());
    ASSERT_EQ(backups.size(), 1u);
    const auto backup = std::find(lines.begin(), lines.end(), Green("--- Backup of the database written to " + backups[0].string()));
    const auto fixed = std::find(lines.begin(), lines.end(), Plain("Missing [IX_FOLDERS_ACCOUNT] Index - FIXED"));
    EXPECT_LT(backup, fixed);
    EXPECT_NE(fixed, lines.end());
}

// ---- failures ----

TEST_F(SmallDatabase, AFailedIdentityPassEndsTheRun) {
    CreateDatabase({"CREATE TABLE T (ID INTEGER PRIMARY KEY)"});
    WriteTablesXml(TablesXml(R"(<TABLE name="T"/>)"));
    CVeltmoorDlg& dialog = Dialog();
    dialog.m_pCatalog.Release();  // every catalog lookup now raises E_POINTER
    for (bool fix : {false, true}) {
        EXPECT_THAT(CheckTables(fix), ElementsAreArray(ErrorBlock("CVeltmoorDlg::CheckTables", hr::kPointer)));
        EXPECT_EQ(dialog.m_tally.errors, 1);
    }
}

}  // namespace
}  // namespace veltmoor::test
