// ADOX type numbers for the SQL data types an ODBC catalog reports. The codes are
// ODBC's fixed SQL type numbers.
#include <gtest/gtest.h>

#include "db/ado/odbc/OdbcTypes.h"

namespace veltmoor::ado::odbc {
namespace {

TEST(OdbcTypes, SqlTypesMapToAdoxTypes) {
    struct Case {
        int sqlType;
        const char* typeName;
        DataTypeEnum adox;
    };
    const Case cases[] = {
        {4, "int", adInteger},  // SQL_INTEGER
        {4, "int identity", adInteger},
        {5, "smallint", adSmallInt},         // SQL_SMALLINT
        {-6, "tinyint", adUnsignedTinyInt},  // SQL_TINYINT
        {-5, "bigint", adBigInt},            // SQL_BIGINT
        {-7, "bit", adBoolean},              // SQL_BIT
        {8, "float", adDouble},              // SQL_DOUBLE
        {6, "float", adDouble},              // SQL_FLOAT
        {7, "real", adSingle},               // SQL_REAL
        {3, "decimal", adNumeric},           // SQL_DECIMAL
        {2, "numeric", adNumeric},           // SQL_NUMERIC
        {3, "money", adCurrency},
        {3, "smallmoney", adCurrency},
        {1, "char", adChar},                // SQL_CHAR
        {12, "varchar", adVarChar},         // SQL_VARCHAR
        {-1, "text", adLongVarChar},        // SQL_LONGVARCHAR
        {-8, "nchar", adWChar},             // SQL_WCHAR
        {-9, "nvarchar", adVarWChar},       // SQL_WVARCHAR
        {-10, "ntext", adLongVarWChar},     // SQL_WLONGVARCHAR
        {-2, "binary", adBinary},           // SQL_BINARY
        {-3, "varbinary", adVarBinary},     // SQL_VARBINARY
        {-4, "image", adLongVarBinary},     // SQL_LONGVARBINARY
        {93, "datetime", adDBTimeStamp},    // SQL_TYPE_TIMESTAMP
        {91, "date", adDate},               // SQL_TYPE_DATE
        {-11, "uniqueidentifier", adGUID},  // SQL_GUID
        {-150, "sql_variant", adVariant},   // a driver's own type
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typeName);
        EXPECT_EQ(AdoxType(c.sqlType, c.typeName), c.adox);
    }
}

TEST(OdbcTypes, OnlyTextAndBinaryTypesHaveALength) {
    for (DataTypeEnum t : {adChar, adVarChar, adLongVarChar, adWChar, adVarWChar, adLongVarWChar, adBinary, adVarBinary,
                           adLongVarBinary})
        EXPECT_TRUE(HasLength(t)) << t;
    for (DataTypeEnum t : {adInteger, adSmallInt, adBigInt, adBoolean, adDouble, adNumeric, adDBTimeStamp, adGUID})
        EXPECT_FALSE(HasLength(t)) << t;
}

}  // namespace
}  // namespace veltmoor::ado::odbc
