// The SQLite provider in a hostile environment: a backup never takes a name that is
// already there, nor follows a link; a Turkish locale changes no name or key.
#include <clocale>
#include <filesystem>
#include <set>

#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

namespace fs = std::filesystem;

std::set<fs::path> Names(const fs::path& folder) { return {fs::directory_iterator(folder), {}}; }

TEST_F(SqliteTest, BackupTakesTheFirstFreeNameAndNeverFollowsALink) {
    raw().Exec("CREATE TABLE T (V TEXT); INSERT INTO T VALUES ('kept')");
    const TempDir outside;
    const std::string victim = outside.Write("victim", "precious"), earlier = dir_.Write("x-2.bak", "earlier");
    fs::create_symlink(victim, dir_.File("x.bak"));
    fs::create_symlink(victim, dir_.File("x-3.bak"));
    std::set<fs::path> made = Names(dir_.path());
    made.insert(dir_.File("x-4.bak"));
    EXPECT_EQ(Open()->BackupTo(dir_.File("x.bak")), dir_.File("x-4.bak"));
    EXPECT_EQ(SqliteFile(dir_.File("x-4.bak")).Query("SELECT V FROM T"), "kept");
    EXPECT_EQ(fs::file_size(victim) + fs::file_size(earlier), 15u) << "nothing replaced, no link followed";
    EXPECT_EQ(Names(dir_.path()), made) << "nothing else made";
    dir_.Write("y.bak", "");
    EXPECT_EQ(Open()->BackupTo(dir_.File("y.bak")), dir_.File("y-2.bak"));
}

// The C library folds a Turkish 'i' to a dotted capital I that no byte holds.
TEST_F(SqliteTest, NamesAndKeysFoldAsciiUnderATurkishLocale) {
    raw().Exec("CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY, IS_IDLE INTEGER); INSERT INTO SETTINGS VALUES (7, 1)");
    ASSERT_TRUE(std::setlocale(LC_ALL, "tr_TR.UTF-8")) << "scripts/install-deps generates tr_TR.UTF-8";
    ado::ConnectionPtr connection = ado::CreateConnection();
    const _com_error raised = ErrorOf([&] {
        connection->Open("PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=" + dbPath_ + ";MODE=READWRITE", "", "", 0);
        EXPECT_EQ(connection->Provider() + (connection->IsReadOnly() ? " read-only" : ""), "Microsoft.Jet.OLEDB.4.0");
        EXPECT_EQ(connection->Execute("select id, is_idle from settings")->GetField("ID").ToInt32(), 7);
        connection->Catalog()->SetColumnProperty("settings", "is_idle", "DEFAULT", _variant_t(0));
    });
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(raised.Error(), 0) << raised.Description();
}

}  // namespace
}  // namespace veltmoor::test
