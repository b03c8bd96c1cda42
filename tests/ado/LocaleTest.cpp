// The data-access layer under a Turkish locale, where the C library folds 'i' to a
// dotted capital I that no byte holds: names and keys still fold ASCII only.
#include <clocale>

#include "tests/ado/SqliteFixture.h"

namespace veltmoor::test {
namespace {

TEST_F(SqliteTest, NamesAndKeysFoldAsciiUnderATurkishLocale) {
    raw().Exec("CREATE TABLE SETTINGS (ID INTEGER PRIMARY KEY, IS_IDLE INTEGER); INSERT INTO SETTINGS VALUES (7, 1)");
    ASSERT_TRUE(std::setlocale(LC_ALL, "tr_TR.UTF-8")) << "scripts/install-deps generates tr_TR.UTF-8";
    ado::ConnectionPtr connection = ado::CreateConnection();
    const Raised raised = ErrorOf([&] {
        connection->Open("PROVIDER=MICROSOFT.JET.OLEDB.4.0;DATA SOURCE=" + dbPath_ + ";MODE=READWRITE", "", "", 0);
        EXPECT_EQ(connection->Provider() + (connection->IsReadOnly() ? " read-only" : ""), "Microsoft.Jet.OLEDB.4.0");
        EXPECT_EQ(connection->Execute("select id, is_idle from settings")->GetField("ID").ToInt32(), 7);
        connection->Catalog()->SetColumnProperty("settings", "is_idle", "DEFAULT", _variant_t(0));
    });
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(raised.text, "");
}

}  // namespace
}  // namespace veltmoor::test
