// Check Tables on a genuine Jet file reports what it reports on an SQLite twin of
// the same schema, in the dialog and through the built veltmoor-cli; with Fix Errors
// every repair is refused with one error block, and the file keeps every byte.
#include <gmock/gmock.h>

#include <filesystem>

#include "tests/cli/CliRun.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/SqliteFile.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

// The Users table of node-adodb.mdb as SQLite writes it.
constexpr const char* kTwin =
    "CREATE TABLE Users (UserId INTEGER PRIMARY KEY AUTOINCREMENT, UserName TEXT(255) NOT NULL, "
    "UserSex TEXT(255), UserBirthday DATETIME, UserMarried BIT NOT NULL DEFAULT 0)";

// node-adodb.mdb's Users table, exactly.
const std::string kUsers = R"(<TABLE name="Users"><COLUMN name="UserId" jetType="autonumber"/>
  <COLUMN name="UserName"/><COLUMN name="UserSex"/><COLUMN name="UserBirthday"/>
  <COLUMN name="UserMarried" hasdefaultvalue="true" defaultvalue="0" type="int"/>
  <INDEX name="PrimaryKey" key="UserId" primary="yes" unique="yes"/><INDEX name="PK_BY_KEY" key="USERID"/>)";

struct Case {
    const char* name;
    std::string xml;  // tables.xml's TABLES body
    Lines check;      // the log without Fix Errors, Jet and SQLite alike
    Lines fix;        // the log with Fix Errors on the Jet file (empty: the same)
};

const std::string kReadOnly = "ERROR PrepareRepair 80004005";

const Case kCases[] = {
    {"Exact", kUsers + "</TABLE>", {"  ", "<Users>", "</>"}, {}},
    {"MissingTable", kUsers + "</TABLE><TABLE name=\"ACCOUNTS\"/>",
     Lines{"  ", "<Users>", "</>", "<ACCOUNTS>"} + NotLocated("ACCOUNTS") + Lines{"</>"}, {}},
    {"MissingColumn", kUsers + "<COLUMN name=\"EMAIL\"/></TABLE>", {"  ", "<Users>", "Missing [EMAIL] Column", "</>"}, {}},
    {"MissingIndex", kUsers + "<INDEX name=\"IX_USERS_NAME\" key=\"UserName\"/></TABLE>",
     {"  ", "<Users>", "Missing [IX_USERS_NAME] Index", "</>"},
     {"  ", "<Users>", kReadOnly, "Missing [IX_USERS_NAME] Index - ATTEMPT TO FIX FAILED", "</>"}},
    {"MissingAutonumber", kUsers + "<COLUMN name=\"UserBirthday\" jetType=\"autonumber\"/></TABLE>",
     {"Missing autonumber or identity property on [UserBirthday] column", "  ", "<Users>", "</>"},
     {kReadOnly, "Missing autonumber or identity property on [UserBirthday] column - ATTEMPT TO FIX FAILED",
      "--- Table [Users] was left unchanged", "  ", "<Users>", "</>"}},
    {"MissingDefaultAndIndex",
     kUsers + "<COLUMN name=\"UserSex\" hasdefaultvalue=\"true\" defaultvalue=\"1\" type=\"int\"/>"
              "<INDEX name=\"IX_SEX\" key=\"UserSex\"/></TABLE>",
     {"  ", "<Users>", "Missing default value on [UserSex] column", "Missing [IX_SEX] Index", "</>"},
     {"  ", "<Users>", kReadOnly, "Missing default value on [UserSex] column - ATTEMPT TO FIX FAILED",
      "Missing [IX_SEX] Index - ATTEMPT TO FIX FAILED", "</>"}},
};

class JetCheck : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        std::filesystem::copy_file(VELTMOOR_JET_DATA "/node-adodb.mdb", jet_);
        SqliteFile(sqliteDir_.File("tarnwick.mdb")).Exec(kTwin);
        for (const TempDir* dir : {&jetDir_, &sqliteDir_})
            dir->Write("tables.xml",
                       "<?xml version=\"1.0\"?>\n<VELTMOOR><TABLES>" + GetParam().xml + "</TABLES></VELTMOOR>\n");
    }
    // One press of "Check Tables" in a dialog connected to the folder's database.
    std::vector<LogEntry> Check(const TempDir& dir, bool fix) {
        std::unique_ptr<CVeltmoorDlg> dialog = MakeDialog(dir.Folder());
        ConnectDialog(*dialog, "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + dir.File("tarnwick.mdb"));
        SetFixErrors(*dialog, fix);
        dialog->OnCheckTables();
        return LogEntries(*dialog);
    }
    Streams Tables(const TempDir& dir, bool fix) {
        const std::string args = "--database {}tarnwick.mdb --tables {}tables.xml tables";
        return RunCli(Args(fix ? "--fix " + args : args, dir.Folder()));
    }

    TempDir jetDir_, sqliteDir_;
    const std::string jet_ = jetDir_.File("tarnwick.mdb");
};

TEST_P(JetCheck, ReportsWhatTheSqliteTwinReportsAndRepairsNothing) {
    const Case& c = GetParam();
    const std::string before = Bytes(jet_);
    const std::vector<LogEntry> jet = Check(jetDir_, false);
    EXPECT_EQ(jet, Check(sqliteDir_, false)) << "the same lines in the same colours";
    EXPECT_EQ(Shortened(jet), c.check);

    const std::vector<LogEntry> fixed = Check(jetDir_, true);
    EXPECT_EQ(Shortened(fixed), c.fix.empty() ? c.check : c.fix);

    const Streams jetCli = Tables(jetDir_, false), twinCli = Tables(sqliteDir_, false);
    EXPECT_EQ(jetCli.out, twinCli.out);
    EXPECT_EQ(jetCli.status, c.check.size() > 3 ? 4 : 0) << "4: findings left";
    EXPECT_EQ(twinCli.status, jetCli.status);
    const Streams fixCli = Tables(jetDir_, true);
    EXPECT_EQ(fixCli.status, c.fix.empty() ? jetCli.status : 4 | 8);

    EXPECT_EQ(Bytes(jet_), before) << "the Jet file is never written";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(jetDir_.path()), {}), 2) << "no backup beside it";
}

INSTANTIATE_TEST_SUITE_P(NodeAdodb, JetCheck, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace veltmoor::test
