// The catalog of an ODBC connection, read through the ODBC catalog functions.
#include <algorithm>

#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::test {
namespace {

const ColumnInfo& Find(const std::vector<ColumnInfo>& columns, const std::string& name) {
    for (const ColumnInfo& c : columns)
        if (c.name == name) return c;
    ADD_FAILURE() << "no column " << name;
    static const ColumnInfo none;
    return none;
}

std::vector<std::string> Names(const std::vector<ColumnInfo>& columns) {
    std::vector<std::string> names;
    for (const ColumnInfo& c : columns) names.push_back(c.name);
    return names;
}

class OdbcCatalogTest : public OdbcSqliteTest {
protected:
    void SetUp() override {
        OdbcSqliteTest::SetUp();
        connection_ = Open();
        connection_->Execute(
            "CREATE TABLE ACCOUNTS (ID integer PRIMARY KEY AUTOINCREMENT, NAME nvarchar(50) NOT NULL, "
            "QUOTA integer DEFAULT 0, RATIO double, ENABLED bit NOT NULL DEFAULT 1, NOTE varchar(20) DEFAULT NULL, "
            "CREATED timestamp, SETTINGS_ID integer)");
        connection_->Execute("CREATE UNIQUE INDEX IX_NAME ON ACCOUNTS (NAME)");
        connection_->Execute("CREATE INDEX IX_PAIR ON ACCOUNTS (SETTINGS_ID, QUOTA)");
        // Names that catalog search patterns would confuse with each other.
        connection_->Execute("CREATE TABLE USER_GROUPS (GROUP_ID integer)");
        connection_->Execute("CREATE TABLE USERXGROUPS (OTHER integer, MEMO varchar)");
        connection_->Execute("CREATE VIEW ACCOUNT_NAMES AS SELECT NAME FROM ACCOUNTS");
        catalog_ = connection_->Catalog();
    }

    ConnectionPtr connection_;
    std::shared_ptr<CatalogBackend> catalog_;
};

TEST_F(OdbcCatalogTest, TablesAreListedWithoutViews) {
    std::vector<std::string> names;
    for (std::string& name : catalog_->TableNames()) {
        // SQLite's own bookkeeping tables are the driver's business.
        if (name.rfind("sqlite_", 0) != 0) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ACCOUNTS", "USERXGROUPS", "USER_GROUPS"}));
}

TEST_F(OdbcCatalogTest, ColumnsWithTypesAndProperties) {
    const std::vector<ColumnInfo> columns = catalog_->Columns("ACCOUNTS");
    EXPECT_EQ(Names(columns),
              (std::vector<std::string>{"ID", "NAME", "QUOTA", "RATIO", "ENABLED", "NOTE", "CREATED", "SETTINGS_ID"}));
    const ColumnInfo& id = Find(columns, "ID");
    EXPECT_EQ(id.type, adInteger);
    EXPECT_TRUE(id.autoIncrement);
    EXPECT_TRUE(id.defaultValue.IsEmpty());

    const ColumnInfo& name = Find(columns, "NAME");
    EXPECT_TRUE(name.type == adVarWChar || name.type == adVarChar) << name.type;
    EXPECT_EQ(name.definedSize, 50);
    EXPECT_FALSE(name.nullable);
    EXPECT_FALSE(name.autoIncrement);

    const ColumnInfo& quota = Find(columns, "QUOTA");
    EXPECT_EQ(quota.type, adInteger);
    EXPECT_TRUE(quota.nullable);
    EXPECT_EQ(quota.defaultValue, _variant_t("0"));
    EXPECT_EQ(quota.definedSize, 0);

    EXPECT_EQ(Find(columns, "RATIO").type, adDouble);
    EXPECT_EQ(Find(columns, "ENABLED").type, adBoolean);
    EXPECT_FALSE(Find(columns, "ENABLED").nullable);
    EXPECT_EQ(Find(columns, "ENABLED").defaultValue, _variant_t("1"));
    // A default of NULL is no default.
    EXPECT_TRUE(Find(columns, "NOTE").defaultValue.IsEmpty());
    EXPECT_EQ(Find(columns, "NOTE").definedSize, 20);
    // An unsized text column is unbounded, not empty.
    const ColumnInfo memo = Find(catalog_->Columns("USERXGROUPS"), "MEMO");
    EXPECT_EQ(memo.type, adVarChar);
    EXPECT_GT(memo.definedSize, 8000);
    EXPECT_EQ(Find(columns, "CREATED").type, adDBTimeStamp);
}

TEST_F(OdbcCatalogTest, PatternCharactersInTableNamesMatchOnlyThemselves) {
    EXPECT_EQ(Names(catalog_->Columns("USER_GROUPS")), (std::vector<std::string>{"GROUP_ID"}));
    EXPECT_EQ(Names(catalog_->Columns("USERXGROUPS")), (std::vector<std::string>{"OTHER", "MEMO"}));
    EXPECT_EQ(Names(catalog_->Columns("user_groups")), (std::vector<std::string>{"GROUP_ID"}));
    EXPECT_EQ(ErrorOf([&] { catalog_->Columns("USER%"); }).Error(), hr::kNoTable);
    EXPECT_EQ(ErrorOf([&] { catalog_->Columns("NO_SUCH_TABLE"); }).Error(), hr::kNoTable);
}

TEST_F(OdbcCatalogTest, IndexesWithKeyColumnsInOrder) {
    const std::vector<IndexInfo> indexes = catalog_->Indexes("ACCOUNTS");
    auto find = [&](const std::string& name) -> const IndexInfo* {
        for (const IndexInfo& i : indexes)
            if (i.name == name) return &i;
        return nullptr;
    };
    const IndexInfo* unique = find("IX_NAME");
    ASSERT_NE(unique, nullptr);
    EXPECT_TRUE(unique->unique);
    EXPECT_FALSE(unique->primaryKey);
    ASSERT_EQ(unique->columns.size(), 1u);
    EXPECT_EQ(unique->columns[0].name, "NAME");
    EXPECT_EQ(unique->columns[0].definedSize, 50);

    const IndexInfo* pair = find("IX_PAIR");
    ASSERT_NE(pair, nullptr);
    EXPECT_FALSE(pair->unique);
    EXPECT_EQ(Names(pair->columns), (std::vector<std::string>{"SETTINGS_ID", "QUOTA"}));
    EXPECT_EQ(pair->columns[0].type, adInteger);

    // The rowid key has no index of its own and is listed as the primary key.
    const auto primary = std::count_if(indexes.begin(), indexes.end(), [](const IndexInfo& i) { return i.primaryKey; });
    ASSERT_EQ(primary, 1);
    const IndexInfo& key =
        *std::find_if(indexes.begin(), indexes.end(), [](const IndexInfo& i) { return i.primaryKey; });
    EXPECT_TRUE(key.unique);
    EXPECT_EQ(Names(key.columns), (std::vector<std::string>{"ID"}));

    EXPECT_TRUE(catalog_->Indexes("USER_GROUPS").empty());
}

TEST_F(OdbcCatalogTest, IndexCreatedInTheCatalog) {
    IndexInfo index;
    index.name = "IX_SETTINGS";
    index.columns.emplace_back().name = "SETTINGS_ID";
    catalog_->CreateIndex("ACCOUNTS", index);

    bool found = false;
    for (const IndexInfo& i : catalog_->Indexes("ACCOUNTS")) {
        if (i.name != "IX_SETTINGS") continue;
        found = true;
        EXPECT_FALSE(i.unique);
        EXPECT_EQ(Names(i.columns), (std::vector<std::string>{"SETTINGS_ID"}));
    }
    EXPECT_TRUE(found);

    // A unique index over duplicate values is refused with the driver's words.
    connection_->Execute("INSERT INTO ACCOUNTS (NAME, SETTINGS_ID) VALUES ('a', 7)");
    connection_->Execute("INSERT INTO ACCOUNTS (NAME, SETTINGS_ID) VALUES ('b', 7)");
    index.name = "UX_SETTINGS";
    index.unique = true;
    const _com_error refused = ErrorOf([&] { catalog_->CreateIndex("ACCOUNTS", index); });
    EXPECT_EQ(refused.Source(), "ODBC provider (MSDASQL)");
    EXPECT_NE(refused.Description().find("UNIQUE"), std::string::npos) << refused.Description();
}

TEST_F(OdbcCatalogTest, TableCreatedInTheCatalog) {
    TableDef table{"QUOTAS", {ColumnInfo{}, ColumnInfo{}, ColumnInfo{}}};
    table.columns[0].name = "ID";
    table.columns[0].nullable = false;
    table.columns[1].name = "LABEL";
    table.columns[1].type = adVarWChar;
    table.columns[1].definedSize = 40;
    table.columns[2].name = "SIZE_MB";
    table.columns[2].nullable = false;
    table.columns[2].defaultValue = _variant_t(5);
    catalog_->CreateTable(table);

    const std::vector<ColumnInfo> columns = catalog_->Columns("QUOTAS");
    EXPECT_EQ(Names(columns), (std::vector<std::string>{"ID", "LABEL", "SIZE_MB"}));
    EXPECT_FALSE(Find(columns, "ID").nullable);
    EXPECT_TRUE(Find(columns, "LABEL").nullable);
    EXPECT_EQ(Find(columns, "LABEL").definedSize, 40);
    EXPECT_EQ(Find(columns, "SIZE_MB").defaultValue, _variant_t("5"));
    connection_->Execute("INSERT INTO QUOTAS (ID) VALUES (1)");
    EXPECT_EQ(Rows(connection_->Execute("SELECT SIZE_MB, LABEL FROM QUOTAS"), {"SIZE_MB", "LABEL"}),
              (std::vector<std::vector<std::string>>{{"5", "NULL"}}));
}

TEST_F(OdbcCatalogTest, IdentityCannotBeAddedToAnExistingColumn) {
    const _com_error e =
        ErrorOf([&] { catalog_->SetColumnProperty("ACCOUNTS", "SETTINGS_ID", "Autoincrement", _variant_t(true)); });
    EXPECT_EQ(e.Error(), hr::kNotSupported);
    EXPECT_NE(e.Description().find("rebuilt"), std::string::npos);
    EXPECT_EQ(ErrorOf([&] { catalog_->SetColumnProperty("ACCOUNTS", "NO_SUCH", "Default", _variant_t(1)); }).Error(),
              hr::kItemNotFound);
}

TEST_F(OdbcCatalogTest, CatalogOfAClosedConnectionRaises) {
    connection_->Close();
    EXPECT_EQ(ErrorOf([&] { catalog_->TableNames(); }).Error(), hr::kObjectClosed);
}

}  // namespace
}  // namespace veltmoor::ado::test
