// The SQLite provider's backup: a complete copy under a name of its own, or
// nothing, whatever already sits at that name.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

namespace fs = std::filesystem;

std::set<fs::path> Names(const fs::path& folder) { return {fs::directory_iterator(folder), {}}; }
std::string Content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(SqliteTest, BackupTakesTheFirstFreeNameAndNeverFollowsALink) {
    raw().Exec("CREATE TABLE T (V TEXT); INSERT INTO T VALUES ('kept')");
    const TempDir outside;
    const std::string victim = outside.Write("victim", "precious"), earlier = dir_.Write("x-2.bak", "earlier");
    fs::create_symlink(victim, dir_.File("x.bak"));
    fs::create_symlink(victim, dir_.File("x-3.bak"));
    const std::set<fs::path> before = Names(dir_.path());
    EXPECT_EQ(Open()->BackupTo(dir_.File("x.bak")), dir_.File("x-4.bak"));
    EXPECT_EQ(RawDb(dir_.File("x-4.bak")).Query("SELECT V FROM T"), "kept");
    EXPECT_EQ(Content(victim) + Content(earlier), "preciousearlier") << "nothing replaced, no link followed";
    std::set<fs::path> after = Names(dir_.path());
    after.erase(dir_.File("x-4.bak"));
    EXPECT_EQ(after, before) << "nothing else made";
    dir_.Write("y.bak", "");
    EXPECT_EQ(Open()->BackupTo(dir_.File("y.bak")), dir_.File("y-2.bak"));
}

TEST_F(SqliteTest, BackupOnAFullDiskLeavesNothingBehind) {
    raw().Exec("CREATE TABLE T (V TEXT); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
               "INSERT INTO T SELECT hex(randomblob(100)) FROM n");
    const std::set<fs::path> before = Names(dir_.path());
    ado::ConnectionPtr connection = Open();
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);  // the limit stands for a full disk
    const rlimit limit{64 * 1024, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const Raised raised = ErrorOf([&] { connection->BackupTo(dir_.File("x.bak")); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_THAT(raised.text, HasSubstr("could not be written to '" + dir_.File("x.bak") + "'"));
    EXPECT_EQ(Names(dir_.path()), before);
}

}  // namespace
}  // namespace veltmoor::test
