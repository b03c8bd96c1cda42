// Where the database is: the program's folder, the default embedded database,
// and config.xml's connection string.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "app/VeltmoorDlg.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override { dlg_.m_strModuleFileName = folder_.File("veltmoor"); }

    void WriteConfig(const std::string& content) { std::ofstream(folder_.File("config.xml")) << content; }

    std::string DefaultString() const {
        return "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + folder_.File("tarnwick.mdb");
    }

    TempDir folder_;
    CVeltmoorDlg dlg_;
};

TEST_F(ConfigFileTest, WithoutConfigTheEmbeddedDatabaseBesideTheProgramIsUsed) {
    folder_.Write("tarnwick.mdb", "");
    dlg_.LocateDatabase();
    EXPECT_EQ(dlg_.m_strProgramFolder, folder_.Folder());
    EXPECT_EQ(dlg_.m_strConnectionString, DefaultString());
    EXPECT_EQ(dlg_.m_wndLog.GetText(), "");
}

TEST_F(ConfigFileTest, ConnectionStringVariants) {
    struct Case {
        const char* name;
        const char* xml;
        const char* expected;  // nullptr: the default stays
    } cases[] = {
        {"plain", R"(<CONFIG><DATABASE ConnectionString="Provider=SQLOLEDB;Data Source=db1"/></CONFIG>)",
         "Provider=SQLOLEDB;Data Source=db1"},
        {"deeply nested", R"(<a><b><c><d><DATABASE ConnectionString="DSN=deep"/></d></c></b></a>)", "DSN=deep"},
        {"first element counts even without the attribute",
         R"(<C><DATABASE/><DATABASE ConnectionString="DSN=second"/></C>)", nullptr},
        {"first of two", R"(<C><DATABASE ConnectionString="DSN=one"/><DATABASE ConnectionString="DSN=two"/></C>)",
         "DSN=one"},
        {"empty attribute", R"(<C><DATABASE ConnectionString=""/></C>)", nullptr},
        {"lower-case element", R"(<C><database ConnectionString="DSN=x"/></C>)", nullptr},
        {"lower-case attribute", R"(<C><DATABASE connectionstring="DSN=x"/></C>)", nullptr},
        {"malformed", R"(<C><DATABASE ConnectionString="DSN=x"></C>)", nullptr},
        {"not XML at all", "ConnectionString=DSN=x", nullptr},
        {"kept unchanged, blanks included", R"(<DATABASE ConnectionString="  DSN=x ; UID=y "/>)", "  DSN=x ; UID=y "},
    };
    for (const auto& c : cases) {
        WriteConfig(c.xml);
        dlg_.LocateDatabase();
        EXPECT_EQ(dlg_.m_strConnectionString, c.expected ? std::string(c.expected) : DefaultString()) << c.name;
        EXPECT_EQ(dlg_.m_wndLog.GetText(), "") << c.name;
    }
}

TEST(ConfigFolder, AFolderWithASemicolonStaysOneValueOfTheConnectionString) {
    TempDir folder;
    const std::string odd = folder.File("a;b 'c'");
    std::filesystem::create_directory(odd);
    AccountDatabase db(odd + "/tarnwick.mdb");
    CVeltmoorDlg dlg;
    dlg.m_strModuleFileName = odd + "/veltmoor";
    dlg.LocateDatabase();
    dlg.OpenConnection();
    EXPECT_EQ(dlg.m_wndLog.GetText(), "") << dlg.m_strConnectionString;
    EXPECT_EQ(dlg.m_strMdacVersion, "DETECTED MDAC VERSION: 2.80");
}

TEST(ConfigFolder, TheProgramFolderIsTheExecutablesOnlyWhenItHoldsAFileOfTheProgram) {
    for (const char* file : {"", "config.xml", "tables.xml", "tarnwick.mdb"}) {
        TempDir folder;
        std::filesystem::create_directories(folder.File("usr/bin"));
        if (*file) folder.Write(std::string("usr/bin/") + file, "");
        const std::string own = folder.File("usr/bin/");
        const std::string programFolder = ProgramFolderOf(own + "veltmoor");
        if (*file) {
            EXPECT_EQ(programFolder, own) << file;
        } else {
            // The installation's <sysconfdir>/veltmoor/, beside or above <prefix> (/usr/etc is /etc).
            EXPECT_THAT(programFolder, ::testing::AnyOf(folder.File("usr/etc/veltmoor/"), folder.File("etc/veltmoor/")));
        }
    }
}

}  // namespace
}  // namespace veltmoor::test
