// The SQLite provider's backup: a complete copy under a name of its own or
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

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}
std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Occupied {
    const char* name;
    int taken;            // names already there: x.bak, x-2.bak, ...
    bool links;           // they are links to a file outside (else plain files)
    const char* written;  // where the copy must go
};

class SqliteBackupTest : public SqliteTest, public ::testing::WithParamInterface<Occupied> {};

TEST_P(SqliteBackupTest, TakesTheFirstFreeNameAndNeverFollowsALink) {
    const Occupied& c = GetParam();
    raw().Exec("CREATE TABLE T (V TEXT); INSERT INTO T VALUES ('kept')");
    TempDir outside;
    const std::string victim = outside.Write("victim", "precious");
    for (int n = 1; n <= c.taken; ++n) {
        const std::string name = dir_.File(n == 1 ? "x.bak" : "x-" + std::to_string(n) + ".bak");
        if (c.links) fs::create_symlink(victim, name);
        else std::ofstream(name) << "earlier";
    }
    const std::set<std::string> before = Names(dir_.path());
    EXPECT_EQ(Open()->BackupTo(dir_.File("x.bak")), dir_.File(c.written));
    EXPECT_EQ(Content(victim), "precious");
    EXPECT_EQ(RawDb(dir_.File(c.written)).Query("SELECT V FROM T"), "kept");
    std::set<std::string> after = Names(dir_.path());
    EXPECT_EQ(after.erase(c.written), 1u);
    EXPECT_EQ(after, before) << "nothing else made, nothing replaced";
    after.erase("tarnwick.mdb");
    for (const std::string& name : after) EXPECT_EQ(Content(dir_.File(name)), c.links ? "precious" : "earlier");
}

INSTANTIATE_TEST_SUITE_P(Cases, SqliteBackupTest, ::testing::Values(
    Occupied{"Free", 0, false, "x.bak"}, Occupied{"TakenByAFile", 1, false, "x-2.bak"},
    Occupied{"TwoTaken", 2, false, "x-3.bak"}, Occupied{"TakenByALink", 1, true, "x-2.bak"},
    Occupied{"TwoLinks", 2, true, "x-3.bak"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SqliteTest, BackupOnAFullDiskLeavesNothingBehind) {
    raw().Exec("CREATE TABLE T (V TEXT); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
               "INSERT INTO T SELECT hex(randomblob(100)) FROM n");
    const std::set<std::string> before = Names(dir_.path());
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
