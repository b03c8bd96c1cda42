// The table check in SQL Server's dialect, against the scripted server: the exact
// statements, and what the check makes of each answer.
#include <algorithm>

#include "tests/schema/SchemaFixture.h"
#include "tests/support/Text.h"

namespace veltmoor::test {
namespace {

using ::testing::Contains;

const std::string kIdentityQuery = "select columnproperty(object_id('accounts'),'id','IsIdentity') as Idty";
const std::string kHelp = "exec sp_helpconstraint accounts, nomsg";
const std::string kNoIdentity = "Missing autonumber or identity property on [id] column in [ACCOUNTS] table";

struct SqlServer : SchemaTest { SqlServer() { server_ = true; } };

// The server's answers to the identity query and the constraint list.
struct Answer {
    const char* name;
    std::function<void(Rule&)> answer;  // to the identity query, or the constraint list when log starts with "<"
    Lines log;                          // of the pass without "Fix Errors"
};

Lines Defaults(std::initializer_list<const char*> missing) {
    return Block("accounts", Each("Missing default value on [%s] column", missing));
}

const Answer kAnswers[] = {
    {"IdentityOne", [](Rule& r) { r.Return(Rows{{"Idty"}, {{1}}}); }, {}},
    {"IdentityZero", [](Rule& r) { r.Return(Rows{{"Idty"}, {{0}}}); }, {kNoIdentity}},
    {"IdentityError", [](Rule& r) { r.Fail(hr::kErrorsInCommand, "[42000] denied"); },
     {"Error occurred while checking for missing autonumber or identity property on [id] column in [ACCOUNTS] table",
      Err("CheckTables", hr::kErrorsInCommand)}},
    {"NoConstraints", [](Rule& r) { r.ReturnClosed(); }, Defaults({"id", "ENABLED", "SETTINGS_ID", "quota"})},
    {"AllDefaults", [](Rule& r) { r.Return(Rows{{"constraint_type"}, {{"PRIMARY KEY (clustered)"}, {"DEFAULT on column ID"},
        {"DEFAULT on column ENABLED"}, {"DEFAULT on column SETTINGS_ID"}, {"DEFAULT on column QUOTA"}}}); }, Defaults({})},
    // ID is found inside SETTINGS_ID; the search upper-cases the column's name.
    {"OnlyBySubstring", [](Rule& r) { r.Return(Rows{{"constraint_type"}, {{"DEFAULT on column SETTINGS_ID"}}}); }, Defaults({"ENABLED", "QUOTA"})},
    // A failing list ends the pass.
    {"ListFails", [](Rule& r) { r.Fail(hr::kErrorsInCommand, "[42000] denied"); },
     {"<accounts>", Err("CheckTables", hr::kErrorsInCommand)}},
};

class Answers : public SqlServer, public ::testing::WithParamInterface<Answer> {};

TEST_P(Answers, DecideTheFindings) {
    const Lines& log = GetParam().log;
    const bool mainPass = !log.empty() && log[0][0] == '<';
    sql_.AddTable("ACCOUNTS", {Col("ID"), Col("ENABLED"), Col("SETTINGS_ID"), Col("QUOTA"), Col("PLAIN")});
    Describe(R"(<TABLE name="accounts"><COLUMN name="id" jetType="autonumber" hasdefaultvalue="true" defaultvalue="0"
        type="int"/><COLUMN name="ENABLED" hasdefaultvalue="true" defaultvalue="true" type="boolean"/>
        <COLUMN name="SETTINGS_ID" hasdefaultvalue="true" defaultvalue="0" type="int"/>
        <COLUMN name="quota" hasdefaultvalue="true" defaultvalue="0" type="int"/><COLUMN name="PLAIN"/></TABLE>)");
    GetParam().answer(sql_.On(mainPass ? kHelp : kIdentityQuery));
    EXPECT_EQ(Pass(!mainPass, false), log);
    EXPECT_EQ(passResult_, !mainPass || log.back() == "</>");
    EXPECT_EQ(sql_.Statements(), mainPass ? Lines{kHelp} : (Lines{kHelp, kIdentityQuery}));  // the list once per table
    EXPECT_EQ(Tally()[0], std::count_if(log.begin(), log.end(), [](auto& l) { return l.starts_with("Missing"); }));
}

INSTANTIATE_TEST_SUITE_P(Server, Answers, ::testing::ValuesIn(kAnswers),
                         [](const auto& test) { return std::string(test.param.name); });

// Default constraints: the number written for each type, the name from the description's table name and a fresh GUID.
TEST_F(SqlServer, DefaultConstraintsAreAddedWithTheNumberOfTheirType) {
    const std::pair<std::string, std::string> cases[] = {  // COLUMN attributes, the number ("": no statement)
        {R"(type="int" defaultvalue="42")", "42"},      {R"(type="INT" defaultvalue="-5")", "-5"},
        {R"(type="int" defaultvalue="12abc")", "12"},   {R"(type="int" defaultvalue="abc")", "0"},
        {R"(type="int" defaultvalue="")", "0"},         {R"(type="double" defaultvalue="2.75")", "2"},
        {R"(type="boolean" defaultvalue="TRUE")", "1"}, {R"(type="Boolean" defaultvalue="yes")", "0"},
        {R"(type="boolean" defaultvalue="1")", "0"},    {R"(type="nvarchar" defaultvalue="1")", ""},
        {R"(defaultvalue="1")", ""},                    {R"(type="int")", ""}};
    sql_.AddTable("T", {Col("C")});
    for (const auto& [attributes, number] : cases) {
        SCOPED_TRACE(attributes);
        Describe(R"(<TABLE name="t"><COLUMN name="c" hasdefaultvalue="true" )" + attributes + "/></TABLE>");
        sql_.ClearRecord();
        Dialog().m_guidSource = [] { return Guid{0xBEEF}; };
        const std::string outcome = number.empty() ? " - ATTEMPT TO FIX FAILED" : " - FIXED";
        EXPECT_EQ(Pass(false, true), Block("t", {"Missing default value on [c] column" + outcome}));
        const Lines add{"ALTER TABLE t WITH CHECK ADD CONSTRAINT DF__t__BLOCK__0000BEEF DEFAULT " + number + " FOR c"};
        EXPECT_EQ(sql_.Statements(), Lines{"exec sp_helpconstraint t, nomsg"} + (number.empty() ? Lines{} : add));
        EXPECT_EQ(Tally(), (std::vector<int>{1, number.empty() ? 0 : 1, 0}));
    }
}

// A constraint the server refuses (here for a name it already has) fails that repair
// alone: its error block is written and the next column is still repaired.
TEST_F(SqlServer, RefusedConstraintFailsThatRepairAlone) {
    sql_.AddTable("T", {Col("A"), Col("B")});
    Describe(R"(<TABLE name="t"><COLUMN name="a" hasdefaultvalue="true" defaultvalue="1" type="int"/>
        <COLUMN name="b" hasdefaultvalue="true" defaultvalue="2" type="int"/></TABLE>)");
    sql_.On(::testing::HasSubstr("DEFAULT 1 FOR a"))
        .Fail(hr::kErrorsInCommand, "[42000] There is already an object named 'DF__t__BLOCK__00001000' in the database.");
    EXPECT_EQ(Pass(false, true), Block("t", {Err("SetColumnDefault", hr::kErrorsInCommand),
                                             "Missing default value on [a] column - ATTEMPT TO FIX FAILED",
                                             "Missing default value on [b] column - FIXED"}));
    EXPECT_TRUE(passResult_);
    EXPECT_EQ(Tally(), (std::vector<int>{2, 1, 1}));
}

// ACCOUNTS lost the identity property of ID; the description spells it in lower case.
class Rebuild : public SqlServer {
protected:
    void SetUp() override {
        sql_.AnswerFromCatalog();
        sql_.AddTable("ACCOUNTS", {Col("ID").NotNull(), Col("NAME", ado::adVarWChar, 255),
                                   Col("BALANCE").Decimal(12, 4).NotNull(), Col("SETTINGS_ID").Default(0)},
                      {Idx("PK_ACCOUNTS", {"ID"}).Primary()}, 40);
        Describe(R"(<TABLE name="accounts">
            <COLUMN name="id" jetType="autonumber"/><COLUMN name="NAME"/><COLUMN name="SETTINGS_ID"/></TABLE>)");
    }
};

const std::string kNullable = "select columnproperty(object_id('ACCOUNTS'),'%s','AllowsNull') as ANull";
const std::string kCreate =
    "CREATE TABLE [$DUP] ([ID] int IDENTITY(1,1) NOT NULL, [NAME] nvarchar(255) NULL, [BALANCE] decimal(12,4) NOT NULL, "
    "[SETTINGS_ID] int NULL)";
const std::string kCopy = "IF EXISTS(SELECT * FROM ACCOUNTS) EXEC('INSERT INTO $DUP (ID, NAME, BALANCE, SETTINGS_ID) "
                          "SELECT ID, NAME, BALANCE, SETTINGS_ID FROM ACCOUNTS TABLOCKX')";
const std::string kOn = "SET IDENTITY_INSERT $DUP ON", kOff = "SET IDENTITY_INSERT $DUP OFF";
const std::string kRename = "EXECUTE sp_rename N'$DUP', N'ACCOUNTS', 'OBJECT'";

// The statements with $DUP written out and $COPIED for the duplicate made and filled.
Lines Resolve(const Lines& in) {
    Lines out;
    for (const std::string& line : in)
        for (const std::string& s : line == "$COPIED" ? Lines{kCreate, kBegin, kOn, kCopy, kOff, kCommit} : Lines{line})
            out.push_back(Replace(s, "$DUP", "ACCOUNTS_00001000"));
    return out;
}

// What each step's failure leaves: the source table is never lost, the duplicate is
// dropped unless a failed rollback may have left the only copy in it.
struct Step {
    const char* name;
    std::string failing;  // "": none
    Lines log;            // after "--- Creating duplicate table for [ACCOUNTS]"
    Lines statements;     // from CREATE TABLE on
    int passesFirst = 0;  // times the failing statement goes through before it fails
    bool rollbackFails = false;
    Lines tables = {"ACCOUNTS:40"};  // the catalog afterwards, as name:rows
};

const Lines kNotFixed = {Err("CreateTable", hr::kErrorsInCommand),
                         "(4) --- FAILED TO FIX: Missing autoincrement or identity column fix for table for [ACCOUNTS]", "  "};
const std::string kCreated = "--- Duplicate table [$DUP] created", kDropped = "--- Table [ACCOUNTS] was successfully dropped",
                  kRolledBack = "--- Rolled back: table [ACCOUNTS] is kept as it was";
const std::string kRefused = Err("CheckTables", hr::kErrorsInCommand), kDropDup = "DROP TABLE $DUP";

const Step kSteps[] = {
    {"None", "", {kCreated, kDropped, "--- Table [$DUP] was successfully renamed to [ACCOUNTS]",
      "(3) --- FIXED: autoincrement or identity column for table for [ACCOUNTS]", "  "},
     {"$COPIED", kBegin, "DROP TABLE ACCOUNTS", kRename, kCommit}},
    {"NullabilityQuery", Format(kNullable.c_str(), "NAME"), kNotFixed, {}},
    {"CreateTable", kCreate, kNotFixed, {kCreate}}, {"Begin", kBegin, kNotFixed, {kCreate, kBegin, kDropDup}},
    {"IdentityInsertOn", kOn, kNotFixed, {kCreate, kBegin, kOn, kRollback, kDropDup}},
    {"Copy", kCopy, kNotFixed, {kCreate, kBegin, kOn, kCopy, kRollback, kOff, kDropDup}},
    // The clean-up sends OFF again; it fails again, silently.
    {"IdentityInsertOff", kOff, kNotFixed, {kCreate, kBegin, kOn, kCopy, kOff, kRollback, kOff, kDropDup}},
    {"Commit", kCommit, kNotFixed, {kCreate, kBegin, kOn, kCopy, kOff, kCommit, kRollback, kDropDup}},
    {"CopyAndRollback", kCopy, kNotFixed, {kCreate, kBegin, kOn, kCopy, kRollback, kOff}, 0, true,
     {"ACCOUNTS:40", "$DUP:0"}},
    // Replacing the source: rolled back, the duplicate dropped, and the pass ends.
    {"ReplaceBegin", kBegin, {kCreated, kRefused}, {"$COPIED", kBegin, kDropDup}, 1},
    {"Drop", "DROP TABLE ACCOUNTS", {kCreated, kRolledBack, kRefused},
     {"$COPIED", kBegin, "DROP TABLE ACCOUNTS", kRollback, kDropDup}},
    {"Rename", kRename, {kCreated, kDropped, kRolledBack, kRefused},
     {"$COPIED", kBegin, "DROP TABLE ACCOUNTS", kRename, kRollback, kDropDup}},
    {"ReplaceCommit", kCommit, {kCreated, kDropped, kRolledBack, kRefused},
     {"$COPIED", kBegin, "DROP TABLE ACCOUNTS", kRename, kCommit, kRollback, kDropDup}, 1},
    {"RenameAndRollback", kRename, {kCreated, kDropped, Err("CheckTables", hr::kFail), kRefused},
     {"$COPIED", kBegin, "DROP TABLE ACCOUNTS", kRename, kRollback}, 0, true, {"$DUP:40"}},
};

class RebuildStep : public Rebuild, public ::testing::WithParamInterface<Step> {};

TEST_P(RebuildStep, FailureCleansUpAndKeepsTheRows) {
    const Step& step = GetParam();
    if (!step.failing.empty()) sql_.On(Resolve({step.failing})[0]).Fail(hr::kErrorsInCommand, "[42000] refused");
    if (step.passesFirst) sql_.On(step.failing).Times(step.passesFirst);
    if (step.rollbackFails) sql_.On(kRollback).Fail(hr::kFail, "[08S01] communication link failure");
    EXPECT_EQ(Pass(true, true), Resolve(Lines{kNoIdentity, "--- Fixing missing autoincrement or identity columns ---",
                                              "--- Creating duplicate table for [ACCOUNTS]"} + step.log));
    EXPECT_EQ(passResult_, step.log.back() == "  ");  // a failed replacement ends the pass
    const Lines statements = sql_.Statements();
    const auto create = std::find_if(statements.begin(), statements.end(), [](auto& s) { return s.starts_with("CREATE"); });
    EXPECT_EQ(Lines(create, statements.end()), Resolve(step.statements));
    Lines tables;
    for (const auto& t : sql_.Catalog().tables) tables.push_back(t.name + ":" + std::to_string(t.rowCount));
    EXPECT_EQ(tables, Resolve(step.tables));
    if (ScriptedTable* source = sql_.Catalog().Find("ACCOUNTS")) {
        EXPECT_EQ(source->FindColumn("ID")->autoIncrement, step.failing.empty());
        EXPECT_EQ(source->FindColumn("BALANCE")->scale, 4);  // decimals keep their places
    }
    EXPECT_EQ(sql_.OpenTransactions(), step.rollbackFails ? 1 : 0);
    EXPECT_EQ(Tally()[1], step.failing.empty() ? 1 : 0);
    const Lines head = Lines{kHelp, kIdentityQuery} + Each(kNullable.c_str(), {"ID", "NAME", "BALANCE", "SETTINGS_ID"});
    EXPECT_EQ(Lines(statements.begin(), create), step.failing.empty() ? head : Lines(statements.begin(), create));
}

INSTANTIATE_TEST_SUITE_P(Steps, RebuildStep, ::testing::ValuesIn(kSteps),
                         [](const auto& test) { return std::string(test.param.name); });

// An all-zero GUID names the duplicate "_tmp"; columns the server calls nullable stay
// so; empty tables are rebuilt too.
TEST_F(Rebuild, NamesNullabilityAndEmptyTables) {
    Dialog().m_guidSource = [] { return Guid{}; };
    sql_.Catalog().Find("ACCOUNTS")->rowCount = 0;
    sql_.On(Format(kNullable.c_str(), "NAME")).Return(Rows{{"ANull"}, {{0}}});
    sql_.On(Format(kNullable.c_str(), "BALANCE")).Return(Rows{{"ANull"}, {{1}}});
    EXPECT_THAT(Pass(true, true), Contains("(3) --- FIXED: autoincrement or identity column for table for [ACCOUNTS]"));
    EXPECT_THAT(sql_.Statements(), Contains("CREATE TABLE [ACCOUNTS_tmp] ([ID] int IDENTITY(1,1) NOT NULL, [NAME] "
                                            "nvarchar(255) NOT NULL, [BALANCE] decimal(12,4) NULL, [SETTINGS_ID] int NULL)"));
}

// Rebuilds run in the catalog's case-sensitive name order, one per table: of two autonumber columns the later becomes
// the identity column, the earlier's finding stays unfixed.
TEST_F(SqlServer, RebuildsInNameOrderOnePerTable) {
    sql_.AnswerFromCatalog();
    sql_.AddTable("accounts", {Col("ID").NotNull(), Col("NUM").NotNull()}, {}, 2);
    sql_.AddTable("FOLDERS", {Col("ID").NotNull()}, {}, 3);
    Describe(R"(<TABLE name="accounts"><COLUMN name="ID" jetType="autonumber"/><COLUMN name="NUM" jetType="autonumber"/>
        </TABLE><TABLE name="FOLDERS"><COLUMN name="ID" jetType="autonumber"/></TABLE>)");
    Lines rebuilt = Pass(true, true);
    std::erase_if(rebuilt, [](auto& line) { return !line.starts_with("--- Creating") && !line.starts_with("(3)"); });
    EXPECT_EQ(rebuilt, (Lines{"--- Creating duplicate table for [FOLDERS]",
                              "(3) --- FIXED: autoincrement or identity column for table for [FOLDERS]",
                              "--- Creating duplicate table for [accounts]",
                              "(3) --- FIXED: autoincrement or identity column for table for [accounts]"}));
    EXPECT_EQ(Tally(), (std::vector<int>{3, 2, 0}));
    EXPECT_FALSE(sql_.Catalog().Find("accounts")->FindColumn("ID")->autoIncrement);
    EXPECT_TRUE(sql_.Catalog().Find("accounts")->FindColumn("NUM")->autoIncrement);
}

// Damage, check, repair, check again: the second check is clean.
TEST_F(Rebuild, RepairRunThenCleanCheck) {
    // Wanted: a default on SETTINGS_ID (lost in the rebuild, then restored) and an index on NAME.
    Describe(R"(<TABLE name="accounts"><COLUMN name="id" jetType="autonumber"/>
        <COLUMN name="NAME" sqlSType="nvarchar"/><COLUMN name="SETTINGS_ID" hasdefaultvalue="true" defaultvalue="0" type="int"/>
        <INDEX name="PK_ACCOUNTS" key="ID" primary="yes"/><INDEX name="IX_ACCOUNTS_NAME" key="NAME" unique="yes"/></TABLE>)");
    const Lines repair = Check(true);
    EXPECT_THAT(repair, Contains("(3) --- FIXED: autoincrement or identity column for table for [ACCOUNTS]"));
    EXPECT_EQ(Lines(repair.end() - 5, repair.end()),
              (Lines{"<accounts>", "Missing default value on [SETTINGS_ID] column - FIXED",
                     "Missing [PK_ACCOUNTS] Index - FIXED", "Missing [IX_ACCOUNTS_NAME] Index - FIXED", "</>"}));
    EXPECT_EQ(Tally(), (std::vector<int>{4, 4, 0}));
    // Reconnected between the passes, with a new catalog.
    EXPECT_THAT(sql_.Calls(), Contains("Close()"));
    EXPECT_EQ(std::ranges::count(sql_.Calls(), "Catalog()"), 1);
    EXPECT_EQ(Check(false), (Lines{"  ", "<accounts>", "</>"}));
}

}  // namespace
}  // namespace veltmoor::test
