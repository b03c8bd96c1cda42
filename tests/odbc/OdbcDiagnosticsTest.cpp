// How ODBC diagnostic records become the error the program logs.
#include <gtest/gtest.h>

#include "db/ado/odbc/OdbcDiagnostics.h"

namespace veltmoor::ado::odbc {
namespace {

TEST(OdbcDiagnostics, SqlStateDecidesTheCode) {
    struct Case {
        const char* state;
        HRESULT code;
    };
    const Case cases[] = {
        {"42S02", hr::kNoTable},
        {"S0002", hr::kNoTable},
        {"42000", hr::kErrorsInCommand},
        {"42S22", hr::kErrorsInCommand},
        {"37000", hr::kErrorsInCommand},
        {"23000", hr::kIntegrityViolation},
        {"23505", hr::kIntegrityViolation},
        {"HYT00", hr::kTimeout},
        {"hyt00", hr::kTimeout},
        {"HYT01", hr::kTimeout},
        {"08001", hr::kFail},
        {"08S01", hr::kFail},
        {"IM002", hr::kFail},
        {"HY000", hr::kFail},
        {"", hr::kFail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EXPECT_EQ(MapSqlState(c.state), c.code);
    }
}

TEST(OdbcDiagnostics, EveryRecordReachesTheDescription) {
    const std::vector<DiagRecord> records = {
        {"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'FTP'."},
        {"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'ACCOUNTS'."},
        {"42000", 8180, "[FreeTDS][SQL Server]Statement(s) could not be prepared."},
    };
    const _com_error e = MakeOdbcError(records, "SQL Server provider (SQLOLEDB)", "SQLExecDirect");
    // A leading warning does not decide the code.
    EXPECT_EQ(e.Error(), hr::kNoTable);
    EXPECT_TRUE(e.HasErrorInfo());
    EXPECT_EQ(e.Source(), "SQL Server provider (SQLOLEDB)");
    EXPECT_EQ(e.Description(),
              "[01000] (5701) [FreeTDS][SQL Server]Changed database context to 'FTP'.; "
              "[42S02] (208) [FreeTDS][SQL Server]Invalid object name 'ACCOUNTS'.; "
              "[42000] (8180) [FreeTDS][SQL Server]Statement(s) could not be prepared.");
}

TEST(OdbcDiagnostics, OnlyWarningsOrNoRecords) {
    const _com_error warned = MakeOdbcError({{"01004", 0, "String data, right truncated"}}, "src", "SQLFetch");
    EXPECT_EQ(warned.Error(), hr::kFail);
    const _com_error bare = MakeOdbcError({}, "src", "SQLFetch");
    EXPECT_EQ(bare.Error(), hr::kFail);
    EXPECT_EQ(bare.Source(), "src");
    EXPECT_EQ(bare.Description(), "SQLFetch failed without diagnostic information");
}

}  // namespace
}  // namespace veltmoor::ado::odbc
