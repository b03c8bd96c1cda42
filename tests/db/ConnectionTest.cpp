// Where the database is (the program's folder, config.xml's connection string or the
// embedded database), opening it, the status text, and the error block it records.
#include <gmock/gmock.h>

#include "app/VeltmoorDlg.h"
#include "base/Support.h"
#include "tests/accounts/AccountDatabase.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/ScriptedConnection.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using namespace std::string_literals;

TEST(ConfigFile, ConnectionStringOrTheEmbeddedDatabaseBesideTheProgram) {
    TempDir folder;
    CVeltmoorDlg dlg;
    dlg.m_strModuleFileName = folder.File("veltmoor");
    folder.Write("tarnwick.mdb", "");  // a file of the program: its folder is the program folder
    const std::string fallback = "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + folder.File("tarnwick.mdb");
    // config.xml (nullptr: none) and the connection string it gives (nullptr: the embedded database's)
    for (const auto& [xml, expected] : std::initializer_list<std::pair<const char*, const char*>>{
             {nullptr, nullptr},
             {R"(<CONFIG><DATABASE ConnectionString="Provider=SQLOLEDB;Data Source=db1"/></CONFIG>)",
              "Provider=SQLOLEDB;Data Source=db1"},
             {R"(<a><b><c><d><DATABASE ConnectionString="DSN=deep"/></d></c></b></a>)", "DSN=deep"},
             {R"(<C><DATABASE/><DATABASE ConnectionString="DSN=second"/></C>)", nullptr},  // the first element counts
             {R"(<C><DATABASE ConnectionString="DSN=one"/><DATABASE ConnectionString="DSN=two"/></C>)", "DSN=one"},
             {R"(<C><DATABASE ConnectionString=""/></C>)", nullptr},
             {R"(<C><database ConnectionString="DSN=x"/></C>)", nullptr},
             {R"(<C><DATABASE connectionstring="DSN=x"/></C>)", nullptr},
             {R"(<C><DATABASE ConnectionString="DSN=x"></C>)", nullptr}, {"ConnectionString=DSN=x", nullptr},
             {R"(<DATABASE ConnectionString="  DSN=x ; UID=y "/>)", "  DSN=x ; UID=y "}}) {  // kept as it is
        if (xml) folder.Write("config.xml", xml);
        dlg.LocateDatabase();
        EXPECT_EQ(dlg.m_strProgramFolder, folder.Folder());
        EXPECT_EQ(dlg.m_strConnectionString, expected ? std::string(expected) : fallback) << (xml ? xml : "none");
        EXPECT_EQ(dlg.m_wndLog.GetText(), "");
    }
    // The embedded database in a folder with a semicolon: its path stays one value of the connection string.
    const std::string odd = folder.File("a;b 'c'");
    std::filesystem::create_directory(odd);
    AccountDatabase db(odd + "/tarnwick.mdb");
    dlg.m_strModuleFileName = odd + "/veltmoor";
    dlg.LocateDatabase();
    dlg.OpenConnection();
    EXPECT_EQ(dlg.m_wndLog.GetText(), "") << dlg.m_strConnectionString;
}

TEST(ConfigFile, TheProgramFolderIsTheExecutablesOnlyWhenItHoldsAFileOfTheProgram) {
    for (const char* file : {"", "config.xml", "tables.xml", "tarnwick.mdb"}) {
        TempDir folder;
        std::filesystem::create_directories(folder.File("usr/bin"));
        if (*file) folder.Write(std::string("usr/bin/") + file, "");
        const std::string programFolder = ProgramFolderOf(folder.File("usr/bin/veltmoor"));
        if (*file) EXPECT_EQ(programFolder, folder.File("usr/bin/")) << file;
        // Otherwise the installation's <sysconfdir>/veltmoor/, beside or above <prefix> (/usr/etc is /etc).
        else EXPECT_THAT(programFolder, AnyOf(folder.File("usr/etc/veltmoor/"), folder.File("etc/veltmoor/")));
    }
}

TEST(OpenConnection, EmbeddedDatabaseIsNeverCreatedAndFailuresAreRecordedWithTheirWords) {
    TempDir folder;
    CVeltmoorDlg dlg;
    ConnectDialog(dlg, "Provider=Microsoft.Jet.OLEDB.4.0; data source=" + folder.File("tarnwick.mdb"));
    EXPECT_EQ(LogLines(dlg).at(6), "Tracer: CVeltmoorDlg::OpenConnection");
    EXPECT_FALSE(std::filesystem::exists(folder.File("tarnwick.mdb")));
    EXPECT_FALSE(dlg.m_pCatalog);
    AccountDatabase db(folder.File("tarnwick.mdb"));
    dlg.m_wndLog.Clear();
    dlg.OpenConnection();
    EXPECT_EQ(dlg.m_wndLog.GetText(), "");
    EXPECT_EQ(dlg.m_strMdacVersion, "DETECTED MDAC VERSION: 2.80");
    EXPECT_EQ(dlg.m_pCatalog->TableNames().size(), 5u);
    ConnectDialog(dlg, "Provider=Microsoft.Jet.OLEDB.4.; data source=x");  // a version part without digits
    EXPECT_THAT(LogLines(dlg), ::testing::IsSupersetOf({"Code = 800a0e7a",  // the code of a provider not found
                                                        "Description: Provider cannot be found. It may not be properly installed."}));
    ScriptedConnection sql;  // a server that cannot be reached
    sql.OnCall(::testing::StartsWith("Open(")).Fail(hr::kFail, "[08001] server not found");
    dlg.m_connectionFactory = sql.Factory();
    dlg.OpenConnection();
    EXPECT_THAT(dlg.m_wndLog.GetText(), ::testing::HasSubstr("[08001] server not found"));
}

TEST(OpenConnection, SqlServerOnceWithCatalogAndTheVersionWarning) {
    for (const auto& [provider, version, status] :
         {std::tuple{"SQLOLEDB.1", "2.6", "DETECTED MDAC VERSION: 2.60 - !!! THIS MDAC VERSION IS OUTDATED !!!"},
          {"MSDASQL.1", "2.7", "DETECTED MDAC VERSION: 2.70"}, {"SQLOLEDB.1", "10.0", "DETECTED MDAC VERSION: 10.00"},
          {"SQLOLEDB.1", "unknown", ""}}) {  // unreadable: the status text stays
        ScriptedConnection sql;
        sql.SetProvider(provider);
        sql.SetVersion(version);
        CVeltmoorDlg dlg;
        ConnectDialog(dlg, "Provider=SQLOLEDB.1;Data Source=server", sql.Factory());
        EXPECT_EQ(dlg.m_strMdacVersion, status);
        EXPECT_EQ(dlg.m_tally.errors, *status ? 0 : 1) << version;  // and the connection is usable all the same
        EXPECT_THAT(sql.Calls(), ElementsAre("Open(Provider=SQLOLEDB.1;Data Source=server)", "PutCommandTimeout(180)",
                                             "Catalog()"));
    }
}

TEST(RecordException, EightYellowLinesAfterABlankOne) {
    CVeltmoorDlg dlg;
    dlg.RecordException(_com_error(hr::kFail, "SQLite", "disk I/O error"), "CVeltmoorDlg::X", true);
    EXPECT_THAT(LogEntries(dlg), ElementsAre(Plain("  "), Yellow("Exception Recorded"), Yellow("Code = 80004005"),
                                             Yellow("Msg: Unspecified error"), Yellow("Source: SQLite"),
                                             Yellow("Description: disk I/O error"), Yellow("Tracer: CVeltmoorDlg::X"),
                                             Yellow(std::string("** Email ") + kSupportEmail +
                                                    " with this log if this problem persists")));
    dlg.RecordException(_com_error(hr::kFail), "CVeltmoorDlg::CreateTable", false);  // silent: the log stays
    EXPECT_EQ(LogLines(dlg).size(), 8u);
    EXPECT_EQ(dlg.m_tally.errors, 1);
    // Codes without a text of their own.
    for (const auto& [error, code, msg] : {std::tuple{_com_error(hr::kPointer), "80004003", "Invalid pointer"},
                                           {_com_error(HRESULT(0x80040201)), "80040201", "IDispatch error #1"},
                                           {_com_error(HRESULT(0x80040200)), "80040200", "Unknown error 0x80040200"},
                                           {_com_error(HRESULT(0x800A0E7A)), "800a0e7a", "Unknown error 0x800A0E7A"}}) {
        dlg.m_wndLog.Clear();
        dlg.RecordException(error, "t", true);
        EXPECT_THAT(LogLines(dlg), ::testing::IsSupersetOf({"Code = " + std::string(code), "Msg: " + std::string(msg),
                                                            "Source: (none)"s, "Description: (none)"s}));
    }
}

TEST(IsSqlServerProvider, OnlyTheStartOfTheProviderNameCounts) {
    for (const auto& [provider, sqlServer] : {std::pair{"SQLOLEDB.1", true}, {"sqloledb", true}, {"msdasql.2", true},
                                              {"Microsoft.Jet.OLEDB.4.0", false}, {"XSQLOLEDB", false},
                                              {"NotMSDASQL", false}, {"", false}}) {
        ScriptedConnection sql;
        sql.SetProvider(provider);
        EXPECT_EQ(IsSqlServerProvider(sql.Open()), sqlServer) << provider;
    }
    EXPECT_THROW(IsSqlServerProvider(ado::ConnectionPtr()), _com_error);
}

}  // namespace
}  // namespace veltmoor::test
