// How ODBC reports become what the program sees: diagnostic records as its error,
// and the catalog's SQL type numbers (ODBC's fixed codes) as ADOX types.
#include <gtest/gtest.h>

#include "db/ado/odbc/OdbcDiagnostics.h"
#include "db/ado/odbc/OdbcTypes.h"

namespace veltmoor::ado::odbc {
namespace {

TEST(OdbcDiagnostics, SqlStateDecidesTheCodeAndEveryRecordIsKept) {
    const std::pair<const char*, HRESULT> states[] = {
        {"42S02", hr::kNoTable},      {"S0002", hr::kNoTable},   {"42000", hr::kErrorsInCommand},
        {"42S22", hr::kErrorsInCommand}, {"23505", hr::kIntegrityViolation}, {"hyt00", hr::kTimeout},
        {"HYT01", hr::kTimeout},      {"08S01", hr::kFail},      {"", hr::kFail},
    };
    for (const auto& [state, code] : states) EXPECT_EQ(MapSqlState(state), code) << state;

    const _com_error e = MakeOdbcError({{"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'FTP'."},
                                        {"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'ACCOUNTS'."}},
                                       "SQL Server provider (SQLOLEDB)", "SQLExecDirect");
    EXPECT_EQ(e.Error(), hr::kNoTable);  // a leading warning does not decide the code
    EXPECT_EQ(e.Source(), "SQL Server provider (SQLOLEDB)");
    EXPECT_EQ(e.Description(),
              "[01000] (5701) [FreeTDS][SQL Server]Changed database context to 'FTP'.; "
              "[42S02] (208) [FreeTDS][SQL Server]Invalid object name 'ACCOUNTS'.");
    EXPECT_EQ(MakeOdbcError({{"01004", 0, "String data, right truncated"}}, "s", "SQLFetch").Error(), hr::kFail);
    EXPECT_EQ(MakeOdbcError({}, "s", "SQLFetch").Description(), "SQLFetch failed without diagnostic information");
}

TEST(OdbcTypes, SqlTypesMapToAdoxTypes) {
    const std::tuple<int, const char*, DataTypeEnum, bool> cases[] = {  // hasLength last
        {4, "int identity", adInteger, false}, {-6, "tinyint", adUnsignedTinyInt, false}, {-7, "bit", adBoolean, false},
        {6, "float", adDouble, false},         {7, "real", adSingle, false},              {2, "numeric", adNumeric, false},
        {3, "money", adCurrency, false},       {3, "smallmoney", adCurrency, false},      {1, "char", adChar, true},
        {12, "varchar", adVarChar, true},      {-1, "text", adLongVarChar, true},         {-9, "nvarchar", adVarWChar, true},
        {-10, "ntext", adLongVarWChar, true},  {-3, "varbinary", adVarBinary, true},      {-4, "image", adLongVarBinary, true},
        {93, "datetime", adDBTimeStamp, false}, {91, "date", adDate, false},              {-11, "uniqueidentifier", adGUID, false},
        {-150, "sql_variant", adVariant, false},
    };
    for (const auto& [sqlType, name, adox, hasLength] : cases) {
        EXPECT_EQ(AdoxType(sqlType, name), adox) << name;
        EXPECT_EQ(HasLength(adox), hasLength) << name;
    }
}

}  // namespace
}  // namespace veltmoor::ado::odbc
