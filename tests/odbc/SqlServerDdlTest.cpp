// The T-SQL the ODBC catalog sends, as text.
#include <gtest/gtest.h>

#include "db/ado/odbc/SqlServerDdl.h"

namespace veltmoor::ado::odbc {
namespace {

ColumnInfo Column(const std::string& name, DataTypeEnum type, long size = 0, bool nullable = true) {
    ColumnInfo c;
    c.name = name;
    c.type = type;
    c.definedSize = size;
    c.nullable = nullable;
    return c;
}

template <class F>
_com_error ErrorOf(F f) {
    try {
        f();
    } catch (const _com_error& e) {
        return e;
    }
    ADD_FAILURE() << "expected an error";
    return _com_error(0);
}

TEST(SqlServerDdl, QuoteNameDoublesClosingBrackets) {
    EXPECT_EQ(QuoteName("ACCOUNTS"), "[ACCOUNTS]");
    EXPECT_EQ(QuoteName("a]b[c"), "[a]]b[c]");
    EXPECT_EQ(QuoteName("x]; DROP TABLE y; --"), "[x]]; DROP TABLE y; --]");
    EXPECT_EQ(QuoteName(""), "[]");
}

TEST(SqlServerDdl, TypesFromAdoxNumbers) {
    struct Case {
        ColumnInfo column;
        const char* sql;
    };
    ColumnInfo decimal = Column("d", adNumeric);
    decimal.precision = 10;
    decimal.scale = 2;
    ColumnInfo unsizedDecimal = Column("d", adDecimal);
    const Case cases[] = {
        {Column("c", adInteger), "int"},
        {Column("c", adSmallInt), "smallint"},
        {Column("c", adBigInt), "bigint"},
        {Column("c", adUnsignedTinyInt), "tinyint"},
        {Column("c", adBoolean), "bit"},
        {Column("c", adDouble), "float"},
        {Column("c", adSingle), "real"},
        {Column("c", adCurrency), "money"},
        {Column("c", adDBTimeStamp), "datetime"},
        {Column("c", adGUID), "uniqueidentifier"},
        {decimal, "decimal(10,2)"},
        {unsizedDecimal, "decimal(18,0)"},
        {Column("c", adVarWChar, 50), "nvarchar(50)"},
        {Column("c", adVarWChar, 4000), "nvarchar(4000)"},
        {Column("c", adVarWChar, 4001), "nvarchar(max)"},
        {Column("c", adVarWChar, 1073741823), "nvarchar(max)"},
        {Column("c", adVarWChar, 0), "nvarchar(255)"},
        {Column("c", adVarChar, 8000), "varchar(8000)"},
        {Column("c", adVarChar, 8001), "varchar(max)"},
        {Column("c", adWChar, 10), "nchar(10)"},
        {Column("c", adChar, 3), "char(3)"},
        {Column("c", adLongVarWChar), "nvarchar(max)"},
        {Column("c", adVarBinary, 16), "varbinary(16)"},
        {Column("c", adLongVarBinary), "varbinary(max)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(SqlServerType(c.column), c.sql);
    }
    const _com_error e = ErrorOf([] { SqlServerType(Column("odd", static_cast<DataTypeEnum>(99))); });
    EXPECT_EQ(e.Error(), hr::kInvalidArg);
    EXPECT_NE(e.Description().find("[odd]"), std::string::npos);
}

TEST(SqlServerDdl, Literals) {
    EXPECT_EQ(SqlServerLiteral(_variant_t(-5)), "-5");
    EXPECT_EQ(SqlServerLiteral(_variant_t(2.5)), "2.5");
    EXPECT_EQ(SqlServerLiteral(_variant_t(true)), "1");
    EXPECT_EQ(SqlServerLiteral(_variant_t(false)), "0");
    EXPECT_EQ(SqlServerLiteral(_variant_t("it's")), "N'it''s'");
    EXPECT_EQ(SqlServerLiteral(_variant_t("Z\xC3\xBCrich")), "N'Z\xC3\xBCrich'");
    EXPECT_EQ(SqlServerLiteral(_variant_t::Null()), "NULL");
}

TEST(SqlServerDdl, CreateTableWithIdentityNullabilityAndDefaults) {
    TableDef table{"ACCOUNTS_1A2B3C4D", {}};
    ColumnInfo id = Column("ID", adInteger, 0, true);  // a nullable source column
    id.autoIncrement = true;
    table.columns.push_back(id);
    table.columns.push_back(Column("NAME", adVarWChar, 50, false));
    ColumnInfo quota = Column("QUOTA", adInteger);
    quota.defaultValue = _variant_t(0);
    table.columns.push_back(quota);
    ColumnInfo ratio = Column("RATIO", adNumeric);
    ratio.precision = 5;
    ratio.scale = 2;
    table.columns.push_back(ratio);
    EXPECT_EQ(CreateTableSql(table),
              "CREATE TABLE [ACCOUNTS_1A2B3C4D] ([ID] int IDENTITY(1,1) NOT NULL, [NAME] nvarchar(50) NOT NULL, "
              "[QUOTA] int NULL DEFAULT 0, [RATIO] decimal(5,2) NULL)");

    EXPECT_EQ(ErrorOf([] { CreateTableSql(TableDef{"EMPTY", {}}); }).Error(), hr::kInvalidArg);
    EXPECT_EQ(ErrorOf([] { CreateTableSql(TableDef{"", {Column("A", adInteger)}}); }).Error(), hr::kInvalidArg);
    EXPECT_EQ(ErrorOf([] { CreateTableSql(TableDef{"T", {Column("", adInteger)}}); }).Error(), hr::kInvalidArg);
}

TEST(SqlServerDdl, IndexesAndPrimaryKeys) {
    IndexInfo plain{"IX_NAME", false, false, false, {Column("NAME", adVarWChar, 255)}};
    EXPECT_EQ(CreateIndexSql("ACCOUNTS", plain), "CREATE INDEX [IX_NAME] ON [ACCOUNTS] ([NAME])");
    IndexInfo unique{"UX", false, true, false, {Column("A", adInteger), Column("B", adInteger)}};
    EXPECT_EQ(CreateIndexSql("T", unique), "CREATE UNIQUE INDEX [UX] ON [T] ([A], [B])");
    IndexInfo clustered{"CX", false, false, true, {Column("A", adInteger)}};
    EXPECT_EQ(CreateIndexSql("T", clustered), "CREATE CLUSTERED INDEX [CX] ON [T] ([A])");
    IndexInfo primary{"PK_ACCOUNTS", true, true, false, {Column("ID", adInteger)}};
    EXPECT_EQ(CreateIndexSql("ACCOUNTS", primary),
              "ALTER TABLE [ACCOUNTS] ADD CONSTRAINT [PK_ACCOUNTS] PRIMARY KEY ([ID])");

    EXPECT_EQ(ErrorOf([] { CreateIndexSql("T", IndexInfo{"I", false, false, false, {}}); }).Error(), hr::kInvalidArg);
    EXPECT_EQ(ErrorOf([] {
                  CreateIndexSql("T", IndexInfo{"", false, false, false, {Column("A", adInteger)}});
              }).Error(),
              hr::kInvalidArg);
}

TEST(SqlServerDdl, ColumnProperties) {
    const ColumnInfo name = Column("NAME", adVarWChar, 50);
    EXPECT_EQ(SetColumnPropertySql("ACCOUNTS", Column("QUOTA", adInteger), "Default", _variant_t(5)),
              "ALTER TABLE [ACCOUNTS] ADD CONSTRAINT [DF_ACCOUNTS_QUOTA] DEFAULT 5 FOR [QUOTA]");
    EXPECT_EQ(SetColumnPropertySql("ACCOUNTS", Column("ENABLED", adBoolean), "default", _variant_t(true)),
              "ALTER TABLE [ACCOUNTS] ADD CONSTRAINT [DF_ACCOUNTS_ENABLED] DEFAULT 1 FOR [ENABLED]");
    EXPECT_EQ(SetColumnPropertySql("ACCOUNTS", name, "Nullable", _variant_t(true)),
              "ALTER TABLE [ACCOUNTS] ALTER COLUMN [NAME] nvarchar(50) NULL");
    EXPECT_EQ(SetColumnPropertySql("ACCOUNTS", name, "Nullable", _variant_t(false)),
              "ALTER TABLE [ACCOUNTS] ALTER COLUMN [NAME] nvarchar(50) NOT NULL");

    const _com_error identity =
        ErrorOf([&] { SetColumnPropertySql("ACCOUNTS", name, "Autoincrement", _variant_t(true)); });
    EXPECT_EQ(identity.Error(), hr::kNotSupported);
    EXPECT_NE(identity.Description().find("identity"), std::string::npos);
    EXPECT_NE(identity.Description().find("rebuilt"), std::string::npos);
    EXPECT_EQ(ErrorOf([&] { SetColumnPropertySql("ACCOUNTS", name, "Default", _variant_t()); }).Error(),
              hr::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { SetColumnPropertySql("ACCOUNTS", name, "Seed", _variant_t(1)); }).Error(),
              hr::kItemNotFound);
}

}  // namespace
}  // namespace veltmoor::ado::odbc
