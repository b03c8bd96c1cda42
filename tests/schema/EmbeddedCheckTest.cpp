// The table check on real SQLite files: damage, check, repair, check again.
#include "tests/schema/SchemaFixture.h"

namespace veltmoor::test {
namespace {

using ::testing::ElementsAre;

// The main pass over these blocks.
Lines Main(const Lines& blocks) { return Lines{"  "} + blocks; }
// The main pass over the example description.
Lines Example(Lines quotas, Lines folders) {
    return Main(Block("ACCOUNTS") + Block("SETTINGS") + Block("QUOTAS", quotas) + Block("RATIOS") +
                Block("FOLDERS", folders));
}

// A run's log in one list, read three ways: "text|F" is fixed by the repair, "text|X" fails it, "text|-" is found by
// the first check only, "!text" is written by the repair only, anything else is found each time.
enum Run { kCheck, kRepair, kAgain };
Lines Read(const Lines& spec, Run run) {
    Lines out;
    for (const std::string& line : spec) {
        const bool fixed = line.ends_with("|F"), failed = line.ends_with("|X"), gone = line.ends_with("|-");
        const std::string text = fixed || failed || gone ? line.substr(0, line.size() - 2) : line;
        if (line[0] == '!') {
            if (run == kRepair) out.push_back(line.substr(1));
        } else if (run == kRepair && !gone) {
            out.push_back(text + (fixed ? " - FIXED" : failed ? " - ATTEMPT TO FIX FAILED" : ""));
        } else if (gone ? run == kCheck : !(fixed && run == kAgain)) {
            out.push_back(text);
        }
    }
    return out;
}

const std::string kNoId = "Missing autonumber or identity property on [ID] column";

struct Damage {
    const char* name;
    std::string sql, xml;      // the database (after the example's) and tables.xml's body (empty: the example's)
    Lines log;                 // of the three runs, as Read() reads it
    std::vector<int> tally;    // findings, fixed, errors of the repair
    std::vector<std::pair<std::string, Lines>> after;  // run in turn on the repaired file
};

const Damage kDamages[] = {
    {"ExampleLacksAnIndex", "", "", Example({}, {"Missing [IX_FOLDERS_ACCOUNT] Index|F"}), {1, 1, 0},
     {{"SELECT name, \"unique\" FROM pragma_index_list('FOLDERS') WHERE name = 'IX_FOLDERS_ACCOUNT'", {"IX_FOLDERS_ACCOUNT|0"}},
      {"SELECT name FROM pragma_index_info('IX_FOLDERS_ACCOUNT')", {"ACCOUNT_ID"}}}},
    // Missing tables are never created.
    {"MissingTable", "CREATE INDEX IX_FOLDERS_ACCOUNT ON FOLDERS(ACCOUNT_ID); DROP TABLE QUOTAS", "",
     Example(NotLocated("QUOTAS"), {}), {1, 0, 0}, {}},
    // Defaults are repaired where the description gives a number or boolean, else left.
    {"MissingDefaults",
     "CREATE TABLE T (ID INTEGER PRIMARY KEY, I INT, B1 BIT, B2 BIT, D REAL, X INT, NODV INT, HAS INT DEFAULT 3, NOTREQ INT);"
     "INSERT INTO T (ID, I) VALUES (1, 10), (2, 20); CREATE INDEX IX_T_I ON T(I)",
     R"(<TABLE name="T"><COLUMN name="ID" jetType="autonumber"/>
        <COLUMN name="I" hasdefaultvalue="TRUE" defaultvalue="-42x" type="INT"/>
        <COLUMN name="B1" hasdefaultvalue="true" defaultvalue="TRUE" type="boolean"/>
        <COLUMN name="B2" hasdefaultvalue="true" defaultvalue="yes" type="Boolean"/>
        <COLUMN name="D" hasdefaultvalue="true" defaultvalue="2.75" type="double"/>
        <COLUMN name="X" hasdefaultvalue="true" defaultvalue="1" type="text"/><COLUMN name="NODV" hasdefaultvalue="true" type="int"/>
        <COLUMN name="HAS" hasdefaultvalue="true" defaultvalue="1" type="int"/>
        <COLUMN name="NOTREQ" hasdefaultvalue="yes" defaultvalue="1" type="int"/></TABLE>)",
     Main(Block("T", Each("Missing default value on [%s] column|F", {"I", "B1", "B2"}) +
                         Each("Missing default value on [%s] column|X", {"D", "X", "NODV"}))), {6, 3, 0},
     {{"SELECT name, dflt_value FROM pragma_table_info('T') WHERE name IN ('I','B1','B2','D','HAS')",
       {"I|-42", "B1|TRUE", "B2|FALSE", "D|NULL", "HAS|3"}},
      {"SELECT name FROM pragma_index_list('T')", {"IX_T_I"}}}},
    // Found by name or by key; IX_NAME_2 is found over the new IX_NAME's key, duplicate
    // values refuse a unique index, the first BT description (float) decides.
    {"MissingIndexes",
     "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME NVARCHAR(255), CODE INT, A INT, B INT, DUP INT, BT INT, P INT);"
     "INSERT INTO T VALUES (1, 'one', 7, 1, 1, 5, 0, 1), (2, 'two', 7, 2, 2, 5, 0, 2); CREATE INDEX IX_OTHER ON T(A, B)",
     R"(<TABLE name="T"><INDEX name="PrimaryKey" key="ID" primary="yes" unique="yes"/>
        <INDEX name="ix_other" key="NAME" unique="yes"/><INDEX name="IX_B" key="b"/>
        <INDEX name="IX_NAME" key="name" unique="YES"/><INDEX name="IX_NAME_2" key="NAME"/>
        <INDEX name="IX_CODE" key="CODE"/><INDEX name="IX_DUP" key="DUP" unique="yes"/><INDEX name="IX_NOKEY"/>
        <INDEX name="IX_BT" key="BT"/><INDEX name="IX_NOCOL" key="ZZZ"/><INDEX name="IX_P" key="P" primary="true" unique="1"/>
        <COLUMN name="" sqlSType="int"/><COLUMN name="ID" sqlSType="int"/><COLUMN name="NAME" sqlSType="NVARCHAR"/>
        <COLUMN name="CODE"/><COLUMN name="DUP" sqlSType="int"/><COLUMN name="BT" sqlSType="float"/>
        <COLUMN name="BT" sqlSType="int"/><COLUMN name="P" sqlSType="Int"/></TABLE>)",
     Main(Block("T", {"Missing [] Column", "Missing [IX_NAME] Index|F", "Missing [IX_NAME_2] Index|-",
                      "Missing [IX_CODE] Index|F", "!" + Err("CreateIndex", hr::kIntegrityViolation),
                      "Missing [IX_DUP] Index|X", "Missing [IX_NOKEY] Index|X", "Missing [IX_BT] Index|X",
                      "Missing [IX_NOCOL] Index|X", "Missing [IX_P] Index|F"})), {8, 3, 1},
     {{"SELECT name, \"unique\", origin FROM pragma_index_list('T') ORDER BY name",
       {"IX_CODE|0|c", "IX_NAME|1|c", "IX_OTHER|0|c", "IX_P|0|c"}}}},
    // T lost its autonumber and is rebuilt in place; the others hold values that
    // cannot become autonumbers and are left alone.
    {"LostAutonumber",
     "CREATE TABLE T (ID INTEGER NOT NULL, NAME TEXT NOT NULL DEFAULT 'x', CODE INT);"
     "INSERT INTO T VALUES (1, 'one', 10), (2, 'two', 20), (5, 'five', 50);"
     "CREATE UNIQUE INDEX IX_T_NAME ON T(NAME); CREATE INDEX IX_T_CODE ON T(CODE); CREATE TABLE LOG (MSG TEXT);"
     "CREATE TRIGGER T_INSERTED AFTER INSERT ON T BEGIN INSERT INTO LOG VALUES (NEW.NAME); END;"
     "CREATE TABLE DUPS (ID INTEGER, V TEXT); INSERT INTO DUPS VALUES (1, 'a'), (1, 'b');"
     "CREATE TABLE NULLS (ID INTEGER, V TEXT); INSERT INTO NULLS VALUES (NULL, 'a');"
     "CREATE TABLE TEXTS (ID TEXT, V TEXT); INSERT INTO TEXTS VALUES ('abc', 'a');"
     "CREATE TABLE OK (ID INTEGER PRIMARY KEY AUTOINCREMENT, V TEXT)",
     R"(<TABLE name="T"><COLUMN name="ID" jetType="AutoNumber"/><COLUMN name="NAME"/>
          <INDEX name="IX_T_NAME" key="NAME" unique="yes"/></TABLE>
        <TABLE name="DUPS"><COLUMN name="ID" jetType="autonumber"/></TABLE>
        <TABLE name="NULLS"><COLUMN name="ID" jetType="autonumber"/></TABLE>
        <TABLE name="TEXTS"><COLUMN name="ID" jetType="autonumber"/></TABLE>
        <TABLE name="OK"><COLUMN name="ID" jetType="autonumber"/><COLUMN name="V" jetType="number"/></TABLE>)",
     Lines{kNoId + "|F", "!" + Err("CreateTable", hr::kIntegrityViolation), kNoId + "|X",
           "!--- Table [DUPS] was left unchanged", "!" + Err("CreateTable", hr::kIntegrityViolation), kNoId + "|X",
           "!--- Table [NULLS] was left unchanged", "!" + Err("CreateTable", hr::kIntegrityViolation), kNoId + "|X",
           "!--- Table [TEXTS] was left unchanged"} +
         Main(Block("T") + Block("DUPS") + Block("NULLS") + Block("TEXTS") + Block("OK")), {4, 1, 3},
     {{"SELECT name FROM sqlite_master WHERE tbl_name = 'T' AND type <> 'table' ORDER BY name",
       {"IX_T_CODE", "IX_T_NAME", "T_INSERTED"}},
      {"SELECT sql FROM sqlite_master WHERE tbl_name IN ('DUPS', 'NULLS', 'TEXTS')",
       {"CREATE TABLE DUPS (ID INTEGER, V TEXT)", "CREATE TABLE NULLS (ID INTEGER, V TEXT)",
        "CREATE TABLE TEXTS (ID TEXT, V TEXT)"}},
      // ID numbers new rows now, and the trigger still fires.
      {"INSERT INTO T (NAME) VALUES ('six')", {}}, {"SELECT ID, MSG FROM T, LOG WHERE NAME = 'six'", {"6|six"}},
      {"PRAGMA foreign_key_check", {}}}},
};

class Damaged : public SchemaTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(Damaged, IsFoundRepairedAndCleanWhenCheckedAgain) {
    const Damage& d = GetParam();
    if (d.xml.empty()) CreateExampleDatabase();
    else Describe(d.xml);
    Sql("PRAGMA user_version = 1;" + d.sql);
    auto master = [&] { return Sql("SELECT type, name, sql FROM sqlite_master ORDER BY 1, 2"); };
    const std::string rows = d.xml.empty() ? "SELECT * FROM ACCOUNTS" : "SELECT * FROM T ORDER BY 1";
    const Lines schema = master(), kept = Sql(rows);
    EXPECT_EQ(Check(false), Read(d.log, kCheck));
    EXPECT_EQ(master(), schema);  // nothing written
    EXPECT_EQ(Check(true), Read(d.log, kRepair));
    EXPECT_TRUE(d.tally[1] > 0 || master() == schema) << "nothing repaired, nothing written";
    EXPECT_EQ(Tally(), d.tally);
    EXPECT_EQ(Check(false), Read(d.log, kAgain));
    EXPECT_EQ(Sql(rows), kept);  // every row kept
    EXPECT_THAT(Sql("PRAGMA integrity_check"), ElementsAre("ok"));
    for (const auto& [query, expected] : d.after) EXPECT_EQ(Sql(query), expected) << query;
}

INSTANTIATE_TEST_SUITE_P(Databases, Damaged, ::testing::ValuesIn(kDamages),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace veltmoor::test
