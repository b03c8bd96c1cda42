// The exact T-SQL the ODBC catalog sends to SQL Server.
#include "db/ado/odbc/SqlServerDdl.h"
#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::odbc {
namespace {

ColumnInfo Column(const std::string& name, DataTypeEnum type, long size = 0, bool nullable = true, int precision = 0) {
    ColumnInfo c;
    c.name = name, c.type = type, c.definedSize = size, c.nullable = nullable;
    c.precision = precision, c.scale = precision ? 2 : 0;
    return c;
}

using test::ErrorOf;

TEST(SqlServerDdl, NamesTypesAndLiterals) {
    EXPECT_EQ(QuoteName("x]; DROP TABLE y; --"), "[x]]; DROP TABLE y; --]");
    const std::pair<ColumnInfo, const char*> types[] = {
        {Column("c", adInteger), "int"},           {Column("c", adSmallInt), "smallint"},
        {Column("c", adBigInt), "bigint"},         {Column("c", adUnsignedTinyInt), "tinyint"},
        {Column("c", adBoolean), "bit"},           {Column("c", adDouble), "float"},
        {Column("c", adSingle), "real"},           {Column("c", adCurrency), "money"},
        {Column("c", adDBTimeStamp), "datetime"},  {Column("c", adGUID), "uniqueidentifier"},
        {Column("d", adNumeric, 0, true, 10), "decimal(10,2)"}, {Column("d", adDecimal), "decimal(18,0)"},
        {Column("c", adVarWChar, 4000), "nvarchar(4000)"},      {Column("c", adVarWChar, 4001), "nvarchar(max)"},
        {Column("c", adVarWChar, 0), "nvarchar(255)"},          {Column("c", adVarChar, 8000), "varchar(8000)"},
        {Column("c", adVarChar, 8001), "varchar(max)"},         {Column("c", adWChar, 1), "nchar(1)"},
        {Column("c", adChar, 3), "char(3)"},                    {Column("c", adLongVarWChar), "nvarchar(max)"},
        {Column("c", adVarBinary, 16), "varbinary(16)"},        {Column("c", adLongVarBinary), "varbinary(max)"},
    };
    for (const auto& [column, sql] : types) EXPECT_EQ(SqlServerType(column), sql);
    EXPECT_EQ(ErrorOf([] { SqlServerType(Column("odd", static_cast<DataTypeEnum>(99))); }).Error(), hr::kInvalidArg);
    const std::pair<_variant_t, const char*> literals[] = {
        {_variant_t(2.5), "2.5"}, {_variant_t(false), "0"}, {_variant_t("it's"), "N'it''s'"}, {_variant_t::Null(), "NULL"}};
    for (const auto& [value, sql] : literals) EXPECT_EQ(SqlServerLiteral(value), sql);
}

TEST(SqlServerDdl, CreateTableAndIndexes) {
    TableDef table{"ACCOUNTS_1A2B3C4D", {Column("ID", adInteger), Column("NAME", adVarWChar, 50, false),
                                         Column("QUOTA", adInteger), Column("RATIO", adNumeric, 0, true, 5)}};
    table.columns[0].autoIncrement = true;  // a nullable source column
    table.columns[2].defaultValue = _variant_t(0);
    EXPECT_EQ(CreateTableSql(table),
              "CREATE TABLE [ACCOUNTS_1A2B3C4D] ([ID] int IDENTITY(1,1) NOT NULL, [NAME] nvarchar(50) NOT NULL, "
              "[QUOTA] int NULL DEFAULT 0, [RATIO] decimal(5,2) NULL)");
    const std::pair<TableDef, const char*> refused[] = {
        {{"", {Column("A", adInteger)}}, "A table needs a name"},
        {{"EMPTY", {}}, "Table [EMPTY] needs at least one column"},
        {{"T", {Column("", adInteger)}}, "Every column of table [T] needs a name"}};
    for (const auto& [def, why] : refused)
        EXPECT_EQ(ErrorOf([&] { CreateTableSql(def); }).Description(), why);

    const std::pair<IndexInfo, const char*> indexes[] = {
        {{"IX_NAME", false, false, false, {Column("NAME", adVarWChar)}}, "CREATE INDEX [IX_NAME] ON [T] ([NAME])"},
        {{"UX", false, true, false, {Column("A", adInteger), Column("B", adInteger)}},
         "CREATE UNIQUE INDEX [UX] ON [T] ([A], [B])"},
        {{"CX", false, false, true, {Column("A", adInteger)}}, "CREATE CLUSTERED INDEX [CX] ON [T] ([A])"},
        {{"PK_T", true, true, false, {Column("ID", adInteger)}},
         "ALTER TABLE [T] ADD CONSTRAINT [PK_T] PRIMARY KEY ([ID])"},
        {{"PK_C", true, true, true, {Column("ID", adInteger)}}, "ALTER TABLE [T] ADD CONSTRAINT [PK_C] PRIMARY KEY CLUSTERED ([ID])"},
    };
    for (const auto& [index, sql] : indexes) EXPECT_EQ(CreateIndexSql("T", index), sql);
    EXPECT_EQ(ErrorOf([] { CreateIndexSql("T", IndexInfo{"I", false, false, false, {}}); }).Description(),
              "Index [I] needs at least one column");
    EXPECT_EQ(ErrorOf([] { CreateIndexSql("T", IndexInfo{"", false, false, false, {Column("A", adInteger)}}); }).Description(),
              "An index on [T] needs a name");
}

TEST(SqlServerDdl, ColumnProperties) {
    const ColumnInfo name = Column("NAME", adVarWChar, 50);
    EXPECT_EQ(SetColumnPropertySql("ACCOUNTS", Column("QUOTA", adInteger), "Default", _variant_t(5)),
              "ALTER TABLE [ACCOUNTS] ADD CONSTRAINT [DF_ACCOUNTS_QUOTA] DEFAULT 5 FOR [QUOTA]");
    EXPECT_EQ(SetColumnPropertySql("ACCOUNTS", Column("ENABLED", adBoolean), "default", _variant_t(true)),
              "ALTER TABLE [ACCOUNTS] ADD CONSTRAINT [DF_ACCOUNTS_ENABLED] DEFAULT 1 FOR [ENABLED]");
    EXPECT_EQ(ErrorOf([&] { SetColumnPropertySql("A", name, "Autoincrement", _variant_t(true)); }).Error(), hr::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { SetColumnPropertySql("A", name, "Default", _variant_t()); }).Error(), hr::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { SetColumnPropertySql("A", name, "Seed", _variant_t(1)); }).Error(), hr::kItemNotFound);
}

}  // namespace
}  // namespace veltmoor::ado::odbc
